// The network interface of an iSCSI function (its NICConfiguration group
// under Network): the services that read its MAC address, network
// parameters and logical link status from the firmware, and the
// registration of the group's handlers (port.cc).
#ifndef OXIM_AREAS_NETWORKING_PORT_H_
#define OXIM_AREAS_NETWORKING_PORT_H_

#include <cstdint>
#include <string>

#include "core/node.h"

namespace oxim {
class HandlerRegistry;
}

namespace oxim::networking {

// Reads the function's MAC address into the group's MACAddress and
// PermanentMACAddress ("%02x-%02x-%02x-%02x-%02x-%02x"). The transport's
// status on failure.
[[nodiscard]] uint32_t OXIM_get_iscsi_ntwk_mac(Node* group);
// Reads the function's highest port speed and MTU into the group's
// PortMaxSpeed and MaxMTUSize (93 on failure); a speed code without a text
// leaves PortMaxSpeed as it was.
[[nodiscard]] uint32_t OXIM_get_iscsi_ntwk_params(Node* group);
// The logical link of the iSCSI function node belongs to: *value "Up" or
// "Down", or empty for a state the firmware names otherwise. 1 when the chip
// cannot be determined, 227 when the firmware does not answer.
[[nodiscard]] uint32_t get_logical_link_status(Node* node, std::string* value);

void register_port_handlers(HandlerRegistry& registry);

}  // namespace oxim::networking

#endif  // OXIM_AREAS_NETWORKING_PORT_H_
