// The NIC refresh rebuilding the tree while other threads use it: one
// thread sends NIC requests outside the library lock (as a property handler
// does), one walks the tree through the public calls, one runs commands
// under the lock, and the host's NIC functions keep changing. Run under
// ThreadSanitizer and AddressSanitizer: no race, no freed node used, and
// everything freed at the end.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "oxim/oxim.h"
#include "records/controller_attributes.h"
#include "records/driver_records.h"
#include "support/library_fixture.h"
#include "transport/commands.h"

namespace oxim {
namespace {

constexpr int kRounds = 60;

const char kHost[] = R"({"controllers": [
  {"chip": 3, "serial_number": "SN-A", "ports": 4, "functions": [
    {"kind": "iscsi", "port": 0, "pci": {"bus": 3, "device": 0, "function": 4}},
    {"kind": "nic", "port": 0, "pci": {"bus": 3, "device": 0, "function": 0}},
    {"kind": "nic", "port": 1, "pci": {"bus": 3, "device": 0, "function": 1}},
    {"kind": "nic", "port": 2, "pci": {"bus": 3, "device": 0, "function": 2}},
    {"kind": "nic", "port": 3, "pci": {"bus": 3, "device": 0, "function": 3}}]}]})";

// Walks every group below tag through the public calls; tags may go stale
// while it walks, which must only ever give failures, never crashes.
void Walk(uint32_t tag, int depth) {
  std::vector<uint32_t> children(4096);
  uint32_t count = 0;
  if (depth > 3 || OXIM_get_child_tags(tag, children.data(), &count, OXIM_KIND_ANY + 1) != 0) {
    return;
  }
  for (uint32_t i = 0; i < count && i < children.size(); ++i) {
    char name[OXIM_NAME_SIZE];
    OXIM_get_node_name(children[i], name, OXIM_KIND_ANY);
    Walk(children[i], depth + 1);
  }
}

class RefreshStressTest : public testing::LibraryTest {};

TEST_F(RefreshStressTest, TreeRebuildsWhileOthersUseIt) {
  root_.write("/scratch/Vallorn/liboxim.conf", "OXIMLogLevel 2");  // log the rebuilds
  Start(WriteConfig(kHost));

  std::atomic<bool> done{false};
  std::thread sender([&] {
    std::array<uint8_t, records::kControllerAttributesSize> attributes{};
    while (!done.load())
      (void)ioctl_fetch_controller_attribs({.index = 1}, attributes, DriverKind::kNic);
  });
  std::thread walker([&] {
    while (!done.load()) Walk(OXIM_ROOT_TAG, 0);
  });
  std::thread refresher([&] {
    while (!done.load()) OXIM_refresh_group(OXIM_ROOT_TAG);
  });
  for (int round = 0; round < kRounds; ++round) {
    EmulatorControl(std::string(R"({"op":"nic_functions","count":)") +
                    (round % 2 == 0 ? "3" : "4") + "}");
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  done = true;
  sender.join();
  walker.join();
  refresher.join();

  Stop();
  EXPECT_NE(root_.read("/tmp/oxim2d.log").find("There is a change in OXIM NIC hierarchy."),
            std::string::npos)
      << "the tree was never rebuilt: the test did not test what it is for";
}

}  // namespace
}  // namespace oxim
