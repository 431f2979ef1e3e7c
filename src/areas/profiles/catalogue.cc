// Group templates: Profiles of the controller and the ports and functions under the active and
// configured profile.
#include "areas/profiles/catalogue.h"

namespace oxim::templates {

// clang-format off

// Quellfire/ProfileManagement
const PropertyTemplate kProfileManagementProperties[] = {
    {.name = "RebootRequired",
     .description = "Whether a reboot is needed for a configured profile change to take effect.",
     .handler = "handle_RebootRequired", .data_type = OXIM_TYPE_LIST, .default_value = "Yes",
     .valid_values = "Yes,No"},
    {.name = "MaxFunctionsPerPort",
     .description = "The maximum number of PCI functions per port in the current profile.",
     .handler = "handle_MaxFunctionsPerPort", .default_value = "0"},
};
const CommandTemplate kProfileManagementCommands[] = {
    {.name = "SetProfileId",
     .description = "Chooses the profile the controller uses after the next reboot.",
     .handler = "do_SetProfileId",
     .params = {{.name = "ProfileId",
                 .description =
                     "The identifier of the profile, as listed under the Profile groups.",
                 .required = true, .data_type = OXIM_TYPE_INTEGER, .minimum = 1, .maximum = 256}}},
    {.name = "SaveProfile",
     .description = "Saves the configured profile settings to the controller.",
     .handler = "do_SaveProfile"},
    {.name = "SetFactoryDefaults",
     .description = "Restores the factory profile configuration of the controller.",
     .handler = "do_SetFactoryDefaults"},
};

// Quellfire/ProfileManagement/ActiveProfile
const PropertyTemplate kActiveProfileProperties[] = {
    {.name = "ProfileId", .description = "The identifier of the active profile.",
     .default_value = "0"},
};
const GroupTemplate kActiveProfile = {
    .name = "ActiveProfile",
    .description = "The profile the controller is running with, with its ports and functions.",
    .properties = kActiveProfileProperties};

// Quellfire/ProfileManagement/ConfiguredProfile
const PropertyTemplate kConfiguredProfileProperties[] = {
    {.name = "IPLMaxFunctionNumber",
     .description = "The maximum function number set by the initial program load (IPL) file.",
     .handler = "handle_IPLMaxFunctionNumber", .default_value = "0"},
    {.name = "SettableMaxFunctionNumber",
     .description = "Whether the maximum function number can be changed.",
     .handler = "handle_SettableMaxFunctionNumber", .data_type = OXIM_TYPE_LIST,
     .default_value = "Yes", .valid_values = "Yes,No"},
    {.name = "MaxFunctionNumber",
     .description = "The maximum function number configured for the controller.",
     .handler = "handle_MaxFunctionNumber", .default_value = "0"},
    {.name = "ProfileId",
     .description = "The identifier of the profile the controller will use after the next reboot.",
     .flags = OXIM_FLAG_READ_WRITE, .handler = "handle_ConfiguredProfile_ProfileId",
     .data_type = OXIM_TYPE_INTEGER, .minimum = 0, .maximum = 32, .default_value = "0"},
};
const CommandTemplate kConfiguredProfileCommands[] = {
    {.name = "SetMaxFunctionNumber",
     .description = "Sets the maximum function number of the controller.",
     .handler = "do_SetMaxFunctionNumber",
     .params = {{.name = "FunctionNumber", .description = "The new maximum function number.",
                 .data_type = OXIM_TYPE_INTEGER, .minimum = 0, .maximum = 15}}},
};
const GroupTemplate kConfiguredProfile = {
    .name = "ConfiguredProfile",
    .description =
        "The profile the controller will use after the next reboot, with its ports and functions.",
    .properties = kConfiguredProfileProperties, .commands = kConfiguredProfileCommands};

// Quellfire/ProfileManagement: fixed groups, then the group
const GroupTemplate* const kProfileManagementSubgroups[] = {
    &kActiveProfile, &kConfiguredProfile};
const GroupTemplate kProfileManagement = {
    .name = "ProfileManagement",
    .description =
        "The profiles of the controller: which one is active, which one is configured for the "
        "next reboot, and those offered.",
    .properties = kProfileManagementProperties, .commands = kProfileManagementCommands,
    .subgroups = kProfileManagementSubgroups};

// Profile (instanced, under Quellfire/ProfileManagement)
const PropertyTemplate kProfileProperties[] = {
    {.name = "ProfileId", .description = "The identifier of the profile.", .default_value = "0"},
    {.name = "ProfileDescription", .description = "The description of the profile.",
     .default_value = "N/A"},
};
const GroupTemplate kProfile = {
    .name = "Profile", .template_name = "initialize_Profile",
    .description = "A profile the controller offers.",
    .maximum = 100, .parent = "ProfileManagement", .properties = kProfileProperties};

// Protocol (instanced, under ProfileManagement/Profile)
const PropertyTemplate kProfile_ProtocolProperties[] = {
    {.name = "ProtocolName", .description = "The name of the protocol.", .default_value = "N/A"},
    {.name = "FunctionCount",
     .description = "The number of functions of the protocol in the profile.",
     .default_value = "0"},
};
const GroupTemplate kProfile_Protocol = {
    .name = "Protocol", .template_name = "initialize_Profile_Protocol",
    .description = "A protocol of the profile.",
    .maximum = 8, .parent = "Profile", .properties = kProfile_ProtocolProperties};

// Port (instanced, under ProfileManagement/ActiveProfile)
const PropertyTemplate kActiveProfile_PortProperties[] = {
    {.name = "MCType", .description = "The multichannel type of the port in the active profile.",
     .data_type = OXIM_TYPE_LIST, .default_value = "None",
     .valid_values = "UMC,vNIC1,vNIC2,UFP,NPAR,HPFlex,HPUMC,HPFlexQBG,None"},
    {.name = "MaxStoragePFCount",
     .description = "The maximum number of storage physical functions of the port.",
     .default_value = "0"},
    {.name = "MaxNICPFCount",
     .description = "The maximum number of NIC physical functions of the port.",
     .default_value = "0"},
    {.name = "MaxRoCEPFCount",
     .description = "The maximum number of RoCE physical functions of the port.",
     .default_value = "0"},
    {.name = "MaxiSCSIPFCount",
     .description = "The maximum number of iSCSI physical functions of the port.",
     .default_value = "0"},
    {.name = "MaxFCoEPFCount",
     .description = "The maximum number of FCoE physical functions of the port.",
     .default_value = "0"},
};
const GroupTemplate kActiveProfile_Port = {
    .name = "Port", .template_name = "initialize_ActiveProfile_Port",
    .description = "A port under the active profile.",
    .maximum = 4, .parent = "ActiveProfile", .properties = kActiveProfile_PortProperties};

// Function (instanced, under ActiveProfile/Port)
const PropertyTemplate kActiveProfile_Port_FunctionProperties[] = {
    {.name = "Protocol", .description = "The protocol of the function in the active profile.",
     .default_value = "N/A"},
    {.name = "FunctionNumber", .description = "The PCI function number of the function.",
     .default_value = "0"},
    {.name = "MACAddress", .description = "The MAC address of the function.",
     .default_value = "00:00:00:00:00:00"},
    {.name = "SRIOVState",
     .description = "Whether SR-IOV is enabled on the function in the active profile.",
     .handler = "handle_AProf_SRIOVState", .data_type = OXIM_TYPE_LIST, .default_value = "Enabled",
     .valid_values = "Enabled,Disabled"},
};
const GroupTemplate kActiveProfile_Port_Function = {
    .name = "Function", .template_name = "initialize_ActiveProfile_Port_Function",
    .description = "A function of the port under the active profile.",
    .maximum = 64, .parent = "Port", .properties = kActiveProfile_Port_FunctionProperties};

// Port (instanced, under ProfileManagement/ConfiguredProfile)
const PropertyTemplate kConfiguredProfile_PortProperties[] = {
    {.name = "MCType", .description = "The multichannel type of the port after the next reboot.",
     .flags = OXIM_FLAG_READ_WRITE, .handler = "handle_ConfiguredProfile_Port_MCType",
     .data_type = OXIM_TYPE_LIST, .default_value = "None",
     .valid_values = "UMC,vNIC1,vNIC2,UFP,NPAR,HPUMC,HPFlex,HPFlexQBG,None"},
};
const GroupTemplate kConfiguredProfile_Port = {
    .name = "Port", .template_name = "initialize_ConfiguredProfile_Port",
    .description = "A port under the configured profile.",
    .maximum = 4, .parent = "ConfiguredProfile", .properties = kConfiguredProfile_PortProperties};

// Function (instanced, under ConfiguredProfile/Port)
const PropertyTemplate kConfiguredProfile_Port_FunctionProperties[] = {
    {.name = "Protocol",
     .description = "The protocol of the function after the next reboot (up to 8 characters).",
     .flags = OXIM_FLAG_READ_WRITE, .handler = "handle_ConfiguredProfile_Port_Function_Protocol",
     .data_type = OXIM_TYPE_TEXT, .minimum = 0, .maximum = 8, .default_value = "NIC"},
    {.name = "State", .description = "Whether the function is enabled in the configured profile.",
     .data_type = OXIM_TYPE_LIST, .default_value = "Enabled", .valid_values = "Enabled,Disabled"},
    {.name = "FunctionNumber", .description = "The PCI function number of the function.",
     .default_value = "0"},
    {.name = "MACAddress", .description = "The MAC address of the function.",
     .default_value = "00:00:00:00:00:00"},
    {.name = "SRIOVState",
     .description = "Whether SR-IOV is enabled on the function after the next reboot.",
     .flags = OXIM_FLAG_READ_WRITE, .handler = "handle_CProf_SRIOVState",
     .data_type = OXIM_TYPE_LIST, .default_value = "Disabled", .valid_values = "Enabled,Disabled"},
    {.name = "AvailableProtocols", .description = "The protocols the function can take.",
     .handler = "handle_AvailableProtocols", .data_type = OXIM_TYPE_LIST, .default_value = "NIC",
     .valid_values = "NIC,RoCE,FCoE,iSCSI"},
};
const GroupTemplate kConfiguredProfile_Port_Function = {
    .name = "Function", .template_name = "initialize_ConfiguredProfile_Port_Function",
    .description = "A function of the port under the configured profile.",
    .maximum = 64, .parent = "Port", .properties = kConfiguredProfile_Port_FunctionProperties};

// clang-format on

}  // namespace oxim::templates
