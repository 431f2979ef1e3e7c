// Saved-target files: line formats, keys, and the file operations.
#include "areas/iscsi/saved_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <vector>

#include "areas/iscsi/saved_lines.h"
#include "core/log.h"
#include "support/temp_root.h"

namespace oxim::iscsi {
namespace {

constexpr char kTargetFile[] = "/scratch/Vallorn/savetgt.txt";
constexpr char kPortalFile[] = "/scratch/Vallorn/savestp.txt";
constexpr char kInitiatorFile[] = "/scratch/Vallorn/intr_logopts.txt";

// Written by hand from the field table of a target line.
constexpr char kTargetBytes[] =
    "Quellfire0,iSCSIPhysicalHBA1,LogicalHBA0,iqn.2001-04.com.example:disk1,10.0.0.5,3260,,"
    "iqn.1998-01.com.example:host,Yes,Yes,None,None,CHAP,inuser,insecret123,tguser,"
    "tgsecret456,Static,Prohibited,Prohibited,Prohibited\n";

TargetLine SampleTarget(std::string name = "iqn.2001-04.com.example:disk1",
                        std::string port = "3260", unsigned logical = 0) {
  TargetLine line;
  line.path = HbaPathOf(0, 1, logical);
  line.name = std::move(name);
  line.ip = "10.0.0.5";
  line.port = std::move(port);
  line.initiator_name = "iqn.1998-01.com.example:host";
  line.options.initial_r2t = "Yes";
  line.options.immediate_data = "Yes";
  line.options.header_digest = "None";
  line.options.data_digest = "None";
  line.options.authentication_method = "CHAP";
  line.options.initiator_chap_name = "inuser";
  line.options.initiator_secret = "insecret123";
  line.options.target_chap_name = "tguser";
  line.options.target_secret = "tgsecret456";
  line.target_type = "Static";
  line.options.chap_param = "Prohibited";
  line.options.header_param = "Prohibited";
  line.options.data_param = "Prohibited";
  return line;
}

std::string Encoded(const TargetLine& line) {
  std::string text;
  EXPECT_TRUE(EncodeTargetLine(line, &text));
  return text;
}

std::vector<std::string> Lines(const std::string& content) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < content.size()) {
    size_t end = content.find('\n', start);
    if (end == std::string::npos) end = content.size() - 1;
    lines.push_back(content.substr(start, end + 1 - start));
    start = end + 1;
  }
  return lines;
}

// --- Line formats ---

TEST(SavedLinesTest, TargetLineEncodesToExactBytes) {
  EXPECT_EQ(Encoded(SampleTarget()), kTargetBytes);
}

TEST(SavedLinesTest, TargetLineDecodesEveryField) {
  TargetLine line;
  ASSERT_TRUE(DecodeTargetLine(kTargetBytes, &line));
  EXPECT_EQ(line.path.controller, "Quellfire0");
  EXPECT_EQ(line.path.physical, "iSCSIPhysicalHBA1");
  EXPECT_EQ(line.path.logical, "LogicalHBA0");
  EXPECT_EQ(line.port, "3260");
  EXPECT_EQ(line.isid_qualifier, "");
  EXPECT_EQ(line.options.initiator_secret, "insecret123");
  EXPECT_EQ(line.options.target_secret, "tgsecret456");
  EXPECT_EQ(line.target_type, "Static");
  EXPECT_EQ(line.options.data_param, "Prohibited");
  EXPECT_EQ(Encoded(line), kTargetBytes);
}

TEST(SavedLinesTest, SendTargetPortalLineRoundTripsExactBytes) {
  const std::string bytes =
      "Quellfire0,iSCSIPhysicalHBA1,LogicalHBA2,10.0.0.9,3260,00:0e:1e:00:00:01,Yes,No,CRC32C,"
      "None,None,,,,,Prohibited,Prohibited,Prohibited\n";
  SendTargetPortalLine line;
  line.path = HbaPathOf(0, 1, 2);
  line.ip = "10.0.0.9";
  line.port = "3260";
  line.mac = "00:0e:1e:00:00:01";
  line.options.initial_r2t = "Yes";
  line.options.immediate_data = "No";
  line.options.header_digest = "CRC32C";
  line.options.data_digest = "None";
  line.options.authentication_method = "None";
  line.options.chap_param = "Prohibited";
  line.options.header_param = "Prohibited";
  line.options.data_param = "Prohibited";
  std::string text;
  ASSERT_TRUE(EncodeSendTargetPortalLine(line, &text));
  EXPECT_EQ(text, bytes);
  SendTargetPortalLine back;
  ASSERT_TRUE(DecodeSendTargetPortalLine(bytes, &back));
  EXPECT_EQ(back.mac, "00:0e:1e:00:00:01");
  EXPECT_EQ(back.options.header_digest, "CRC32C");
}

TEST(SavedLinesTest, DefaultInitiatorLineHasTheDefaultValues) {
  std::string text;
  ASSERT_TRUE(EncodeInitiatorOptionsLine(DefaultInitiatorOptionsLine(HbaPathOf(1, 0, 0)), &text));
  EXPECT_EQ(text,
            "Quellfire1,iSCSIPhysicalHBA0,LogicalHBA0,Yes,Yes,None,None,None,,,,,Prohibited,"
            "Prohibited,Prohibited\n");
}

TEST(SavedLinesTest, DecodeRefusesAWrongFieldCount) {
  std::string text = kTargetBytes;
  TargetLine line;
  EXPECT_FALSE(DecodeTargetLine(text.substr(0, text.rfind(',')), &line)) << "20 fields";
  EXPECT_FALSE(DecodeTargetLine(",Extra," + text, &line)) << "23 fields";
  InitiatorOptionsLine initiator;
  EXPECT_FALSE(DecodeInitiatorOptionsLine(text, &initiator)) << "a target line has 21 fields";
}

TEST(SavedLinesTest, DecodeRefusesALongFieldAndKeepsTheOutput) {
  TargetLine line = SampleTarget();
  line.name = std::string(255, 'n');
  std::string text = Encoded(line);
  TargetLine out;
  ASSERT_TRUE(DecodeTargetLine(text, &out)) << "255 characters fit";
  std::string longer = text;
  longer.insert(longer.find(",10.0.0.5"), "n");
  out.name = "kept";
  EXPECT_FALSE(DecodeTargetLine(longer, &out));
  EXPECT_EQ(out.name, "kept");
}

TEST(SavedLinesTest, EncodeRefusesFieldsThatCannotBeWrittenFaithfully) {
  std::string out = "unchanged";
  TargetLine line = SampleTarget();
  line.options.target_secret = "has,comma";
  EXPECT_FALSE(EncodeTargetLine(line, &out));
  line.options.target_secret = "two\nlines";
  EXPECT_FALSE(EncodeTargetLine(line, &out));
  line.options.target_secret = "cr\r";
  EXPECT_FALSE(EncodeTargetLine(line, &out));
  line.options.target_secret = std::string(256, 's');
  EXPECT_FALSE(EncodeTargetLine(line, &out));
  EXPECT_EQ(out, "unchanged");
}

// --- Keys ---

TEST(SavedKeysTest, PortIsMatchedAsAWholeField) {
  const std::string line = Encoded(SampleTarget());
  const HbaPath path = HbaPathOf(0, 1, 0);
  EXPECT_TRUE(
      KeyMatches(TargetPortalKey(path, "iqn.2001-04.com.example:disk1", "10.0.0.5", "3260"), line));
  EXPECT_FALSE(
      KeyMatches(TargetPortalKey(path, "iqn.2001-04.com.example:disk1", "10.0.0.5", "326"), line));
  EXPECT_FALSE(KeyMatches(TargetNameKey(path, "iqn.2001-04.com.example:disk"), line));
  EXPECT_FALSE(KeyMatches(PathKey(HbaPathOf(0, 1, 1)), line));
  EXPECT_FALSE(KeyMatches(PathKey(HbaPathOf(10, 1, 0)), line)) << "Quellfire10 is not Quellfire0";
}

TEST(SavedKeysTest, AddressIsMatchedByValue) {
  TargetLine v6 = SampleTarget();
  v6.ip = "2001:0DB8:0000:0000:0000:0000:0000:0010";
  const std::string line = Encoded(v6);
  const HbaPath path = v6.path;
  EXPECT_TRUE(KeyMatches(TargetPortalKey(path, v6.name, "2001:db8::10", "3260"), line));
  EXPECT_TRUE(
      KeyMatches(TargetSessionKey(path, v6.name, "2001:db8::10", "3260", kAnyIsidQualifier), line));
  EXPECT_FALSE(KeyMatches(TargetPortalKey(path, v6.name, "2001:db8::1", "3260"), line));
  EXPECT_TRUE(KeyMatches(TargetPortalKey(path, SampleTarget().name, "10.0.0.005", "3260"),
                         Encoded(SampleTarget())));
  // The name field is no address.
  EXPECT_FALSE(KeyMatches(TargetNameKey(path, "10.0.0.5"), Encoded(SampleTarget())));
}

TEST(SavedKeysTest, CaseIsIgnored) {
  const std::string line = Encoded(SampleTarget());
  EXPECT_TRUE(KeyMatches(TargetNameKey(HbaPathOf(0, 1, 0), "IQN.2001-04.COM.EXAMPLE:DISK1"), line));
}

TEST(SavedKeysTest, QualifierIsAWholeFieldAndAnyLeavesItOut) {
  TargetLine target = SampleTarget();
  target.isid_qualifier = "50";
  const std::string line = Encoded(target);
  const HbaPath path = target.path;
  EXPECT_TRUE(KeyMatches(TargetSessionKey(path, target.name, target.ip, target.port, 50), line));
  EXPECT_FALSE(KeyMatches(TargetSessionKey(path, target.name, target.ip, target.port, 5), line));
  EXPECT_TRUE(KeyMatches(
      TargetSessionKey(path, target.name, target.ip, target.port, kAnyIsidQualifier), line));
}

TEST(SavedKeysTest, ALineShorterThanTheKeyNeverMatches) {
  const HbaPath path = HbaPathOf(0, 1, 0);
  EXPECT_FALSE(KeyMatches(TargetPortalKey(path, "n", "", ""), "Quellfire0,iSCSIPhysicalHBA1\n"));
  EXPECT_FALSE(KeyMatches(PathKey(path), ""));
  EXPECT_TRUE(KeyMatches(PathKey(path), "Quellfire0,iSCSIPhysicalHBA1,LogicalHBA0"));
}

// --- File operations ---

class SavedFilesTest : public oxim::testing::TempRootTest {
 protected:
  std::string Read(const std::string& file) const { return root_.read(file); }
  mode_t Mode(const std::string& file) const {
    struct stat info;
    if (stat(root_.file(file).c_str(), &info) != 0) return 0;
    return info.st_mode & 07777;
  }
};

TEST_F(SavedFilesTest, AddingATargetWritesOneLineWithAnEmptyQualifier) {
  TargetLine target = SampleTarget();
  target.isid_qualifier = "7";  // not written by the first record
  ASSERT_EQ(OXIM_add_target_into_file(target), 0);
  ASSERT_EQ(OXIM_add_target_into_file(target), 0);
  EXPECT_EQ(Read(kTargetFile), kTargetBytes);
}

TEST_F(SavedFilesTest, SessionLineFollowsOnceAfterTheFirstLine) {
  TargetLine target = SampleTarget();
  ASSERT_EQ(OXIM_add_target_into_file(target), 0);
  target.isid_qualifier = "3";
  ASSERT_EQ(OXIM_update_tgt_entry(target), 0);
  ASSERT_EQ(OXIM_update_tgt_entry(target), 0);
  EXPECT_EQ(Read(kTargetFile), std::string(kTargetBytes) + Encoded(target));
}

TEST_F(SavedFilesTest, AppendKeepsExistingLinesByteForByte) {
  root_.write(kTargetFile, "hand-written line\n");
  ASSERT_EQ(OXIM_add_target_into_file(SampleTarget()), 0);
  EXPECT_EQ(Read(kTargetFile), std::string("hand-written line\n") + kTargetBytes);
}

TEST_F(SavedFilesTest, AppendEndsALastLineThatLacksItsNewline) {
  root_.write(kTargetFile, "cut short");
  ASSERT_EQ(OXIM_add_target_into_file(SampleTarget()), 0);
  EXPECT_EQ(Read(kTargetFile), std::string("cut short\n") + kTargetBytes);
}

TEST_F(SavedFilesTest, APortOfTheSamePrefixIsNotADuplicate) {
  ASSERT_EQ(OXIM_add_target_into_file(SampleTarget("iqn.t", "3260")), 0);
  ASSERT_EQ(OXIM_add_target_into_file(SampleTarget("iqn.t", "326")), 0);
  EXPECT_EQ(Lines(Read(kTargetFile)).size(), 2u);
}

TEST_F(SavedFilesTest, ARefusedRecordLeavesTheFileAlone) {
  ASSERT_EQ(OXIM_add_target_into_file(SampleTarget()), 0);
  TargetLine bad = SampleTarget("iqn.other");
  bad.options.initiator_secret = "a,b";
  EXPECT_EQ(OXIM_add_target_into_file(bad), 1);
  EXPECT_EQ(Read(kTargetFile), kTargetBytes);
}

TEST_F(SavedFilesTest, DuplicateCheckFindsWholeKeysOnly) {
  ASSERT_EQ(OXIM_add_target_into_file(SampleTarget()), 0);
  const HbaPath path = HbaPathOf(0, 1, 0);
  EXPECT_EQ(OXIM_check_for_duplicate_entry_in_file(
                TargetPortalKey(path, "iqn.2001-04.com.example:disk1", "10.0.0.5", "3260"), 0),
            1);
  EXPECT_EQ(OXIM_check_for_duplicate_entry_in_file(
                TargetPortalKey(path, "iqn.2001-04.com.example:disk1", "10.0.0.5", "326"), 0),
            0);
  EXPECT_EQ(
      OXIM_check_for_duplicate_entry_in_file(SendTargetPortalKey(path, "10.0.0.5", "3260"), 1), 0)
      << "no portal file";
}

TEST_F(SavedFilesTest, RemovingWithAQualifierLeavesTheOtherLines) {
  TargetLine target = SampleTarget();
  ASSERT_EQ(OXIM_add_target_into_file(target), 0);
  target.isid_qualifier = "3";
  ASSERT_EQ(OXIM_update_tgt_entry(target), 0);
  target.isid_qualifier = "30";
  ASSERT_EQ(OXIM_update_tgt_entry(target), 0);
  ASSERT_EQ(OXIM_remove_entry_from_file(target.path, target.name, target.ip, target.port, 3,
                                        kRemoveTarget),
            0);
  target.isid_qualifier = "30";
  EXPECT_EQ(Read(kTargetFile), std::string(kTargetBytes) + Encoded(target));
}

TEST_F(SavedFilesTest, RemovingWithAnyQualifierRemovesEveryLineOfThePortal) {
  TargetLine target = SampleTarget();
  TargetLine other_hba = SampleTarget(target.name, target.port, 1);
  ASSERT_EQ(OXIM_add_target_into_file(target), 0);
  ASSERT_EQ(OXIM_add_target_into_file(other_hba), 0);
  target.isid_qualifier = "3";
  ASSERT_EQ(OXIM_update_tgt_entry(target), 0);
  ASSERT_EQ(OXIM_remove_entry_from_file(target.path, target.name, target.ip, target.port,
                                        kAnyIsidQualifier, kRemoveTarget),
            0);
  EXPECT_EQ(Read(kTargetFile), Encoded(other_hba));
}

TEST_F(SavedFilesTest, RemovingATargetRemovesAllItsPortalsAndQualifiers) {
  TargetLine a = SampleTarget("iqn.a", "3260");
  TargetLine a2 = SampleTarget("iqn.a", "3261");
  TargetLine b = SampleTarget("iqn.b", "3260");
  ASSERT_EQ(OXIM_add_target_into_file(a), 0);
  ASSERT_EQ(OXIM_add_target_into_file(b), 0);
  ASSERT_EQ(OXIM_add_target_into_file(a2), 0);
  a2.isid_qualifier = "9";
  ASSERT_EQ(OXIM_update_tgt_entry(a2), 0);
  ASSERT_EQ(RemoveTargetLines(a.path, "IQN.A"), 0);
  EXPECT_EQ(Read(kTargetFile), Encoded(b));
}

TEST_F(SavedFilesTest, RemovingAPortOfTheSamePrefixKeepsTheLine) {
  TargetLine target = SampleTarget();
  ASSERT_EQ(OXIM_add_target_into_file(target), 0);
  ASSERT_EQ(OXIM_remove_entry_from_file(target.path, target.name, target.ip, "326",
                                        kAnyIsidQualifier, kRemoveTarget),
            0);
  EXPECT_EQ(Read(kTargetFile), kTargetBytes);
}

TEST_F(SavedFilesTest, RemovingASendTargetPortalKeepsOtherLogicalHbas) {
  const std::string mine = "Quellfire0,iSCSIPhysicalHBA1,LogicalHBA0,10.0.0.9,3260,m,,,,,,,,,,,,\n";
  const std::string other =
      "Quellfire0,iSCSIPhysicalHBA1,LogicalHBA1,10.0.0.9,3260,m,,,,,,,,,,,,\n";
  ASSERT_EQ(
      AppendLineUnlessPresent(SavedFile::kSendTargetPortals,
                              SendTargetPortalKey(HbaPathOf(0, 1, 0), "10.0.0.9", "3260"), mine),
      AppendResult::kAppended);
  ASSERT_EQ(
      AppendLineUnlessPresent(SavedFile::kSendTargetPortals,
                              SendTargetPortalKey(HbaPathOf(0, 1, 1), "10.0.0.9", "3260"), other),
      AppendResult::kAppended);
  EXPECT_EQ(OXIM_check_for_duplicate_entry_in_file(
                SendTargetPortalKey(HbaPathOf(0, 1, 0), "10.0.0.9", "3260"), 1),
            1);
  ASSERT_EQ(OXIM_remove_entry_from_file(HbaPathOf(0, 1, 0), "", "10.0.0.9", "3260", 0,
                                        kRemoveSendTargetPortal),
            0);
  EXPECT_EQ(Read(kPortalFile), other);
}

TEST_F(SavedFilesTest, RemovingALogicalHbaKeepsTheOthers) {
  TargetLine mine = SampleTarget("iqn.a");
  TargetLine mine2 = SampleTarget("iqn.b");
  TargetLine other = SampleTarget("iqn.a", "3260", 1);
  ASSERT_EQ(OXIM_add_target_into_file(mine), 0);
  ASSERT_EQ(OXIM_add_target_into_file(other), 0);
  ASSERT_EQ(OXIM_add_target_into_file(mine2), 0);
  ASSERT_EQ(OXIM_remove_entry_from_file(mine.path, "", "", "", 0, kRemoveLogicalHba), 0);
  EXPECT_EQ(Read(kTargetFile), Encoded(other));
}

TEST_F(SavedFilesTest, RemovingFromAMissingFileFailsAndCreatesNothing) {
  const HbaPath path = HbaPathOf(0, 1, 0);
  EXPECT_EQ(OXIM_remove_entry_from_file(path, "n", "1.2.3.4", "3260", 0, kRemoveTarget), 1);
  EXPECT_EQ(OXIM_remove_entry_from_file(path, "", "1.2.3.4", "3260", 0, kRemoveSendTargetPortal),
            1);
  EXPECT_EQ(OXIM_remove_entry_from_file(path, "", "", "", 0, 7), 1) << "unknown mode";
  EXPECT_EQ(Mode(kTargetFile), 0u) << "no file created";
}

TEST_F(SavedFilesTest, ReplacingALineRewritesOnlyThatLine) {
  TargetLine a = SampleTarget("iqn.a");
  TargetLine b = SampleTarget("iqn.b");
  ASSERT_EQ(OXIM_add_target_into_file(a), 0);
  ASSERT_EQ(OXIM_add_target_into_file(b), 0);
  a.options.header_digest = "CRC32C";
  ASSERT_EQ(ReplaceTargetLine(TargetPortalKey(a.path, a.name, a.ip, a.port), a), 0);
  EXPECT_EQ(Read(kTargetFile), Encoded(a) + Encoded(b));
}

TEST_F(SavedFilesTest, ReplacingAMissingLineFailsAndChangesNothing) {
  ASSERT_EQ(OXIM_add_target_into_file(SampleTarget()), 0);
  TargetLine other = SampleTarget("iqn.none");
  EXPECT_EQ(ReplaceTargetLine(TargetNameKey(other.path, other.name), other), 1);
  EXPECT_EQ(Read(kTargetFile), kTargetBytes);
}

TEST_F(SavedFilesTest, InitiatorOptionsLineIsCreatedThenRewritten) {
  const HbaPath path = HbaPathOf(0, 1, 0);
  InitiatorOptionsLine line;
  EXPECT_EQ(ReadInitiatorOptionsLine(path, &line), ReadResult::kMissing);
  ASSERT_EQ(WriteInitiatorOptionsLine(DefaultInitiatorOptionsLine(path)), 0);
  ASSERT_EQ(WriteInitiatorOptionsLine(DefaultInitiatorOptionsLine(HbaPathOf(0, 1, 1))), 0);
  line = DefaultInitiatorOptionsLine(path);
  line.options.immediate_data = "No";
  ASSERT_EQ(WriteInitiatorOptionsLine(line), 0);
  InitiatorOptionsLine back;
  ASSERT_EQ(ReadInitiatorOptionsLine(path, &back), ReadResult::kRead);
  EXPECT_EQ(back.options.immediate_data, "No");
  EXPECT_EQ(Lines(Read(kInitiatorFile)).size(), 2u);
}

TEST_F(SavedFilesTest, ReadingTheLinesOfALogicalHba) {
  std::vector<TargetLine> lines;
  EXPECT_EQ(ReadTargetLines(HbaPathOf(0, 1, 0), &lines), ReadResult::kMissing);
  ASSERT_EQ(OXIM_add_target_into_file(SampleTarget("iqn.a")), 0);
  ASSERT_EQ(OXIM_add_target_into_file(SampleTarget("iqn.x", "3260", 1)), 0);
  ASSERT_EQ(OXIM_add_target_into_file(SampleTarget("iqn.b")), 0);
  ASSERT_EQ(ReadTargetLines(HbaPathOf(0, 1, 0), &lines), ReadResult::kRead);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].name, "iqn.a");
  EXPECT_EQ(lines[1].name, "iqn.b");
}

TEST_F(SavedFilesTest, FileDataIsReadWholeAndItsLinesCounted) {
  root_.write(kTargetFile, "a\nb\n\nlast");
  FILE* stream = fopen(root_.file(kTargetFile).c_str(), "r");
  ASSERT_NE(stream, nullptr);
  std::string data;
  size_t lines = 0;
  ASSERT_EQ(OXIM_get_file_data(stream, &data, &lines), 0);
  fclose(stream);
  EXPECT_EQ(data, "a\nb\n\nlast");
  EXPECT_EQ(lines, 3u);
  EXPECT_EQ(OXIM_get_file_data(nullptr, &data, &lines), 1);
}

// --- Permissions ---

TEST_F(SavedFilesTest, EveryFileIsCreatedWithMode0600) {
  ASSERT_EQ(OXIM_add_target_into_file(SampleTarget()), 0);
  ASSERT_EQ(WriteInitiatorOptionsLine(DefaultInitiatorOptionsLine(HbaPathOf(0, 1, 0))), 0);
  EXPECT_EQ(Mode(kTargetFile), 0600u);
  EXPECT_EQ(Mode(kInitiatorFile), 0600u);
  EXPECT_EQ(Mode("/scratch/Vallorn/temp_tgt.txt.lock"), 0600u);
  EXPECT_EQ(Mode("/scratch/Vallorn/temp_tgt.txt"), 0u) << "renamed away";
}

TEST_F(SavedFilesTest, AWorldReadableFileBecomes0600AfterEachOperation) {
  const TargetLine target = SampleTarget();
  const std::string path = root_.file(kTargetFile);
  const std::string lock = root_.file("/scratch/Vallorn/temp_tgt.txt.lock");
  auto reset = [&] {
    ASSERT_EQ(chmod(path.c_str(), 0644), 0);
    (void)chmod(lock.c_str(), 0644);  // absent before the first operation
  };
  root_.write(kTargetFile, kTargetBytes);
  root_.write("/scratch/Vallorn/temp_tgt.txt", "left over\n");
  ASSERT_EQ(chmod(root_.file("/scratch/Vallorn/temp_tgt.txt").c_str(), 0644), 0);
  reset();
  ASSERT_EQ(OXIM_add_target_into_file(target), 0) << "already present: no rewrite";
  EXPECT_EQ(Mode(kTargetFile), 0600u);
  EXPECT_EQ(Mode("/scratch/Vallorn/temp_tgt.txt.lock"), 0600u);
  reset();
  ASSERT_EQ(OXIM_add_target_into_file(SampleTarget("iqn.new")), 0);
  EXPECT_EQ(Mode(kTargetFile), 0600u);
  reset();
  ASSERT_EQ(ReplaceTargetLine(TargetNameKey(target.path, target.name), target), 0);
  EXPECT_EQ(Mode(kTargetFile), 0600u);
  reset();
  ASSERT_EQ(RemoveTargetLines(target.path, "iqn.new"), 0);
  EXPECT_EQ(Mode(kTargetFile), 0600u);
  reset();
  EXPECT_EQ(OXIM_check_for_corrupted_database(), 0);
  EXPECT_EQ(Mode(kTargetFile), 0600u);
  EXPECT_EQ(Mode("/scratch/Vallorn/temp_tgt.txt.lock"), 0600u);
  EXPECT_EQ(Read(kTargetFile), kTargetBytes);
}

// --- Consistency check ---

TEST_F(SavedFilesTest, CheckDropsBadLinesAndKeepsTheGoodOnes) {
  const std::string good1 = Encoded(SampleTarget("iqn.a"));
  const std::string good2 = Encoded(SampleTarget("iqn.b"));
  const std::string truncated = good1.substr(0, good1.size() / 2) + "\n";
  const std::string extra_field = "x," + good1;
  const std::string wrong_path = "Quellfire0,PhysicalHBA1" + good1.substr(good1.find(",Logical"));
  const std::string garbage("\x01\xff,\0,\x7f\n", 8);
  root_.write(kTargetFile,
              truncated + good1 + extra_field + "\n" + garbage + wrong_path + good2 + truncated);
  const std::string good_portal =
      "Quellfire0,iSCSIPhysicalHBA1,LogicalHBA0,10.0.0.9,3260,m,,,,,,,,,,,,\n";
  root_.write(kPortalFile, good_portal + "Quellfire0,iSCSIPhysicalHBA1,LogicalHBA0,short\n");
  EXPECT_EQ(OXIM_check_for_corrupted_database(), 0);
  EXPECT_EQ(Read(kTargetFile), good1 + good2);
  EXPECT_EQ(Read(kPortalFile), good_portal);
  EXPECT_EQ(Mode(kInitiatorFile), 0u) << "a missing file stays missing";
  // Nothing is lost: the dropped lines are beside each file, in order.
  EXPECT_EQ(Read(std::string(kTargetFile) + ".damaged"),
            truncated + extra_field + "\n" + garbage + wrong_path + truncated);
  EXPECT_EQ(Mode(std::string(kTargetFile) + ".damaged"), 0600u);
  EXPECT_EQ(Read(std::string(kPortalFile) + ".damaged"),
            "Quellfire0,iSCSIPhysicalHBA1,LogicalHBA0,short\n");
}

TEST_F(SavedFilesTest, CheckKeepsADamagedFileWhenItsLinesCannotBeKept) {
  const std::string content = Encoded(SampleTarget("iqn.a")) + "damaged\n";
  root_.write(kTargetFile, content);
  ASSERT_EQ(mkdir(root_.file(std::string(kTargetFile) + ".damaged").c_str(), 0700), 0);
  EXPECT_EQ(OXIM_check_for_corrupted_database(), 0);
  EXPECT_EQ(Read(kTargetFile), content) << "nothing dropped that is not kept";
}

TEST_F(SavedFilesTest, CheckKeepsASoundFileUntouched) {
  const std::string content = Encoded(SampleTarget("iqn.a")) + Encoded(SampleTarget("iqn.b"));
  root_.write(kTargetFile, content);
  struct stat before;
  ASSERT_EQ(stat(root_.file(kTargetFile).c_str(), &before), 0);
  EXPECT_EQ(OXIM_check_for_corrupted_database(), 0);
  struct stat after;
  ASSERT_EQ(stat(root_.file(kTargetFile).c_str(), &after), 0);
  EXPECT_EQ(before.st_ino, after.st_ino) << "not rewritten";
  EXPECT_EQ(Read(kTargetFile), content);
}

TEST_F(SavedFilesTest, CheckEndsASoundLastLineThatLacksItsNewline) {
  std::string content = Encoded(SampleTarget("iqn.a"));
  content.pop_back();
  root_.write(kTargetFile, content);
  EXPECT_EQ(OXIM_check_for_corrupted_database(), 0);
  EXPECT_EQ(Read(kTargetFile), Encoded(SampleTarget("iqn.a")));
}

TEST_F(SavedFilesTest, CheckRefusesAFieldOverTheLimit) {
  std::string line = Encoded(SampleTarget());
  line.insert(line.find(",10.0.0.5"), std::string(300, 'n'));
  root_.write(kTargetFile, line);
  EXPECT_EQ(OXIM_check_for_corrupted_database(), 0);
  EXPECT_EQ(Read(kTargetFile), "");
  EXPECT_EQ(Read(std::string(kTargetFile) + ".damaged"), line);
}

TEST_F(SavedFilesTest, NoSecretReachesTheLog) {
  open_log_file();
  set_log_level(kLogDebug);
  TargetLine target = SampleTarget();
  ASSERT_EQ(OXIM_add_target_into_file(target), 0);
  target.options.target_secret = "bad,secret";
  EXPECT_EQ(ReplaceTargetLine(TargetNameKey(target.path, target.name), target), 1);
  root_.write(kPortalFile, "Quellfire0,iSCSIPhysicalHBA1,LogicalHBA0,insecret123\n");
  EXPECT_EQ(OXIM_check_for_corrupted_database(), 0);
  set_log_level(kLogOff);
  close_log_file();
  const std::string log = root_.read(kLogFilePath);
  EXPECT_NE(log.find("corrupted"), std::string::npos) << log;
  for (const char* secret : {"insecret123", "tgsecret456", "bad,secret"}) {
    EXPECT_EQ(log.find(secret), std::string::npos) << secret << " in " << log;
  }
}

}  // namespace
}  // namespace oxim::iscsi
