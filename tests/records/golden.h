// Hand-written record bytes for the golden tests: each helper puts one
// little-endian field at its offset in a byte vector, so that an expected
// record is spelled out from its offset table, independently of the coding
// helpers and encoders under test.
#ifndef OXIM_TESTS_RECORDS_GOLDEN_H_
#define OXIM_TESTS_RECORDS_GOLDEN_H_

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <vector>

namespace oxim::records::golden {

using Bytes = std::vector<uint8_t>;

inline void Put16(Bytes& bytes, size_t offset, uint16_t value) {
  bytes.at(offset) = static_cast<uint8_t>(value & 0xFF);
  bytes.at(offset + 1) = static_cast<uint8_t>(value >> 8);
}

inline void Put32(Bytes& bytes, size_t offset, uint32_t value) {
  for (size_t i = 0; i < 4; ++i) bytes.at(offset + i) = static_cast<uint8_t>(value >> (8 * i));
}

inline void PutText(Bytes& bytes, size_t offset, std::string_view text) {
  for (size_t i = 0; i < text.size(); ++i) bytes.at(offset + i) = static_cast<uint8_t>(text[i]);
}

inline void PutBytes(Bytes& bytes, size_t offset, std::initializer_list<uint8_t> values) {
  for (uint8_t value : values) bytes.at(offset++) = value;
}

}  // namespace oxim::records::golden

#endif  // OXIM_TESTS_RECORDS_GOLDEN_H_
