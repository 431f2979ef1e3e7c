// The NC-SI attributes answer and its set request, against bytes written by
// hand from their offset tables.
#include "records/ncsi_attributes.h"

#include <gtest/gtest.h>

#include "records/golden.h"

namespace oxim::records {
namespace {

using golden::Bytes;

Bytes Golden() {
  Bytes answer(72, 0);
  answer[0] = 1;   // supported
  answer[1] = 1;   // handshake error
  answer[12] = 1;  // ports swapped
  golden::PutBytes(answer, 13, {0, 0x90, 0xfa, 1, 1, 1});
  answer[19] = 1;
  golden::PutBytes(answer, 20, {0, 0x90, 0xfa, 2, 2, 2});
  answer[26] = 0;
  golden::Put16(answer, 28, 10);
  // The dynamic block: firmware bytes around the fields.
  answer[40] = 0x01;
  answer[42] = 0x5A;
  golden::PutBytes(answer, 45, {0, 0x90, 0xfa, 3, 3, 3});
  answer[51] = 0x06;
  golden::PutBytes(answer, 52, {0, 0x90, 0xfa, 4, 4, 4});
  answer[58] = 0x07;
  golden::Put16(answer, 60, 200);
  answer[71] = 0xA5;
  return answer;
}

TEST(NcsiAttributes, StaticFieldsAndTheDynamicBlockDecode) {
  NcsiAttributes ncsi = DecodeNcsiAttributes(Golden()).value();
  EXPECT_EQ(ncsi.state, kNcsiSupported);
  EXPECT_EQ(ncsi.handshake, kNcsiHandshakeError);
  EXPECT_EQ(ncsi.port_swap, 1);
  EXPECT_EQ(ncsi.static_ports.port0_mac, (NcsiMac{0, 0x90, 0xfa, 1, 1, 1}));
  EXPECT_EQ(ncsi.static_ports.port0_wol, 1);
  EXPECT_EQ(ncsi.static_ports.port1_mac, (NcsiMac{0, 0x90, 0xfa, 2, 2, 2}));
  EXPECT_EQ(ncsi.static_ports.vlan_id, 10);
  EXPECT_EQ(ncsi.dynamic_ports.port0_mac, (NcsiMac{0, 0x90, 0xfa, 3, 3, 3}));
  EXPECT_EQ(ncsi.dynamic_ports.port0_wol, 0x06);
  EXPECT_EQ(ncsi.dynamic_ports.port1_wol, 0x07);
  EXPECT_EQ(ncsi.dynamic_ports.vlan_id, 200);
  EXPECT_EQ(ncsi.dynamic_block[0], 0x01);
  EXPECT_EQ(ncsi.dynamic_block[31], 0xA5);

  Bytes again(72, 0xEE);
  ASSERT_TRUE(EncodeNcsiAttributes(again, ncsi));
  EXPECT_EQ(again, Golden());
  EXPECT_FALSE(DecodeNcsiAttributes(Bytes(71, 0)));
}

TEST(NcsiAttributes, ASetRequestIsTheDynamicBlockWithItsFieldsChanged) {
  const Bytes answer = Golden();
  Bytes request(answer.begin() + 40, answer.end());
  NcsiPorts ports = DecodeNcsiDynamic(request).value();
  ports.vlan_id = 100;
  ASSERT_TRUE(EncodeNcsiDynamic(request, ports));
  Bytes want(answer.begin() + 40, answer.end());
  want[20] = 100;
  want[21] = 0;
  EXPECT_EQ(request, want);
  EXPECT_FALSE(DecodeNcsiDynamic(Bytes(31, 0)));
}

}  // namespace
}  // namespace oxim::records
