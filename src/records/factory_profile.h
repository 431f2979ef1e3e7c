// The 4-byte request that restores the factory profile configuration of a
// controller (opcode 169, subsystem 1; ioctl_set_factory_profile_config).
// The request carries no field: its four bytes are 0. Shared by the library
// and the emulated adapter. Firmware without the profile interface refuses it
// (additional status 30, "not supported").
//
//   offset size field
//   0      4    0
//
//   std::array<uint8_t, kFactoryProfileRequestSize> request{};
//   EncodeFactoryProfileRequest(request);
#ifndef OXIM_RECORDS_FACTORY_PROFILE_H_
#define OXIM_RECORDS_FACTORY_PROFILE_H_

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

namespace oxim::records {

inline constexpr size_t kFactoryProfileRequestSize = 4;

// false when request is shorter than the record.
inline bool EncodeFactoryProfileRequest(std::span<uint8_t> request) {
  if (request.size() < kFactoryProfileRequestSize) return false;
  std::fill_n(request.data(), kFactoryProfileRequestSize, uint8_t{0});
  return true;
}

}  // namespace oxim::records

#endif  // OXIM_RECORDS_FACTORY_PROFILE_H_
