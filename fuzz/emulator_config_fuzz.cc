// Fuzzes the emulated adapter's configuration parser with arbitrary text,
// and, for every configuration it takes, the answers built from it: chip
// information, controller attributes and OEM parameters of every function,
// the host configuration file and the host tools. A configuration that is
// taken must stay inside the limits the parser promises. The bytes are also
// read as the flash record of an iSCSI function's interface settings.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "config_json.h"
#include "emulator.h"
#include "fuzz_support.h"
#include "network_model.h"
#include "records/driver_records.h"
#include "records/request_header.h"

namespace {

using oxim::fuzz::Check;

using namespace oxim;

void CheckLimits(const emulator::AdapterConfig& config) {
  Check(config.controllers.size() <= emulator::kMaxControllers);
  size_t nic_controllers = 0;
  for (const emulator::ControllerConfig& controller : config.controllers) {
    size_t iscsi = 0;
    size_t nic = 0;
    for (const emulator::FunctionConfig& function : controller.functions) {
      Check(function.port >= 0 && function.port < controller.ports);
      (function.kind == emulator::FunctionKind::kIscsi ? iscsi : nic)++;
    }
    Check(iscsi <= emulator::kMaxIscsiFunctionsPerController);
    Check(nic <= records::kChipInfoMaxFunctions);
    nic_controllers += nic > 0;
  }
  Check(nic_controllers <= records::kChipInfoMaxControllers);
}

// One firmware command of `length` payload bytes through an open device.
void Send(emulator::EmulatedAdapter& adapter, int handle, bool nic,
          const records::PciAddress& address, uint8_t opcode, uint8_t subsystem, uint32_t length) {
  std::vector<uint8_t> buffer(records::kNicCommandOffset + 16 + length, 0);
  std::span<uint8_t> command(buffer);
  if (nic) {
    records::EncodeNicEnvelopePrefix(buffer, address);
    command = command.subspan(records::kNicCommandOffset);
  } else {
    command = command.first(16 + length);
  }
  records::EncodeRequestHeader(command, {opcode, subsystem, 0, 0, 30, length, 0});
  adapter.Ioctl(handle, nic ? records::kNicFirmwareRequest : records::kIscsiFirmwareRequest,
                nic ? std::span<uint8_t>(buffer) : command);
}

// The same bytes as a flash record of a function's interface settings:
// what decodes is encoded back into as many bytes.
void CheckInterfaceSettings(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> bytes(data, data + size);
  if (std::optional<emulator::InterfaceSettings> settings =
          emulator::DecodeInterfaceSettings(bytes)) {
    Check(settings->routes.size() <= emulator::kMaxManualRoutes);
    Check(emulator::EncodeInterfaceSettings(*settings).size() == size);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CheckInterfaceSettings(data, size);
  std::string error;
  std::optional<emulator::AdapterConfig> config = emulator::ParseAdapterConfig(
      std::string_view(reinterpret_cast<const char*>(data), size), &error);
  if (!config) {
    Check(!error.empty());
    return 0;
  }
  CheckLimits(*config);
  // Faults would change the answers below; they are parsed, not armed.
  config->command_faults.clear();
  config->driver_faults.clear();
  config->short_answers.clear();
  config->nic_count_changes.clear();
  emulator::EmulatedAdapter adapter(*config, "/nonexistent/oxim-fuzz-state");

  int nic = adapter.Open(records::kNicDevicePath);
  uint8_t record[records::kChipInfoRecordSize] = {};
  Check(adapter.Ioctl(nic, records::kNicChipInfoRequest, record).result == 0);
  Check(records::DecodeChipInfo(record).has_value());
  for (const emulator::ControllerConfig& controller : config->controllers) {
    for (const emulator::FunctionConfig& function : controller.functions) {
      if (function.kind != emulator::FunctionKind::kNic) continue;
      for (uint8_t opcode : {32, 72, 76, 121})
        Send(adapter, nic, true, function.pci, opcode, 1,
             opcode == 32   ? 540
             : opcode == 72 ? 264
             : opcode == 76 ? 44
                            : 612);
      Send(adapter, nic, true, function.pci, 21, 11, 20);
    }
  }
  for (int instance = 0;; ++instance) {
    int handle = adapter.Open(records::kIscsiDevicePrefix + std::to_string(instance));
    if (handle < 0) break;
    Send(adapter, handle, false, {}, 32, 1, 540);
    Send(adapter, handle, false, {}, 76, 1, 44);
    adapter.Close(handle);
  }
  std::string conf;
  Check(adapter.ReadHostFile("/etc/vmware/esx.conf", &conf));
  size_t line_start = 0;
  for (size_t i = 0; i <= conf.size(); ++i) {
    if (i == conf.size() || conf[i] == '\n') {
      Check(i - line_start < 100);  // the library reads at most 99 characters a line
      line_start = i + 1;
    }
  }
  for (size_t at = conf.find("vmkname = \""); at != std::string::npos;
       at = conf.find("vmkname = \"", at + 1)) {
    size_t end = conf.find('"', at + 11);
    Check(end != std::string::npos);
    std::string name = conf.substr(at + 11, end - at - 11);
    platform::ToolResult ethtool = adapter.RunHostTool({"ethtool", "-i", name});
    Check(ethtool.exit_status == 0);
    size_t bus = ethtool.output.find("bus-info: ");
    Check(bus != std::string::npos);
    std::string address = ethtool.output.substr(bus + 10, 12);
    platform::ToolResult lspci = adapter.RunHostTool({"lspci", "-s", address, "-x"});
    Check(lspci.exit_status == 0 && lspci.output.find("\n00: ") != std::string::npos);
  }
  adapter.Close(nic);
  return 0;
}
