// Group templates: Profiles of the controller and the ports and functions under the active and
// configured profile.
#include "schema/templates.h"

namespace oxim::templates {

// clang-format off
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
// clang-format on

}  // namespace oxim::templates
