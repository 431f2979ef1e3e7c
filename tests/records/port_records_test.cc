// Port records against bytes written by hand from their offset tables:
// the MAC query, the network parameters and the link status.
#include "records/port_records.h"

#include <gtest/gtest.h>

#include "records/golden.h"

namespace oxim::records {
namespace {

using golden::Bytes;

TEST(PortRecords, MacQueryRequestAndAnswer) {
  Bytes request(72, 0xEE);
  ASSERT_TRUE(EncodeMacQueryRequest(request, /*nic_driver=*/false));
  Bytes want(72, 0);
  want[1] = 1;
  EXPECT_EQ(request, want);
  ASSERT_TRUE(EncodeMacQueryRequest(request, /*nic_driver=*/true));
  want[0] = 1;
  EXPECT_EQ(request, want);

  MacAddresses macs;
  macs.current = {0x00, 0x90, 0xfa, 0x4c, 0x21, 0x12};
  macs.permanent = {0x00, 0x90, 0xfa, 0x4c, 0x21, 0x02};
  ASSERT_TRUE(EncodeMacQueryAnswer(request, macs));
  golden::PutBytes(want, 2, {0x00, 0x90, 0xfa, 0x4c, 0x21, 0x12});
  golden::PutBytes(want, 10, {0x00, 0x90, 0xfa, 0x4c, 0x21, 0x02});
  EXPECT_EQ(request, want);
  std::optional<MacAddresses> decoded = DecodeMacQueryAnswer(want);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->current, macs.current);
  EXPECT_EQ(decoded->permanent, macs.permanent);
  EXPECT_FALSE(DecodeMacQueryAnswer(Bytes(71, 0)));
}

TEST(PortRecords, NicParamsAndLinkStatus) {
  Bytes want(52, 0);
  golden::Put32(want, 8, 4);
  golden::Put32(want, 16, 9000);
  Bytes got(52, 0xEE);
  ASSERT_TRUE(EncodeNicParams(got, {kSpeed10Gb, 9000}));
  EXPECT_EQ(got, want);
  EXPECT_EQ(DecodeNicParams(want)->max_mtu, 9000u);
  EXPECT_EQ(DecodeNicParams(want)->max_speed, 4u);
  EXPECT_FALSE(DecodeNicParams(Bytes(51, 0)));

  Bytes link_want(12, 0);
  link_want[1] = 1;
  link_want[2] = 4;
  golden::Put16(link_want, 6, 250);
  golden::Put32(link_want, 8, 1);
  Bytes link(12, 0xEE);
  ASSERT_TRUE(EncodeLinkStatus(link, {1, kLinkSpeedCode10Gb, 250, 1}));
  EXPECT_EQ(link, link_want);
  std::optional<LinkStatus> decoded = DecodeLinkStatus(link_want);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->logical_state, 1u);
  EXPECT_EQ(decoded->qos_speed, 250);
  EXPECT_EQ(decoded->speed_code, 4);
  EXPECT_FALSE(DecodeLinkStatus(Bytes(11, 0)));
}

}  // namespace
}  // namespace oxim::records
