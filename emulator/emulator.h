// The emulated adapter behind the platform seam: the iSCSI driver's devices
// (one per iSCSI function) and the NIC driver's single device, answering
// driver requests 0x4580 and 1 (iSCSI) and 4 to 8 (NIC) over the adapter
// model, plus the host files and host tools that describe the functions
// (host_view.h). The root's daemon (daemon/) serves one to every process of
// the root; tests also install one in their own process.
//
// Tests install one directly and reach its fault injection and its record
// of requests:
//   auto adapter = emulator::InstallEmulator();   // under the current OXIM_ROOT
//   adapter->faults().FailDriverCall({.request = 0x4580, .error = EIO});
//   ...
//   emulator::UninstallEmulator();
#ifndef OXIM_EMULATOR_EMULATOR_H_
#define OXIM_EMULATOR_EMULATOR_H_

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <shared_mutex>
#include <string>
#include <vector>

#include "adapter_model.h"
#include "faults.h"
#include "platform/device_backend.h"
#include "records/iscsi_login.h"

namespace oxim::emulator {

// One driver request as the emulator received it.
struct RecordedRequest {
  unsigned long request = 0;
  bool nic_device = false;
  int iscsi_instance = -1;        // iSCSI device instance, -1 for the NIC device
  std::vector<uint8_t> argument;  // the argument bytes before the answer
};

// One session as the daemon's status shows it.
struct SessionSummary {
  std::string function;  // the host's name of the iSCSI function ("vmhba64")
  std::string pci;       // its PCI address ("03:00.2")
  std::string target;    // iSCSI name
  std::string portal;    // "192.0.2.10:3260", "[2001:db8::10]:3260"
  std::string state;     // "Open", "Closed" or "Login failed"
};

// The flash state directory under OXIM_ROOT.
inline constexpr char kStateDirectory[] = "/var/lib/oxim-emulator";

class EmulatedAdapter final : public platform::DeviceBackend {
 public:
  // Starts the adapter (its power-on): persistent iSCSI entries log in,
  // those to real portals in the background (the constructor does not wait
  // for them); the configuration's faults are armed.
  EmulatedAdapter(AdapterConfig config, std::string state_directory);
  // Waits for the background logins under way (within their time-outs) and
  // logs out the real sessions.
  ~EmulatedAdapter() override;

  int Open(const std::string& path) override;
  platform::IoResult Ioctl(int handle, unsigned long request, std::span<uint8_t> argument) override;
  int Close(int handle) override;
  bool ReadHostFile(const std::string& path, std::string* content) override;
  platform::ToolResult RunHostTool(const std::vector<std::string>& argv) override;

  // Reboots the adapter as its power cycle would: waits for the requests
  // under way, drops the volatile state (sessions, real connections, logins
  // under way), keeps the flash and logs its persistent entries in again as
  // at the start. Open handles stay valid. What is not the adapter's stays
  // as it was: the armed faults, which NIC functions the driver shows, and
  // which simulated targets are off line.
  void Reboot();
  // Every session of every iSCSI function, in device instance order.
  std::vector<SessionSummary> Sessions();

  Faults& faults() { return faults_; }
  // Arms the fault vectors of `faults` (the rest of it is not looked at).
  void ArmFaults(const AdapterConfig& faults);
  // Test hook: the driver shows the first `count` configured NIC functions
  // from now on (chip information, NIC envelope check, esx.conf, ethtool).
  void set_visible_nic_functions(int count);
  int visible_nic_functions();
  // NIC functions the configuration describes.
  int configured_nic_functions();
  // Requests received so far, and the last few of them (oldest first).
  uint64_t request_count();
  std::vector<RecordedRequest> recent_requests();
  void clear_requests();
  int open_handles();
  // Test hook: takes a simulated iSCSI target on or off line (name compared
  // ignoring case). Off line, every open session to it is closed and logins
  // to it fail to connect. False when the network has no such target.
  bool SetTargetOnline(const std::string& name, bool online);
  // Test hooks on the networks of the iSCSI ports (network_model.h), for the
  // iSCSI function with that host adapter name ("vmhba64"), or every one
  // with "": the port's link goes down or up; a host of the network goes or
  // comes back; the DHCP server stops or starts answering. Each returns an
  // empty text, or why nothing was changed.
  std::string SetLink(const std::string& function, bool up);
  std::string SetHostPresent(const std::string& function, const std::string& address, bool present);
  std::string SetDhcpServer(const std::string& function, bool on);
  // Test and diagnostics hook: the bytes region (2 or 3) of the port of the
  // iSCSI function with that host adapter name holds; an empty text, or why
  // there is none (not a Tindra, no such function or region).
  std::string ReadRegion(const std::string& function, int region, std::vector<uint8_t>* bytes);
  // Test hook: the persistent targets of the iSCSI function with this device
  // instance, as the login requests that added them (empty when there is no
  // such function).
  std::vector<records::LoginRequest> persistent_targets(int iscsi_instance);

 private:
  struct Device {
    bool nic = false;
    int iscsi_instance = -1;
  };
  // What every use of the model holds: the model's life (shared; a reboot
  // takes it exclusively) and then the adapter's lock.
  struct Access {
    explicit Access(EmulatedAdapter& adapter) : alive(adapter.lifetime_), lock(adapter.mutex_) {}
    std::shared_lock<std::shared_mutex> alive;
    std::unique_lock<std::mutex> lock;
  };
  // `lock` holds mutex_; a firmware handler may release it for a while.
  platform::IoResult IscsiRequest(const Device& device, unsigned long request,
                                  std::span<uint8_t> argument, std::unique_lock<std::mutex>& lock);
  platform::IoResult NicRequest(unsigned long request, std::span<uint8_t> argument,
                                std::unique_lock<std::mutex>& lock);
  void Record(const Device& device, unsigned long request, std::span<const uint8_t> argument);
  // The device instance of an iSCSI function's host adapter name, -1 for
  // "" (every function); nullopt for a name the adapter does not have.
  std::optional<int> InstanceNamed(const std::string& function);

  const std::string state_directory_;
  // Held shared by every request for its whole run, also while a firmware
  // handler waits on a real target without mutex_, so that the model it
  // works on stays; held exclusively by Reboot() while it replaces the
  // model. Taken before mutex_.
  std::shared_mutex lifetime_;
  // Guards everything below; faults_ has its own. Released by the iSCSI
  // handlers while they wait on a real target, and taken by the background
  // logins of persistent entries (which Reboot() stops before the model
  // goes).
  std::mutex mutex_;
  std::unique_ptr<AdapterModel> model_;
  std::map<int, Device> handles_;
  int next_handle_ = 3;
  uint64_t request_count_ = 0;
  std::deque<RecordedRequest> recent_;
  Faults faults_;
};

// Makes an emulated adapter (default configuration unless given) with its
// flash under OXIM_ROOT.
std::shared_ptr<EmulatedAdapter> MakeEmulator(AdapterConfig config = DefaultConfig());

// Makes an emulated adapter and installs it as the platform backend. (Inline:
// the seam lives in the library, which links the emulator, not the reverse.)
inline std::shared_ptr<EmulatedAdapter> InstallEmulator(AdapterConfig config = DefaultConfig()) {
  std::shared_ptr<EmulatedAdapter> adapter = MakeEmulator(std::move(config));
  platform::SetBackendOverride(adapter);
  return adapter;
}

// Returns the platform to the backend chosen by OXIM_ADAPTER.
inline void UninstallEmulator() { platform::SetBackendOverride(nullptr); }

}  // namespace oxim::emulator

#endif  // OXIM_EMULATOR_EMULATOR_H_
