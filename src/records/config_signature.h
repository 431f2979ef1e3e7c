// The 132-byte configuration signature a controller keeps in flash (read
// with opcode 78, ioctl_get_config_sign; written with opcode 79,
// ioctl_set_config_sign; subsystem 1). The library writes it once it has
// set a controller up. Shared by the library and the emulated adapter.
// Little-endian.
//
//   offset size field
//   0      4    signature word: 3 once the library has set the controller up
//   4      128  0 as the library writes it
//
//   std::array<uint8_t, kConfigSignatureSize> record{};
//   EncodeConfigSignature(record, kConfigSignatureConfigured);
#ifndef OXIM_RECORDS_CONFIG_SIGNATURE_H_
#define OXIM_RECORDS_CONFIG_SIGNATURE_H_

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "records/coding.h"

namespace oxim::records {

inline constexpr size_t kConfigSignatureSize = 132;
inline constexpr size_t kConfigSignatureWordOffset = 0;
inline constexpr uint32_t kConfigSignatureConfigured = 3;
static_assert(FieldFits(kConfigSignatureWordOffset, 4, kConfigSignatureSize));

// Writes the signature word and zeros after it; false when the record is
// shorter than 132 bytes.
inline bool EncodeConfigSignature(std::span<uint8_t> record, uint32_t signature) {
  if (record.size() < kConfigSignatureSize) return false;
  std::fill_n(record.data(), kConfigSignatureSize, uint8_t{0});
  EncodeFixed32(record.data() + kConfigSignatureWordOffset, signature);
  return true;
}

// The signature word; nullopt when the record is shorter than 132 bytes.
inline std::optional<uint32_t> DecodeConfigSignature(std::span<const uint8_t> record) {
  if (record.size() < kConfigSignatureSize) return std::nullopt;
  return DecodeFixed32(record.data() + kConfigSignatureWordOffset);
}

}  // namespace oxim::records

#endif  // OXIM_RECORDS_CONFIG_SIGNATURE_H_
