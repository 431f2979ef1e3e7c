// The 20-byte erase request (opcode 7, subsystem 1; ioctl_erase_ROM): which
// configuration of the function the firmware resets to its factory state,
// named by the two selector words. Shared by the library and the emulated
// adapter. Little-endian.
//
//   offset size field
//   0      4    region: 3, the configuration region
//   4      4    section: 13 the iSCSI configuration, 14 the NIC (PXE)
//               configuration, 15 the port and discovery configuration
//   8      12   0
//
//   std::array<uint8_t, kEraseRequestSize> request{};
//   EncodeEraseRequest(request, kEraseNicConfiguration);
#ifndef OXIM_RECORDS_ERASE_ROM_H_
#define OXIM_RECORDS_ERASE_ROM_H_

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "records/coding.h"

namespace oxim::records {

inline constexpr size_t kEraseRequestSize = 20;
inline constexpr size_t kEraseRegionOffset = 0;
inline constexpr size_t kEraseSectionOffset = 4;
static_assert(FieldFits(kEraseSectionOffset, 4, kEraseRequestSize));

struct EraseSelector {
  uint32_t region = 0;
  uint32_t section = 0;
  friend bool operator==(const EraseSelector&, const EraseSelector&) = default;
};

inline constexpr EraseSelector kEraseIscsiConfiguration{3, 13};
inline constexpr EraseSelector kEraseNicConfiguration{3, 14};
inline constexpr EraseSelector kErasePortConfiguration{3, 15};

// Writes the request (other bytes zeroed); false when it is shorter than 20
// bytes.
inline bool EncodeEraseRequest(std::span<uint8_t> request, const EraseSelector& selector) {
  if (request.size() < kEraseRequestSize) return false;
  std::fill_n(request.data(), kEraseRequestSize, uint8_t{0});
  EncodeFixed32(request.data() + kEraseRegionOffset, selector.region);
  EncodeFixed32(request.data() + kEraseSectionOffset, selector.section);
  return true;
}

inline std::optional<EraseSelector> DecodeEraseRequest(std::span<const uint8_t> request) {
  if (request.size() < kEraseRequestSize) return std::nullopt;
  return EraseSelector{DecodeFixed32(request.data() + kEraseRegionOffset),
                       DecodeFixed32(request.data() + kEraseSectionOffset)};
}

}  // namespace oxim::records

#endif  // OXIM_RECORDS_ERASE_ROM_H_
