// The nic area. NIC function settings: MAC addresses, MTU, boot settings and virtual functions of
// the NIC functions. So far the area defines its group templates; their handlers are still to come
// (OXIM_get_unimplemented_handlers lists them).
#include "areas/areas.h"
#include "areas/nic/catalogue.h"

namespace oxim {
namespace {

const GroupTemplate* const kTemplates[] = {
    &templates::kNICPhysicalHBA,
    &templates::kNICLogicalHBA,
};

}  // namespace

const Area nic_area = {.name = "nic", .templates = kTemplates};

}  // namespace oxim
