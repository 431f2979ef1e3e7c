// Inside the library: the rules the controller and nic areas apply on their
// own (VPD chunks, IPL names, capability texts), and the bytes their
// handlers send, seen by an emulated adapter in this process (the NC-SI
// write, the NIC erase, a volatile MAC that does not change).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "areas/controller/adapter_fixture.h"
#include "areas/controller/controller_update.h"
#include "areas/controller/vpd.h"
#include "records/erase_rom.h"
#include "records/ncsi_attributes.h"
#include "support/api_client.h"
#include "transport/commands.h"

namespace oxim {
namespace {

using testing::Do;
using testing::SetValue;
using testing::Value;

TEST(VpdChunks, ChunksOfAtMost127BytesTheLastOneToo) {
  std::vector<uint8_t> area(1024);
  for (size_t i = 0; i < area.size(); ++i) area[i] = static_cast<uint8_t>(i);
  std::vector<std::string> chunks = vpd_chunks(area, 9);
  ASSERT_EQ(chunks.size(), 9u);
  for (size_t k = 0; k < 8; ++k) EXPECT_EQ(chunks[k].size(), 254u);
  EXPECT_EQ(chunks[0].substr(0, 6), "000102");
  EXPECT_EQ(chunks[1].substr(0, 2), "7f");   // byte 127
  EXPECT_EQ(chunks[8], "f8f9fafbfcfdfeff");  // bytes 1016 to 1023

  // A 256-byte block in two chunks: 127 bytes each, not the 897 bytes that
  // running the last chunk to byte 1023 would take.
  const std::vector<uint8_t> block(256, 0xAB);
  chunks = vpd_chunks(block, 2);
  EXPECT_EQ(chunks[0].size(), 254u);
  EXPECT_EQ(chunks[1].size(), 254u);
  EXPECT_EQ(vpd_chunks(std::vector<uint8_t>(3, 1), 2), (std::vector<std::string>{"010101", ""}));
}

TEST(IplFileName, TableByChipAndNumber) {
  EXPECT_EQ(ipl_file_name(3, 1, 0, ""), "QF3_IPL001_0");
  EXPECT_EQ(ipl_file_name(3, 113, 0xAB, ""), "QF3_IPL113_AB");
  EXPECT_EQ(ipl_file_name(3, 114, 0, ""), "N/A");
  EXPECT_EQ(ipl_file_name(3, 0, 0, ""), "N/A");
  EXPECT_EQ(ipl_file_name(5, 256, 1, ""), "TD_IPL114_1");
  EXPECT_EQ(ipl_file_name(5, 293, 1, ""), "TD_IPL151_1");
  EXPECT_EQ(ipl_file_name(5, 294, 1, ""), "N/A") << "beyond the table";
  EXPECT_EQ(ipl_file_name(5, 255, 1, ""), "N/A");
  EXPECT_EQ(ipl_file_name(2, 5, 1, ""), "N/A");
  EXPECT_EQ(ipl_file_name(2, 5, 1, "OWN_NAME"), "OWN_NAME") << "the firmware's name first";
}

TEST(CapabilitiesText, BitsInOrderOrInvalid) {
  EXPECT_EQ(capabilities_text(0x11), "TCP offload,iSCSI Initiator");
  EXPECT_EQ(capabilities_text(0x8011), "Invalid");
  EXPECT_EQ(capabilities_text(0), "");
  EXPECT_EQ(firmware_state_text(7), std::string("Unknown"));
}

class AdapterRequestsTest : public testing::InProcessAdapterTest {};

TEST_F(AdapterRequestsTest, NcsiWriteSendsTheDynamicBlockWithOnlyItsFieldChanged) {
  StartFile("qf2.json");
  std::array<uint8_t, records::kNcsiAttributesSize> answer{};
  ASSERT_EQ(ioctl_get_ncsi_attributes({.index = 1}, answer, 0), 0u);
  std::vector<uint8_t> block(answer.begin() + records::kNcsiDynamicOffset, answer.end());
  ASSERT_NE(block[records::kNcsiPort0WolOffset], 0) << "flags the firmware keeps";
  const std::string d = "Quellfire0/NCSI/NCSIDynamicConfiguration0/";

  ASSERT_EQ(SetValue(d + "EnableWOLPort0", "Yes"), 0u);
  std::vector<uint8_t> want = block;
  want[records::kNcsiPort0WolOffset] |= records::kNcsiWolEnable;
  EXPECT_EQ(LastPayload(1, 87), want) << "the other bits of byte 11 stay";
  EXPECT_EQ(Value(d + "EnableWOLPort0"), "Yes");

  ASSERT_EQ(SetValue(d + "EnableWOLPort0", "No"), 0u);
  want[records::kNcsiPort0WolOffset] = 0;
  EXPECT_EQ(LastPayload(1, 87), want) << "No clears the whole byte";

  ASSERT_EQ(SetValue(d + "MgmtVLANId", "100"), 0u);
  want[records::kNcsiVlanOffset] = 100;
  want[records::kNcsiVlanOffset + 1] = 0;
  EXPECT_EQ(LastPayload(1, 87), want) << "both MAC addresses as read";
}

TEST_F(AdapterRequestsTest, NicEraseNamesTheNicConfiguration) {
  StartFile("qf3.json");
  ASSERT_EQ(Do("Quellfire0/NICPhysicalHBA1/EraseNICConfiguration"), 0u);
  std::optional<std::vector<uint8_t>> request = LastPayload(1, 7);
  ASSERT_TRUE(request);
  EXPECT_EQ(records::DecodeEraseRequest(*request), records::kEraseNicConfiguration);
  EXPECT_EQ(std::vector<uint8_t>(request->begin() + 8, request->end()),
            std::vector<uint8_t>(12, 0));
}

TEST_F(AdapterRequestsTest, VolatileMacEqualToTheCurrentOneSendsNothing) {
  StartFile("qf3.json");
  const std::string mac = "Quellfire0/NICPhysicalHBA0/NetworkBootConfiguration/VolatileMACAddress";
  ASSERT_EQ(Value(mac), "00-90-fa-4c-21-30");
  const uint64_t before = adapter_->request_count();
  EXPECT_EQ(SetValue(mac, "00-90-FA-4C-21-30"), 0u);
  EXPECT_EQ(adapter_->request_count(), before);
}

}  // namespace
}  // namespace oxim
