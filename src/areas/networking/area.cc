// The networking area. Networking of the iSCSI functions: route and ARP table entries. So far the
// area defines its group templates; their handlers are still to come
// (OXIM_get_unimplemented_handlers lists them).
#include "areas/areas.h"
#include "areas/networking/catalogue.h"

namespace oxim {
namespace {

const GroupTemplate* const kTemplates[] = {
    &templates::kRouteTableEntry,
    &templates::kARPTableEntry,
};

}  // namespace

const Area networking_area = {.name = "networking", .templates = kTemplates};

}  // namespace oxim
