// The VPD and FRU VPD requests and answers, against bytes written by hand
// from their offset tables.
#include "records/vpd.h"

#include <gtest/gtest.h>

#include "records/golden.h"

namespace oxim::records {
namespace {

using golden::Bytes;

TEST(Vpd, RequestSelectorAndFlagAnswerLengthAndArea) {
  Bytes want(1032, 0);
  golden::Put16(want, 0, 0x0102);
  want[2] = 1;  // iSCSI function
  Bytes got(1032, 0xEE);
  ASSERT_TRUE(EncodeVpdRequest(got, {0x0102, true}));
  EXPECT_EQ(got, want);
  VpdRequest request = DecodeVpdRequest(want).value();
  EXPECT_EQ(request.selector, 0x0102);
  EXPECT_TRUE(request.iscsi);

  golden::Put32(want, 4, 3);
  golden::PutBytes(want, 8, {0x82, 0x01, 0x78});
  ASSERT_TRUE(EncodeVpdAnswer(got, Bytes{0x82, 0x01, 0x78}));
  EXPECT_EQ(got, want);
  Bytes area = DecodeVpdAnswer(want).value();
  ASSERT_EQ(area.size(), 1024u);
  EXPECT_EQ(area[0], 0x82);
  EXPECT_EQ(area[2], 0x78);
}

TEST(Vpd, AnswersThatClaimMoreThanTheAreaOrAreShortAreRefused) {
  Bytes answer(1032, 0);
  golden::Put32(answer, 4, 1025);
  EXPECT_FALSE(DecodeVpdAnswer(answer));
  EXPECT_FALSE(DecodeVpdAnswer(Bytes(1031, 0)));
  EXPECT_FALSE(DecodeVpdRequest(Bytes(1031, 0)));
  Bytes buffer(1032, 0);
  EXPECT_FALSE(EncodeVpdAnswer(buffer, Bytes(1025, 0)));
}

TEST(FruVpd, RequestWordsSizeOffsetTypeAndTheBlockOverThem) {
  Bytes want(256, 0);
  golden::Put32(want, 0, 256);
  golden::Put32(want, 4, 1024);
  golden::Put32(want, 8, 1);
  Bytes got(256, 0xEE);
  ASSERT_TRUE(EncodeFruVpdRequest(got, {256, 1024, 1}));
  EXPECT_EQ(got, want);
  FruVpdRequest request = DecodeFruVpdRequest(want).value();
  EXPECT_EQ(request.size, 256u);
  EXPECT_EQ(request.offset, 1024u);
  EXPECT_EQ(request.data_type, 1u);

  Bytes block(256, 0xAB);
  ASSERT_TRUE(EncodeFruVpdAnswer(got, block));
  EXPECT_EQ(DecodeFruVpdAnswer(got, 256), block);
  EXPECT_FALSE(DecodeFruVpdAnswer(got, 257));
  // A request naming more than its buffer holds, or too short for the words.
  golden::Put32(want, 0, 257);
  EXPECT_FALSE(DecodeFruVpdRequest(want));
  EXPECT_FALSE(DecodeFruVpdRequest(Bytes(11, 0)));
  Bytes small(100, 0);
  EXPECT_FALSE(EncodeFruVpdRequest(small, {256, 0, 0}));
}

}  // namespace
}  // namespace oxim::records
