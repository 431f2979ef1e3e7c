// Group templates: NIC functions (NICPhysicalHBA) and their virtual functions (NICLogicalHBA).
#include "schema/templates.h"

namespace oxim::templates {

// clang-format off
const GroupTemplate kNICPhysicalHBA = {
    .name = "NICPhysicalHBA", .template_name = "initialize_NICPhysicalHBA",
    .description = "A NIC function of the controller.",
    .maximum = 32, .parent = "Quellfire", .refresh = "group_NICPhysicalHBA"};
const GroupTemplate kNICLogicalHBA = {
    .name = "NICLogicalHBA", .template_name = "initialize_NICLogicalHBA",
    .description = "A virtual function of a NIC function.",
    .maximum = 64, .parent = "NICPhysicalHBA"};
// clang-format on

}  // namespace oxim::templates
