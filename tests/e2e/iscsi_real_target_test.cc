// What the adapter does on its own time reaches every client without a
// refresh: a persistent login it restores in the background after a reboot,
// and a session lost when the target goes away (tgtd on loopback behind
// 192.0.2.20:3260).
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "e2e/real_target_fixture.h"
#include "oxim/oxim.h"
#include "support/api_client.h"
#include "support/tgtd_fixture.h"

namespace oxim::testing {
namespace {

using std::chrono::milliseconds;
using Clock = std::chrono::steady_clock;

constexpr milliseconds kPollBound{10000};

class RealTargetTest : public SharedTgtdTest<ApiWithRealTargets> {
 protected:
  void SetUp() override {
    ApiWithRealTargets::SetUp();
    OXIM_REQUIRE_TGTD();
  }
};

// A persistent login the adapter restores after a client has built its tree
// shows in the tree of the next client that attaches.
TEST_F(RealTargetTest, LaterClientSeesASessionTheAdapterRestoredInTheBackground) {
  StartOn(server_->port());
  const std::string target = AddTarget(TgtdServer::kOpenTarget);  // a persistent entry
  Stop();
  // The adapter power-cycles while tgtd answers nothing: its login of the
  // entry waits, and the start of a client does not.
  server_->Pause();
  RebootEmulator();
  Start(adapter());
  EXPECT_TRUE(Sessions(target).empty());
  Stop();
  server_->Resume();
  const auto deadline = Clock::now() + kPollBound;
  for (;;) {
    Start(adapter());
    if (!Sessions(target).empty() || Clock::now() >= deadline) break;
    Stop();
    std::this_thread::sleep_for(milliseconds(50));
  }
  ASSERT_EQ(Sessions(target), std::vector<std::string>{"Session0"});
  EXPECT_EQ(Value(target + "/Session0/SessionStatus"), "Open");
  EXPECT_EQ(Do(target + "/Logout"), 0u) << LastStatus().second;
}

// When the target goes away, the session's and connection's properties say
// so at the next read, without a refresh, and the checks of a logout see it
// too: a boot session that is no longer open is logged out. Its own tgtd,
// since it stops it.
TEST_F(ApiWithRealTargets, SessionPropertiesReadTheFirmware) {
  TgtdServer server;
  if (!server.skip_reason().empty()) GTEST_SKIP() << server.skip_reason();
  ASSERT_TRUE(server.running()) << server.error();
  StartOn(server.port());
  const std::string target = AddTarget(TgtdServer::kOpenTarget);
  const std::string session = target + "/Session0";
  ASSERT_EQ(Do(target + "/Login"), 0u) << LastStatus().second;
  ASSERT_EQ(Value(session + "/SessionStatus"), "Open");
  ASSERT_EQ(SetValue(session + "/iSCSIBoot", "True"), 0u) << LastStatus().second;

  server.Stop();
  const auto deadline = Clock::now() + kPollBound;
  std::string status = "Open";
  while (status == "Open" && Clock::now() < deadline) {
    std::this_thread::sleep_for(milliseconds(50));
    status = Value(session + "/SessionStatus");
  }
  EXPECT_EQ(status, "Closed");
  EXPECT_EQ(Value(session + "/Connection0/Status"), "Connection closed");
  EXPECT_EQ(Do(target + "/Logout"), 0u) << LastStatus().second;
  EXPECT_TRUE(Sessions(target).empty());
}

}  // namespace
}  // namespace oxim::testing
