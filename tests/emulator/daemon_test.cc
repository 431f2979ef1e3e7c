// The emulated adapter's daemon through its socket: the ready line, the
// hello, device requests answered as the in-process adapter answers them,
// handles that belong to their client, several clients at once (a slow real
// login of one holds up nobody else), clients of another user, and
// connections that break the wire's rules.
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <future>
#include <string>
#include <vector>

#include "emulator.h"
#include "emulator/daemon_fixture.h"
#include "emulator/loopback_listener.h"
#include "records/driver_records.h"
#include "support/temp_root.h"

namespace oxim::emulator {
namespace {

using nlohmann::json;
using std::chrono::milliseconds;
using testing::DaemonProcess;
using testing::Eventually;
using testing::WireClient;
using Clock = std::chrono::steady_clock;

const std::string kIscsi0 = records::kIscsiDevicePrefix + std::string("0");
const std::string kIscsi1 = records::kIscsiDevicePrefix + std::string("1");

std::vector<uint8_t> Command(uint8_t opcode, uint8_t subsystem, uint32_t length) {
  return testing::FirmwareCommand(opcode, subsystem, length);
}
using testing::ResponseOf;

class DaemonTest : public testing::TempRootTest {
 protected:
  // A configuration file in the root; its path.
  std::string WriteConfig(const std::string& json) {
    root_.write("/adapter.json", json);
    return root_.file("/adapter.json");
  }
};

TEST_F(DaemonTest, SaysReadyOnceItAnswersWithOwnerOnlyPaths) {
  DaemonProcess daemon(root_.path());
  ASSERT_EQ(daemon.ready_line(), "ready");
  WireClient client(root_.path());
  EXPECT_TRUE(client.connected());
  namespace fs = std::filesystem;
  EXPECT_EQ(fs::status(root_.file("/var/run/oxim-emulator")).permissions(), fs::perms::owner_all);
  EXPECT_EQ(fs::status(root_.file("/var/lib/oxim-emulator")).permissions(), fs::perms::owner_all);
  EXPECT_EQ(fs::status(testing::DaemonSocket(root_.path())).permissions(),
            fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(DaemonTest, InvalidConfigurationSaysWhichFieldAndEnds) {
  const std::string file = WriteConfig(
      R"({"controllers": [{"chip": 3, "serial_number": "VN1", "functions": [)"
      R"({"kind": "nic", "port": 0, "pci": {"bus": 300, "device": 0, "function": 0}}]}]})");
  DaemonProcess daemon(root_.path(), {"--config", file});
  EXPECT_EQ(daemon.ready_line(), "error: configuration " + file +
                                     " refused: controllers[0].functions[0].pci.bus: expected an "
                                     "integer 0..255");
  int status = 0;
  ASSERT_TRUE(daemon.WaitExit(milliseconds(2000), &status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_FALSE(std::filesystem::exists(testing::DaemonSocket(root_.path())));
}

TEST_F(DaemonTest, BadOptionsSayWhatIsWrong) {
  DaemonProcess daemon(root_.path(), {"--idle", "0"});
  EXPECT_EQ(daemon.ready_line(), "error: --idle takes a number of seconds above 0");
  int status = 0;
  ASSERT_TRUE(daemon.WaitExit(milliseconds(2000), &status));
  EXPECT_EQ(WEXITSTATUS(status), 2);
}

TEST_F(DaemonTest, HelloIsAcceptedForTheDigestOfItsConfigurationOnly) {
  const std::string text = R"({"controllers": []})";
  const std::string file = WriteConfig(text);
  DaemonProcess daemon(root_.path(), {"--config", file});
  ASSERT_EQ(daemon.ready_line(), "ready");
  WireClient right(root_.path());
  std::optional<std::vector<uint8_t>> payload = right.Exchange(
      wire::Hello{wire::kProtocolVersion, "emulator:" + file, wire::ConfigurationDigest(text)});
  ASSERT_TRUE(payload);
  std::optional<wire::HelloAnswer> answer = wire::DecodeHelloAnswer(*payload);
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->status, 0u);
  EXPECT_EQ(answer->configuration, file);

  WireClient built_in(root_.path());
  EXPECT_EQ(built_in.Hello(""), 1u);
  WireClient old_version(root_.path());
  EXPECT_EQ(old_version.Hello(wire::ConfigurationDigest(text), 0), 1u);
  // Without an accepted hello, a device request ends the connection.
  EXPECT_EQ(built_in.Open(records::kNicDevicePath), -1);
  EXPECT_TRUE(built_in.ClosedByDaemon());
}

TEST_F(DaemonTest, DeviceRequestsAreAnsweredAsTheInProcessAdapterAnswers) {
  DaemonProcess daemon(root_.path());
  ASSERT_EQ(daemon.ready_line(), "ready");
  testing::TempRoot local_root;
  EmulatedAdapter local(DefaultConfig(), local_root.file("/state"));
  WireClient client(root_.path());
  ASSERT_EQ(client.Hello(), 0u);

  const std::string paths[] = {kIscsi1, records::kNicDevicePath};
  for (const std::string& path : paths) {
    const int remote = client.Open(path);
    const int here = local.Open(path);
    ASSERT_GE(remote, 0) << path;
    ASSERT_GE(here, 0) << path;
    const bool nic = path == records::kNicDevicePath;
    std::vector<std::pair<unsigned long, std::vector<uint8_t>>> requests = {
        {records::kNicChipInfoRequest, std::vector<uint8_t>(records::kChipInfoRecordSize, 0)}};
    if (!nic) {
      requests = {{records::kIscsiFirmwareRequest, Command(32, 1, 540)},   // controller attributes
                  {records::kIscsiFirmwareRequest, Command(76, 1, 44)},    // OEM parameters
                  {records::kIscsiFirmwareRequest, Command(121, 1, 612)},  // additional attributes
                  {records::kIscsiFirmwareRequest, Command(70, 1, 4)}};    // not modelled: 66
    }
    for (auto& [request, bytes] : requests) {
      wire::IoctlAnswer answer = client.Ioctl(remote, request, bytes);
      platform::IoResult expected = local.Ioctl(here, request, bytes);
      EXPECT_EQ(answer.result, expected.result);
      EXPECT_EQ(answer.error, expected.error);
      EXPECT_EQ(answer.argument, bytes) << path << " request " << request;
    }
  }
  // A request length that does not match the command.
  wire::IoctlAnswer short_request =
      client.Ioctl(client.Open(kIscsi0), records::kIscsiFirmwareRequest, Command(32, 1, 1));
  EXPECT_EQ(ResponseOf(short_request.argument).status, 3);

  std::optional<std::vector<uint8_t>> file = client.Exchange(wire::ReadHostFile{"/etc/issue.net"});
  std::string content;
  ASSERT_TRUE(local.ReadHostFile("/etc/issue.net", &content));
  EXPECT_EQ(wire::DecodeHostFileAnswer(file.value())->content, content);
  std::optional<std::vector<uint8_t>> tool =
      client.Exchange(wire::RunHostTool{{"ethtool", "-i", "vmnic0"}});
  EXPECT_EQ(wire::DecodeHostToolAnswer(tool.value())->output,
            local.RunHostTool({"ethtool", "-i", "vmnic0"}).output);
  int error = 0;
  EXPECT_EQ(client.Open(records::kIscsiDevicePrefix + std::string("9"), &error), -1);
  EXPECT_EQ(error, ENOENT);
}

// A handle belongs to the process that opened it, as a descriptor does:
// every connection of that process may use it (a library sends property
// reads of several threads on connections of their own), another process
// may not, and it closes when the process's last connection goes.
TEST_F(DaemonTest, HandlesBelongToTheirProcessAndCloseWhenItGoes) {
  DaemonProcess daemon(root_.path());
  ASSERT_EQ(daemon.ready_line(), "ready");
  auto owner = std::make_unique<WireClient>(root_.path());
  auto second = std::make_unique<WireClient>(root_.path());
  auto watcher = std::make_unique<WireClient>(root_.path());
  ASSERT_EQ(owner->Hello(), 0u);
  ASSERT_EQ(second->Hello(), 0u);
  const int handle = owner->Open(kIscsi0);
  ASSERT_GE(handle, 0);
  ASSERT_GE(owner->Open(records::kNicDevicePath), 0);
  EXPECT_EQ(second->Ioctl(handle, records::kIscsiFirmwareRequest, Command(32, 1, 540)).result, 0);

  const pid_t child = fork();
  if (child == 0) {
    WireClient other(root_.path());
    const bool refused =
        other.Hello() == 0 &&
        other.Ioctl(handle, records::kIscsiFirmwareRequest, Command(32, 1, 540)).error == EBADF &&
        other.Close(handle).error == EBADF;
    _exit(refused ? 0 : 1);
  }
  int child_status = -1;
  ASSERT_EQ(waitpid(child, &child_status, 0), child);
  EXPECT_TRUE(WIFEXITED(child_status) && WEXITSTATUS(child_status) == 0);
  EXPECT_EQ(owner->Control(json{{"op", "status"}}).second["handles"], 2);

  EXPECT_EQ(second->Close(handle).result, 0);
  EXPECT_EQ(owner->Close(handle).error, EBADF);
  EXPECT_EQ(watcher->Control(json{{"op", "status"}}).second["handles"], 1);
  owner.reset();  // one connection goes: the process still has others
  EXPECT_EQ(watcher->Control(json{{"op", "status"}}).second["handles"], 1);
  // The last ones go with a handle open. (Each look is a connection of this
  // process too, gone again before the next.)
  second.reset();
  watcher.reset();
  EXPECT_TRUE(Eventually([&] {
    WireClient look(root_.path());
    return look.Control(json{{"op", "status"}}).second["handles"] == 0;
  }));
}

// A QF3 with two iSCSI functions whose portal 192.0.2.30 stands for a
// target that accepts the connection and never answers.
std::string SilentTargetConfig(uint16_t port) {
  return R"({"controllers": [{"chip": 3, "serial_number": "VN1", "functions": [
      {"kind": "iscsi", "port": 0, "pci": {"bus": 3, "device": 0, "function": 2}},
      {"kind": "iscsi", "port": 1, "pci": {"bus": 3, "device": 0, "function": 3}}]}],
    "real_portals": [{"address": "192.0.2.30", "login_timeout_ms": 1500,
                      "endpoint": {"host": "127.0.0.1", "port": )" +
         std::to_string(port) + "}}]}";
}

TEST_F(DaemonTest, ASlowRealLoginOfOneClientHoldsUpNoOtherClient) {
  testing::LoopbackListener silent(testing::LoopbackListener::kSilent);
  const std::string file = WriteConfig(SilentTargetConfig(silent.port()));
  DaemonProcess daemon(root_.path(), {"--config", file});
  ASSERT_EQ(daemon.ready_line(), "ready");
  const std::string digest = wire::ConfigurationDigest(root_.read("/adapter.json"));
  WireClient slow(root_.path());
  WireClient quick(root_.path());
  ASSERT_EQ(slow.Hello(digest), 0u);
  ASSERT_EQ(quick.Hello(digest), 0u);
  const int slow_handle = slow.Open(kIscsi0);
  const int quick_handles[] = {quick.Open(kIscsi0), quick.Open(kIscsi1)};

  const auto start = Clock::now();
  std::future<wire::IoctlAnswer> login = std::async(std::launch::async, [&] {
    return slow.Ioctl(slow_handle, records::kIscsiFirmwareRequest,
                      testing::LoginCommand(23, "iqn.2026-01.test:silent", "192.0.2.30"));
  });
  ASSERT_TRUE(silent.Connected(milliseconds(1000)));
  // The login waits on the target; the other client's requests, to either
  // function, are answered meanwhile.
  const auto others = Clock::now();
  for (int handle : quick_handles) {
    wire::IoctlAnswer answer =
        quick.Ioctl(handle, records::kIscsiFirmwareRequest, Command(32, 1, 540));
    EXPECT_EQ(answer.result, 0);
    EXPECT_EQ(ResponseOf(answer.argument).status, 0);
  }
  EXPECT_EQ(quick.Control(json{{"op", "status"}}).first, 0u);
  EXPECT_LT(Clock::now() - others, milliseconds(500));
  EXPECT_EQ(login.wait_for(std::chrono::seconds(0)), std::future_status::timeout);

  wire::IoctlAnswer answer = login.get();
  EXPECT_GE(Clock::now() - start, milliseconds(1400));
  EXPECT_EQ(answer.result, 0);
  EXPECT_NE(ResponseOf(answer.argument).status, 0);  // the target never answered
}

TEST_F(DaemonTest, TwoClientsAreServedAtOnce) {
  DaemonProcess daemon(root_.path());
  ASSERT_EQ(daemon.ready_line(), "ready");
  WireClient first(root_.path());
  WireClient second(root_.path());
  ASSERT_EQ(first.Hello(), 0u);
  ASSERT_EQ(second.Hello(), 0u);
  const int a = first.Open(kIscsi0);
  const int b = second.Open(kIscsi0);
  EXPECT_NE(a, b);
  for (int round = 0; round < 3; ++round) {
    EXPECT_EQ(first.Ioctl(a, records::kIscsiFirmwareRequest, Command(32, 1, 540)).result, 0);
    EXPECT_EQ(second.Ioctl(b, records::kIscsiFirmwareRequest, Command(32, 1, 540)).result, 0);
  }
  EXPECT_EQ(first.Control(json{{"op", "status"}}).second["clients"], 2);
}

TEST_F(DaemonTest, RebootWhileOtherClientsSendRequests) {
  DaemonProcess daemon(root_.path());
  ASSERT_EQ(daemon.ready_line(), "ready");
  auto busy = [&](int function) {
    WireClient client(root_.path());
    if (client.Hello() != 0) return false;
    const int handle = client.Open(records::kIscsiDevicePrefix + std::to_string(function));
    bool answered = handle >= 0;
    for (int i = 0; i < 100 && answered; ++i) {
      wire::IoctlAnswer answer =
          client.Ioctl(handle, records::kIscsiFirmwareRequest, Command(32, 1, 540));
      answered = answer.result == 0 && ResponseOf(answer.argument).status == 0;
    }
    return answered;
  };
  std::future<bool> first = std::async(std::launch::async, busy, 0);
  std::future<bool> second = std::async(std::launch::async, busy, 1);
  WireClient control(root_.path());
  // At least one reboot, also when a loaded machine lets the clients finish
  // before the first.
  int reboots = 0;
  do {
    ASSERT_EQ(control.Control(json{{"op", "reboot"}}).first, 0u);
    ++reboots;
  } while (second.wait_for(milliseconds(0)) != std::future_status::ready && reboots < 200);
  EXPECT_TRUE(first.get());
  EXPECT_TRUE(second.get());
}

TEST_F(DaemonTest, MalformedRequestClosesOnlyThatConnection) {
  DaemonProcess daemon(root_.path());
  ASSERT_EQ(daemon.ready_line(), "ready");
  WireClient bystander(root_.path());
  ASSERT_EQ(bystander.Hello(), 0u);
  WireClient broken(root_.path());
  ASSERT_EQ(broken.Hello(), 0u);
  // A frame of an unknown message type.
  ASSERT_TRUE(broken.SendBytes({2, 0, 0, 0, 0x63, 0}));
  EXPECT_TRUE(broken.ClosedByDaemon());
  WireClient trailing(root_.path());
  ASSERT_EQ(trailing.Hello(), 0u);
  std::vector<uint8_t> frame = wire::EncodeRequest(wire::Close{3});
  frame.push_back(0);  // a byte past the fields
  frame[0] += 1;
  ASSERT_TRUE(trailing.SendBytes(frame));
  EXPECT_TRUE(trailing.ClosedByDaemon());
  EXPECT_GE(bystander.Open(records::kNicDevicePath), 0);
}

TEST_F(DaemonTest, FrameAboveTheLimitClosesOnlyThatConnection) {
  DaemonProcess daemon(root_.path());
  ASSERT_EQ(daemon.ready_line(), "ready");
  WireClient bystander(root_.path());
  ASSERT_EQ(bystander.Hello(), 0u);
  WireClient greedy(root_.path());
  const uint32_t length = static_cast<uint32_t>(wire::kMaxFramePayload + 1);
  ASSERT_TRUE(greedy.SendBytes({static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8),
                                static_cast<uint8_t>(length >> 16),
                                static_cast<uint8_t>(length >> 24), 7}));
  EXPECT_TRUE(greedy.ClosedByDaemon());
  EXPECT_GE(bystander.Open(records::kNicDevicePath), 0);
}

// Runs `body` in a child process as user nobody; its exit status (0 when
// every check in it held).
template <typename Body>
int AsNobody(Body body) {
  const pid_t child = fork();
  if (child == 0) {
    if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0) _exit(100);
    _exit(body() ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 101;
}

TEST_F(DaemonTest, ClientOfAnotherUserIsRefused) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to run the daemon as another user";
  if (access("/usr/bin/setpriv", X_OK) != 0) GTEST_SKIP() << "setpriv is not installed";
  if (AsNobody([] { return access(testing::kDaemonProgram, X_OK) == 0; }) != 0) {
    GTEST_SKIP() << "user nobody cannot run " << testing::kDaemonProgram;
  }
  // The daemon runs as nobody in a root of nobody's; this process (root)
  // can reach its socket despite the modes, and is refused by credentials.
  ASSERT_EQ(chown(root_.path().c_str(), 65534, 65534), 0);
  DaemonProcess::Options as_nobody;
  as_nobody.prefix = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
  DaemonProcess daemon(root_.path(), as_nobody);
  ASSERT_EQ(daemon.ready_line(), "ready");
  WireClient stranger(root_.path());
  ASSERT_TRUE(stranger.connected());
  EXPECT_EQ(stranger.Control(json{{"op", "status"}}).first, ~0u);
  EXPECT_TRUE(stranger.ClosedByDaemon());

  const std::string root = root_.path();
  EXPECT_EQ(AsNobody([&] {
              WireClient own(root);
              return own.Hello() == 0 && own.Open(records::kNicDevicePath) >= 0;
            }),
            0);
}

}  // namespace
}  // namespace oxim::emulator
