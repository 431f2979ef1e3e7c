// Adapter model and flash store; see adapter_model.h.
#include "adapter_model.h"

#include <cstdio>

#include "platform/host_paths.h"

namespace oxim::emulator {

AdapterConfig DefaultConfig() {
  ControllerConfig qf3;
  qf3.chip = 3;
  qf3.serial_number = "VN3Q0417A2K9";
  qf3.driver_version = "11.4.1204.0";
  qf3.firmware_version = "11.4.1204.0";
  qf3.logical_hbas = 1;
  qf3.ports = 2;
  // Bus 3, device 0: NIC functions 0 and 1, iSCSI functions 2 and 3.
  for (int port = 0; port < 2; ++port) {
    FunctionConfig nic;
    nic.kind = FunctionKind::kNic;
    nic.port = port;
    nic.pci = {3, 0, static_cast<uint8_t>(port)};
    nic.device_id = 0x710;
    nic.mac = {0x00, 0x90, 0xfa, 0x4c, 0x21, static_cast<uint8_t>(0x10 + port)};
    qf3.functions.push_back(nic);
    FunctionConfig iscsi;
    iscsi.kind = FunctionKind::kIscsi;
    iscsi.port = port;
    iscsi.pci = {3, 0, static_cast<uint8_t>(2 + port)};
    iscsi.device_id = 0x712;
    iscsi.mac = {0x00, 0x90, 0xfa, 0x4c, 0x21, static_cast<uint8_t>(0x12 + port)};
    qf3.functions.push_back(iscsi);
  }
  AdapterConfig config;
  config.controllers.push_back(qf3);
  return config;
}

std::optional<std::vector<uint8_t>> FlashStore::Load(const std::string& key) const {
  FILE* file = std::fopen((directory_ + "/" + key).c_str(), "rb");
  if (file == nullptr) return std::nullopt;
  std::vector<uint8_t> bytes;
  uint8_t chunk[4096];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
    bytes.insert(bytes.end(), chunk, chunk + got);
  }
  std::fclose(file);
  return bytes;
}

bool FlashStore::Save(const std::string& key, const std::vector<uint8_t>& bytes) const {
  if (!platform::MakeDirectories(directory_, 0755)) return false;
  std::string path = directory_ + "/" + key;
  std::string temporary = path + ".tmp";
  FILE* file = std::fopen(temporary.c_str(), "wb");
  if (file == nullptr) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  ok = std::fclose(file) == 0 && ok;
  return ok && std::rename(temporary.c_str(), path.c_str()) == 0;
}

AdapterModel::AdapterModel(AdapterConfig config, std::string state_directory)
    : config_(std::move(config)), flash_(std::move(state_directory)) {
  for (size_t c = 0; c < config_.controllers.size(); ++c) {
    const auto& functions = config_.controllers[c].functions;
    for (size_t f = 0; f < functions.size(); ++f) {
      FunctionRef ref{static_cast<int>(c), static_cast<int>(f)};
      (functions[f].kind == FunctionKind::kIscsi ? iscsi_ : nic_).push_back(ref);
    }
  }
  visible_nic_count_ = static_cast<int>(nic_.size());
}

std::vector<FunctionRef> AdapterModel::visible_nic_functions() const {
  size_t count = std::min(nic_.size(), static_cast<size_t>(std::max(visible_nic_count_, 0)));
  return {nic_.begin(), nic_.begin() + count};
}

std::optional<FunctionRef> AdapterModel::FindNicFunction(
    const transport::PciAddress& address) const {
  for (const FunctionRef& ref : visible_nic_functions()) {
    if (function(ref).pci == address) return ref;
  }
  return std::nullopt;
}

}  // namespace oxim::emulator
