// Vital product data: the function's VPD (opcode 91, subsystem 1;
// ioctl_get_vpd_data, version 0, and ioctl_get_korvel_vpd_data, version 1,
// both 1032 bytes) and the adapter's FRU VPD (opcode 3, subsystem 19;
// ioctl_read_fruvpd_data, the caller's length). Shared by the library and
// the emulated adapter. Little-endian.
//
// VPD (1032 bytes):
//   offset size field
//   0      2    request: function selector (a PCI function number, or on QF2
//               NIC functions 2 + the port)
//   2      1    request: 1 for an iSCSI function, 0 for a NIC function
//   4      4    answer: number of VPD bytes (at most 1024)
//   8      1024 answer: the VPD area, zeros after the VPD bytes
//
// FRU VPD (as long as the block read, at least 12 bytes):
//   0      4    request: size of the block
//   4      4    request: offset of the block in the FRU VPD
//   8      4    request: data type (0 block zero, 1 block one)
//   0      size answer: the block's bytes, over the request
//
//   std::array<uint8_t, kVpdSize> buffer{};
//   EncodeVpdRequest(buffer, {.selector = 2, .iscsi = true});
//   ... send ...
//   std::optional<std::vector<uint8_t>> vpd = DecodeVpdAnswer(buffer);
#ifndef OXIM_RECORDS_VPD_H_
#define OXIM_RECORDS_VPD_H_

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "records/coding.h"

namespace oxim::records {

// --- VPD ---
inline constexpr size_t kVpdSize = 1032;
inline constexpr size_t kVpdSelectorOffset = 0;
inline constexpr size_t kVpdFlagOffset = 2;
inline constexpr size_t kVpdLengthOffset = 4;
inline constexpr size_t kVpdDataOffset = 8;
inline constexpr size_t kVpdAreaSize = 1024;
static_assert(FieldFits(kVpdFlagOffset, 1, kVpdLengthOffset));
static_assert(FieldFits(kVpdLengthOffset, 4, kVpdDataOffset));
static_assert(kVpdDataOffset + kVpdAreaSize == kVpdSize);

struct VpdRequest {
  uint16_t selector = 0;
  bool iscsi = false;
};

// Writes the request (other bytes zeroed); false when the buffer is shorter
// than 1032 bytes.
inline bool EncodeVpdRequest(std::span<uint8_t> buffer, const VpdRequest& request) {
  if (buffer.size() < kVpdSize) return false;
  std::fill_n(buffer.data(), kVpdSize, uint8_t{0});
  EncodeFixed16(buffer.data() + kVpdSelectorOffset, request.selector);
  buffer[kVpdFlagOffset] = request.iscsi ? 1 : 0;
  return true;
}

inline std::optional<VpdRequest> DecodeVpdRequest(std::span<const uint8_t> buffer) {
  if (buffer.size() < kVpdSize) return std::nullopt;
  return VpdRequest{DecodeFixed16(buffer.data() + kVpdSelectorOffset), buffer[kVpdFlagOffset] != 0};
}

// Writes the VPD bytes (at most 1024) and their number, zeros after them,
// leaving the request bytes. False when the buffer is shorter than 1032
// bytes or there are more than 1024 bytes.
inline bool EncodeVpdAnswer(std::span<uint8_t> buffer, std::span<const uint8_t> vpd) {
  if (buffer.size() < kVpdSize || vpd.size() > kVpdAreaSize) return false;
  EncodeFixed32(buffer.data() + kVpdLengthOffset, static_cast<uint32_t>(vpd.size()));
  std::copy(vpd.begin(), vpd.end(), buffer.begin() + kVpdDataOffset);
  std::fill(buffer.begin() + kVpdDataOffset + vpd.size(), buffer.begin() + kVpdSize, uint8_t{0});
  return true;
}

// The whole 1024-byte VPD area (the chunks show all of it); nullopt when the
// buffer is shorter than 1032 bytes or the length says more than the area
// holds.
inline std::optional<std::vector<uint8_t>> DecodeVpdAnswer(std::span<const uint8_t> buffer) {
  if (buffer.size() < kVpdSize) return std::nullopt;
  if (DecodeFixed32(buffer.data() + kVpdLengthOffset) > kVpdAreaSize) return std::nullopt;
  auto area = buffer.subspan(kVpdDataOffset, kVpdAreaSize);
  return std::vector<uint8_t>(area.begin(), area.end());
}

// --- FRU VPD ---
inline constexpr size_t kFruVpdSizeOffset = 0;
inline constexpr size_t kFruVpdOffsetOffset = 4;
inline constexpr size_t kFruVpdDataTypeOffset = 8;
inline constexpr size_t kFruVpdRequestSize = 12;
// The two blocks the library reads.
inline constexpr uint32_t kFruVpdBlockZeroSize = 1024;
inline constexpr uint32_t kFruVpdBlockOneOffset = 1024;
inline constexpr uint32_t kFruVpdBlockOneSize = 256;
inline constexpr uint32_t kFruVpdTotalSize = kFruVpdBlockOneOffset + kFruVpdBlockOneSize;
static_assert(FieldFits(kFruVpdDataTypeOffset, 4, kFruVpdRequestSize));

struct FruVpdRequest {
  uint32_t size = 0;
  uint32_t offset = 0;
  uint32_t data_type = 0;
};

// Writes the request into a buffer of the block's size (other bytes
// zeroed); false when the buffer is shorter than 12 bytes or than the size.
inline bool EncodeFruVpdRequest(std::span<uint8_t> buffer, const FruVpdRequest& request) {
  if (buffer.size() < kFruVpdRequestSize || buffer.size() < request.size) return false;
  std::fill(buffer.begin(), buffer.end(), uint8_t{0});
  EncodeFixed32(buffer.data() + kFruVpdSizeOffset, request.size);
  EncodeFixed32(buffer.data() + kFruVpdOffsetOffset, request.offset);
  EncodeFixed32(buffer.data() + kFruVpdDataTypeOffset, request.data_type);
  return true;
}

// nullopt when the buffer is shorter than 12 bytes or than the size it
// names.
inline std::optional<FruVpdRequest> DecodeFruVpdRequest(std::span<const uint8_t> buffer) {
  if (buffer.size() < kFruVpdRequestSize) return std::nullopt;
  FruVpdRequest request{DecodeFixed32(buffer.data() + kFruVpdSizeOffset),
                        DecodeFixed32(buffer.data() + kFruVpdOffsetOffset),
                        DecodeFixed32(buffer.data() + kFruVpdDataTypeOffset)};
  if (request.size > buffer.size()) return std::nullopt;
  return request;
}

// Writes a block's bytes over the request; false when the buffer cannot
// hold them.
inline bool EncodeFruVpdAnswer(std::span<uint8_t> buffer, std::span<const uint8_t> block) {
  if (buffer.size() < block.size()) return false;
  std::copy(block.begin(), block.end(), buffer.begin());
  return true;
}

// The first `size` bytes of an answer; nullopt when it is shorter.
inline std::optional<std::vector<uint8_t>> DecodeFruVpdAnswer(std::span<const uint8_t> buffer,
                                                              size_t size) {
  if (buffer.size() < size) return std::nullopt;
  return std::vector<uint8_t>(buffer.begin(), buffer.begin() + size);
}

}  // namespace oxim::records

#endif  // OXIM_RECORDS_VPD_H_
