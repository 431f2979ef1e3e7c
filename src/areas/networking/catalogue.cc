// Group templates: Route and ARP table entries of an iSCSI function.
#include "areas/networking/catalogue.h"

namespace oxim::templates {

// clang-format off

// RouteTableEntry (instanced, under iSCSIPhysicalHBA/Network/TCPIPConfiguration/RouteTable)
const PropertyTemplate kRouteTableEntryProperties[] = {
    {.name = "Destination",
     .description = "The address of the destination network or host of the route.",
     .default_value = "0.0.0.0"},
    {.name = "SubnetMask",
     .description = "The subnet mask of the route's destination.",
     .default_value = "0.0.0.0"},
    {.name = "Gateway",
     .description = "The gateway through which the destination is reached.",
     .default_value = "0.0.0.0"},
};
const GroupTemplate kRouteTableEntry = {
    .name = "RouteTableEntry", .template_name = "initialize_RouteTableEntry",
    .description = "A route of the iSCSI function's IP stack.",
    .maximum = 1024, .parent = "RouteTable",
    .properties = kRouteTableEntryProperties};

// ARPTableEntry (instanced, under iSCSIPhysicalHBA/Network/TCPIPConfiguration/ARPTable)
const PropertyTemplate kARPTableEntryProperties[] = {
    {.name = "IPAddress",
     .description = "The IPv4 address of the entry.",
     .default_value = "0.0.0.0"},
    {.name = "MACAddress",
     .description = "The MAC address to which the IPv4 address resolves.",
     .default_value = "00:00:00:00:00:00"},
};
const GroupTemplate kARPTableEntry = {
    .name = "ARPTableEntry", .template_name = "initialize_ARPTableEntry",
    .description = "An entry of the iSCSI function's ARP table.",
    .maximum = 64, .parent = "ARPTable",
    .properties = kARPTableEntryProperties};

// clang-format on

}  // namespace oxim::templates
