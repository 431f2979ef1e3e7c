// The additional controller attributes answer, against bytes written by
// hand from its offset table.
#include "records/additional_attributes.h"

#include <gtest/gtest.h>

#include <string>

#include "records/golden.h"

namespace oxim::records {
namespace {

using golden::Bytes;

TEST(AdditionalAttributes, EveryFieldAtItsOffset) {
  Bytes want(612, 0);
  golden::Put16(want, 0, 42);
  golden::Put16(want, 2, 0x0B);
  golden::Put32(want, 4, 48);
  golden::PutText(want, 28, "fcoe-universal");
  golden::PutText(want, 60, "fcoe-x86");
  golden::PutText(want, 92, "fcoe-efi");
  golden::PutText(want, 124, "fcoe-fcode");
  golden::PutText(want, 156, "uefi-bios");
  golden::PutText(want, 188, "uefi-nic");
  golden::PutText(want, 220, "uefi-fcode");
  golden::PutText(want, 252, std::string(32, 'i'));  // fills its field
  golden::PutText(want, 356, "phy 1.2.3");
  golden::PutText(want, 516, "0000a1b2");
  golden::PutText(want, 524, "QF3IPL");

  AdditionalAttributes a;
  a.ipl_file_number = 42;
  a.ipl_suffix_number = 0x0B;
  a.temperature = 48;
  a.fcoe_universal_version = "fcoe-universal";
  a.fcoe_x86_bios_version = "fcoe-x86";
  a.fcoe_efi_version = "fcoe-efi";
  a.fcoe_fcode_version = "fcoe-fcode";
  a.uefi_bios_version = "uefi-bios";
  a.uefi_nic_version = "uefi-nic";
  a.uefi_fcode_version = "uefi-fcode";
  a.uefi_iscsi_version = std::string(32, 'i');
  a.phy_firmware_version = "phy 1.2.3";
  a.phy_configuration_id = "0000a1b2";
  a.ipl_file_name = "QF3IPL";
  Bytes got(612, 0);
  ASSERT_TRUE(EncodeAdditionalAttributes(got, a));
  EXPECT_EQ(got, want);

  std::optional<AdditionalAttributes> decoded = DecodeAdditionalAttributes(want);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->ipl_file_number, 42);
  EXPECT_EQ(decoded->ipl_suffix_number, 0x0B);
  EXPECT_EQ(decoded->temperature, 48u);
  EXPECT_EQ(decoded->fcoe_universal_version, "fcoe-universal");
  EXPECT_EQ(decoded->fcoe_x86_bios_version, "fcoe-x86");
  EXPECT_EQ(decoded->fcoe_efi_version, "fcoe-efi");
  EXPECT_EQ(decoded->fcoe_fcode_version, "fcoe-fcode");
  EXPECT_EQ(decoded->uefi_bios_version, "uefi-bios");
  EXPECT_EQ(decoded->uefi_nic_version, "uefi-nic");
  EXPECT_EQ(decoded->uefi_fcode_version, "uefi-fcode");
  EXPECT_EQ(decoded->uefi_iscsi_version, std::string(32, 'i'));
  EXPECT_EQ(decoded->phy_firmware_version, "phy 1.2.3");
  EXPECT_EQ(decoded->phy_configuration_id, "0000a1b2");
  EXPECT_EQ(decoded->ipl_file_name, "QF3IPL");
}

TEST(AdditionalAttributes, UnterminatedTextsStopAtTheNextField) {
  Bytes answer(612, 'x');
  std::optional<AdditionalAttributes> decoded = DecodeAdditionalAttributes(answer);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->phy_configuration_id, std::string(8, 'x'));
  EXPECT_EQ(decoded->ipl_file_name, std::string(88, 'x'));
}

TEST(AdditionalAttributes, ShortAnswersAreRefused) {
  Bytes answer(611, 0);
  EXPECT_FALSE(DecodeAdditionalAttributes(answer));
  EXPECT_FALSE(EncodeAdditionalAttributes(answer, {}));
}

}  // namespace
}  // namespace oxim::records
