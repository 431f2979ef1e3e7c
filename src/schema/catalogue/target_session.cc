// Group templates: Targets, their portals, sessions, connections and LUNs.
#include "schema/templates.h"

namespace oxim::templates {

// clang-format off
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
// clang-format on

}  // namespace oxim::templates
