// The driver requests' own records (chip information, driver information,
// the NIC driver's configuration read), against bytes written by hand from
// their offset tables.
#include "records/driver_records.h"

#include <gtest/gtest.h>

#include <vector>

namespace oxim::records {
namespace {

TEST(ChipInfoLayout, TwoControllersWithTwoAndFourFunctions) {
  std::vector<uint8_t> golden(89, 0);
  golden[0] = 2;
  golden[1] = 3;  // controller 0: bus 3, device 0, 2 functions: 0, 1
  golden[2] = 0;
  golden[3] = 2;
  golden[4] = 0;
  golden[5] = 1;
  golden[12] = 7;  // controller 1 at 1 + 11: bus 7, device 1, 4 functions 0..3
  golden[13] = 1;
  golden[14] = 4;
  golden[15] = 0;
  golden[16] = 1;
  golden[17] = 2;
  golden[18] = 3;
  std::vector<uint8_t> record(89, 0xEE);
  ASSERT_TRUE(EncodeChipInfo(record, {{3, 0, {0, 1}}, {7, 1, {0, 1, 2, 3}}}));
  EXPECT_EQ(record, golden);
  auto decoded = DecodeChipInfo(golden).value();
  ASSERT_EQ(decoded.size(), 2u);
  EXPECT_EQ(decoded[1].bus, 7);
  EXPECT_EQ(decoded[1].functions, (std::vector<uint8_t>{0, 1, 2, 3}));
}

TEST(ChipInfoLayout, CountsBeyondTheRecordAreRefused) {
  std::vector<uint8_t> record(89, 0);
  record[0] = 9;
  EXPECT_FALSE(DecodeChipInfo(record).has_value());
  record[0] = 1;
  record[3] = 9;
  EXPECT_FALSE(DecodeChipInfo(record).has_value());
  EXPECT_FALSE(DecodeChipInfo(std::vector<uint8_t>(88, 0)).has_value());
}

TEST(DriverInfoLayout, AddressFirstAnswerFromOffsetFour) {
  std::vector<uint8_t> record(980, 0xEE);
  ASSERT_TRUE(EncodeDriverInfoRequest(record, {3, 0, 1}));
  EXPECT_EQ(record[0], 3);
  EXPECT_EQ(record[1], 0);
  EXPECT_EQ(record[2], 1);
  EXPECT_EQ(record[3], 0);
  EXPECT_EQ(kDriverInfoMtuOffset, 12u);
  EXPECT_EQ(kDriverInfoVfCountOffset, 16u);
  std::vector<uint8_t> short_record(979, 0);
  EXPECT_FALSE(EncodeDriverInfoRequest(short_record, {}));
  EXPECT_FALSE(DecodeDriverInfoAddress(std::vector<uint8_t>(979, 0)).has_value());
}

TEST(PciConfigReadLayout, RecordThenInlineDataArea) {
  // bus 3, device 0, function 1, offset 164 (0xA4), length 4, address 0.
  std::vector<uint8_t> golden = {3, 0, 1, 0xA4, 0, 0, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  std::vector<uint8_t> record(19, 0);
  ASSERT_TRUE(EncodePciConfigRead(record, {{3, 0, 1}, 164, 4}));
  EXPECT_EQ(record, golden);
  PciConfigRead read = DecodePciConfigRead(golden).value();
  EXPECT_EQ(read.config_offset, 164u);
  EXPECT_EQ(read.length, 4u);
  golden.pop_back();  // the data area no longer holds the length named
  EXPECT_FALSE(DecodePciConfigRead(golden).has_value());
}

}  // namespace
}  // namespace oxim::records
