// Group templates: The controller group (Quellfire) with its fixed groups, and the NC-SI
// configuration groups.
#include "areas/controller/catalogue.h"
#include "areas/logs/catalogue.h"
#include "areas/profiles/catalogue.h"

namespace oxim::templates {

// clang-format off

// Quellfire (instanced, under ROOT)
const PropertyTemplate kQuellfireProperties[] = {
    {.name = "AdvancedMode",
     .description =
         "Whether the advanced mode of the controller is enabled. Only some controllers support "
         "it; others show N/A.",
     .flags = OXIM_FLAG_READ_WRITE, .handler = "handle_AdvancedMode", .data_type = OXIM_TYPE_LIST,
     .default_value = "Enabled", .valid_values = "Enabled,Disabled"},
    {.name = "ControllerStatus",
     .description = "Whether the controller firmware is alive or dead, from its core dump state.",
     .handler = "handle_ControllerStatus", .data_type = OXIM_TYPE_LIST, .default_value = "Alive",
     .valid_values = "Alive,Dead"},
    {.name = "Manufacturer", .description = "The manufacturer of the adapter.",
     .default_value = "N/A"},
    {.name = "ModelNumber", .description = "The model number of the adapter.",
     .default_value = "N/A"},
    {.name = "Description", .description = "The description of the adapter.",
     .default_value = "N/A"},
    {.name = "SerialNumber", .description = "The serial number of the adapter.",
     .default_value = "N/A"},
    {.name = "Capabilities", .description = "The capabilities the controller firmware reports.",
     .default_value = "N/A"},
    {.name = "ActiveFirmwareVersion",
     .description = "The version of the firmware the controller is running.",
     .handler = "handle_qf_controller_properties", .default_value = "N/A"},
    {.name = "FirmwareVersionOnFlash",
     .description =
         "The version of the firmware stored in flash; it becomes active after the next reboot.",
     .handler = "handle_qf_controller_properties", .default_value = "N/A"},
    {.name = "BIOSVersion", .description = "The version of the boot BIOS on the adapter.",
     .handler = "handle_qf_controller_properties", .default_value = "N/A"},
    {.name = "BootCodeVersion", .description = "The version of the boot code on the adapter.",
     .handler = "handle_qf_controller_properties", .default_value = "N/A"},
    {.name = "FirmwareStatus", .description = "The health of the controller firmware.",
     .handler = "handle_qf_controller_properties", .data_type = OXIM_TYPE_LIST,
     .default_value = "Unknown", .valid_values = "Working,Degraded,Critical,Failed,Unknown"},
    {.name = "FCoEUniversalVersion", .description = "The version of the FCoE universal boot image.",
     .handler = "handle_qf_controller_additional_properties", .default_value = "N/A"},
    {.name = "FCoEx86BIOSVersion", .description = "The version of the FCoE x86 boot BIOS.",
     .handler = "handle_qf_controller_additional_properties", .default_value = "N/A"},
    {.name = "FCoEEFIVersion", .description = "The version of the FCoE EFI boot driver.",
     .handler = "handle_qf_controller_additional_properties", .default_value = "N/A"},
    {.name = "FCoEFCODEVersion", .description = "The version of the FCoE FCode boot image.",
     .handler = "handle_qf_controller_additional_properties", .default_value = "N/A"},
    {.name = "UEFIBIOSVersion", .description = "The version of the UEFI boot BIOS.",
     .handler = "handle_qf_controller_additional_properties", .default_value = "N/A"},
    {.name = "UEFINICVersion", .description = "The version of the UEFI NIC driver.",
     .handler = "handle_qf_controller_additional_properties", .default_value = "N/A"},
    {.name = "UEFIFCODEVersion", .description = "The version of the UEFI FCode image.",
     .handler = "handle_qf_controller_additional_properties", .default_value = "N/A"},
    {.name = "UEFISCSIVersion", .description = "The version of the UEFI iSCSI driver.",
     .handler = "handle_qf_controller_additional_properties", .default_value = "N/A"},
    {.name = "PHYFirmwareVersion",
     .description = "The firmware version of the PHY; N/A when the controller does not report one.",
     .handler = "handle_qf_controller_additional_properties", .default_value = "N/A"},
    {.name = "PHYConfigurationId",
     .description =
         "The configuration identifier of the PHY firmware; N/A when the controller does not "
         "report one.",
     .handler = "handle_qf_controller_additional_properties", .default_value = "0"},
    {.name = "QuellfireOnDieTemperature",
     .description =
         "The temperature of the controller die in degrees Celsius; N/A when the controller does "
         "not report it.",
     .handler = "handle_qf_temperature", .default_value = "0"},
    {.name = "IPLFileName",
     .description =
         "The name of the initial program load (IPL) file the controller was configured with.",
     .handler = "handle_qf_controller_additional_properties", .default_value = "N/A"},
    {.name = "PCIExpressLinkSpeed",
     .description = "The speed of the PCI Express link of the controller, in GT/s.",
     .handler = "handle_PCIExpressLinkSpeed", .default_value = "N/A"},
    {.name = "PCIExpressBusWidth",
     .description =
         "The number of lanes of the PCI Express link of the controller, for example x8.",
     .handler = "handle_PCIExpressBusWidth", .default_value = "N/A"},
    // default outside the length range, kept as given
    {.name = "FFVName",
     .description =
         "The name of the FFV parameter set of the controller (4 to 32 characters). Not supported "
         "on every controller.",
     .flags = OXIM_FLAG_READ_WRITE, .handler = "handle_FFVName", .data_type = OXIM_TYPE_TEXT,
     .minimum = 4, .maximum = 32, .default_value = "0"},
};
const CommandTemplate kQuellfireCommands[] = {
    {.name = "RetrieveNevraneCoreDump",
     .description = "Saves the core dump of the controller firmware to a file.",
     .handler = "do_RetrieveNevraneCoreDump",
     .params = {{.name = "CoreDumpFileName", .description = "The file the core dump is written to.",
                 .required = true, .data_type = OXIM_TYPE_TEXT, .minimum = 3, .maximum = 255},
                {.name = "CoreDumpString",
                 .description = "Which dump to take: of the live or dead firmware, or a test dump.",
                 .data_type = OXIM_TYPE_LIST,
                 .valid_values = "live,Dead,Test,Test live,Test Dead"}}},
    {.name = "RetrieveFwCliData",
     .description = "Runs a firmware command line and saves its output to a file.",
     .handler = "do_RetrieveFwCliData",
     .params = {{.name = "CliOutputFileName", .description = "The file the output is written to.",
                 .required = true, .data_type = OXIM_TYPE_TEXT, .minimum = 3, .maximum = 255},
                {.name = "FWCliString", .description = "The firmware command line to run.",
                 .required = true, .data_type = OXIM_TYPE_TEXT, .minimum = 2, .maximum = 255}}},
    {.name = "UpgradeFlashROM",
     .description =
         "Writes a firmware image file to the flash of the controller. The new firmware becomes "
         "active after a reboot.",
     .handler = "do_UpgradeFlashROM",
     .params = {{.name = "UFIFileName", .description = "The firmware image file (UFI) to write.",
                 .required = true, .data_type = OXIM_TYPE_TEXT, .minimum = 3, .maximum = 255}}},
    {.name = "EraseAllConfiguration",
     .description =
         "Erases the configuration of every function and port of the controller and restores the "
         "factory profile.",
     .handler = "do_EraseAllConfiguration"},
};

// Quellfire/FRUVPD
const PropertyTemplate kFRUVPDProperties[] = {
    {.name = "FRUVPDData0",
     .description = "Chunk 0 of the FRU vital product data, as hexadecimal text.",
     .handler = "handle_fru_vpd_data", .default_value = "N/A"},
    {.name = "FRUVPDData1",
     .description = "Chunk 1 of the FRU vital product data, as hexadecimal text.",
     .default_value = "N/A"},
    {.name = "FRUVPDData2",
     .description = "Chunk 2 of the FRU vital product data, as hexadecimal text.",
     .default_value = "N/A"},
    {.name = "FRUVPDData3",
     .description = "Chunk 3 of the FRU vital product data, as hexadecimal text.",
     .default_value = "N/A"},
    {.name = "FRUVPDData4",
     .description = "Chunk 4 of the FRU vital product data, as hexadecimal text.",
     .default_value = "N/A"},
    {.name = "FRUVPDData5",
     .description = "Chunk 5 of the FRU vital product data, as hexadecimal text.",
     .default_value = "N/A"},
    {.name = "FRUVPDData6",
     .description = "Chunk 6 of the FRU vital product data, as hexadecimal text.",
     .default_value = "N/A"},
    {.name = "FRUVPDData7",
     .description = "Chunk 7 of the FRU vital product data, as hexadecimal text.",
     .default_value = "N/A"},
    {.name = "FRUVPDData8",
     .description = "Chunk 8 of the FRU vital product data, as hexadecimal text.",
     .default_value = "N/A"},
    {.name = "FRUVPDData9",
     .description = "Chunk 9 of the FRU vital product data, as hexadecimal text.",
     .default_value = "N/A"},
    {.name = "FRUVPDData10",
     .description = "Chunk 10 of the FRU vital product data, as hexadecimal text.",
     .default_value = "N/A"},
};
const GroupTemplate kFRUVPD = {
    .name = "FRUVPD",
    .description = "The field replaceable unit (FRU) vital product data of the adapter.",
    .properties = kFRUVPDProperties};

// Quellfire/ChannelManagement
const PropertyTemplate kQuellfire_ChannelManagementProperties[] = {
    {.name = "SupportedMCTypes", .description = "The multichannel types the controller supports.",
     .handler = "handle_SupportedMCTypes", .data_type = OXIM_TYPE_LIST, .default_value = "UMC",
     .valid_values = "UMC,vNIC1,vNIC2,UFP,NPAR,HPFlex,HPUMC,HPFlexQBG"},
    {.name = "CurrentManagementType",
     .description = "The multichannel type the controller is running with.",
     .handler = "handle_ChannelManagement_details", .data_type = OXIM_TYPE_LIST,
     .default_value = "UMC", .valid_values = "UMC,vNIC1,vNIC2,UFP,NPAR"},
    {.name = "ConfiguredManagementType",
     .description = "The multichannel type that becomes active after the next reboot.",
     .handler = "handle_ChannelManagement_details", .data_type = OXIM_TYPE_LIST,
     .default_value = "UMC", .valid_values = "UMC,vNIC1,vNIC2,UFP,NPAR"},
};
const CommandTemplate kQuellfire_ChannelManagementCommands[] = {
    {.name = "ConfigureChannelManagement",
     .description =
         "Enables or disables multichannel on the controller and chooses its type. The change "
         "takes effect after a reboot.",
     .handler = "do_ConfigureChannelManagement",
     .params = {{.name = "ChannelState",
                 .description = "Enabled to turn multichannel on, Disabled to turn it off.",
                 .required = true, .data_type = OXIM_TYPE_LIST, .valid_values = "Enabled,Disabled"},
                {.name = "ChannelType",
                 .description = "The multichannel type to use when multichannel is enabled.",
                 .data_type = OXIM_TYPE_LIST, .valid_values = "UMC,vNIC1,vNIC2,UFP,NPAR"}}},
};
const GroupTemplate kQuellfire_ChannelManagement = {
    .name = "ChannelManagement", .description = "The multichannel mode of the controller.",
    .properties = kQuellfire_ChannelManagementProperties,
    .commands = kQuellfire_ChannelManagementCommands};

// Quellfire/NICCIM
const PropertyTemplate kNICCIMProperties[] = {
    {.name = "PortControllerName",
     .description = "The name of the port controller with its PCI bus and device numbers.",
     .handler = "handle_PortControllerName", .default_value = "N/A"},
    {.name = "ControllerType", .description = "The type of the port controller.",
     .handler = "handle_ControllerType", .default_value = "N/A"},
    {.name = "ProtocolSupported",
     .description = "The network protocol the port controller supports.",
     .handler = "handle_ProtocolSupported", .default_value = "N/A"},
    {.name = "MaxSupportedController",
     .description = "The number of NIC functions of the controller.",
     .handler = "handle_MaxSupportedController", .default_value = "0"},
};
const GroupTemplate kNICCIM = {
    .name = "NICCIM", .description = "The network controller as the CIM model describes it.",
    .properties = kNICCIMProperties};

// Quellfire/Personality
const PropertyTemplate kPersonalityProperties[] = {
    {.name = "CurrentPersonality", .description = "The personality the controller is running with.",
     .data_type = OXIM_TYPE_LIST, .default_value = "NIC", .valid_values = "NIC,iSCSI,FCoE,Illegal"},
    {.name = "AvailablePersonalities", .description = "The personalities the controller can take.",
     .default_value = "N/A"},
    {.name = "ConfiguredPersonality",
     .description = "The personality the controller takes after the next reboot.",
     .handler = "handle_ConfiguredPersonality", .data_type = OXIM_TYPE_LIST, .default_value = "NIC",
     .valid_values = "NIC,iSCSI,FCoE"},
};
const CommandTemplate kPersonalityCommands[] = {
    {.name = "SetPersonality",
     .description =
         "Changes the personality of the controller. The change takes effect after a reboot.",
     .handler = "do_SetPersonality",
     .params = {{.name = "NewPersonality", .description = "The new personality.",
                 .required = true, .data_type = OXIM_TYPE_LIST, .valid_values = "NIC,iSCSI,FCoE"}}},
};
const GroupTemplate kPersonality = {
    .name = "Personality",
    .description = "The personality of the controller: which protocols its functions offer.",
    .properties = kPersonalityProperties, .commands = kPersonalityCommands};

// Quellfire/OEM
const PropertyTemplate kOEMProperties[] = {
    {.name = "VallornSerialNumber",
     .description = "The serial number the maker of the controller gave the adapter.",
     .default_value = "N/A"},
    {.name = "OEMSerialNumber", .description = "The serial number the OEM gave the adapter.",
     .default_value = "N/A"},
    {.name = "PersonalityManagementWord",
     .description = "The personality management word of the OEM data.",
     .default_value = "0"},
};
const GroupTemplate kOEM = {
    .name = "OEM", .description = "The OEM data of the adapter.", .properties = kOEMProperties};

// Quellfire/NCSI
const PropertyTemplate kNCSIProperties[] = {
    {.name = "NCSIVersion", .description = "The NC-SI version of the controller.",
     .handler = "handle_get_ncsi_version", .default_value = "N/A"},
    {.name = "NCSISupport", .description = "Whether the controller supports NC-SI.",
     .handler = "handle_ncsi_static_configuration", .data_type = OXIM_TYPE_LIST,
     .default_value = "Supported", .valid_values = "Supported,Not Supported"},
    {.name = "NCSIQFHandShake",
     .description =
         "The result of the NC-SI handshake between the controller and the management controller.",
     .handler = "handle_ncsi_static_configuration", .data_type = OXIM_TYPE_LIST,
     .default_value = "N/A", .valid_values = "Success,Error,N/A"},
};
const GroupTemplate kNCSI = {
    .name = "NCSI",
    .description = "The NC-SI (network controller sideband interface) support of the controller.",
    .properties = kNCSIProperties};

// Quellfire/Diagnostics
const PropertyTemplate kDiagnosticsProperties[] = {
    {.name = "TotalTestCycles", .description = "The number of cycles the last test ran.",
     .default_value = "0"},
    {.name = "TotalCompleteCycles",
     .description = "The number of cycles of the last test that completed.",
     .default_value = "0"},
    {.name = "TotalErrorCycles",
     .description = "The number of cycles of the last test that ended with an error.",
     .default_value = "0"},
    {.name = "SendErrorCount", .description = "The number of send errors of the last test.",
     .default_value = "0"},
    {.name = "ReceiveErrorCount", .description = "The number of receive errors of the last test.",
     .default_value = "0"},
    {.name = "DataMiscompareCount",
     .description = "The number of data miscompares of the last test.",
     .default_value = "0"},
    {.name = "TotalCompleteCount",
     .description = "The number of transfers of the last test that completed.",
     .default_value = "0"},
    {.name = "IsLoopbackSupported",
     .description = "Whether the controller supports loopback tests.",
     .data_type = OXIM_TYPE_LIST, .default_value = "True", .valid_values = "True,False"},
};
const CommandTemplate kDiagnosticsCommands[] = {
    {.name = "HostToDDRDMATest",
     .description = "Runs a DMA test between host memory and the memory of the controller.",
     .handler = "do_HostToDDRDMATest",
     .params = {{.name = "Pattern", .description = "The data pattern to transfer.",
                 .required = true, .data_type = OXIM_TYPE_TEXT, .minimum = 3, .maximum = 16},
                {.name = "ByteCount", .description = "The number of bytes per transfer.",
                 .required = true, .data_type = OXIM_TYPE_INTEGER, .minimum = 64, .maximum = 4096},
                {.name = "LoopCount", .description = "The number of transfers.",
                 .required = true, .data_type = OXIM_TYPE_INTEGER, .minimum = 1, .maximum = 4096}}},
    {.name = "EnterLoopBackMode", .description = "Puts ports into loopback mode.",
     .handler = "do_EnterLoopBackMode",
     .params = {{.name = "SourcePortNumber", .description = "The port that sends.",
                 .required = true, .data_type = OXIM_TYPE_INTEGER, .minimum = 0, .maximum = 3},
                {.name = "DestinationPortNumber", .description = "The port that receives.",
                 .required = true, .data_type = OXIM_TYPE_INTEGER, .minimum = 0, .maximum = 3},
                {.name = "LoopbackType", .description = "The kind of loopback.",
                 .required = true, .data_type = OXIM_TYPE_LIST,
                 .valid_values = "MacLoopBack,PhyLoopBack,OnePortLoopBack,TwoPortLoopBack"}}},
    {.name = "ExitLoopBackMode", .description = "Takes ports out of loopback mode.",
     .handler = "do_ExitLoopBackMode",
     .params = {{.name = "SourcePortNumber", .description = "The port that sends.",
                 .required = true, .data_type = OXIM_TYPE_INTEGER, .minimum = 0, .maximum = 3},
                {.name = "DestinationPortNumber", .description = "The port that receives.",
                 .required = true, .data_type = OXIM_TYPE_INTEGER, .minimum = 0, .maximum = 3}}},
    {.name = "NetworkLoopBackTest", .description = "Runs a loopback test between two ports.",
     .handler = "do_NetworkLoopBackTest",
     .params = {{.name = "Pattern", .description = "The data pattern to send.",
                 .required = true, .data_type = OXIM_TYPE_TEXT, .minimum = 3, .maximum = 16},
                {.name = "ByteCount", .description = "The number of bytes per frame.",
                 .required = true, .data_type = OXIM_TYPE_INTEGER, .minimum = 1500,
                 .maximum = 8192},
                {.name = "LoopCount", .description = "The number of frames.",
                 .required = true, .data_type = OXIM_TYPE_INTEGER, .minimum = 1, .maximum = 4096},
                {.name = "SourcePortNumber", .description = "The port that sends.",
                 .required = true, .data_type = OXIM_TYPE_INTEGER, .minimum = 0, .maximum = 3},
                {.name = "DestinationPortNumber", .description = "The port that receives.",
                 .required = true, .data_type = OXIM_TYPE_INTEGER, .minimum = 0, .maximum = 3},
                {.name = "LoopbackType", .description = "The kind of loopback.",
                 .required = true, .data_type = OXIM_TYPE_LIST,
                 .valid_values = "MacLoopBack,PhyLoopBack,OnePortLoopBack,TwoPortLoopBack"}}},
};
const GroupTemplate kDiagnostics = {
    .name = "Diagnostics",
    .description = "Diagnostic tests of the controller and the results of the last one.",
    .properties = kDiagnosticsProperties, .commands = kDiagnosticsCommands};

// Quellfire: fixed groups, then the group
const GroupTemplate* const kQuellfireSubgroups[] = {
    &kFRUVPD, &kQuellfire_ChannelManagement, &kProfileManagement, &kNICCIM, &kPersonality, &kOEM,
    &kNCSI, &kExtFATData, &kEventLog, &kFATData, &kDiagnostics};
const GroupTemplate kQuellfire = {
    .name = "Quellfire", .template_name = "initialize_Quellfire",
    .description = "An adapter controller with its iSCSI and NIC functions.",
    .maximum = 16, .parent = "ROOT", .properties = kQuellfireProperties,
    .commands = kQuellfireCommands, .subgroups = kQuellfireSubgroups};

// NCSIStaticConfiguration (instanced, under Quellfire/NCSI)
const PropertyTemplate kNCSIStaticConfigurationProperties[] = {
    {.name = "PortSwap", .description = "Whether the NC-SI ports are swapped.",
     .handler = "handle_ncsi_static_configuration", .data_type = OXIM_TYPE_LIST,
     .default_value = "Yes", .valid_values = "Yes,No"},
    {.name = "EnableWOLPort0", .description = "Whether wake on LAN is enabled on port 0.",
     .handler = "handle_ncsi_static_configuration", .data_type = OXIM_TYPE_LIST,
     .default_value = "Yes", .valid_values = "Yes,No"},
    {.name = "Port0MAC", .description = "The NC-SI MAC address of port 0.",
     .handler = "handle_ncsi_static_configuration", .default_value = "00:00:00:00:00:00"},
    {.name = "EnableWOLPort1", .description = "Whether wake on LAN is enabled on port 1.",
     .handler = "handle_ncsi_static_configuration", .data_type = OXIM_TYPE_LIST,
     .default_value = "Yes", .valid_values = "Yes,No"},
    {.name = "Port1MAC", .description = "The NC-SI MAC address of port 1.",
     .handler = "handle_ncsi_static_configuration", .default_value = "00:00:00:00:00:00"},
    {.name = "MgmtVLANId", .description = "The VLAN ID of the management traffic.",
     .handler = "handle_ncsi_static_configuration", .default_value = "0"},
};
const GroupTemplate kNCSIStaticConfiguration = {
    .name = "NCSIStaticConfiguration", .template_name = "initialize_NCSIStaticConfiguration",
    .description = "The static NC-SI settings of the controller.",
    .maximum = 1, .parent = "NCSI", .properties = kNCSIStaticConfigurationProperties};

// NCSIDynamicConfiguration (instanced, under Quellfire/NCSI)
const PropertyTemplate kNCSIDynamicConfigurationProperties[] = {
    {.name = "EnableWOLPort0", .description = "Whether wake on LAN is enabled on port 0.",
     .flags = OXIM_FLAG_READ_WRITE, .handler = "handle_ncsi_dynamic_configuration",
     .data_type = OXIM_TYPE_LIST, .default_value = "No", .valid_values = "Yes,No"},
    {.name = "Port0MAC", .description = "The NC-SI MAC address of port 0.",
     .flags = OXIM_FLAG_READ_WRITE, .handler = "handle_ncsi_dynamic_configuration",
     .data_type = OXIM_TYPE_TEXT, .minimum = 17, .maximum = 17,
     .default_value = "00:00:00:00:00:00"},
    {.name = "EnableWOLPort1", .description = "Whether wake on LAN is enabled on port 1.",
     .flags = OXIM_FLAG_READ_WRITE, .handler = "handle_ncsi_dynamic_configuration",
     .data_type = OXIM_TYPE_LIST, .default_value = "No", .valid_values = "Yes,No"},
    {.name = "Port1MAC", .description = "The NC-SI MAC address of port 1.",
     .flags = OXIM_FLAG_READ_WRITE, .handler = "handle_ncsi_dynamic_configuration",
     .data_type = OXIM_TYPE_TEXT, .minimum = 17, .maximum = 17,
     .default_value = "00:00:00:00:00:00"},
    {.name = "MgmtVLANId", .description = "The VLAN ID of the management traffic; 0 for none.",
     .flags = OXIM_FLAG_READ_WRITE, .handler = "handle_ncsi_dynamic_configuration",
     .data_type = OXIM_TYPE_INTEGER, .minimum = 0, .maximum = 4095, .default_value = "0"},
};
const GroupTemplate kNCSIDynamicConfiguration = {
    .name = "NCSIDynamicConfiguration", .template_name = "initialize_NCSIDynamicConfiguration",
    .description = "The NC-SI settings of the controller that can be changed.",
    .maximum = 1, .parent = "NCSI", .properties = kNCSIDynamicConfigurationProperties};

// clang-format on

}  // namespace oxim::templates
