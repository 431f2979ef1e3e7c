// The discovery parameters record, against bytes written by hand from its
// offset table: the library's fields are written in place and the
// firmware's are kept.
#include "records/discovery_params.h"

#include <gtest/gtest.h>

#include <string>

#include "records/golden.h"

namespace oxim::records {
namespace {

using golden::Bytes;

constexpr char kInitiator[] = "iqn.1998-01.com.example:host7";

TEST(DiscoveryParams, EveryFieldAtItsOffset) {
  Bytes want(888, 0);
  golden::Put32(want, 544, 0x11);
  golden::PutText(want, 548, kInitiator);
  golden::Put32(want, 772, 1);
  want[779] = 1;
  golden::PutBytes(want, 780, {192, 0, 2, 53});
  golden::Put16(want, 800, 3205);

  DiscoveryParams params;
  params.flags = kDiscoveryIsnsEnabled | kDiscoveryUseConfiguredServer;
  params.initiator_name = kInitiator;
  params.server_count = 1;
  params.server.address_type = kAddressIpv4;
  params.server.address = {192, 0, 2, 53};
  params.server.port = 3205;
  Bytes got(888, 0);
  ASSERT_TRUE(EncodeDiscoveryParams(got, params));
  EXPECT_EQ(got, want);

  std::optional<DiscoveryParams> decoded = DecodeDiscoveryParams(want);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->flags, 0x11u);
  EXPECT_EQ(decoded->initiator_name, kInitiator);
  EXPECT_EQ(decoded->server_count, 1u);
  EXPECT_EQ(decoded->server.address_type, kAddressIpv4);
  EXPECT_EQ(decoded->server.address, params.server.address);
  EXPECT_EQ(decoded->server.port, 3205);
}

TEST(DiscoveryParams, TheFirmwaresFieldsAreKeptAndTheServerEntryRewrittenWhole) {
  Bytes record(888, 0xAB);
  DiscoveryParams params;
  params.flags = kDiscoveryServerThroughDhcp;
  params.initiator_name = std::string(300, 'n');  // cut, keeping a NUL
  ASSERT_TRUE(EncodeDiscoveryParams(record, params));
  Bytes want(888, 0xAB);
  golden::Put32(want, 544, 0x40);
  std::fill(want.begin() + 548, want.begin() + 548 + 223, 'n');
  want[548 + 223] = 0;
  golden::Put32(want, 772, 0);
  std::fill(want.begin() + 776, want.begin() + 804, 0);
  EXPECT_EQ(record, want);
}

TEST(DiscoveryParams, ShortRecordsAreRefused) {
  Bytes record(887, 0);
  EXPECT_FALSE(DecodeDiscoveryParams(record));
  EXPECT_FALSE(EncodeDiscoveryParams(record, {}));
}

}  // namespace
}  // namespace oxim::records
