// What a function's port reports, against bytes written by hand from the
// offset tables: the network parameters, and the MAC query and link status
// answers the iSCSI function's network interface reads.
#include <gtest/gtest.h>

#include "records/golden.h"
#include "records/link_status.h"
#include "records/mac_records.h"
#include "records/nic_params.h"

namespace oxim::records {
namespace {

using golden::Bytes;

TEST(NetworkPort, NicParamsSpeedAndMtu) {
  Bytes want(52, 0);
  golden::Put32(want, 8, 4);
  golden::Put32(want, 16, 9000);
  Bytes got(52, 0xEE);
  ASSERT_TRUE(EncodeNicParams(got, {kMaxSpeed10Gb, 9000}));
  EXPECT_EQ(got, want);
  std::optional<NicParams> decoded = DecodeNicParams(want);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->max_speed, 4u);
  EXPECT_EQ(decoded->max_mtu, 9000u);
  EXPECT_FALSE(DecodeNicParams(Bytes(51, 0)));
}

TEST(NetworkPort, MacQueryAnswerAndLinkStatusAsTheInterfaceReadsThem) {
  Bytes mac(72, 0);
  golden::PutBytes(mac, 2, {0x00, 0x90, 0xfa, 0x4c, 0x21, 0x12});
  golden::PutBytes(mac, 10, {0x00, 0x90, 0xfa, 0x4c, 0x21, 0x02});
  std::optional<MacQuery> macs = DecodeMacQuery(mac);
  ASSERT_TRUE(macs);
  EXPECT_EQ(macs->current, (MacAddress{0x00, 0x90, 0xfa, 0x4c, 0x21, 0x12}));
  EXPECT_EQ(macs->permanent, (MacAddress{0x00, 0x90, 0xfa, 0x4c, 0x21, 0x02}));
  Bytes link(12, 0);
  link[1] = 1;
  link[2] = 4;
  golden::Put32(link, 8, 1);
  std::optional<LinkStatus> decoded = DecodeLinkStatus(link);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->logical_state, kLogicalLinkUp);
  golden::Put32(link, 8, 0);
  EXPECT_EQ(DecodeLinkStatus(link)->logical_state, kLogicalLinkDown);
}

}  // namespace
}  // namespace oxim::records
