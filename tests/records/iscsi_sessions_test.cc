// The session handle request, the session record, the active-session list,
// the session configuration read and set, and the session attributes,
// against bytes written by hand from their offset tables.
#include "records/iscsi_sessions.h"

#include <gtest/gtest.h>

#include <vector>

#include "records/iscsi_fixtures.h"

namespace oxim::records {
namespace {

using fixtures::kInitiator;
using fixtures::kTarget;
using fixtures::Options;
using golden::Bytes;

TEST(IscsiSessionHandleRequest, TheHandleAtZero) {
  Bytes request(4, 0);
  ASSERT_TRUE(EncodeSessionHandleRequest(request, 0x01020304));
  EXPECT_EQ(request, (Bytes{4, 3, 2, 1}));
  EXPECT_EQ(DecodeSessionHandleRequest(request), 0x01020304u);
  EXPECT_FALSE(DecodeSessionHandleRequest(std::span(request).first(3)));
  EXPECT_FALSE(EncodeSessionHandleRequest(std::span(request).first(3), 1));
}

FirmwareSession SampleSession() {
  FirmwareSession session;
  session.handle = 7;
  session.state = kSessionOpen;
  session.isid = {0x00, 0x02, 0x3d, 0x01, 0x12, 0x34};
  session.tsih = 0x0101;
  session.flags = kSessionNotPersistent | kSessionBoot;
  session.target_name = kTarget;
  session.initiator_name = kInitiator;
  auto options = Options();
  std::copy(options.begin(), options.begin() + 20, session.session_part.begin());
  FirmwareConnection c;
  c.handle = 0x99;
  c.bits = kConnectionLoggedIn;
  c.source_port = 49153;
  c.destination_port = 3260;
  c.redirected_port = 3262;
  c.connection_id = 1;
  c.source_type = kAddressIpv4;
  c.source_address = {192, 0, 2, 100};
  c.destination_type = kAddressIpv4;
  c.destination_address = {192, 0, 2, 10};
  c.redirected_type = kAddressIpv6;
  c.redirected_address[0] = 0x20;
  c.redirected_address[15] = 0x42;
  std::copy(options.begin() + 20, options.end(), c.connection_part.begin());
  session.connections.push_back(c);
  return session;
}

TEST(IscsiSessionRecord, GoldenBytesWithOneConnection) {
  Bytes want(kSessionRecordSize, 0);
  golden::Put32(want, 0, 7);
  golden::Put32(want, 4, 1);
  golden::PutBytes(want, 8, {0x00, 0x02, 0x3d, 0x01, 0x12, 0x34});
  golden::Put16(want, 14, 0x0101);
  golden::Put32(want, 16, 0x101);
  golden::Put16(want, 20, 1);
  golden::PutText(want, 24, kTarget);
  golden::PutText(want, 248, kInitiator);
  auto options = Options();
  std::copy(options.begin(), options.begin() + 20, want.begin() + 472);
  const size_t c = 492;
  golden::Put32(want, c + 0, 0x99);
  golden::Put32(want, c + 4, 1);
  golden::Put16(want, c + 8, 49153);
  golden::Put16(want, c + 10, 3260);
  golden::Put16(want, c + 12, 3262);
  golden::Put16(want, c + 14, 1);
  want[c + 23] = 1;
  golden::PutBytes(want, c + 24, {192, 0, 2, 100});
  want[c + 47] = 1;
  golden::PutBytes(want, c + 48, {192, 0, 2, 10});
  want[c + 71] = 16;
  want[c + 72] = 0x20;
  want[c + 87] = 0x42;
  std::copy(options.begin() + 20, options.end(), want.begin() + c + 92);

  FirmwareSession session = SampleSession();
  EXPECT_EQ(SessionRecordSize(session), kSessionRecordSize);
  Bytes got(kSessionRecordSize, 0xEE);
  ASSERT_TRUE(EncodeSessionRecord(got, session));
  EXPECT_EQ(got, want);

  std::optional<FirmwareSession> decoded = DecodeSessionRecord(want);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->handle, 7u);
  EXPECT_EQ(decoded->state, kSessionOpen);
  EXPECT_EQ(decoded->isid, session.isid);
  EXPECT_EQ(IsidQualifier(decoded->isid), 0x1234);
  EXPECT_EQ(decoded->tsih, 0x0101);
  EXPECT_EQ(decoded->flags, 0x101u);
  EXPECT_EQ(decoded->target_name, kTarget);
  EXPECT_EQ(decoded->initiator_name, kInitiator);
  EXPECT_EQ(decoded->session_part, session.session_part);
  ASSERT_EQ(decoded->connections.size(), 1u);
  const FirmwareConnection& got_c = decoded->connections[0];
  const FirmwareConnection& want_c = session.connections[0];
  EXPECT_EQ(got_c.handle, want_c.handle);
  EXPECT_EQ(got_c.bits, want_c.bits);
  EXPECT_EQ(got_c.source_port, want_c.source_port);
  EXPECT_EQ(got_c.destination_port, want_c.destination_port);
  EXPECT_EQ(got_c.redirected_port, want_c.redirected_port);
  EXPECT_EQ(got_c.connection_id, want_c.connection_id);
  EXPECT_EQ(got_c.source_type, want_c.source_type);
  EXPECT_EQ(got_c.source_address, want_c.source_address);
  EXPECT_EQ(got_c.destination_type, want_c.destination_type);
  EXPECT_EQ(got_c.destination_address, want_c.destination_address);
  EXPECT_EQ(got_c.redirected_type, want_c.redirected_type);
  EXPECT_EQ(got_c.redirected_address, want_c.redirected_address);
  EXPECT_EQ(got_c.connection_part, want_c.connection_part);
}

TEST(IscsiSessionRecord, ShortRecordsGivePartialOrNothing) {
  Bytes record(kSessionRecordSize, 0);
  ASSERT_TRUE(EncodeSessionRecord(record, SampleSession()));
  golden::Put16(record, 20, 3);  // names more connections than the record holds
  std::optional<FirmwareSession> decoded = DecodeSessionRecord(record);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->connections.size(), 1u);
  decoded = DecodeSessionRecord(std::span(record).first(kSessionRecordSize - 1));
  ASSERT_TRUE(decoded);
  EXPECT_TRUE(decoded->connections.empty());
  EXPECT_EQ(decoded->target_name, kTarget);
  EXPECT_FALSE(DecodeSessionRecord(std::span(record).first(491)));
  Bytes small(kSessionRecordSize - 1, 0);
  EXPECT_FALSE(EncodeSessionRecord(small, SampleSession()));
  // No connection still needs one connection's room.
  EXPECT_EQ(SessionRecordSize(FirmwareSession{}), kSessionRecordSize);
}

TEST(IscsiActiveSessions, GoldenQueryAndList) {
  Bytes query(kActiveSessionSizeRequest, 0);
  ASSERT_TRUE(EncodeActiveSessionQuery(query, kActiveSessionSelector));
  EXPECT_EQ(query, (Bytes{0xC0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));

  EXPECT_EQ(ActiveSessionListSize(0), 8u);
  Bytes want(8 + 2 * 4, 0);
  golden::Put32(want, 0, 2);
  golden::Put32(want, 8, 3);
  golden::Put32(want, 12, 0x01020304);
  Bytes got(want.size(), 0xEE);
  ASSERT_TRUE(EncodeActiveSessionList(got, {3, 0x01020304}));
  EXPECT_EQ(got, want);
  EXPECT_EQ(DecodeActiveSessionList(want), (std::vector<uint32_t>{3, 0x01020304}));
  EXPECT_FALSE(EncodeActiveSessionList(std::span(got).first(15), {3, 0x01020304}));
  EXPECT_FALSE(DecodeActiveSessionList(std::span(want).first(15)));
  EXPECT_FALSE(DecodeActiveSessionList(std::span(want).first(7)));
}

SessionConfig SampleConfig() {
  SessionConfig config;
  config.handle = 9;
  config.eto = 90;
  config.byte_8 = 0x5A;
  config.word_12 = 0xCAFEF00D;
  for (size_t i = 0; i < 32; ++i) config.block_240[i] = static_cast<uint8_t>(i + 1);
  config.word_272 = 0x0BADBEEF;
  return config;
}

TEST(IscsiSessionConfig, GoldenRead) {
  Bytes want(kSessionConfigSize, 0);
  golden::Put32(want, 0, 9);
  golden::Put32(want, 4, 90);
  want[8] = 0x5A;
  golden::Put32(want, 12, 0xCAFEF00D);
  for (size_t i = 0; i < 32; ++i) want[240 + i] = static_cast<uint8_t>(i + 1);
  golden::Put32(want, 272, 0x0BADBEEF);
  Bytes got(kSessionConfigSize, 0xEE);
  ASSERT_TRUE(EncodeSessionConfig(got, SampleConfig()));
  EXPECT_EQ(got, want);

  want[9] = 0x77;  // not a field of ours
  std::optional<SessionConfig> decoded = DecodeSessionConfig(want);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->handle, 9u);
  EXPECT_EQ(decoded->eto, 90u);
  EXPECT_EQ(decoded->byte_8, 0x5A);
  EXPECT_EQ(decoded->word_12, 0xCAFEF00Du);
  EXPECT_EQ(decoded->block_240, SampleConfig().block_240);
  EXPECT_EQ(decoded->word_272, 0x0BADBEEFu);
  EXPECT_FALSE(DecodeSessionConfig(std::span(want).first(275)));
  EXPECT_FALSE(EncodeSessionConfig(std::span(got).first(275), SampleConfig()));
}

TEST(IscsiSessionConfig, NameValuesAt256And268) {
  Bytes want(kSessionConfigSize, 0);
  golden::Put16(want, 256, 0x0102);
  golden::Put16(want, 268, 7);
  std::optional<SessionConfig> decoded = DecodeSessionConfig(want);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(ConfigNameFirst(*decoded), 0x0102);
  EXPECT_EQ(ConfigNameSecond(*decoded), 7);
  SessionConfig config;
  SetConfigNameValues(&config, 0x0102, 7);
  Bytes got(kSessionConfigSize, 0xEE);
  ASSERT_TRUE(EncodeSessionConfig(got, config));
  EXPECT_EQ(got, want);
}

TEST(IscsiSessionConfig, SetRequestCarriesTheReadFieldsOver) {
  Bytes want(kSetSessionConfigSize, 0);
  golden::Put32(want, 0, 9);
  golden::Put32(want, 4, 1);
  golden::Put32(want, 8, 30);
  want[12] = 0x5A;
  golden::Put32(want, 16, 0xCAFEF00D);
  for (size_t i = 0; i < 32; ++i) want[244 + i] = static_cast<uint8_t>(i + 1);
  golden::Put32(want, 276, 0x0BADBEEF);

  SessionConfig config = SampleConfig();
  config.eto = 30;
  Bytes got(kSetSessionConfigSize, 0xEE);
  ASSERT_TRUE(EncodeSetSessionConfig(got, config));
  EXPECT_EQ(got, want);

  std::optional<SessionConfig> decoded = DecodeSetSessionConfig(want);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->handle, 9u);
  EXPECT_EQ(decoded->eto, 30u);
  EXPECT_EQ(decoded->byte_8, 0x5A);
  EXPECT_EQ(decoded->word_12, 0xCAFEF00Du);
  EXPECT_EQ(decoded->block_240, config.block_240);
  EXPECT_EQ(decoded->word_272, 0x0BADBEEFu);
  EXPECT_FALSE(DecodeSetSessionConfig(std::span(want).first(279)));
  EXPECT_FALSE(EncodeSetSessionConfig(std::span(got).first(279), config));
}

TEST(IscsiSessionAttributes, GoldenRequestAndRecords) {
  Bytes request(8 + 2 * 4, 0);
  golden::Put32(request, 0, 0xA1B2C3D4);
  golden::Put32(request, 4, 2);
  golden::Put32(request, 8, 4);
  golden::Put32(request, 12, 6);
  Bytes got(request.size(), 0xEE);
  ASSERT_TRUE(EncodeSessionAttributesRequest(got, {4, 6}));
  EXPECT_EQ(got, request);
  EXPECT_EQ(DecodeSessionAttributesRequest(request), (std::vector<uint32_t>{4, 6}));
  EXPECT_FALSE(EncodeSessionAttributesRequest(std::span(got).first(15), {4, 6}));
  EXPECT_FALSE(DecodeSessionAttributesRequest(std::span(request).first(15)));

  SessionAttributes record;
  record.handle = 4;
  record.direction = 1;
  record.command_pdus = 100;
  record.response_pdus = 99;
  record.tx_data_octets_high = 2;
  record.rx_data_octets_high = 3;
  record.digest_errors = 7;
  record.connection_timeouts = 5;
  record.target_alias = "disk one";
  Bytes want(8 + 64, 0);
  golden::Put32(want, 0, 0xA1B2C3D4);
  golden::Put32(want, 4, 1);
  golden::Put32(want, 8, 4);
  golden::Put32(want, 12, 1);
  golden::Put32(want, 16, 100);
  golden::Put32(want, 20, 99);
  golden::Put32(want, 24, 2);
  golden::Put32(want, 28, 3);
  golden::Put32(want, 32, 7);
  golden::Put32(want, 36, 5);
  golden::PutText(want, 40, "disk one");
  EXPECT_EQ(SessionAttributesSize(1), want.size());
  Bytes answer(want.size(), 0xEE);
  ASSERT_TRUE(EncodeSessionAttributes(answer, {record}));
  EXPECT_EQ(answer, want);

  std::optional<std::vector<SessionAttributes>> decoded = DecodeSessionAttributes(want);
  ASSERT_TRUE(decoded);
  ASSERT_EQ(decoded->size(), 1u);
  const SessionAttributes& r = (*decoded)[0];
  EXPECT_EQ(r.handle, 4u);
  EXPECT_EQ(r.direction, 1u);
  EXPECT_EQ(r.command_pdus, 100u);
  EXPECT_EQ(r.response_pdus, 99u);
  EXPECT_EQ(r.tx_data_octets_high, 2u);
  EXPECT_EQ(r.rx_data_octets_high, 3u);
  EXPECT_EQ(r.digest_errors, 7u);
  EXPECT_EQ(r.connection_timeouts, 5u);
  EXPECT_EQ(r.target_alias, "disk one");
}

TEST(IscsiSessionAttributes, WrongMagicOrShortAnswerIsRefused) {
  Bytes answer(8 + 64, 0);
  ASSERT_TRUE(EncodeSessionAttributes(answer, {SessionAttributes{}}));
  EXPECT_FALSE(DecodeSessionAttributes(std::span(answer).first(71)));
  golden::Put32(answer, 0, 0xA1B2C3D5);
  EXPECT_FALSE(DecodeSessionAttributes(answer));
  EXPECT_FALSE(DecodeSessionAttributesRequest(answer));
}

}  // namespace
}  // namespace oxim::records
