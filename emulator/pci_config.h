// The PCI configuration space of an emulated function: the header that
// identifies it (vendor, device, class, subsystem IDs), a PCI Express
// capability whose link status reports x8 at 5 GT/s, and the word at the
// probe offset that tells a physical function (0). The NIC driver's
// configuration read, the firmware's configuration read and the emulated
// lspci all show these bytes.
#ifndef OXIM_EMULATOR_PCI_CONFIG_H_
#define OXIM_EMULATOR_PCI_CONFIG_H_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "adapter_model.h"

namespace oxim::emulator {

inline constexpr size_t kConfigSpaceSize = 4096;
// Configuration offset whose word the library reads on Korvel functions.
inline constexpr size_t kConfigProbeOffset = 164;
// Where the PCI Express capability sits, and its link control/status word.
inline constexpr size_t kPcieCapabilityOffset = 0x40;
inline constexpr size_t kPcieLinkWordOffset = kPcieCapabilityOffset + 0x10;

// The 4096 bytes of the function's configuration space.
std::vector<uint8_t> ConfigSpace(const AdapterModel& model, const FunctionRef& function);

}  // namespace oxim::emulator

#endif  // OXIM_EMULATOR_PCI_CONFIG_H_
