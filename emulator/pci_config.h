// The PCI configuration space of an emulated function: the header that
// identifies it (vendor, device, class, subsystem IDs) and a PCI Express
// capability whose link status reports x8 at 5 GT/s (records/pci_express.h;
// on Korvel where the NIC driver's read of offset 164 finds its link
// register). The NIC driver's configuration read, the firmware's
// configuration read and the emulated lspci all show these bytes.
#ifndef OXIM_EMULATOR_PCI_CONFIG_H_
#define OXIM_EMULATOR_PCI_CONFIG_H_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "adapter_model.h"

namespace oxim::emulator {

inline constexpr size_t kConfigSpaceSize = 4096;
// The link of every emulated function: 8 lanes at speed code 2 (5 GT/s).
inline constexpr uint32_t kPcieLanes = 8;
inline constexpr uint32_t kPcieSpeedCode = 2;

// The 4096 bytes of the function's configuration space.
std::vector<uint8_t> ConfigSpace(const AdapterModel& model, const FunctionRef& function);

}  // namespace oxim::emulator

#endif  // OXIM_EMULATOR_PCI_CONFIG_H_
