// Group templates: NIC functions (NICPhysicalHBA) and their virtual functions (NICLogicalHBA).
#include "areas/nic/catalogue.h"

namespace oxim::templates {

// clang-format off

// NICPhysicalHBA (instanced, under Quellfire)
const PropertyTemplate kNICPhysicalHBAProperties[] = {
    {.name = "IsRoCEEnabled",
     .description = "Whether RoCE is enabled on the function in the current profile.",
     .handler = "handle_IsRoCEEnabled", .data_type = OXIM_TYPE_LIST, .default_value = "True",
     .valid_values = "True,False"},
    {.name = "IsVF", .description = "Whether the function is an SR-IOV virtual function.",
     .data_type = OXIM_TYPE_LIST, .default_value = "True", .valid_values = "True,False"},
    {.name = "PortNumber", .description = "The number of the physical port the function uses.",
     .default_value = "0"},
    {.name = "MTUSize",
     .description = "The MTU of the network interface of the function, in bytes.",
     .handler = "handle_nic_MTUSize", .default_value = "0"},
    {.name = "MaxMTUSize", .description = "The largest MTU the function supports, in bytes.",
     .default_value = "0"},
    {.name = "LogicalLinkStatus", .description = "The logical link state of the function.",
     .handler = "handle_nic_logical_link_status", .data_type = OXIM_TYPE_LIST,
     .default_value = "Unknown", .valid_values = "Up,Down,Unknown"},
    {.name = "IfName", .description = "The name of the host network interface of the function.",
     .default_value = "N/A"},
    {.name = "MACAddress", .description = "The current MAC address of the function.",
     .flags = OXIM_FLAG_READ_WRITE, .handler = "handle_NICPhysicalHBA_MACAddress",
     .data_type = OXIM_TYPE_TEXT, .minimum = 17, .maximum = 17,
     .default_value = "00:00:00:00:00:00"},
    {.name = "PermanentMACAddress", .description = "The permanent MAC address of the function.",
     .flags = OXIM_FLAG_READ_WRITE, .handler = "handle_NICPhysicalHBA_PermanentMACAddress",
     .data_type = OXIM_TYPE_TEXT, .minimum = 17, .maximum = 17,
     .default_value = "00:00:00:00:00:00"},
    {.name = "FactoryDefaultMACAddress",
     .description = "The MAC address the function had when it left the factory.",
     .default_value = "00:00:00:00:00:00"},
    {.name = "MinBitsPerSecond",
     .description = "The minimum bandwidth of the function, in bits per second.",
     .handler = "handle_nic_bandwidth_softcap", .default_value = "0"},
    {.name = "MaxBitsPerSecond",
     .description = "The maximum bandwidth of the function, in bits per second.",
     .handler = "handle_nic_bandwidth_softcap", .default_value = "0"},
    {.name = "PortSpeed", .description = "The speed of the link of the function.",
     .handler = "handle_portspeed", .data_type = OXIM_TYPE_LIST, .default_value = "0 (Link Down)",
     .valid_values = "0 (Link Down),less than 1Mb,less than 1Gb,1Gb,10Gb,20Gb,25Gb,40Gb,100Gb"},
    {.name = "SRIOVState", .description = "Whether SR-IOV is enabled on the function.",
     .flags = OXIM_FLAG_READ_WRITE, .handler = "handle_NICPhysicalHBA_SRIOVState",
     .data_type = OXIM_TYPE_LIST, .default_value = "Disabled", .valid_values = "Enabled,Disabled"},
    {.name = "VEPAState",
     .description =
         "Whether VEPA (virtual Ethernet port aggregator) mode is enabled on the function.",
     .flags = OXIM_FLAG_READ_WRITE, .handler = "handle_VEPAState", .data_type = OXIM_TYPE_LIST,
     .default_value = "Disabled", .valid_values = "Enabled,Disabled"},
};
const CommandTemplate kNICPhysicalHBACommands[] = {
    {.name = "EraseNICConfiguration",
     .description = "Erases the NIC configuration of the function.",
     .handler = "do_EraseNICConfiguration"},
};

// NICPhysicalHBA/VPD
const PropertyTemplate kNICPhysicalHBA_VPDProperties[] = {
    {.name = "VPDData0", .description = "Chunk 0 of the vital product data, as hexadecimal text.",
     .default_value = "N/A"},
    {.name = "VPDData1", .description = "Chunk 1 of the vital product data, as hexadecimal text.",
     .default_value = "N/A"},
    {.name = "VPDData2", .description = "Chunk 2 of the vital product data, as hexadecimal text.",
     .default_value = "N/A"},
    {.name = "VPDData3", .description = "Chunk 3 of the vital product data, as hexadecimal text.",
     .default_value = "N/A"},
    {.name = "VPDData4", .description = "Chunk 4 of the vital product data, as hexadecimal text.",
     .default_value = "N/A"},
    {.name = "VPDData5", .description = "Chunk 5 of the vital product data, as hexadecimal text.",
     .default_value = "N/A"},
    {.name = "VPDData6", .description = "Chunk 6 of the vital product data, as hexadecimal text.",
     .default_value = "N/A"},
    {.name = "VPDData7", .description = "Chunk 7 of the vital product data, as hexadecimal text.",
     .default_value = "N/A"},
    {.name = "VPDData8", .description = "Chunk 8 of the vital product data, as hexadecimal text.",
     .default_value = "N/A"},
};
const GroupTemplate kNICPhysicalHBA_VPD = {
    .name = "VPD", .description = "The vital product data of the function.",
    .properties = kNICPhysicalHBA_VPDProperties};

// NICPhysicalHBA/vNIC
const PropertyTemplate kNICPhysicalHBA_vNICProperties[] = {
    {.name = "vNICEnabled", .description = "Whether the function is a virtual NIC.",
     .handler = "handle_nic_vnic_name_props", .data_type = OXIM_TYPE_LIST, .default_value = "True",
     .valid_values = "True,Flase"},
    {.name = "vNICName", .description = "The name of the virtual NIC.",
     .handler = "handle_nic_vnic_name_props", .default_value = "N/A"},
    {.name = "OuterVLANID", .description = "The outer VLAN ID of the virtual NIC.",
     .handler = "handle_nic_vnic_stats", .default_value = "0"},
    {.name = "MinBandwidth", .description = "The minimum bandwidth of the virtual NIC.",
     .handler = "handle_nic_vnic_stats", .default_value = "0"},
    {.name = "MaxBandwidth", .description = "The maximum bandwidth of the virtual NIC.",
     .handler = "handle_nic_vnic_stats", .default_value = "0"},
};
const GroupTemplate kNICPhysicalHBA_vNIC = {
    .name = "vNIC", .description = "The virtual NIC settings of the function.",
    .properties = kNICPhysicalHBA_vNICProperties};

// NICPhysicalHBA/NetworkBootConfiguration
const PropertyTemplate kNICPhysicalHBA_NetworkBootConfigurationProperties[] = {
    {.name = "AvailableNetworkBootMethods",
     .description = "The network boot methods the function supports.",
     .handler = "handle_AvailableNetworkBootMethods", .data_type = OXIM_TYPE_LIST,
     .default_value = "PXE", .valid_values = "PXE,iBFT"},
    {.name = "NetworkBootMethod", .description = "The network boot method of the function.",
     .handler = "handle_networkboot_config", .data_type = OXIM_TYPE_LIST, .default_value = "PXE",
     .valid_values = "PXE,iBFT"},
    {.name = "NetworkBootState", .description = "Whether network boot is enabled on the function.",
     .handler = "handle_networkboot_config", .data_type = OXIM_TYPE_LIST,
     .default_value = "Enabled", .valid_values = "Enabled,Disabled"},
    {.name = "VolatileMACAddress",
     .description = "A MAC address used for network boot in place of the permanent one.",
     .flags = OXIM_FLAG_READ_WRITE, .handler = "handle_VolatileMACAddress",
     .data_type = OXIM_TYPE_TEXT, .minimum = 17, .maximum = 17,
     .default_value = "00:00:00:00:00:00"},
    {.name = "VLANId", .description = "The VLAN ID used for network boot.",
     .handler = "handle_vlan_properties", .default_value = "0"},
    {.name = "VLANPriority", .description = "The VLAN priority used for network boot.",
     .handler = "handle_vlan_properties", .default_value = "0"},
};
const CommandTemplate kNICPhysicalHBA_NetworkBootConfigurationCommands[] = {
    {.name = "SetNetworkBoot",
     .description = "Enables or disables network boot and chooses its method.",
     .handler = "do_SetNetworkBoot",
     .params = {{.name = "NetworkBootState",
                 .description = "Enabled to turn network boot on, Disabled to turn it off.",
                 .required = true, .data_type = OXIM_TYPE_LIST, .valid_values = "Enabled,Disabled"},
                {.name = "NetworkBootMethod", .description = "The network boot method.",
                 .data_type = OXIM_TYPE_LIST, .valid_values = "PXE,iBFT"}}},
    {.name = "ConfigureVLAN", .description = "Sets the VLAN used for network boot.",
     .handler = "do_NICPhysicalHBA_NetworkBootConfiguration_ConfigureVLAN",
     .params = {{.name = "VLANId", .description = "The VLAN ID; 0 for none.",
                 .required = true, .data_type = OXIM_TYPE_INTEGER, .minimum = 0, .maximum = 4095},
                {.name = "Priority", .description = "The VLAN priority.",
                 .data_type = OXIM_TYPE_INTEGER, .minimum = 0, .maximum = 7}}},
};
const GroupTemplate kNICPhysicalHBA_NetworkBootConfiguration = {
    .name = "NetworkBootConfiguration", .description = "The network boot settings of the function.",
    .properties = kNICPhysicalHBA_NetworkBootConfigurationProperties,
    .commands = kNICPhysicalHBA_NetworkBootConfigurationCommands};

// NICPhysicalHBA/CIM
const PropertyTemplate kNICPhysicalHBA_CIMProperties[] = {
    {.name = "ProtocolIfType", .description = "The protocol interface type of the function.",
     .handler = "handle_ProtocolIfType", .default_value = "N/A"},
    {.name = "LinkTechnology", .description = "The link technology of the function.",
     .handler = "handle_LinkTechnology", .default_value = "N/A"},
    {.name = "Capabilities", .description = "The capabilities of the function.",
     .handler = "handle_Quellfire_NICPhysicalHBA_CIM_Capabilities", .default_value = "N/A"},
    {.name = "EnabledCapabilities", .description = "The capabilities enabled on the function.",
     .handler = "handle_EnabledCapabilities", .default_value = "N/A"},
};
const GroupTemplate kNICPhysicalHBA_CIM = {
    .name = "CIM", .description = "The function as the CIM model describes it.",
    .properties = kNICPhysicalHBA_CIMProperties};

// NICPhysicalHBA/PCI
const PropertyTemplate kNICPhysicalHBA_PCIProperties[] = {
    {.name = "VendorID", .description = "The PCI vendor ID.", .default_value = "0"},
    {.name = "DeviceID", .description = "The PCI device ID.", .default_value = "0"},
    {.name = "SubsysDeviceID", .description = "The PCI subsystem device ID.", .default_value = "0"},
    {.name = "SubsysVendorID", .description = "The PCI subsystem vendor ID.", .default_value = "0"},
    {.name = "BusNumber", .description = "The PCI bus number.", .default_value = "0"},
    {.name = "DeviceNumber", .description = "The PCI device number.", .default_value = "0"},
    {.name = "FunctionNumber", .description = "The PCI function number.", .default_value = "0"},
};
const CommandTemplate kNICPhysicalHBA_PCICommands[] = {
    {.name = "DumpNICPCIConfigRegion",
     .description = "Shows registers of the PCI configuration space of the function.",
     .handler = "do_DumpNICPCIConfigRegion",
     .params = {{.name = "RegisterOffset",
                 .description = "The offset of the first register, in bytes.",
                 .required = true, .data_type = OXIM_TYPE_INTEGER, .minimum = 0, .maximum = 252},
                {.name = "Count", .description = "The number of 32-bit registers to show.",
                 .required = true, .data_type = OXIM_TYPE_INTEGER, .minimum = 1, .maximum = 64}}},
};
const GroupTemplate kNICPhysicalHBA_PCI = {
    .name = "PCI", .description = "The PCI identity and location of the function.",
    .properties = kNICPhysicalHBA_PCIProperties, .commands = kNICPhysicalHBA_PCICommands};

// NICPhysicalHBA/Driver
const PropertyTemplate kNICPhysicalHBA_DriverProperties[] = {
    {.name = "DriverName", .description = "The name of the driver.", .default_value = "N/A"},
    {.name = "DriverVersion", .description = "The version of the driver.", .default_value = "N/A"},
};
const GroupTemplate kNICPhysicalHBA_Driver = {
    .name = "Driver", .description = "The host driver of the function.",
    .properties = kNICPhysicalHBA_DriverProperties};

// NICPhysicalHBA: fixed groups, then the group
const GroupTemplate* const kNICPhysicalHBASubgroups[] = {
    &kNICPhysicalHBA_VPD, &kNICPhysicalHBA_vNIC, &kNICPhysicalHBA_NetworkBootConfiguration,
    &kNICPhysicalHBA_CIM, &kNICPhysicalHBA_PCI, &kNICPhysicalHBA_Driver};
const GroupTemplate kNICPhysicalHBA = {
    .name = "NICPhysicalHBA", .template_name = "initialize_NICPhysicalHBA",
    .description = "A NIC function of the controller.",
    .maximum = 32, .parent = "Quellfire", .refresh = "group_NICPhysicalHBA",
    .properties = kNICPhysicalHBAProperties, .commands = kNICPhysicalHBACommands,
    .subgroups = kNICPhysicalHBASubgroups};

// NICLogicalHBA (instanced, under NICPhysicalHBA)
const PropertyTemplate kNICLogicalHBAProperties[] = {
    {.name = "MACAddress", .description = "The MAC address of the virtual function.",
     .flags = OXIM_FLAG_READ_WRITE, .handler = "handle_niclogicalhba_macaddress",
     .data_type = OXIM_TYPE_TEXT, .minimum = 17, .maximum = 17,
     .default_value = "00:00:00:00:00:00"},
    {.name = "VLANID", .description = "The VLAN ID of the virtual function; 0 for none.",
     .flags = OXIM_FLAG_READ_WRITE, .handler = "handle_niclogicalhba_vlanid",
     .data_type = OXIM_TYPE_INTEGER, .minimum = 0, .maximum = 4094, .default_value = "0"},
    {.name = "LinkStatus", .description = "The link state of the virtual function.",
     .handler = "handle_LinkStatus", .data_type = OXIM_TYPE_LIST, .default_value = "Up",
     .valid_values = "Up,Down"},
    {.name = "TxRate",
     .description = "The maximum transmit rate of the virtual function, in Mbps; 0 while it has "
                    "no limit.",
     .flags = OXIM_FLAG_READ_WRITE, .handler = "handle_niclogicalhba_txrate",
     .data_type = OXIM_TYPE_INTEGER, .minimum = 1, .maximum = 10000, .default_value = "100"},
};
const GroupTemplate kNICLogicalHBA = {
    .name = "NICLogicalHBA", .template_name = "initialize_NICLogicalHBA",
    .description = "A virtual function of a NIC function.",
    .maximum = 64, .parent = "NICPhysicalHBA", .properties = kNICLogicalHBAProperties};

// clang-format on

}  // namespace oxim::templates
