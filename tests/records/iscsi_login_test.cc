// The login request and response, the persistent-target deletion and the
// boot session marking, against bytes written by hand from their offset
// tables.
#include "records/iscsi_login.h"

#include <gtest/gtest.h>

#include <string>

#include "records/iscsi_fixtures.h"
#include "records/iscsi_sessions.h"

namespace oxim::records {
namespace {

using fixtures::ExpectPortal;
using fixtures::kInitiator;
using fixtures::kTarget;
using fixtures::Options;
using fixtures::Portal;
using fixtures::PutPortal;
using golden::Bytes;

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

TEST(IscsiLoginRequest, GoldenBytes) {
  Bytes want(kLoginRequestSize, 0);
  golden::PutText(want, 0, kTarget);
  PutPortal(want, 224);
  golden::Put32(want, 508, 0x141);
  golden::Put32(want, 520, 45);
  golden::Put16(want, 524, 0x1234);
  auto options = Options();
  std::copy(options.begin(), options.end(), want.begin() + 528);
  golden::PutText(want, 1128, kInitiator);
  golden::PutText(want, 1352, "host7");
  golden::PutBytes(want, 1398, {0xFF, 0xFF, 0xFF, 0xFF});

  Bytes got(kLoginRequestSize, 0xEE);
  ASSERT_TRUE(EncodeLoginRequest(got, SampleLogin()));
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
  EXPECT_FALSE(EncodeLoginRequest(std::span(got).first(kLoginRequestSize - 1), SampleLogin()));
}

TEST(IscsiLoginRequest, NamesAreCutToTheirFieldKeepingANul) {
  LoginRequest request = SampleLogin();
  request.target_name = std::string(300, 'a');
  request.initiator_alias = std::string(40, 'b');
  Bytes got(kLoginRequestSize, 0);
  ASSERT_TRUE(EncodeLoginRequest(got, request));
  EXPECT_EQ(got[222], 'a');
  EXPECT_EQ(got[223], 0);
  EXPECT_EQ(got[1352 + 30], 'b');
  EXPECT_EQ(got[1352 + 31], 0);
  std::optional<LoginRequest> decoded = DecodeLoginRequest(got);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->target_name, std::string(223, 'a'));
  EXPECT_EQ(decoded->initiator_alias, std::string(31, 'b'));
}

TEST(IscsiLoginRequest, UnterminatedNameStopsAtItsFieldsEnd) {
  Bytes record(kLoginRequestSize, 0);
  std::fill(record.begin(), record.begin() + 224, 'x');  // runs into the portal
  golden::Put16(record, 224, 24);
  std::optional<LoginRequest> decoded = DecodeLoginRequest(record);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->target_name, std::string(224, 'x'));
}

TEST(IscsiLoginResponse, GoldenBytesOverTheRequest) {
  LoginResponse response;
  response.session_handle = 0x11223344;
  response.state = kSessionOpen;
  response.connection_handle = 0x55;
  response.negotiated = Options();

  Bytes want(kLoginRequestSize, 0xEE);  // written over the request buffer
  std::fill(want.begin(), want.begin() + 616, 0);
  golden::Put32(want, 0, 0x11223344);
  golden::Put32(want, 4, 1);
  golden::Put32(want, 8, 0x55);
  auto options = Options();
  std::copy(options.begin(), options.begin() + 20, want.begin() + 16);
  std::copy(options.begin() + 20, options.end(), want.begin() + 36);

  Bytes got(kLoginRequestSize, 0xEE);
  ASSERT_TRUE(EncodeLoginResponse(got, response));
  EXPECT_EQ(got, want);
  std::optional<LoginResponse> decoded = DecodeLoginResponse(want);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->session_handle, 0x11223344u);
  EXPECT_EQ(decoded->state, kSessionOpen);
  EXPECT_EQ(decoded->connection_handle, 0x55u);
  EXPECT_EQ(decoded->negotiated, options);
  EXPECT_FALSE(DecodeLoginResponse(std::span(want).first(615)));
  EXPECT_FALSE(EncodeLoginResponse(std::span(got).first(615), response));
}

TEST(IscsiDeletePersistent, GoldenBytes) {
  DeletePersistentRequest request;
  request.target_name = kTarget;
  request.portal = Portal(0x1234 | kIsidWordFlag);
  request.initiator_name = kInitiator;

  Bytes want(kDeletePersistentSize, 0);
  golden::PutText(want, 0, kTarget);
  PutPortal(want, 224, 0x80001234);
  golden::PutText(want, 256, kInitiator);

  Bytes got(kDeletePersistentSize, 0xEE);
  ASSERT_TRUE(EncodeDeletePersistent(got, request));
  EXPECT_EQ(got, want);
  std::optional<DeletePersistentRequest> decoded = DecodeDeletePersistent(want);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->target_name, kTarget);
  ExpectPortal(decoded->portal, request.portal);
  EXPECT_EQ(decoded->initiator_name, kInitiator);
  EXPECT_FALSE(DecodeDeletePersistent(std::span(want).first(479)));
  EXPECT_FALSE(EncodeDeletePersistent(std::span(got).first(479), request));
}

TEST(IscsiBootMark, HandleThenFlags) {
  Bytes want(kBootMarkSize, 0);
  golden::Put32(want, 0, 7);
  golden::Put32(want, 4, 0x101);
  Bytes got(kBootMarkSize, 0xEE);
  ASSERT_TRUE(
      EncodeBootMark(got, {.session_handle = 7, .flags = kSessionNotPersistent | kSessionBoot}));
  EXPECT_EQ(got, want);
  std::optional<BootMark> decoded = DecodeBootMark(want);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->session_handle, 7u);
  EXPECT_EQ(decoded->flags, 0x101u);
  EXPECT_FALSE(DecodeBootMark(std::span(want).first(527)));
  EXPECT_FALSE(EncodeBootMark(std::span(got).first(527), {}));
}

}  // namespace
}  // namespace oxim::records
