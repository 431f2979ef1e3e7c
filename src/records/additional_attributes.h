// The 612-byte additional controller attributes answer (opcode 121,
// subsystem 1; ioctl_get_cnt_additional_attribs): IPL file, on-die
// temperature, the FCoE and UEFI boot code versions and the PHY versions.
// Shared by the library and the emulated adapter. Little-endian; texts are
// NUL-padded ASCII, a text that fills its field has no NUL. The three texts
// from 356 on have no stated width: each runs to the next field (or the
// answer's end).
//
//   offset size field
//   0      2    IPL file number
//   2      2    IPL file suffix number
//   4      4    on-die temperature in degrees; 0: not available
//   28     32   FCoE universal version
//   60     32   FCoE x86 BIOS version
//   92     32   FCoE EFI version
//   124    32   FCoE FCODE version
//   156    32   UEFI BIOS version
//   188    32   UEFI NIC version
//   220    32   UEFI FCODE version
//   252    32   UEFI iSCSI version
//   356    160  PHY firmware version
//   516    8    PHY configuration id
//   524    88   IPL file name
//
//   std::optional<AdditionalAttributes> a = DecodeAdditionalAttributes(answer);
//   if (a && a->temperature != 0) ...;
#ifndef OXIM_RECORDS_ADDITIONAL_ATTRIBUTES_H_
#define OXIM_RECORDS_ADDITIONAL_ATTRIBUTES_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "records/coding.h"

namespace oxim::records {

inline constexpr size_t kAdditionalAttributesSize = 612;
inline constexpr size_t kAddIplNumberOffset = 0;
inline constexpr size_t kAddIplSuffixOffset = 2;
inline constexpr size_t kAddTemperatureOffset = 4;
inline constexpr size_t kAddVersionSize = 32;
inline constexpr size_t kAddFcoeUniversalOffset = 28;
inline constexpr size_t kAddFcoeX86BiosOffset = 60;
inline constexpr size_t kAddFcoeEfiOffset = 92;
inline constexpr size_t kAddFcoeFcodeOffset = 124;
inline constexpr size_t kAddUefiBiosOffset = 156;
inline constexpr size_t kAddUefiNicOffset = 188;
inline constexpr size_t kAddUefiFcodeOffset = 220;
inline constexpr size_t kAddUefiIscsiOffset = 252;
inline constexpr size_t kAddPhyVersionOffset = 356;
inline constexpr size_t kAddPhyConfigIdOffset = 516;
inline constexpr size_t kAddIplFileNameOffset = 524;
inline constexpr size_t kAddPhyVersionSize = kAddPhyConfigIdOffset - kAddPhyVersionOffset;
inline constexpr size_t kAddPhyConfigIdSize = kAddIplFileNameOffset - kAddPhyConfigIdOffset;
inline constexpr size_t kAddIplFileNameSize = kAdditionalAttributesSize - kAddIplFileNameOffset;
static_assert(FieldFits(kAddTemperatureOffset, 4, kAddFcoeUniversalOffset));
static_assert(FieldFits(kAddUefiIscsiOffset, kAddVersionSize, kAddPhyVersionOffset));
static_assert(FieldFits(kAddPhyVersionOffset, kAddPhyVersionSize, kAddPhyConfigIdOffset));
static_assert(FieldFits(kAddPhyConfigIdOffset, kAddPhyConfigIdSize, kAddIplFileNameOffset));
static_assert(FieldFits(kAddIplFileNameOffset, kAddIplFileNameSize, kAdditionalAttributesSize));

struct AdditionalAttributes {
  uint16_t ipl_file_number = 0;
  uint16_t ipl_suffix_number = 0;
  uint32_t temperature = 0;  // degrees, as the firmware's 32-bit word
  std::string fcoe_universal_version;
  std::string fcoe_x86_bios_version;
  std::string fcoe_efi_version;
  std::string fcoe_fcode_version;
  std::string uefi_bios_version;
  std::string uefi_nic_version;
  std::string uefi_fcode_version;
  std::string uefi_iscsi_version;
  std::string phy_firmware_version;
  std::string phy_configuration_id;
  std::string ipl_file_name;
};

namespace additional_detail {

// Every text field of the answer with the member that holds it.
struct TextField {
  size_t offset;
  size_t size;
  std::string AdditionalAttributes::*member;
};
inline constexpr TextField kTextFields[] = {
    {kAddFcoeUniversalOffset, kAddVersionSize, &AdditionalAttributes::fcoe_universal_version},
    {kAddFcoeX86BiosOffset, kAddVersionSize, &AdditionalAttributes::fcoe_x86_bios_version},
    {kAddFcoeEfiOffset, kAddVersionSize, &AdditionalAttributes::fcoe_efi_version},
    {kAddFcoeFcodeOffset, kAddVersionSize, &AdditionalAttributes::fcoe_fcode_version},
    {kAddUefiBiosOffset, kAddVersionSize, &AdditionalAttributes::uefi_bios_version},
    {kAddUefiNicOffset, kAddVersionSize, &AdditionalAttributes::uefi_nic_version},
    {kAddUefiFcodeOffset, kAddVersionSize, &AdditionalAttributes::uefi_fcode_version},
    {kAddUefiIscsiOffset, kAddVersionSize, &AdditionalAttributes::uefi_iscsi_version},
    {kAddPhyVersionOffset, kAddPhyVersionSize, &AdditionalAttributes::phy_firmware_version},
    {kAddPhyConfigIdOffset, kAddPhyConfigIdSize, &AdditionalAttributes::phy_configuration_id},
    {kAddIplFileNameOffset, kAddIplFileNameSize, &AdditionalAttributes::ipl_file_name},
};
static_assert([] {
  for (const TextField& field : kTextFields) {
    if (!FieldFits(field.offset, field.size, kAdditionalAttributesSize)) return false;
  }
  return true;
}());

}  // namespace additional_detail

// Writes the fields above (texts cut to their field); the other bytes are
// left as they are. False when the answer is shorter than 612 bytes.
inline bool EncodeAdditionalAttributes(std::span<uint8_t> answer, const AdditionalAttributes& a) {
  if (answer.size() < kAdditionalAttributesSize) return false;
  uint8_t* p = answer.data();
  EncodeFixed16(p + kAddIplNumberOffset, a.ipl_file_number);
  EncodeFixed16(p + kAddIplSuffixOffset, a.ipl_suffix_number);
  EncodeFixed32(p + kAddTemperatureOffset, a.temperature);
  for (const additional_detail::TextField& field : additional_detail::kTextFields) {
    EncodeText(answer.subspan(field.offset, field.size), a.*field.member, TextEnd::kMayFill);
  }
  return true;
}

// nullopt when the answer is shorter than 612 bytes.
inline std::optional<AdditionalAttributes> DecodeAdditionalAttributes(
    std::span<const uint8_t> answer) {
  if (answer.size() < kAdditionalAttributesSize) return std::nullopt;
  const uint8_t* p = answer.data();
  AdditionalAttributes a;
  a.ipl_file_number = DecodeFixed16(p + kAddIplNumberOffset);
  a.ipl_suffix_number = DecodeFixed16(p + kAddIplSuffixOffset);
  a.temperature = DecodeFixed32(p + kAddTemperatureOffset);
  for (const additional_detail::TextField& field : additional_detail::kTextFields) {
    a.*field.member = DecodeText(answer.subspan(field.offset, field.size));
  }
  return a;
}

}  // namespace oxim::records

#endif  // OXIM_RECORDS_ADDITIONAL_ATTRIBUTES_H_
