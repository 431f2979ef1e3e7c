// Targets and target portals of a logical HBA: the builders, the loading of
// the firmware's targets, the AddTarget/DeleteTarget and
// AddTargetPortal/DeleteTargetPortal commands, and the target properties
// (TargetType, TargetAlias), the logical HBA's Enabled and the target's
// refresh.
#ifndef OXIM_AREAS_ISCSI_TARGETS_H_
#define OXIM_AREAS_ISCSI_TARGETS_H_

#include <cstdint>
#include <string>

#include "core/node.h"

namespace oxim {
class HandlerRegistry;
}

namespace oxim::iscsi {

// A TargetPortal under target with the three properties set; nullptr on
// failure (nothing left behind).
Node* setup_portal(Node* target, const std::string& ip, const std::string& port,
                   const std::string& portal_group_tag);
// A new Target named name under logical_hba (Static, or Discovered when
// discovered), its ETO the controller's default; nullptr when it exists or
// cannot be made.
Node* setup_target(Node* logical_hba, const std::string& name, bool discovered);

// Loads the firmware's targets into the tree. 0 on success.
[[nodiscard]] uint32_t get_all_targets(Node* logical_hba, bool discovered);

// Records target and portal in the saved-target file: the first line of a
// target takes the initiator's options (copied into TargetLoginOptions);
// later portals the target's own. 0, or kSavedFileFailure with the last
// status naming the file.
[[nodiscard]] uint32_t record_target_portal(Node* logical_hba, Node* target, const std::string& ip,
                                            const std::string& port);

// For a client that attaches to a tree already built: every logical HBA
// takes the targets and sessions the firmware holds now (they may have
// changed since the tree was built: a persistent login restored by the
// adapter in the background, a session that ended).
void OXIM_refresh_backend_client_iscsi_targets(Node* root);

void register_target_handlers(HandlerRegistry& registry);

}  // namespace oxim::iscsi

#endif  // OXIM_AREAS_ISCSI_TARGETS_H_
