// The profiles area. Personalities, profiles and SR-IOV settings of a controller. So far the area
// defines its group templates; their handlers are still to come (OXIM_get_unimplemented_handlers
// lists them).
#include "areas/areas.h"
#include "areas/profiles/catalogue.h"

namespace oxim {
namespace {

const GroupTemplate* const kTemplates[] = {
    &templates::kProfile,
    &templates::kProfile_Protocol,
    &templates::kActiveProfile_Port,
    &templates::kConfiguredProfile_Port,
    &templates::kActiveProfile_Port_Function,
    &templates::kConfiguredProfile_Port_Function,
};

}  // namespace

const Area profiles_area = {.name = "profiles", .templates = kTemplates};

}  // namespace oxim
