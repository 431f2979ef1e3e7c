// The target-ID list, the target request and the target record, against
// bytes written by hand from their offset tables.
#include "records/iscsi_targets.h"

#include <gtest/gtest.h>

#include <vector>

#include "records/iscsi_fixtures.h"

namespace oxim::records {
namespace {

using fixtures::ExpectPortal;
using fixtures::kTarget;
using fixtures::Portal;
using fixtures::PutPortal;
using golden::Bytes;

TEST(IscsiTargetIdList, GoldenRequestAndAnswer) {
  Bytes request(12, 0xEE);
  ASSERT_TRUE(EncodeTargetIdRequest(request, 1, kTargetIdListFlags));
  EXPECT_EQ(request, (Bytes{1, 0, 0, 0, 0x0E, 0, 0, 0, 0xEE, 0xEE, 0xEE, 0xEE}));
  EXPECT_FALSE(EncodeTargetIdRequest(std::span(request).first(7), 1, 0));
  EXPECT_EQ(DecodeTargetIdSelector(request), 1u);
  EXPECT_FALSE(DecodeTargetIdSelector(std::span(request).first(7)));

  Bytes want(4 + 3 * 8, 0);
  golden::Put32(want, 0, 3);
  golden::Put32(want, 4, 5);
  golden::Put32(want, 12, 0x100);
  golden::Put32(want, 20, 0xFFFFFFFE);
  EXPECT_EQ(TargetIdListSize(3), want.size());
  Bytes got(want.size(), 0xEE);
  ASSERT_TRUE(EncodeTargetIdList(got, {5, 0x100, 0xFFFFFFFE}));
  EXPECT_EQ(got, want);
  EXPECT_EQ(DecodeTargetIdList(want), (std::vector<uint32_t>{5, 0x100, 0xFFFFFFFE}));
}

TEST(IscsiTargetIdList, CountsBeyondTheBufferAreRefused) {
  Bytes list(4 + 3 * 8, 0);
  golden::Put32(list, 0, 3);
  EXPECT_FALSE(EncodeTargetIdList(std::span(list).first(27), {5, 0x100, 0xFFFFFFFE}));
  EXPECT_FALSE(DecodeTargetIdList(std::span(list).first(27)));
  EXPECT_FALSE(DecodeTargetIdList(std::span(list).first(3)));
  golden::Put32(list, 0, 0xFFFFFFFF);
  EXPECT_FALSE(DecodeTargetIdList(list));
}

TEST(IscsiTargetRequest, TheIdAtZero) {
  Bytes query(kTargetSizeRequestSize, 0xEE);
  ASSERT_TRUE(EncodeTargetRequest(query, 0x0A0B0C0D));
  EXPECT_EQ(Bytes(query.begin(), query.begin() + 5), (Bytes{0x0D, 0x0C, 0x0B, 0x0A, 0xEE}));
  EXPECT_EQ(DecodeTargetRequest(query), 0x0A0B0C0Du);
  EXPECT_FALSE(DecodeTargetRequest(std::span(query).first(3)));
  EXPECT_FALSE(EncodeTargetRequest(std::span(query).first(3), 1));
}

FirmwareTarget SampleTarget() {
  FirmwareTarget target;
  target.id = 0x0A0B;
  target.name = kTarget;
  target.alias = "disk one";
  target.groups.push_back({1, {Portal(0)}});
  PortalEntry second = PortalFromText("192.0.2.11", 3261);
  target.groups.push_back({2, {second}});
  return target;
}

TEST(IscsiTargetRecord, GoldenBytesWithTwoPortalGroups) {
  Bytes want(264 + 2 * 552, 0);
  golden::Put32(want, 0, 0x0A0B);
  golden::PutText(want, 4, kTarget);
  golden::PutText(want, 228, "disk one");
  golden::Put32(want, 260, 2);
  golden::Put16(want, 264, 1);
  golden::Put16(want, 266, 1);
  PutPortal(want, 268, 0);
  golden::Put16(want, 816, 2);
  golden::Put16(want, 818, 1);
  golden::Put16(want, 820, 24);
  want[823] = 1;
  golden::PutBytes(want, 824, {192, 0, 2, 11});
  golden::Put16(want, 844, 3261);

  FirmwareTarget target = SampleTarget();
  ASSERT_EQ(TargetRecordSize(target), want.size());
  Bytes got(want.size(), 0xEE);
  ASSERT_TRUE(EncodeTargetRecord(got, target));
  EXPECT_EQ(got, want);

  std::optional<FirmwareTarget> decoded = DecodeTargetRecord(want);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->id, 0x0A0Bu);
  EXPECT_EQ(decoded->name, kTarget);
  EXPECT_EQ(decoded->alias, "disk one");
  ASSERT_EQ(decoded->groups.size(), 2u);
  EXPECT_EQ(decoded->groups[0].tag, 1);
  ASSERT_EQ(decoded->groups[0].portals.size(), 1u);
  ExpectPortal(decoded->groups[0].portals[0], Portal(0));
  EXPECT_EQ(decoded->groups[1].tag, 2);
  ASSERT_EQ(decoded->groups[1].portals.size(), 1u);
  EXPECT_EQ(PortalAddressText(decoded->groups[1].portals[0]), "192.0.2.11");
}

TEST(IscsiTargetRecord, SizesAndShortRecords) {
  // The size query's request: a record with one group's room.
  EXPECT_EQ(TargetRecordSize(FirmwareTarget{}), kTargetSizeRequestSize);
  FirmwareTarget two_portals;
  two_portals.groups.push_back({1, {Portal(), Portal()}});
  EXPECT_EQ(TargetRecordSize(two_portals), 268u + 548 + 32);

  FirmwareTarget target = SampleTarget();
  Bytes record(TargetRecordSize(target), 0);
  EXPECT_FALSE(EncodeTargetRecord(std::span(record).first(record.size() - 1), target));
  ASSERT_TRUE(EncodeTargetRecord(record, target));
  // The second group's header is inside, its portal is not.
  std::optional<FirmwareTarget> partial = DecodeTargetRecord(std::span(record).first(830));
  ASSERT_TRUE(partial);
  ASSERT_EQ(partial->groups.size(), 2u);
  EXPECT_EQ(partial->groups[1].tag, 2);
  EXPECT_TRUE(partial->groups[1].portals.empty());
  partial = DecodeTargetRecord(std::span(record).first(264));
  ASSERT_TRUE(partial);
  EXPECT_TRUE(partial->groups.empty());
  EXPECT_FALSE(DecodeTargetRecord(std::span(record).first(263)));
}

TEST(IscsiTargetRecord, CountsBeyondTheRecordReadOnlyWhatIsInside) {
  Bytes record(TargetRecordSize(SampleTarget()), 0);
  ASSERT_TRUE(EncodeTargetRecord(record, SampleTarget()));
  golden::Put32(record, 260, 0xFFFFFFFF);  // groups
  golden::Put16(record, 266, 0xFFFF);      // portals of group 0
  std::optional<FirmwareTarget> decoded = DecodeTargetRecord(record);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->groups.size(), 2u);
  EXPECT_EQ(decoded->groups[0].portals.size(), 2u);  // the second lies over group 1
}

}  // namespace
}  // namespace oxim::records
