// Group templates: Targets, their portals, sessions, connections and LUNs.
#include "areas/iscsi/catalogue.h"
#include "areas/iscsi/login_option_templates.h"

namespace oxim::templates {
namespace {

// The fixed groups of targets, sessions and connections, defined below in
// the order in which their templates create them.
extern const GroupTemplate kTargetLoginOptions;
extern const GroupTemplate kTargetAuthentication;
extern const GroupTemplate kSessionLoginOptions;
extern const GroupTemplate kSessionAuthentication;
extern const GroupTemplate kSessionNegotiatedLoginOptions;
extern const GroupTemplate kiSCSISessionStatistics;
extern const GroupTemplate kConnectionNegotiatedLoginOptions;

}  // namespace

// clang-format off

// Target (instanced, under LogicalHBA)
const PropertyTemplate kTargetProperties[] = {
    {.name = "TargetISCSIName",
     .description = "The iSCSI name of the target.",
     .default_value = "N/A"},
    {.name = "TargetAlias",
     .description = "The alias of the target, as its first session reports it; empty while the "
                    "target has no session.",
     .handler = "handle_TargetAlias",
     .default_value = "N/A"},
    {.name = "ETO",
     .description = "The extended time-out of the target in seconds: how long a lost session "
                    "is retried before its commands fail.",
     .flags = OXIM_FLAG_READ_WRITE, .handler = "handle_Target_ETO",
     .data_type = OXIM_TYPE_INTEGER, .minimum = 0, .maximum = 3600, .default_value = "30"},
    {.name = "TargetType",
     .description = "How the target became known: Static (added by hand) or Discovered (found "
                    "by discovery).",
     .handler = "handle_target_type",
     .data_type = OXIM_TYPE_LIST, .default_value = "Static", .valid_values = "Static,Discovered"},
};
const CommandTemplate kTargetCommands[] = {
    {.name = "Login",
     .description = "Logs in to the target and opens a session. Without an address and port the "
                    "login goes through the target's portal 0.",
     .handler = "do_Login",
     .params = {{.name = "IPAddress",
                 .description = "The IPv4 address of the portal to log in through.",
                 .data_type = OXIM_TYPE_IP_ADDRESS},
                {.name = "PortNumber",
                 .description = "The TCP port of the portal to log in through.",
                 .data_type = OXIM_TYPE_INTEGER, .minimum = 1024, .maximum = 65535},
                {.name = "SessionInitiatorName",
                 .description = "The iSCSI name with which the initiator logs in; when not "
                                "given, that of the session reused or else the initiator's "
                                "own name.",
                 .data_type = OXIM_TYPE_TEXT, .minimum = 1, .maximum = 223},
                {.name = "ISIDQualifier",
                 .description = "The qualifier part of the session's ISID (decimal, or "
                                "hexadecimal after 0x); chosen by the library when not given.",
                 .data_type = OXIM_TYPE_INTEGER, .minimum = 0, .maximum = 65535},
                {.name = "BootTarget",
                 .description = "Whether the system boots from this session.",
                 .data_type = OXIM_TYPE_LIST, .valid_values = "True,False"}}},
    {.name = "DeleteTargetPortal",
     .description = "Deletes a portal of the target.",
     .handler = "do_DeleteTargetPortal",
     .params = {{.name = "InstanceNumber",
                 .description = "The instance number of the TargetPortal to delete.",
                 .data_type = OXIM_TYPE_INTEGER, .minimum = 0, .maximum = 63}}},
    {.name = "AddTargetPortal",
     .description = "Adds a portal at which the target is reached.",
     .handler = "do_AddTargetPortal",
     .params = {{.name = "IPAddress",
                 .description = "The IPv4 address of the portal.",
                 .required = true, .data_type = OXIM_TYPE_IP_ADDRESS},
                {.name = "PortNumber",
                 .description = "The TCP port of the portal; 3260 when not given.",
                 .data_type = OXIM_TYPE_INTEGER, .minimum = 1024, .maximum = 65535}}},
    {.name = "Logout",
     .description = "Logs out of a session with the target.",
     .handler = "do_Logout",
     .params = {{.name = "InstanceNumber",
                 .description = "The instance number of the Session to log out of; the first "
                                "session when not given.",
                 .data_type = OXIM_TYPE_INTEGER, .minimum = 0, .maximum = 63}}},
    {.name = "ReScanLUNS",
     .description = "Asks the target again for its logical units through its open sessions.",
     .handler = "do_ReScanLUNS"},
};
const GroupTemplate* const kTargetSubgroups[] = {
    &kTargetLoginOptions,
};
const GroupTemplate kTarget = {
    .name = "Target", .template_name = "initialize_Target",
    .description = "An iSCSI target known to the initiator.",
    .maximum = 256, .parent = "LogicalHBA", .refresh = "group_Target",
    .properties = kTargetProperties, .commands = kTargetCommands,
    .subgroups = kTargetSubgroups};

namespace {

// Target/TargetLoginOptions
constexpr auto kTargetLoginOptionsProperties =
    LoginOptionProperties("handle_target_loginoptions");
const GroupTemplate* const kTargetLoginOptionsSubgroups[] = {
    &kTargetAuthentication,
};
const GroupTemplate kTargetLoginOptions = {
    .name = "TargetLoginOptions",
    .description = "The login options used for logins to this target.",
    .properties = kTargetLoginOptionsProperties, .subgroups = kTargetLoginOptionsSubgroups};

// Target/TargetLoginOptions/Authentication
const PropertyTemplate kTargetAuthenticationProperties[] = {
    {.name = "AuthenticationMethod",
     .description = "How logins to the target are authenticated: None, One-Way CHAP (the target "
                    "checks the initiator) or Mutual CHAP (both check each other).",
     .handler = "handle_authentication_target_loginopts",
     .data_type = OXIM_TYPE_LIST, .default_value = "None",
     .valid_values = "None,Mutual CHAP,One-Way CHAP"},
    {.name = "InitiatorCHAPName",
     .description = "The initiator CHAP name, used with Mutual CHAP only.",
     .handler = "handle_authentication_target_loginopts",
     .default_value = "N/A"},
    {.name = "InitiatorSecret",
     .description = "The initiator CHAP secret, used with Mutual CHAP only.",
     .default_value = "N/A"},
    {.name = "TargetCHAPName",
     .description = "The target CHAP name, used with One-Way and Mutual CHAP.",
     .default_value = "N/A"},
    {.name = "TargetSecret",
     .description = "The target CHAP secret, used with One-Way and Mutual CHAP.",
     .handler = "handle_authentication_target_loginopts",
     .default_value = "N/A"},
    {.name = "CHAPParam",
     .description = "How firmly CHAP is asked for: Required, Preferred (with CHAP first, then "
                    "without), Discouraged (without CHAP first, then with) or Prohibited.",
     .handler = "handle_authentication_target_loginopts",
     .data_type = OXIM_TYPE_LIST, .default_value = "Prohibited",
     .valid_values = "Prohibited,Discouraged,Preferred,Required"},
};
const CommandTemplate kTargetAuthenticationCommands[] = {
    ConfigureChapCommand("Sets the CHAP authentication of logins to this target. Sessions that are "
                    "not open are brought up to date."),
    {.name = "DeleteCHAP",
     .description = "Removes the CHAP authentication of logins to this target.",
     .handler = "do_DeleteCHAP"},
};
const GroupTemplate kTargetAuthentication = {
    .name = "Authentication",
    .description = "The CHAP authentication of logins to this target.",
    .properties = kTargetAuthenticationProperties, .commands = kTargetAuthenticationCommands};

}  // namespace

// TargetPortal (instanced, under Target)
const PropertyTemplate kTargetPortalProperties[] = {
    {.name = "TargetIPAddress",
     .description = "The IP address of the portal.",
     .default_value = "0.0.0.0"},
    {.name = "TargetPortNumber",
     .description = "The TCP port of the portal.",
     .default_value = "0"},
    {.name = "PortalGroupTag",
     .description = "The portal group tag of the portal.",
     .default_value = "0"},
};
const GroupTemplate kTargetPortal = {
    .name = "TargetPortal", .template_name = "initialize_TargetPortal",
    .description = "An address and TCP port at which the target is reached.",
    .maximum = 64, .parent = "Target",
    .properties = kTargetPortalProperties};

// Session (instanced, under Target)
const PropertyTemplate kSessionProperties[] = {
    {.name = "SessionTSIH",
     .description = "The target session identifying handle that the target gave the session.",
     .handler = "handle_session_properties",
     .default_value = "0"},
    {.name = "ISIDQualifier",
     .description = "The qualifier part of the session's initiator session ID, in hexadecimal.",
     .handler = "handle_session_properties",
     .default_value = "0"},
    {.name = "ISID",
     .description = "The initiator session ID of the session, in hexadecimal.",
     .default_value = "0"},
    {.name = "SessionInitiatorName",
     .description = "The iSCSI name with which the initiator logged in.",
     .handler = "handle_session_properties",
     .default_value = "N/A"},
    {.name = "SessionStatus",
     .description = "The state of the session, such as Open, Closed, Login in Progress or "
                    "Login failed.",
     .handler = "handle_session_properties",
     .default_value = "N/A"},
    {.name = "iSCSIBoot",
     .description = "Whether the system boots from this session.",
     .flags = OXIM_FLAG_READ_WRITE, .handler = "handle_boot_session",
     .data_type = OXIM_TYPE_LIST, .default_value = "False", .valid_values = "False,True"},
    {.name = "Persistent",
     .description = "Whether the firmware keeps the session and logs in again after a restart.",
     .handler = "handle_session_properties",
     .data_type = OXIM_TYPE_LIST, .default_value = "False", .valid_values = "False,True"},
};
const GroupTemplate* const kSessionSubgroups[] = {
    &kSessionLoginOptions, &kSessionNegotiatedLoginOptions, &kiSCSISessionStatistics,
};
const GroupTemplate kSession = {
    .name = "Session", .template_name = "initialize_Session",
    .description = "An iSCSI session with the target.",
    .maximum = 64, .parent = "Target", .refresh = "group_Session",
    .properties = kSessionProperties, .subgroups = kSessionSubgroups};

namespace {

// Session/SessionLoginOptions
const PropertyTemplate kSessionLoginOptionsProperties[] = {
    {.name = "InitialR2T",
     .description = "Whether the initiator waited for a ready-to-transfer before it sent "
                    "unsolicited data in this session.",
     .data_type = OXIM_TYPE_LIST, .default_value = "Yes", .valid_values = "Yes,No"},
    {.name = "ImmediateData",
     .description = "Whether the initiator sent data together with its commands in this "
                    "session.",
     .data_type = OXIM_TYPE_LIST, .default_value = "Yes", .valid_values = "Yes,No"},
    {.name = "HeaderDigest",
     .description = "The digest that protects PDU headers in this session.",
     .data_type = OXIM_TYPE_LIST, .default_value = "None", .valid_values = "None,CRC32C"},
    {.name = "DataDigest",
     .description = "The digest that protects PDU data in this session.",
     .data_type = OXIM_TYPE_LIST, .default_value = "None", .valid_values = "None,CRC32C"},
};
const GroupTemplate* const kSessionLoginOptionsSubgroups[] = {
    &kSessionAuthentication,
};
const GroupTemplate kSessionLoginOptions = {
    .name = "SessionLoginOptions",
    .description = "The login options with which the session was opened.",
    .properties = kSessionLoginOptionsProperties, .subgroups = kSessionLoginOptionsSubgroups};

// Session/SessionLoginOptions/Authentication
const PropertyTemplate kSessionAuthenticationProperties[] = {
    {.name = "AuthenticationMethod",
     .description = "How the session's login was authenticated: None, One-Way CHAP or Mutual "
                    "CHAP.",
     .data_type = OXIM_TYPE_LIST, .default_value = "None",
     .valid_values = "None,Mutual CHAP,One-Way CHAP"},
    {.name = "InitiatorCHAPName",
     .description = "The initiator CHAP name used by the session's login (Mutual CHAP).",
     .default_value = "N/A"},
    {.name = "InitiatorSecret",
     .description = "The initiator CHAP secret used by the session's login (Mutual CHAP).",
     .default_value = "N/A"},
    {.name = "TargetCHAPName",
     .description = "The target CHAP name used by the session's login.",
     .default_value = "N/A"},
    {.name = "TargetSecret",
     .description = "The target CHAP secret used by the session's login.",
     .default_value = "N/A"},
};
const GroupTemplate kSessionAuthentication = {
    .name = "Authentication",
    .description = "The CHAP authentication with which the session was opened.",
    .properties = kSessionAuthenticationProperties};

// Session/SessionNegotiatedLoginOptions
const PropertyTemplate kSessionNegotiatedLoginOptionsProperties[] = {
    {.name = "InitialR2T",
     .description = "Whether the initiator must wait for a ready-to-transfer before it sends "
                    "unsolicited data, as negotiated.",
     .data_type = OXIM_TYPE_LIST, .default_value = "Yes", .valid_values = "Yes,No"},
    {.name = "ImmediateData",
     .description = "Whether data may accompany commands, as negotiated.",
     .data_type = OXIM_TYPE_LIST, .default_value = "Yes", .valid_values = "Yes,No"},
    {.name = "MaxConnections",
     .description = "The number of connections that the session may have, as negotiated.",
     .default_value = "0"},
    {.name = "MaxOutstandingR2T",
     .description = "The number of ready-to-transfer requests that may be outstanding per task, "
                    "as negotiated.",
     .default_value = "0"},
    {.name = "FirstBurstLength",
     .description = "The amount of unsolicited data, in bytes, that the initiator may send per "
                    "command, as negotiated; Irrelevant when no unsolicited data is sent.",
     .default_value = "0"},
    {.name = "MaxBurstLength",
     .description = "The largest data sequence, in bytes, of one data transfer, as negotiated.",
     .default_value = "0"},
    {.name = "DefaultTime2Wait",
     .description = "The time, in seconds, to wait before a logout or connection loss is "
                    "followed by a new login, as negotiated.",
     .default_value = "0"},
    {.name = "DefaultTime2Retain",
     .description = "The time, in seconds, during which tasks may still be reassigned after a "
                    "connection was lost, as negotiated.",
     .default_value = "0"},
    {.name = "ErrorRecoveryLevel",
     .description = "The error recovery level of the session, as negotiated.",
     .default_value = "0"},
    {.name = "DataPDUInOrder",
     .description = "Whether data PDUs within a sequence must arrive in order (Yes or No), as "
                    "negotiated.",
     .default_value = "N/A"},
    {.name = "DataSequenceInOrder",
     .description = "Whether data sequences must be transferred in order (Yes or No), as "
                    "negotiated.",
     .default_value = "N/A"},
};
const GroupTemplate kSessionNegotiatedLoginOptions = {
    .name = "SessionNegotiatedLoginOptions",
    .description = "The session parameters that the initiator and the target agreed on at "
                   "login.",
    .properties = kSessionNegotiatedLoginOptionsProperties};

// Session/iSCSISessionStatistics
const PropertyTemplate kiSCSISessionStatisticsProperties[] = {
    {.name = "SessionDirection",
     .description = "The direction of the session (which side opened it), as the firmware "
                    "reports it.",
     .handler = "handle_SsnAttr_properties",
     .default_value = "0"},
    {.name = "CmdPdus",
     .description = "The number of command PDUs sent in the session.",
     .handler = "handle_SsnAttr_properties",
     .default_value = "0"},
    {.name = "RspPdus",
     .description = "The number of response PDUs received in the session.",
     .handler = "handle_SsnAttr_properties",
     .default_value = "0"},
    {.name = "TxDataOctetsHigh",
     .description = "The number of data bytes sent in the session.",
     .handler = "handle_SsnAttr_properties",
     .default_value = "0"},
    {.name = "RxDataOctetsHigh",
     .description = "The number of data bytes received in the session.",
     .handler = "handle_SsnAttr_properties",
     .default_value = "0"},
    {.name = "DigestErrors",
     .description = "The number of PDUs with a digest error received in the session.",
     .handler = "handle_SsnAttr_properties",
     .default_value = "0"},
    {.name = "CxnTimeoutErrors",
     .description = "The number of connections of the session that ended by a time-out.",
     .handler = "handle_SsnAttr_properties",
     .default_value = "0"},
    {.name = "SessionTargetAlias",
     .description = "The alias that the target reported in the session.",
     .handler = "handle_SsnAttr_properties",
     .default_value = "N/A"},
};
const GroupTemplate kiSCSISessionStatistics = {
    .name = "iSCSISessionStatistics",
    .description = "Traffic and error counts of the session.",
    .properties = kiSCSISessionStatisticsProperties};

}  // namespace

// Connection (instanced, under Session)
const PropertyTemplate kConnectionProperties[] = {
    {.name = "iSCSIConnectionID",
     .description = "The iSCSI connection ID of the connection.",
     .handler = "handle_connection_properties",
     .default_value = "0"},
    {.name = "Status",
     .description = "The state of the connection: Logged-in or Connection closed.",
     .handler = "handle_connection_properties",
     .default_value = "N/A"},
    {.name = "SourcePortNumber",
     .description = "The initiator's TCP port of the connection.",
     .handler = "handle_connection_properties",
     .default_value = "0"},
    {.name = "DestinationPortNumber",
     .description = "The target's TCP port of the connection.",
     .handler = "handle_connection_properties",
     .default_value = "0"},
    {.name = "SourceIPAddress",
     .description = "The initiator's IP address of the connection.",
     .handler = "handle_connection_properties",
     .default_value = "0.0.0.0"},
    {.name = "DestinationIPAddress",
     .description = "The target's IP address of the connection.",
     .handler = "handle_connection_properties",
     .default_value = "0.0.0.0"},
    {.name = "RedirectedDestinationPort",
     .description = "The TCP port to which the target redirected the connection; N/A when it was "
                    "not redirected.",
     .handler = "handle_connection_properties",
     .default_value = "0"},
    {.name = "RedirectedDestinationIPAddress",
     .description = "The IP address to which the target redirected the connection; N/A when it "
                    "was not redirected.",
     .handler = "handle_connection_properties",
     .default_value = "0.0.0.0"},
};
const GroupTemplate* const kConnectionSubgroups[] = {
    &kConnectionNegotiatedLoginOptions,
};
const GroupTemplate kConnection = {
    .name = "Connection", .template_name = "initialize_Connection",
    .description = "The TCP connection of a session.",
    .maximum = 1, .parent = "Session",
    .properties = kConnectionProperties, .subgroups = kConnectionSubgroups};

namespace {

// Connection/ConnectionNegotiatedLoginOptions
const PropertyTemplate kConnectionNegotiatedLoginOptionsProperties[] = {
    {.name = "AuthenticationMethod",
     .description = "How the connection's login was authenticated.",
     .data_type = OXIM_TYPE_LIST, .default_value = "None",
     .valid_values = "None,Mutual CHAP,One-Way CHAP"},
    {.name = "HeaderDigest",
     .description = "The digest that protects PDU headers on the connection, as negotiated.",
     .data_type = OXIM_TYPE_LIST, .default_value = "None", .valid_values = "None,CRC32C"},
    {.name = "DataDigest",
     .description = "The digest that protects PDU data on the connection, as negotiated.",
     .data_type = OXIM_TYPE_LIST, .default_value = "None", .valid_values = "None,CRC32C"},
    {.name = "MaxSendDataSegmentLength",
     .description = "The largest data segment, in bytes, that the initiator sends in one PDU on "
                    "the connection.",
     .default_value = "0"},
    {.name = "TCPMSS",
     .description = "The TCP maximum segment size of the connection, in bytes.",
     .default_value = "0"},
};
const GroupTemplate kConnectionNegotiatedLoginOptions = {
    .name = "ConnectionNegotiatedLoginOptions",
    .description = "The connection parameters that the initiator and the target agreed on at "
                   "login.",
    .properties = kConnectionNegotiatedLoginOptionsProperties};

}  // namespace

// LUN (instanced, under Target)
const PropertyTemplate kLUNProperties[] = {
    {.name = "LUNNumber",
     .description = "The logical unit number.",
     .handler = "handle_LUNNumber",
     .default_value = "0"},
    {.name = "LUNSize",
     .description = "The capacity of the logical unit: in bytes below 1 KB, else with two "
                    "decimals in KB, MB, GB or TB (of 1024).",
     .handler = "handle_lun_block_size",
     .default_value = "0"},
    {.name = "BlockSize",
     .description = "The size of a block of the logical unit, in bytes.",
     .handler = "handle_lun_block_size",
     .default_value = "0"},
    {.name = "DeviceVendorName",
     .description = "The vendor of the logical unit, as its standard inquiry data reports it.",
     .handler = "handle_StdInquiry_properties",
     .default_value = "N/A"},
    {.name = "DeviceModelNumber",
     .description = "The product identification of the logical unit, as its standard inquiry "
                    "data reports it.",
     .handler = "handle_StdInquiry_properties",
     .default_value = "N/A"},
    {.name = "LUNName",
     .description = "The name of the logical unit: the host adapter's name, the bus and the "
                    "target's number.",
     .handler = "handle_LUNName",
     .default_value = "N/A"},
    {.name = "LUNSerialNumber",
     .description = "The serial number of the logical unit.",
     .handler = "handle_StdInquiry_properties",
     .default_value = "N/A"},
    {.name = "LUNType",
     .description = "The SCSI peripheral device type of the logical unit, in hexadecimal.",
     .handler = "handle_StdInquiry_properties",
     .default_value = "0"},
};
const CommandTemplate kLUNCommands[] = {
    {.name = "StdInquiry",
     .description = "Sends a standard inquiry to the logical unit and updates its vendor, "
                    "product, serial number and type.",
     .handler = "do_StdInquiry"},
    {.name = "SCSIWrite",
     .description = "Writes zero-filled 512-byte blocks to the logical unit. The data on these "
                    "blocks is lost.",
     .handler = "do_SCSIWrite",
     .params = {{.name = "StartBlockAddress",
                 .description = "The address of the first block to write.",
                 .required = true, .data_type = OXIM_TYPE_INTEGER, .minimum = 0,
                 .maximum = 65535},
                {.name = "Count",
                 .description = "The number of blocks to write, 1 to 127: one write carries at "
                                "most 127 blocks of 512 bytes.",
                 .required = true, .data_type = OXIM_TYPE_INTEGER, .minimum = 1,
                 .maximum = 65535}}},
};
const GroupTemplate kLUN = {
    .name = "LUN", .template_name = "initialize_LUN",
    .description = "A logical unit of the target.",
    .maximum = 256, .parent = "Target", .refresh = "group_LUN",
    .properties = kLUNProperties, .commands = kLUNCommands};

// clang-format on

}  // namespace oxim::templates
