// Little-endian load and store of the fixed-width fields of firmware and
// driver records (big-endian for the SCSI bytes they carry), and of their
// fixed-size text fields. Every record layout goes through these helpers;
// nothing casts a struct over a buffer or copies an integer in host order. Callers check the record
// length first (the layout headers do), so the integer helpers take raw positions.
//
//   uint8_t buffer[40];
//   EncodeFixed32(buffer + 4, 120);
//   uint32_t timeout = DecodeFixed32(buffer + 4);
//   EncodeText(std::span(buffer).subspan(8, 32), "disk one", TextEnd::kNul);
//   std::string alias = DecodeText(std::span(buffer).subspan(8, 32));
#ifndef OXIM_RECORDS_CODING_H_
#define OXIM_RECORDS_CODING_H_

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace oxim::records {

inline void EncodeFixed16(uint8_t* dst, uint16_t value) {
  dst[0] = static_cast<uint8_t>(value);
  dst[1] = static_cast<uint8_t>(value >> 8);
}

inline void EncodeFixed32(uint8_t* dst, uint32_t value) {
  dst[0] = static_cast<uint8_t>(value);
  dst[1] = static_cast<uint8_t>(value >> 8);
  dst[2] = static_cast<uint8_t>(value >> 16);
  dst[3] = static_cast<uint8_t>(value >> 24);
}

inline uint16_t DecodeFixed16(const uint8_t* src) {
  return static_cast<uint16_t>(src[0] | (src[1] << 8));
}

inline uint32_t DecodeFixed32(const uint8_t* src) {
  return static_cast<uint32_t>(src[0]) | (static_cast<uint32_t>(src[1]) << 8) |
         (static_cast<uint32_t>(src[2]) << 16) | (static_cast<uint32_t>(src[3]) << 24);
}

// Big-endian fields, for the SCSI command descriptor blocks and answers that
// travel inside the pass-through record unchanged (network byte order).
inline void EncodeBig16(uint8_t* dst, uint16_t value) {
  dst[0] = static_cast<uint8_t>(value >> 8);
  dst[1] = static_cast<uint8_t>(value);
}

inline void EncodeBig32(uint8_t* dst, uint32_t value) {
  for (int i = 0; i < 4; ++i) dst[i] = static_cast<uint8_t>(value >> (24 - 8 * i));
}

inline void EncodeBig64(uint8_t* dst, uint64_t value) {
  for (int i = 0; i < 8; ++i) dst[i] = static_cast<uint8_t>(value >> (56 - 8 * i));
}

inline uint16_t DecodeBig16(const uint8_t* src) {
  return static_cast<uint16_t>((src[0] << 8) | src[1]);
}

inline uint32_t DecodeBig32(const uint8_t* src) {
  return (static_cast<uint32_t>(src[0]) << 24) | (static_cast<uint32_t>(src[1]) << 16) |
         (static_cast<uint32_t>(src[2]) << 8) | static_cast<uint32_t>(src[3]);
}

inline uint64_t DecodeBig64(const uint8_t* src) {
  return (static_cast<uint64_t>(DecodeBig32(src)) << 32) | DecodeBig32(src + 4);
}

// Whether a field of `size` bytes at `offset` lies inside a record of
// `record_size` bytes (no overflow for any input).
constexpr bool FieldFits(size_t offset, size_t size, size_t record_size) {
  return offset <= record_size && size <= record_size - offset;
}

// How a text is cut to its fixed-size field.
enum class TextEnd {
  kNul,      // at most size - 1 characters, so that a NUL always follows
  kMayFill,  // at most size characters: a full field has no NUL
};

// Writes text into a fixed-size field, cut as `end` says, and NULs up to
// the field's end.
inline void EncodeText(std::span<uint8_t> field, std::string_view text, TextEnd end) {
  size_t room = field.size();
  if (end == TextEnd::kNul && room > 0) --room;
  const size_t length = std::min(text.size(), room);
  std::copy_n(text.begin(), length, field.begin());
  std::fill(field.begin() + length, field.end(), uint8_t{0});
}

// The text of a fixed-size field: up to its first NUL, or the whole field
// when it has none.
inline std::string DecodeText(std::span<const uint8_t> field) {
  auto end = std::find(field.begin(), field.end(), uint8_t{0});
  return std::string(field.begin(), end);
}

}  // namespace oxim::records

#endif  // OXIM_RECORDS_CODING_H_
