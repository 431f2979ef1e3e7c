// The SCSI pass-through record and the QoS records against bytes written by
// hand from their offset tables.
#include "records/scsi_passthrough.h"

#include <gtest/gtest.h>

#include <vector>

#include "records/golden.h"
#include "records/iscsi_qos.h"

namespace oxim::records {
namespace {

using golden::Bytes;

ScsiPassthrough SampleWrite() {
  ScsiPassthrough command;
  command.session_handle = 0x01020304;
  command.lun = {0x00, 0x01, 0x00, 0x00, 0, 0, 0, 0};
  command.direction = kScsiDataWrite;
  command.scsi_status = kScsiStatusCheckCondition;
  command.cdb[0] = 0x2A;
  command.cdb[15] = 0x77;
  command.sense = {0x70, 0x00, 0x05};
  command.data = {0xAA, 0xBB, 0xCC};
  return command;
}

TEST(ScsiPassthrough, GoldenBytes) {
  Bytes want(292 + 3, 0);
  golden::Put32(want, 0, 0x01020304);
  golden::PutBytes(want, 4, {0x00, 0x01, 0x00, 0x00, 0, 0, 0, 0});
  want[12] = 2;
  want[15] = 2;
  want[16] = 0x2A;
  want[31] = 0x77;
  golden::Put16(want, 34, 3);
  want[36] = 3;
  golden::PutBytes(want, 37, {0x70, 0x00, 0x05});
  golden::PutBytes(want, 292, {0xAA, 0xBB, 0xCC});

  const ScsiPassthrough command = SampleWrite();
  ASSERT_EQ(ScsiPassthroughSize(command), want.size());
  Bytes got(want.size(), 0xEE);
  ASSERT_TRUE(EncodeScsiPassthrough(got, command));
  EXPECT_EQ(got, want);

  std::optional<ScsiPassthrough> decoded = DecodeScsiPassthrough(want);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->session_handle, 0x01020304u);
  EXPECT_EQ(decoded->lun, command.lun);
  EXPECT_EQ(decoded->direction, kScsiDataWrite);
  EXPECT_EQ(decoded->scsi_status, kScsiStatusCheckCondition);
  EXPECT_EQ(decoded->cdb, command.cdb);
  EXPECT_EQ(decoded->sense, command.sense);
  EXPECT_EQ(decoded->data, command.data);
}

TEST(ScsiPassthrough, RefusesWhatDoesNotFit) {
  Bytes record(292 + 3, 0);
  ASSERT_TRUE(EncodeScsiPassthrough(record, SampleWrite()));
  // The data length names more bytes than the buffer holds.
  EXPECT_FALSE(DecodeScsiPassthrough(std::span(record).first(294)));
  EXPECT_FALSE(DecodeScsiPassthrough(std::span(record).first(291)));
  golden::Put16(record, 34, 0xFFFF);
  EXPECT_FALSE(DecodeScsiPassthrough(record));

  ScsiPassthrough command = SampleWrite();
  EXPECT_FALSE(EncodeScsiPassthrough(std::span(record).first(294), command));
  command.sense.assign(256, 1);
  EXPECT_FALSE(EncodeScsiPassthrough(record, command));
  command.sense.clear();
  command.data.assign(65536, 0);
  Bytes large(292 + 65536, 0);
  EXPECT_FALSE(EncodeScsiPassthrough(large, command));
}

TEST(ScsiPassthrough, LargestSenseEndsWhereTheDataBegins) {
  ScsiPassthrough command;
  command.sense.assign(255, 0x5A);
  command.data = {0x01};
  Bytes record(293, 0);
  ASSERT_TRUE(EncodeScsiPassthrough(record, command));
  EXPECT_EQ(record[36], 255);
  EXPECT_EQ(record[291], 0x5A);
  EXPECT_EQ(record[292], 0x01);
  EXPECT_EQ(DecodeScsiPassthrough(record)->sense.size(), 255u);
}

TEST(QosRecords, GoldenBytes) {
  Bytes want(32, 0);
  golden::Put32(want, 8, 250);
  golden::Put32(want, 12, 1280 * 1024);
  Bytes got(32, 0xEE);
  ASSERT_TRUE(EncodeQosRecord(got, {250, 1280 * 1024}));
  EXPECT_EQ(got, want);
  std::optional<QosLimits> limits = DecodeQosRecord(want);
  ASSERT_TRUE(limits);
  EXPECT_EQ(limits->io_rate, 250u);
  EXPECT_EQ(limits->byte_rate, 1280u * 1024);
  EXPECT_FALSE(DecodeQosRecord(std::span(want).first(31)));

  Bytes set(36, 0);
  golden::Put32(set, 12, 4096);
  golden::Put32(set, 32, 2);
  Bytes encoded(36, 0xEE);
  ASSERT_TRUE(EncodeQosSet(encoded, {{0, 4096}, kQosSetByteRate}));
  EXPECT_EQ(encoded, set);
  std::optional<QosSet> decoded = DecodeQosSet(set);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->mask, kQosSetByteRate);
  EXPECT_EQ(decoded->limits.byte_rate, 4096u);
  EXPECT_FALSE(DecodeQosSet(std::span(set).first(35)));
  EXPECT_FALSE(EncodeQosSet(std::span(encoded).first(35), {}));
}

}  // namespace
}  // namespace oxim::records
