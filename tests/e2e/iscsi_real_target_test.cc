// The iSCSI initiator through the public C API against a real target: tgtd
// on loopback behind a portal of the emulated adapter (192.0.2.20:3260),
// with the adapter described by its JSON configuration. What the firmware
// does on its own time (a persistent login restored in the background, a
// session lost when the target goes away) reaches every client without a
// refresh.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "oxim/oxim.h"
#include "support/api_client.h"
#include "support/library_fixture.h"
#include "support/tgtd_suite.h"

namespace oxim {
namespace {

using std::chrono::milliseconds;
using testing::Do;
using testing::Groups;
using testing::LastStatus;
using testing::SharedTgtdTest;
using testing::TgtdServer;
using testing::Value;
using Clock = std::chrono::steady_clock;

constexpr char kHba[] = "Quellfire0/iSCSIPhysicalHBA0/LogicalHBA0";
constexpr char kTgtdAddress[] = "192.0.2.20";
constexpr milliseconds kPollBound{10000};

std::string Hba(const std::string& rest) { return std::string(kHba) + "/" + rest; }

std::vector<std::string> Sessions(const std::string& target) {
  std::vector<std::string> sessions;
  for (const std::string& group : Groups(target)) {
    if (group.rfind("Session", 0) == 0) sessions.push_back(group);
  }
  return sessions;
}

// A QF3 adapter whose 192.0.2.20:3260 is a tgtd on the loopback port.
std::string AdapterJson(uint16_t tgtd_port) {
  return R"({"controllers": [{"chip": 3, "serial_number": "VN3Q0417A2K9",
      "functions": [
        {"kind": "nic", "port": 0, "pci": {"bus": 3, "device": 0, "function": 0}},
        {"kind": "iscsi", "port": 0, "pci": {"bus": 3, "device": 0, "function": 2}}]}],
    "real_portals": [{"address": ")" +
         std::string(kTgtdAddress) + R"(", "nop_interval_ms": 100,
      "endpoint": {"host": "127.0.0.1", "port": )" +
         std::to_string(tgtd_port) + "}}]}";
}

class RealTargetTest : public SharedTgtdTest<testing::LibraryTest> {
 protected:
  void SetUp() override {
    LibraryTest::SetUp();
    OXIM_REQUIRE_TGTD();
  }
  // The adapter in front of the suite's tgtd. Each call writes a
  // configuration file of its own: starting the library on it is a new
  // start of the adapter over the same flash (a host reboot).
  std::string Adapter() { return WriteConfig(AdapterJson(server_->port())); }
};

// With a tgtd of its own, which it stops.
class TargetGoesAwayTest : public testing::LibraryTest {};

// A persistent login the adapter restores after start-up has built the tree
// shows in the tree of the next client that attaches.
TEST_F(RealTargetTest, LaterClientSeesASessionTheAdapterRestoredInTheBackground) {
  Start(Adapter());
  ASSERT_EQ(Do(Hba("AddTarget"), {TgtdServer::kOpenTarget, kTgtdAddress}), 0u)
      << LastStatus().second;  // a persistent entry in the adapter's flash
  const std::string target = Hba("Target0");
  Stop();
  // The adapter starts again while tgtd answers nothing: its login of the
  // entry waits, and start-up does not.
  server_->Pause();
  const std::string adapter = Adapter();
  Start(adapter);
  EXPECT_TRUE(Sessions(target).empty());
  server_->Resume();
  const auto deadline = Clock::now() + kPollBound;
  while (Sessions(target).empty() && Clock::now() < deadline) {
    std::this_thread::sleep_for(milliseconds(50));
    Start(adapter);
    Stop();
  }
  ASSERT_EQ(Sessions(target), std::vector<std::string>{"Session0"});
  EXPECT_EQ(Value(target + "/Session0/SessionStatus"), "Open");
  EXPECT_EQ(Do(target + "/Logout"), 0u) << LastStatus().second;
}

// When the target goes away, the session's and connection's properties
// say so at the next read, without a refresh, and the checks of a logout
// see it too: a boot session that is no longer open is logged out.
TEST_F(TargetGoesAwayTest, SessionPropertiesReadTheFirmware) {
  TgtdServer server;
  if (!server.skip_reason().empty()) GTEST_SKIP() << server.skip_reason();
  ASSERT_TRUE(server.running()) << server.error();
  Start(WriteConfig(AdapterJson(server.port())));
  ASSERT_EQ(Do(Hba("AddTarget"), {TgtdServer::kOpenTarget, kTgtdAddress}), 0u)
      << LastStatus().second;
  const std::string session = Hba("Target0/Session0");
  ASSERT_EQ(Do(Hba("Target0/Login")), 0u) << LastStatus().second;
  ASSERT_EQ(Value(session + "/SessionStatus"), "Open");
  ASSERT_EQ(testing::SetValue(session + "/iSCSIBoot", "True"), 0u) << LastStatus().second;

  server.Stop();
  const auto deadline = Clock::now() + kPollBound;
  std::string status = "Open";
  while (status == "Open" && Clock::now() < deadline) {
    std::this_thread::sleep_for(milliseconds(50));
    status = Value(session + "/SessionStatus");
  }
  EXPECT_EQ(status, "Closed");
  EXPECT_EQ(Value(session + "/Connection0/Status"), "Connection closed");
  EXPECT_EQ(Do(Hba("Target0/Logout")), 0u) << LastStatus().second;
  EXPECT_TRUE(Sessions(Hba("Target0")).empty());
}

}  // namespace
}  // namespace oxim
