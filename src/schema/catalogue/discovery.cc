// Group templates: SendTargets portals and iSNS servers.
#include "schema/templates.h"

namespace oxim::templates {

// clang-format off
const GroupTemplate kSendTargetPortal = {
    .name = "SendTargetPortal", .template_name = "initialize_SendTargetPortal",
    .description = "A portal asked for its targets with SendTargets discovery.",
    .maximum = 128, .parent = "Discovery"};
const GroupTemplate kiSNSServer = {
    .name = "iSNSServer", .template_name = "initialize_iSNSServer",
    .description = "An iSNS server asked for targets.",
    .maximum = 4, .parent = "iSNS"};
// clang-format on

}  // namespace oxim::templates
