// The discovery area. Target discovery of a logical HBA: its SendTarget
// portals, kept in the saved portal file and restored from it at start-up,
// SendTargets discovery at them, and the refresh of the targets a logical
// HBA can reach; and the iSNS server of an iSCSI function.
#include <cstring>

#include "areas/areas.h"
#include "areas/discovery/catalogue.h"
#include "areas/discovery/isns.h"
#include "areas/discovery/sendtarget_portals.h"
#include "areas/discovery/sendtargets.h"
#include "core/last_status.h"
#include "kit/groups.h"

namespace oxim {
namespace {

const GroupTemplate* const kTemplates[] = {
    &templates::kSendTargetPortal,
    &templates::kiSNSServer,
};

void register_handlers(HandlerRegistry& registry) {
  discovery::register_sendtarget_portal_handlers(registry);
  discovery::register_sendtargets_handlers(registry);
  discovery::register_isns_handlers(registry);
}

// The SendTarget portals of every logical HBA of an iSCSI function come back
// from the saved portal file, and the function's iSNS server is mirrored.
void restore_discovery(Node* function) {
  if (std::strcmp(function->name, "iSCSIPhysicalHBA") != 0) return;
  for (Node* logical_hba : instances_of(function, "LogicalHBA")) {
    Node* discovery = child_group(logical_hba, "Discovery");
    if (discovery != nullptr) (void)discovery::group_Discovery(discovery);
  }
  if (Node* isns = child_group(function, "iSNS")) {
    KeepLastStatus keep;
    (void)discovery::get_all_isns(isns);
  }
}

}  // namespace

const Area discovery_area = {
    .name = "discovery",
    .templates = kTemplates,
    .register_handlers = register_handlers,
    .setup_function = restore_discovery,
};

}  // namespace oxim
