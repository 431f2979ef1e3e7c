// Network boot of NIC functions (boot state and method, boot VLAN, volatile
// MAC address, erasing the NIC configuration) and the boot BIOS switch of
// iSCSI functions; see network_boot.cc.
#ifndef OXIM_AREAS_NIC_NETWORK_BOOT_H_
#define OXIM_AREAS_NIC_NETWORK_BOOT_H_

#include <cstdint>

#include "core/node.h"

namespace oxim {

class HandlerRegistry;

// The status a firmware that must be rebooted at once answers an erase with
// (the erase succeeded).
inline constexpr uint32_t kRebootNowStatus = 55;

// Resets the NIC (PXE) configuration of a NIC function's port to its factory
// state; no virtual-function test. Returns the erase command's result: 0
// (last status 184), 55 when the machine must be rebooted at once (last
// status 239), else that result with last status 188.
[[nodiscard]] uint32_t OXIM_EraseNICConfiguration(Node* nic_function);

void register_network_boot_handlers(HandlerRegistry& registry);

}  // namespace oxim

#endif  // OXIM_AREAS_NIC_NETWORK_BOOT_H_
