// SendTarget portals of a logical HBA: the AddSendTargetPortal and
// DeleteSendTargetPortal commands of its Discovery group, and the Discovery
// refresh that makes the SendTargetPortal groups those of the saved portal
// file (savestp.txt), also at start-up.
#ifndef OXIM_AREAS_DISCOVERY_SENDTARGET_PORTALS_H_
#define OXIM_AREAS_DISCOVERY_SENDTARGET_PORTALS_H_

#include <cstdint>

#include "core/node.h"

namespace oxim {
class HandlerRegistry;
}

namespace oxim::discovery {

// Refresh of a Discovery group: SendTargetPortal groups without a saved line
// are deleted, lines without a group become groups with the line's address,
// port, MAC address and login options. A file that cannot be read changes
// nothing. Always 0.
uint32_t group_Discovery(Node* discovery);

// Removes a SendTargetPortal's saved line, then the group (as
// DeleteSendTargetPortal). 0, or 1 when the saved file cannot be changed
// (its last status names it) and the group stays.
[[nodiscard]] uint32_t delete_sendtarget_portal(Node* portal);

void register_sendtarget_portal_handlers(HandlerRegistry& registry);

}  // namespace oxim::discovery

#endif  // OXIM_AREAS_DISCOVERY_SENDTARGET_PORTALS_H_
