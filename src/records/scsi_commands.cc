// SCSI command descriptor blocks and answers; see scsi_commands.h.
#include "records/scsi_commands.h"

#include <algorithm>

namespace oxim::records {
namespace {

constexpr size_t kCapacityLengthOffset10 = 4;
constexpr size_t kCapacityLengthOffset16 = 8;
constexpr size_t kInquiryAdditionalLengthOffset = 4;
constexpr uint8_t kInquiryAdditionalLength = kStandardInquiryLength - 5;
constexpr size_t kInquiryEvpdOffset = 1;
constexpr size_t kServiceActionOffset = 1;
constexpr size_t kUnitSerialPageCodeOffset = 1;
constexpr uint8_t kFlatAddressing = 0x40;
constexpr uint8_t kAddressMethodMask = 0xC0;
constexpr uint32_t kMaxReportedLuns = 256;

// Writes `bytes` into out as far as it reaches, and zeroes the rest of out.
void CopyInto(std::span<uint8_t> out, const std::vector<uint8_t>& bytes) {
  std::fill(out.begin(), out.end(), uint8_t{0});
  std::copy_n(bytes.begin(), std::min(bytes.size(), out.size()), out.begin());
}

void PutPadded(std::vector<uint8_t>& bytes, size_t offset, size_t size, const std::string& text) {
  for (size_t i = 0; i < size; ++i) {
    bytes[offset + i] = i < text.size() ? static_cast<uint8_t>(text[i]) : uint8_t{' '};
  }
}

std::string TextOf(std::span<const uint8_t> in, size_t offset, size_t size) {
  if (in.size() <= offset) return {};
  return DecodeText(in.subspan(offset, std::min(size, in.size() - offset)));
}

}  // namespace

Cdb ReportLunsCdb(uint32_t allocation_length) {
  Cdb cdb{};
  cdb[0] = kScsiReportLuns;
  EncodeBig32(cdb.data() + kReportLunsAllocationOffset, allocation_length);
  return cdb;
}

Cdb StandardInquiryCdb() {
  Cdb cdb{};
  cdb[0] = kScsiInquiry;
  cdb[kInquiryAllocationOffset] = kStandardInquiryLength;
  return cdb;
}

Cdb UnitSerialNumberCdb() {
  Cdb cdb{};
  cdb[0] = kScsiInquiry;
  cdb[kInquiryEvpdOffset] = kInquiryEvpd;
  cdb[kInquiryPageOffset] = kUnitSerialNumberPage;
  cdb[kInquiryAllocationOffset] = 0xFF;
  return cdb;
}

Cdb ReadCapacity10Cdb() {
  Cdb cdb{};
  cdb[0] = kScsiReadCapacity10;
  return cdb;
}

Cdb ReadCapacity16Cdb() {
  Cdb cdb{};
  cdb[0] = kScsiServiceActionIn16;
  cdb[kServiceActionOffset] = kScsiReadCapacity16Action;
  EncodeBig32(cdb.data() + kReadCapacity16AllocationOffset, kReadCapacity16Length);
  return cdb;
}

Cdb ReadWrite10Cdb(uint8_t opcode, uint32_t lba, uint16_t blocks) {
  Cdb cdb{};
  cdb[0] = opcode;
  EncodeBig32(cdb.data() + kReadWriteLbaOffset, lba);
  EncodeBig16(cdb.data() + kReadWriteCountOffset, blocks);
  return cdb;
}

size_t CdbLength(uint8_t opcode) {
  switch (opcode >> 5) {
    case 0: return 6;
    case 1:
    case 2: return 10;
    case 5: return 12;
    default: return 16;
  }
}

ScsiRequest DecodeCdb(const Cdb& cdb) {
  ScsiRequest request;
  request.opcode = cdb[0];
  switch (cdb[0]) {
    case kScsiReportLuns:
      request.allocation_length = DecodeBig32(cdb.data() + kReportLunsAllocationOffset);
      break;
    case kScsiInquiry:
      request.evpd = (cdb[kInquiryEvpdOffset] & kInquiryEvpd) != 0;
      request.page = cdb[kInquiryPageOffset];
      // The 16-bit allocation length of the current standard (byte 3 is 0
      // in the library's blocks).
      request.allocation_length = DecodeBig16(cdb.data() + kInquiryAllocationOffset - 1);
      break;
    case kScsiServiceActionIn16:
      request.service_action = cdb[kServiceActionOffset] & 0x1F;
      request.allocation_length = DecodeBig32(cdb.data() + kReadCapacity16AllocationOffset);
      break;
    case kScsiRead10:
    case kScsiWrite10:
      request.lba = DecodeBig32(cdb.data() + kReadWriteLbaOffset);
      request.blocks = DecodeBig16(cdb.data() + kReadWriteCountOffset);
      break;
    default: break;
  }
  return request;
}

uint32_t ReportLunsAllocation(uint32_t list_length) {
  const uint32_t luns = std::min<uint32_t>(list_length / kLunEntrySize, kMaxReportedLuns);
  return kLunEntrySize * (luns + 1);
}

std::optional<ReportLuns> DecodeReportLuns(std::span<const uint8_t> in, size_t max_entries) {
  if (in.size() < kReportLunsHeaderSize) return std::nullopt;
  ReportLuns list;
  list.list_length = DecodeBig32(in.data());
  const size_t held = (in.size() - kReportLunsHeaderSize) / kLunEntrySize;
  const size_t count = std::min({size_t{list.list_length} / kLunEntrySize, held, max_entries});
  for (size_t i = 0; i < count; ++i) {
    LunEntry entry;
    std::copy_n(in.data() + kReportLunsHeaderSize + kLunEntrySize * i, kLunEntrySize,
                entry.begin());
    list.entries.push_back(entry);
  }
  return list;
}

void EncodeReportLuns(std::span<uint8_t> out, const std::vector<LunEntry>& entries) {
  std::vector<uint8_t> bytes(kReportLunsHeaderSize + kLunEntrySize * entries.size(), 0);
  EncodeBig32(bytes.data(), static_cast<uint32_t>(kLunEntrySize * entries.size()));
  for (size_t i = 0; i < entries.size(); ++i) {
    std::copy(entries[i].begin(), entries[i].end(),
              bytes.begin() + kReportLunsHeaderSize + kLunEntrySize * i);
  }
  CopyInto(out, bytes);
}

LunEntry LunEntryOf(uint16_t number) {
  LunEntry entry{};
  entry[0] = number < 256 ? 0 : static_cast<uint8_t>(kFlatAddressing | ((number >> 8) & 0x3F));
  entry[1] = static_cast<uint8_t>(number);
  return entry;
}

uint16_t LunNumberOf(const LunEntry& entry) {
  const uint8_t method = entry[0] & kAddressMethodMask;
  if (method == 0) return entry[1];
  if (method == kFlatAddressing) return static_cast<uint16_t>(((entry[0] & 0x3F) << 8) | entry[1]);
  return 0;
}

PassthroughLun PassthroughLunOf(const LunEntry& entry) {
  PassthroughLun lun{};
  std::copy_n(entry.begin(), 4, lun.begin());
  return lun;
}

LunEntry LunEntryOf(const PassthroughLun& lun) {
  LunEntry entry{};
  std::copy_n(lun.begin(), 4, entry.begin());
  return entry;
}

void EncodeStandardInquiry(std::span<uint8_t> out, const StandardInquiry& inquiry) {
  std::vector<uint8_t> bytes(kStandardInquiryLength, 0);
  bytes[0] = inquiry.peripheral;
  bytes[kInquiryAdditionalLengthOffset] = kInquiryAdditionalLength;
  PutPadded(bytes, kInquiryVendorOffset, kInquiryVendorSize, inquiry.vendor);
  PutPadded(bytes, kInquiryProductOffset, kInquiryProductSize, inquiry.product);
  PutPadded(bytes, kInquiryRevisionOffset, kInquiryRevisionSize, inquiry.revision);
  CopyInto(out, bytes);
}

std::optional<StandardInquiry> DecodeStandardInquiry(std::span<const uint8_t> in) {
  if (in.size() < kInquiryRevisionOffset) return std::nullopt;
  StandardInquiry inquiry;
  inquiry.peripheral = in[0];
  inquiry.vendor = TextOf(in, kInquiryVendorOffset, kInquiryVendorSize);
  inquiry.product = TextOf(in, kInquiryProductOffset, kInquiryProductSize);
  inquiry.revision = TextOf(in, kInquiryRevisionOffset, kInquiryRevisionSize);
  return inquiry;
}

void EncodeUnitSerialNumber(std::span<uint8_t> out, uint8_t peripheral, const std::string& serial) {
  const size_t length = std::min(serial.size(), kMaxUnitSerialLength);
  std::vector<uint8_t> bytes(kUnitSerialOffset + length, 0);
  bytes[0] = peripheral;
  bytes[kUnitSerialPageCodeOffset] = kUnitSerialNumberPage;
  bytes[kUnitSerialLengthOffset] = static_cast<uint8_t>(length);
  std::copy_n(serial.begin(), length, bytes.begin() + kUnitSerialOffset);
  CopyInto(out, bytes);
}

std::optional<std::string> DecodeUnitSerialNumber(std::span<const uint8_t> in) {
  if (in.size() < kUnitSerialOffset || in[kUnitSerialPageCodeOffset] != kUnitSerialNumberPage) {
    return std::nullopt;
  }
  const size_t length = std::min<size_t>(
      {in[kUnitSerialLengthOffset], in.size() - kUnitSerialOffset, kMaxUnitSerialLength});
  return DecodeText(in.subspan(kUnitSerialOffset, length));
}

void EncodeReadCapacity10(std::span<uint8_t> out, const Capacity& capacity) {
  std::vector<uint8_t> bytes(kReadCapacity10Length, 0);
  EncodeBig32(bytes.data(), capacity.last_lba > kReadCapacity10Overflow
                                ? kReadCapacity10Overflow
                                : static_cast<uint32_t>(capacity.last_lba));
  EncodeBig32(bytes.data() + kCapacityLengthOffset10, capacity.block_length);
  CopyInto(out, bytes);
}

std::optional<Capacity> DecodeReadCapacity10(std::span<const uint8_t> in) {
  if (in.size() < kReadCapacity10Length) return std::nullopt;
  return Capacity{DecodeBig32(in.data()), DecodeBig32(in.data() + kCapacityLengthOffset10)};
}

void EncodeReadCapacity16(std::span<uint8_t> out, const Capacity& capacity) {
  std::vector<uint8_t> bytes(kReadCapacity16Length, 0);
  EncodeBig64(bytes.data(), capacity.last_lba);
  EncodeBig32(bytes.data() + kCapacityLengthOffset16, capacity.block_length);
  CopyInto(out, bytes);
}

std::optional<Capacity> DecodeReadCapacity16(std::span<const uint8_t> in) {
  if (in.size() < kReadCapacity16Length) return std::nullopt;
  return Capacity{DecodeBig64(in.data()), DecodeBig32(in.data() + kCapacityLengthOffset16)};
}

}  // namespace oxim::records
