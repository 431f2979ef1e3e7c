// The firmware configuration record (ioctl_get_fw_config, 156 bytes): only
// the fields the library reads so far. Shared by the library and the
// emulated adapter. Little-endian.
//
//   offset size field
//   4      1    ASIC revision
//   16     2    first target-count limit   } Tindra: their sum bounds the
//   18     2    second target-count limit  } targets a SendTargets answer
//                                            brings in
//
// The ASIC revision's offset is the firmware update's; the two target-count
// limits are named but not placed by the discovery rules, and sit where
// this implementation puts them.
//
//   std::array<uint8_t, kFwConfigSize> record{};
//   ... ioctl_get_fw_config ...
//   std::optional<FwConfig> config = DecodeFwConfig(record);
//   size_t largest = config->target_limits[0] + config->target_limits[1];
#ifndef OXIM_RECORDS_FW_CONFIG_H_
#define OXIM_RECORDS_FW_CONFIG_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "records/coding.h"

namespace oxim::records {

inline constexpr size_t kFwConfigSize = 156;
inline constexpr size_t kFwConfigAsicRevisionOffset = 4;
inline constexpr size_t kFwConfigTargetLimitsOffset = 16;
static_assert(FieldFits(kFwConfigAsicRevisionOffset, 1, kFwConfigTargetLimitsOffset));
static_assert(FieldFits(kFwConfigTargetLimitsOffset, 4, kFwConfigSize));

struct FwConfig {
  uint8_t asic_revision = 0;
  std::array<uint16_t, 2> target_limits{};
};

// Writes the fields (the rest of out as it was); false when out is shorter
// than the record.
inline bool EncodeFwConfig(std::span<uint8_t> out, const FwConfig& config) {
  if (out.size() < kFwConfigSize) return false;
  out[kFwConfigAsicRevisionOffset] = config.asic_revision;
  EncodeFixed16(out.data() + kFwConfigTargetLimitsOffset, config.target_limits[0]);
  EncodeFixed16(out.data() + kFwConfigTargetLimitsOffset + 2, config.target_limits[1]);
  return true;
}

// nullopt when in is shorter than the record.
inline std::optional<FwConfig> DecodeFwConfig(std::span<const uint8_t> in) {
  if (in.size() < kFwConfigSize) return std::nullopt;
  FwConfig config;
  config.asic_revision = in[kFwConfigAsicRevisionOffset];
  config.target_limits = {DecodeFixed16(in.data() + kFwConfigTargetLimitsOffset),
                          DecodeFixed16(in.data() + kFwConfigTargetLimitsOffset + 2)};
  return config;
}

}  // namespace oxim::records

#endif  // OXIM_RECORDS_FW_CONFIG_H_
