// The FFV parameters, the 10GBASE-T statistics and the PCI Express
// capability, against bytes written by hand from their offset tables.
#include <gtest/gtest.h>

#include <string>

#include "records/base_t_stats.h"
#include "records/ffv_params.h"
#include "records/golden.h"
#include "records/pci_express.h"

namespace oxim::records {
namespace {

using golden::Bytes;

TEST(FfvParams, OperationLengthAndName) {
  Bytes want(36, 0);
  want[0] = 1;
  want[1] = 32;
  golden::PutText(want, 4, "CUSTOMER-A");
  Bytes got(36, 0xEE);
  ASSERT_TRUE(EncodeFfvParams(got, {kFfvSet, 32, "CUSTOMER-A"}));
  EXPECT_EQ(got, want);
  FfvParams ffv = DecodeFfvParams(want).value();
  EXPECT_EQ(ffv.operation, kFfvSet);
  EXPECT_EQ(ffv.name, "CUSTOMER-A");
}

TEST(FfvParams, TheNameEndsAtItsLengthOrTheField) {
  Bytes answer(36, 'n');
  answer[0] = 0;
  answer[1] = 5;
  EXPECT_EQ(DecodeFfvParams(answer)->name, "nnnnn");
  answer[1] = 200;  // more than the field
  EXPECT_EQ(DecodeFfvParams(answer)->name, std::string(32, 'n'));
  EXPECT_FALSE(DecodeFfvParams(Bytes(35, 0)));
}

TEST(BaseTStats, WordsFromFourAndTheFrameCountByVersion) {
  BaseTStats stats;
  for (size_t i = 0; i < stats.words.size(); ++i) stats.words[i] = static_cast<uint32_t>(i + 1);
  stats.frame_count = 0x100000002ull;

  Bytes want(112, 0);
  golden::Put32(want, 0, 1);  // clear requested
  for (size_t i = 0; i < 18; ++i) golden::Put32(want, 4 + 4 * i, static_cast<uint32_t>(i + 1));
  golden::Put32(want, 76, 1);  // high word
  golden::Put32(want, 80, 2);  // low word
  Bytes got(112, 0xEE);
  ASSERT_TRUE(EncodeBaseTRequest(got, BaseTVersion::kV1, true));
  EXPECT_TRUE(BaseTClearRequested(got));
  std::fill(got.begin() + 4, got.end(), 0);
  ASSERT_TRUE(EncodeBaseTStats(got, BaseTVersion::kV1, stats));
  EXPECT_EQ(got, want);
  EXPECT_EQ(DecodeBaseTStats(want, BaseTVersion::kV1)->frame_count, 0x100000002ull);
  EXPECT_EQ(DecodeBaseTStats(want, BaseTVersion::kV1)->words[17], 18u);

  // The older answer: 84 bytes, a 32-bit count at 76.
  Bytes older(84, 0);
  golden::Put32(older, 76, 0x2710);
  EXPECT_EQ(DecodeBaseTStats(older, BaseTVersion::kV0)->frame_count, 0x2710u);
  EXPECT_FALSE(DecodeBaseTStats(older, BaseTVersion::kV1));
  EXPECT_FALSE(DecodeBaseTStats(Bytes(83, 0), BaseTVersion::kV0));
}

TEST(PciExpress, TheCapabilityListLeadsToTheLinkRegister) {
  Bytes space(256, 0);
  space[0x34] = 0x48;
  space[0x48] = 0x01;  // power management, then
  space[0x49] = 0x60;
  space[0x60] = 0x10;  // PCI Express
  golden::Put32(space, 0x70, (8u << 20) | (3u << 16));
  const uint32_t link = FindPcieLinkRegister(space).value();
  EXPECT_EQ(PcieLinkWidth(link), 8u);
  EXPECT_EQ(PcieLinkSpeedCode(link), 3u);
  EXPECT_EQ(PcieSpeedGts(3), 8.0);
  EXPECT_FALSE(PcieSpeedGts(0));
  EXPECT_FALSE(PcieSpeedGts(7));

  Bytes made(256, 0);
  ASSERT_TRUE(EncodePcieCapability(made, kKorvelPcieCapabilityOffset, PcieLinkRegister(16, 4)));
  EXPECT_EQ(made[0x34], 0x94);
  EXPECT_EQ(made[0x94], 0x10);
  EXPECT_EQ(FindPcieLinkRegister(made), PcieLinkRegister(16, 4));
  EXPECT_EQ(made[164 + 2], 0x04);  // speed code in bits 16-19 of the word at 164
  EXPECT_EQ(made[164 + 3], 0x01);  // width 16 from bit 20
}

TEST(PciExpress, ListsThatLoopEndEarlyOrLeaveTheBytesHaveNoLink) {
  Bytes loop(256, 0);
  loop[0x34] = 0x40;
  loop[0x40] = 0x01;
  loop[0x41] = 0x40;  // points at itself
  EXPECT_FALSE(FindPcieLinkRegister(loop));
  Bytes outside(256, 0);
  outside[0x34] = 0xF0;
  outside[0xF0] = 0x10;  // its link register would end past the bytes
  EXPECT_FALSE(FindPcieLinkRegister(outside));
  Bytes low(256, 0);
  low[0x34] = 0x20;  // inside the header
  EXPECT_FALSE(FindPcieLinkRegister(low));
  EXPECT_FALSE(FindPcieLinkRegister(Bytes(0x30, 0)));
}

}  // namespace
}  // namespace oxim::records
