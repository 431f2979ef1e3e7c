// One emulated adapter for every process of a root, as a host's adapter is:
// sessions made by one process are seen, under the same numbers, by the
// others and outlive them; no process logs anything in by starting; a target
// that stops answering holds up nothing else; and a daemon that dies takes
// only its requests in flight with it.
#include <signal.h>

#include <chrono>
#include <future>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "e2e/real_target_fixture.h"
#include "emulator/loopback_listener.h"
#include "oxim/oxim.h"
#include "support/api_client.h"
#include "support/tgtd_fixture.h"
#include "tools/oximctl_fixture.h"

namespace oxim::testing {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;
using Clock = std::chrono::steady_clock;

// Far below the 5 s a login to a target that does not answer may take.
constexpr auto kUsualSpeed = milliseconds(2000);

// Waits until tgtd holds exactly `count` sessions (its teardown of a closed
// connection takes a moment); the sessions it holds then.
std::vector<int> AwaitTgtdSessions(TgtdServer& tgtd, size_t count) {
  const auto deadline = Clock::now() + seconds(10);
  std::vector<int> sessions = tgtd.Sessions();
  while (sessions.size() != count && Clock::now() < deadline) {
    std::this_thread::sleep_for(milliseconds(50));
    sessions = tgtd.Sessions();
  }
  return sessions;
}

class SharedAdapter : public SharedTgtdTest<ApiWithRealTargets> {
 protected:
  void SetUp() override {
    ApiWithRealTargets::SetUp();
    OXIM_REQUIRE_TGTD();
  }
  // oximctl, another process of the root, on the same adapter.
  Result Oximctl(std::vector<std::string> args) {
    return RunOximctl(std::move(args), {"OXIM_ADAPTER=" + adapter()});
  }
  int DaemonPid() {
    return nlohmann::json::parse(EmulatorControl(R"({"op":"status"})")).value("pid", 0);
  }
};

TEST_F(SharedAdapter, AnotherProcessSeesTheSameSessionsAndItsLogoutIsSeenHere) {
  StartOn(server_->port());
  const std::string simulated = AddTarget(kSimulatedTarget, kSimulatedPortal);
  const std::string real = AddTarget(TgtdServer::kOpenTarget);
  ASSERT_EQ(Do(simulated + "/Login"), 0u) << LastStatus().second;
  ASSERT_EQ(Do(real + "/Login"), 0u) << LastStatus().second;
  const std::vector<int> made = AwaitTgtdSessions(*server_, 1);
  ASSERT_EQ(made.size(), 1u);

  for (const std::string& target : {simulated, real}) {
    Result status = Oximctl({"get", target + "/Session0/SessionStatus"});
    EXPECT_EQ(status.out, "Open\n") << target << ": " << status.err;
  }
  EXPECT_EQ(server_->Sessions(), made) << "the other process logged nothing in";

  Result logout = Oximctl({"run", real + "/Logout"});
  ASSERT_EQ(logout.exit_code, 0) << logout.err;
  ASSERT_EQ(OXIM_refresh_group(Tag(real)), 0u);
  EXPECT_TRUE(Sessions(real).empty());
  ASSERT_EQ(OXIM_refresh_group(Tag(simulated)), 0u);
  EXPECT_EQ(Sessions(simulated), std::vector<std::string>{"Session0"});
  EXPECT_TRUE(AwaitTgtdSessions(*server_, 0).empty());
}

TEST_F(SharedAdapter, ManyClientStartsNeitherLoseNorRepeatALogin) {
  StartOn(server_->port());
  const std::string real = AddTarget(TgtdServer::kOpenTarget);
  ASSERT_EQ(Do(real + "/Login"), 0u) << LastStatus().second;
  const std::vector<int> made = AwaitTgtdSessions(*server_, 1);
  ASSERT_EQ(made.size(), 1u);
  Stop();  // the session is the adapter's, not this process's

  for (int run = 0; run < 50; ++run) {
    Result status = Oximctl({"get", real + "/Session0/SessionStatus"});
    ASSERT_EQ(status.out, "Open\n") << "run " << run << ": " << status.err;
  }
  EXPECT_EQ(server_->Sessions(), made);
}

// Its own tgtd, since it pauses it.
TEST_F(SharedAdapter, TargetThatStopsAnsweringHoldsUpNothingElse) {
  TgtdServer paused;
  ASSERT_TRUE(paused.running()) << paused.error();
  StartOn(paused.port());
  const std::string real = AddTarget(TgtdServer::kOpenTarget);
  const std::string simulated = AddTarget(kSimulatedTarget, kSimulatedPortal);
  ASSERT_EQ(Do(real + "/Login"), 0u) << LastStatus().second;
  // The adapter power-cycles and logs in to the real target again, which
  // now takes every exchange without answering.
  paused.Pause();
  Stop();
  RebootEmulator();

  auto started = Clock::now();
  Start(adapter());
  EXPECT_LT(Clock::now() - started, kUsualSpeed) << "start-up";
  started = Clock::now();
  EXPECT_EQ(Do(simulated + "/Login"), 0u) << LastStatus().second;
  EXPECT_EQ(Do(simulated + "/Logout"), 0u) << LastStatus().second;
  EXPECT_LT(Clock::now() - started, kUsualSpeed) << "login and logout elsewhere";
  started = Clock::now();
  Result info = Oximctl({"info"});
  EXPECT_EQ(info.exit_code, 0) << info.err;
  EXPECT_LT(Clock::now() - started, kUsualSpeed) << "oximctl info";
  paused.Resume();
}

TEST_F(SharedAdapter, DaemonKilledDuringALoginFailsItAndTheNextStartBringsTheAdapterBack) {
  LoopbackListener silent(LoopbackListener::kSilent);
  StartOn(server_->port(), milliseconds(3000), {{"192.0.2.31", silent.port()}});
  const std::string real = AddTarget(TgtdServer::kOpenTarget);
  ASSERT_EQ(Do(real + "/Login"), 0u) << LastStatus().second;
  ASSERT_EQ(AwaitTgtdSessions(*server_, 1).size(), 1u);
  const std::string waiting = AddTarget("iqn.2026-01.net.oxim-test:silent", "192.0.2.31");

  const int daemon = DaemonPid();
  ASSERT_GT(daemon, 0);
  std::future<uint32_t> login =
      std::async(std::launch::async, [&] { return Do(waiting + "/Login"); });
  ASSERT_TRUE(silent.Connected(seconds(5))) << "the login reached the target";
  ASSERT_EQ(kill(daemon, SIGKILL), 0);
  ASSERT_EQ(login.wait_for(seconds(10)), std::future_status::ready);
  EXPECT_NE(login.get(), 0u) << "the login fails";

  // The next start of the library brings a new adapter up, which logs the
  // persistent entry in once.
  Stop();
  Start(adapter());
  EXPECT_NE(DaemonPid(), daemon);
  EXPECT_EQ(AwaitSessionStatus(real, "Open"), "Open");
  EXPECT_EQ(Sessions(real), std::vector<std::string>{"Session0"});
  EXPECT_EQ(AwaitTgtdSessions(*server_, 1).size(), 1u);
}

}  // namespace
}  // namespace oxim::testing
