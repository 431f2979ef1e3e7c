// The iSCSI initiator through the public C API against real targets: tgtd on
// loopback behind a portal of the emulated adapter (192.0.2.20:3260). Login
// with each CHAP level, authentication failures, digests, the negotiated
// session in the tree, logout, persistent logins after a power cycle of the
// adapter, a target that goes away, and a start-up that does not wait for
// an unreachable target.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "e2e/real_target_fixture.h"
#include "emulator/loopback_listener.h"
#include "oxim/oxim.h"
#include "support/api_client.h"
#include "support/tgtd_fixture.h"

namespace oxim::testing {
namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

constexpr char kAuthenticationMessage[] =
    "Authentication failure. Please make sure your initiator is properly enabled for "
    "authentication at the target.";

// With the suite's tgtd behind 192.0.2.20:3260.
class RealIscsiThroughTheApi : public SharedTgtdTest<ApiWithRealTargets> {
 protected:
  void SetUp() override {
    ApiWithRealTargets::SetUp();
    OXIM_REQUIRE_TGTD();
    StartOn(server_->port());
  }
  std::vector<std::string> OneWayChap(const std::string& secret = TgtdServer::kChapSecret) {
    return {"One-Way CHAP", "", "", TgtdServer::kChapUser, secret, "Required"};
  }
  std::vector<std::string> MutualChap(const std::string& target_secret) {
    return {"Mutual CHAP",         TgtdServer::kMutualUser, target_secret,
            TgtdServer::kChapUser, TgtdServer::kChapSecret, "Required"};
  }
};

TEST_F(RealIscsiThroughTheApi, LoginShowsTheNegotiatedSessionUntilLogout) {
  const std::string target = AddTarget(TgtdServer::kOpenTarget);
  ASSERT_EQ(Do(target + "/Login"), 0u) << LastStatus().second;
  ASSERT_EQ(Sessions(target), std::vector<std::string>{"Session0"});
  const std::string session = target + "/Session0";
  EXPECT_EQ(Value(session + "/SessionStatus"), "Open");
  EXPECT_EQ(Value(session + "/ISID"), "00023d000000");
  EXPECT_EQ(Value(session + "/Persistent"), "True");
  // The library's portal, not the loopback endpoint behind it.
  const std::string connection = session + "/Connection0";
  EXPECT_EQ(Value(connection + "/DestinationIPAddress"), kTgtdAddress);
  EXPECT_EQ(Value(connection + "/DestinationPortNumber"), "3260");
  EXPECT_EQ(Value(connection + "/SourceIPAddress"), "192.0.2.100");
  EXPECT_NE(Value(connection + "/SourcePortNumber"), "0");
  EXPECT_EQ(Value(connection + "/Status"), "Logged-in");
  // What tgtd answered.
  const std::string negotiated = connection + "/ConnectionNegotiatedLoginOptions";
  EXPECT_EQ(Value(negotiated + "/HeaderDigest"), "None");
  EXPECT_EQ(Value(negotiated + "/DataDigest"), "None");
  EXPECT_EQ(Value(negotiated + "/MaxSendDataSegmentLength"), "8192");
  EXPECT_EQ(Value(negotiated + "/AuthenticationMethod"), "None");
  const std::string options = session + "/SessionNegotiatedLoginOptions";
  EXPECT_EQ(Value(options + "/FirstBurstLength"), "65536");
  EXPECT_EQ(Value(options + "/MaxBurstLength"), "262144");
  EXPECT_EQ(Value(options + "/InitialR2T"), "Yes");
  EXPECT_EQ(Value(options + "/ImmediateData"), "Yes");
  EXPECT_EQ(Value(options + "/MaxConnections"), "1");

  EXPECT_EQ(Do(target + "/Logout"), 0u) << LastStatus().second;
  EXPECT_TRUE(Sessions(target).empty());
  // tgtd has let the session go: the same ISID logs in again.
  ASSERT_EQ(Do(target + "/Login"), 0u) << LastStatus().second;
  EXPECT_EQ(Value(target + "/Session0/ISIDQualifier"), "0000");
}

TEST_F(RealIscsiThroughTheApi, OneWayAndMutualChapLogIn) {
  const std::string one_way = AddTarget(TgtdServer::kOneWayTarget);
  EXPECT_EQ(Do(one_way + "/Login"), 25u);  // the target wants CHAP
  ASSERT_EQ(ConfigureChap(one_way, OneWayChap()), 0u) << LastStatus().second;
  ASSERT_EQ(Do(one_way + "/Login"), 0u) << LastStatus().second;
  EXPECT_EQ(Value(one_way +
                  "/Session0/Connection0/ConnectionNegotiatedLoginOptions/AuthenticationMethod"),
            "One-Way CHAP");

  ASSERT_EQ(Do(Hba("AddTarget"), {TgtdServer::kMutualTarget, kTgtdAddress}), 0u);
  const std::string mutual = Hba("Target1");
  ASSERT_EQ(Value(mutual + "/TargetISCSIName"), TgtdServer::kMutualTarget);
  ASSERT_EQ(ConfigureChap(mutual, MutualChap(TgtdServer::kMutualSecret)), 0u)
      << LastStatus().second;
  ASSERT_EQ(Do(mutual + "/Login"), 0u) << LastStatus().second;
  EXPECT_EQ(Value(mutual + "/Session0/SessionStatus"), "Open");
  EXPECT_EQ(
      Value(mutual + "/Session0/Connection0/ConnectionNegotiatedLoginOptions/AuthenticationMethod"),
      "Mutual CHAP");
}

TEST_F(RealIscsiThroughTheApi, WrongSecretsAreAuthenticationFailures) {
  const std::string one_way = AddTarget(TgtdServer::kOneWayTarget);
  ASSERT_EQ(ConfigureChap(one_way, OneWayChap("wrong-secret-99")), 0u);
  EXPECT_EQ(Do(one_way + "/Login"), 25u);
  EXPECT_EQ(LastStatus(), Status(25, kAuthenticationMessage));
  EXPECT_TRUE(Sessions(one_way).empty());

  // The target's answer to the initiator's challenge does not check out.
  ASSERT_EQ(Do(Hba("AddTarget"), {TgtdServer::kMutualTarget, kTgtdAddress}), 0u);
  const std::string mutual = Hba("Target1");
  ASSERT_EQ(ConfigureChap(mutual, MutualChap("wrong-secret-77")), 0u);
  EXPECT_EQ(Do(mutual + "/Login"), 25u);
  EXPECT_TRUE(Sessions(mutual).empty());
}

TEST_F(RealIscsiThroughTheApi, RequiredChapToATargetWithoutAccountsIsRefused) {
  // tgtd would let the initiator in without CHAP; the firmware insists.
  const std::string target = AddTarget(TgtdServer::kOpenTarget);
  ASSERT_EQ(ConfigureChap(target, OneWayChap()), 0u);
  EXPECT_EQ(Do(target + "/Login"), 25u);
  EXPECT_TRUE(Sessions(target).empty());
}

TEST_F(RealIscsiThroughTheApi, HeaderDigestIsNegotiatedAndDataDigestFallsBack) {
  const std::string target = AddTarget(TgtdServer::kOpenTarget);
  const std::string options = target + "/TargetLoginOptions";
  ASSERT_EQ(SetValue(options + "/HeaderDigest", "CRC32C"), 0u);
  ASSERT_EQ(SetValue(options + "/HeaderParam", "Preferred"), 0u);
  ASSERT_EQ(SetValue(options + "/DataDigest", "CRC32C"), 0u);
  ASSERT_EQ(SetValue(options + "/DataParam", "Preferred"), 0u);
  // The first attempt asks for a data digest, which libiscsi cannot do.
  ASSERT_EQ(Do(target + "/Login"), 0u) << LastStatus().second;
  const std::string negotiated = target + "/Session0/Connection0/ConnectionNegotiatedLoginOptions";
  EXPECT_EQ(Value(negotiated + "/HeaderDigest"), "CRC32C");
  EXPECT_EQ(Value(negotiated + "/DataDigest"), "None");
  EXPECT_EQ(Value(target + "/Session0/ISIDQualifier"), "0001");

  // tgtd's one-way target offers no header digest: the next attempt is
  // without.
  ASSERT_EQ(Do(Hba("AddTarget"), {TgtdServer::kOneWayTarget, kTgtdAddress}), 0u);
  const std::string one_way = Hba("Target1");
  ASSERT_EQ(ConfigureChap(one_way, OneWayChap()), 0u);
  ASSERT_EQ(SetValue(one_way + "/TargetLoginOptions/HeaderDigest", "CRC32C"), 0u);
  ASSERT_EQ(SetValue(one_way + "/TargetLoginOptions/HeaderParam", "Preferred"), 0u);
  ASSERT_EQ(Do(one_way + "/Login"), 0u) << LastStatus().second;
  EXPECT_EQ(Value(one_way + "/Session0/Connection0/ConnectionNegotiatedLoginOptions/HeaderDigest"),
            "None");
}

TEST_F(RealIscsiThroughTheApi, PersistentLoginIsRestoredAfterAnAdapterRestart) {
  const std::string target = AddTarget(TgtdServer::kOneWayTarget);
  ASSERT_EQ(ConfigureChap(target, OneWayChap()), 0u);
  ASSERT_EQ(Do(target + "/Login"), 0u) << LastStatus().second;
  // A host reboot: the adapter logs in from its flash, on its own time.
  Stop();
  RebootEmulator();
  Start(adapter());
  EXPECT_EQ(AwaitSessionStatus(target, "Open"), "Open");
  EXPECT_EQ(Sessions(target), std::vector<std::string>{"Session0"});
  EXPECT_EQ(Value(target + "/Session0/Persistent"), "True");
  EXPECT_EQ(Value(target + "/Session0/Connection0/DestinationIPAddress"), kTgtdAddress);
  EXPECT_EQ(
      Value(target + "/Session0/Connection0/ConnectionNegotiatedLoginOptions/AuthenticationMethod"),
      "One-Way CHAP");
  EXPECT_EQ(Do(target + "/Logout"), 0u) << LastStatus().second;
}

// Its own tgtd, since it stops it.
TEST_F(ApiWithRealTargets, StoppedTargetShowsItsSessionClosedAndALoginReopensIt) {
  TgtdServer server;
  if (!server.skip_reason().empty()) GTEST_SKIP() << server.skip_reason();
  ASSERT_TRUE(server.running()) << server.error();
  StartOn(server.port());
  const std::string target = AddTarget(TgtdServer::kOpenTarget);
  ASSERT_EQ(Do(target + "/Login"), 0u) << LastStatus().second;

  server.Stop();
  EXPECT_EQ(AwaitSessionStatus(target, "Closed"), "Closed");
  EXPECT_EQ(Value(target + "/Session0/Connection0/Status"), "Connection closed");

  ASSERT_TRUE(server.Start()) << server.error();
  ASSERT_EQ(Do(target + "/Login"), 0u) << LastStatus().second;
  EXPECT_EQ(Sessions(target), std::vector<std::string>{"Session0"});
  EXPECT_EQ(Value(target + "/Session0/SessionStatus"), "Open");
  EXPECT_EQ(Value(target + "/Session0/Connection0/Status"), "Logged-in");
  EXPECT_EQ(Do(target + "/Logout"), 0u) << LastStatus().second;
}

TEST_F(ApiWithRealTargets, StartUpDoesNotWaitForAnUnreachableTarget) {
  constexpr milliseconds kConnectTimeout{2500};
  LoopbackListener deaf(LoopbackListener::kNeverAccepts);
  StartOn(deaf.port(), kConnectTimeout);
  const std::string target = AddTarget("iqn.2026-01.net.oxim-test:far");  // a persistent entry
  Stop();
  RebootEmulator();

  const auto start = Clock::now();
  Start(adapter());
  EXPECT_LT(Clock::now() - start, kConnectTimeout / 2);
  EXPECT_EQ(Value(target + "/TargetISCSIName"), "iqn.2026-01.net.oxim-test:far");
  // The adapter gives up on its own time.
  EXPECT_EQ(AwaitSessionStatus(target, "Login failed"), "Login failed");
  EXPECT_GE(Clock::now() - start, kConnectTimeout - milliseconds(100));
}

}  // namespace
}  // namespace oxim::testing
