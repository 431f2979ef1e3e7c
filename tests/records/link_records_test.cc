// The link status, NIC link parameters and flow control answers, against
// bytes written by hand from their offset tables.
#include <gtest/gtest.h>

#include "records/flow_control.h"
#include "records/golden.h"
#include "records/link_status.h"

namespace oxim::records {
namespace {

using golden::Bytes;

TEST(LinkStatus, FieldsAtTheirOffsets) {
  Bytes want(12, 0);
  want[1] = 1;                  // link
  want[2] = 4;                  // 10Gb
  golden::Put16(want, 6, 250);  // QoS 2.5 Gbit/s
  golden::Put32(want, 8, 1);    // logical link up
  Bytes got(12, 0xEE);
  ASSERT_TRUE(EncodeLinkStatus(got, {1, kSpeed10Gb, 250, kLogicalLinkUp}));
  EXPECT_EQ(got, want);
  LinkStatus link = DecodeLinkStatus(want).value();
  EXPECT_EQ(link.link, 1);
  EXPECT_EQ(link.speed_code, kSpeed10Gb);
  EXPECT_EQ(link.qos_speed, 250);
  EXPECT_EQ(link.logical_state, kLogicalLinkUp);
  EXPECT_FALSE(DecodeLinkStatus(Bytes(11, 0)));
}

TEST(LinkStatus, NicLinkParametersCarryTheActivePortInByteZero) {
  Bytes want(12, 0);
  want[0] = 15;
  Bytes got(12, 0xEE);
  ASSERT_TRUE(EncodeNicLinkParams(got, kNoActivePort));
  EXPECT_EQ(got, want);
  EXPECT_EQ(DecodeNicLinkParams(want), kNoActivePort);
  EXPECT_FALSE(DecodeNicLinkParams(Bytes(4, 0)));
}

TEST(FlowControl, TransmitThenReceiveAsSixteenBitWords) {
  Bytes want = {1, 0, 0, 0};
  Bytes got(4, 0xEE);
  ASSERT_TRUE(EncodeFlowControl(got, {kPauseEnabled, 0}));
  EXPECT_EQ(got, want);
  FlowControl flow = DecodeFlowControl(Bytes{0, 0, 1, 0}).value();
  EXPECT_EQ(flow.tx, 0);
  EXPECT_EQ(flow.rx, kPauseEnabled);
  EXPECT_FALSE(DecodeFlowControl(Bytes(3, 0)));
}

}  // namespace
}  // namespace oxim::records
