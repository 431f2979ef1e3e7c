// Adapter model and flash store; see adapter_model.h.
#include "adapter_model.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "core/host_paths.h"
#include "iscsi_firmware.h"
#include "network_model.h"

namespace oxim::emulator {
namespace {

// What a controller of each chip usually reports about itself.
struct ChipFacts {
  int chip;
  uint16_t device_id;
  uint16_t subsystem_device_id;
  const char* model_number;
  const char* description;
  const char* firmware_version;
  const char* bios_version;
  uint32_t capabilities;
  bool ncsi_supported;
  uint8_t link_speed;  // records/link_status.h
  uint16_t ipl_file_number;
  uint16_t ipl_suffix_number;
  const char* ipl_file_name;
  const char* phy_firmware_version;
  const char* phy_configuration_id;
  const char* ffv_name;
};

constexpr ChipFacts kChips[] = {
    {kChipQF2, 0x0700, 0xE600, "QF2-2P-10G", "Quellfire QF2 2-port 10GbE converged network adapter",
     "4.9.416.0", "4.9.416.0", 0x013, true, 4, 0, 0, "", "", "", ""},
    {kChipQF3, 0x0714, 0xE602, "QF3-2P-10G", "Quellfire QF3 2-port 10GbE converged network adapter",
     "11.4.1204.0", "11.4.190.0", 0x213, true, 4, 5, 0x1A, "", "1.2.7", "0A", ""},
    {kChipKorvel, 0xE220, 0xE710, "KV-4P-25G",
     "Quellfire Korvel 4-port 25GbE converged network adapter", "12.0.1110.0", "12.0.1110.0", 0x20b,
     false, 6, 0, 0, "KV4P25G_P2_IPL", "3.1.0", "11", "KV-STANDARD"},
    {kChipTindra, 0x0720, 0xE720, "TD-2P-25G",
     "Quellfire Tindra 2-port 25GbE converged network adapter", "12.8.351.0", "12.8.351.0", 0x21b,
     false, 6, 260, 2, "", "2.0.4", "1B", "TD-STANDARD"},
    {kChipFurther, 0x0730, 0xE730, "QF6-2P-100G",
     "Quellfire 2-port 100GbE converged network adapter", "14.0.499.0", "14.0.499.0", 0x21b, false,
     8, 0, 0, "", "", "", ""},
};

const ChipFacts& FactsOf(int chip) {
  for (const ChipFacts& facts : kChips) {
    if (facts.chip == chip) return facts;
  }
  return kChips[1];  // QF3
}

}  // namespace

uint16_t DefaultDeviceId(int chip) { return FactsOf(chip).device_id; }

records::OemChip OemChipOf(int chip) {
  return chip == kChipKorvel ? records::OemChip::kKorvel : records::OemChip::kOther;
}

ControllerConfig ControllerDefaults(int chip) {
  const ChipFacts& facts = FactsOf(chip);
  ControllerConfig controller;
  controller.chip = chip;
  controller.device_id = facts.device_id;
  controller.subsystem_device_id = facts.subsystem_device_id;
  controller.model_number = facts.model_number;
  controller.description = facts.description;
  controller.active_firmware_version = facts.firmware_version;
  controller.flash_firmware_version = facts.firmware_version;
  controller.bios_version = facts.bios_version;
  controller.boot_code_version = facts.bios_version;
  controller.driver_version = facts.firmware_version;
  controller.capabilities = facts.capabilities;
  controller.ncsi_supported = facts.ncsi_supported;
  controller.link_speed = facts.link_speed;
  controller.ipl_file_number = facts.ipl_file_number;
  controller.ipl_suffix_number = facts.ipl_suffix_number;
  controller.ipl_file_name = facts.ipl_file_name;
  controller.phy_firmware_version = facts.phy_firmware_version;
  controller.phy_configuration_id = facts.phy_configuration_id;
  controller.uefi_version = facts.bios_version;
  controller.ffv_name = facts.ffv_name;
  controller.oem_binary.resize(records::OemBinarySize(OemChipOf(chip)));
  controller.oem_serial = std::string("OEM-") + facts.model_number;
  return controller;
}

AdapterConfig DefaultConfig() {
  ControllerConfig qf3 = ControllerDefaults(kChipQF3);
  qf3.serial_number = "VN3Q0417A2K9";
  qf3.oem_serial = "OEM-VN3Q0417A2K9";
  qf3.logical_hbas = 1;
  qf3.ports = 2;
  // Bus 3, device 0: NIC functions 0 and 1, iSCSI functions 2 and 3, all with
  // the chip's device ID.
  for (int port = 0; port < 2; ++port) {
    FunctionConfig nic;
    nic.kind = FunctionKind::kNic;
    nic.port = port;
    nic.pci = {3, 0, static_cast<uint8_t>(port)};
    nic.mac = {0x00, 0x90, 0xfa, 0x4c, 0x21, static_cast<uint8_t>(0x10 + port)};
    qf3.functions.push_back(nic);
    FunctionConfig iscsi;
    iscsi.kind = FunctionKind::kIscsi;
    iscsi.port = port;
    iscsi.pci = {3, 0, static_cast<uint8_t>(2 + port)};
    iscsi.mac = {0x00, 0x90, 0xfa, 0x4c, 0x21, static_cast<uint8_t>(0x12 + port)};
    qf3.functions.push_back(iscsi);
  }
  AdapterConfig config;
  config.controllers.push_back(qf3);
  config.targets = DefaultStorageNetwork();
  return config;
}

std::optional<std::vector<uint8_t>> FlashStore::Load(const std::string& key) const {
  FILE* file = std::fopen((directory_ + "/" + key).c_str(), "rb");
  if (file == nullptr) {
    known_.erase(key);
    return std::nullopt;
  }
  std::vector<uint8_t> bytes;
  uint8_t chunk[4096];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
    bytes.insert(bytes.end(), chunk, chunk + got);
  }
  const bool complete = std::ferror(file) == 0;
  std::fclose(file);
  if (complete) {
    known_[key] = bytes;
  } else {
    known_.erase(key);
  }
  return bytes;
}

int FlashStore::OpenTemporary(const std::string& temporary) const {
  const int flags = O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC;
  int fd = open(temporary.c_str(), flags, 0600);
  // Owner-only: the records hold CHAP secrets.
  if (fd < 0 && errno == ENOENT && MakeDirectories(directory_, 0700)) {
    fd = open(temporary.c_str(), flags, 0600);
  }
  return fd;
}

bool FlashStore::Save(const std::string& key, const std::vector<uint8_t>& bytes) const {
  // A record written again unchanged (every client's start-up writes some)
  // costs no write: flash wears, and a rename forces the data out.
  auto known = known_.find(key);
  if (known == known_.end() && Load(key)) known = known_.find(key);
  if (known != known_.end() && known->second == bytes) return true;
  const std::string path = directory_ + "/" + key;
  // One writer per state directory (the root's daemon, or one test's
  // adapter), so one temporary name per record; the rename replaces the
  // record whole.
  const std::string temporary = path + ".tmp";
  const int fd = OpenTemporary(temporary);
  if (fd < 0) return false;
  bool ok = fchmod(fd, 0600) == 0;  // a temporary file left with another mode
  size_t written = 0;
  while (ok && written < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) written += static_cast<size_t>(n);
  }
  ok = close(fd) == 0 && ok;
  ok = ok && std::rename(temporary.c_str(), path.c_str()) == 0;
  if (ok) {
    known_[key] = bytes;
  } else {
    known_.erase(key);  // what the file holds now is not known
  }
  return ok;
}

AdapterModel::AdapterModel(AdapterConfig config, std::string state_directory)
    : config_(std::move(config)), flash_(std::move(state_directory)) {
  for (size_t c = 0; c < config_.controllers.size(); ++c) {
    const auto& functions = config_.controllers[c].functions;
    for (size_t f = 0; f < functions.size(); ++f) {
      FunctionRef ref{static_cast<int>(c), static_cast<int>(f)};
      if (functions[f].kind == FunctionKind::kIscsi) {
        iscsi_.push_back(ref);
        continue;
      }
      std::string name = functions[f].interface_name;
      if (name.empty()) name = "vmnic" + std::to_string(nic_.size());
      interface_names_[{ref.controller, ref.function}] = name;
      nic_.push_back(ref);
    }
  }
  visible_nic_count_ = config_.visible_nic_functions.value_or(static_cast<int>(nic_.size()));
  // The network first: the persistent logins at the start go through it.
  network_state_ = std::make_unique<NetworkState>();
  network_state_->Start(*this);
  iscsi_state_ = std::make_unique<IscsiState>();
  iscsi_state_->Start(*this);
}

AdapterModel::~AdapterModel() = default;

uint16_t AdapterModel::device_id(const FunctionRef& ref) const {
  if (function(ref).device_id != 0) return function(ref).device_id;
  const ControllerConfig& owner = controller(ref);
  return owner.device_id != 0 ? owner.device_id : DefaultDeviceId(owner.chip);
}

const std::string& AdapterModel::interface_name(const FunctionRef& ref) const {
  static const std::string kNone;
  auto it = interface_names_.find({ref.controller, ref.function});
  return it != interface_names_.end() ? it->second : kNone;
}

std::vector<FunctionRef> AdapterModel::visible_nic_functions() const {
  size_t count = std::min(nic_.size(), static_cast<size_t>(std::max(visible_nic_count_, 0)));
  return {nic_.begin(), nic_.begin() + count};
}

std::optional<FunctionRef> AdapterModel::FindNicFunction(const records::PciAddress& address) const {
  for (const FunctionRef& ref : visible_nic_functions()) {
    if (function(ref).pci == address) return ref;
  }
  return std::nullopt;
}

std::optional<FunctionRef> AdapterModel::FindInterface(const std::string& name) const {
  for (const FunctionRef& ref : visible_nic_functions()) {
    if (interface_name(ref) == name) return ref;
  }
  return std::nullopt;
}

NicFunctionState& AdapterModel::nic_state(const FunctionRef& ref) {
  auto [it, fresh] = nic_states_.try_emplace({ref.controller, ref.function});
  if (fresh) {
    const FunctionConfig& nic = function(ref);
    const size_t count = std::min<size_t>(nic.virtual_functions, records::kMaxVirtualFunctions);
    for (size_t n = 0; n < count; ++n) {
      records::VirtualFunctionEntry vf;
      // Locally administered addresses made from the function's PCI address.
      vf.mac = {0x02,
                0x90,
                0xfa,
                nic.pci.bus,
                static_cast<uint8_t>(nic.pci.device << 3 | nic.pci.function),
                static_cast<uint8_t>(n)};
      it->second.virtual_functions.push_back(vf);
    }
  }
  return it->second;
}

std::optional<FunctionRef> AdapterModel::FindFunction(const records::PciAddress& address) const {
  for (const FunctionRef& ref : iscsi_) {
    if (function(ref).pci == address) return ref;
  }
  return FindNicFunction(address);
}

}  // namespace oxim::emulator
