// The MAC query and MAC list, against bytes written by hand from their
// offset tables.
#include "records/mac_records.h"

#include <gtest/gtest.h>

#include "records/golden.h"

namespace oxim::records {
namespace {

using golden::Bytes;

TEST(MacQuery, RequestAsksForTheNetworkMacAndTheAnswerCarriesBothAddresses) {
  Bytes want(72, 0);
  want[0] = 1;
  want[1] = 1;
  Bytes got(72, 0xEE);
  ASSERT_TRUE(EncodeMacQueryRequest(got));
  EXPECT_EQ(got, want);

  golden::PutBytes(want, 2, {0x00, 0x90, 0xfa, 0x4c, 0x21, 0x10});
  golden::PutBytes(want, 10, {0x00, 0x90, 0xfa, 0x4c, 0x21, 0x99});
  ASSERT_TRUE(EncodeMacQueryAnswer(
      got, {{0x00, 0x90, 0xfa, 0x4c, 0x21, 0x10}, {0x00, 0x90, 0xfa, 0x4c, 0x21, 0x99}}));
  EXPECT_EQ(got, want);
  MacQuery macs = DecodeMacQuery(want).value();
  EXPECT_EQ(macs.current, (MacAddress{0x00, 0x90, 0xfa, 0x4c, 0x21, 0x10}));
  EXPECT_EQ(macs.permanent, (MacAddress{0x00, 0x90, 0xfa, 0x4c, 0x21, 0x99}));
  EXPECT_FALSE(DecodeMacQuery(Bytes(71, 0)));
}

TEST(MacList, CountAtTwoAndAddressesFromFour) {
  Bytes want(532, 0);
  want[0] = 1;  // factory list
  golden::Put16(want, 2, 2);
  golden::PutBytes(want, 4, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
  Bytes got(532, 0xEE);
  ASSERT_TRUE(EncodeMacListRequest(got));
  ASSERT_TRUE(EncodeMacListAnswer(got, {{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}}));
  EXPECT_EQ(got, want);
  std::vector<MacAddress> macs = DecodeMacList(want).value();
  ASSERT_EQ(macs.size(), 2u);
  EXPECT_EQ(macs[1], (MacAddress{7, 8, 9, 10, 11, 12}));
  // A count beyond the 88 entries the list holds is corrupt.
  golden::Put16(want, 2, 89);
  EXPECT_FALSE(DecodeMacList(want));
  EXPECT_FALSE(DecodeMacList(Bytes(531, 0)));
}

}  // namespace
}  // namespace oxim::records
