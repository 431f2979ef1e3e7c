// In-process adapter fixture; see adapter_fixture.h.
#include "areas/controller/adapter_fixture.h"

#include "config_json.h"
#include "oxim/oxim.h"
#include "records/driver_records.h"
#include "records/request_header.h"

namespace oxim::testing {

void InProcessAdapterTest::StartConfig(emulator::AdapterConfig config) {
  adapter_ = emulator::InstallEmulator(std::move(config));
  ASSERT_EQ(OXIM_init(), 0u);
  started_ = true;
}

void InProcessAdapterTest::StartFile(const std::string& name) {
  std::string error;
  std::optional<emulator::AdapterConfig> config =
      emulator::LoadAdapterConfig(std::string(OXIM_CONFIG_DIR) + "/" + name, &error);
  ASSERT_TRUE(config) << error;
  StartConfig(*config);
}

void InProcessAdapterTest::StartText(const std::string& json) {
  std::string error;
  std::optional<emulator::AdapterConfig> config = emulator::ParseAdapterConfig(json, &error);
  ASSERT_TRUE(config) << error;
  StartConfig(*config);
}

void InProcessAdapterTest::TearDown() {
  if (started_) OXIM_exit();
  emulator::UninstallEmulator();
}

std::optional<std::vector<uint8_t>> InProcessAdapterTest::LastPayload(uint8_t subsystem,
                                                                      uint8_t opcode) {
  std::vector<emulator::RecordedRequest> requests = adapter_->recent_requests();
  for (auto it = requests.rbegin(); it != requests.rend(); ++it) {
    std::span<const uint8_t> command = it->argument;
    if (it->request == records::kNicFirmwareRequest) {
      if (command.size() < records::kNicCommandOffset) continue;
      command = command.subspan(records::kNicCommandOffset);
    } else if (it->request != records::kIscsiFirmwareRequest) {
      continue;
    }
    std::optional<records::RequestHeader> header = records::DecodeRequestHeader(command);
    if (!header || header->subsystem != subsystem || header->opcode != opcode ||
        command.size() < records::kPayloadOffset + header->request_length) {
      continue;
    }
    auto payload = command.subspan(records::kPayloadOffset, header->request_length);
    return std::vector<uint8_t>(payload.begin(), payload.end());
  }
  return std::nullopt;
}

}  // namespace oxim::testing
