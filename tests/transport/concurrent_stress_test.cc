// Several threads send firmware commands to different functions at once,
// iSCSI and NIC, with the NIC refresh running before every NIC request.
// Each answer must name the function it was sent to. Built and run under
// ThreadSanitizer by scripts/test.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "records/controller_attributes.h"
#include "records/driver_records.h"
#include "records/link_status.h"
#include "transport/commands.h"
#include "transport/driver_tables.h"
#include "transport/emulated_fixture.h"

namespace oxim::testing {
namespace {

using TransportConcurrentStress = EmulatedTest;

TEST_F(TransportConcurrentStress, RequestsToDifferentFunctionsStayApart) {
  std::atomic<int> refreshes{0};
  transport::SetNicRefreshHook([&](int) {
    refreshes.fetch_add(1, std::memory_order_relaxed);
    return false;
  });
  struct Sender {
    DriverKind kind;
    int function_index;
    uint8_t expected_function;
    uint8_t expected_port;
  };
  const Sender senders[] = {{DriverKind::kIscsi, 1, 2, 0}, {DriverKind::kIscsi, 2, 3, 1},
                            {DriverKind::kNic, 1, 0, 0},   {DriverKind::kNic, 2, 1, 1},
                            {DriverKind::kIscsi, 1, 2, 0}, {DriverKind::kNic, 2, 1, 1}};
  constexpr int kRounds = 200;
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (const Sender& sender : senders) {
    threads.emplace_back([&, sender] {
      for (int round = 0; round < kRounds; ++round) {
        uint8_t attributes[records::kControllerAttributesSize] = {};
        uint32_t status = ioctl_fetch_controller_attribs({.index = sender.function_index},
                                                         attributes, sender.kind);
        auto decoded = records::DecodeControllerAttributes(attributes);
        if (status != 0 || !decoded || decoded->address.function != sender.expected_function) {
          wrong.fetch_add(1, std::memory_order_relaxed);
        }
        // One opcode, version 1 and version 0 interleaved: the link status
        // (speed code 4 at byte 2) and the link parameters (the function's
        // port at byte 0, nothing at byte 2).
        uint8_t link[records::kLinkStatusSize] = {};
        uint8_t params[records::kLinkStatusSize] = {};
        if (ioctl_get_link_status_v1({.index = sender.function_index}, link, sender.kind) != 0 ||
            ioctl_get_NIC_link_params({.index = sender.function_index}, params, sender.kind) != 0 ||
            link[records::kLinkSpeedCodeOffset] != records::kSpeed10Gb ||
            params[records::kLinkActivePortOffset] != sender.expected_port ||
            params[records::kLinkSpeedCodeOffset] != 0) {
          wrong.fetch_add(1, std::memory_order_relaxed);
        }
      }
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(wrong.load(), 0);
  EXPECT_EQ(refreshes.load(), 3 * kRounds * 3);
  EXPECT_EQ(adapter_->open_handles(), 2);  // only the iSCSI handles stay open
}

TEST_F(TransportConcurrentStress, TablesChangeWhileRequestsRun) {
  std::atomic<bool> stop{false};
  std::thread writer([&] {
    std::vector<records::PciAddress> nics = {{3, 0, 0}, {3, 0, 1}};
    while (!stop.load()) {
      transport::SetNicFunctions(nics);
      transport::set_protocol(0, 1);
    }
  });
  std::vector<std::thread> readers;
  for (int t = 0; t < 3; ++t) {
    readers.emplace_back([] {
      for (int round = 0; round < 200; ++round) {
        uint8_t payload[4] = {};
        (void)ioctl_get_reset_needed({.index = -1}, payload, /*controller=*/0);
        (void)ioctl_get_beacon_state({.index = -1}, payload, DriverKind::kNic);
      }
    });
  }
  for (std::thread& t : readers) t.join();
  stop.store(true);
  writer.join();
}

}  // namespace
}  // namespace oxim::testing
