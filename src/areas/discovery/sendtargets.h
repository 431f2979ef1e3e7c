// SendTargets discovery: one discovery session to a SendTarget portal, its
// answer turned into Discovered targets with their portals, the
// DiscoverTargets command of a SendTargetPortal, and the
// RefreshAvailableTargets command of a Discovery group, which runs it for
// every portal.
#ifndef OXIM_AREAS_DISCOVERY_SENDTARGETS_H_
#define OXIM_AREAS_DISCOVERY_SENDTARGETS_H_

#include <cstdint>
#include <span>
#include <string>

#include "core/node.h"
#include "records/sendtargets.h"

namespace oxim {
class HandlerRegistry;
}

namespace oxim::discovery {

// One SendTargets discovery at the portal: "SendTargets=All", or the one
// target named (which must be a valid iSCSI name, else 30). 0, or the
// status of the failure (its last status set).
[[nodiscard]] uint32_t discover_targets(Node* sendtarget_portal, const std::string& target_name);

// Turns the targets of an answer into groups under the logical HBA: a target
// that exists gets the portals it lacks, any other becomes a Discovered
// target with its portals; every new portal is recorded in the saved-target
// file. On QF2 and QF3 controllers only the first 128 are taken. A target
// whose name cannot be an iSCSI name, or that cannot be made, is skipped
// and counted in the log. 0, or 1 when a portal cannot be made or saved.
[[nodiscard]] uint32_t BuildTargetInfoList(std::span<const records::DiscoveredTarget> targets,
                                           Node* logical_hba);

void register_sendtargets_handlers(HandlerRegistry& registry);

}  // namespace oxim::discovery

#endif  // OXIM_AREAS_DISCOVERY_SENDTARGETS_H_
