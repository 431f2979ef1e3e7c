// Route table, ARP table and ping records against bytes written by hand
// from their offset tables; counts beyond what a table holds are clamped
// (routes) or refused (ARP), short records refused.
#include "records/ip_tables.h"

#include <gtest/gtest.h>

#include "records/golden.h"

namespace oxim::records {
namespace {

using golden::Bytes;

TEST(TableRecords, RouteTableRecordsAtSixtyFourBytes) {
  Bytes want(64000, 0);
  golden::Put32(want, 0, 2);
  golden::PutBytes(want, 12, {198, 51, 100, 0});
  golden::PutBytes(want, 28, {255, 255, 255, 0});
  golden::PutBytes(want, 52, {192, 0, 2, 1});
  golden::PutBytes(want, 64 + 12, {203, 0, 113, 7});
  golden::PutBytes(want, 64 + 28, {255, 255, 255, 255});
  golden::PutBytes(want, 64 + 52, {192, 0, 2, 254});
  const std::vector<Route> routes = {
      {{198, 51, 100, 0}, {255, 255, 255, 0}, {192, 0, 2, 1}},
      {{203, 0, 113, 7}, {255, 255, 255, 255}, {192, 0, 2, 254}},
  };
  Bytes got(64000, 0xEE);
  ASSERT_TRUE(EncodeRouteTable(got, routes));
  EXPECT_EQ(got, want);
  EXPECT_EQ(DecodeRouteTable(want), routes);
}

TEST(TableRecords, RouteCountIsClampedToTheAnswerAndToAThousand) {
  Bytes table(64000, 0);
  golden::Put32(table, 0, 0xFFFFFFFF);
  EXPECT_EQ(DecodeRouteTable(table)->size(), 1000u);
  Bytes short_answer(64 * 3, 0);
  golden::Put32(short_answer, 0, 50);
  EXPECT_EQ(DecodeRouteTable(short_answer)->size(), 3u);
  EXPECT_FALSE(DecodeRouteTable(Bytes(3, 0)));
  EXPECT_FALSE(EncodeRouteTable(table, std::vector<Route>(1001)));
}

TEST(TableRecords, RouteChange) {
  Bytes want(72, 0);
  want[0] = 2;
  golden::PutBytes(want, 12, {198, 51, 100, 0});
  golden::PutBytes(want, 28, {255, 255, 255, 0});
  golden::PutBytes(want, 52, {192, 0, 2, 1});
  RouteChange change{kActionDelete, {{198, 51, 100, 0}, {255, 255, 255, 0}, {192, 0, 2, 1}}};
  Bytes got(72, 0xEE);
  ASSERT_TRUE(EncodeRouteChange(got, change));
  EXPECT_EQ(got, want);
  std::optional<RouteChange> decoded = DecodeRouteChange(want);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->action, kActionDelete);
  EXPECT_EQ(decoded->route, change.route);
  EXPECT_FALSE(DecodeRouteChange(Bytes(71, 0)));
}

TEST(TableRecords, ArpTableRecordsAtFortyBytes) {
  Bytes want(2568, 0);
  golden::Put32(want, 0, 2);
  golden::PutBytes(want, 12, {192, 0, 2, 1});
  golden::PutBytes(want, 34, {0x02, 0x00, 0xc0, 0x00, 0x02, 0x01});
  golden::PutBytes(want, 40 + 12, {192, 0, 2, 77});
  golden::PutBytes(want, 40 + 34, {0x00, 0x11, 0x22, 0x33, 0x44, 0x55});
  const std::vector<ArpEntry> entries = {
      {{192, 0, 2, 1}, {0x02, 0x00, 0xc0, 0x00, 0x02, 0x01}},
      {{192, 0, 2, 77}, {0x00, 0x11, 0x22, 0x33, 0x44, 0x55}},
  };
  Bytes got(2568, 0xEE);
  ASSERT_TRUE(EncodeArpTable(got, entries));
  EXPECT_EQ(got, want);
  EXPECT_EQ(DecodeArpTable(want), entries);
}

TEST(TableRecords, ArpTableOfMoreThanSixtyFourEntriesIsRefused) {
  Bytes table(2568, 0);
  golden::Put32(table, 0, 64);
  EXPECT_EQ(DecodeArpTable(table)->size(), 64u);
  golden::Put32(table, 0, 65);
  EXPECT_FALSE(DecodeArpTable(table));
  golden::Put32(table, 0, 0xFFFFFFFF);
  EXPECT_FALSE(DecodeArpTable(table));
  EXPECT_FALSE(DecodeArpTable(Bytes(2567, 0)));
  EXPECT_FALSE(EncodeArpTable(table, std::vector<ArpEntry>(65)));
}

TEST(TableRecords, ArpChangeAndPing) {
  Bytes want(48, 0);
  golden::Put32(want, 0, 1);
  golden::PutBytes(want, 12, {192, 0, 2, 77});
  golden::PutBytes(want, 34, {0x00, 0x11, 0x22, 0x33, 0x44, 0x55});
  ArpChange change{kActionAdd, {{192, 0, 2, 77}, {0x00, 0x11, 0x22, 0x33, 0x44, 0x55}}};
  Bytes got(48, 0xEE);
  ASSERT_TRUE(EncodeArpChange(got, change));
  EXPECT_EQ(got, want);
  EXPECT_EQ(DecodeArpChange(want)->entry, change.entry);
  EXPECT_FALSE(DecodeArpChange(Bytes(47, 0)));

  Bytes ping(24, 0xEE);
  PingRequest request;
  request.type = kFamilyIpv6;
  request.address = {0x20, 0x01, 0x0d, 0xb8};
  request.address[15] = 0x30;
  ASSERT_TRUE(EncodePingRequest(ping, request));
  Bytes want_ping(24, 0);
  want_ping[3] = 16;
  golden::PutBytes(want_ping, 4, {0x20, 0x01, 0x0d, 0xb8});
  want_ping[19] = 0x30;
  EXPECT_EQ(ping, want_ping);
  EXPECT_EQ(DecodePingRequest(want_ping)->address, request.address);
  EXPECT_FALSE(DecodePingRequest(Bytes(23, 0)));
}

}  // namespace
}  // namespace oxim::records
