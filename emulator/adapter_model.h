// The model of the emulated adapter: controllers with their ports and
// functions (iSCSI or NIC, each with its PCI address and MAC address), the
// flash state saved under a state directory, and the volatile state kept in
// memory. The firmware handlers read and change it.
#ifndef OXIM_EMULATOR_ADAPTER_MODEL_H_
#define OXIM_EMULATOR_ADAPTER_MODEL_H_

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "faults.h"
#include "network_config.h"
#include "real_portals.h"
#include "records/driver_records.h"
#include "records/oem_params.h"
#include "records/request_header.h"
#include "storage_network.h"

namespace oxim::emulator {

enum class FunctionKind { kIscsi, kNic };

// Chip generations.
inline constexpr int kChipQF2 = 2;
inline constexpr int kChipQF3 = 3;
inline constexpr int kChipKorvel = 4;
inline constexpr int kChipTindra = 5;
inline constexpr int kChipFurther = 6;

// Limits of what one adapter can show (and the chip information record of
// the NIC driver: records::kChipInfoMaxControllers, kChipInfoMaxFunctions).
inline constexpr size_t kMaxControllers = 16;
inline constexpr size_t kMaxIscsiFunctionsPerController = 8;
inline constexpr size_t kMaxNicFunctionsPerController = 32;
inline constexpr int kMaxPorts = 4;

// The PCI device ID a chip's functions usually carry.
uint16_t DefaultDeviceId(int chip);
// The layout of a chip's OEM parameters.
records::OemChip OemChipOf(int chip);

// A function that runs as a virtual NIC channel of its port.
struct VnicConfig {
  std::string name;
  uint16_t outer_vlan = 0;
  uint8_t min_bandwidth = 0;  // percent of the port
  uint8_t max_bandwidth = 100;
};

struct FunctionConfig {
  FunctionKind kind = FunctionKind::kNic;
  int port = 0;
  records::PciAddress pci;
  uint16_t device_id = 0;  // 0: the controller's
  std::array<uint8_t, 6> mac{};
  uint32_t mtu = 1500;
  uint8_t virtual_functions = 0;  // at most records::kMaxVirtualFunctions
  // QoS limit of the function's link, in units of 10 Mbit/s (100 Mbit/s on
  // Tindra); 0: none.
  uint16_t qos_speed = 0;
  // Whether the function's boot code (expansion ROM) is enabled.
  bool boot_rom = true;
  std::optional<VnicConfig> vnic;
  // NIC: the host's name of the interface; empty means "vmnic<k>", k the
  // function's place among all NIC functions of the configuration.
  std::string interface_name;
  // iSCSI: the network of its port; none: DefaultPortNetwork().
  std::optional<PortNetwork> network;
};

// What region 2 or 3 of a port holds before anything is written to it
// (instead of the usual seed; see boot_firmware.h).
struct RegionSeed {
  int port = 0;
  int region = 3;
  std::vector<uint8_t> bytes;
};

struct ControllerConfig {
  int chip = kChipQF3;
  uint16_t device_id = 0;  // 0: DefaultDeviceId(chip)
  uint16_t subsystem_vendor_id = 0x1D7E;
  uint16_t subsystem_device_id = 0xE602;
  std::string serial_number;  // ASN; "0" when the controller has none
  std::string manufacturer = "Kelvarronitex Corp.";
  std::string model_number = "QF3-2P-10G";
  std::string description = "Quellfire QF3 2-port 10GbE converged network adapter";
  std::string active_firmware_version;
  std::string flash_firmware_version;
  std::string bios_version = "11.4.190.0";
  std::string boot_code_version = "11.4.190.0";
  std::string driver_version;
  uint32_t capabilities = 0x213;  // TCP offload, raw Ethernet, iSCSI initiator, LRO
  uint8_t firmware_state = 0;     // working
  uint32_t default_eto = 90;
  uint16_t max_cdb_length = 16;
  uint16_t link_down_timeout = 30;
  uint8_t iscsi_versions = 0x00;
  uint8_t logical_hbas = 1;
  int ports = 2;
  int32_t temperature = 48;  // on-die, degrees
  // OEM parameters: two characters, binary bytes (4 on Korvel, 10 on the
  // other chips), the OEM serial number (none: the firmware answers 255) and
  // the personality management word.
  std::string oem_prefix = "VN";
  std::vector<uint8_t> oem_binary = {0x17, 0x04, 0x2a, 0x9c, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01};
  std::optional<std::string> oem_serial = "OEM-VN3Q0417A2K9";
  uint32_t personality_word = 0x00000003;
  // NC-SI: whether the controller shares its ports with a management
  // controller, and how the handshake with it went (0 success, 1 error).
  bool ncsi_supported = true;
  uint8_t ncsi_handshake = 0;
  // Controller attributes byte 417 bit 0.
  bool phy_loopback = true;
  // The physical speed code of its ports' links (records/link_status.h); 0:
  // no link.
  uint8_t link_speed = 4;
  // Its ports have a 10GBASE-T PHY (statistics of subsystem 18).
  bool base_t = false;
  // Additional attributes.
  uint16_t ipl_file_number = 0;
  uint16_t ipl_suffix_number = 0;
  std::string ipl_file_name;
  std::string phy_firmware_version;
  std::string phy_configuration_id;
  std::string uefi_version;
  std::string fcoe_version;
  // Name of the FFV parameter set (Korvel and Tindra firmware only).
  std::string ffv_name;
  // Tindra: region seeds that replace the usual one.
  std::vector<RegionSeed> iscsi_regions;
  std::vector<FunctionConfig> functions;
};

// The adapter as the configuration describes it, and the faults armed from
// the start.
struct AdapterConfig {
  uint16_t vendor_id = 0x1D7E;
  // The host is an SR-IOV virtual function: the commands the library probes
  // with answer "not supported for a virtual function".
  bool virtual_function = false;
  // NIC functions the driver shows at start (cut from the end of the
  // configured list); none: all of them.
  std::optional<int> visible_nic_functions;
  // Content of /etc/issue.net; none: the file does not exist.
  std::optional<std::string> issue_net = "VMware ESXi 6.7.0 build-8169922\n";
  std::vector<ControllerConfig> controllers;
  std::vector<CommandFault> command_faults;
  std::vector<DriverFault> driver_faults;
  std::vector<ShortAnswerFault> short_answers;
  std::vector<NicCountChange> nic_count_changes;
  // The simulated iSCSI targets every iSCSI function can reach.
  std::vector<SimulatedTarget> targets;
  // Portals that stand for real targets, reached with libiscsi.
  std::vector<RealPortal> real_portals;
  // iSNS servers with the simulated targets registered there.
  std::vector<SimulatedIsnsServer> isns_servers;
};

// One QF3 controller with two ports, one iSCSI and one NIC function per
// port, and the default storage network (DefaultStorageNetwork()).
AdapterConfig DefaultConfig();

// The usual settings of a controller of the given chip (no functions, no
// serial number).
ControllerConfig ControllerDefaults(int chip);

// Where a function sits in the configuration.
struct FunctionRef {
  int controller = 0;
  int function = 0;  // index in ControllerConfig::functions
  friend bool operator==(const FunctionRef&, const FunctionRef&) = default;
};

// Flash: named records kept as files in the state directory (0700, files
// 0600: they hold CHAP secrets), so that the adapter finds after a restart
// or a reboot what it saved before. One writer per directory.
class FlashStore {
 public:
  explicit FlashStore(std::string directory) : directory_(std::move(directory)) {}
  std::optional<std::vector<uint8_t>> Load(const std::string& key) const;
  // Writes through a temporary file and rename, owner-only. False when it
  // cannot. A record written again unchanged costs nothing.
  bool Save(const std::string& key, const std::vector<uint8_t>& bytes) const;
  const std::string& directory() const { return directory_; }

 private:
  // Opens the record's temporary file for writing, making the directory
  // when it is not there (yet, or any more); -1 when it cannot.
  int OpenTemporary(const std::string& temporary) const;

  std::string directory_;
  // What each record holds as this store last read or wrote it: the store
  // is the directory's one writer, so a save compares with this instead of
  // reading the file again.
  mutable std::map<std::string, std::vector<uint8_t>> known_;
};

// The adapter: configuration, flash and volatile state. Not thread-safe;
// the backend serialises access.
class IscsiState;    // iscsi_firmware.h
class NetworkState;  // network_model.h

// What a NIC function holds besides its flash records, until the adapter
// reboots: its virtual functions as the host's ip link last set them, and
// its volatile MAC address.
struct NicFunctionState {
  std::vector<records::VirtualFunctionEntry> virtual_functions;
  std::optional<std::array<uint8_t, 6>> volatile_mac;
};

class AdapterModel {
 public:
  // state_directory: where flash records live.
  // Also starts the iSCSI functions: their persistent targets log in, those
  // to real portals once iscsi().StartRealLogins() is called.
  AdapterModel(AdapterConfig config, std::string state_directory);
  ~AdapterModel();

  const AdapterConfig& config() const { return config_; }
  const ControllerConfig& controller(const FunctionRef& ref) const {
    return config_.controllers[ref.controller];
  }
  const FunctionConfig& function(const FunctionRef& ref) const {
    return config_.controllers[ref.controller].functions[ref.function];
  }
  // The function's PCI device ID (its own, else its controller's, else the
  // chip's).
  uint16_t device_id(const FunctionRef& ref) const;
  // The host interface name of a NIC function.
  const std::string& interface_name(const FunctionRef& ref) const;

  // iSCSI functions in device instance order.
  const std::vector<FunctionRef>& iscsi_functions() const { return iscsi_; }
  // All configured NIC functions, in configuration order.
  const std::vector<FunctionRef>& nic_functions() const { return nic_; }
  // NIC functions the driver shows now, in chip information order.
  std::vector<FunctionRef> visible_nic_functions() const;
  // The visible NIC function at a PCI address.
  std::optional<FunctionRef> FindNicFunction(const records::PciAddress& address) const;
  // The visible NIC function with a host interface name.
  std::optional<FunctionRef> FindInterface(const std::string& name) const;
  // An iSCSI function or a visible NIC function at a PCI address.
  std::optional<FunctionRef> FindFunction(const records::PciAddress& address) const;
  // Shows the first `count` configured NIC functions (clamped to 0..all).
  void set_visible_nic_count(int count) { visible_nic_count_ = count; }
  int visible_nic_count() const { return static_cast<int>(visible_nic_functions().size()); }

  FlashStore& flash() { return flash_; }
  // Volatile state: named values that live as long as this model.
  std::map<std::string, std::vector<uint8_t>>& volatile_state() { return volatile_; }
  // The iSCSI functions' sessions, persistent targets and target stores.
  IscsiState& iscsi() { return *iscsi_state_; }
  // The iSCSI functions' IP stacks and their ports' networks.
  NetworkState& network() { return *network_state_; }
  // The volatile state of a NIC function (its virtual functions made from
  // the configuration at first use).
  NicFunctionState& nic_state(const FunctionRef& ref);

 private:
  AdapterConfig config_;
  FlashStore flash_;
  std::vector<FunctionRef> iscsi_;
  std::vector<FunctionRef> nic_;
  std::map<std::pair<int, int>, std::string> interface_names_;
  int visible_nic_count_;
  std::map<std::string, std::vector<uint8_t>> volatile_;
  std::unique_ptr<NetworkState> network_state_;  // before the sessions, which use it
  std::map<std::pair<int, int>, NicFunctionState> nic_states_;
  std::unique_ptr<IscsiState> iscsi_state_;
};

}  // namespace oxim::emulator

#endif  // OXIM_EMULATOR_ADAPTER_MODEL_H_
