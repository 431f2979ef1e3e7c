// Group templates: The logical HBA of an iSCSI function: initiator names, login options, QoS,
// statistics, discovery.
#include "areas/iscsi/catalogue.h"
#include "areas/iscsi/login_option_templates.h"

namespace oxim::templates {
namespace {

// The fixed groups of a logical HBA, defined below in the order in which the
// logical HBA's template creates them.
extern const GroupTemplate kInitiatoriSCSIName;
extern const GroupTemplate kInitiatorDefaultLoginOptions;
extern const GroupTemplate kInitiatorLoginOptions;
extern const GroupTemplate kInitiatorAuthentication;
extern const GroupTemplate kiSCSIQoS;
extern const GroupTemplate kiSCSIStatistics;
extern const GroupTemplate kDiscovery;

}  // namespace

// clang-format off

// LogicalHBA (instanced, under iSCSIPhysicalHBA)
const PropertyTemplate kLogicalHBAProperties[] = {
    {.name = "Enabled",
     .description = "Whether the iSCSI initiator of this function is enabled. Targets can only "
                    "be discovered and logged in to while it is.",
     .flags = OXIM_FLAG_READ_WRITE, .handler = "handle_iSCSIPhysicalHBA_LogicalHBA_Enabled",
     .data_type = OXIM_TYPE_LIST, .default_value = "False", .valid_values = "False,True"},
    {.name = "IfName",
     .description = "The name that the host gives to the adapter of this initiator.",
     .default_value = "N/A"},
};
const CommandTemplate kLogicalHBACommands[] = {
    {.name = "AddTarget",
     .description = "Adds a target by hand (a Static target) with a portal at which it is "
                    "reached.",
     .handler = "do_AddTarget",
     .params = {{.name = "TargetName",
                 .description = "The iSCSI name of the target.",
                 .required = true, .data_type = OXIM_TYPE_TEXT, .minimum = 6, .maximum = 223},
                {.name = "IPAddress",
                 .description = "The IPv4 address of the target's portal.",
                 .required = true, .data_type = OXIM_TYPE_IP_ADDRESS},
                {.name = "PortNumber",
                 .description = "The TCP port of the target's portal; 3260 when not given.",
                 .data_type = OXIM_TYPE_INTEGER, .minimum = 1024, .maximum = 65535},
                {.name = "BootTarget",
                 .description = "Whether the system boots from this target.",
                 .data_type = OXIM_TYPE_LIST, .valid_values = "True,False"}}},
    {.name = "DeleteTarget",
     .description = "Deletes a target with its portals. No session of the target may be logged "
                    "in.",
     .handler = "do_DeleteTarget",
     .params = {{.name = "InstanceNumber",
                 .description = "The instance number of the Target to delete.",
                 .required = true, .data_type = OXIM_TYPE_INTEGER, .minimum = 0, .maximum = 256}}},
};
const GroupTemplate* const kLogicalHBASubgroups[] = {
    &kInitiatoriSCSIName, &kInitiatorDefaultLoginOptions, &kInitiatorLoginOptions, &kiSCSIQoS,
    &kiSCSIStatistics, &kDiscovery,
};
const GroupTemplate kLogicalHBA = {
    .name = "LogicalHBA", .template_name = "initialize_LogicalHBA",
    .description = "The iSCSI initiator of an iSCSI function: its names, options and targets.",
    .maximum = 1, .parent = "iSCSIPhysicalHBA",
    .properties = kLogicalHBAProperties, .commands = kLogicalHBACommands,
    .subgroups = kLogicalHBASubgroups};

namespace {

// LogicalHBA/InitiatoriSCSIName
const PropertyTemplate kInitiatoriSCSINameProperties[] = {
    {.name = "InitiatoriSCSIName",
     .description = "The iSCSI name of the initiator.",
     .flags = OXIM_FLAG_READ_WRITE, .handler = "handle_name_params",
     .data_type = OXIM_TYPE_TEXT, .minimum = 1, .maximum = 223, .default_value = "iqn.qz"},
    {.name = "InitiatorAlias",
     .description = "The alias of the initiator, a name for people to read.",
     .flags = OXIM_FLAG_READ_WRITE, .handler = "handle_name_params",
     .data_type = OXIM_TYPE_TEXT, .minimum = 0, .maximum = 31, .default_value = "qz"},
};
const GroupTemplate kInitiatoriSCSIName = {
    .name = "InitiatoriSCSIName",
    .description = "The iSCSI name and alias of the initiator.",
    .properties = kInitiatoriSCSINameProperties};

// LogicalHBA/InitiatorDefaultLoginOptions
const PropertyTemplate kInitiatorDefaultLoginOptionsProperties[] = {
    {.name = "InitialR2T",
     .description = "Whether the initiator waits for a ready-to-transfer from the target before "
                    "it sends unsolicited data, by default.",
     .data_type = OXIM_TYPE_LIST, .default_value = "Yes", .valid_values = "Yes,No"},
    {.name = "ImmediateData",
     .description = "Whether the initiator sends data together with its commands, by default.",
     .data_type = OXIM_TYPE_LIST, .default_value = "Yes", .valid_values = "Yes,No"},
    {.name = "MaxConnections",
     .description = "The default number of connections that a session may have.",
     .default_value = "0"},
    {.name = "MaxOutstandingR2T",
     .description = "The default number of ready-to-transfer requests that may be outstanding "
                    "per task.",
     .default_value = "0"},
    {.name = "FirstBurstLength",
     .description = "The default amount of unsolicited data, in bytes, that the initiator may "
                    "send per command.",
     .default_value = "0"},
    {.name = "MaxBurstLength",
     .description = "The default largest data sequence, in bytes, of one data transfer.",
     .default_value = "0"},
    {.name = "DefaultTime2Wait",
     .description = "The default time, in seconds, to wait before a logout or connection loss is "
                    "followed by a new login.",
     .default_value = "0"},
    {.name = "DefaultTime2Retain",
     .description = "The default time, in seconds, during which tasks may still be reassigned "
                    "after a connection was lost.",
     .default_value = "0"},
    {.name = "ErrorRecoveryLevel",
     .description = "The default error recovery level of a session.",
     .default_value = "0"},
    {.name = "DataPDUInOrder",
     .description = "Whether data PDUs within a sequence must arrive in order, by default "
                    "(1 yes, 0 no).",
     .default_value = "0"},
    {.name = "DataSequenceInOrder",
     .description = "Whether data sequences must be transferred in order, by default (1 yes, "
                    "0 no).",
     .default_value = "0"},
    {.name = "HeaderDigest",
     .description = "The default digest that protects PDU headers.",
     .data_type = OXIM_TYPE_LIST, .default_value = "None", .valid_values = "None,CRC32C"},
    {.name = "DataDigest",
     .description = "The default digest that protects PDU data.",
     .data_type = OXIM_TYPE_LIST, .default_value = "None", .valid_values = "None,CRC32C"},
    {.name = "MaxRecvDataSegmentLength",
     .description = "The default largest data segment, in bytes, that the initiator receives in "
                    "one PDU.",
     .default_value = "0"},
};
const GroupTemplate kInitiatorDefaultLoginOptions = {
    .name = "InitiatorDefaultLoginOptions",
    .description = "The login options that the initiator offers unless they are configured "
                   "otherwise.",
    .properties = kInitiatorDefaultLoginOptionsProperties};

// LogicalHBA/InitiatorLoginOptions
constexpr auto kInitiatorLoginOptionsProperties =
    LoginOptionProperties("handle_initiator_loginoptions");
const GroupTemplate* const kInitiatorLoginOptionsSubgroups[] = {
    &kInitiatorAuthentication,
};
const GroupTemplate kInitiatorLoginOptions = {
    .name = "InitiatorLoginOptions",
    .description = "The login options of the initiator, which new targets take over.",
    .properties = kInitiatorLoginOptionsProperties,
    .subgroups = kInitiatorLoginOptionsSubgroups};

// LogicalHBA/InitiatorLoginOptions/Authentication
const PropertyTemplate kInitiatorAuthenticationProperties[] = {
    {.name = "AuthenticationMethod",
     .description = "How logins are authenticated: None, One-Way CHAP (the target checks the "
                    "initiator) or Mutual CHAP (both check each other).",
     .handler = "handle_authentication_initiator_loginoptions",
     .data_type = OXIM_TYPE_LIST, .default_value = "None",
     .valid_values = "None,Mutual CHAP,One-Way CHAP"},
    {.name = "InitiatorCHAPName",
     .description = "The initiator CHAP name, used with Mutual CHAP only.",
     .handler = "handle_authentication_initiator_loginoptions",
     .default_value = "N/A"},
    {.name = "InitiatorSecret",
     .description = "The initiator CHAP secret, used with Mutual CHAP only.",
     .handler = "handle_authentication_initiator_loginoptions",
     .default_value = "N/A"},
    {.name = "TargetCHAPName",
     .description = "The target CHAP name, used with One-Way and Mutual CHAP.",
     .handler = "handle_authentication_initiator_loginoptions",
     .default_value = "N/A"},
    {.name = "TargetSecret",
     .description = "The target CHAP secret, used with One-Way and Mutual CHAP.",
     .handler = "handle_authentication_initiator_loginoptions",
     .default_value = "N/A"},
    {.name = "CHAPParam",
     .description = "How firmly CHAP is asked for: Required, Preferred (with CHAP first, then "
                    "without), Discouraged (without CHAP first, then with) or Prohibited.",
     .handler = "handle_authentication_initiator_loginoptions",
     .data_type = OXIM_TYPE_LIST, .default_value = "Prohibited",
     .valid_values = "Prohibited,Discouraged,Preferred,Required"},
};
const CommandTemplate kInitiatorAuthenticationCommands[] = {
    ConfigureChapCommand("Sets the CHAP authentication of logins."),
    {.name = "DeleteCHAP",
     .description = "Removes the CHAP authentication of logins.",
     .handler = "do_DeleteCHAP"},
};
const GroupTemplate kInitiatorAuthentication = {
    .name = "Authentication",
    .description = "The CHAP authentication of the initiator's logins.",
    .properties = kInitiatorAuthenticationProperties,
    .commands = kInitiatorAuthenticationCommands};

// LogicalHBA/iSCSIQoS
const PropertyTemplate kiSCSIQoSProperties[] = {
    {.name = "MinBitsPerSecond",
     .description = "The bandwidth guaranteed to the function's iSCSI traffic.",
     .handler = "handle_iscsi_bandwidth_softcap",
     .default_value = "0"},
    {.name = "MaxBitsPerSecond",
     .description = "The bandwidth that the function's iSCSI traffic may use at most.",
     .handler = "handle_iscsi_bandwidth_softcap",
     .default_value = "0"},
    {.name = "MaxBytesPerSecond",
     .description = "The limit of the initiator's data rate, in kilobytes per second.",
     .flags = OXIM_FLAG_READ_WRITE, .handler = "handle_MaxBytesPerSecond",
     .data_type = OXIM_TYPE_INTEGER, .minimum = 0, .maximum = 1280, .default_value = "0"},
    {.name = "MaxIosPerSecond",
     .description = "The limit of the initiator's I/O rate, in operations per second.",
     .flags = OXIM_FLAG_READ_WRITE, .handler = "handle_MaxIosPerSecond",
     .data_type = OXIM_TYPE_INTEGER, .minimum = 0, .maximum = 250, .default_value = "0"},
};
const GroupTemplate kiSCSIQoS = {
    .name = "iSCSIQoS",
    .description = "The bandwidth and rate limits of the initiator.",
    .properties = kiSCSIQoSProperties};

// LogicalHBA/iSCSIStatistics
const PropertyTemplate kiSCSIStatisticsProperties[] = {
    {.name = "NodeRoles",
     .description = "The iSCSI roles of this node.",
     .handler = "handle_NodeAttr_properties",
     .default_value = "N/A"},
    {.name = "PortalCount",
     .description = "The number of network portals of this node.",
     .handler = "handle_NodeAttr_properties",
     .default_value = "0"},
    {.name = "NodeCount",
     .description = "The number of iSCSI nodes of this instance.",
     .handler = "handle_NodeAttr_properties",
     .default_value = "0"},
    {.name = "SessionCount",
     .description = "The number of sessions that the initiator has open.",
     .handler = "handle_intrInstStat_properties",
     .default_value = "0"},
    {.name = "SessionFailureCount",
     .description = "The number of sessions that failed.",
     .handler = "handle_intrInstStat_properties",
     .default_value = "0"},
    {.name = "LastSessionFailureType",
     .description = "The kind of error that ended the last failed session.",
     .handler = "handle_intrInstStat_properties",
     .default_value = "N/A"},
    {.name = "LastSessionRmtNodeName",
     .description = "The iSCSI name of the remote node of the last failed session.",
     .handler = "handle_intrInstStat_properties",
     .default_value = "N/A"},
    {.name = "SessionDigestErrors",
     .description = "The number of sessions that failed because of digest errors.",
     .handler = "handle_intrInstStat_properties",
     .default_value = "0"},
    {.name = "SessionConnectionTimeout",
     .description = "The number of sessions that failed because a connection timed out.",
     .handler = "handle_intrInstStat_properties",
     .default_value = "0"},
    {.name = "SessionFormatErrors",
     .description = "The number of sessions that failed because of PDU format errors.",
     .handler = "handle_intrInstStat_properties",
     .default_value = "0"},
    {.name = "LoginFailures",
     .description = "The number of logins that failed.",
     .handler = "handle_intrLoginStat_properties",
     .default_value = "0"},
    {.name = "LastFailureTime",
     .description = "When the last login failure happened.",
     .handler = "handle_intrLoginStat_properties",
     .default_value = "0"},
    {.name = "LastFailureType",
     .description = "The kind of the last login failure.",
     .handler = "handle_intrLoginStat_properties",
     .default_value = "N/A"},
    {.name = "LastTgtFailureName",
     .description = "The iSCSI name of the target of the last login failure.",
     .handler = "handle_intrLoginStat_properties",
     .default_value = "N/A"},
    {.name = "LastTgtFailureAddr",
     .description = "The IP address of the target of the last login failure.",
     .handler = "handle_intrLoginStat_properties",
     .default_value = "0.0.0.0"},
    {.name = "LoginAcceptRsps",
     .description = "The number of login responses that accepted the login.",
     .handler = "handle_intrLoginStat_properties",
     .default_value = "0"},
    {.name = "LoginOtherFailRsps",
     .description = "The number of login responses that refused the login for other reasons.",
     .handler = "handle_intrLoginStat_properties",
     .default_value = "0"},
    {.name = "LoginRedirectRsps",
     .description = "The number of login responses that redirected the login elsewhere.",
     .handler = "handle_intrLoginStat_properties",
     .default_value = "0"},
    {.name = "LoginAuthFailRsps",
     .description = "The number of login responses that refused the login for lack of "
                    "authorization.",
     .handler = "handle_intrLoginStat_properties",
     .default_value = "0"},
    {.name = "LoginAuthFails",
     .description = "The number of logins that failed because the target could not be "
                    "authenticated.",
     .handler = "handle_intrLoginStat_properties",
     .default_value = "0"},
    {.name = "LoginNegoFails",
     .description = "The number of logins that failed during the negotiation of parameters.",
     .handler = "handle_intrLoginStat_properties",
     .default_value = "0"},
    {.name = "LogoutNormals",
     .description = "The number of normal logouts.",
     .handler = "handle_intrLoginStat_properties",
     .default_value = "0"},
    {.name = "LogoutOthers",
     .description = "The number of logouts for other reasons.",
     .handler = "handle_intrLoginStat_properties",
     .default_value = "0"},
    {.name = "PortRowStatus",
     .description = "The status of the initiator's portal entry.",
     .handler = "handle_NodeAttr_properties",
     .default_value = "N/A"},
    {.name = "PortalRole",
     .description = "The role of the initiator's network portal.",
     .handler = "handle_NodeAttr_properties",
     .default_value = "N/A"},
    {.name = "PortalProtocol",
     .description = "The transport protocol of the initiator's network portal.",
     .handler = "handle_NodeAttr_properties",
     .default_value = "N/A"},
    {.name = "PortalTag",
     .description = "The portal group tag of the initiator's network portal.",
     .handler = "handle_NodeAttr_properties",
     .default_value = "0"},
};
const GroupTemplate kiSCSIStatistics = {
    .name = "iSCSIStatistics",
    .description = "Session and login statistics of the initiator.",
    .properties = kiSCSIStatisticsProperties};

// LogicalHBA/Discovery
const CommandTemplate kDiscoveryCommands[] = {
    {.name = "AddSendTargetPortal",
     .description = "Adds a portal to be asked for its targets with SendTargets discovery.",
     .handler = "do_AddSendTargetPortal",
     .params = {{.name = "IPAddress",
                 .description = "The IPv4 address of the portal.",
                 .required = true, .data_type = OXIM_TYPE_IP_ADDRESS},
                {.name = "PortNumber",
                 .description = "The TCP port of the portal.",
                 .required = true, .data_type = OXIM_TYPE_INTEGER, .minimum = 1024,
                 .maximum = 65535}}},
    {.name = "DeleteSendTargetPortal",
     .description = "Deletes a SendTarget portal.",
     .handler = "do_DeleteSendTargetPortal",
     .params = {{.name = "InstanceNumber",
                 .description = "The instance number of the SendTargetPortal to delete.",
                 .required = true, .data_type = OXIM_TYPE_INTEGER, .minimum = 0, .maximum = 127}}},
    {.name = "RefreshAvailableTargets",
     .description = "Loads the targets that the adapter's firmware holds into the tree again.",
     .handler = "do_RefreshAvailableTargets"},
};
const GroupTemplate kDiscovery = {
    .name = "Discovery",
    .description = "Target discovery through SendTarget portals.",
    .refresh = "group_Discovery",
    .commands = kDiscoveryCommands};

}  // namespace

// clang-format on

}  // namespace oxim::templates
