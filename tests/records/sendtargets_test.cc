// The discovery login request and the SendTargets records, against bytes
// written by hand from their offset tables; answers cut short or with
// counts that run past their end are walked only as far as they go.
#include "records/sendtargets.h"

#include <gtest/gtest.h>

#include <string>

#include "records/fw_config.h"
#include "records/iscsi_fixtures.h"
#include "records/iscsi_login.h"

namespace oxim::records {
namespace {

using fixtures::ExpectPortal;
using fixtures::kInitiator;
using fixtures::kTarget;
using fixtures::Portal;
using fixtures::PutPortal;
using golden::Bytes;

TEST(SendTargetsRecords, DiscoveryLoginGoldenBytes) {
  Bytes want(kLoginRequestSize, 0);
  golden::PutText(want, 0, "iSCSI");
  PutPortal(want, 224, 0);
  golden::Put32(want, 508, 0x51);
  golden::Put32(want, 520, 0xFFFFFFFF);
  golden::Put16(want, 524, 7);
  golden::PutText(want, 1128, kInitiator);
  golden::PutText(want, 1352, "host7");
  golden::PutBytes(want, 1398, {0xFF, 0xFF, 0xFF, 0xFF});

  LoginRequest request;
  request.target_name = kDiscoveryTargetName;
  request.portal = Portal(0);
  request.flags = kLoginFlagsLogin | kLoginFlagsDiscovery;
  request.isid_qualifier = 7;
  request.initiator_name = kInitiator;
  request.initiator_alias = "host7";
  Bytes got(kLoginRequestSize, 0xEE);
  ASSERT_TRUE(EncodeLoginRequest(got, request));
  EXPECT_EQ(got, want);
  std::optional<LoginRequest> decoded = DecodeLoginRequest(want);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->flags & kLoginFlagsDiscovery, kLoginFlagsDiscovery);
  EXPECT_EQ(decoded->target_name, "iSCSI");
}

TEST(SendTargetsRecords, RequestsGoldenBytes) {
  Bytes want(kSendTargetsBufferSize, 0);
  golden::Put32(want, 0, 0x1002);
  golden::Put32(want, 4, 1);
  golden::PutText(want, 8, std::string("SendTargets=") + kTarget);
  Bytes got(kSendTargetsBufferSize, 0);
  ASSERT_TRUE(EncodeSendTargetsRequest(
      got, {.session_handle = 0x1002, .key = std::string("SendTargets=") + kTarget}));
  EXPECT_EQ(got, want);
  std::optional<SendTargetsRequest> request = DecodeSendTargetsRequest(want);
  ASSERT_TRUE(request);
  EXPECT_EQ(request->session_handle, 0x1002u);
  EXPECT_EQ(request->key, std::string("SendTargets=") + kTarget);
  EXPECT_FALSE(DecodeSendTargetsFollowUp(want));  // kind 1 is not a follow-up

  Bytes follow(kSendTargetsBufferSize, 0);
  golden::Put16(follow, 0, 246);
  golden::Put16(follow, 2, 10);
  golden::Put32(follow, 4, 2);
  Bytes encoded(kSendTargetsBufferSize, 0);
  ASSERT_TRUE(EncodeSendTargetsFollowUp(encoded, {.received = 246, .wanted = 10}));
  EXPECT_EQ(encoded, follow);
  std::optional<SendTargetsFollowUp> decoded = DecodeSendTargetsFollowUp(follow);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->received, 246);
  EXPECT_EQ(decoded->wanted, 10);
  EXPECT_FALSE(DecodeSendTargetsRequest(follow));
}

// Two records: one with two portals, one without any (which still takes an
// entry).
Bytes SampleAnswer() {
  Bytes bytes(4 + 228 + 64 + 228 + 32, 0);
  golden::Put32(bytes, 0, 2);
  golden::Put32(bytes, 4, 2);
  golden::PutText(bytes, 8, kTarget);
  PutPortal(bytes, 4 + 228, 1);
  PutPortal(bytes, 4 + 228 + 32, 2);
  const size_t second = 4 + 228 + 64;
  golden::Put32(bytes, second, 0);
  golden::PutText(bytes, second + 4, "iqn.2026-01.net.oxim-lab:empty");
  return bytes;
}

TEST(SendTargetsRecords, AnswerGoldenBytes) {
  const Bytes want = SampleAnswer();
  std::vector<DiscoveredTarget> targets = {{kTarget, {Portal(1), Portal(2)}},
                                           {"iqn.2026-01.net.oxim-lab:empty", {}}};
  Bytes got(want.size(), 0xEE);
  EXPECT_EQ(EncodeSendTargetsAnswer(got, targets), 2u);
  EXPECT_EQ(got, want);

  std::optional<SendTargetsAnswer> answer = DecodeSendTargetsAnswer(want);
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->count, 2u);
  EXPECT_TRUE(answer->complete);
  ASSERT_EQ(answer->targets.size(), 2u);
  EXPECT_EQ(answer->targets[0].name, kTarget);
  ASSERT_EQ(answer->targets[0].portals.size(), 2u);
  ExpectPortal(answer->targets[0].portals[1], Portal(2));
  EXPECT_TRUE(answer->targets[1].portals.empty());
}

TEST(SendTargetsRecords, AnEncodedAnswerHoldsOnlyTheRecordsThatFit) {
  std::vector<DiscoveredTarget> targets = {{kTarget, {Portal(1), Portal(2)}},
                                           {"iqn.2026-01.net.oxim-lab:empty", {}}};
  Bytes got(SampleAnswer().size() - 1, 0);
  EXPECT_EQ(EncodeSendTargetsAnswer(got, targets), 1u);
  EXPECT_EQ(golden::Bytes(got.begin(), got.begin() + 4), (Bytes{1, 0, 0, 0}));
  Bytes tiny(3, 0);
  EXPECT_EQ(EncodeSendTargetsAnswer(tiny, targets), 0u);
}

TEST(SendTargetsRecords, ACountPastTheAnswersEndStopsTheWalk) {
  Bytes bytes = SampleAnswer();
  golden::Put32(bytes, 0, 1000);
  std::optional<SendTargetsAnswer> answer = DecodeSendTargetsAnswer(bytes);
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->targets.size(), 2u);
  EXPECT_FALSE(answer->complete);

  // A portal count that would run past the end drops that record.
  bytes = SampleAnswer();
  golden::Put32(bytes, 4, 0x7FFFFFFF);
  answer = DecodeSendTargetsAnswer(bytes);
  ASSERT_TRUE(answer);
  EXPECT_TRUE(answer->targets.empty());
  EXPECT_FALSE(answer->complete);

  // A record cut inside its name is not read.
  bytes = SampleAnswer();
  bytes.resize(4 + 100);
  answer = DecodeSendTargetsAnswer(bytes);
  ASSERT_TRUE(answer);
  EXPECT_TRUE(answer->targets.empty());
  EXPECT_FALSE(answer->complete);
}

TEST(SendTargetsRecords, NamesAreReadWithinTheirField) {
  Bytes bytes = SampleAnswer();
  std::fill(bytes.begin() + 8, bytes.begin() + 8 + 224, 'n');  // no NUL in the field
  std::optional<SendTargetsAnswer> answer = DecodeSendTargetsAnswer(bytes);
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->targets[0].name, std::string(224, 'n'));
}

TEST(SendTargetsRecords, ShortBuffersAreRefused) {
  EXPECT_FALSE(DecodeSendTargetsAnswer(Bytes(3, 0)));
  EXPECT_FALSE(DecodeSendTargetsRequest(Bytes(263, 0)));
  EXPECT_FALSE(DecodeSendTargetsFollowUp(Bytes(7, 0)));
  Bytes small(263, 0);
  EXPECT_FALSE(EncodeSendTargetsRequest(small, {}));
}

// The firmware configuration's fields that bound a Tindra's discovery.
TEST(SendTargetsRecords, FirmwareConfigurationGoldenBytes) {
  Bytes want(156, 0xAB);
  want[4] = 17;
  golden::Put16(want, 16, 256);
  golden::Put16(want, 18, 0x1234);
  Bytes got(156, 0xAB);
  ASSERT_TRUE(EncodeFwConfig(got, {.asic_revision = 17, .target_limits = {256, 0x1234}}));
  EXPECT_EQ(got, want);
  std::optional<FwConfig> config = DecodeFwConfig(want);
  ASSERT_TRUE(config);
  EXPECT_EQ(config->asic_revision, 17);
  EXPECT_EQ(config->target_limits[0], 256);
  EXPECT_EQ(config->target_limits[1], 0x1234);
  EXPECT_FALSE(DecodeFwConfig(Bytes(155, 0)));
}

}  // namespace
}  // namespace oxim::records
