// Group templates: Firmware trace modes and modules, and event log entries.
#include "areas/logs/catalogue.h"

namespace oxim::templates {

// clang-format off

// Quellfire/ExtFATData
const PropertyTemplate kExtFATDataProperties[] = {
    {.name = "MaxLogEntries", .description = "The maximum number of firmware trace entries.",
     .default_value = "0"},
    {.name = "LogEntrySize", .description = "The size of a firmware trace entry in bytes.",
     .default_value = "0"},
    {.name = "LoggingType",
     .description = "Whether firmware trace entries are written synchronously or asynchronously.",
     .data_type = OXIM_TYPE_LIST, .default_value = "synchronous",
     .valid_values = "synchronous,asynchronous"},
    {.name = "MaxLoggingFunctions",
     .description = "The maximum number of functions that can be traced.",
     .default_value = "0"},
    {.name = "MaxLoggingPorts", .description = "The maximum number of ports that can be traced.",
     .default_value = "0"},
    {.name = "SupportedModes", .description = "The trace modes the controller supports.",
     .data_type = OXIM_TYPE_LIST, .default_value = "UART", .valid_values = "UART,RAM"},
    {.name = "NumberOfModules", .description = "The number of firmware modules that can be traced.",
     .default_value = "0"},
};
const CommandTemplate kExtFATDataCommands[] = {
    {.name = "RetrieveARMLog", .description = "Saves the firmware trace log to a file.",
     .handler = "do_RetrieveARMLog",
     .params = {{.name = "ARMLogFileName", .description = "The file the trace log is written to.",
                 .required = true, .data_type = OXIM_TYPE_TEXT, .minimum = 3, .maximum = 255},
                {.name = "SnapshotMode", .description = "Where the trace log is taken from.",
                 .required = true, .data_type = OXIM_TYPE_LIST, .valid_values = "RAM,DDR,FLASH"}}},
    {.name = "EnableLoggingOnAllModules",
     .description = "Enables firmware tracing on every module at the given level.",
     .handler = "do_EnableLoggingOnAllModules",
     .params = {{.name = "TraceLevel", .description = "The trace level to set.",
                 .required = true, .data_type = OXIM_TYPE_LIST,
                 .valid_values = "0,1,4,5,8,16,32,48,64,128"},
                {.name = "UARTMode", .description = "Yes to trace to the UART.",
                 .data_type = OXIM_TYPE_LIST, .valid_values = "Yes,No"},
                {.name = "RAMMode", .description = "Yes to trace to RAM.",
                 .data_type = OXIM_TYPE_LIST, .valid_values = "Yes,No"}}},
    {.name = "DisableLoggingOnAllModules",
     .description = "Disables firmware tracing on every module.",
     .handler = "do_DisableLoggingOnAllModules",
     .params = {{.name = "UARTMode", .description = "Yes to stop tracing to the UART.",
                 .data_type = OXIM_TYPE_LIST, .valid_values = "Yes,No"},
                {.name = "RAMMode", .description = "Yes to stop tracing to RAM.",
                 .data_type = OXIM_TYPE_LIST, .valid_values = "Yes,No"}}},
    {.name = "SetDefaultLoggingConfiguration",
     .description = "Restores the default firmware trace configuration.",
     .handler = "do_SetDefaultLoggingConfiguration"},
};
const GroupTemplate kExtFATData = {
    .name = "ExtFATData",
    .description =
        "The extended firmware trace settings of the controller, with its trace modules.",
    .properties = kExtFATDataProperties, .commands = kExtFATDataCommands};

// Quellfire/EventLog
const CommandTemplate kEventLogCommands[] = {
    {.name = "RefreshEventLog", .description = "Reads the event log from the controller again.",
     .handler = "do_RefreshEventLog"},
    {.name = "ClearEventLog", .description = "Clears the event log of the controller.",
     .handler = "do_ClearEventLog"},
};
const GroupTemplate kEventLog = {
    .name = "EventLog", .description = "The event log of the controller firmware.",
    .commands = kEventLogCommands};

// Quellfire/FATData
const PropertyTemplate kFATDataProperties[] = {
    {.name = "FATDataValid",
     .description = "Whether the controller holds valid firmware trace data.",
     .handler = "handle_FATDataValid", .data_type = OXIM_TYPE_LIST, .default_value = "Yes",
     .valid_values = "Yes,No"},
};
const CommandTemplate kFATDataCommands[] = {
    {.name = "RetrieveFATData", .description = "Saves the firmware trace data to a file.",
     .handler = "do_RetrieveFATData",
     .params = {{.name = "FATFileName", .description = "The file the trace data is written to.",
                 .required = true, .data_type = OXIM_TYPE_TEXT, .minimum = 3, .maximum = 255}}},
    {.name = "ClearFATData", .description = "Clears the firmware trace data of the controller.",
     .handler = "do_ClearFATData"},
};
const GroupTemplate kFATData = {
    .name = "FATData", .description = "The firmware trace (FAT) data of the controller.",
    .properties = kFATDataProperties, .commands = kFATDataCommands};

// ExtFATMode (instanced, under Quellfire/ExtFATData)
const PropertyTemplate kExtFATModeProperties[] = {
    {.name = "Mode", .description = "Where the trace of this mode goes.",
     .data_type = OXIM_TYPE_LIST, .default_value = "UART", .valid_values = "UART,RAM"},
    {.name = "PortMask", .description = "The ports traced in this mode, as a hexadecimal bitmap.",
     .flags = OXIM_FLAG_READ_WRITE, .handler = "handle_current_mode_properties",
     .data_type = OXIM_TYPE_TEXT, .minimum = 3, .maximum = 4, .default_value = "0xFF"},
    {.name = "PCIFunctionMask",
     .description = "The PCI functions traced in this mode, as a hexadecimal bitmap.",
     .flags = OXIM_FLAG_READ_WRITE, .handler = "handle_current_mode_properties",
     .data_type = OXIM_TYPE_TEXT, .minimum = 3, .maximum = 18,
     .default_value = "0xFFFFFFFFFFFFFFFF"},
    {.name = "TraceLevel", .description = "The trace level of the module in this mode.",
     .flags = OXIM_FLAG_READ_WRITE, .handler = "handle_current_mode_properties",
     .data_type = OXIM_TYPE_LIST, .default_value = "0",
     .valid_values = "0,1,4,5,8,16,32,48,64,128,255"},
};
const GroupTemplate kExtFATMode = {
    .name = "ExtFATMode", .template_name = "initialize_ExtFATMode",
    .description = "A firmware trace mode.",
    .maximum = 2, .parent = "ExtFATData", .properties = kExtFATModeProperties};

// ExtFATModule (instanced, under Quellfire/ExtFATData)
const PropertyTemplate kExtFATModuleProperties[] = {
    {.name = "ModuleString", .description = "The name of the firmware module.",
     .default_value = "N/A"},
    {.name = "ModuleId", .description = "The identifier of the firmware module.",
     .default_value = "0"},
};
const GroupTemplate kExtFATModule = {
    .name = "ExtFATModule", .template_name = "initialize_ExtFATModule",
    .description = "A firmware trace module.",
    .maximum = 64, .parent = "ExtFATData", .properties = kExtFATModuleProperties};

// EventLogEntry (instanced, under Quellfire/EventLog)
const PropertyTemplate kEventLogEntryProperties[] = {
    {.name = "SequenceNumber", .description = "The sequence number of the event.",
     .default_value = "0"},
    {.name = "TimeStamp", .description = "When the event happened.", .default_value = "N/A"},
    {.name = "Severity", .description = "The severity of the event.", .default_value = "N/A"},
    {.name = "Description", .description = "The description of the event.", .default_value = "N/A"},
    {.name = "ErrorCode", .description = "The error code of the event.", .default_value = "0"},
};
const GroupTemplate kEventLogEntry = {
    .name = "EventLogEntry", .template_name = "initialize_EventLogEntry",
    .description = "An entry of the firmware event log.",
    .maximum = 1024, .parent = "EventLog", .properties = kEventLogEntryProperties};

// clang-format on

}  // namespace oxim::templates
