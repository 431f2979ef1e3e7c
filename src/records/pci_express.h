// The PCI Express capability in a function's PCI configuration space, as
// the firmware's configuration read (pci_config_command.h) and the NIC
// driver's configuration read (driver_records.h, request 8) carry it: the
// capability list that leads to it and its link control and status
// register, which gives the link's width and speed. Shared by the library
// and the emulated adapter. Little-endian.
//
// Configuration space:
//   offset size field
//   0x34   1    first capability pointer (low 2 bits ignored)
// Capability at offset c (c at least 0x40):
//   c      1    capability ID (0x10: PCI Express)
//   c+1    1    next capability pointer, 0 at the end of the list
//   c+0x10 4    link control and status: bits 16-19 the link speed code,
//               bits 20-25 the negotiated width
// On Korvel the capability stands at 0x94, so that the link register is the
// 4 bytes at configuration offset 164 that the NIC driver's read asks for.
//
//   std::optional<uint32_t> link = FindPcieLinkRegister(space);
//   if (link) printf("x%u", PcieLinkWidth(*link));
#ifndef OXIM_RECORDS_PCI_EXPRESS_H_
#define OXIM_RECORDS_PCI_EXPRESS_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "records/coding.h"

namespace oxim::records {

inline constexpr size_t kCapabilityPointerOffset = 0x34;
inline constexpr size_t kFirstCapabilityOffset = 0x40;
inline constexpr uint8_t kPcieCapabilityId = 0x10;
inline constexpr size_t kCapabilityNextOffset = 1;
inline constexpr size_t kPcieLinkRegisterOffset = 0x10;  // within the capability
inline constexpr size_t kKorvelPcieCapabilityOffset = 0x94;
inline constexpr size_t kKorvelLinkRegisterOffset =
    kKorvelPcieCapabilityOffset + kPcieLinkRegisterOffset;
static_assert(kKorvelLinkRegisterOffset == 164);
// A capability list longer than this is looped.
inline constexpr int kMaxCapabilities = 48;

// The link control and status register of the PCI Express capability in
// `space` (the bytes from configuration offset 0); nullopt when the list has
// no such capability within the bytes, or loops.
inline std::optional<uint32_t> FindPcieLinkRegister(std::span<const uint8_t> space) {
  if (space.size() <= kCapabilityPointerOffset) return std::nullopt;
  size_t at = space[kCapabilityPointerOffset] & 0xFC;
  for (int step = 0; step < kMaxCapabilities && at >= kFirstCapabilityOffset; ++step) {
    if (!FieldFits(at, kPcieLinkRegisterOffset + 4, space.size())) return std::nullopt;
    if (space[at] == kPcieCapabilityId)
      return DecodeFixed32(space.data() + at + kPcieLinkRegisterOffset);
    at = space[at + kCapabilityNextOffset] & 0xFC;
  }
  return std::nullopt;
}

// Writes a PCI Express capability at `at` with its link register, and makes
// it the first capability of the list. False when it does not fit.
inline bool EncodePcieCapability(std::span<uint8_t> space, size_t at, uint32_t link_register) {
  if (at < kFirstCapabilityOffset || !FieldFits(at, kPcieLinkRegisterOffset + 4, space.size()) ||
      space.size() <= kCapabilityPointerOffset) {
    return false;
  }
  space[kCapabilityPointerOffset] = static_cast<uint8_t>(at);
  space[at] = kPcieCapabilityId;
  space[at + kCapabilityNextOffset] = 0;
  space[at + 2] = 0x02;  // capability version 2, endpoint
  EncodeFixed32(space.data() + at + kPcieLinkRegisterOffset, link_register);
  return true;
}

// The link register of a link of `width` lanes at speed code `speed`.
constexpr uint32_t PcieLinkRegister(uint32_t width, uint32_t speed) {
  return ((width & 0x3F) << 20) | ((speed & 0xF) << 16);
}
constexpr uint32_t PcieLinkWidth(uint32_t link_register) { return (link_register >> 20) & 0x3F; }
constexpr uint32_t PcieLinkSpeedCode(uint32_t link_register) { return (link_register >> 16) & 0xF; }

// The rate of a link speed code in GT/s (1 2.5, 2 5, 3 8, 4 16, 5 32, 6 64);
// nullopt for a code without one.
constexpr std::optional<double> PcieSpeedGts(uint32_t speed_code) {
  switch (speed_code) {
    case 1: return 2.5;
    case 2: return 5.0;
    case 3: return 8.0;
    case 4: return 16.0;
    case 5: return 32.0;
    case 6: return 64.0;
    default: return std::nullopt;
  }
}

}  // namespace oxim::records

#endif  // OXIM_RECORDS_PCI_EXPRESS_H_
