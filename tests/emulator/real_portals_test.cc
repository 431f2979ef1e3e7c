// Logins to mapped portals, without a network: which portals are mapped,
// how a login request becomes a real login (ISID, CHAP roles, digests), what
// libiscsi cannot carry, and the negotiated record built from a real result.
#include "real_portals.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "storage_network.h"

namespace oxim::emulator {
namespace {

using records::LoginOptions;
using records::LoginRequest;

constexpr std::array<uint8_t, 6> kIsid = {0x00, 0x02, 0x3d, 0x01, 0x00, 0x07};

RealPortal Mapped() {
  RealPortal portal;
  portal.address = "192.0.2.20";
  portal.port = 3260;
  portal.endpoint_host = "127.0.0.1";
  portal.endpoint_port = 3261;
  portal.connect_timeout = std::chrono::milliseconds(700);
  return portal;
}

std::vector<uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

LoginRequest Request(const LoginOptions& options) {
  LoginRequest request;
  request.target_name = "iqn.2026-01.net.oxim-test:open";
  request.portal = records::PortalFromText("192.0.2.20", 3260);
  request.initiator_name = "iqn.qz";
  EXPECT_TRUE(records::EncodeLoginOptions(request.options, options));
  return request;
}

LoginOptions OneWay() {
  LoginOptions options = records::DefaultLoginOptions();
  options.authentication_method = 1;
  options.target_chap_name = "oxim-initiator";
  options.target_secret = Bytes("init-secret-42");
  return options;
}

TEST(RealPortals, OnlyTheMappedAddressAndPortAreReal) {
  const std::vector<RealPortal> portals = {Mapped()};
  EXPECT_EQ(FindRealPortal(portals, records::PortalFromText("192.0.2.20", 3260)), &portals[0]);
  EXPECT_EQ(FindRealPortal(portals, records::PortalFromText("192.0.2.20", 3261)), nullptr);
  EXPECT_EQ(FindRealPortal(portals, records::PortalFromText("192.0.2.21", 3260)), nullptr);
  EXPECT_EQ(FindRealPortal({}, records::PortalFromText("192.0.2.20", 3260)), nullptr);
}

TEST(RealPortals, PlanGoesToTheEndpointWithTheSessionsIsid) {
  RealLoginPlan plan = PlanRealLogin(Mapped(), Request(records::DefaultLoginOptions()), kIsid);
  ASSERT_EQ(plan.status, 0);
  EXPECT_EQ(plan.request.host, "127.0.0.1");
  EXPECT_EQ(plan.request.port, 3261);
  EXPECT_EQ(plan.request.target_name, "iqn.2026-01.net.oxim-test:open");
  EXPECT_EQ(plan.request.initiator_name, "iqn.qz");
  EXPECT_EQ(plan.request.isid, kIsid);
  EXPECT_EQ(plan.request.connect_timeout, std::chrono::milliseconds(700));
  EXPECT_TRUE(plan.request.chap_user.empty());
  EXPECT_FALSE(plan.request.header_digest_crc32c);
}

TEST(RealPortals, TargetChapIsWhatTheInitiatorPresentsAndInitiatorChapWhatItChecks) {
  RealLoginPlan plan = PlanRealLogin(Mapped(), Request(OneWay()), kIsid);
  ASSERT_EQ(plan.status, 0);
  EXPECT_EQ(plan.request.chap_user, "oxim-initiator");
  EXPECT_EQ(plan.request.chap_secret, "init-secret-42");
  EXPECT_TRUE(plan.request.mutual_user.empty());

  LoginOptions mutual = OneWay();
  mutual.mutual_chap = 1;
  mutual.initiator_chap_name = "oxim-target";
  mutual.initiator_secret = {0x01, 0x02, 0xfe, 0x7f};  // raw bytes, as a hexadecimal secret gives
  plan = PlanRealLogin(Mapped(), Request(mutual), kIsid);
  ASSERT_EQ(plan.status, 0);
  EXPECT_EQ(plan.request.mutual_user, "oxim-target");
  EXPECT_EQ(plan.request.mutual_secret, std::string("\x01\x02\xfe\x7f"));

  // Without the CHAP method, names in the record are not offered.
  LoginOptions off = OneWay();
  off.authentication_method = 0;
  EXPECT_TRUE(PlanRealLogin(Mapped(), Request(off), kIsid).request.chap_user.empty());
}

TEST(RealPortals, HeaderDigestIsRequiredAndDataDigestRefused) {
  LoginOptions options = records::DefaultLoginOptions();
  options.header_digest = 1;
  RealLoginPlan plan = PlanRealLogin(Mapped(), Request(options), kIsid);
  ASSERT_EQ(plan.status, 0);
  EXPECT_TRUE(plan.request.header_digest_crc32c);
  EXPECT_TRUE(plan.request.header_digest_required);

  options.data_digest = 1;
  plan = PlanRealLogin(Mapped(), Request(options), kIsid);
  EXPECT_EQ(plan.status, kRealLoginFailed);
  EXPECT_EQ(plan.additional_status, kLoginDigestMismatch);
}

TEST(RealPortals, WhatLibiscsiCannotCarryIsRefusedBeforeConnecting) {
  LoginOptions options = OneWay();
  options.target_secret = {'a', 0x00, 'b'};
  RealLoginPlan plan = PlanRealLogin(Mapped(), Request(options), kIsid);
  EXPECT_EQ(plan.status, kRealLoginOtherFailure);
  EXPECT_EQ(plan.additional_status, 0);

  options = OneWay();
  options.target_chap_name.clear();
  plan = PlanRealLogin(Mapped(), Request(options), kIsid);
  EXPECT_EQ(plan.status, kRealLoginFailed);
  EXPECT_EQ(plan.additional_status, kRealAuthenticationFailed);

  LoginRequest broken = Request(records::DefaultLoginOptions());
  broken.options[records::kTargetSecretLengthOffset] = 200;  // beyond its 16 bytes
  plan = PlanRealLogin(Mapped(), broken, kIsid);
  EXPECT_EQ(plan.status, kRealLoginFailed);
  EXPECT_EQ(plan.additional_status, kLoginInitiatorError);
}

TEST(RealPortals, NegotiatedRecordTakesTheTargetsAnswers) {
  LoginOptions offered = OneWay();
  offered.header_digest = 1;
  offered.first_burst_length = 8192;
  offered.flags = records::kFlagImmediateData;
  RealLoginResult result;
  result.header_digest_crc32c = true;
  result.max_recv_data_segment_length = 32768;
  result.first_burst_length = 65536;
  result.max_burst_length = 131072;
  result.initial_r2t = true;
  result.immediate_data = false;
  result.chap_authenticated = true;
  std::optional<LoginOptions> n = records::DecodeLoginOptions(NegotiatedRecord(offered, result));
  ASSERT_TRUE(n);
  EXPECT_EQ(n->flags, records::kFlagInitialR2T | records::kFlagDataPduInOrder |
                          records::kFlagDataSequenceInOrder);
  EXPECT_EQ(n->header_digest, 1);
  EXPECT_EQ(n->data_digest, 0);
  EXPECT_EQ(n->max_recv_data_segment_length, 32768u);
  EXPECT_EQ(n->first_burst_length, 65536u);
  EXPECT_EQ(n->max_burst_length, 131072u);
  EXPECT_EQ(n->max_connections, 1);
  EXPECT_EQ(n->max_outstanding_r2t, 1);
  EXPECT_EQ(n->error_recovery_level, 0);
  EXPECT_EQ(n->authentication_method, 1u);
  EXPECT_EQ(n->target_chap_name, "oxim-initiator");
  EXPECT_TRUE(n->target_secret.empty());

  result.chap_authenticated = false;
  n = records::DecodeLoginOptions(NegotiatedRecord(records::DefaultLoginOptions(), result));
  ASSERT_TRUE(n);
  EXPECT_EQ(n->authentication_method, 0u);
}

}  // namespace
}  // namespace oxim::emulator
