// Group templates: physical ports (PortDiscoveryAndConfiguration) with their channels, 10GBASE-T
// and LLDP groups; the data center bridging groups are in dcb.cc.
#include "areas/dcb/catalogue.h"
#include "areas/port/catalogue.h"

namespace oxim::templates {

// clang-format off

// PortDiscoveryAndConfiguration (instanced, under Quellfire)
const PropertyTemplate kPortDiscoveryAndConfigurationProperties[] = {
    {.name = "PortNumber", .description = "The number of the port.", .default_value = "0"},
    {.name = "PortName", .description = "The name of the port.", .default_value = "N/A"},
    {.name = "PortState", .description = "Whether the port is enabled.",
     .flags = OXIM_FLAG_READ_WRITE, .handler = "handle_PortState", .data_type = OXIM_TYPE_LIST,
     .default_value = "Enabled", .valid_values = "Enabled,Disabled"},
    {.name = "PhysicalLinkStatus", .description = "The physical link state of the port.",
     .handler = "handle_PhysicalLinkStatus", .data_type = OXIM_TYPE_LIST,
     .default_value = "Unknown", .valid_values = "Up,Down,Unknown"},
    {.name = "PHYType", .description = "The type of the PHY of the port.",
     .handler = "handle_PHYType", .default_value = "N/A"},
    {.name = "InterfaceType", .description = "The type of the physical interface of the port.",
     .default_value = "N/A"},
    {.name = "BeaconState", .description = "Whether the beacon (the blinking port LED) is on.",
     .handler = "handle_BeaconState", .data_type = OXIM_TYPE_LIST, .default_value = "Enabled",
     .valid_values = "Enabled,Disabled,Not Supported"},
    {.name = "TXThrottle", .description = "The transmit throttle of the port (1 or 2 characters).",
     .flags = OXIM_FLAG_READ_WRITE, .handler = "handle_TXThrottle", .data_type = OXIM_TYPE_TEXT,
     .minimum = 1, .maximum = 2, .default_value = "2"},
    {.name = "FCoEWWPN", .description = "The FCoE world wide port name of the port.",
     .handler = "handle_FCoEWWPN", .default_value = "N/A"},
    {.name = "Mode",
     .description = "How the port speed is set: forced, auto-negotiated, or the default.",
     .handler = "handle_get_link_speed_properties", .data_type = OXIM_TYPE_LIST,
     .default_value = "Force", .valid_values = "Force,Auto-Negotiate,Default"},
    {.name = "ConfiguredSpeed", .description = "The configured speed of the port.",
     .handler = "handle_get_link_speed_properties", .data_type = OXIM_TYPE_LIST,
     .default_value = "All Supported Speeds",
     .valid_values = "All Supported Speeds,10Mb,100Mb,1Gb,10Gb,10Gb/1Gb,10Gb/1Gb/100Mb,1Gb/100Mb,"
         "1Gb/100Mb/10Mb,100Mb/10Mb,40Gb"},
    {.name = "DACCableLength",
     .description = "The length of the direct attach copper cable configured for the port.",
     .handler = "handle_get_link_speed_properties", .default_value = "0"},
    {.name = "ANSpeedsSupported",
     .description = "The speeds the port supports with auto-negotiation.",
     .data_type = OXIM_TYPE_LIST, .default_value = "0", .valid_values = "0,10Mb,100Mb,1Gb,10Gb"},
    {.name = "ForceSpeedsSupported", .description = "The speeds the port can be forced to.",
     .data_type = OXIM_TYPE_LIST, .default_value = "0", .valid_values = "0,10Mb,100Mb,1Gb,10Gb"},
    {.name = "TxFlowControl",
     .description = "Whether transmit flow control is enabled on the port.",
     .handler = "handle_flow_control_properties", .data_type = OXIM_TYPE_LIST,
     .default_value = "Enabled", .valid_values = "Enabled,Disabled"},
    {.name = "RxFlowControl", .description = "Whether receive flow control is enabled on the port.",
     .handler = "handle_flow_control_properties", .data_type = OXIM_TYPE_LIST,
     .default_value = "Enabled", .valid_values = "Enabled,Disabled"},
};
const CommandTemplate kPortDiscoveryAndConfigurationCommands[] = {
    {.name = "Beacon", .description = "Turns the beacon (the blinking port LED) on or off.",
     .handler = "do_Beacon",
     .params = {{.name = "BeaconDuration", .description = "How long the beacon blinks.",
                 .data_type = OXIM_TYPE_INTEGER, .minimum = 0, .maximum = 255},
                {.name = "StatusDuration",
                 .description = "How long the LED shows the port status afterwards.",
                 .data_type = OXIM_TYPE_INTEGER, .minimum = 0, .maximum = 255},
                {.name = "BeaconState",
                 .description = "Enabled to turn the beacon on, Disabled to turn it off.",
                 .required = true, .data_type = OXIM_TYPE_LIST,
                 .valid_values = "Enabled,Disabled"}}},
    {.name = "SetPortSpeed", .description = "Sets the speed of the port.",
     .handler = "do_SetPortSpeed",
     .params = {{.name = "Speed", .description = "The speed or speeds to use.",
                 .data_type = OXIM_TYPE_LIST,
                 .valid_values =
                     "10Mb,100Mb,1Gb,10Gb,10Gb/1Gb,10Gb/1Gb/100Mb,1Gb/100Mb,1Gb/100Mb/10Mb,"
                     "100Mb/10Mb,40Gb"},
                {.name = "Mode",
                 .description = "How the speed is set: forced, auto-negotiated, or the default.",
                 .required = true, .data_type = OXIM_TYPE_LIST,
                 .valid_values = "Force,Auto-Negotiate,Default"},
                {.name = "DACCableLength",
                 .description = "The length of the direct attach copper cable.",
                 .data_type = OXIM_TYPE_INTEGER, .minimum = 0, .maximum = 10}}},
    {.name = "DumpTransceiverData", .description = "Shows the data of the transceiver of the port.",
     .handler = "do_DumpTransceiverData",
     .params = {{.name = "WireAddress",
                 .description = "The two-wire address of the transceiver data to show.",
                 .required = true, .data_type = OXIM_TYPE_LIST, .valid_values = "A0,A2"}}},
    {.name = "ErasePortandDiscoveryConfiguration",
     .description = "Erases the port and discovery configuration of the port.",
     .handler = "do_ErasePortandDiscoveryConfiguration"},
};

// PortDiscoveryAndConfiguration/ChannelManagement
const GroupTemplate kPortDiscoveryAndConfiguration_ChannelManagement = {
    .name = "ChannelManagement", .description = "The channels of the port."};

// PortDiscoveryAndConfiguration/BaseT10G
const PropertyTemplate kBaseT10GProperties[] = {
    {.name = "10GBaseTDiagStatus", .description = "The diagnostic status of the 10GBASE-T PHY.",
     .handler = "handle_10GbaseT_properties", .default_value = "N/A"},
    {.name = "Temperature", .description = "The temperature of the PHY in degrees Celsius.",
     .handler = "handle_10GbaseT_properties", .default_value = "0"},
    {.name = "PHYLinkDownReason", .description = "Why the PHY last took the link down.",
     .handler = "handle_over_temperature", .default_value = "N/A"},
    {.name = "PairASNR", .description = "The signal-to-noise ratio of cable pair A.",
     .handler = "handle_10GbaseT_properties", .default_value = "0"},
    {.name = "PairBSNR", .description = "The signal-to-noise ratio of cable pair B.",
     .handler = "handle_10GbaseT_properties", .default_value = "0"},
    {.name = "PairCSNR", .description = "The signal-to-noise ratio of cable pair C.",
     .handler = "handle_10GbaseT_properties", .default_value = "0"},
    {.name = "PairDSNR", .description = "The signal-to-noise ratio of cable pair D.",
     .handler = "handle_10GbaseT_properties", .default_value = "0"},
    {.name = "TimeSinceLinkHigh", .description = "The time since the link came up, high word.",
     .handler = "handle_10GbaseT_properties", .default_value = "0"},
    {.name = "TimeSinceLinkLow", .description = "The time since the link came up, low word.",
     .handler = "handle_10GbaseT_properties", .default_value = "0"},
    {.name = "AverageMSEPairA", .description = "The average mean squared error of cable pair A.",
     .handler = "handle_10GbaseT_properties", .default_value = "0"},
    {.name = "AverageMSEPairB", .description = "The average mean squared error of cable pair B.",
     .handler = "handle_10GbaseT_properties", .default_value = "0"},
    {.name = "AverageMSEPairC", .description = "The average mean squared error of cable pair C.",
     .handler = "handle_10GbaseT_properties", .default_value = "0"},
    {.name = "AverageMSEPairD", .description = "The average mean squared error of cable pair D.",
     .handler = "handle_10GbaseT_properties", .default_value = "0"},
    {.name = "LDPCFrameHigh", .description = "The number of LDPC frames, high word.",
     .handler = "handle_10GbaseT_properties", .default_value = "0"},
    {.name = "LDPCFrameLow", .description = "The number of LDPC frames, low word.",
     .handler = "handle_10GbaseT_properties", .default_value = "0"},
    {.name = "PHYCRC8High", .description = "The number of PHY CRC-8 errors, high word.",
     .handler = "handle_10GbaseT_properties", .default_value = "0"},
    {.name = "PHYCRC8Low", .description = "The number of PHY CRC-8 errors, low word.",
     .handler = "handle_10GbaseT_properties", .default_value = "0"},
    {.name = "MDIPLLEventCounter", .description = "The number of MDI PLL events.",
     .handler = "handle_10GbaseT_properties", .default_value = "0"},
    {.name = "10GEMIEventCounter", .description = "The number of 10G EMI events.",
     .handler = "handle_10GbaseT_properties", .default_value = "0"},
    {.name = "PHYFrameCounter", .description = "The number of frames the PHY handled.",
     .handler = "handle_10GbaseT_properties", .default_value = "0"},
    {.name = "SelfTestResult", .description = "The result of the last self test.",
     .default_value = "N/A"},
    {.name = "PairAResult", .description = "The result of the last cable test on pair A.",
     .default_value = "N/A"},
    {.name = "PairBResult", .description = "The result of the last cable test on pair B.",
     .default_value = "N/A"},
    {.name = "PairCResult", .description = "The result of the last cable test on pair C.",
     .default_value = "N/A"},
    {.name = "PairDResult", .description = "The result of the last cable test on pair D.",
     .default_value = "N/A"},
    {.name = "PairALengthEstimation",
     .description = "The estimated length of cable pair A from the last cable test.",
     .default_value = "0"},
    {.name = "PairBLengthEstimation",
     .description = "The estimated length of cable pair B from the last cable test.",
     .default_value = "0"},
    {.name = "PairCLengthEstimation",
     .description = "The estimated length of cable pair C from the last cable test.",
     .default_value = "0"},
    {.name = "PairDLengthEstimation",
     .description = "The estimated length of cable pair D from the last cable test.",
     .default_value = "0"},
    {.name = "NVPValue",
     .description =
         "The nominal velocity of propagation of the cable, in percent, used by the cable test.",
     .flags = OXIM_FLAG_READ_WRITE, .handler = "handle_10baseT_nvpvalue",
     .data_type = OXIM_TYPE_TEXT, .minimum = 0, .maximum = 100, .default_value = "72"},
    {.name = "NVPUsed",
     .description = "The nominal velocity of propagation used by the last cable test.",
     .default_value = "0"},
    {.name = "IsClearCountersSupported", .description = "Whether the PHY counters can be cleared.",
     .data_type = OXIM_TYPE_LIST, .default_value = "True", .valid_values = "True,False"},
};
const CommandTemplate kBaseT10GCommands[] = {
    {.name = "SelfTest", .description = "Runs a self test of the PHY on the given cable pairs.",
     .handler = "do_SelfTest",
     .params = {{.name = "TestType", .description = "The kind of test.",
                 .required = true, .data_type = OXIM_TYPE_LIST,
                 .valid_values = "Noise,NonLinear,CrossTalk"},
                {.name = "SourceCable", .description = "The cable pair that sends.",
                 .required = true, .data_type = OXIM_TYPE_LIST,
                 .valid_values = "PairA,PairB,PairC,PairD"},
                {.name = "TargetCable", .description = "The cable pair that receives.",
                 .data_type = OXIM_TYPE_LIST, .valid_values = "PairA,PairB,PairC,PairD"}}},
    {.name = "RunTDR",
     .description = "Runs a time-domain reflectometry cable test on all four pairs.",
     .handler = "do_RunTDR"},
    {.name = "ClearCounters", .description = "Clears the counters of the PHY.",
     .handler = "do_ClearCounters"},
};
const GroupTemplate kBaseT10G = {
    .name = "BaseT10G",
    .description = "The 10GBASE-T PHY of the port: its statistics and cable tests.",
    .properties = kBaseT10GProperties, .commands = kBaseT10GCommands};

// PortDiscoveryAndConfiguration/LLDP

// PortDiscoveryAndConfiguration/LLDP/LocalConfiguration
const PropertyTemplate kLocalConfigurationProperties[] = {
    {.name = "TxState", .description = "Whether the port sends LLDP frames.",
     .flags = OXIM_FLAG_READ_WRITE, .handler = "handle_LLDP_properties",
     .data_type = OXIM_TYPE_LIST, .default_value = "Enabled", .valid_values = "Enabled,Disabled"},
    {.name = "RxState", .description = "Whether the port receives LLDP frames.",
     .flags = OXIM_FLAG_READ_WRITE, .handler = "handle_LLDP_properties",
     .data_type = OXIM_TYPE_LIST, .default_value = "Enabled", .valid_values = "Enabled,Disabled"},
    {.name = "PortDescriptionTLV",
     .description = "Whether the port announces its port description.",
     .flags = OXIM_FLAG_READ_WRITE, .handler = "handle_LLDP_properties",
     .data_type = OXIM_TYPE_LIST, .default_value = "Enabled", .valid_values = "Enabled,Disabled"},
    {.name = "SystemDescriptionTLV",
     .description = "Whether the port announces the system description.",
     .flags = OXIM_FLAG_READ_WRITE, .handler = "handle_LLDP_properties",
     .data_type = OXIM_TYPE_LIST, .default_value = "Enabled", .valid_values = "Enabled,Disabled"},
    {.name = "SystemNameTLV", .description = "Whether the port announces the system name.",
     .flags = OXIM_FLAG_READ_WRITE, .handler = "handle_LLDP_properties",
     .data_type = OXIM_TYPE_LIST, .default_value = "Enabled", .valid_values = "Enabled,Disabled"},
    {.name = "SystemCapabilitiesTLV",
     .description = "Whether the port announces the system capabilities.",
     .flags = OXIM_FLAG_READ_WRITE, .handler = "handle_LLDP_properties",
     .data_type = OXIM_TYPE_LIST, .default_value = "Enabled", .valid_values = "Enabled,Disabled"},
    {.name = "ChassisId", .description = "The chassis ID the port announces.",
     .handler = "handle_LLDP_properties", .default_value = "N/A"},
    {.name = "ChassisType", .description = "The kind of chassis ID the port announces.",
     .handler = "handle_LLDP_properties", .data_type = OXIM_TYPE_LIST, .default_value = "Unknown",
     .valid_values = "Chasis Component,Interface Alias,Port Component,MAC Address,Network Address,"
         "Interface Name,Locally Assigned,Unknown"},
    {.name = "PortId", .description = "The port ID the port announces.",
     .handler = "handle_LLDP_properties", .default_value = "N/A"},
    {.name = "PortType", .description = "The kind of port ID the port announces.",
     .handler = "handle_LLDP_properties", .data_type = OXIM_TYPE_LIST, .default_value = "Unknown",
     .valid_values = "Interface Alias,Port Component,MAC Address,Network Address,Interface Name,"
         "Agent Circuit Id,Locally Assigned,Unknown"},
    {.name = "PortDescription", .description = "The port description the port announces.",
     .handler = "handle_LLDP_properties", .default_value = "N/A"},
    {.name = "SystemName", .description = "The system name the port announces.",
     .handler = "handle_LLDP_properties", .default_value = "N/A"},
    {.name = "SystemDescription", .description = "The system description the port announces.",
     .handler = "handle_LLDP_properties", .default_value = "N/A"},
    {.name = "SystemCapabilities", .description = "The system capabilities the port announces.",
     .handler = "handle_LLDP_properties", .data_type = OXIM_TYPE_LIST, .default_value = "Unknown",
     .valid_values = "Other,Repeater,Bridge,WLAN,Router,Telephone,Docsis,Station,Unknown"},
    {.name = "TTL",
     .description = "How long, in seconds, the information the port announces stays valid.",
     .handler = "handle_LLDP_properties", .default_value = "0"},
};
const GroupTemplate kLocalConfiguration = {
    .name = "LocalConfiguration",
    .description = "The LLDP settings of the port and what it announces.",
    .properties = kLocalConfigurationProperties};

// PortDiscoveryAndConfiguration/LLDP/PeerConfiguration
const PropertyTemplate kPeerConfigurationProperties[] = {
    {.name = "ChassisId", .description = "The chassis ID the link peer announces.",
     .handler = "handle_LLDP_properties", .default_value = "N/A"},
    {.name = "ChassisType", .description = "The kind of chassis ID the link peer announces.",
     .handler = "handle_LLDP_properties", .data_type = OXIM_TYPE_LIST, .default_value = "Unknown",
     .valid_values = "Chasis Component,Interface Alias,Port Component,MAC Address,Network Address,"
         "Interface Name,Locally Assigned,Unknown"},
    {.name = "PortId", .description = "The port ID the link peer announces.",
     .handler = "handle_LLDP_properties", .default_value = "N/A"},
    {.name = "PortType", .description = "The kind of port ID the link peer announces.",
     .handler = "handle_LLDP_properties", .data_type = OXIM_TYPE_LIST, .default_value = "Unknown",
     .valid_values = "Interface Alias,Port Component,MAC Address,Network Address,Interface Name,"
         "Agent Circuit Id,Locally Assigned,Unknown"},
    {.name = "PortDescription", .description = "The port description the link peer announces.",
     .handler = "handle_LLDP_properties", .default_value = "N/A"},
    {.name = "SystemName", .description = "The system name the link peer announces.",
     .handler = "handle_LLDP_properties", .default_value = "N/A"},
    {.name = "SystemDescription", .description = "The system description the link peer announces.",
     .handler = "handle_LLDP_properties", .default_value = "N/A"},
    {.name = "SystemCapabilities",
     .description = "The system capabilities the link peer announces.",
     .handler = "handle_LLDP_properties", .data_type = OXIM_TYPE_LIST, .default_value = "Unknown",
     .valid_values = "Other,Repeater,Bridge,WLAN,Router,Telephone,Docsis,Station,Unknown"},
    {.name = "TTL",
     .description = "How long, in seconds, the information the link peer announces stays valid.",
     .handler = "handle_LLDP_properties", .default_value = "0"},
};
const GroupTemplate kPeerConfiguration = {
    .name = "PeerConfiguration",
    .description = "What the link peer of the port announces over LLDP.",
    .properties = kPeerConfigurationProperties};

// PortDiscoveryAndConfiguration/LLDP/LLDPStatistics
const PropertyTemplate kLLDPStatisticsProperties[] = {
    {.name = "TxPacketCount", .description = "The number of LLDP frames sent.",
     .handler = "handle_lldp_stats_props", .default_value = "0"},
    {.name = "RxPacketCount", .description = "The number of LLDP frames received.",
     .handler = "handle_lldp_stats_props", .default_value = "0"},
    {.name = "UnrecognizedTLVs",
     .description = "The number of unrecognized TLVs received in LLDP frames.",
     .handler = "handle_lldp_stats_props", .default_value = "0"},
    {.name = "NumPacketsDropped", .description = "The number of received LLDP frames dropped.",
     .handler = "handle_lldp_stats_props", .default_value = "0"},
    {.name = "OrganizationalTLVCount",
     .description = "The number of organizational TLVs received in LLDP frames.",
     .handler = "handle_lldp_stats_props", .default_value = "0"},
};
const GroupTemplate kLLDPStatistics = {
    .name = "LLDPStatistics", .description = "The LLDP counters of the port.",
    .properties = kLLDPStatisticsProperties};

// PortDiscoveryAndConfiguration/LLDP: fixed groups, then the group
const GroupTemplate* const kLLDPSubgroups[] = {
    &kLocalConfiguration, &kPeerConfiguration, &kLLDPStatistics};
const GroupTemplate kLLDP = {
    .name = "LLDP",
    .description = "The LLDP settings, peer information and statistics of the port.",
    .subgroups = kLLDPSubgroups};

// PortDiscoveryAndConfiguration: fixed groups, then the group
const GroupTemplate* const kPortDiscoveryAndConfigurationSubgroups[] = {
    &kPortDiscoveryAndConfiguration_ChannelManagement, &kBaseT10G, &kLLDP, &kDCBX};
const GroupTemplate kPortDiscoveryAndConfiguration = {
    .name = "PortDiscoveryAndConfiguration",
    .template_name = "initialize_PortDiscoveryAndConfiguration",
    .description = "A physical port of the controller: link, LLDP and data center bridging.",
    .maximum = 4, .parent = "Quellfire", .properties = kPortDiscoveryAndConfigurationProperties,
    .commands = kPortDiscoveryAndConfigurationCommands,
    .subgroups = kPortDiscoveryAndConfigurationSubgroups};

// Channel (instanced, under PortDiscoveryAndConfiguration/ChannelManagement)
const PropertyTemplate kChannelProperties[] = {
    {.name = "FunctionNumber", .description = "The PCI function number of the channel.",
     .default_value = "0"},
    {.name = "Type", .description = "The protocol of the channel.", .default_value = "N/A"},
    {.name = "vNICName", .description = "The name of the virtual NIC of the channel.",
     .handler = "handle_channel_vnic_name", .default_value = "N/A"},
    {.name = "LogicalLinkState",
     .description = "Whether the logical link of the channel is enabled.",
     .flags = OXIM_FLAG_READ_WRITE, .handler = "handle_LogicalLinkState",
     .data_type = OXIM_TYPE_LIST, .default_value = "Disabled", .valid_values = "Enabled,Disabled"},
    {.name = "MACAddress", .description = "The MAC address of the channel.",
     .default_value = "00:00:00:00:00:00"},
    {.name = "LPVID", .description = "The LPVID (default VLAN ID) of the channel.",
     .flags = OXIM_FLAG_READ_WRITE, .handler = "handle_LPVID", .data_type = OXIM_TYPE_INTEGER,
     .minimum = 0, .maximum = 4094, .default_value = "2"},
    {.name = "OuterVLANID", .description = "The outer VLAN ID of the channel.",
     .handler = "handle_channel_outer_vlan", .default_value = "0"},
    {.name = "MinBandWidth",
     .description = "The minimum bandwidth of the channel, in percent of the port bandwidth.",
     .handler = "handle_MinBandWidth", .default_value = "0"},
    {.name = "MaxBandWidth",
     .description = "The maximum bandwidth of the channel, in percent of the port bandwidth.",
     .handler = "handle_MaxBandWidth", .default_value = "0"},
};
const CommandTemplate kChannelCommands[] = {
    {.name = "ConfigureQoS",
     .description = "Sets the minimum and maximum bandwidth of the channel.",
     .handler = "do_ConfigureQoS",
     .params = {{.name = "MinBandwidth",
                 .description = "The minimum bandwidth, in percent of the port bandwidth.",
                 .required = true, .data_type = OXIM_TYPE_INTEGER, .minimum = 0, .maximum = 100},
                {.name = "MaxBandwidth",
                 .description = "The maximum bandwidth, in percent of the port bandwidth.",
                 .required = true, .data_type = OXIM_TYPE_INTEGER, .minimum = 0, .maximum = 100}}},
};
const GroupTemplate kChannel = {
    .name = "Channel", .template_name = "initialize_Channel",
    .description = "A channel of the port with its bandwidth and VLAN.",
    .maximum = 16, .parent = "ChannelManagement", .properties = kChannelProperties,
    .commands = kChannelCommands};

// clang-format on

}  // namespace oxim::templates
