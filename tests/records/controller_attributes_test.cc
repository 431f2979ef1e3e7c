// The controller attributes answer, against bytes written by hand from its
// offset table.
#include "records/controller_attributes.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace oxim::records {
namespace {

TEST(ControllerAttributesLayout, EveryFieldAtItsOffset) {
  std::vector<uint8_t> golden(540, 0);
  auto text = [&](size_t offset, const std::string& value) {
    std::copy(value.begin(), value.end(), golden.begin() + offset);
  };
  text(32, "Vallorn");
  golden[64] = 0x11;  // capabilities 0x0111
  golden[65] = 0x01;
  golden[92] = 30;  // default ETO
  text(96, "QF3-2P");
  text(128, "Converged network adapter");
  text(192, "VN3Q0417A2K9");
  text(256, "11.4.204.0");
  text(288, "11.4.1");
  text(320, "11.4.2");
  text(352, "11.4");
  text(384, "11.4.204.1");
  golden[420] = 16;    // max CDB length
  golden[440] = 0x2C;  // LDTO 300
  golden[441] = 0x01;
  golden[442] = 0x10;  // iSCSI versions 0..1
  golden[445] = 1;     // degraded
  golden[446] = 2;
  golden[447] = 4;
  golden[500] = 0x7E;  // vendor 0x1D7E
  golden[501] = 0x1D;
  golden[502] = 0x14;  // device 0x0714
  golden[503] = 0x07;
  golden[504] = 0x7E;
  golden[505] = 0x1D;
  golden[506] = 0x01;  // subsystem device 0xE601
  golden[507] = 0xE6;
  golden[508] = 3;
  golden[509] = 0;
  golden[510] = 2;

  ControllerAttributes fields;
  fields.manufacturer = "Vallorn";
  fields.capabilities = 0x0111;
  fields.default_eto = 30;
  fields.model_number = "QF3-2P";
  fields.description = "Converged network adapter";
  fields.serial_number = "VN3Q0417A2K9";
  fields.active_firmware_version = "11.4.204.0";
  fields.bios_version = "11.4.1";
  fields.boot_code_version = "11.4.2";
  fields.driver_version = "11.4";
  fields.flash_firmware_version = "11.4.204.1";
  fields.max_cdb_length = 16;
  fields.link_down_timeout = 300;
  fields.iscsi_versions = 0x10;
  fields.firmware_state = 1;
  fields.logical_hba_count = 2;
  fields.further_count = 4;
  fields.vendor_id = 0x1D7E;
  fields.device_id = 0x0714;
  fields.subsystem_vendor_id = 0x1D7E;
  fields.subsystem_device_id = 0xE601;
  fields.address = {3, 0, 2};
  std::vector<uint8_t> answer(540, 0);
  ASSERT_TRUE(EncodeControllerAttributes(answer, fields));
  EXPECT_EQ(answer, golden);

  ControllerAttributes decoded = DecodeControllerAttributes(golden).value();
  EXPECT_EQ(decoded.manufacturer, "Vallorn");
  EXPECT_EQ(decoded.capabilities, 0x0111u);
  EXPECT_EQ(decoded.model_number, "QF3-2P");
  EXPECT_EQ(decoded.description, "Converged network adapter");
  EXPECT_EQ(decoded.serial_number, "VN3Q0417A2K9");
  EXPECT_EQ(decoded.active_firmware_version, "11.4.204.0");
  EXPECT_EQ(decoded.flash_firmware_version, "11.4.204.1");
  EXPECT_EQ(decoded.driver_version, "11.4");
  EXPECT_EQ(decoded.link_down_timeout, 300);
  EXPECT_EQ(decoded.firmware_state, 1);
  EXPECT_EQ(decoded.logical_hba_count, 2);
  EXPECT_EQ(decoded.further_count, 4);
  EXPECT_EQ(decoded.device_id, 0x0714);
  EXPECT_EQ(decoded.subsystem_device_id, 0xE601);
  EXPECT_EQ(decoded.address, (PciAddress{3, 0, 2}));
  EXPECT_FALSE(DecodeControllerAttributes(std::vector<uint8_t>(539, 0)).has_value());
}

TEST(ControllerAttributesLayout, NcsiVersionAsNumbersOrTextAndThePhyLoopbackBit) {
  std::vector<uint8_t> numbers(540, 0);
  const uint16_t kVersion[] = {1, 0, 1, 0, 2};
  for (size_t i = 0; i < 5; ++i) numbers[80 + 2 * i] = static_cast<uint8_t>(kVersion[i]);
  numbers[417] = 0x81;  // bit 0: PHY loopback; the other bits are not ours
  ControllerAttributes a = DecodeControllerAttributes(numbers).value();
  EXPECT_EQ(NcsiVersionNumbers(a), (std::array<uint16_t, 5>{1, 0, 1, 0, 2}));
  EXPECT_TRUE(a.phy_loopback);
  std::vector<uint8_t> encoded(540, 0);
  ASSERT_TRUE(EncodeControllerAttributes(encoded, a));
  EXPECT_EQ(encoded[88], 2);
  EXPECT_EQ(encoded[417], 0x01);

  std::vector<uint8_t> text(540, 0);
  const std::string version = "1.0.1";
  std::copy(version.begin(), version.end(), text.begin() + 80);
  EXPECT_EQ(NcsiVersionText(*DecodeControllerAttributes(text)), "1.0.1");
  EXPECT_FALSE(DecodeControllerAttributes(text)->phy_loopback);
  // A text that fills its 12 bytes ends there, before the extended time-out.
  std::fill(text.begin() + 80, text.begin() + 92, 'v');
  text[92] = 'x';
  EXPECT_EQ(NcsiVersionText(*DecodeControllerAttributes(text)), std::string(12, 'v'));
  ControllerAttributes written;
  SetNcsiVersionText(written, "1.1.0");
  ASSERT_TRUE(EncodeControllerAttributes(encoded, written));
  EXPECT_EQ(std::string(encoded.begin() + 80, encoded.begin() + 86), std::string("1.1.0\0", 6));
}

TEST(ControllerAttributesLayout, SerialFillingItsFieldHasNoTerminator) {
  std::vector<uint8_t> answer(540, 0);
  std::fill(answer.begin() + 192, answer.begin() + 224, 'A');
  answer[224] = 'B';
  EXPECT_EQ(DecodeControllerAttributes(answer)->serial_number, std::string(32, 'A'));
}

}  // namespace
}  // namespace oxim::records
