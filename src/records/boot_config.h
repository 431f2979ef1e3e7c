// Boot settings of a function in subsystem 1: the boot configuration
// (opcodes 66 and 67, 8 bytes; ioctl_get_boot_config, ioctl_set_boot_config)
// and the PCI function mapping (opcode 83, 68 bytes;
// ioctl_get_pci_func_mapping), whose bit map says which functions' boot
// code (expansion ROM) is enabled. Shared by the library and the emulated
// adapter. Little-endian.
//
// Boot configuration:
//   offset size field
//   0      1    boot state: 1 enabled, 0 disabled
//   2      1    native mode (the controller's advanced mode): non-zero on
//   3      1    boot method of a NIC function: 1 PXE, 2 iBFT (below 2: PXE)
// A write sends back the 8 bytes read, with the fields changed.
//
// PCI function mapping:
//   32     4    bit f set: the expansion ROM of PCI function f is enabled
//
//   std::optional<BootConfig> boot = DecodeBootConfig(answer);
//   boot->state = kBootEnabled;
//   EncodeBootConfig(answer, *boot);  // the other bytes as read
#ifndef OXIM_RECORDS_BOOT_CONFIG_H_
#define OXIM_RECORDS_BOOT_CONFIG_H_

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "records/coding.h"

namespace oxim::records {

// --- Boot configuration ---
inline constexpr size_t kBootConfigSize = 8;
inline constexpr size_t kBootStateOffset = 0;
inline constexpr size_t kBootNativeModeOffset = 2;
inline constexpr size_t kBootMethodOffset = 3;
inline constexpr uint8_t kBootEnabled = 1;
inline constexpr uint8_t kBootDisabled = 0;
inline constexpr uint8_t kBootMethodPxe = 1;
inline constexpr uint8_t kBootMethodIbft = 2;
static_assert(FieldFits(kBootMethodOffset, 1, kBootConfigSize));

struct BootConfig {
  uint8_t state = kBootDisabled;
  uint8_t native_mode = 0;
  uint8_t method = kBootMethodPxe;
};

// Writes the three fields, leaving the other bytes as they are (a write
// sends back what was read). False when the buffer is shorter than 8 bytes.
inline bool EncodeBootConfig(std::span<uint8_t> buffer, const BootConfig& boot) {
  if (buffer.size() < kBootConfigSize) return false;
  buffer[kBootStateOffset] = boot.state;
  buffer[kBootNativeModeOffset] = boot.native_mode;
  buffer[kBootMethodOffset] = boot.method;
  return true;
}

inline std::optional<BootConfig> DecodeBootConfig(std::span<const uint8_t> buffer) {
  if (buffer.size() < kBootConfigSize) return std::nullopt;
  return BootConfig{buffer[kBootStateOffset], buffer[kBootNativeModeOffset],
                    buffer[kBootMethodOffset]};
}

// --- PCI function mapping ---
inline constexpr size_t kPciFuncMappingSize = 68;
inline constexpr size_t kRomBitmapOffset = 32;
static_assert(FieldFits(kRomBitmapOffset, 4, kPciFuncMappingSize));

// Writes the bit map (other bytes zeroed); false when the answer is shorter
// than 68 bytes.
inline bool EncodePciFuncMapping(std::span<uint8_t> answer, uint32_t rom_bitmap) {
  if (answer.size() < kPciFuncMappingSize) return false;
  std::fill_n(answer.data(), kPciFuncMappingSize, uint8_t{0});
  EncodeFixed32(answer.data() + kRomBitmapOffset, rom_bitmap);
  return true;
}

inline std::optional<uint32_t> DecodePciFuncMapping(std::span<const uint8_t> answer) {
  if (answer.size() < kPciFuncMappingSize) return std::nullopt;
  return DecodeFixed32(answer.data() + kRomBitmapOffset);
}

// Whether the expansion ROM of PCI function f is enabled in the bit map;
// false for a function the 32-bit map has no bit for.
constexpr bool RomEnabled(uint32_t rom_bitmap, uint32_t function) {
  return function < 32 && (rom_bitmap & (uint32_t{1} << function)) != 0;
}

}  // namespace oxim::records

#endif  // OXIM_RECORDS_BOOT_CONFIG_H_
