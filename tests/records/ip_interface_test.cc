// Interface addressing records against bytes written by hand from their
// offset tables: the interface list and information with their 40-byte
// address entries, the IP record change, DHCP, VLAN and gateway requests;
// short records are refused and a count beyond the record is clamped.
#include "records/ip_interface.h"

#include <gtest/gtest.h>

#include "records/golden.h"

namespace oxim::records {
namespace {

using golden::Bytes;

TEST(InterfaceRecords, InterfaceListIdsFollowTheCount) {
  Bytes want(132, 0);
  golden::Put32(want, 0, 2);
  golden::Put32(want, 4, 0x10);
  golden::Put32(want, 8, 0x11);
  Bytes got(132, 0xEE);
  ASSERT_TRUE(EncodeInterfaceList(got, {0x10, 0x11}));
  EXPECT_EQ(got, want);
  EXPECT_EQ(DecodeInterfaceList(want), (std::vector<uint32_t>{0x10, 0x11}));

  golden::Put32(want, 0, 0xFFFFFFFF);  // a count beyond the record: 32 ids at most
  EXPECT_EQ(DecodeInterfaceList(want)->size(), 32u);
  EXPECT_FALSE(DecodeInterfaceList(Bytes(131, 0)));
  EXPECT_FALSE(EncodeInterfaceList(got, std::vector<uint32_t>(33, 1)));
}

TEST(InterfaceRecords, InterfaceInformationWithTwoEntries) {
  Bytes want(1296, 0);
  golden::Put32(want, 0, 7);       // the request's identifier stays
  golden::Put32(want, 4, 0x6064);  // VLAN 100, priority 3
  golden::Put32(want, 8, 2);
  golden::Put32(want, 12, 1);
  golden::Put16(want, 16, 40);
  want[18] = 5;
  golden::PutBytes(want, 20, {192, 0, 2, 150});
  golden::PutBytes(want, 36, {255, 255, 255, 0});
  golden::Put16(want, 56, 40);
  want[58] = 0x50;
  golden::PutBytes(want, 60, {0xfe, 0x80});
  golden::PutBytes(want, 74, {0x00, 0x01});

  InterfaceInfo info;
  info.vlan_tag = VlanTag(100, 3);
  info.dhcp = true;
  info.entries.push_back(
      {kIpTypeDhcp, Ipv4Address({192, 0, 2, 150}), Ipv4Address({255, 255, 255, 0})});
  IpAddress link_local{0xfe, 0x80};
  link_local[14] = 0x00;
  link_local[15] = 0x01;
  info.entries.push_back({kIpTypeIpv6LinkLocal, link_local, {}});
  Bytes got(1296, 0);
  ASSERT_TRUE(EncodeInterfaceInfoRequest(got, {7, kIpTypeIpv4}));
  EXPECT_EQ(DecodeInterfaceInfoRequest(got)->interface_id, 7u);
  EXPECT_EQ(DecodeInterfaceInfoRequest(got)->ip_type, kIpTypeIpv4);
  ASSERT_TRUE(EncodeInterfaceInfo(got, info));
  EXPECT_EQ(got, want);

  std::optional<InterfaceInfo> decoded = DecodeInterfaceInfo(want);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(VlanId(decoded->vlan_tag), 100u);
  EXPECT_EQ(VlanPriority(decoded->vlan_tag), 3u);
  EXPECT_TRUE(decoded->dhcp);
  EXPECT_EQ(decoded->entries, info.entries);
}

TEST(InterfaceRecords, VlanTagBitsAndTheOffValue) {
  EXPECT_EQ(VlanTag(5, 3), 0x6005u);
  EXPECT_EQ(VlanId(0x6005), 5u);
  EXPECT_EQ(VlanPriority(0x6005), 3u);
  EXPECT_EQ(VlanTag(100, 0), 100u);
  EXPECT_EQ(VlanTag(4095, 7), 0xEFFFu);  // bit 12 is not the priority's
  EXPECT_EQ(kVlanOff, 65535u);
}

TEST(InterfaceRecords, EntryCountIsClampedToTheRecord) {
  Bytes answer(1296, 0xFF);  // a firmware that fills the record with ones
  std::optional<InterfaceInfo> decoded = DecodeInterfaceInfo(answer);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->entries.size(), 32u);
  EXPECT_FALSE(DecodeInterfaceInfo(Bytes(1295, 0)));
  InterfaceInfo too_many;
  too_many.entries.resize(33);
  EXPECT_FALSE(EncodeInterfaceInfo(answer, too_many));
}

TEST(InterfaceRecords, IpRecordChangeAndItsAnswerState) {
  Bytes want(56, 0);
  golden::Put32(want, 0, 1);
  golden::Put32(want, 4, 2);
  golden::Put32(want, 8, 9);
  golden::Put16(want, 12, 40);
  want[14] = 1;
  golden::PutBytes(want, 16, {192, 0, 2, 60});
  golden::PutBytes(want, 32, {255, 255, 255, 0});
  IpRecordChange change;
  change.action = kActionDelete;
  change.interface_id = 9;
  change.entry = {kIpTypeIpv4, Ipv4Address({192, 0, 2, 60}), Ipv4Address({255, 255, 255, 0})};
  Bytes got(56, 0xEE);
  ASSERT_TRUE(EncodeIpRecordChange(got, change));
  EXPECT_EQ(got, want);
  EncodeIpRecordState(got, kAddressStateDuplicate);
  golden::Put32(want, 52, 47);
  EXPECT_EQ(got, want);
  std::optional<IpRecordChange> decoded = DecodeIpRecordChange(want);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->action, kActionDelete);
  EXPECT_EQ(decoded->interface_id, 9u);
  EXPECT_EQ(decoded->entry, change.entry);
  EXPECT_EQ(decoded->state, 47u);
  EXPECT_FALSE(DecodeIpRecordChange(Bytes(55, 0)));
}

TEST(InterfaceRecords, DhcpVlanAndGatewayRequests) {
  Bytes dhcp(16, 0);
  ASSERT_TRUE(EncodeDhcpStart(dhcp, {3, kIpTypeDhcp}));
  Bytes want_dhcp(16, 0);
  golden::Put32(want_dhcp, 0, 3);
  golden::Put32(want_dhcp, 4, 5);
  golden::Put32(want_dhcp, 8, 1);
  golden::Put32(want_dhcp, 12, 1);
  EXPECT_EQ(dhcp, want_dhcp);
  Bytes vlan(8, 0);
  ASSERT_TRUE(EncodeInterfaceSetting(vlan, {3, kVlanOff}));
  Bytes want_vlan(8, 0);
  golden::Put32(want_vlan, 0, 3);
  golden::Put32(want_vlan, 4, 65535);
  EXPECT_EQ(vlan, want_vlan);
  EXPECT_EQ(DecodeInterfaceSetting(vlan)->value, 65535u);
  EXPECT_FALSE(DecodeInterfaceSetting(Bytes(7, 0)));

  Bytes query(24, 0xEE);
  ASSERT_TRUE(EncodeGatewayQuery(query, kFamilyIpv6));
  Bytes want_query(24, 0);
  golden::Put32(want_query, 0, 16);
  EXPECT_EQ(query, want_query);
  golden::PutBytes(want_query, 4, {192, 0, 2, 1});
  EXPECT_EQ(DecodeGatewayAnswer(want_query), Ipv4Address({192, 0, 2, 1}));

  Bytes add(28, 0xEE);
  ASSERT_TRUE(EncodeGatewayChange(add, {kActionAdd, kFamilyIpv4, Ipv4Address({192, 0, 2, 1})}));
  Bytes want_add(28, 0);
  golden::Put32(want_add, 0, 1);
  golden::Put16(want_add, 4, 24);
  want_add[7] = 1;
  golden::PutBytes(want_add, 8, {192, 0, 2, 1});
  EXPECT_EQ(add, want_add);
  Bytes remove(28, 0);
  ASSERT_TRUE(
      EncodeGatewayChange(remove, {kActionDelete, kFamilyIpv4, Ipv4Address({192, 0, 2, 1})}));
  golden::Put32(want_add, 0, 2);
  golden::Put16(want_add, 4, 0);  // no size when deleting
  EXPECT_EQ(remove, want_add);
  EXPECT_EQ(DecodeGatewayChange(remove)->action, kActionDelete);
  EXPECT_FALSE(DecodeGatewayChange(Bytes(27, 0)));
  Bytes short_change(27, 0);
  EXPECT_FALSE(EncodeGatewayChange(short_change, {}));
}

}  // namespace
}  // namespace oxim::records
