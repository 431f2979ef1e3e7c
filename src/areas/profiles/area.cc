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

const GroupTemplate* const kSharedGroups[] = {
    &templates::kProfileManagement,
};

// Handlers the templates name that are still to be built.
const char* const kPendingHandlers[] = {
    "do_SaveProfile",
    "do_SetFactoryDefaults",
    "do_SetMaxFunctionNumber",
    "do_SetProfileId",
    "handle_AProf_SRIOVState",
    "handle_AvailableProtocols",
    "handle_CProf_SRIOVState",
    "handle_ConfiguredProfile_Port_Function_Protocol",
    "handle_ConfiguredProfile_Port_MCType",
    "handle_ConfiguredProfile_ProfileId",
    "handle_IPLMaxFunctionNumber",
    "handle_MaxFunctionNumber",
    "handle_MaxFunctionsPerPort",
    "handle_RebootRequired",
    "handle_SettableMaxFunctionNumber",
};

}  // namespace

const Area profiles_area = {.name = "profiles",
                            .templates = kTemplates,
                            .shared_groups = kSharedGroups,
                            .pending_handlers = kPendingHandlers};

}  // namespace oxim
