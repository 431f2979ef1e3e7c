// The driver requests' own records (chip information, driver information,
// the NIC driver's configuration read, the host adapter name), against
// bytes written by hand from their offset tables.
#include "records/driver_records.h"

#include <gtest/gtest.h>

#include <vector>

#include "records/golden.h"

namespace oxim::records {
namespace {

TEST(ChipInfoLayout, TwoControllersWithTwoAndFourFunctions) {
  std::vector<uint8_t> golden(89, 0);
  golden[0] = 2;
  golden[1] = 3;  // controller 0: bus 3, device 0, 2 functions: 0, 1
  golden[2] = 0;
  golden[3] = 2;
  golden[4] = 0;
  golden[5] = 1;
  golden[12] = 7;  // controller 1 at 1 + 11: bus 7, device 1, 4 functions 0..3
  golden[13] = 1;
  golden[14] = 4;
  golden[15] = 0;
  golden[16] = 1;
  golden[17] = 2;
  golden[18] = 3;
  std::vector<uint8_t> record(89, 0xEE);
  ASSERT_TRUE(EncodeChipInfo(record, {{3, 0, {0, 1}}, {7, 1, {0, 1, 2, 3}}}));
  EXPECT_EQ(record, golden);
  auto decoded = DecodeChipInfo(golden).value();
  ASSERT_EQ(decoded.size(), 2u);
  EXPECT_EQ(decoded[1].bus, 7);
  EXPECT_EQ(decoded[1].functions, (std::vector<uint8_t>{0, 1, 2, 3}));
}

TEST(ChipInfoLayout, CountsBeyondTheRecordAreRefused) {
  std::vector<uint8_t> record(89, 0);
  record[0] = 9;
  EXPECT_FALSE(DecodeChipInfo(record).has_value());
  record[0] = 1;
  record[3] = 9;
  EXPECT_FALSE(DecodeChipInfo(record).has_value());
  EXPECT_FALSE(DecodeChipInfo(std::vector<uint8_t>(88, 0)).has_value());
}

TEST(DriverInfoLayout, AddressFirstAnswerFromOffsetFour) {
  std::vector<uint8_t> record(980, 0xEE);
  ASSERT_TRUE(EncodeDriverInfoRequest(record, {3, 0, 1}));
  EXPECT_EQ(record[0], 3);
  EXPECT_EQ(record[1], 0);
  EXPECT_EQ(record[2], 1);
  EXPECT_EQ(record[3], 0);
  std::vector<uint8_t> short_record(979, 0);
  EXPECT_FALSE(EncodeDriverInfoRequest(short_record, {}));
  EXPECT_FALSE(DecodeDriverInfoAddress(std::vector<uint8_t>(979, 0)).has_value());
}

TEST(DriverInfoLayout, AnswerHasTheMtuAtTwelveAndTheVirtualFunctionsAtSixteen) {
  golden::Bytes want(980, 0);
  golden::PutBytes(want, 0, {3, 0, 1});  // the address stays
  golden::Put32(want, 12, 9000);
  want[16] = 8;
  golden::Bytes record(980, 0xEE);
  golden::PutBytes(record, 0, {3, 0, 1, 0});
  ASSERT_TRUE(EncodeDriverInfoAnswer(record, {.mtu = 9000, .virtual_functions = 8}));
  EXPECT_EQ(record, want);
  DriverInfoAnswer answer = DecodeDriverInfoAnswer(want).value();
  EXPECT_EQ(answer.mtu, 9000u);
  EXPECT_EQ(answer.virtual_functions, 8);
  EXPECT_FALSE(EncodeDriverInfoAnswer(std::span(record).first(979), {}));
  EXPECT_FALSE(DecodeDriverInfoAnswer(std::span(want).first(979)));
}

TEST(DriverInfoLayout, LinkDownReasonAtFive) {
  golden::Bytes record(980, 0);
  ASSERT_TRUE(EncodeDriverInfoAnswer(record, {.mtu = 1500, .link_down_reason = 3}));
  EXPECT_EQ(record[5], 3);
  EXPECT_EQ(DecodeDriverInfoAnswer(record)->link_down_reason, 3);
}

TEST(DriverInfoLayout, VirtualFunctionsFromTwentyInSixteenByteEntries) {
  golden::Bytes want(980, 0);
  want[16] = 2;
  golden::PutBytes(want, 20, {2, 0x90, 0xfa, 3, 0, 0});
  golden::Put16(want, 26, 100);  // VLAN
  golden::Put16(want, 28, 25);   // QoS 250 Mbit/s
  want[30] = 1;                  // link up
  golden::PutBytes(want, 36, {2, 0x90, 0xfa, 3, 0, 1});
  want[46] = 0;  // link down
  golden::Bytes record(980, 0);
  const std::vector<VirtualFunctionEntry> entries = {{{2, 0x90, 0xfa, 3, 0, 0}, 100, 25, true},
                                                     {{2, 0x90, 0xfa, 3, 0, 1}, 0, 0, false}};
  ASSERT_TRUE(EncodeVirtualFunctions(record, entries));
  EXPECT_EQ(record, want);
  EXPECT_EQ(DecodeVirtualFunctions(want), entries);
  // At most 60 entries fit; a count beyond them is corrupt.
  EXPECT_FALSE(EncodeVirtualFunctions(record, std::vector<VirtualFunctionEntry>(61)));
  want[16] = 61;
  EXPECT_FALSE(DecodeVirtualFunctions(want));
  want[16] = 60;
  EXPECT_EQ(DecodeVirtualFunctions(want)->size(), 60u);
  EXPECT_FALSE(DecodeVirtualFunctions(std::span(want).first(979)));
}

TEST(PciConfigReadLayout, RecordThenInlineDataArea) {
  // bus 3, device 0, function 1, offset 164 (0xA4), length 4, address 0.
  std::vector<uint8_t> golden = {3, 0, 1, 0xA4, 0, 0, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  std::vector<uint8_t> record(19, 0);
  ASSERT_TRUE(EncodePciConfigRead(record, {{3, 0, 1}, 164, 4}));
  EXPECT_EQ(record, golden);
  PciConfigRead read = DecodePciConfigRead(golden).value();
  EXPECT_EQ(read.config_offset, 164u);
  EXPECT_EQ(read.length, 4u);
  golden.pop_back();  // the data area no longer holds the length named
  EXPECT_FALSE(DecodePciConfigRead(golden).has_value());
}

TEST(PciConfigReadLayout, DataFollowsTheRecordForTheLengthItNames) {
  golden::Bytes record(19, 0);
  golden::PutBytes(record, 0, {3, 0, 1, 0xA4, 0, 0, 0, 4});
  const golden::Bytes data = {0x7E, 0x1D, 0x14, 0x07};
  ASSERT_TRUE(EncodePciConfigData(record, data));
  EXPECT_EQ(golden::Bytes(record.begin() + 15, record.end()), data);
  EXPECT_EQ(DecodePciConfigData(record), data);
  EXPECT_FALSE(EncodePciConfigData(record, golden::Bytes(3, 0)));  // not the length named
  EXPECT_FALSE(DecodePciConfigData(std::span(record).first(18)));
}

TEST(HostAdapterName, NulTerminatedInTheCallersBuffer) {
  golden::Bytes buffer(8, 0xEE);
  ASSERT_TRUE(EncodeHostAdapterName(buffer, "vmhba64"));
  EXPECT_EQ(buffer, (golden::Bytes{'v', 'm', 'h', 'b', 'a', '6', '4', 0}));
  EXPECT_EQ(DecodeHostAdapterName(buffer), "vmhba64");
  EXPECT_FALSE(EncodeHostAdapterName(buffer, "vmhba640"));  // no room for the NUL
  // The last byte ends the name even when the driver wrote none.
  EXPECT_EQ(DecodeHostAdapterName(golden::Bytes(4, 'x')), "xxx");
  EXPECT_FALSE(DecodeHostAdapterName(golden::Bytes{}));
}

}  // namespace
}  // namespace oxim::records
