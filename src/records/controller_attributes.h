// The 540-byte controller attributes answer (opcode 32, subsystem 1): the
// identity, versions and PCI identity of a function's controller. Shared by
// the library and the emulated adapter. Little-endian; texts are NUL-padded
// ASCII, a text that fills its field has no NUL.
//
//   offset size field
//   32     32   manufacturer
//   64     4    capability bits
//   80     12   NC-SI version: on QF2 five 16-bit numbers (80, 82, 84, 86,
//               88), on the other chips a text
//   92     4    default extended time-out
//   96     32   model number
//   128    64   description
//   192    32   adapter serial number (ASN)
//   256    32   active firmware version
//   288    32   BIOS version
//   320    32   boot code version
//   352    32   driver version
//   384    32   firmware version on flash
//   417    1    bit 0: the controller supports PHY loopback
//   420    2    maximum CDB length
//   440    2    link down time-out
//   442    1    iSCSI versions: low 4 bits minimum, high 4 bits maximum
//   445    1    firmware state (0 working, 1 degraded, 2 critical, 3 failed)
//   446    1    number of logical HBAs
//   447    1    port number of the function (a further count for discovery)
//   500    2    PCI vendor ID
//   502    2    PCI device ID
//   504    2    PCI subsystem vendor ID
//   506    2    PCI subsystem device ID
//   508    1    PCI bus number of the function
//   509    1    PCI device number
//   510    1    PCI function number
#ifndef OXIM_RECORDS_CONTROLLER_ATTRIBUTES_H_
#define OXIM_RECORDS_CONTROLLER_ATTRIBUTES_H_

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "records/coding.h"
#include "records/request_header.h"

namespace oxim::records {

inline constexpr size_t kControllerAttributesSize = 540;
inline constexpr size_t kAttrTextSize = 32;
inline constexpr size_t kAttrManufacturerOffset = 32;
inline constexpr size_t kAttrCapabilitiesOffset = 64;
inline constexpr size_t kAttrNcsiVersionOffset = 80;
inline constexpr size_t kAttrNcsiVersionSize = 12;
inline constexpr size_t kAttrNcsiVersionNumbers = 5;  // QF2: 16 bits each
inline constexpr size_t kAttrDefaultEtoOffset = 92;
inline constexpr size_t kAttrModelOffset = 96;
inline constexpr size_t kAttrDescriptionOffset = 128;
inline constexpr size_t kAttrDescriptionSize = 64;
inline constexpr size_t kAttrActiveFirmwareOffset = 256;
inline constexpr size_t kAttrBiosOffset = 288;
inline constexpr size_t kAttrBootCodeOffset = 320;
inline constexpr size_t kAttrFlashFirmwareOffset = 384;
inline constexpr size_t kAttrPhyLoopbackOffset = 417;
inline constexpr uint8_t kAttrPhyLoopbackBit = 0x01;
inline constexpr size_t kAttrMaxCdbOffset = 420;
inline constexpr size_t kAttrLdtoOffset = 440;
inline constexpr size_t kAttrIscsiVersionsOffset = 442;
inline constexpr size_t kAttrFirmwareStateOffset = 445;
inline constexpr size_t kAttrVendorIdOffset = 500;
inline constexpr size_t kAttrDeviceIdOffset = 502;
inline constexpr size_t kAttrSubsysVendorIdOffset = 504;
inline constexpr size_t kAttrSubsysDeviceIdOffset = 506;
inline constexpr size_t kAttrSerialOffset = 192;
inline constexpr size_t kAttrSerialSize = 32;
inline constexpr size_t kAttrDriverVersionOffset = 352;
inline constexpr size_t kAttrDriverVersionSize = 32;
inline constexpr size_t kAttrLogicalHbaCountOffset = 446;
inline constexpr size_t kAttrFurtherCountOffset = 447;
inline constexpr size_t kAttrBusOffset = 508;
inline constexpr size_t kAttrDeviceOffset = 509;
inline constexpr size_t kAttrFunctionOffset = 510;
// Each field ends before the next one starts, the last inside the answer.
static_assert(FieldFits(kAttrManufacturerOffset, kAttrTextSize, kAttrCapabilitiesOffset));
static_assert(FieldFits(kAttrCapabilitiesOffset, 4, kAttrNcsiVersionOffset));
static_assert(FieldFits(kAttrNcsiVersionOffset, kAttrNcsiVersionSize, kAttrDefaultEtoOffset));
static_assert(2 * kAttrNcsiVersionNumbers <= kAttrNcsiVersionSize);
static_assert(FieldFits(kAttrDefaultEtoOffset, 4, kAttrModelOffset));
static_assert(FieldFits(kAttrModelOffset, kAttrTextSize, kAttrDescriptionOffset));
static_assert(FieldFits(kAttrDescriptionOffset, kAttrDescriptionSize, kAttrSerialOffset));
static_assert(FieldFits(kAttrSerialOffset, kAttrSerialSize, kAttrActiveFirmwareOffset));
static_assert(FieldFits(kAttrActiveFirmwareOffset, kAttrTextSize, kAttrBiosOffset));
static_assert(FieldFits(kAttrBiosOffset, kAttrTextSize, kAttrBootCodeOffset));
static_assert(FieldFits(kAttrBootCodeOffset, kAttrTextSize, kAttrDriverVersionOffset));
static_assert(FieldFits(kAttrDriverVersionOffset, kAttrDriverVersionSize,
                        kAttrFlashFirmwareOffset));
static_assert(FieldFits(kAttrFlashFirmwareOffset, kAttrTextSize, kAttrPhyLoopbackOffset));
static_assert(FieldFits(kAttrPhyLoopbackOffset, 1, kAttrMaxCdbOffset));
static_assert(FieldFits(kAttrLdtoOffset, 2, kAttrIscsiVersionsOffset));
static_assert(FieldFits(kAttrSubsysDeviceIdOffset, 2, kAttrBusOffset));
static_assert(FieldFits(kAttrFunctionOffset, 1, kControllerAttributesSize));

struct ControllerAttributes {
  std::string manufacturer;
  uint32_t capabilities = 0;
  // The NC-SI version field as it stands; NcsiVersionNumbers() and
  // NcsiVersionText() read it the QF2 way and the other chips' way.
  std::array<uint8_t, kAttrNcsiVersionSize> ncsi_version{};
  uint32_t default_eto = 0;
  std::string model_number;
  std::string description;    // at most 64 characters
  std::string serial_number;  // at most 32 characters
  std::string active_firmware_version;
  std::string bios_version;
  std::string boot_code_version;
  std::string driver_version;  // at most 32 characters
  std::string flash_firmware_version;
  bool phy_loopback = false;
  uint16_t max_cdb_length = 0;
  uint16_t link_down_timeout = 0;
  uint8_t iscsi_versions = 0;
  uint8_t firmware_state = 0;
  uint8_t logical_hba_count = 0;
  uint8_t further_count = 0;  // the function's port number
  uint16_t vendor_id = 0;
  uint16_t device_id = 0;
  uint16_t subsystem_vendor_id = 0;
  uint16_t subsystem_device_id = 0;
  PciAddress address;
};

// The NC-SI version field as QF2 numbers, or as another chip's text (up to
// its first NUL, at most 12 characters).
inline std::array<uint16_t, kAttrNcsiVersionNumbers> NcsiVersionNumbers(
    const ControllerAttributes& a) {
  std::array<uint16_t, kAttrNcsiVersionNumbers> numbers{};
  for (size_t i = 0; i < numbers.size(); ++i) numbers[i] = DecodeFixed16(&a.ncsi_version[2 * i]);
  return numbers;
}
inline std::string NcsiVersionText(const ControllerAttributes& a) {
  return DecodeText(a.ncsi_version);
}
inline void SetNcsiVersionNumbers(ControllerAttributes& a,
                                  const std::array<uint16_t, kAttrNcsiVersionNumbers>& numbers) {
  a.ncsi_version.fill(0);
  for (size_t i = 0; i < numbers.size(); ++i) EncodeFixed16(&a.ncsi_version[2 * i], numbers[i]);
}
inline void SetNcsiVersionText(ControllerAttributes& a, std::string_view text) {
  EncodeText(a.ncsi_version, text, TextEnd::kMayFill);
}

// Writes the fields above; the other bytes are left as they are. False when
// the answer is shorter than 540 bytes.
inline bool EncodeControllerAttributes(std::span<uint8_t> answer, const ControllerAttributes& a) {
  if (answer.size() < kControllerAttributesSize) return false;
  uint8_t* p = answer.data();
  auto text = [&](size_t offset, size_t size, const std::string& value) {
    EncodeText(answer.subspan(offset, size), value, TextEnd::kMayFill);
  };
  text(kAttrManufacturerOffset, kAttrTextSize, a.manufacturer);
  EncodeFixed32(p + kAttrCapabilitiesOffset, a.capabilities);
  std::copy(a.ncsi_version.begin(), a.ncsi_version.end(), p + kAttrNcsiVersionOffset);
  EncodeFixed32(p + kAttrDefaultEtoOffset, a.default_eto);
  text(kAttrModelOffset, kAttrTextSize, a.model_number);
  text(kAttrDescriptionOffset, kAttrDescriptionSize, a.description);
  text(kAttrSerialOffset, kAttrSerialSize, a.serial_number);
  text(kAttrActiveFirmwareOffset, kAttrTextSize, a.active_firmware_version);
  text(kAttrBiosOffset, kAttrTextSize, a.bios_version);
  text(kAttrBootCodeOffset, kAttrTextSize, a.boot_code_version);
  text(kAttrDriverVersionOffset, kAttrDriverVersionSize, a.driver_version);
  text(kAttrFlashFirmwareOffset, kAttrTextSize, a.flash_firmware_version);
  p[kAttrPhyLoopbackOffset] =
      static_cast<uint8_t>((p[kAttrPhyLoopbackOffset] & ~kAttrPhyLoopbackBit) |
                           (a.phy_loopback ? kAttrPhyLoopbackBit : 0));
  EncodeFixed16(p + kAttrMaxCdbOffset, a.max_cdb_length);
  EncodeFixed16(p + kAttrLdtoOffset, a.link_down_timeout);
  p[kAttrIscsiVersionsOffset] = a.iscsi_versions;
  p[kAttrFirmwareStateOffset] = a.firmware_state;
  EncodeFixed16(p + kAttrVendorIdOffset, a.vendor_id);
  EncodeFixed16(p + kAttrDeviceIdOffset, a.device_id);
  EncodeFixed16(p + kAttrSubsysVendorIdOffset, a.subsystem_vendor_id);
  EncodeFixed16(p + kAttrSubsysDeviceIdOffset, a.subsystem_device_id);
  p[kAttrLogicalHbaCountOffset] = a.logical_hba_count;
  p[kAttrFurtherCountOffset] = a.further_count;
  p[kAttrBusOffset] = a.address.bus;
  p[kAttrDeviceOffset] = a.address.device;
  p[kAttrFunctionOffset] = a.address.function;
  return true;
}

inline std::optional<ControllerAttributes> DecodeControllerAttributes(
    std::span<const uint8_t> answer) {
  if (answer.size() < kControllerAttributesSize) return std::nullopt;
  const uint8_t* p = answer.data();
  ControllerAttributes a;
  auto text = [&](size_t offset, size_t size) { return DecodeText(answer.subspan(offset, size)); };
  a.manufacturer = text(kAttrManufacturerOffset, kAttrTextSize);
  a.capabilities = DecodeFixed32(p + kAttrCapabilitiesOffset);
  std::copy_n(p + kAttrNcsiVersionOffset, kAttrNcsiVersionSize, a.ncsi_version.begin());
  a.default_eto = DecodeFixed32(p + kAttrDefaultEtoOffset);
  a.model_number = text(kAttrModelOffset, kAttrTextSize);
  a.description = text(kAttrDescriptionOffset, kAttrDescriptionSize);
  a.serial_number = text(kAttrSerialOffset, kAttrSerialSize);
  a.active_firmware_version = text(kAttrActiveFirmwareOffset, kAttrTextSize);
  a.bios_version = text(kAttrBiosOffset, kAttrTextSize);
  a.boot_code_version = text(kAttrBootCodeOffset, kAttrTextSize);
  a.driver_version = text(kAttrDriverVersionOffset, kAttrDriverVersionSize);
  a.flash_firmware_version = text(kAttrFlashFirmwareOffset, kAttrTextSize);
  a.phy_loopback = (p[kAttrPhyLoopbackOffset] & kAttrPhyLoopbackBit) != 0;
  a.max_cdb_length = DecodeFixed16(p + kAttrMaxCdbOffset);
  a.link_down_timeout = DecodeFixed16(p + kAttrLdtoOffset);
  a.iscsi_versions = p[kAttrIscsiVersionsOffset];
  a.firmware_state = p[kAttrFirmwareStateOffset];
  a.vendor_id = DecodeFixed16(p + kAttrVendorIdOffset);
  a.device_id = DecodeFixed16(p + kAttrDeviceIdOffset);
  a.subsystem_vendor_id = DecodeFixed16(p + kAttrSubsysVendorIdOffset);
  a.subsystem_device_id = DecodeFixed16(p + kAttrSubsysDeviceIdOffset);
  a.logical_hba_count = p[kAttrLogicalHbaCountOffset];
  a.further_count = p[kAttrFurtherCountOffset];
  a.address = {p[kAttrBusOffset], p[kAttrDeviceOffset], p[kAttrFunctionOffset]};
  return a;
}

}  // namespace oxim::records

#endif  // OXIM_RECORDS_CONTROLLER_ATTRIBUTES_H_
