// The tree rebuilt from the firmware and the saved-target files: the
// start-up restore of each logical HBA, the re-adding of saved targets, the
// reconciliation of the tree with the target file (which the discovery
// area's RefreshAvailableTargets runs).
#ifndef OXIM_AREAS_ISCSI_TARGET_RESTORE_H_
#define OXIM_AREAS_ISCSI_TARGET_RESTORE_H_

#include <cstdint>

#include "core/node.h"

namespace oxim::iscsi {

// Start-up of a logical HBA (after its IfName is set): the firmware's
// targets, the saved targets with their options, the initiator options and
// the sessions. 0 on success.
[[nodiscard]] uint32_t OXIM_set_lhba_prop(Node* logical_hba);

// Adds the saved targets and portals that the tree lacks (logging in to
// those recorded with a qualifier). 0, or 1 when a target or portal cannot
// be made.
[[nodiscard]] uint32_t add_target_from_file(Node* logical_hba);

// Deletes the targets and portals that have no line in the target file (a
// missing file changes nothing).
void OXIM_sync_targets_with_file(Node* logical_hba);

}  // namespace oxim::iscsi

#endif  // OXIM_AREAS_ISCSI_TARGET_RESTORE_H_
