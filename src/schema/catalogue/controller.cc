// Group templates: The controller group (Quellfire) with its fixed groups, and the NC-SI
// configuration groups.
#include "schema/templates.h"

namespace oxim::templates {

// clang-format off
const GroupTemplate kQuellfire = {
    .name = "Quellfire", .template_name = "initialize_Quellfire",
    .description = "An adapter controller with its iSCSI and NIC functions.",
    .maximum = 16, .parent = "ROOT"};
const GroupTemplate kNCSIStaticConfiguration = {
    .name = "NCSIStaticConfiguration", .template_name = "initialize_NCSIStaticConfiguration",
    .description = "The static NC-SI settings of the controller.",
    .maximum = 1, .parent = "NCSI"};
const GroupTemplate kNCSIDynamicConfiguration = {
    .name = "NCSIDynamicConfiguration", .template_name = "initialize_NCSIDynamicConfiguration",
    .description = "The NC-SI settings of the controller that can be changed.",
    .maximum = 1, .parent = "NCSI"};
// clang-format on

}  // namespace oxim::templates
