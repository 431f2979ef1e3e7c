// The discovery area. Target discovery: SendTarget portals and iSNS servers of a logical HBA. So
// far the area defines its group templates; their handlers are still to come
// (OXIM_get_unimplemented_handlers lists them).
#include "areas/areas.h"
#include "areas/discovery/catalogue.h"

namespace oxim {
namespace {

const GroupTemplate* const kTemplates[] = {
    &templates::kSendTargetPortal,
    &templates::kiSNSServer,
};

// Handlers the templates name that are still to be built.
const char* const kPendingHandlers[] = {
    "do_DiscoverTargets",
};

}  // namespace

const Area discovery_area = {
    .name = "discovery", .templates = kTemplates, .pending_handlers = kPendingHandlers};

}  // namespace oxim
