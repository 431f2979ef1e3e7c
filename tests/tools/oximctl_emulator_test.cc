// oximctl emulator: the root's emulated adapter started, inspected,
// disturbed and stopped from the command line, and one daemon however many
// clients start at once.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tools/oximctl_fixture.h"

namespace oxim::testing {
namespace {

using std::chrono::seconds;

const std::string kHba = "Quellfire0/iSCSIPhysicalHBA0/LogicalHBA0";
const std::string kOpen = "iqn.2026-01.net.oxim-lab:open";

class EmulatorCommand : public OximctlTest {
 protected:
  Result Emulator(std::vector<std::string> args) {
    args.insert(args.begin(), "emulator");
    return Run(std::move(args), kEmulator);
  }
  int Login() { return Run({"run", kHba + "/Target0/Login"}, kEmulator).exit_code; }
  void AddOpenTarget() {
    ASSERT_EQ(
        Run({"run", kHba + "/AddTarget", "TargetName=" + kOpen, "IPAddress=192.0.2.10"}, kEmulator)
            .exit_code,
        0);
  }
};

TEST_F(EmulatorCommand, StartStatusAndStop) {
  Result idle = Emulator({"status"});
  EXPECT_EQ(idle.exit_code, 0);
  EXPECT_EQ(idle.out, "the emulated adapter of " + root_.path() + " is not running\n");

  EXPECT_EQ(Emulator({"start"}).out, "started (configuration built-in)\n");
  EXPECT_EQ(Emulator({"start"}).out, "already running (configuration built-in)\n");
  const nlohmann::json status = nlohmann::json::parse(Run({"--json", "emulator", "status"}).out);
  EXPECT_EQ(status["running"], true);
  EXPECT_EQ(status["configuration"], "built-in");
  EXPECT_EQ(status["root"], root_.path());
  EXPECT_GT(status["pid"].get<int>(), 0);

  Result other = Emulator({"start", "--config", std::string(OXIM_CONFIG_DIR) + "/large.json"});
  EXPECT_EQ(other.exit_code, 1);
  EXPECT_NE(other.err.find("runs another configuration (built-in); stop it first (oximctl "
                           "emulator stop), its flash stays"),
            std::string::npos)
      << other.err;

  EXPECT_EQ(Emulator({"stop"}).out, "stopped\n");
  EXPECT_EQ(Emulator({"stop"}).out, "was not running\n");
}

TEST_F(EmulatorCommand, FaultsAndOfflineTargetsFailLoginsUntilCleared) {
  AddOpenTarget();
  // The login command (subsystem 6, opcode 0x17) fails with status 1.
  ASSERT_EQ(Emulator({"fault", R"({"commands": [{"subsystem": 6, "opcode": 23, "status": 1}]})"})
                .exit_code,
            0);
  EXPECT_EQ(Login(), 1);
  ASSERT_EQ(Emulator({"clear-faults"}).exit_code, 0);
  EXPECT_EQ(Login(), 0);
  ASSERT_EQ(Run({"run", kHba + "/Target0/Logout"}, kEmulator).exit_code, 0);

  ASSERT_EQ(Emulator({"target", kOpen, "off"}).exit_code, 0);
  EXPECT_EQ(Login(), 1);
  ASSERT_EQ(Emulator({"target", kOpen, "on"}).exit_code, 0);
  EXPECT_EQ(Login(), 0);

  Result unknown = Emulator({"target", "iqn.2026-01.test:nothing", "on"});
  EXPECT_EQ(unknown.exit_code, 1);
  EXPECT_EQ(unknown.err,
            "oximctl: emulator target: the simulated network has no target "
            "iqn.2026-01.test:nothing\n");
  Result field = Emulator({"fault", R"({"bogus": 1})"});
  EXPECT_EQ(field.exit_code, 1);
  EXPECT_EQ(field.err, "oximctl: emulator fault: faults.bogus: unknown field\n");
}

TEST_F(EmulatorCommand, NicFunctionsChangeWhatTheNextStartFinds) {
  Result idle = Emulator({"nic-functions", "1"});
  EXPECT_EQ(idle.exit_code, 1);
  EXPECT_EQ(idle.err,
            "oximctl: emulator nic-functions: no emulated adapter runs for " + root_.path() + "\n");
  ASSERT_EQ(Emulator({"start"}).exit_code, 0);
  ASSERT_EQ(Emulator({"nic-functions", "1"}).out, "NIC functions shown: 1\n");
  Result info = Run({"info"}, kEmulator);
  EXPECT_NE(info.out.find("functions: iSCSIPhysicalHBA0, iSCSIPhysicalHBA1, NICPhysicalHBA0\n"),
            std::string::npos)
      << info.out;
}

TEST_F(EmulatorCommand, RebootEndsSessionsAndLogsPersistentTargetsInAgain) {
  AddOpenTarget();
  ASSERT_EQ(Login(), 0);
  const int pid = nlohmann::json::parse(Run({"--json", "emulator", "status"}).out)["pid"];
  ASSERT_EQ(Emulator({"reboot"}).exit_code, 0);
  const nlohmann::json status = nlohmann::json::parse(Run({"--json", "emulator", "status"}).out);
  EXPECT_EQ(status["pid"], pid) << "the same daemon, power-cycled";
  // The simulated target answers at once: the session is back.
  Result session = Run({"get", kHba + "/Target0/Session0/SessionStatus"}, kEmulator);
  EXPECT_EQ(session.out, "Open\n") << session.err;
  EXPECT_EQ(Run({"get", kHba + "/Target0/TargetISCSIName"}, kEmulator).out, kOpen + "\n")
      << "the flash stays";
}

TEST_F(EmulatorCommand, LinkHostAndDhcpChangeThePortsNetworks) {
  const std::string ping = "Quellfire0/iSCSIPhysicalHBA0/Network/TCPIPConfiguration/Ping";
  ASSERT_EQ(Emulator({"start"}).exit_code, 0);
  ASSERT_EQ(Emulator({"link", "vmhba64", "down"}).exit_code, 0);
  EXPECT_EQ(Run({"run", ping, "IPAddress=192.0.2.30"}, kEmulator).exit_code, 1);
  ASSERT_EQ(Emulator({"link", "all", "up"}).exit_code, 0);
  EXPECT_EQ(Run({"run", ping, "IPAddress=192.0.2.30"}, kEmulator).exit_code, 0);
  ASSERT_EQ(Emulator({"host", "192.0.2.30", "off"}).exit_code, 0);
  EXPECT_EQ(Run({"run", ping, "IPAddress=192.0.2.30"}, kEmulator).exit_code, 1);
  ASSERT_EQ(Emulator({"dhcp", "off"}).exit_code, 0);
  Result unknown = Emulator({"link", "vmhba99", "down"});
  EXPECT_EQ(unknown.exit_code, 1);
  EXPECT_EQ(unknown.err, "oximctl: emulator link: the adapter has no iSCSI function vmhba99\n");
  Result host = Emulator({"host", "192.0.2", "on"});
  EXPECT_EQ(host.err, "oximctl: emulator host: \"192.0.2\" is not an IPv4 or IPv6 address\n");
}

TEST_F(EmulatorCommand, UsageErrors) {
  const std::pair<std::vector<std::string>, std::string> kCases[] = {
      {{"frob"}, "no emulator action 'frob'"},
      {{"target", "iqn.x", "maybe"}, "emulator target NAME takes on or off, not 'maybe'"},
      {{"nic-functions", "999"}, "emulator nic-functions takes a number from 0 to 128, not '999'"},
      {{"fault", "[1]"}, "emulator fault takes a JSON object, as a configuration's \"faults\""},
      {{"stop", "now"}, "emulator stop takes no argument"},
      {{"link", "vmhba64", "off"}, "emulator link FUNCTION takes up or down, not 'off'"},
      {{"host", "192.0.2.30", "up"}, "emulator host ADDRESS takes on or off, not 'up'"},
      {{"dhcp"}, "emulator dhcp takes one argument"},
  };
  for (const auto& [args, expected] : kCases) {
    Result result = Emulator(args);
    EXPECT_EQ(result.exit_code, 2) << expected;
    EXPECT_EQ(result.err.rfind("oximctl: " + expected, 0), 0u) << result.err;
  }
}

TEST_F(EmulatorCommand, ClientsStartingAtOnceShareOneDaemon) {
  std::vector<std::unique_ptr<Running>> clients;
  for (int i = 0; i < 4; ++i) {
    clients.push_back(std::make_unique<Running>(std::vector<std::string>{"info"}, kEmulator));
  }
  for (auto& client : clients) EXPECT_EQ(client->Finish(seconds(20)).exit_code, 0);
  const std::string log = root_.read("/var/run/oxim-emulator/log");
  size_t serving = 0;
  for (size_t at = log.find("serving"); at != std::string::npos; at = log.find("serving", at + 1)) {
    ++serving;
  }
  EXPECT_EQ(serving, 1u) << log;
}

}  // namespace
}  // namespace oxim::testing
