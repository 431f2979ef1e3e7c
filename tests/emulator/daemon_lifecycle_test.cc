// The emulated adapter's daemon over its life: one daemon per root however
// many start, a stale socket replaced, the ways it ends (stop request,
// SIGTERM, SIGINT, the idle time, its root removed), detaching from its
// starter, a reboot, and the control requests with their refusals.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "emulator/daemon_fixture.h"
#include "records/driver_records.h"
#include "storage_network.h"
#include "support/temp_root.h"

namespace oxim::emulator {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using std::chrono::milliseconds;
using testing::DaemonProcess;
using testing::Eventually;
using testing::FirmwareCommand;
using testing::LoginCommand;
using testing::ResponseOf;
using testing::WireClient;

const std::string kIscsi0 = records::kIscsiDevicePrefix + std::string("0");

class DaemonLifecycle : public testing::TempRootTest {
 protected:
  json Status(WireClient& client) { return client.Control(json{{"op", "status"}}).second; }
};

TEST_F(DaemonLifecycle, TwoStartedAtOnceEndWithOneServing) {
  DaemonProcess::Options together;
  together.wait_ready = false;
  DaemonProcess first(root_.path(), together);
  DaemonProcess second(root_.path(), together);
  EXPECT_EQ(first.ready_line(), "ready");
  EXPECT_EQ(second.ready_line(), "ready");
  ASSERT_TRUE(Eventually([&] { return first.running() != second.running(); }));
  DaemonProcess& serving = first.running() ? first : second;
  DaemonProcess& gone = first.running() ? second : first;
  int status = -1;
  ASSERT_TRUE(gone.WaitExit(milliseconds(0), &status));
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  WireClient client(root_.path());
  EXPECT_EQ(Status(client)["pid"], serving.pid());
}

TEST_F(DaemonLifecycle, StaleSocketOfAKilledDaemonIsReplaced) {
  fs::create_directories(root_.file("/var/run/oxim-emulator"));
  const std::string path = testing::DaemonSocket(root_.path());
  const int stale = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
  ASSERT_EQ(bind(stale, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  close(stale);  // the file stays; nobody listens on it
  ASSERT_FALSE(WireClient(root_.path()).connected());

  DaemonProcess daemon(root_.path());
  ASSERT_EQ(daemon.ready_line(), "ready");
  WireClient client(root_.path());
  EXPECT_EQ(client.Hello(), 0u);
  EXPECT_EQ(Status(client)["pid"], daemon.pid());
}

TEST_F(DaemonLifecycle, StopRequestIsAnsweredAndEndsIt) {
  DaemonProcess daemon(root_.path());
  ASSERT_EQ(daemon.ready_line(), "ready");
  WireClient client(root_.path());
  auto [status, answer] = client.Control(json{{"op", "stop"}});
  EXPECT_EQ(status, 0u);
  EXPECT_EQ(answer, (json{{"stopping", true}}));
  int exit = -1;
  ASSERT_TRUE(daemon.WaitExit(milliseconds(2000), &exit));
  EXPECT_TRUE(WIFEXITED(exit) && WEXITSTATUS(exit) == 0) << exit;
  EXPECT_FALSE(fs::exists(testing::DaemonSocket(root_.path())));
}

TEST_F(DaemonLifecycle, SigtermAndSigintEndIt) {
  for (int signal : {SIGTERM, SIGINT}) {
    DaemonProcess daemon(root_.path());
    ASSERT_EQ(daemon.ready_line(), "ready");
    WireClient client(root_.path());  // a client connected does not keep it
    ASSERT_EQ(client.Hello(), 0u);
    kill(daemon.pid(), signal);
    int exit = -1;
    ASSERT_TRUE(daemon.WaitExit(milliseconds(2000), &exit)) << signal;
    EXPECT_TRUE(WIFEXITED(exit) && WEXITSTATUS(exit) == 0) << exit;
    EXPECT_TRUE(client.ClosedByDaemon(milliseconds(0)));
  }
}

TEST_F(DaemonLifecycle, IdleTimeEndsItOnlyWithNoClientConnected) {
  DaemonProcess daemon(root_.path(), {"--idle", "1"});
  ASSERT_EQ(daemon.ready_line(), "ready");
  {
    WireClient client(root_.path());
    ASSERT_EQ(client.Hello(), 0u);
    EXPECT_FALSE(daemon.WaitExit(milliseconds(1300)));
  }
  const auto left = std::chrono::steady_clock::now();
  ASSERT_TRUE(daemon.WaitExit(milliseconds(2500)));
  EXPECT_GE(std::chrono::steady_clock::now() - left, milliseconds(800));
}

TEST_F(DaemonLifecycle, RemovingTheRootEndsIt) {
  DaemonProcess daemon(root_.path());
  ASSERT_EQ(daemon.ready_line(), "ready");
  WireClient client(root_.path());
  ASSERT_EQ(client.Hello(), 0u);
  fs::remove_all(root_.path());
  EXPECT_TRUE(daemon.WaitExit(milliseconds(2000)));
}

TEST_F(DaemonLifecycle, DetachedDaemonKeepsNoStreamOfItsStarter) {
  // Orphans of this process come back to it, so that the test can wait for
  // the detached daemon.
  ASSERT_EQ(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
  int output[2];
  ASSERT_EQ(pipe2(output, O_CLOEXEC), 0);
  DaemonProcess::Options detached;
  detached.foreground = false;
  detached.output_fd = output[1];
  DaemonProcess starter(root_.path(), detached);
  close(output[1]);
  ASSERT_EQ(starter.ready_line(), "ready");
  ASSERT_TRUE(starter.WaitExit(milliseconds(2000)));  // the first process leaves at once
  WireClient client(root_.path());
  const pid_t daemon = Status(client)["pid"].get<pid_t>();
  ASSERT_NE(daemon, starter.pid());
  // Its standard output and error are not the starter's pipe any more.
  pollfd watch{output[0], POLLIN, 0};
  char byte = 0;
  EXPECT_EQ(poll(&watch, 1, 2000), 1);
  EXPECT_EQ(read(output[0], &byte, 1), 0);
  close(output[0]);
  EXPECT_NE(testing::ReadFile(root_.file("/var/run/oxim-emulator/log")).find("serving"),
            std::string::npos);

  EXPECT_EQ(client.Control(json{{"op", "stop"}}).first, 0u);
  int status = -1;
  const bool ended = Eventually([&] { return waitpid(daemon, &status, WNOHANG) == daemon; });
  if (!ended) {
    kill(daemon, SIGKILL);
    waitpid(daemon, &status, 0);
  }
  EXPECT_TRUE(ended);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  prctl(PR_SET_CHILD_SUBREAPER, 0);
}

// Name, content and mode of every file of a directory.
std::map<std::string, std::pair<std::string, fs::perms>> Files(const std::string& directory) {
  std::map<std::string, std::pair<std::string, fs::perms>> files;
  for (const fs::directory_entry& entry : fs::directory_iterator(directory)) {
    files[entry.path().filename()] = {testing::ReadFile(entry.path()),
                                      entry.status().permissions()};
  }
  return files;
}

TEST_F(DaemonLifecycle, RebootDropsSessionsLogsPersistentEntriesInAndKeepsFlash) {
  DaemonProcess daemon(root_.path());
  ASSERT_EQ(daemon.ready_line(), "ready");
  WireClient client(root_.path());
  ASSERT_EQ(client.Hello(), 0u);
  const int handle = client.Open(kIscsi0);
  const auto firmware = [&](std::vector<uint8_t> command) {
    return ResponseOf(client.Ioctl(handle, records::kIscsiFirmwareRequest, command).argument);
  };
  ASSERT_EQ(firmware(LoginCommand(27, kOpenTargetName, kOpenTargetAddress, 3)).status, 0);
  ASSERT_EQ(firmware(LoginCommand(23, kOneWayTargetName, kOneWayTargetAddress)).status, 1);
  ASSERT_EQ(firmware(LoginCommand(23, kOpenTargetName, kOpenTargetAddress, 5)).status, 0);
  json sessions = Status(client)["sessions"];
  ASSERT_EQ(sessions.size(), 1u);  // adding an entry logs nothing in
  const std::string state = root_.file("/var/lib/oxim-emulator");
  const auto flash = Files(state);
  ASSERT_FALSE(flash.empty());

  auto [status, answer] = client.Control(json{{"op", "reboot"}});
  EXPECT_EQ(status, 0u);
  EXPECT_EQ(answer, (json{{"rebooted", true}}));
  EXPECT_EQ(Status(client)["sessions"], (json::array({{{"function", "vmhba64"},
                                                       {"pci", "03:00.2"},
                                                       {"target", kOpenTargetName},
                                                       {"portal", "192.0.2.10:3260"},
                                                       {"state", "Open"}}})));
  EXPECT_EQ(Files(state), flash);
  for (const auto& [name, file] : flash) {
    EXPECT_EQ(file.second, fs::perms::owner_read | fs::perms::owner_write) << name;
  }
  EXPECT_EQ(fs::status(state).permissions(), fs::perms::owner_all);
  // The client's handle is still good.
  EXPECT_EQ(firmware(FirmwareCommand(32, 1, 540)).status, 0);

  // An off-line target stays off line across a reboot.
  ASSERT_EQ(
      client.Control(json{{"op", "target"}, {"name", kOpenTargetName}, {"online", false}}).first,
      0u);
  EXPECT_EQ(Status(client)["sessions"][0]["state"], "Closed");
  ASSERT_EQ(client.Control(json{{"op", "reboot"}}).first, 0u);
  EXPECT_EQ(Status(client)["sessions"][0]["state"], "Login failed");
}

class DaemonControl : public DaemonLifecycle {
 protected:
  void SetUp() override {
    ASSERT_EQ(daemon_.ready_line(), "ready");
    ASSERT_EQ(client_.Hello(), 0u);
  }
  // The control answer's error text ("" when it was carried out).
  std::string Refusal(const json& request) {
    auto [status, answer] = client_.Control(request);
    return status == 0 ? "" : answer.value("error", "(no error)");
  }
  uint8_t ControllerAttributesStatus(int handle) {
    return ResponseOf(
               client_.Ioctl(handle, records::kIscsiFirmwareRequest, FirmwareCommand(32, 1, 540))
                   .argument)
        .status;
  }

  DaemonProcess daemon_{root_.path()};
  WireClient client_{root_.path()};
};

TEST_F(DaemonControl, StatusTellsWhatRunsAndForWhom) {
  json status = Status(client_);
  EXPECT_EQ(status["running"], true);
  EXPECT_EQ(status["root"], root_.path());
  EXPECT_EQ(status["configuration"], "built-in");
  EXPECT_EQ(status["pid"], daemon_.pid());
  EXPECT_GE(status["uptime_seconds"], 0);
  EXPECT_EQ(status["clients"], 1);
  EXPECT_EQ(status["handles"], 0);
  EXPECT_EQ(status["nic_functions"], 2);
  EXPECT_EQ(status["sessions"], json::array());
}

TEST_F(DaemonControl, StartIsAnsweredByTheRunningDaemon) {
  EXPECT_EQ(client_.Control(json{{"op", "start"}}).second,
            (json{{"running", true}, {"started", false}, {"configuration", "built-in"}}));
  EXPECT_EQ(Refusal(json{{"op", "start"}, {"config", ""}}), "");
  root_.write("/other.json", R"({"controllers": []})");
  EXPECT_EQ(
      Refusal(json{{"op", "start"}, {"config", root_.file("/other.json")}}),
      "start: the emulated adapter of " + root_.path() + " runs another configuration (built-in)");
  EXPECT_EQ(Refusal(json{{"op", "start"}, {"config", 1}}), "start: \"config\" must be a file name");
}

TEST_F(DaemonControl, FaultsAreArmedAsTheConfigurationArmsThemAndCleared) {
  const int handle = client_.Open(kIscsi0);
  auto [status, answer] = client_.Control(json::parse(R"({"op": "fault", "faults": {
      "commands": [{"subsystem": 1, "opcode": 32, "status": 2, "additional_status": 44,
                    "times": 1}],
      "driver_calls": [{"request": 17792, "error": 5, "times": 1}]}})"));
  ASSERT_EQ(status, 0u);
  EXPECT_EQ(answer["armed"]["commands"], 1);
  EXPECT_EQ(answer["armed"]["driver_calls"], 1);
  EXPECT_EQ(
      client_.Ioctl(handle, records::kIscsiFirmwareRequest, FirmwareCommand(32, 1, 540)).error, 5);
  EXPECT_EQ(ControllerAttributesStatus(handle), 2);
  EXPECT_EQ(ControllerAttributesStatus(handle), 0);

  ASSERT_EQ(Refusal(json{{"op", "fault"},
                         {"faults", {{"commands", {{{"subsystem", 1}, {"opcode", 32}}}}}}}),
            "");
  EXPECT_EQ(ControllerAttributesStatus(handle), 1);
  EXPECT_EQ(client_.Control(json{{"op", "clear_faults"}}).first, 0u);
  EXPECT_EQ(ControllerAttributesStatus(handle), 0);

  EXPECT_EQ(Refusal(json{{"op", "fault"}}), "fault: \"faults\" is missing");
  EXPECT_EQ(Refusal(json{{"op", "fault"},
                         {"faults", {{"commands", {{{"subsystem", 1}, {"opcode", 300}}}}}}}),
            "fault: faults.commands[0].opcode: expected an integer 0..255");
  EXPECT_EQ(Refusal(json{{"op", "fault"}, {"faults", {{"link_down", true}}}}),
            "fault: faults.link_down: unknown field");
}

TEST_F(DaemonControl, TargetsGoOffLineAndComeBack) {
  const int handle = client_.Open(kIscsi0);
  const json offline = {{"op", "target"}, {"name", kOpenTargetName}, {"online", false}};
  EXPECT_EQ(client_.Control(offline).second,
            (json{{"target", kOpenTargetName}, {"online", false}}));
  auto login = [&] {
    return ResponseOf(client_
                          .Ioctl(handle, records::kIscsiFirmwareRequest,
                                 LoginCommand(23, kOpenTargetName, kOpenTargetAddress))
                          .argument);
  };
  EXPECT_EQ(login().additional_status, 21);  // off line: no connection
  EXPECT_EQ(Refusal(json{{"op", "target"}, {"name", kOpenTargetName}, {"online", true}}), "");
  EXPECT_EQ(login().status, 0);

  EXPECT_EQ(Refusal(json{{"op", "target"}, {"name", "iqn.2026-01.test:none"}, {"online", true}}),
            "target: the simulated network has no target iqn.2026-01.test:none");
  EXPECT_EQ(Refusal(json{{"op", "target"}, {"name", kOpenTargetName}}),
            "target: \"name\" (text) and \"online\" (true or false) are needed");
  EXPECT_EQ(Refusal(json{{"op", "target"}, {"name", kOpenTargetName}, {"online", "no"}}),
            "target: \"name\" (text) and \"online\" (true or false) are needed");
}

TEST_F(DaemonControl, NicDriverShowsTheNumberOfFunctionsAsked) {
  const int nic = client_.Open(records::kNicDevicePath);
  auto functions = [&] {
    std::vector<uint8_t> record(records::kChipInfoRecordSize, 0);
    record = client_.Ioctl(nic, records::kNicChipInfoRequest, record).argument;
    return record.at(records::kChipInfoEntryOffset + records::kChipInfoEntryFunctionCount);
  };
  EXPECT_EQ(functions(), 2);
  EXPECT_EQ(client_.Control(json{{"op", "nic_functions"}, {"count", 1}}).second,
            (json{{"nic_functions", 1}}));
  EXPECT_EQ(functions(), 1);
  const std::string range =
      "nic_functions: \"count\" must be an integer 0..2 (the NIC functions of the configuration)";
  EXPECT_EQ(Refusal(json{{"op", "nic_functions"}, {"count", 3}}), range);
  EXPECT_EQ(Refusal(json{{"op", "nic_functions"}, {"count", -1}}), range);
  EXPECT_EQ(Refusal(json{{"op", "nic_functions"}}), range);
  EXPECT_EQ(functions(), 1);
}

TEST_F(DaemonControl, RequestsThatCannotBeCarriedOutAreRefused) {
  EXPECT_EQ(client_.Control(std::string("{\"op\":")).second["error"], "the request is not JSON");
  EXPECT_EQ(Refusal(json::array()), "the request names no \"op\"");
  EXPECT_EQ(Refusal(json{{"op", 5}}), "the request names no \"op\"");
  EXPECT_EQ(Refusal(json{{"op", "link_down"}}), "unknown op \"link_down\"");
  EXPECT_EQ(Refusal(json{{"op", "status"}, {"verbose", true}}),
            "status: unknown field \"verbose\"");
  EXPECT_EQ(Refusal(json{{"op", "reboot"}, {"hard", true}}), "reboot: unknown field \"hard\"");
  // A refusal changes nothing: the daemon still serves.
  EXPECT_GE(client_.Open(kIscsi0), 0);
}

}  // namespace
}  // namespace oxim::emulator
