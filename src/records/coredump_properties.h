// The 20-byte core-dump properties answer (opcode 21, subsystem 11;
// ioctl_get_coredump_props): the versions and state of the controller's
// core-dump interface and how many components a dump has. Shared by the
// library and the emulated adapter. Little-endian.
//
//   offset size field
//   0      1    low version
//   1      1    high version
//   2      1    chip state: 0 alive, 1 dead
//   4      4    SLI interface value
//   8      4    ASIC identifier
//   16     4    number of components
//
//   std::optional<CoredumpProperties> props = DecodeCoredumpProperties(answer);
//   bool alive = props && props->chip_state == kChipAlive;
#ifndef OXIM_RECORDS_COREDUMP_PROPERTIES_H_
#define OXIM_RECORDS_COREDUMP_PROPERTIES_H_

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "records/coding.h"

namespace oxim::records {

inline constexpr size_t kCoredumpPropertiesSize = 20;
inline constexpr size_t kCoredumpLowVersionOffset = 0;
inline constexpr size_t kCoredumpHighVersionOffset = 1;
inline constexpr size_t kCoredumpChipStateOffset = 2;
inline constexpr size_t kCoredumpSliOffset = 4;
inline constexpr size_t kCoredumpAsicOffset = 8;
inline constexpr size_t kCoredumpComponentsOffset = 16;
inline constexpr uint8_t kChipAlive = 0;
inline constexpr uint8_t kChipDead = 1;
static_assert(FieldFits(kCoredumpSliOffset, 4, kCoredumpAsicOffset));
static_assert(FieldFits(kCoredumpAsicOffset, 4, kCoredumpComponentsOffset));
static_assert(FieldFits(kCoredumpComponentsOffset, 4, kCoredumpPropertiesSize));

struct CoredumpProperties {
  uint8_t low_version = 0;
  uint8_t high_version = 0;
  uint8_t chip_state = kChipAlive;
  uint32_t sli_interface = 0;
  uint32_t asic_id = 0;
  uint32_t component_count = 0;
};

// Writes the answer (other bytes zeroed); false when it is shorter than 20
// bytes.
inline bool EncodeCoredumpProperties(std::span<uint8_t> answer, const CoredumpProperties& props) {
  if (answer.size() < kCoredumpPropertiesSize) return false;
  uint8_t* p = answer.data();
  std::fill_n(p, kCoredumpPropertiesSize, uint8_t{0});
  p[kCoredumpLowVersionOffset] = props.low_version;
  p[kCoredumpHighVersionOffset] = props.high_version;
  p[kCoredumpChipStateOffset] = props.chip_state;
  EncodeFixed32(p + kCoredumpSliOffset, props.sli_interface);
  EncodeFixed32(p + kCoredumpAsicOffset, props.asic_id);
  EncodeFixed32(p + kCoredumpComponentsOffset, props.component_count);
  return true;
}

// nullopt when the answer is shorter than 20 bytes.
inline std::optional<CoredumpProperties> DecodeCoredumpProperties(std::span<const uint8_t> answer) {
  if (answer.size() < kCoredumpPropertiesSize) return std::nullopt;
  const uint8_t* p = answer.data();
  CoredumpProperties props;
  props.low_version = p[kCoredumpLowVersionOffset];
  props.high_version = p[kCoredumpHighVersionOffset];
  props.chip_state = p[kCoredumpChipStateOffset];
  props.sli_interface = DecodeFixed32(p + kCoredumpSliOffset);
  props.asic_id = DecodeFixed32(p + kCoredumpAsicOffset);
  props.component_count = DecodeFixed32(p + kCoredumpComponentsOffset);
  return props;
}

}  // namespace oxim::records

#endif  // OXIM_RECORDS_COREDUMP_PROPERTIES_H_
