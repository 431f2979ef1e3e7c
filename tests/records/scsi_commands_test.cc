// The SCSI command descriptor blocks the library sends and the answers it
// reads, against bytes written by hand from the published layouts; answers
// that claim more than they hold are read only as far as they go.
#include "records/scsi_commands.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "records/golden.h"

namespace oxim::records {
namespace {

using golden::Bytes;

Bytes BytesOf(const Cdb& cdb) { return Bytes(cdb.begin(), cdb.end()); }

TEST(ScsiCdb, GoldenBlocks) {
  Bytes report(16, 0);
  golden::PutBytes(report, 0, {0xA0});
  golden::PutBytes(report, 6, {0x00, 0x00, 0x08, 0x08});
  EXPECT_EQ(BytesOf(ReportLunsCdb(2056)), report);

  Bytes inquiry(16, 0);
  golden::PutBytes(inquiry, 0, {0x12, 0, 0, 0, 36});
  EXPECT_EQ(BytesOf(StandardInquiryCdb()), inquiry);

  Bytes serial(16, 0);
  golden::PutBytes(serial, 0, {0x12, 0x01, 0x80, 0, 0xFF});
  EXPECT_EQ(BytesOf(UnitSerialNumberCdb()), serial);

  Bytes capacity10(16, 0);
  capacity10[0] = 0x25;
  EXPECT_EQ(BytesOf(ReadCapacity10Cdb()), capacity10);

  Bytes capacity16(16, 0);
  capacity16[0] = 0x9E;
  capacity16[1] = 0x10;
  capacity16[13] = 12;
  EXPECT_EQ(BytesOf(ReadCapacity16Cdb()), capacity16);

  Bytes write(16, 0);
  golden::PutBytes(write, 0, {0x2A, 0, 0x00, 0x01, 0x02, 0x03, 0, 0x00, 0x7F});
  EXPECT_EQ(BytesOf(ReadWrite10Cdb(kScsiWrite10, 0x00010203, 127)), write);
}

TEST(ScsiCdb, LengthByGroup) {
  EXPECT_EQ(CdbLength(kScsiInquiry), 6u);
  EXPECT_EQ(CdbLength(kScsiReadCapacity10), 10u);
  EXPECT_EQ(CdbLength(kScsiWrite10), 10u);
  EXPECT_EQ(CdbLength(kScsiServiceActionIn16), 16u);
  EXPECT_EQ(CdbLength(kScsiReportLuns), 12u);
}

TEST(ScsiCdb, TargetsReadTheBlocksTheLibraryBuilds) {
  ScsiRequest report = DecodeCdb(ReportLunsCdb(16));
  EXPECT_EQ(report.opcode, kScsiReportLuns);
  EXPECT_EQ(report.allocation_length, 16u);
  ScsiRequest serial = DecodeCdb(UnitSerialNumberCdb());
  EXPECT_TRUE(serial.evpd);
  EXPECT_EQ(serial.page, 0x80);
  EXPECT_EQ(serial.allocation_length, 255u);
  EXPECT_FALSE(DecodeCdb(StandardInquiryCdb()).evpd);
  EXPECT_EQ(DecodeCdb(StandardInquiryCdb()).allocation_length, 36u);
  ScsiRequest capacity = DecodeCdb(ReadCapacity16Cdb());
  EXPECT_EQ(capacity.service_action, 0x10);
  EXPECT_EQ(capacity.allocation_length, 12u);
  ScsiRequest read = DecodeCdb(ReadWrite10Cdb(kScsiRead10, 70000, 3));
  EXPECT_EQ(read.opcode, kScsiRead10);
  EXPECT_EQ(read.lba, 70000u);
  EXPECT_EQ(read.blocks, 3);
}

TEST(ReportLuns, GoldenAnswer) {
  Bytes answer(8 + 16, 0);
  golden::PutBytes(answer, 0, {0, 0, 0, 16});
  golden::PutBytes(answer, 8, {0x00, 0x00});
  golden::PutBytes(answer, 16, {0x41, 0x2C});  // flat addressing, LUN 300
  Bytes got(answer.size(), 0xEE);
  EncodeReportLuns(got, {LunEntryOf(0), LunEntryOf(300)});
  EXPECT_EQ(got, answer);

  std::optional<ReportLuns> list = DecodeReportLuns(answer, 255);
  ASSERT_TRUE(list);
  EXPECT_EQ(list->list_length, 16u);
  ASSERT_EQ(list->entries.size(), 2u);
  EXPECT_EQ(LunNumberOf(list->entries[0]), 0);
  EXPECT_EQ(LunNumberOf(list->entries[1]), 300);
  EXPECT_EQ(LunNumberOf(LunEntryOf(255)), 255);
}

TEST(ReportLuns, CountIsBoundedByTheAnswerAndTheCap) {
  // A target that claims 4096 LUNs but sends one entry.
  Bytes answer(16, 0);
  golden::PutBytes(answer, 0, {0, 0, 0x80, 0});
  answer[9] = 7;
  std::optional<ReportLuns> list = DecodeReportLuns(answer, 255);
  ASSERT_TRUE(list);
  EXPECT_EQ(list->list_length, 0x8000u);
  ASSERT_EQ(list->entries.size(), 1u);
  EXPECT_EQ(LunNumberOf(list->entries[0]), 7);
  // A list length that is not a multiple of 8 counts whole entries only.
  golden::PutBytes(answer, 0, {0, 0, 0, 7});
  EXPECT_TRUE(DecodeReportLuns(answer, 255)->entries.empty());
  // The cap.
  std::vector<LunEntry> many;
  for (uint16_t n = 0; n < 300; ++n) many.push_back(LunEntryOf(n));
  Bytes full(8 + 8 * 300, 0);
  EncodeReportLuns(full, many);
  EXPECT_EQ(DecodeReportLuns(full, 255)->entries.size(), 255u);
  EXPECT_FALSE(DecodeReportLuns(std::span(full).first(7), 255));
}

TEST(ReportLuns, SecondAllocationNeverOverflows) {
  EXPECT_EQ(ReportLunsAllocation(0), 8u);
  EXPECT_EQ(ReportLunsAllocation(16), 24u);
  EXPECT_EQ(ReportLunsAllocation(8 * 300), 8u * 256 + 8);
  // 8·(n+1) for the largest claim would wrap a 16-bit length.
  EXPECT_EQ(ReportLunsAllocation(0xFFFFFFF8), 8u * 256 + 8);
}

TEST(ReportLuns, AnswerIsCutToTheAllocation) {
  Bytes cut(16, 0xEE);
  EncodeReportLuns(cut, {LunEntryOf(0), LunEntryOf(1), LunEntryOf(2)});
  EXPECT_EQ(cut[3], 24);  // the whole list's length
  EXPECT_EQ(cut[9], 0);
  EXPECT_EQ(DecodeReportLuns(cut, 255)->entries.size(), 1u);
}

TEST(ReportLuns, PassthroughLunIsTheEntrysFirstFourBytes) {
  const LunEntry entry = {0x41, 0x2C, 0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC};
  EXPECT_EQ(PassthroughLunOf(entry), (PassthroughLun{0x41, 0x2C, 0x12, 0x34, 0, 0, 0, 0}));
  EXPECT_EQ(LunEntryOf(PassthroughLunOf(entry)), (LunEntry{0x41, 0x2C, 0x12, 0x34, 0, 0, 0, 0}));
}

TEST(Inquiry, GoldenStandardAnswerKeepsPadding) {
  Bytes answer(36, 0);
  answer[0] = 0x0C;
  answer[4] = 31;
  golden::PutText(answer, 8, "IET     ");
  golden::PutText(answer, 16, "VIRTUAL-DISK    ");
  golden::PutText(answer, 32, "0001");
  Bytes got(36, 0xEE);
  EncodeStandardInquiry(got, {0x0C, "IET", "VIRTUAL-DISK", "0001"});
  EXPECT_EQ(got, answer);
  std::optional<StandardInquiry> inquiry = DecodeStandardInquiry(answer);
  ASSERT_TRUE(inquiry);
  EXPECT_EQ(inquiry->peripheral, 0x0C);
  EXPECT_EQ(inquiry->vendor, "IET     ");
  EXPECT_EQ(inquiry->product, "VIRTUAL-DISK    ");
  EXPECT_EQ(inquiry->revision, "0001");
  EXPECT_FALSE(DecodeStandardInquiry(std::span(answer).first(31)));
  EXPECT_EQ(DecodeStandardInquiry(std::span(answer).first(32))->revision, "");
}

TEST(Inquiry, FormatCharactersStayText) {
  Bytes answer(36, ' ');
  golden::PutText(answer, 8, "%s%n$(x)");
  EXPECT_EQ(DecodeStandardInquiry(answer)->vendor, "%s%n$(x)");
}

TEST(Inquiry, GoldenUnitSerialNumberPage) {
  Bytes answer(4 + 6, 0);
  golden::PutBytes(answer, 0, {0x00, 0x80, 0x00, 6});
  golden::PutText(answer, 4, "beaf11");
  Bytes got(10, 0xEE);
  EncodeUnitSerialNumber(got, 0, "beaf11");
  EXPECT_EQ(got, answer);
  EXPECT_EQ(DecodeUnitSerialNumber(answer), "beaf11");
  answer[1] = 0x83;
  EXPECT_FALSE(DecodeUnitSerialNumber(answer));
  EXPECT_FALSE(DecodeUnitSerialNumber(std::span(answer).first(3)));
}

TEST(Inquiry, UnitSerialNumberStopsAtTheAnswersEndAndAtNul) {
  // Byte 3 claims 255 bytes: a 256-byte answer holds 252 of them.
  Bytes answer(256, 'S');
  golden::PutBytes(answer, 0, {0x00, 0x80, 0x00, 0xFF});
  EXPECT_EQ(DecodeUnitSerialNumber(answer)->size(), 252u);
  EXPECT_EQ(DecodeUnitSerialNumber(std::span(answer).first(10))->size(), 6u);
  answer[8] = 0;
  EXPECT_EQ(DecodeUnitSerialNumber(answer), "SSSS");
  // A serial too long for one answer is cut to 252 bytes.
  Bytes encoded(256, 0xEE);
  EncodeUnitSerialNumber(encoded, 0, std::string(300, 'x'));
  EXPECT_EQ(encoded[3], 252);
}

TEST(ReadCapacity, GoldenAnswers) {
  Bytes ten(8, 0);
  golden::PutBytes(ten, 0, {0x00, 0x1F, 0xFF, 0xFF, 0x00, 0x00, 0x02, 0x00});
  Bytes got(8, 0xEE);
  EncodeReadCapacity10(got, {0x1FFFFF, 512});
  EXPECT_EQ(got, ten);
  std::optional<Capacity> capacity = DecodeReadCapacity10(ten);
  ASSERT_TRUE(capacity);
  EXPECT_EQ(capacity->last_lba, 0x1FFFFFu);
  EXPECT_EQ(capacity->block_length, 512u);
  EXPECT_FALSE(DecodeReadCapacity10(std::span(ten).first(7)));

  // 3 TB of 512-byte blocks: (10) cannot say it.
  const uint64_t last = 6442450944 - 1;
  EncodeReadCapacity10(got, {last, 512});
  EXPECT_EQ(DecodeReadCapacity10(got)->last_lba, 0xFFFFFFFFu);

  Bytes sixteen(32, 0);
  golden::PutBytes(sixteen, 0, {0, 0, 0, 0x01, 0x7F, 0xFF, 0xFF, 0xFF, 0, 0, 0x02, 0});
  Bytes got16(32, 0xEE);
  EncodeReadCapacity16(got16, {last, 512});
  EXPECT_EQ(got16, sixteen);
  EXPECT_EQ(DecodeReadCapacity16(sixteen)->last_lba, last);
  EXPECT_EQ(DecodeReadCapacity16(std::span(sixteen).first(12))->block_length, 512u);
  EXPECT_FALSE(DecodeReadCapacity16(std::span(sixteen).first(11)));
}

}  // namespace
}  // namespace oxim::records
