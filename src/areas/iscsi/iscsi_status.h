// The statuses the iSCSI initiator reports, each with the message the last
// status carries (core/status.h reports them). Written once here; the
// handlers name them.
#ifndef OXIM_AREAS_ISCSI_ISCSI_STATUS_H_
#define OXIM_AREAS_ISCSI_ISCSI_STATUS_H_

#include "core/status.h"

namespace oxim::iscsi {

// Targets and portals.
inline constexpr StatusMessage kDuplicateTarget{
    21,
    "Cannot add duplicate target entry as a target already exists with same target name. Please "
    "provide different target name to add another target."};
inline constexpr StatusMessage kIpv6NotSupported{
    330, "IPv6 configuration is not supported on given adapter."};
inline constexpr StatusMessage kTooManyTargets{
    175, "The Target count exceeded the configured maximum limit."};
inline constexpr StatusMessage kMaxTargetsReached{
    156, "Failed to add a target. Max targets are reached."};
inline constexpr StatusMessage kDuplicatePortal{
    214, "Given TargetPortal already exist. Please given another Target IPaddress and PortNumber"};
inline constexpr StatusMessage kInvalidIpAddress{6, "IPAddress: Invalid value."};
inline constexpr StatusMessage kInvalidInstance{
    20, "Invalid instance number. Please use valid instance number."};
inline constexpr StatusMessage kTargetLoggedIn{
    34,
    "Cannot delete iSCSI target with a session that is logged in. Please perform an OEMQZLogOut "
    "for the iSCSI session and the target can then be deleted."};
inline constexpr StatusMessage kLogicalHbaAlwaysEnabled{
    47, "LogicalHBA0 is always enabled. It cannot be disabled."};
inline constexpr StatusMessage kIscsiNotEnabled{
    46,
    "iSCSI is not enabled for this LogicalHBA. Please enable iSCSI before issuing this command."};

// The firmware's target and session records.
inline constexpr StatusMessage kInsufficientBuffer{
    31, "Insufficient buffer space obtained for the operation. " OXIM_INTERNAL_ERROR};
inline constexpr StatusMessage kDiscoveryParamsNotRead{
    80, "Failed to get discovery params. " OXIM_INTERNAL_ERROR};
inline constexpr StatusMessage kDiscoveryParamsNotSet{
    81, "Failed to set discovery params. " OXIM_INTERNAL_ERROR};
inline constexpr StatusMessage kTargetIdsNotRead{82,
                                                 "Failed to get target IDs. " OXIM_INTERNAL_ERROR};
inline constexpr StatusMessage kTargetNotRead{83, "Failed to get a target. " OXIM_INTERNAL_ERROR};
inline constexpr StatusMessage kActiveSessionIdsNotRead{
    84, "Failed to get the active session IDs. " OXIM_INTERNAL_ERROR};
inline constexpr StatusMessage kSessionNotRead{85, "Failed to get a session. " OXIM_INTERNAL_ERROR};
inline constexpr StatusMessage kSessionConfigNotRead{
    86, "Cannot get session config params. " OXIM_INTERNAL_ERROR};
inline constexpr StatusMessage kSessionConfigNotSet{
    87, "Cannot set session config params. " OXIM_INTERNAL_ERROR};
inline constexpr StatusMessage kSessionAttributesNotRead{
    92, "Failed to obtain session attribute params. " OXIM_INTERNAL_ERROR};
inline constexpr StatusMessage kTargetNotFound{19, "Target not found. " OXIM_INTERNAL_ERROR};

// Login and logout.
inline constexpr StatusMessage kIsidOutOfRange{
    8, "ISIDQualifier: Value out of range. Valid range is from 0 to 65535"};
inline constexpr StatusMessage kIsidInUse{
    71,
    "A session already exists with the given ISID Qualifier. Please provide a different ISID "
    "Qualifier."};
inline constexpr StatusMessage kLoginFailed{
    237, "Login command failed. Please check oxim2d.log file for more information."};
inline constexpr StatusMessage kAuthenticationFailed{
    25,
    "Authentication failure. Please make sure your initiator is properly enabled for "
    "authentication at the target."};
inline constexpr StatusMessage kDigestMismatch{
    243, "Failed to login due to mismatch in CRC Configuration."};
inline constexpr StatusMessage kMaxSessions{118, "Exceeded the max Session count."};
inline constexpr StatusMessage kPortalNotFound{29, "Portal not found."};
inline constexpr StatusMessage kEtoNotSet{
    58,
    "Target is logged in successfully but setting Extended Timeout (ETO) has failed. Error "
    "recovery to this session may not work as expected. Please check oxim2d.log file for more "
    "information."};
inline constexpr StatusMessage kNoActiveSessions{
    174, "No active sessions are present to logout the target."};
inline constexpr StatusMessage kBootSessionLogout{
    126,
    "Cannot logout the session as it is an active boot session. Please use the vIZIZOdozez "
    "configuration utility to logout the session."};
inline constexpr StatusMessage kPersistencyNotDeleted{
    127, "Failed to delete persistency of the session."};

// LUNs and SCSI commands.
inline constexpr StatusMessage kLunInfoNotRead{90, "Failed to get LUN info. " OXIM_INTERNAL_ERROR};
inline constexpr StatusMessage kNoSessionToTarget{42, "No session available to this target."};
inline constexpr StatusMessage kLunRescanFailed{
    90,
    "Failed to get LUN info for some sessions. Please check oxim2d.log for the actual sessions "
    "failed."};
inline constexpr StatusMessage kLoginLunsNotRead{
    90, "Login succeeded but could not get LUN info for some sessions."};
inline constexpr StatusMessage kLogoutLunsNotRead{
    90, "Logout succeeded but could not get LUN info for some sessions."};
// One WRITE (10) carries at most 127 blocks: its data length is 16 bits.
inline constexpr StatusMessage kWriteCountOutOfRange{
    7, "Count: Value out of range. Valid range is from 1 to 127."};
inline constexpr StatusMessage kQosNotRead{
    114, "Failed to get iSCSI QoS properties. " OXIM_INTERNAL_ERROR};
inline constexpr StatusMessage kQosNotSet{
    115, "Failed to set iSCSI QoS properties. " OXIM_INTERNAL_ERROR};

// Boot sessions.
inline constexpr StatusMessage kBootTargetNotSet{
    258,
    "Failed to set this session as boot target. Please check oxim2d.log file for more "
    "information."};
inline constexpr StatusMessage kBootTlvNotAdded{
    306,
    "Target Login succeeded, but failed to add the iSCSI Boot Target TLV in the iSCSI Region in "
    "firmware."};
inline constexpr StatusMessage kBootTlvNotDeleted{
    307, "Failed to delete the iSCSI Boot Target TLV in the iSCSI Region in firmware."};
inline constexpr StatusMessage kBootSessionActive{
    44,
    "The IP address settings for the Quellfire iSCSI initiator cannot be modified when there is "
    "an active iSCSI boot session. Please use the vIZIZOdozez configuration utility to modify the "
    "IP address settings. No configuration changes were made to the Quellfire iSCSI initiator."};

// The initiator's name and alias.
inline constexpr StatusMessage kInitiatorNameNotRead{
    110, "Failed to obtain initiator name and initiator alias. " OXIM_INTERNAL_ERROR};
inline constexpr StatusMessage kInitiatorNameNotSaved{
    111, "Failed to set initiator name and initiator alias. " OXIM_INTERNAL_ERROR};

// Login options and CHAP (their messages name the parameter, chap_rules.cc).
inline constexpr uint32_t kStatusChapIgnoredInitiator = 137;  // informational: the command goes on
inline constexpr uint32_t kStatusChapInitiatorRequired = 138;
inline constexpr uint32_t kStatusChapSameSecrets = 38;
inline constexpr uint32_t kStatusDigestLevelWithoutDigest = 193;
inline constexpr uint32_t kStatusDigestResetWithLevel = 194;
inline constexpr StatusMessage kDigestLevelWithoutDigest{
    kStatusDigestLevelWithoutDigest,
    "Cannot set the digest level to Preferred when the digest is default value."};
inline constexpr StatusMessage kDigestResetWithLevel{
    kStatusDigestResetWithLevel,
    "Cannot set the digest to default when level is set to Preferred."};

}  // namespace oxim::iscsi

#endif  // OXIM_AREAS_ISCSI_ISCSI_STATUS_H_
