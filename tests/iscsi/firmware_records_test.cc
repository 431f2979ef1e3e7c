// The firmware's iSCSI records byte for byte: every expected array is written
// by hand from the offset tables, so that a wrong offset shared by the
// encoder and the decoder still shows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "records/iscsi_records.h"

namespace oxim::records {
namespace {

using Bytes = std::vector<uint8_t>;

void Put16(Bytes& bytes, size_t offset, uint16_t value) {
  bytes[offset] = static_cast<uint8_t>(value);
  bytes[offset + 1] = static_cast<uint8_t>(value >> 8);
}
void Put32(Bytes& bytes, size_t offset, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}
void PutText(Bytes& bytes, size_t offset, const std::string& text) {
  std::copy(text.begin(), text.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset));
}

constexpr char kTarget[] = "iqn.2026-01.net.oxim-lab:disk1";
constexpr char kInitiator[] = "iqn.1998-01.com.example:host7";

// 192.0.2.10:3260 with tag 0x00010002, as the 32 bytes at `offset`.
void PutPortal(Bytes& bytes, size_t offset, uint32_t tag = 0x00010002) {
  Put16(bytes, offset + 0, 24);
  bytes[offset + 3] = 1;
  bytes[offset + 4] = 192;
  bytes[offset + 5] = 0;
  bytes[offset + 6] = 2;
  bytes[offset + 7] = 10;
  Put16(bytes, offset + 24, 3260);
  Put32(bytes, offset + 28, tag);
}

PortalEntry Portal(uint32_t tag = 0x00010002) {
  PortalEntry portal = PortalFromText("192.0.2.10", 3260);
  portal.tag = tag;
  return portal;
}

void ExpectPortal(const PortalEntry& got, const PortalEntry& want) {
  EXPECT_EQ(got.marker, want.marker);
  EXPECT_EQ(got.address_type, want.address_type);
  EXPECT_EQ(got.address, want.address);
  EXPECT_EQ(got.port, want.port);
  EXPECT_EQ(got.tag, want.tag);
}

// A recognisable 600-byte login-options record.
std::array<uint8_t, kLoginOptionsSize> Options() {
  std::array<uint8_t, kLoginOptionsSize> options{};
  for (size_t i = 0; i < options.size(); ++i) options[i] = static_cast<uint8_t>(i * 7 + 3);
  return options;
}

TEST(FirmwareAddresses, TextsByType) {
  std::array<uint8_t, 16> v4{192, 0, 2, 77};
  EXPECT_EQ(FormatAddress(kAddressIpv4, v4), "192.0.2.77");
  EXPECT_EQ(FormatAddress(0x06, v4), "192.0.2.77");  // any of the three low bits
  EXPECT_EQ(FormatAddress(kAddressNone, v4), "0.0.0.0");
  EXPECT_EQ(FormatAddress(0x40, v4), "0.0.0.0");
  std::array<uint8_t, 16> v6{0xfe, 0x80};
  v6[15] = 1;
  EXPECT_EQ(FormatAddress(kAddressIpv6, v6), "fe80::1");
}

TEST(FirmwareAddresses, PortalFromTextPicksTheTypeByLength) {
  PortalEntry v4 = PortalFromText("10.1.2.3", 3261);
  EXPECT_EQ(v4.address_type, kAddressIpv4);
  EXPECT_EQ(v4.address, (std::array<uint8_t, 16>{10, 1, 2, 3}));
  EXPECT_EQ(v4.port, 3261);
  EXPECT_EQ(v4.marker, kPortalEntryMarker);
  EXPECT_EQ(PortalAddressText(v4), "10.1.2.3");

  PortalEntry junk = PortalFromText("host.example", 3260);
  EXPECT_EQ(junk.address_type, kAddressIpv4);
  EXPECT_EQ(junk.address, (std::array<uint8_t, 16>{}));

  PortalEntry v6 = PortalFromText("FE80:0000:0000:0000:0000:0000:0000:0001", 3260);
  EXPECT_EQ(v6.address_type, kAddressIpv6);
  EXPECT_EQ(v6.address[0], 0xfe);
  EXPECT_EQ(v6.address[15], 1);
  EXPECT_EQ(PortalAddressText(v6), "fe80::1");
}

TEST(FirmwarePortalEntry, GoldenBytes) {
  Bytes want(kPortalEntrySize, 0);
  PutPortal(want, 0);
  Bytes got(kPortalEntrySize, 0xEE);
  EncodePortalEntry(got, Portal());
  EXPECT_EQ(got, want);
  ExpectPortal(DecodePortalEntry(want), Portal());
  // Too short to hold an entry: an empty entry, nothing read.
  PortalEntry empty = DecodePortalEntry(std::span(want).first(31));
  EXPECT_EQ(empty.address_type, kAddressNone);
  EXPECT_EQ(empty.port, 0);
}

LoginRequest SampleLogin() {
  LoginRequest request;
  request.target_name = kTarget;
  request.portal = Portal();
  request.flags = kLoginFlagsLogin | kLoginFlagBootTarget;
  request.eto = 45;
  request.isid_qualifier = 0x1234;
  request.options = Options();
  request.initiator_name = kInitiator;
  request.initiator_alias = "host7";
  return request;
}

TEST(FirmwareLoginRequest, GoldenBytes) {
  Bytes want(kLoginRequestSize, 0);
  PutText(want, 0, kTarget);
  PutPortal(want, 224);
  Put32(want, 508, 0x141);
  Put32(want, 520, 45);
  Put16(want, 524, 0x1234);
  auto options = Options();
  std::copy(options.begin(), options.end(), want.begin() + 528);
  PutText(want, 1128, kInitiator);
  PutText(want, 1352, "host7");
  want[1398] = want[1399] = want[1400] = want[1401] = 0xFF;

  Bytes got(kLoginRequestSize, 0xEE);
  EncodeLoginRequest(got, SampleLogin());
  EXPECT_EQ(got, want);

  std::optional<LoginRequest> decoded = DecodeLoginRequest(want);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->target_name, kTarget);
  ExpectPortal(decoded->portal, Portal());
  EXPECT_EQ(decoded->flags, 0x141u);
  EXPECT_EQ(decoded->eto, 45u);
  EXPECT_EQ(decoded->isid_qualifier, 0x1234);
  EXPECT_EQ(decoded->options, options);
  EXPECT_EQ(decoded->initiator_name, kInitiator);
  EXPECT_EQ(decoded->initiator_alias, "host7");
  EXPECT_FALSE(DecodeLoginRequest(std::span(want).first(kLoginRequestSize - 1)));
}

TEST(FirmwareLoginRequest, NamesAreCutToTheirFieldKeepingANul) {
  LoginRequest request = SampleLogin();
  request.target_name = std::string(300, 'a');
  request.initiator_alias = std::string(40, 'b');
  Bytes got(kLoginRequestSize, 0);
  EncodeLoginRequest(got, request);
  EXPECT_EQ(got[222], 'a');
  EXPECT_EQ(got[223], 0);
  EXPECT_EQ(got[1352 + 30], 'b');
  EXPECT_EQ(got[1352 + 31], 0);
  std::optional<LoginRequest> decoded = DecodeLoginRequest(got);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->target_name, std::string(223, 'a'));
  EXPECT_EQ(decoded->initiator_alias, std::string(31, 'b'));
}

TEST(FirmwareNames, UnterminatedFieldStopsAtItsEnd) {
  Bytes record(kLoginRequestSize, 0);
  std::fill(record.begin(), record.begin() + 224, 'x');  // runs into the portal
  Put16(record, 224, 24);
  std::optional<LoginRequest> decoded = DecodeLoginRequest(record);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->target_name, std::string(224, 'x'));
}

TEST(FirmwareLoginResponse, GoldenBytes) {
  LoginResponse response;
  response.session_handle = 0x11223344;
  response.state = kSessionOpen;
  response.connection_handle = 0x55;
  response.negotiated = Options();

  Bytes want(kLoginRequestSize, 0xEE);  // written over the request buffer
  std::fill(want.begin(), want.begin() + 616, 0);
  Put32(want, 0, 0x11223344);
  Put32(want, 4, 1);
  Put32(want, 8, 0x55);
  auto options = Options();
  std::copy(options.begin(), options.begin() + 20, want.begin() + 16);
  std::copy(options.begin() + 20, options.end(), want.begin() + 36);

  Bytes got(kLoginRequestSize, 0xEE);
  EncodeLoginResponse(got, response);
  EXPECT_EQ(got, want);
  std::optional<LoginResponse> decoded = DecodeLoginResponse(want);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->session_handle, 0x11223344u);
  EXPECT_EQ(decoded->state, kSessionOpen);
  EXPECT_EQ(decoded->connection_handle, 0x55u);
  EXPECT_EQ(decoded->negotiated, options);
  EXPECT_FALSE(DecodeLoginResponse(std::span(want).first(615)));
}

TEST(FirmwareDeletePersistent, GoldenBytes) {
  DeletePersistentRequest request;
  request.target_name = kTarget;
  request.portal = Portal(0x1234 | kIsidWordFlag);
  request.initiator_name = kInitiator;

  Bytes want(kDeletePersistentSize, 0);
  PutText(want, 0, kTarget);
  PutPortal(want, 224, 0x80001234);
  PutText(want, 256, kInitiator);

  Bytes got(kDeletePersistentSize, 0xEE);
  EncodeDeletePersistent(got, request);
  EXPECT_EQ(got, want);
  std::optional<DeletePersistentRequest> decoded = DecodeDeletePersistent(want);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->target_name, kTarget);
  ExpectPortal(decoded->portal, request.portal);
  EXPECT_EQ(decoded->initiator_name, kInitiator);
  EXPECT_FALSE(DecodeDeletePersistent(std::span(want).first(479)));
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

TEST(FirmwareSessionRecord, GoldenBytesWithOneConnection) {
  Bytes want(kSessionRecordSize, 0);
  Put32(want, 0, 7);
  Put32(want, 4, 1);
  Bytes isid{0x00, 0x02, 0x3d, 0x01, 0x12, 0x34};
  std::copy(isid.begin(), isid.end(), want.begin() + 8);
  Put16(want, 14, 0x0101);
  Put32(want, 16, 0x101);
  Put16(want, 20, 1);
  PutText(want, 24, kTarget);
  PutText(want, 248, kInitiator);
  auto options = Options();
  std::copy(options.begin(), options.begin() + 20, want.begin() + 472);
  const size_t c = 492;
  Put32(want, c + 0, 0x99);
  Put32(want, c + 4, 1);
  Put16(want, c + 8, 49153);
  Put16(want, c + 10, 3260);
  Put16(want, c + 12, 3262);
  Put16(want, c + 14, 1);
  want[c + 23] = 1;
  want[c + 24] = 192, want[c + 25] = 0, want[c + 26] = 2, want[c + 27] = 100;
  want[c + 47] = 1;
  want[c + 48] = 192, want[c + 49] = 0, want[c + 50] = 2, want[c + 51] = 10;
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
  EXPECT_EQ(got_c.source_address, want_c.source_address);
  EXPECT_EQ(got_c.destination_type, want_c.destination_type);
  EXPECT_EQ(got_c.destination_address, want_c.destination_address);
  EXPECT_EQ(got_c.redirected_type, want_c.redirected_type);
  EXPECT_EQ(got_c.redirected_address, want_c.redirected_address);
  EXPECT_EQ(got_c.connection_part, want_c.connection_part);
}

TEST(FirmwareSessionRecord, ShortRecordsGivePartialOrNothing) {
  Bytes record(kSessionRecordSize, 0);
  ASSERT_TRUE(EncodeSessionRecord(record, SampleSession()));
  Put16(record, 20, 3);  // names more connections than the record holds
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

FirmwareTarget SampleTarget() {
  FirmwareTarget target;
  target.id = 0x0A0B;
  target.name = kTarget;
  target.alias = "disk one";
  target.groups.push_back({1, {Portal(0)}});
  PortalEntry second = PortalFromText("192.0.2.11", 3261);
  target.groups.push_back({2, {second}});
  return target;
}

TEST(FirmwareTargetRecord, GoldenBytesWithTwoPortalGroups) {
  Bytes want(264 + 2 * 552, 0);
  Put32(want, 0, 0x0A0B);
  PutText(want, 4, kTarget);
  PutText(want, 228, "disk one");
  Put32(want, 260, 2);
  Put16(want, 264, 1);
  Put16(want, 266, 1);
  PutPortal(want, 268, 0);
  Put16(want, 816, 2);
  Put16(want, 818, 1);
  Put16(want, 820, 24);
  want[823] = 1;
  want[824] = 192, want[825] = 0, want[826] = 2, want[827] = 11;
  Put16(want, 844, 3261);

  FirmwareTarget target = SampleTarget();
  ASSERT_EQ(TargetRecordSize(target), want.size());
  Bytes got(want.size(), 0xEE);
  ASSERT_TRUE(EncodeTargetRecord(got, target));
  EXPECT_EQ(got, want);

  std::optional<FirmwareTarget> decoded = DecodeTargetRecord(want);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->id, 0x0A0Bu);
  EXPECT_EQ(decoded->name, kTarget);
  EXPECT_EQ(decoded->alias, "disk one");
  ASSERT_EQ(decoded->groups.size(), 2u);
  EXPECT_EQ(decoded->groups[0].tag, 1);
  ASSERT_EQ(decoded->groups[0].portals.size(), 1u);
  ExpectPortal(decoded->groups[0].portals[0], Portal(0));
  EXPECT_EQ(decoded->groups[1].tag, 2);
  ASSERT_EQ(decoded->groups[1].portals.size(), 1u);
  EXPECT_EQ(PortalAddressText(decoded->groups[1].portals[0]), "192.0.2.11");
}

TEST(FirmwareTargetRecord, SizesAndShortRecords) {
  // The size query's request: a record with one group's room.
  EXPECT_EQ(TargetRecordSize(FirmwareTarget{}), kTargetSizeRequestSize);
  FirmwareTarget two_portals;
  two_portals.groups.push_back({1, {Portal(), Portal()}});
  EXPECT_EQ(TargetRecordSize(two_portals), 268u + 548 + 32);

  FirmwareTarget target = SampleTarget();
  Bytes record(TargetRecordSize(target), 0);
  EXPECT_FALSE(EncodeTargetRecord(std::span(record).first(record.size() - 1), target));
  ASSERT_TRUE(EncodeTargetRecord(record, target));
  // The second group's header is inside, its portal is not.
  std::optional<FirmwareTarget> partial = DecodeTargetRecord(std::span(record).first(830));
  ASSERT_TRUE(partial);
  ASSERT_EQ(partial->groups.size(), 2u);
  EXPECT_EQ(partial->groups[1].tag, 2);
  EXPECT_TRUE(partial->groups[1].portals.empty());
  partial = DecodeTargetRecord(std::span(record).first(264));
  ASSERT_TRUE(partial);
  EXPECT_TRUE(partial->groups.empty());
  EXPECT_FALSE(DecodeTargetRecord(std::span(record).first(263)));
}

TEST(FirmwareTargetIdList, GoldenBytes) {
  Bytes request(12, 0xEE);
  EncodeTargetIdRequest(request, 1, kTargetIdListFlags);
  EXPECT_EQ(request, (Bytes{1, 0, 0, 0, 0x0E, 0, 0, 0, 0xEE, 0xEE, 0xEE, 0xEE}));

  Bytes want(4 + 3 * 8, 0);
  Put32(want, 0, 3);
  Put32(want, 4, 5);
  Put32(want, 12, 0x100);
  Put32(want, 20, 0xFFFFFFFE);
  Bytes got(want.size(), 0xEE);
  ASSERT_TRUE(EncodeTargetIdList(got, {5, 0x100, 0xFFFFFFFE}));
  EXPECT_EQ(got, want);
  EXPECT_EQ(DecodeTargetIdList(want), (std::vector<uint32_t>{5, 0x100, 0xFFFFFFFE}));

  EXPECT_FALSE(EncodeTargetIdList(std::span(got).first(27), {5, 0x100, 0xFFFFFFFE}));
  EXPECT_FALSE(DecodeTargetIdList(std::span(want).first(27)));
  EXPECT_FALSE(DecodeTargetIdList(std::span(want).first(3)));
  Put32(want, 0, 0xFFFFFFFF);
  EXPECT_FALSE(DecodeTargetIdList(want));
}

TEST(FirmwareActiveSessions, GoldenBytes) {
  EXPECT_EQ(ActiveSessionListSize(0), 8u);
  Bytes want(8 + 2 * 4, 0);
  Put32(want, 0, 2);
  Put32(want, 8, 3);
  Put32(want, 12, 0x01020304);
  Bytes got(want.size(), 0xEE);
  ASSERT_TRUE(EncodeActiveSessionList(got, {3, 0x01020304}));
  EXPECT_EQ(got, want);
  EXPECT_EQ(DecodeActiveSessionList(want), (std::vector<uint32_t>{3, 0x01020304}));
  EXPECT_FALSE(EncodeActiveSessionList(std::span(got).first(15), {3, 0x01020304}));
  EXPECT_FALSE(DecodeActiveSessionList(std::span(want).first(15)));
  EXPECT_FALSE(DecodeActiveSessionList(std::span(want).first(7)));
}

TEST(FirmwareSessionConfig, SetRequestCarriesTheReadFieldsOver) {
  Bytes config(kSessionConfigSize, 0);
  Put32(config, 0, 9);
  Put32(config, 4, 90);
  config[8] = 0x5A;
  config[9] = 0x77;  // not carried over
  Put32(config, 12, 0xCAFEF00D);
  for (size_t i = 0; i < 32; ++i) config[240 + i] = static_cast<uint8_t>(i + 1);
  Put32(config, 272, 0x0BADBEEF);

  Bytes want(kSetSessionConfigSize, 0);
  Put32(want, 0, 9);
  Put32(want, 4, 1);
  Put32(want, 8, 30);
  want[12] = 0x5A;
  Put32(want, 16, 0xCAFEF00D);
  for (size_t i = 0; i < 32; ++i) want[244 + i] = static_cast<uint8_t>(i + 1);
  Put32(want, 276, 0x0BADBEEF);

  Bytes got(kSetSessionConfigSize, 0xEE);
  EncodeSetSessionConfig(got, config, 30);
  EXPECT_EQ(got, want);
}

TEST(FirmwareSessionAttributes, GoldenRequestAndRecords) {
  Bytes request(8 + 2 * 4, 0);
  Put32(request, 0, 0xA1B2C3D4);
  Put32(request, 4, 2);
  Put32(request, 8, 4);
  Put32(request, 12, 6);
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
  record.digest_errors = 0;
  record.connection_timeouts = 5;
  record.target_alias = "disk one";
  Bytes want(8 + 64, 0);
  Put32(want, 0, 0xA1B2C3D4);
  Put32(want, 4, 1);
  Put32(want, 8, 4);
  Put32(want, 12, 1);
  Put32(want, 16, 100);
  Put32(want, 20, 99);
  Put32(want, 24, 2);
  Put32(want, 28, 3);
  Put32(want, 32, 0);
  Put32(want, 36, 5);
  PutText(want, 40, "disk one");
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
  EXPECT_EQ(r.connection_timeouts, 5u);
  EXPECT_EQ(r.target_alias, "disk one");

  EXPECT_FALSE(DecodeSessionAttributes(std::span(want).first(71)));
  Put32(want, 0, 0xA1B2C3D5);
  EXPECT_FALSE(DecodeSessionAttributes(want));
}

}  // namespace
}  // namespace oxim::records
