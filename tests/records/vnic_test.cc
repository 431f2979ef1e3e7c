// The vNIC name and statistics answers, against bytes written by hand from
// their offset tables.
#include "records/vnic.h"

#include <gtest/gtest.h>

#include <string>

#include "records/golden.h"

namespace oxim::records {
namespace {

using golden::Bytes;

TEST(VnicName, EnabledWordThenTheName) {
  Bytes want(92, 0);
  golden::Put32(want, 0, 1);
  golden::PutText(want, 4, "ch-storage");
  Bytes got(92, 0xEE);
  ASSERT_TRUE(EncodeVnicName(got, {true, "ch-storage"}));
  EXPECT_EQ(got, want);
  VnicName name = DecodeVnicName(want).value();
  EXPECT_TRUE(name.enabled);
  EXPECT_EQ(name.name, "ch-storage");
  golden::Put32(want, 0, 2);  // only 1 says enabled
  EXPECT_FALSE(DecodeVnicName(want)->enabled);
  EXPECT_FALSE(DecodeVnicName(Bytes(91, 0)));
}

TEST(VnicName, ANameWithoutNulEndsAtTheRecord) {
  Bytes answer(92, 'x');
  EXPECT_EQ(DecodeVnicName(answer)->name, std::string(88, 'x'));
}

TEST(VnicStats, OuterVlanAndBandwidthsAtEighteenTwentyAndTwentyOne) {
  Bytes want(24, 0);
  golden::Put16(want, 18, 300);
  want[20] = 25;
  want[21] = 75;
  Bytes got(24, 0xEE);
  ASSERT_TRUE(EncodeVnicStats(got, {300, 25, 75}));
  EXPECT_EQ(got, want);
  VnicStats stats = DecodeVnicStats(want).value();
  EXPECT_EQ(stats.outer_vlan, 300);
  EXPECT_EQ(stats.min_bandwidth, 25);
  EXPECT_EQ(stats.max_bandwidth, 75);
  EXPECT_FALSE(DecodeVnicStats(Bytes(23, 0)));
}

}  // namespace
}  // namespace oxim::records
