// The fields of the 540-byte controller attributes answer (opcode 32,
// subsystem 1) that discovery reads. Shared by the library and the emulated
// adapter; the other fields are read by the controller properties.
//
//   offset size field
//   192    32   adapter serial number (ASN), text, NUL-padded
//   352    32   driver version, text, NUL-padded
//   446    1    number of logical HBAs
//   447    1    further count passed on to clients
//   508    1    PCI bus number of the function
//   509    1    PCI device number
//   510    1    PCI function number
#ifndef OXIM_TRANSPORT_CONTROLLER_ATTRIBUTES_H_
#define OXIM_TRANSPORT_CONTROLLER_ATTRIBUTES_H_

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string>

#include "transport/coding.h"
#include "transport/request_header.h"

namespace oxim::transport {

inline constexpr size_t kControllerAttributesSize = 540;
inline constexpr size_t kAttrSerialOffset = 192;
inline constexpr size_t kAttrSerialSize = 32;
inline constexpr size_t kAttrDriverVersionOffset = 352;
inline constexpr size_t kAttrDriverVersionSize = 32;
inline constexpr size_t kAttrLogicalHbaCountOffset = 446;
inline constexpr size_t kAttrFurtherCountOffset = 447;
inline constexpr size_t kAttrBusOffset = 508;
inline constexpr size_t kAttrDeviceOffset = 509;
inline constexpr size_t kAttrFunctionOffset = 510;
static_assert(FieldFits(kAttrSerialOffset, kAttrSerialSize, kControllerAttributesSize));
static_assert(FieldFits(kAttrDriverVersionOffset, kAttrDriverVersionSize,
                        kControllerAttributesSize));
static_assert(FieldFits(kAttrFunctionOffset, 1, kControllerAttributesSize));

struct ControllerAttributes {
  std::string serial_number;   // at most 32 characters
  std::string driver_version;  // at most 32 characters
  uint8_t logical_hba_count = 0;
  uint8_t further_count = 0;
  PciAddress address;
};

namespace attributes_detail {
inline void PutText(uint8_t* dst, size_t size, const std::string& text) {
  std::memset(dst, 0, size);
  std::memcpy(dst, text.data(), std::min(size, text.size()));
}
inline std::string GetText(const uint8_t* src, size_t size) {
  const void* nul = std::memchr(src, 0, size);
  size_t length = nul != nullptr ? static_cast<const uint8_t*>(nul) - src : size;
  return std::string(reinterpret_cast<const char*>(src), length);
}
}  // namespace attributes_detail

// Writes the fields above; the other bytes are left as they are. False when
// the answer is shorter than 540 bytes.
inline bool EncodeControllerAttributes(std::span<uint8_t> answer, const ControllerAttributes& a) {
  if (answer.size() < kControllerAttributesSize) return false;
  uint8_t* p = answer.data();
  attributes_detail::PutText(p + kAttrSerialOffset, kAttrSerialSize, a.serial_number);
  attributes_detail::PutText(p + kAttrDriverVersionOffset, kAttrDriverVersionSize,
                             a.driver_version);
  p[kAttrLogicalHbaCountOffset] = a.logical_hba_count;
  p[kAttrFurtherCountOffset] = a.further_count;
  p[kAttrBusOffset] = a.address.bus;
  p[kAttrDeviceOffset] = a.address.device;
  p[kAttrFunctionOffset] = a.address.function;
  return true;
}

inline std::optional<ControllerAttributes> DecodeControllerAttributes(
    std::span<const uint8_t> answer) {
  if (answer.size() < kControllerAttributesSize) return std::nullopt;
  const uint8_t* p = answer.data();
  ControllerAttributes a;
  a.serial_number = attributes_detail::GetText(p + kAttrSerialOffset, kAttrSerialSize);
  a.driver_version =
      attributes_detail::GetText(p + kAttrDriverVersionOffset, kAttrDriverVersionSize);
  a.logical_hba_count = p[kAttrLogicalHbaCountOffset];
  a.further_count = p[kAttrFurtherCountOffset];
  a.address = {p[kAttrBusOffset], p[kAttrDeviceOffset], p[kAttrFunctionOffset]};
  return a;
}

}  // namespace oxim::transport

#endif  // OXIM_TRANSPORT_CONTROLLER_ATTRIBUTES_H_
