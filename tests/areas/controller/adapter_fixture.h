// Test fixture: the library started in this process on an emulated adapter
// installed behind the platform seam, so that a test sees the firmware
// requests the handlers send (the adapter's record of its last requests).
#ifndef OXIM_TESTS_AREAS_CONTROLLER_ADAPTER_FIXTURE_H_
#define OXIM_TESTS_AREAS_CONTROLLER_ADAPTER_FIXTURE_H_

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "emulator.h"
#include "support/temp_root.h"

namespace oxim::testing {

class InProcessAdapterTest : public TempRootTest {
 protected:
  void TearDown() override;
  // Installs the adapter of an example configuration (emulator/configs), or
  // of a configuration text, and starts the library on it.
  void StartFile(const std::string& name);
  void StartText(const std::string& json);
  void StartConfig(emulator::AdapterConfig config);

  // The payload of the most recent firmware request with this subsystem and
  // opcode among the adapter's last requests, as it was sent.
  std::optional<std::vector<uint8_t>> LastPayload(uint8_t subsystem, uint8_t opcode);

  std::shared_ptr<emulator::EmulatedAdapter> adapter_;
  bool started_ = false;
};

}  // namespace oxim::testing

#endif  // OXIM_TESTS_AREAS_CONTROLLER_ADAPTER_FIXTURE_H_
