// Test fixture: a fresh OXIM_ROOT with an emulated adapter installed behind
// the platform seam, its iSCSI devices opened into the handle table and its
// NIC functions entered into the NIC function table (what start-up does).
#ifndef OXIM_TESTS_TRANSPORT_EMULATED_FIXTURE_H_
#define OXIM_TESTS_TRANSPORT_EMULATED_FIXTURE_H_

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "emulator.h"
#include "records/request_header.h"
#include "support/temp_root.h"

namespace oxim::testing {

class EmulatedTest : public TempRootTest {
 protected:
  // Installs `config` and opens its devices.
  void Start(emulator::AdapterConfig config = emulator::DefaultConfig());
  void SetUp() override { Start(); }
  void TearDown() override;

  // The command buffer of the last firmware request (header first), taken
  // out of the NIC envelope for NIC requests.
  std::vector<uint8_t> LastCommand();
  records::RequestHeader LastHeader();
  const emulator::RecordedRequest& Last();
  uint64_t Requests() { return adapter_->request_count(); }

  std::shared_ptr<emulator::EmulatedAdapter> adapter_;
  std::vector<int> iscsi_handles_;

 private:
  std::vector<emulator::RecordedRequest> recent_;
};

// A configuration with one controller of `nic_functions` NIC functions on
// bus 5, device 0 (function numbers 0..) and one iSCSI function.
emulator::AdapterConfig NicHeavyConfig(int nic_functions);

}  // namespace oxim::testing

#endif  // OXIM_TESTS_TRANSPORT_EMULATED_FIXTURE_H_
