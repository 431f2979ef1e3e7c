// refresh and watch: a group's refresh on demand, and the changes below a
// path as the adapter makes them; watch stops on Ctrl-C, SIGTERM or after
// --count rounds.
#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "support/tgtd_fixture.h"
#include "tools/oximctl_fixture.h"

namespace oxim::testing {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

const std::string kHba = "Quellfire0/iSCSIPhysicalHBA0/LogicalHBA0";

class Watch : public OximctlTest {};

TEST_F(Watch, RefreshRunsOnGroupsOnly) {
  ASSERT_EQ(Run({"run", kHba + "/AddTarget", "TargetName=iqn.2026-01.net.oxim-lab:open",
                 "IPAddress=192.0.2.10"},
                kEmulator)
                .exit_code,
            0);
  Result refreshed = Run({"refresh", kHba + "/Target0"}, kEmulator);
  EXPECT_EQ(refreshed.exit_code, 0) << refreshed.err;
  EXPECT_EQ(refreshed.out, "");
  EXPECT_EQ(nlohmann::json::parse(Run({"--json", "refresh", kHba + "/target0"}, kEmulator).out),
            nlohmann::json({{"path", "ROOT/" + kHba + "/Target0"}}));
  Result property = Run({"refresh", kHba + "/Target0/TargetAlias"}, kEmulator);
  EXPECT_EQ(property.exit_code, 1);
  EXPECT_EQ(property.err, "oximctl: ROOT/" + kHba + "/Target0/TargetAlias is not a group\n");
  EXPECT_EQ(Run({"refresh", kHba + "/Target7"}, kEmulator).exit_code, 1);
}

TEST_F(Watch, CountBoundsTheRoundsAndValuesShowsThemFirst) {
  Result result = Run({"watch", "OXIMDebugLevel", "--values", "--count", "3", "--interval", "0.1"});
  EXPECT_EQ(result.exit_code, 0) << result.err;
  EXPECT_TRUE(
      std::regex_match(result.out, std::regex("\\d\\d:\\d\\d:\\d\\d ROOT/OXIMDebugLevel = 0\n")))
      << result.out;
  EXPECT_EQ(result.err, "oximctl: watching ROOT/OXIMDebugLevel every 0.1 s; Ctrl-C stops\n");

  Result json = Run({"--json", "watch", "ROOT", "--values", "--count", "1", "--interval", "0.1"});
  std::istringstream lines(json.out);
  size_t count = 0;
  for (std::string line; std::getline(lines, line); ++count) {
    const nlohmann::json document = nlohmann::json::parse(line);  // one document a line
    EXPECT_EQ(document["change"], "current");
    EXPECT_EQ(document["path"].get<std::string>().rfind("ROOT/OXIM", 0), 0u);
  }
  EXPECT_EQ(count, 3u) << json.out;
  EXPECT_EQ(Run({"watch", "Nothing", "--count", "1"}).exit_code, 1);
  EXPECT_EQ(
      Run({"watch", kHba + "/AddTarget", "--count", "1"}, kEmulator).err,
      "oximctl: ROOT/" + kHba + "/AddTarget is a command; watch takes a group or a property\n");
}

TEST_F(Watch, StopsCleanlyOnInterruptAndTerminate) {
  for (int signal_number : {SIGINT, SIGTERM}) {
    Running watch({"watch", "ROOT", "--interval", "60"}, kEmulator);
    ASSERT_NE(watch.AwaitErr("Ctrl-C stops\n", seconds(10)).find("watching ROOT ("),
              std::string::npos);
    const auto signalled = std::chrono::steady_clock::now();
    watch.Signal(signal_number);
    Result result = watch.Finish(seconds(5));
    EXPECT_EQ(result.exit_code, 0) << "signal " << signal_number << ": " << result.err;
    EXPECT_LT(std::chrono::steady_clock::now() - signalled, seconds(2)) << "no wait for the round";
  }
}

// A session to a real target: watch shows it appear when the adapter logs
// in, and close when the target goes away.
TEST_F(Watch, ShowsASessionAppearAndCloseWhenItsTargetGoesAway) {
  TgtdServer tgtd;
  if (!tgtd.skip_reason().empty()) GTEST_SKIP() << tgtd.skip_reason();
  ASSERT_TRUE(tgtd.running()) << tgtd.error();
  std::ifstream example(std::string(OXIM_CONFIG_DIR) + "/real_target.json");
  nlohmann::json config = nlohmann::json::parse(example);
  config["real_portals"][0]["endpoint"]["port"] = tgtd.port();
  config["real_portals"][0]["nop_interval_ms"] = 100;
  root_.write("/adapter.json", config.dump());
  const std::vector<std::string> adapter = {"OXIM_ADAPTER=emulator:" + root_.file("/adapter.json")};
  Result added = Run({"run", kHba + "/AddTarget",
                      std::string("TargetName=") + TgtdServer::kOpenTarget, "IPAddress=192.0.2.20"},
                     adapter);
  ASSERT_EQ(added.exit_code, 0) << added.err;

  // The target is persistent: the adapter logs in to it at its power-on, on
  // its own time, here when the target answers.
  const std::string session = "ROOT/" + kHba + "/Target0/Session0";
  tgtd.Pause();
  ASSERT_EQ(Run({"emulator", "reboot"}, adapter).exit_code, 0);
  Running watch({"watch", kHba + "/Target0", "--interval", "0.2", "--values"}, adapter);
  ASSERT_NE(watch.AwaitErr("Ctrl-C stops\n", seconds(10)).find("watching"), std::string::npos);
  std::string seen = watch.AwaitOut("PortalGroupTag = 1\n", seconds(5));
  EXPECT_NE(
      seen.find("ROOT/" + kHba + "/Target0/TargetISCSIName = " + TgtdServer::kOpenTarget + "\n"),
      std::string::npos)
      << seen;
  EXPECT_EQ(seen.find(session), std::string::npos) << "no session before the login: " << seen;
  tgtd.Resume();
  seen = watch.AwaitOut(session + "/SessionStatus = Open\n", seconds(10));
  EXPECT_TRUE(std::regex_search(seen, std::regex("\\d\\d:\\d\\d:\\d\\d \\+ " + session + "/\n")))
      << seen;
  ASSERT_NE(seen.find(session + "/SessionStatus = Open\n"), std::string::npos) << seen;

  tgtd.Stop();
  const std::string closed = session + "/SessionStatus: Open -> Closed\n";
  seen = watch.AwaitOut(closed, seconds(10));
  EXPECT_NE(seen.find(closed), std::string::npos) << seen;
  EXPECT_NE(seen.find(session + "/Connection0/Status: Logged-in -> Connection closed\n"),
            std::string::npos)
      << seen;
  watch.Signal(SIGINT);
  Result result = watch.Finish(seconds(5));
  EXPECT_EQ(result.exit_code, 0) << result.err;
}

}  // namespace
}  // namespace oxim::testing
