// Group templates: Firmware trace modes and modules, and event log entries.
#include "schema/templates.h"

namespace oxim::templates {

// clang-format off
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
