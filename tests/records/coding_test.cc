// The little-endian field helpers and the fixed-size text fields every
// record layout goes through.
#include "records/coding.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace oxim::records {
namespace {

TEST(Coding, LittleEndianFixedWidth) {
  uint8_t buffer[6] = {};
  EncodeFixed32(buffer, 0x11223344);
  EncodeFixed16(buffer + 4, 0xA1B2);
  EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + 6),
            (std::vector<uint8_t>{0x44, 0x33, 0x22, 0x11, 0xB2, 0xA1}));
  EXPECT_EQ(DecodeFixed32(buffer), 0x11223344u);
  EXPECT_EQ(DecodeFixed16(buffer + 4), 0xA1B2);
}

TEST(Coding, BigEndianForScsiBytes) {
  uint8_t buffer[14] = {};
  EncodeBig64(buffer, 0x0102030405060708);
  EncodeBig32(buffer + 8, 0xA1B2C3D4);
  EncodeBig16(buffer + 12, 0x1234);
  EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + 14),
            (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8, 0xA1, 0xB2, 0xC3, 0xD4, 0x12, 0x34}));
  EXPECT_EQ(DecodeBig64(buffer), 0x0102030405060708u);
  EXPECT_EQ(DecodeBig32(buffer + 8), 0xA1B2C3D4u);
  EXPECT_EQ(DecodeBig16(buffer + 12), 0x1234);
}

TEST(Coding, FieldFitsHasNoOverflow) {
  EXPECT_TRUE(FieldFits(28, 4, 32));
  EXPECT_FALSE(FieldFits(29, 4, 32));
  EXPECT_TRUE(FieldFits(32, 0, 32));
  EXPECT_FALSE(FieldFits(33, 0, 32));
  EXPECT_FALSE(FieldFits(4, SIZE_MAX, 32));
}

TEST(Coding, TextIsCutToItsFieldAndNulPadded) {
  const struct {
    const char* text;
    TextEnd end;
    std::vector<uint8_t> field;
  } kCases[] = {
      {"ab", TextEnd::kNul, {'a', 'b', 0, 0}},
      {"abcd", TextEnd::kNul, {'a', 'b', 'c', 0}},
      {"abcdef", TextEnd::kNul, {'a', 'b', 'c', 0}},
      {"abcd", TextEnd::kMayFill, {'a', 'b', 'c', 'd'}},
      {"abcdef", TextEnd::kMayFill, {'a', 'b', 'c', 'd'}},
      {"", TextEnd::kMayFill, {0, 0, 0, 0}},
  };
  for (const auto& c : kCases) {
    std::vector<uint8_t> field(4, 0xEE);
    EncodeText(field, c.text, c.end);
    EXPECT_EQ(field, c.field) << c.text;
  }
}

TEST(Coding, TextEndsAtTheFirstNulOrTheFieldsEnd) {
  EXPECT_EQ(DecodeText(std::vector<uint8_t>{'a', 'b', 0, 'c'}), "ab");
  EXPECT_EQ(DecodeText(std::vector<uint8_t>{'a', 'b', 'c', 'd'}), "abcd");
  EXPECT_EQ(DecodeText(std::vector<uint8_t>{0, 'x'}), "");
  EXPECT_EQ(DecodeText(std::vector<uint8_t>{}), "");
}

}  // namespace
}  // namespace oxim::records
