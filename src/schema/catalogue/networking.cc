// Group templates: Route and ARP table entries of an iSCSI function.
#include "schema/templates.h"

namespace oxim::templates {

// clang-format off
const GroupTemplate kRouteTableEntry = {
    .name = "RouteTableEntry", .template_name = "initialize_RouteTableEntry",
    .description = "A route of the iSCSI function's IP stack.",
    .maximum = 1024, .parent = "RouteTable"};
const GroupTemplate kARPTableEntry = {
    .name = "ARPTableEntry", .template_name = "initialize_ARPTableEntry",
    .description = "An entry of the iSCSI function's ARP table.",
    .maximum = 64, .parent = "ARPTable"};
// clang-format on

}  // namespace oxim::templates
