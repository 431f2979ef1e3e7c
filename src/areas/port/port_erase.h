// Erasing a port's port and discovery configuration in the adapter's flash:
// the ErasePortandDiscoveryConfiguration command of a
// PortDiscoveryAndConfiguration group, and the same erase for the
// controller-wide erase.
#ifndef OXIM_AREAS_PORT_PORT_ERASE_H_
#define OXIM_AREAS_PORT_PORT_ERASE_H_

#include <cstdint>
#include <string>

#include "core/node.h"
#include "core/status.h"

namespace oxim {

class HandlerRegistry;

inline constexpr StatusMessage kPortEraseFailed{
    187,
    "Failed to erase port and discovery configuration. Please check oxim2d.log file for more "
    "information."};

// Sends the erase of the port and discovery configuration of a controller's
// port (its number as the PortNumber properties show it) to the port's
// function: its iSCSI function, else its NIC function. No virtual-function
// test. 0 with last status 184; else 187 (reported), also for a port
// without a function.
[[nodiscard]] uint32_t OXIM_ErasePortandDiscoveryConfiguration(Node* controller,
                                                               const std::string& port);

void register_port_erase_handlers(HandlerRegistry& registry);

}  // namespace oxim

#endif  // OXIM_AREAS_PORT_PORT_ERASE_H_
