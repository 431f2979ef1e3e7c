// The model of the emulated adapter: controllers with their ports and
// functions (iSCSI or NIC, each with its PCI address and MAC address), the
// flash state saved under a state directory, and the volatile state kept in
// memory. The firmware handlers read and change it.
#ifndef OXIM_EMULATOR_ADAPTER_MODEL_H_
#define OXIM_EMULATOR_ADAPTER_MODEL_H_

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "faults.h"
#include "transport/request_header.h"

namespace oxim::emulator {

enum class FunctionKind { kIscsi, kNic };

struct FunctionConfig {
  FunctionKind kind = FunctionKind::kNic;
  int port = 0;
  transport::PciAddress pci;
  uint16_t device_id = 0;
  std::array<uint8_t, 6> mac{};
  uint32_t mtu = 1500;
  uint8_t virtual_functions = 0;
};

struct ControllerConfig {
  int chip = 3;  // 2 QF2, 3 QF3, 4 Korvel, 5 Tindra, 6 a further chip
  std::string serial_number;
  std::string driver_version;
  std::string firmware_version;
  uint8_t logical_hbas = 1;
  int ports = 2;
  std::vector<FunctionConfig> functions;
};

// The adapter as the configuration describes it, and the faults armed from
// the start.
struct AdapterConfig {
  uint16_t vendor_id = 0x1D7E;
  std::vector<ControllerConfig> controllers;
  std::vector<CommandFault> command_faults;
  std::vector<DriverFault> driver_faults;
};

// One QF3 controller with two ports, one iSCSI and one NIC function per
// port.
AdapterConfig DefaultConfig();

// Where a function sits in the configuration.
struct FunctionRef {
  int controller = 0;
  int function = 0;  // index in ControllerConfig::functions
};

// Flash: named records kept as files in the state directory, so that a new
// emulator over the same OXIM_ROOT sees what the last one saved.
class FlashStore {
 public:
  explicit FlashStore(std::string directory) : directory_(std::move(directory)) {}
  std::optional<std::vector<uint8_t>> Load(const std::string& key) const;
  // Writes through a temporary file and rename. False when it cannot.
  bool Save(const std::string& key, const std::vector<uint8_t>& bytes) const;
  const std::string& directory() const { return directory_; }

 private:
  std::string directory_;
};

// The adapter: configuration, flash and volatile state. Not thread-safe;
// the backend serialises access.
class AdapterModel {
 public:
  // state_directory: where flash records live.
  AdapterModel(AdapterConfig config, std::string state_directory);

  const AdapterConfig& config() const { return config_; }
  const ControllerConfig& controller(const FunctionRef& ref) const {
    return config_.controllers[ref.controller];
  }
  const FunctionConfig& function(const FunctionRef& ref) const {
    return config_.controllers[ref.controller].functions[ref.function];
  }

  // iSCSI functions in device instance order.
  const std::vector<FunctionRef>& iscsi_functions() const { return iscsi_; }
  // NIC functions the driver shows now, in chip information order.
  std::vector<FunctionRef> visible_nic_functions() const;
  // The visible NIC function at a PCI address.
  std::optional<FunctionRef> FindNicFunction(const transport::PciAddress& address) const;
  void set_visible_nic_count(int count) { visible_nic_count_ = count; }

  FlashStore& flash() { return flash_; }
  // Volatile state: named values that live as long as this model.
  std::map<std::string, std::vector<uint8_t>>& volatile_state() { return volatile_; }

 private:
  AdapterConfig config_;
  FlashStore flash_;
  std::vector<FunctionRef> iscsi_;
  std::vector<FunctionRef> nic_;
  int visible_nic_count_;
  std::map<std::string, std::vector<uint8_t>> volatile_;
};

}  // namespace oxim::emulator

#endif  // OXIM_EMULATOR_ADAPTER_MODEL_H_
