// The virtual NIC answers of subsystem 1: the vNIC name (opcode 120, 92
// bytes; ioctl_get_vnic_function_name) and the vNIC statistics (opcode 64,
// 24 bytes; ioctl_get_vnic_function_stats). Shared by the library and the
// emulated adapter. Little-endian; the name is NUL-padded ASCII, a name that
// fills its field has no NUL.
//
// vNIC name:
//   offset size field
//   0      4    1 when the function is a virtual NIC channel
//   4      88   its name
//
// vNIC statistics (the fields stand at bytes 34, 36 and 37 of the command
// buffer, which the 16-byte request header precedes):
//   18     2    outer VLAN ID
//   20     1    minimum bandwidth, percent of the port
//   21     1    maximum bandwidth, percent of the port
//
//   std::optional<VnicName> name = DecodeVnicName(answer);
//   if (name && name->enabled) show(name->name);
#ifndef OXIM_RECORDS_VNIC_H_
#define OXIM_RECORDS_VNIC_H_

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "records/coding.h"

namespace oxim::records {

// --- vNIC name ---
inline constexpr size_t kVnicNameSize = 92;
inline constexpr size_t kVnicEnabledOffset = 0;
inline constexpr size_t kVnicNameOffset = 4;
inline constexpr size_t kVnicNameTextSize = kVnicNameSize - kVnicNameOffset;
inline constexpr uint32_t kVnicEnabled = 1;
static_assert(FieldFits(kVnicEnabledOffset, 4, kVnicNameOffset));

struct VnicName {
  bool enabled = false;
  std::string name;  // at most 88 characters
};

// Writes the answer (other bytes zeroed, the name cut to 88 characters);
// false when it is shorter than 92 bytes.
inline bool EncodeVnicName(std::span<uint8_t> answer, const VnicName& vnic) {
  if (answer.size() < kVnicNameSize) return false;
  std::fill_n(answer.data(), kVnicNameSize, uint8_t{0});
  EncodeFixed32(answer.data() + kVnicEnabledOffset, vnic.enabled ? kVnicEnabled : 0);
  EncodeText(answer.subspan(kVnicNameOffset, kVnicNameTextSize), vnic.name, TextEnd::kMayFill);
  return true;
}

// The name ends at its first NUL or at the field's end. nullopt when the
// answer is shorter than 92 bytes.
inline std::optional<VnicName> DecodeVnicName(std::span<const uint8_t> answer) {
  if (answer.size() < kVnicNameSize) return std::nullopt;
  return VnicName{DecodeFixed32(answer.data() + kVnicEnabledOffset) == kVnicEnabled,
                  DecodeText(answer.subspan(kVnicNameOffset, kVnicNameTextSize))};
}

// --- vNIC statistics ---
inline constexpr size_t kVnicStatsSize = 24;
inline constexpr size_t kVnicOuterVlanOffset = 18;
inline constexpr size_t kVnicMinBandwidthOffset = 20;
inline constexpr size_t kVnicMaxBandwidthOffset = 21;
static_assert(FieldFits(kVnicOuterVlanOffset, 2, kVnicMinBandwidthOffset));
static_assert(FieldFits(kVnicMaxBandwidthOffset, 1, kVnicStatsSize));

struct VnicStats {
  uint16_t outer_vlan = 0;
  uint8_t min_bandwidth = 0;
  uint8_t max_bandwidth = 0;
};

// Writes the answer (other bytes zeroed); false when it is shorter than 24
// bytes.
inline bool EncodeVnicStats(std::span<uint8_t> answer, const VnicStats& stats) {
  if (answer.size() < kVnicStatsSize) return false;
  std::fill_n(answer.data(), kVnicStatsSize, uint8_t{0});
  EncodeFixed16(answer.data() + kVnicOuterVlanOffset, stats.outer_vlan);
  answer[kVnicMinBandwidthOffset] = stats.min_bandwidth;
  answer[kVnicMaxBandwidthOffset] = stats.max_bandwidth;
  return true;
}

inline std::optional<VnicStats> DecodeVnicStats(std::span<const uint8_t> answer) {
  if (answer.size() < kVnicStatsSize) return std::nullopt;
  return VnicStats{DecodeFixed16(answer.data() + kVnicOuterVlanOffset),
                   answer[kVnicMinBandwidthOffset], answer[kVnicMaxBandwidthOffset]};
}

}  // namespace oxim::records

#endif  // OXIM_RECORDS_VNIC_H_
