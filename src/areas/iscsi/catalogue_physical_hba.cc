// Group templates: The iSCSI function (iSCSIPhysicalHBA) with its driver, network, VPD, PCI and
// iSNS groups.
#include "areas/iscsi/catalogue.h"

namespace oxim::templates {
namespace {

// The fixed groups of an iSCSI function, defined below in the order in which
// the function's template creates them.
extern const GroupTemplate kiSCSIPhysicalHBA_Driver;
extern const GroupTemplate kiSCSIPhysicalHBA_Network;
extern const GroupTemplate kTCPIPConfiguration;
extern const GroupTemplate kRouteTable;
extern const GroupTemplate kARPTable;
extern const GroupTemplate kIPv6Configuration;
extern const GroupTemplate kNICConfiguration;
extern const GroupTemplate kiSCSIPhysicalHBA_vNIC;
extern const GroupTemplate kiSCSIPhysicalHBA_VPD;
extern const GroupTemplate kiSCSIPhysicalHBA_PCI;
extern const GroupTemplate kiSNS;

}  // namespace

// clang-format off

// iSCSIPhysicalHBA (instanced, under Quellfire)
const PropertyTemplate kiSCSIPhysicalHBAProperties[] = {
    {.name = "iSCSIBIOSEnable",
     .description = "Whether the iSCSI boot BIOS of this function runs when the system starts "
                    "(Yes) or not (No).",
     .flags = OXIM_FLAG_READ_WRITE, .handler = "handle_iSCSIBIOSEnable",
     .data_type = OXIM_TYPE_LIST, .default_value = "Yes", .valid_values = "Yes,No"},
    {.name = "PortNumber",
     .description = "The number of the physical port of the controller that this iSCSI function "
                    "uses.",
     .default_value = "0"},
    {.name = "iSCSIVersionMin",
     .description = "The lowest iSCSI protocol version that the function supports.",
     .default_value = "0"},
    {.name = "iSCSIVersionMax",
     .description = "The highest iSCSI protocol version that the function supports.",
     .default_value = "0"},
    {.name = "MaxCDBLength",
     .description = "The longest SCSI command descriptor block, in bytes, that the function "
                    "accepts.",
     .default_value = "0"},
    {.name = "LDTO",
     .description = "The link down time-out in seconds: how long the function waits for a lost "
                    "link to return before it reports its targets unavailable.",
     .default_value = "0"},
    {.name = "DefaultETO",
     .description = "The default extended time-out in seconds that targets get unless their own "
                    "ETO is set.",
     .default_value = "0"},
};
const CommandTemplate kiSCSIPhysicalHBACommands[] = {
    {.name = "EraseConfiguration",
     .description = "Erases the iSCSI configuration of this function: user routes, iSNS "
                    "settings, the configuration held in the adapter's flash, the default "
                    "gateway, SendTarget portals, saved targets and the initiator's login "
                    "options. All sessions must be logged out first. Reboot the system for the "
                    "change to take effect.",
     .handler = "do_EraseConfiguration",
     .params = {{.name = "LogicalHBAInstanceNumber",
                 .description = "The instance number of the logical HBA whose configuration is "
                                "erased.",
                 .data_type = OXIM_TYPE_INTEGER, .minimum = 0, .maximum = 0}}},
};
const GroupTemplate* const kiSCSIPhysicalHBASubgroups[] = {
    &kiSCSIPhysicalHBA_Driver, &kiSCSIPhysicalHBA_Network, &kiSCSIPhysicalHBA_VPD,
    &kiSCSIPhysicalHBA_PCI, &kiSNS,
};
const GroupTemplate kiSCSIPhysicalHBA = {
    .name = "iSCSIPhysicalHBA", .template_name = "initialize_iSCSIPhysicalHBA",
    .description = "An iSCSI function of the controller (hardware iSCSI initiator).",
    .maximum = 8, .parent = "Quellfire",
    .properties = kiSCSIPhysicalHBAProperties, .commands = kiSCSIPhysicalHBACommands,
    .subgroups = kiSCSIPhysicalHBASubgroups};

namespace {

// iSCSIPhysicalHBA/Driver
const PropertyTemplate kiSCSIPhysicalHBA_DriverProperties[] = {
    {.name = "DriverName",
     .description = "The name of the host driver that serves this iSCSI function.",
     .default_value = "N/A"},
    {.name = "DriverVersion",
     .description = "The version of the host driver that serves this iSCSI function.",
     .default_value = "N/A"},
};
const GroupTemplate kiSCSIPhysicalHBA_Driver = {
    .name = "Driver",
    .description = "The host driver of the iSCSI function.",
    .properties = kiSCSIPhysicalHBA_DriverProperties};

// iSCSIPhysicalHBA/Network
const GroupTemplate* const kiSCSIPhysicalHBA_NetworkSubgroups[] = {
    &kTCPIPConfiguration, &kNICConfiguration,
};
const GroupTemplate kiSCSIPhysicalHBA_Network = {
    .name = "Network",
    .description = "The network settings of the iSCSI function: its IP stack and its network "
                   "interface.",
    .subgroups = kiSCSIPhysicalHBA_NetworkSubgroups};

// iSCSIPhysicalHBA/Network/TCPIPConfiguration
const PropertyTemplate kTCPIPConfigurationProperties[] = {
    {.name = "VLANId",
     .description = "The VLAN ID with which the function's iSCSI traffic is tagged.",
     .handler = "handle_tcpip_properties",
     .default_value = "0"},
    {.name = "Priority",
     .description = "The VLAN priority (0 to 7) of the function's iSCSI traffic.",
     .handler = "handle_tcpip_properties",
     .default_value = "0"},
    {.name = "VLANEnabled",
     .description = "Whether the function's iSCSI traffic is tagged with a VLAN.",
     .handler = "handle_tcpip_properties",
     .data_type = OXIM_TYPE_LIST, .default_value = "True", .valid_values = "True,Flase"},
    {.name = "InitiatorIPAddress",
     .description = "The IPv4 address of the iSCSI initiator.",
     .handler = "handle_tcpip_properties",
     .default_value = "0.0.0.0"},
    {.name = "InitiatorSubnetMask",
     .description = "The IPv4 subnet mask of the iSCSI initiator.",
     .handler = "handle_tcpip_properties",
     .default_value = "0.0.0.0"},
    {.name = "DefaultGateway",
     .description = "The IPv4 default gateway of the iSCSI initiator.",
     .flags = OXIM_FLAG_READ_WRITE, .handler = "handle_DefaultGateway",
     .data_type = OXIM_TYPE_IP_ADDRESS, .default_value = "0.0.0.0"},
    {.name = "DHCPEnabled",
     .description = "Whether the initiator obtains its IPv4 address through DHCP.",
     .handler = "handle_tcpip_properties",
     .data_type = OXIM_TYPE_LIST, .default_value = "True", .valid_values = "True,False"},
};
const CommandTemplate kTCPIPConfigurationCommands[] = {
    {.name = "DeleteDefaultGateway",
     .description = "Removes the IPv4 default gateway of the initiator.",
     .handler = "do_DeleteDefaultGateway"},
    {.name = "DHCPEnable",
     .description = "Makes the initiator obtain its IPv4 address, subnet mask and gateway "
                    "through DHCP.",
     .handler = "do_DHCPEnable"},
    {.name = "DHCPDisable",
     .description = "Stops DHCP; the initiator then uses a static IPv4 address.",
     .handler = "do_DHCPDisable"},
    {.name = "ConfigureIPAddress",
     .description = "Gives the initiator a static IPv4 address and subnet mask.",
     .handler = "do_ConfigureIPAddress",
     .params = {{.name = "IPAddress",
                 .description = "The IPv4 address, in dotted decimal form.",
                 .required = true, .data_type = OXIM_TYPE_TEXT, .minimum = 0, .maximum = 16},
                {.name = "SubnetMask",
                 .description = "The subnet mask, in dotted decimal form.",
                 .required = true, .data_type = OXIM_TYPE_TEXT, .minimum = 0, .maximum = 16}}},
    {.name = "ConfigureVLAN",
     .description = "Tags the function's iSCSI traffic with a VLAN ID and priority.",
     .handler = "do_ConfigureVLAN",
     .params = {{.name = "VLANId",
                 .description = "The VLAN ID (0 to 4094).",
                 .required = true, .data_type = OXIM_TYPE_INTEGER, .minimum = 0, .maximum = 4094},
                {.name = "Priority",
                 .description = "The VLAN priority (0 to 7).",
                 .data_type = OXIM_TYPE_INTEGER, .minimum = 0, .maximum = 7}}},
    {.name = "VLANDisable",
     .description = "Stops tagging the function's iSCSI traffic with a VLAN.",
     .handler = "do_VLANDisable"},
    {.name = "Ping",
     .description = "Sends an ICMP echo request from the initiator to an IPv4 address and reports "
                    "whether it was answered.",
     .handler = "do_Ping",
     .params = {{.name = "IPAddress",
                 .description = "The IPv4 address to ping.",
                 .required = true, .data_type = OXIM_TYPE_IP_ADDRESS}}},
};
const GroupTemplate* const kTCPIPConfigurationSubgroups[] = {
    &kRouteTable, &kARPTable, &kIPv6Configuration,
};
const GroupTemplate kTCPIPConfiguration = {
    .name = "TCPIPConfiguration",
    .description = "The IP settings of the iSCSI initiator: addresses, VLAN, gateway, routes and "
                   "ARP entries.",
    .properties = kTCPIPConfigurationProperties, .commands = kTCPIPConfigurationCommands,
    .subgroups = kTCPIPConfigurationSubgroups};

// iSCSIPhysicalHBA/Network/TCPIPConfiguration/RouteTable
const CommandTemplate kRouteTableCommands[] = {
    {.name = "AddRouteTableEntry",
     .description = "Adds a static route to the function's IP stack.",
     .handler = "do_AddRouteTableEntry",
     .params = {{.name = "Destination",
                 .description = "The address of the destination network or host.",
                 .required = true, .data_type = OXIM_TYPE_IP_ADDRESS},
                {.name = "SubnetMask",
                 .description = "The subnet mask of the destination.",
                 .required = true, .data_type = OXIM_TYPE_SUBNET_MASK},
                {.name = "Gateway",
                 .description = "The gateway through which the destination is reached.",
                 .required = true, .data_type = OXIM_TYPE_IP_ADDRESS}}},
    {.name = "DeleteRouteTableEntry",
     .description = "Deletes a route of the function's IP stack.",
     .handler = "do_DeleteRouteTableEntry",
     .params = {{.name = "InstanceNumber",
                 .description = "The instance number of the RouteTableEntry to delete.",
                 .required = true, .data_type = OXIM_TYPE_INTEGER, .minimum = 0, .maximum = 1023}}},
    {.name = "RefreshRouteTableEntry",
     .description = "Reads the route table of the function again.",
     .handler = "do_RefreshRouteTableEntry"},
};
const GroupTemplate kRouteTable = {
    .name = "RouteTable",
    .description = "The routes of the iSCSI function's IP stack.",
    .commands = kRouteTableCommands};

// iSCSIPhysicalHBA/Network/TCPIPConfiguration/ARPTable
const CommandTemplate kARPTableCommands[] = {
    {.name = "AddARPTableEntry",
     .description = "Adds a static entry to the function's ARP table.",
     .handler = "do_AddARPTableEntry",
     .params = {{.name = "IPAddress",
                 .description = "The IPv4 address of the entry.",
                 .required = true, .data_type = OXIM_TYPE_IP_ADDRESS},
                {.name = "MACAddress",
                 .description = "The MAC address of the entry, as six hexadecimal byte pairs "
                                "separated by colons.",
                 .required = true, .data_type = OXIM_TYPE_TEXT, .minimum = 17, .maximum = 17}}},
    {.name = "DeleteARPTableEntry",
     .description = "Deletes an entry of the function's ARP table.",
     .handler = "do_DeleteARPTableEntry",
     .params = {{.name = "InstanceNumber",
                 .description = "The instance number of the ARPTableEntry to delete.",
                 .required = true, .data_type = OXIM_TYPE_INTEGER, .minimum = 0, .maximum = 63}}},
    {.name = "RefreshARPTableEntry",
     .description = "Reads the ARP table of the function again.",
     .handler = "do_RefreshARPTableEntry"},
};
const GroupTemplate kARPTable = {
    .name = "ARPTable",
    .description = "The ARP table of the iSCSI function's IP stack.",
    .commands = kARPTableCommands};

// iSCSIPhysicalHBA/Network/TCPIPConfiguration/IPv6Configuration
const PropertyTemplate kIPv6ConfigurationProperties[] = {
    {.name = "IPv6State",
     .description = "How the initiator gets its IPv6 addresses: AutoAssign, Static, or N/A when "
                    "IPv6 is not in use.",
     .handler = "handle_IPv6State",
     .data_type = OXIM_TYPE_LIST, .default_value = "N/A", .valid_values = "N/A,AutoAssign,Static"},
    {.name = "InitiatorLinkLocalAddress",
     .description = "The IPv6 link-local address of the initiator.",
     .handler = "handle_InitiatorLinkLocalAddress",
     .default_value = "::"},
    {.name = "InitiatorRoutableAddress1",
     .description = "The first routable IPv6 address of the initiator.",
     .handler = "handle_InitiatorLinkLocalAddress",
     .default_value = "::"},
    {.name = "InitiatorRoutableAddress2",
     .description = "The second routable IPv6 address of the initiator.",
     .handler = "handle_InitiatorLinkLocalAddress",
     .default_value = "::"},
    {.name = "DefaultIPv6Gateway",
     .description = "The IPv6 default gateway of the initiator.",
     .flags = OXIM_FLAG_READ_WRITE, .handler = "handle_DefaultIPv6Gateway",
     .data_type = OXIM_TYPE_TEXT, .minimum = 1, .maximum = 50, .default_value = "fe80::0"},
};
const CommandTemplate kIPv6ConfigurationCommands[] = {
    {.name = "DeleteDefaultIPv6Gateway",
     .description = "Removes the IPv6 default gateway of the initiator.",
     .handler = "do_DeleteDefaultIPv6Gateway"},
    {.name = "AutoAssignEnable",
     .description = "Makes the initiator obtain its IPv6 addresses automatically.",
     .handler = "do_AutoAssignEnable",
     .params = {{.name = "Type",
                 .description = "Auto for stateless address autoconfiguration, DHCP for DHCPv6.",
                 .required = true, .data_type = OXIM_TYPE_LIST, .valid_values = "Auto,DHCP"}}},
    {.name = "AutoAssignDisable",
     .description = "Stops the automatic assignment of IPv6 addresses; the initiator then uses "
                    "static addresses.",
     .handler = "do_AutoAssignDisable"},
    {.name = "ConfigureIPv6Address",
     .description = "Gives the initiator a static IPv6 address.",
     .handler = "do_ConfigureIPv6Address",
     .params = {{.name = "AddressType",
                 .description = "The address to set: 0 the link-local address, 1 the first "
                                "routable address, 2 the second routable address.",
                 .required = true, .data_type = OXIM_TYPE_LIST, .valid_values = "0,1,2"},
                {.name = "IPAddress",
                 .description = "The IPv6 address.",
                 .required = true, .data_type = OXIM_TYPE_TEXT, .minimum = 1, .maximum = 50}}},
};
const GroupTemplate kIPv6Configuration = {
    .name = "IPv6Configuration",
    .description = "The IPv6 settings of the iSCSI initiator.",
    .properties = kIPv6ConfigurationProperties, .commands = kIPv6ConfigurationCommands};

// iSCSIPhysicalHBA/Network/NICConfiguration
const PropertyTemplate kNICConfigurationProperties[] = {
    {.name = "PortSpeed",
     .description = "The speed at which the port's link currently runs.",
     .handler = "handle_portspeed",
     .data_type = OXIM_TYPE_LIST, .default_value = "0 (Link Down)",
     .valid_values = "0 (Link Down),less than 1Mb,less than 1Gb,1Gb,10Gb,20Gb,25Gb,40Gb,100Gb"},
    {.name = "PortMaxSpeed",
     .description = "The highest speed that the port supports.",
     .handler = "handle_NICprop",
     .data_type = OXIM_TYPE_LIST, .default_value = "Unknown",
     .valid_values = "Unknown,less than 1Mb,less than 1Gb,1Gb,10Gb"},
    {.name = "MaxMTUSize",
     .description = "The largest MTU, in bytes, that the function supports.",
     .handler = "handle_NICprop",
     .default_value = "0"},
    {.name = "LogicalLinkStatus",
     .description = "Whether the function's logical link is up or down.",
     .handler = "handle_logical_link_status",
     .data_type = OXIM_TYPE_LIST, .default_value = "Unknown", .valid_values = "Up,Down,Unknown"},
    {.name = "ActivePort",
     .description = "The physical port that currently carries the function's traffic.",
     .handler = "handle_activeport",
     .data_type = OXIM_TYPE_LIST, .default_value = "None", .valid_values = "Port 0,Port 1,None"},
    {.name = "MACAddress",
     .description = "The MAC address that the function currently uses.",
     .handler = "handle_iSCSIPhysicalHBA_Network_NICConfiguration_MACAddress",
     .default_value = "00:00:00:00:00:00"},
    {.name = "PermanentMACAddress",
     .description = "The MAC address stored in the adapter for this function, as six hexadecimal "
                    "byte pairs separated by colons.",
     .flags = OXIM_FLAG_READ_WRITE,
     .handler = "handle_iSCSIPhysicalHBA_Network_NICConfiguration_PermanentMACAddress",
     .data_type = OXIM_TYPE_TEXT, .minimum = 17, .maximum = 17,
     .default_value = "00:00:00:00:00:00"},
    {.name = "FactoryDefaultMACAddress",
     .description = "The MAC address that the function was given in the factory.",
     .default_value = "00:00:00:00:00:00"},
};
const CommandTemplate kNICConfigurationCommands[] = {
    {.name = "RefreshNICConfig",
     .description = "Reads the function's network parameters and MAC addresses again.",
     .handler = "do_RefreshNICConfig"},
};
const GroupTemplate* const kNICConfigurationSubgroups[] = {
    &kiSCSIPhysicalHBA_vNIC,
};
const GroupTemplate kNICConfiguration = {
    .name = "NICConfiguration",
    .description = "The network interface of the iSCSI function: link, speed and MAC addresses.",
    .properties = kNICConfigurationProperties, .commands = kNICConfigurationCommands,
    .subgroups = kNICConfigurationSubgroups};

// iSCSIPhysicalHBA/Network/NICConfiguration/vNIC
const PropertyTemplate kiSCSIPhysicalHBA_vNICProperties[] = {
    {.name = "vNICEnabled",
     .description = "Whether the function runs as a virtual NIC channel of its port.",
     .handler = "handle_iscsi_vnic_name_props",
     .data_type = OXIM_TYPE_LIST, .default_value = "True", .valid_values = "True,Flase"},
    {.name = "vNICName",
     .description = "The name of the virtual NIC channel.",
     .handler = "handle_iscsi_vnic_name_props",
     .default_value = "N/A"},
    {.name = "OuterVLANID",
     .description = "The outer VLAN ID of the virtual NIC channel.",
     .handler = "handle_iscsi_vnic_stats",
     .default_value = "0"},
    {.name = "MinBandwidth",
     .description = "The bandwidth guaranteed to the virtual NIC channel, in percent of the "
                    "port's bandwidth.",
     .handler = "handle_iscsi_vnic_stats",
     .default_value = "0"},
    {.name = "MaxBandwidth",
     .description = "The bandwidth that the virtual NIC channel may use at most, in percent of the "
                    "port's bandwidth.",
     .handler = "handle_iscsi_vnic_stats",
     .default_value = "0"},
};
const GroupTemplate kiSCSIPhysicalHBA_vNIC = {
    .name = "vNIC",
    .description = "The virtual NIC channel of the iSCSI function.",
    .properties = kiSCSIPhysicalHBA_vNICProperties};

// iSCSIPhysicalHBA/VPD
const PropertyTemplate kiSCSIPhysicalHBA_VPDProperties[] = {
    {.name = "VPDData0", .description = "Line 0 of the function's vital product data.",
     .default_value = "N/A"},
    {.name = "VPDData1", .description = "Line 1 of the function's vital product data.",
     .default_value = "N/A"},
    {.name = "VPDData2", .description = "Line 2 of the function's vital product data.",
     .default_value = "N/A"},
    {.name = "VPDData3", .description = "Line 3 of the function's vital product data.",
     .default_value = "N/A"},
    {.name = "VPDData4", .description = "Line 4 of the function's vital product data.",
     .default_value = "N/A"},
    {.name = "VPDData5", .description = "Line 5 of the function's vital product data.",
     .default_value = "N/A"},
    {.name = "VPDData6", .description = "Line 6 of the function's vital product data.",
     .default_value = "N/A"},
    {.name = "VPDData7", .description = "Line 7 of the function's vital product data.",
     .default_value = "N/A"},
    {.name = "VPDData8", .description = "Line 8 of the function's vital product data.",
     .default_value = "N/A"},
};
const GroupTemplate kiSCSIPhysicalHBA_VPD = {
    .name = "VPD",
    .description = "The vital product data of the iSCSI function.",
    .properties = kiSCSIPhysicalHBA_VPDProperties};

// iSCSIPhysicalHBA/PCI
const PropertyTemplate kiSCSIPhysicalHBA_PCIProperties[] = {
    {.name = "VendorID", .description = "The PCI vendor ID of the function.",
     .default_value = "0"},
    {.name = "DeviceID", .description = "The PCI device ID of the function.",
     .default_value = "0"},
    {.name = "SubsysDeviceID", .description = "The PCI subsystem device ID of the function.",
     .default_value = "0"},
    {.name = "SubsysVendorID", .description = "The PCI subsystem vendor ID of the function.",
     .default_value = "0"},
    {.name = "BusNumber", .description = "The PCI bus number of the function.",
     .default_value = "0"},
    {.name = "DeviceNumber", .description = "The PCI device number of the function.",
     .default_value = "0"},
    {.name = "FunctionNumber", .description = "The PCI function number of the function.",
     .default_value = "0"},
};
const CommandTemplate kiSCSIPhysicalHBA_PCICommands[] = {
    {.name = "DumpiSCSIPCIConfigRegion",
     .description = "Shows registers of the function's PCI configuration space.",
     .handler = "do_DumpiSCSIPCIConfigRegion",
     .params = {{.name = "RegisterOffset",
                 .description = "The byte offset of the first register to show.",
                 .required = true, .data_type = OXIM_TYPE_INTEGER, .minimum = 0, .maximum = 252},
                {.name = "Count",
                 .description = "The number of 32-bit registers to show.",
                 .required = true, .data_type = OXIM_TYPE_INTEGER, .minimum = 1, .maximum = 64}}},
};
const GroupTemplate kiSCSIPhysicalHBA_PCI = {
    .name = "PCI",
    .description = "The PCI identity and address of the iSCSI function.",
    .properties = kiSCSIPhysicalHBA_PCIProperties, .commands = kiSCSIPhysicalHBA_PCICommands};

// iSCSIPhysicalHBA/iSNS
const PropertyTemplate kiSNSProperties[] = {
    {.name = "iSNSEnabled",
     .description = "Whether the initiator registers with an iSNS server and discovers targets "
                    "through it.",
     .flags = OXIM_FLAG_READ_WRITE, .handler = "handle_discoveryparams",
     .data_type = OXIM_TYPE_LIST, .default_value = "No", .valid_values = "Yes,No"},
};
const CommandTemplate kiSNSCommands[] = {
    {.name = "DiscoveryiSNSThruDHCP",
     .description = "Makes the function learn the address of its iSNS server through DHCP.",
     .handler = "do_DiscoveryiSNSThruDHCP"},
    {.name = "ConfigureiSNSServer",
     .description = "Sets the iSNS server that the function uses.",
     .handler = "do_ConfigureiSNSServer",
     .params = {{.name = "IPAddress",
                 .description = "The IPv4 address of the iSNS server.",
                 .required = true, .data_type = OXIM_TYPE_IP_ADDRESS},
                {.name = "PortNum",
                 .description = "The TCP port of the iSNS server (1024 to 65535).",
                 .data_type = OXIM_TYPE_INTEGER, .minimum = 1024, .maximum = 65535}}},
    {.name = "DeleteiSNSServer",
     .description = "Removes an iSNS server from the function.",
     .handler = "do_DeleteiSNSServer",
     .params = {{.name = "InstanceNumber",
                 .description = "The instance number of the iSNSServer to delete.",
                 .required = true, .data_type = OXIM_TYPE_INTEGER, .minimum = 0, .maximum = 3}}},
};
const GroupTemplate kiSNS = {
    .name = "iSNS",
    .description = "Target discovery through an iSNS server.",
    .refresh = "group_iSNS",
    .properties = kiSNSProperties, .commands = kiSNSCommands};

}  // namespace

// clang-format on

}  // namespace oxim::templates
