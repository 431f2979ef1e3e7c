// Arbitrary bytes as the SCSI answers a target sends back through the
// pass-through record (REPORT LUNS, standard INQUIRY, the unit serial number
// page, READ CAPACITY (10) and (16)), and as the pass-through record itself:
// no decoder reads past the answer or trusts a count or length the target
// gives beyond what it sent, and what decodes encodes to the same again.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "fuzz_support.h"
#include "records/scsi_commands.h"
#include "records/scsi_passthrough.h"

namespace {

using oxim::fuzz::Check;
using namespace oxim::records;
using Bytes = std::vector<uint8_t>;

constexpr size_t kMaxLuns = 255;

void ReportLunsAnswer(std::span<const uint8_t> in) {
  std::optional<ReportLuns> list = DecodeReportLuns(in, kMaxLuns);
  if (!list) {
    Check(in.size() < kReportLunsHeaderSize);
    return;
  }
  Check(list->entries.size() <= kMaxLuns);
  Check(list->entries.size() <= list->list_length / kLunEntrySize);
  Check(kReportLunsHeaderSize + kLunEntrySize * list->entries.size() <= in.size());
  const uint32_t allocation = ReportLunsAllocation(list->list_length);
  Check(allocation <= 8 * 256 + 8 && allocation % kLunEntrySize == 0);
  Bytes again(kReportLunsHeaderSize + kLunEntrySize * list->entries.size(), 0);
  EncodeReportLuns(again, list->entries);
  Check(DecodeReportLuns(again, kMaxLuns)->entries == list->entries);
  for (const LunEntry& entry : list->entries) {
    const uint16_t number = LunNumberOf(entry);
    if (number < 0x4000) Check(LunNumberOf(LunEntryOf(number)) == number);
    Check(LunEntryOf(PassthroughLunOf(entry))[4] == 0);
  }
}

void InquiryAnswers(std::span<const uint8_t> in) {
  if (std::optional<StandardInquiry> inquiry = DecodeStandardInquiry(in)) {
    Check(inquiry->vendor.size() <= kInquiryVendorSize);
    Check(inquiry->product.size() <= kInquiryProductSize);
    Check(inquiry->revision.size() <= kInquiryRevisionSize);
  }
  if (std::optional<std::string> serial = DecodeUnitSerialNumber(in)) {
    Check(serial->size() <= kMaxUnitSerialLength);
    Check(kUnitSerialOffset + serial->size() <= in.size());
    Check(serial->find('\0') == std::string::npos);
    Bytes again(kUnitSerialOffset + serial->size(), 0);
    EncodeUnitSerialNumber(again, 0, *serial);
    Check(DecodeUnitSerialNumber(again) == serial);
  }
}

void CapacityAnswers(std::span<const uint8_t> in) {
  if (std::optional<Capacity> ten = DecodeReadCapacity10(in)) {
    Bytes again(kReadCapacity10Length, 0);
    EncodeReadCapacity10(again, *ten);
    Check(std::equal(again.begin(), again.end(), in.begin()));
  }
  if (std::optional<Capacity> sixteen = DecodeReadCapacity16(in)) {
    Bytes again(kReadCapacity16Length, 0);
    EncodeReadCapacity16(again, *sixteen);
    Check(std::equal(again.begin(), again.end(), in.begin()));
  }
}

void PassthroughRecord(std::span<const uint8_t> in) {
  std::optional<ScsiPassthrough> command = DecodeScsiPassthrough(in);
  if (!command) return;
  Check(ScsiPassthroughSize(*command) <= in.size());
  Bytes again(ScsiPassthroughSize(*command), 0);
  Check(EncodeScsiPassthrough(again, *command));
  std::optional<ScsiPassthrough> twice = DecodeScsiPassthrough(again);
  Check(twice && twice->data == command->data && twice->sense == command->sense &&
        twice->cdb == command->cdb && twice->lun == command->lun);
  // Every block a target may get is read without reaching past it.
  (void)DecodeCdb(command->cdb);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::span<const uint8_t> in(data, size);
  ReportLunsAnswer(in);
  InquiryAnswers(in);
  CapacityAnswers(in);
  PassthroughRecord(in);
  return 0;
}
