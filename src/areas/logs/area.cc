// The logs area. The firmware event log and trace logs of a controller. So far the area defines its
// group templates; their handlers are still to come (OXIM_get_unimplemented_handlers lists them).
#include "areas/areas.h"
#include "areas/logs/catalogue.h"

namespace oxim {
namespace {

const GroupTemplate* const kTemplates[] = {
    &templates::kExtFATMode,
    &templates::kExtFATModule,
    &templates::kEventLogEntry,
};

}  // namespace

const Area logs_area = {.name = "logs", .templates = kTemplates};

}  // namespace oxim
