// Driver request numbers and the records of the driver requests other than
// firmware commands: host adapter name (iSCSI request 1), driver and virtual
// function information (NIC requests 4 and 7), chip information (NIC request
// 6) and the PCI configuration read (NIC request 8). Shared by the library
// and the emulated adapter.
//
// Host adapter name (iSCSI request 1), in the caller's buffer (the library
// gives 64 bytes):
//   offset size field
//   0      n    the name the host gave the function, NUL-terminated
//
// Driver information record (requests 4 and 7), 980 bytes:
//   offset size field
//   0      1    PCI bus number
//   1      1    PCI device number
//   2      1    PCI function number
//   3      1    0
//   4      976  the driver's answer, copied to the caller whole; within it
//                 record offset 5: why the PHY's link went down (request 4)
//                 answer offset 8 (record offset 12): MTU, 32 bits
//                 record offset 16: number of virtual functions (request 7)
//                 record offset 20 + 16·n: virtual function n (request 7),
//                   at most 60:
//                   +0   6  MAC address
//                   +6   2  VLAN ID
//                   +8   2  QoS transmit rate, in units of 10 Mbit/s
//                   +10  1  link: 1 up, 0 down
//
// Chip information record (request 6), 89 bytes:
//   0         1  number of controllers described (at most 8)
//   1 + 11*i  1  controller i: PCI bus number
//   2 + 11*i  1  controller i: PCI device number
//   3 + 11*i  1  controller i: number of NIC functions (at most 8)
//   4 + 11*i  8  controller i: PCI function numbers of those functions
//
// PCI configuration read record (request 8), 15 bytes plus the data area:
//   0      1    PCI bus number
//   1      1    PCI device number
//   2      1    PCI function number
//   3      4    configuration offset
//   7      4    length
//   11     4    address field, 0: the area that receives the data follows
//               the record at offset 15 (a 32-bit field cannot carry the
//               address of a buffer in a 64-bit process)
//   15     len  the data read
#ifndef OXIM_RECORDS_DRIVER_RECORDS_H_
#define OXIM_RECORDS_DRIVER_RECORDS_H_

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "records/coding.h"
#include "records/request_header.h"

namespace oxim::records {

// Driver request numbers.
inline constexpr unsigned long kIscsiFirmwareRequest = 0x4580;  // 17792
inline constexpr unsigned long kIscsiHostAdapterNameRequest = 1;
inline constexpr unsigned long kNicDriverInfoRequest = 4;
inline constexpr unsigned long kNicFirmwareRequest = 5;
inline constexpr unsigned long kNicChipInfoRequest = 6;
inline constexpr unsigned long kNicVirtualFunctionRequest = 7;
inline constexpr unsigned long kNicPciConfigReadRequest = 8;

// Device nodes.
inline constexpr char kIscsiDevicePrefix[] = "/vmfs/devices/char/vmkdriver/qf2iscsi_";
inline constexpr char kNicDevicePath[] = "/vmfs/devices/char/vmkdriver/qf_esx_nic";
inline constexpr int kMaxIscsiInstances = 128;
inline constexpr int kMaxNicFunctions = 128;

// --- Host adapter name (iSCSI request 1) ---
inline constexpr size_t kHostAdapterNameSize = 64;

// Writes the name and a NUL, zeros to the buffer's end; false, writing
// nothing, when the buffer cannot hold the name and its NUL.
inline bool EncodeHostAdapterName(std::span<uint8_t> buffer, std::string_view name) {
  if (buffer.size() <= name.size()) return false;
  EncodeText(buffer, name, TextEnd::kNul);
  return true;
}

// The name up to its NUL; the buffer's last byte always ends it. nullopt
// for an empty buffer.
inline std::optional<std::string> DecodeHostAdapterName(std::span<const uint8_t> buffer) {
  if (buffer.empty()) return std::nullopt;
  return DecodeText(buffer.first(buffer.size() - 1));
}

// --- Driver information record (requests 4 and 7) ---
inline constexpr size_t kDriverInfoRecordSize = 980;
inline constexpr size_t kDriverInfoBusOffset = 0;
inline constexpr size_t kDriverInfoDeviceOffset = 1;
inline constexpr size_t kDriverInfoFunctionOffset = 2;
inline constexpr size_t kDriverInfoPadOffset = 3;
inline constexpr size_t kDriverInfoAnswerOffset = 4;
inline constexpr size_t kDriverInfoAnswerSize = 976;
inline constexpr size_t kDriverInfoLinkDownReasonOffset = 5;
inline constexpr size_t kDriverInfoMtuOffset = kDriverInfoAnswerOffset + 8;
inline constexpr size_t kDriverInfoVfCountOffset = 16;
inline constexpr size_t kDriverInfoVfEntriesOffset = 20;
inline constexpr size_t kVfEntrySize = 16;
inline constexpr size_t kVfMacOffset = 0;
inline constexpr size_t kVfVlanOffset = 6;
inline constexpr size_t kVfQosOffset = 8;
inline constexpr size_t kVfLinkOffset = 10;
inline constexpr size_t kMaxVirtualFunctions =
    (kDriverInfoRecordSize - kDriverInfoVfEntriesOffset) / kVfEntrySize;
static_assert(kMaxVirtualFunctions == 60);
static_assert(FieldFits(kVfLinkOffset, 1, kVfEntrySize));
static_assert(kDriverInfoLinkDownReasonOffset > kDriverInfoPadOffset);
static_assert(kDriverInfoAnswerOffset + kDriverInfoAnswerSize == kDriverInfoRecordSize);
static_assert(FieldFits(kDriverInfoMtuOffset, 4, kDriverInfoRecordSize));
static_assert(FieldFits(kDriverInfoVfCountOffset, 1, kDriverInfoRecordSize));
static_assert(kDriverInfoPadOffset < kDriverInfoAnswerOffset);

// Writes the address part of a driver information request; false when the
// record is shorter than 980 bytes.
inline bool EncodeDriverInfoRequest(std::span<uint8_t> record, const PciAddress& address) {
  if (record.size() < kDriverInfoRecordSize) return false;
  record[kDriverInfoBusOffset] = address.bus;
  record[kDriverInfoDeviceOffset] = address.device;
  record[kDriverInfoFunctionOffset] = address.function;
  record[kDriverInfoPadOffset] = 0;
  return true;
}

inline std::optional<PciAddress> DecodeDriverInfoAddress(std::span<const uint8_t> record) {
  if (record.size() < kDriverInfoRecordSize) return std::nullopt;
  return PciAddress{record[kDriverInfoBusOffset], record[kDriverInfoDeviceOffset],
                    record[kDriverInfoFunctionOffset]};
}

// The fields of the driver's answer that the library reads.
struct DriverInfoAnswer {
  uint32_t mtu = 0;
  uint8_t virtual_functions = 0;  // request 7 only; 0 in request 4's answer
  uint8_t link_down_reason = 0;   // request 4 only
};

// Writes the answer part (976 bytes from offset 4, other bytes zeroed),
// leaving the address; false when the record is shorter than 980 bytes.
inline bool EncodeDriverInfoAnswer(std::span<uint8_t> record, const DriverInfoAnswer& answer) {
  if (record.size() < kDriverInfoRecordSize) return false;
  std::fill(record.begin() + kDriverInfoAnswerOffset, record.begin() + kDriverInfoRecordSize,
            uint8_t{0});
  EncodeFixed32(record.data() + kDriverInfoMtuOffset, answer.mtu);
  record[kDriverInfoVfCountOffset] = answer.virtual_functions;
  record[kDriverInfoLinkDownReasonOffset] = answer.link_down_reason;
  return true;
}

inline std::optional<DriverInfoAnswer> DecodeDriverInfoAnswer(std::span<const uint8_t> record) {
  if (record.size() < kDriverInfoRecordSize) return std::nullopt;
  return DriverInfoAnswer{DecodeFixed32(record.data() + kDriverInfoMtuOffset),
                          record[kDriverInfoVfCountOffset],
                          record[kDriverInfoLinkDownReasonOffset]};
}

// One virtual function of a request 7 answer.
struct VirtualFunctionEntry {
  std::array<uint8_t, 6> mac{};
  uint16_t vlan_id = 0;
  uint16_t qos = 0;  // transmit rate in units of 10 Mbit/s; 0 unlimited
  bool link_up = true;
  friend bool operator==(const VirtualFunctionEntry&, const VirtualFunctionEntry&) = default;
};

// Writes the count and entries of a request 7 answer (at most 60), leaving
// the rest of the record; false when the record is shorter than 980 bytes
// or there are more than 60.
inline bool EncodeVirtualFunctions(std::span<uint8_t> record,
                                   const std::vector<VirtualFunctionEntry>& entries) {
  if (record.size() < kDriverInfoRecordSize || entries.size() > kMaxVirtualFunctions) return false;
  record[kDriverInfoVfCountOffset] = static_cast<uint8_t>(entries.size());
  for (size_t n = 0; n < entries.size(); ++n) {
    uint8_t* entry = record.data() + kDriverInfoVfEntriesOffset + n * kVfEntrySize;
    const VirtualFunctionEntry& vf = entries[n];
    std::copy(vf.mac.begin(), vf.mac.end(), entry + kVfMacOffset);
    EncodeFixed16(entry + kVfVlanOffset, vf.vlan_id);
    EncodeFixed16(entry + kVfQosOffset, vf.qos);
    entry[kVfLinkOffset] = vf.link_up ? 1 : 0;
  }
  return true;
}

// The virtual functions of a request 7 answer; nullopt when the record is
// shorter than 980 bytes or counts more than it holds.
inline std::optional<std::vector<VirtualFunctionEntry>> DecodeVirtualFunctions(
    std::span<const uint8_t> record) {
  if (record.size() < kDriverInfoRecordSize) return std::nullopt;
  const size_t count = record[kDriverInfoVfCountOffset];
  if (count > kMaxVirtualFunctions) return std::nullopt;
  std::vector<VirtualFunctionEntry> entries(count);
  for (size_t n = 0; n < count; ++n) {
    const uint8_t* entry = record.data() + kDriverInfoVfEntriesOffset + n * kVfEntrySize;
    std::copy_n(entry + kVfMacOffset, 6, entries[n].mac.begin());
    entries[n].vlan_id = DecodeFixed16(entry + kVfVlanOffset);
    entries[n].qos = DecodeFixed16(entry + kVfQosOffset);
    entries[n].link_up = entry[kVfLinkOffset] != 0;
  }
  return entries;
}

// --- Chip information record (request 6) ---
inline constexpr size_t kChipInfoRecordSize = 89;
inline constexpr size_t kChipInfoCountOffset = 0;
inline constexpr size_t kChipInfoEntryOffset = 1;
inline constexpr size_t kChipInfoEntrySize = 11;
inline constexpr size_t kChipInfoMaxControllers = 8;
inline constexpr size_t kChipInfoMaxFunctions = 8;
inline constexpr size_t kChipInfoEntryBus = 0;
inline constexpr size_t kChipInfoEntryDevice = 1;
inline constexpr size_t kChipInfoEntryFunctionCount = 2;
inline constexpr size_t kChipInfoEntryFunctions = 3;
static_assert(kChipInfoEntryOffset + kChipInfoMaxControllers * kChipInfoEntrySize ==
              kChipInfoRecordSize);
static_assert(kChipInfoEntryFunctions + kChipInfoMaxFunctions == kChipInfoEntrySize);

struct ChipInfoController {
  uint8_t bus = 0;
  uint8_t device = 0;
  std::vector<uint8_t> functions;  // at most 8 PCI function numbers
};

// Encodes up to 8 controllers with up to 8 functions each (more are cut);
// false when the record is shorter than 89 bytes.
inline bool EncodeChipInfo(std::span<uint8_t> record,
                           const std::vector<ChipInfoController>& controllers) {
  if (record.size() < kChipInfoRecordSize) return false;
  std::fill(record.begin(), record.begin() + kChipInfoRecordSize, uint8_t{0});
  size_t count = std::min(controllers.size(), kChipInfoMaxControllers);
  record[kChipInfoCountOffset] = static_cast<uint8_t>(count);
  for (size_t i = 0; i < count; ++i) {
    uint8_t* entry = record.data() + kChipInfoEntryOffset + i * kChipInfoEntrySize;
    const ChipInfoController& c = controllers[i];
    size_t functions = std::min(c.functions.size(), kChipInfoMaxFunctions);
    entry[kChipInfoEntryBus] = c.bus;
    entry[kChipInfoEntryDevice] = c.device;
    entry[kChipInfoEntryFunctionCount] = static_cast<uint8_t>(functions);
    for (size_t j = 0; j < functions; ++j) entry[kChipInfoEntryFunctions + j] = c.functions[j];
  }
  return true;
}

// Decodes a chip information answer. Counts above 8 (controllers or
// functions) are refused: an answer that claims more than the record holds
// is corrupt.
inline std::optional<std::vector<ChipInfoController>> DecodeChipInfo(
    std::span<const uint8_t> record) {
  if (record.size() < kChipInfoRecordSize) return std::nullopt;
  size_t count = record[kChipInfoCountOffset];
  if (count > kChipInfoMaxControllers) return std::nullopt;
  std::vector<ChipInfoController> controllers;
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* entry = record.data() + kChipInfoEntryOffset + i * kChipInfoEntrySize;
    size_t functions = entry[kChipInfoEntryFunctionCount];
    if (functions > kChipInfoMaxFunctions) return std::nullopt;
    ChipInfoController c;
    c.bus = entry[kChipInfoEntryBus];
    c.device = entry[kChipInfoEntryDevice];
    c.functions.assign(entry + kChipInfoEntryFunctions,
                       entry + kChipInfoEntryFunctions + functions);
    controllers.push_back(std::move(c));
  }
  return controllers;
}

// --- PCI configuration read record (request 8) ---
inline constexpr size_t kPciConfigBusOffset = 0;
inline constexpr size_t kPciConfigDeviceOffset = 1;
inline constexpr size_t kPciConfigFunctionOffset = 2;
inline constexpr size_t kPciConfigOffsetOffset = 3;
inline constexpr size_t kPciConfigLengthOffset = 7;
inline constexpr size_t kPciConfigAddressOffset = 11;
inline constexpr size_t kPciConfigDataOffset = 15;
static_assert(FieldFits(kPciConfigAddressOffset, 4, kPciConfigDataOffset));

struct PciConfigRead {
  PciAddress address;
  uint32_t config_offset = 0;
  uint32_t length = 0;
};

// Record size for a read of `length` bytes.
constexpr size_t PciConfigRecordSize(uint32_t length) { return kPciConfigDataOffset + length; }

inline bool EncodePciConfigRead(std::span<uint8_t> record, const PciConfigRead& read) {
  if (record.size() < PciConfigRecordSize(read.length)) return false;
  uint8_t* p = record.data();
  p[kPciConfigBusOffset] = read.address.bus;
  p[kPciConfigDeviceOffset] = read.address.device;
  p[kPciConfigFunctionOffset] = read.address.function;
  EncodeFixed32(p + kPciConfigOffsetOffset, read.config_offset);
  EncodeFixed32(p + kPciConfigLengthOffset, read.length);
  EncodeFixed32(p + kPciConfigAddressOffset, 0);
  return true;
}

// Decodes the request part; nullopt when the record cannot hold the length
// it names.
inline std::optional<PciConfigRead> DecodePciConfigRead(std::span<const uint8_t> record) {
  if (record.size() < kPciConfigDataOffset) return std::nullopt;
  const uint8_t* p = record.data();
  PciConfigRead read;
  read.address = {p[kPciConfigBusOffset], p[kPciConfigDeviceOffset], p[kPciConfigFunctionOffset]};
  read.config_offset = DecodeFixed32(p + kPciConfigOffsetOffset);
  read.length = DecodeFixed32(p + kPciConfigLengthOffset);
  if (read.length > record.size() - kPciConfigDataOffset) return std::nullopt;
  return read;
}

// Writes the bytes read into the data area; false when the record cannot
// hold the length it names or that is not the number of bytes given.
inline bool EncodePciConfigData(std::span<uint8_t> record, std::span<const uint8_t> data) {
  std::optional<PciConfigRead> read = DecodePciConfigRead(record);
  if (!read || read->length != data.size()) return false;
  std::copy(data.begin(), data.end(), record.begin() + kPciConfigDataOffset);
  return true;
}

// The bytes read; nullopt when the record cannot hold the length it names.
inline std::optional<std::vector<uint8_t>> DecodePciConfigData(std::span<const uint8_t> record) {
  std::optional<PciConfigRead> read = DecodePciConfigRead(record);
  if (!read) return std::nullopt;
  auto data = record.subspan(kPciConfigDataOffset, read->length);
  return std::vector<uint8_t>(data.begin(), data.end());
}

}  // namespace oxim::records

#endif  // OXIM_RECORDS_DRIVER_RECORDS_H_
