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

const GroupTemplate* const kSharedGroups[] = {
    &templates::kExtFATData,
    &templates::kEventLog,
    &templates::kFATData,
};

// Handlers the templates name that are still to be built.
const char* const kPendingHandlers[] = {
    "do_ClearEventLog",
    "do_ClearFATData",
    "do_DisableLoggingOnAllModules",
    "do_EnableLoggingOnAllModules",
    "do_RefreshEventLog",
    "do_RetrieveARMLog",
    "do_RetrieveFATData",
    "do_SetDefaultLoggingConfiguration",
    "handle_FATDataValid",
    "handle_current_mode_properties",
};

}  // namespace

const Area logs_area = {.name = "logs",
                        .templates = kTemplates,
                        .shared_groups = kSharedGroups,
                        .pending_handlers = kPendingHandlers};

}  // namespace oxim
