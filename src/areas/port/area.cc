// The port area. Ports: diagnostics, port speed and the channels of each port. So far the area
// defines its group templates; their handlers are still to come (OXIM_get_unimplemented_handlers
// lists them).
#include "areas/areas.h"
#include "areas/port/catalogue.h"

namespace oxim {
namespace {

const GroupTemplate* const kTemplates[] = {
    &templates::kPortDiscoveryAndConfiguration,
    &templates::kChannel,
};

}  // namespace

const Area port_area = {.name = "port", .templates = kTemplates};

}  // namespace oxim
