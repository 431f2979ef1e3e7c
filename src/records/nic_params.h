// The network parameters of an iSCSI function's port
// (ioctl_get_NIC_params, 52 bytes, subsystem 2): its highest speed and
// largest MTU. Shared by the library and the emulated adapter.
// Little-endian.
//
//   offset size field
//   8      4    highest port speed: 0 unknown, 1 below 1 Mb/s, 2 below
//               1 Gb/s, 3 1 Gb/s, 4 10 Gb/s, 5 20 Gb/s, 6 40 Gb/s
//   16     4    largest MTU
//
//   std::array<uint8_t, kNicParamsSize> answer{};
//   ... send ...
//   std::optional<NicParams> params = DecodeNicParams(answer);
#ifndef OXIM_RECORDS_NIC_PARAMS_H_
#define OXIM_RECORDS_NIC_PARAMS_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "records/coding.h"

namespace oxim::records {

inline constexpr size_t kNicParamsSize = 52;
inline constexpr size_t kNicParamsSpeedOffset = 8;
inline constexpr size_t kNicParamsMtuOffset = 16;
static_assert(FieldFits(kNicParamsSpeedOffset, 4, kNicParamsMtuOffset));
static_assert(FieldFits(kNicParamsMtuOffset, 4, kNicParamsSize));

// Highest port speeds.
inline constexpr uint32_t kMaxSpeedUnknown = 0;
inline constexpr uint32_t kMaxSpeed10Gb = 4;
inline constexpr uint32_t kMaxSpeed40Gb = 6;

struct NicParams {
  uint32_t max_speed = kMaxSpeedUnknown;
  uint32_t max_mtu = 0;
};

// Writes the answer (other bytes zeroed); false when it is shorter than 52
// bytes.
bool EncodeNicParams(std::span<uint8_t> out, const NicParams& params);
// nullopt when the answer is shorter than 52 bytes.
std::optional<NicParams> DecodeNicParams(std::span<const uint8_t> in);

}  // namespace oxim::records

#endif  // OXIM_RECORDS_NIC_PARAMS_H_
