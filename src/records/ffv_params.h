// The 36-byte FFV parameters (opcode 2, subsystem 19; ioctl_ffv_params): the
// name of the controller's FFV parameter set, read or written. Shared by the
// library and the emulated adapter. Little-endian; the name is NUL-padded
// ASCII, a name that fills its field has no NUL.
//
//   offset size field
//   0      1    operation: 1 set, 0 get
//   1      1    length of the name (a set sends 32)
//   4      32   the name
//
//   std::array<uint8_t, kFfvParamsSize> request{};
//   EncodeFfvParams(request, {.operation = kFfvSet, .name = "CUSTOMER-A"});
#ifndef OXIM_RECORDS_FFV_PARAMS_H_
#define OXIM_RECORDS_FFV_PARAMS_H_

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "records/coding.h"

namespace oxim::records {

inline constexpr size_t kFfvParamsSize = 36;
inline constexpr size_t kFfvOperationOffset = 0;
inline constexpr size_t kFfvLengthOffset = 1;
inline constexpr size_t kFfvNameOffset = 4;
inline constexpr size_t kFfvNameSize = 32;
inline constexpr uint8_t kFfvGet = 0;
inline constexpr uint8_t kFfvSet = 1;
static_assert(kFfvNameOffset + kFfvNameSize == kFfvParamsSize);

struct FfvParams {
  uint8_t operation = kFfvGet;
  uint8_t length = 0;  // a set: 32; an answer: the name's length
  std::string name;    // at most 32 characters
};

// Writes the record (other bytes zeroed, the name cut to 32 characters);
// false when it is shorter than 36 bytes.
inline bool EncodeFfvParams(std::span<uint8_t> record, const FfvParams& ffv) {
  if (record.size() < kFfvParamsSize) return false;
  std::fill_n(record.data(), kFfvParamsSize, uint8_t{0});
  record[kFfvOperationOffset] = ffv.operation;
  record[kFfvLengthOffset] = ffv.length;
  EncodeText(record.subspan(kFfvNameOffset, kFfvNameSize), ffv.name, TextEnd::kMayFill);
  return true;
}

// The name ends at its first NUL, at the length the record gives, or at the
// field's end, whichever comes first. nullopt when the record is shorter
// than 36 bytes.
inline std::optional<FfvParams> DecodeFfvParams(std::span<const uint8_t> record) {
  if (record.size() < kFfvParamsSize) return std::nullopt;
  FfvParams ffv;
  ffv.operation = record[kFfvOperationOffset];
  ffv.length = record[kFfvLengthOffset];
  const size_t room = std::min<size_t>(ffv.length, kFfvNameSize);
  ffv.name = DecodeText(record.subspan(kFfvNameOffset, room));
  return ffv;
}

}  // namespace oxim::records

#endif  // OXIM_RECORDS_FFV_PARAMS_H_
