// Little-endian load and store of the fixed-width fields of firmware and
// driver records. Every record layout goes through these helpers; nothing
// casts a struct over a buffer. Callers check the record length first (the
// layout headers do), so these take raw positions.
//
//   uint8_t buffer[8];
//   EncodeFixed32(buffer + 4, 120);
//   uint32_t timeout = DecodeFixed32(buffer + 4);
#ifndef OXIM_RECORDS_CODING_H_
#define OXIM_RECORDS_CODING_H_

#include <cstddef>
#include <cstdint>
#include <span>

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

// Whether a field of `size` bytes at `offset` lies inside a record of
// `record_size` bytes (no overflow for any input).
constexpr bool FieldFits(size_t offset, size_t size, size_t record_size) {
  return offset <= record_size && size <= record_size - offset;
}

}  // namespace oxim::records

#endif  // OXIM_RECORDS_CODING_H_
