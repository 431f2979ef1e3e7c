// Emulated adapter fixture; see emulated_fixture.h.
#include "transport/emulated_fixture.h"

#include <string>

#include "core/last_status.h"
#include "records/driver_records.h"
#include "transport/driver_tables.h"
#include "transport/ioctl.h"

namespace oxim::testing {

void EmulatedTest::Start(emulator::AdapterConfig config) {
  adapter_ = emulator::InstallEmulator(std::move(config));
  for (int n = 0; n < records::kMaxIscsiInstances; ++n) {
    int handle = platform::OpenDevice(records::kIscsiDevicePrefix + std::to_string(n));
    if (handle < 0) break;
    iscsi_handles_.push_back(handle);
  }
  transport::SetIscsiHandles(iscsi_handles_);
  uint8_t record[records::kChipInfoRecordSize] = {};
  ASSERT_EQ(IssueNicDriverRequest(records::kNicChipInfoRequest, record), 0u);
  std::vector<records::PciAddress> nics;
  std::vector<records::ChipInfoController> controllers =
      records::DecodeChipInfo(record).value_or(std::vector<records::ChipInfoController>{});
  for (const auto& controller : controllers) {
    for (uint8_t function : controller.functions) {
      nics.push_back({controller.bus, controller.device, function});
    }
  }
  transport::SetNicFunctions(nics);
  transport::reset_protocol_flags();
  transport::set_protocol(0, 1);
  adapter_->clear_requests();
  oxim_reset_last_status();
}

void EmulatedTest::TearDown() {
  for (int handle : iscsi_handles_) platform::CloseDevice(handle);
  iscsi_handles_.clear();
  transport::ClearDriverTables();
  transport::SetNicRefreshHook(nullptr);
  transport::reset_protocol_flags();
  emulator::UninstallEmulator();
}

const emulator::RecordedRequest& EmulatedTest::Last() {
  recent_ = adapter_->recent_requests();
  if (recent_.empty()) {
    ADD_FAILURE() << "no request recorded";
    recent_.push_back({});
  }
  return recent_.back();
}

std::vector<uint8_t> EmulatedTest::LastCommand() {
  const emulator::RecordedRequest& last = Last();
  size_t skip = last.nic_device ? records::kNicCommandOffset : 0;
  if (last.argument.size() < skip) return {};
  return {last.argument.begin() + skip, last.argument.end()};
}

records::RequestHeader EmulatedTest::LastHeader() {
  return records::DecodeRequestHeader(LastCommand()).value_or(records::RequestHeader{});
}

emulator::AdapterConfig NicHeavyConfig(int nic_functions) {
  emulator::AdapterConfig config = emulator::DefaultConfig();
  auto& functions = config.controllers[0].functions;
  std::vector<emulator::FunctionConfig> kept;
  for (const auto& f : functions) {
    if (f.kind == emulator::FunctionKind::kIscsi) {
      kept.push_back(f);
      break;
    }
  }
  for (int i = 0; i < nic_functions; ++i) {
    emulator::FunctionConfig nic;
    nic.kind = emulator::FunctionKind::kNic;
    nic.port = i % 2;
    nic.pci = {5, 0, static_cast<uint8_t>(i)};
    nic.device_id = 0x710;
    kept.push_back(nic);
  }
  kept[0].pci = {5, 0, 7};
  functions = kept;
  return config;
}

}  // namespace oxim::testing
