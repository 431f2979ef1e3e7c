// The table of group templates: names, parents, maxima and refresh
// handlers. The contents of each group (properties, commands, fixed
// sub-groups) are added to these entries by the areas of the catalogue.
#include "schema/templates.h"

namespace oxim::templates {

// clang-format off
const GroupTemplate kQuellfire = {
    .name = "Quellfire", .template_name = "initialize_Quellfire",
    .description = "An adapter controller with its iSCSI and NIC functions.",
    .maximum = 16, .parent = "ROOT"};
const GroupTemplate kiSCSIPhysicalHBA = {
    .name = "iSCSIPhysicalHBA", .template_name = "initialize_iSCSIPhysicalHBA",
    .description = "An iSCSI function of the controller (hardware iSCSI initiator).",
    .maximum = 8, .parent = "Quellfire"};
const GroupTemplate kLogicalHBA = {
    .name = "LogicalHBA", .template_name = "initialize_LogicalHBA",
    .description = "The iSCSI initiator of an iSCSI function: its names, options and targets.",
    .maximum = 1, .parent = "iSCSIPhysicalHBA"};
const GroupTemplate kTarget = {
    .name = "Target", .template_name = "initialize_Target",
    .description = "An iSCSI target known to the initiator.",
    .maximum = 256, .parent = "LogicalHBA", .refresh = "group_Target"};
const GroupTemplate kTargetPortal = {
    .name = "TargetPortal", .template_name = "initialize_TargetPortal",
    .description = "An address and TCP port at which the target is reached.",
    .maximum = 64, .parent = "Target"};
const GroupTemplate kSession = {
    .name = "Session", .template_name = "initialize_Session",
    .description = "An iSCSI session with the target.",
    .maximum = 64, .parent = "Target", .refresh = "group_Session"};
const GroupTemplate kConnection = {
    .name = "Connection", .template_name = "initialize_Connection",
    .description = "The TCP connection of a session.",
    .maximum = 1, .parent = "Session"};
const GroupTemplate kLUN = {
    .name = "LUN", .template_name = "initialize_LUN",
    .description = "A logical unit of the target.",
    .maximum = 256, .parent = "Target", .refresh = "group_LUN"};
const GroupTemplate kSendTargetPortal = {
    .name = "SendTargetPortal", .template_name = "initialize_SendTargetPortal",
    .description = "A portal asked for its targets with SendTargets discovery.",
    .maximum = 128, .parent = "Discovery"};
const GroupTemplate kiSNSServer = {
    .name = "iSNSServer", .template_name = "initialize_iSNSServer",
    .description = "An iSNS server asked for targets.",
    .maximum = 4, .parent = "iSNS"};
const GroupTemplate kRouteTableEntry = {
    .name = "RouteTableEntry", .template_name = "initialize_RouteTableEntry",
    .description = "A route of the iSCSI function's IP stack.",
    .maximum = 1024, .parent = "RouteTable"};
const GroupTemplate kARPTableEntry = {
    .name = "ARPTableEntry", .template_name = "initialize_ARPTableEntry",
    .description = "An entry of the iSCSI function's ARP table.",
    .maximum = 64, .parent = "ARPTable"};
const GroupTemplate kNICPhysicalHBA = {
    .name = "NICPhysicalHBA", .template_name = "initialize_NICPhysicalHBA",
    .description = "A NIC function of the controller.",
    .maximum = 32, .parent = "Quellfire", .refresh = "group_NICPhysicalHBA"};
const GroupTemplate kNICLogicalHBA = {
    .name = "NICLogicalHBA", .template_name = "initialize_NICLogicalHBA",
    .description = "A virtual function of a NIC function.",
    .maximum = 64, .parent = "NICPhysicalHBA"};
const GroupTemplate kPortDiscoveryAndConfiguration = {
    .name = "PortDiscoveryAndConfiguration",
    .template_name = "initialize_PortDiscoveryAndConfiguration",
    .description = "A physical port of the controller: link, LLDP and data center bridging.",
    .maximum = 4, .parent = "Quellfire"};
const GroupTemplate kChannel = {
    .name = "Channel", .template_name = "initialize_Channel",
    .description = "A channel of the port with its bandwidth and VLAN.",
    .maximum = 16, .parent = "ChannelManagement"};
const GroupTemplate kAdministratorPGSetting_PG = {
    .name = "PG", .template_name = "initialize_AdministratorPGSetting_PG",
    .description = "A priority group as the administrator set it.",
    .maximum = 8, .parent = "AdministratorPGSetting"};
const GroupTemplate kPeerPGSetting_PG = {
    .name = "PG", .template_name = "initialize_PeerPGSetting_PG",
    .description = "A priority group as the link peer announced it.",
    .maximum = 8, .parent = "PeerPGSetting"};
const GroupTemplate kOperationalPGSettings_PG = {
    .name = "PG", .template_name = "initialize_OperationalPGSettings_PG",
    .description = "A priority group as the port operates it.",
    .maximum = 8, .parent = "OperationalPGSettings"};
const GroupTemplate kAdministratorTLVSetting_ApplicationTLV = {
    .name = "ApplicationTLV", .template_name = "initialize_AdministratorTLVSetting_ApplicationTLV",
    .description = "An application priority entry as the administrator set it.",
    .maximum = 15, .parent = "AdministratorTLVSetting"};
const GroupTemplate kPeerTLVSetting_ApplicationTLV = {
    .name = "ApplicationTLV", .template_name = "initialize_PeerTLVSetting_ApplicationTLV",
    .description = "An application priority entry as the link peer announced it.",
    .maximum = 15, .parent = "PeerTLVSetting"};
const GroupTemplate kOperationalTLVSettings_ApplicationTLV = {
    .name = "ApplicationTLV", .template_name = "initialize_OperationalTLVSettings_ApplicationTLV",
    .description = "An application priority entry as the port operates it.",
    .maximum = 15, .parent = "OperationalTLVSettings"};
const GroupTemplate kProfile = {
    .name = "Profile", .template_name = "initialize_Profile",
    .description = "A profile the controller offers.",
    .maximum = 100, .parent = "ProfileManagement"};
const GroupTemplate kProfile_Protocol = {
    .name = "Protocol", .template_name = "initialize_Profile_Protocol",
    .description = "A protocol of the profile.",
    .maximum = 8, .parent = "Profile"};
const GroupTemplate kActiveProfile_Port = {
    .name = "Port", .template_name = "initialize_ActiveProfile_Port",
    .description = "A port under the active profile.",
    .maximum = 4, .parent = "ActiveProfile"};
const GroupTemplate kConfiguredProfile_Port = {
    .name = "Port", .template_name = "initialize_ConfiguredProfile_Port",
    .description = "A port under the configured profile.",
    .maximum = 4, .parent = "ConfiguredProfile"};
const GroupTemplate kActiveProfile_Port_Function = {
    .name = "Function", .template_name = "initialize_ActiveProfile_Port_Function",
    .description = "A function of the port under the active profile.",
    .maximum = 64, .parent = "Port"};
const GroupTemplate kConfiguredProfile_Port_Function = {
    .name = "Function", .template_name = "initialize_ConfiguredProfile_Port_Function",
    .description = "A function of the port under the configured profile.",
    .maximum = 64, .parent = "Port"};
const GroupTemplate kNCSIStaticConfiguration = {
    .name = "NCSIStaticConfiguration", .template_name = "initialize_NCSIStaticConfiguration",
    .description = "The static NC-SI settings of the controller.",
    .maximum = 1, .parent = "NCSI"};
const GroupTemplate kNCSIDynamicConfiguration = {
    .name = "NCSIDynamicConfiguration", .template_name = "initialize_NCSIDynamicConfiguration",
    .description = "The NC-SI settings of the controller that can be changed.",
    .maximum = 1, .parent = "NCSI"};
const GroupTemplate kExtFATMode = {
    .name = "ExtFATMode", .template_name = "initialize_ExtFATMode",
    .description = "A firmware trace mode.",
    .maximum = 2, .parent = "ExtFATData"};
const GroupTemplate kExtFATModule = {
    .name = "ExtFATModule", .template_name = "initialize_ExtFATModule",
    .description = "A firmware trace module.",
    .maximum = 64, .parent = "ExtFATData"};
const GroupTemplate kEventLogEntry = {
    .name = "EventLogEntry", .template_name = "initialize_EventLogEntry",
    .description = "An entry of the firmware event log.",
    .maximum = 1024, .parent = "EventLog"};
// clang-format on

}  // namespace oxim::templates

namespace oxim {

std::span<const GroupTemplate* const> template_catalogue() {
  using namespace templates;
  static const GroupTemplate* const kAll[] = {
      &kQuellfire,
      &kiSCSIPhysicalHBA,
      &kLogicalHBA,
      &kTarget,
      &kTargetPortal,
      &kSession,
      &kConnection,
      &kLUN,
      &kSendTargetPortal,
      &kiSNSServer,
      &kRouteTableEntry,
      &kARPTableEntry,
      &kNICPhysicalHBA,
      &kNICLogicalHBA,
      &kPortDiscoveryAndConfiguration,
      &kChannel,
      &kAdministratorPGSetting_PG,
      &kPeerPGSetting_PG,
      &kOperationalPGSettings_PG,
      &kAdministratorTLVSetting_ApplicationTLV,
      &kPeerTLVSetting_ApplicationTLV,
      &kOperationalTLVSettings_ApplicationTLV,
      &kProfile,
      &kProfile_Protocol,
      &kActiveProfile_Port,
      &kConfiguredProfile_Port,
      &kActiveProfile_Port_Function,
      &kConfiguredProfile_Port_Function,
      &kNCSIStaticConfiguration,
      &kNCSIDynamicConfiguration,
      &kExtFATMode,
      &kExtFATModule,
      &kEventLogEntry,
  };
  return kAll;
}

}  // namespace oxim
