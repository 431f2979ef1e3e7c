// The driver side of the emulated adapter; see emulator.h.
#include "emulator.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>

#include "boot_firmware.h"
#include "config_json.h"
#include "core/host_paths.h"
#include "core/log.h"
#include "firmware.h"
#include "host_view.h"
#include "iscsi_firmware.h"
#include "network_model.h"
#include "pci_config.h"
#include "records/coding.h"
#include "records/driver_records.h"

namespace oxim::emulator {
namespace {

constexpr size_t kRecentRequests = 16;
// Largest host file read from the root.
constexpr size_t kMaxHostFile = 1 << 20;

platform::IoResult Fail(int error) { return {-1, error}; }

// The host's name of the iSCSI function with this device instance.
std::string HostAdapterName(int instance) { return "vmhba" + std::to_string(64 + instance); }

}  // namespace

EmulatedAdapter::EmulatedAdapter(AdapterConfig config, std::string state_directory)
    : state_directory_(std::move(state_directory)) {
  ArmFaults(config);
  model_ = std::make_unique<AdapterModel>(std::move(config), state_directory_);
  model_->iscsi().StartRealLogins(mutex_);
}

EmulatedAdapter::~EmulatedAdapter() { model_->iscsi().StopRealLogins(); }

void EmulatedAdapter::ArmFaults(const AdapterConfig& faults) {
  for (const CommandFault& fault : faults.command_faults) faults_.FailCommand(fault);
  for (const DriverFault& fault : faults.driver_faults) faults_.FailDriverCall(fault);
  for (const ShortAnswerFault& fault : faults.short_answers) faults_.ShortenAnswer(fault);
  for (const NicCountChange& change : faults.nic_count_changes) faults_.ChangeNicFunctions(change);
}

void EmulatedAdapter::Reboot() {
  std::unique_lock<std::shared_mutex> exclusive(lifetime_);
  // No request runs now, and none starts before the new model is up. The
  // background logins take only mutex_: stop them before the model goes.
  model_->iscsi().StopRealLogins();
  AdapterConfig config = model_->config();
  // The network and the driver's view are not the adapter's: a target that
  // is off line stays so, and so does the number of NIC functions shown.
  const std::vector<SimulatedTarget>& network = model_->iscsi().network();
  for (size_t i = 0; i < config.targets.size() && i < network.size(); ++i) {
    config.targets[i].online = network[i].online;
  }
  config.visible_nic_functions = model_->visible_nic_count();
  // Nor are the ports' links, the hosts there and their DHCP servers.
  std::vector<PortNetwork> networks;
  model_->network().KeepConditions(&networks);
  for (size_t i = 0; i < networks.size(); ++i) {
    const FunctionRef& ref = model_->iscsi_functions()[i];
    config.controllers[ref.controller].functions[ref.function].network = std::move(networks[i]);
  }
  std::lock_guard<std::mutex> guard(mutex_);
  model_.reset();  // logs the real sessions out
  model_ = std::make_unique<AdapterModel>(std::move(config), state_directory_);
  model_->iscsi().StartRealLogins(mutex_);
}

std::vector<SessionSummary> EmulatedAdapter::Sessions() {
  Access access(*this);
  std::vector<SessionSummary> sessions;
  for (const IscsiFunctionState& f : model_->iscsi().functions()) {
    const records::PciAddress& pci = model_->function(f.function).pci;
    char address[16];
    std::snprintf(address, sizeof address, "%02x:%02x.%x", pci.bus, pci.device, pci.function);
    for (const EmulatedSession& session : f.sessions) {
      SessionSummary summary;
      summary.function = HostAdapterName(f.instance);
      summary.pci = address;
      summary.target = session.request.target_name;
      const std::string host = records::PortalAddressText(session.request.portal);
      summary.portal =
          (session.request.portal.address_type == records::kAddressIpv6 ? "[" + host + "]" : host) +
          ":" + std::to_string(session.request.portal.port);
      // A real session whose target went away shows as closed, as the
      // firmware shows it at the function's next command.
      const bool lost = session.real != nullptr && !session.real->connected();
      if (session.state == records::kSessionOpen && !lost) {
        summary.state = "Open";
      } else if (session.state == records::kSessionLoginFailed) {
        summary.state = "Login failed";
      } else {
        summary.state = "Closed";
      }
      sessions.push_back(std::move(summary));
    }
  }
  return sessions;
}

std::optional<int> EmulatedAdapter::InstanceNamed(const std::string& function) {
  if (function.empty()) return -1;
  for (size_t i = 0; i < model_->iscsi_functions().size(); ++i) {
    if (HostAdapterName(static_cast<int>(i)) == function) return static_cast<int>(i);
  }
  return std::nullopt;
}

std::string EmulatedAdapter::SetLink(const std::string& function, bool up) {
  Access access(*this);
  std::optional<int> instance = InstanceNamed(function);
  if (!instance || !model_->network().SetLink(*instance, up)) {
    return "the adapter has no iSCSI function " + (function.empty() ? "at all" : function);
  }
  return "";
}

std::string EmulatedAdapter::ReadRegion(const std::string& function, int region,
                                        std::vector<uint8_t>* bytes) {
  Access access(*this);
  std::optional<int> instance = InstanceNamed(function);
  if (!instance || *instance < 0) return "the adapter has no iSCSI function " + function;
  std::optional<std::vector<uint8_t>> stored =
      RegionBytes(*model_, model_->iscsi_functions()[*instance], region);
  if (!stored) return function + " has no iSCSI region " + std::to_string(region);
  *bytes = std::move(*stored);
  return "";
}

std::string EmulatedAdapter::SetHostPresent(const std::string& function, const std::string& address,
                                            bool present) {
  Access access(*this);
  std::optional<NetAddress> host = ParseNetAddress(address);
  if (!host) return "\"" + address + "\" is not an IPv4 or IPv6 address";
  std::optional<int> instance = InstanceNamed(function);
  if (!instance) return "the adapter has no iSCSI function " + function;
  if (!model_->network().SetHostPresent(*instance, *host, present)) {
    return "no network of " + (function.empty() ? "the adapter" : function) + " has a host " +
           address;
  }
  return "";
}

std::string EmulatedAdapter::SetDhcpServer(const std::string& function, bool on) {
  Access access(*this);
  std::optional<int> instance = InstanceNamed(function);
  if (!instance) return "the adapter has no iSCSI function " + function;
  if (!model_->network().SetDhcpServer(*instance, on)) {
    return "no network of " + (function.empty() ? "the adapter" : function) + " has a DHCP server";
  }
  return "";
}

void EmulatedAdapter::set_visible_nic_functions(int count) {
  Access access(*this);
  model_->set_visible_nic_count(count);
}

int EmulatedAdapter::visible_nic_functions() {
  Access access(*this);
  return model_->visible_nic_count();
}

int EmulatedAdapter::configured_nic_functions() {
  Access access(*this);
  return static_cast<int>(model_->nic_functions().size());
}

int EmulatedAdapter::Open(const std::string& path) {
  Access access(*this);
  Device device;
  std::string_view prefix = records::kIscsiDevicePrefix;
  if (path == records::kNicDevicePath) {
    device.nic = true;
  } else if (path.starts_with(prefix) && path.size() > prefix.size()) {
    int instance = -1;
    const char* first = path.data() + prefix.size();
    const char* last = path.data() + path.size();
    auto [end, error] = std::from_chars(first, last, instance);
    if (error != std::errc() || end != last || instance < 0 ||
        static_cast<size_t>(instance) >= model_->iscsi_functions().size()) {
      errno = ENOENT;
      return -1;
    }
    device.iscsi_instance = instance;
  } else {
    errno = ENOENT;
    return -1;
  }
  int handle = next_handle_++;
  handles_[handle] = device;
  return handle;
}

int EmulatedAdapter::Close(int handle) {
  Access access(*this);
  if (handles_.erase(handle) == 0) {
    errno = EBADF;
    return -1;
  }
  return 0;
}

platform::IoResult EmulatedAdapter::Ioctl(int handle, unsigned long request,
                                          std::span<uint8_t> argument) {
  Access access(*this);
  std::unique_lock<std::mutex>& lock = access.lock;
  auto it = handles_.find(handle);
  if (it == handles_.end()) return Fail(EBADF);
  Device device = it->second;
  Record(device, request, argument);
  if (std::optional<int> error = faults_.TakeDriverFault(request)) return Fail(*error);
  if (!device.nic) return IscsiRequest(device, request, argument, lock);
  platform::IoResult result = NicRequest(request, argument, lock);
  if (std::optional<int> count = faults_.CountNicRequest()) model_->set_visible_nic_count(*count);
  return result;
}

platform::IoResult EmulatedAdapter::IscsiRequest(const Device& device, unsigned long request,
                                                 std::span<uint8_t> argument,
                                                 std::unique_lock<std::mutex>& lock) {
  if (request == records::kIscsiHostAdapterNameRequest) {
    if (!records::EncodeHostAdapterName(argument, HostAdapterName(device.iscsi_instance))) {
      return Fail(ERANGE);
    }
    return {};
  }
  if (request != records::kIscsiFirmwareRequest) return Fail(ENOTTY);
  std::optional<records::RequestHeader> header = records::DecodeRequestHeader(argument);
  if (!header || header->request_length > argument.size() - records::kRequestHeaderSize) {
    return Fail(EINVAL);
  }
  ExecuteCommand(*model_, faults_, model_->iscsi_functions()[device.iscsi_instance],
                 argument.first(records::kRequestHeaderSize + header->request_length),
                 HandlerTable(), &lock);
  return {};
}

platform::IoResult EmulatedAdapter::NicRequest(unsigned long request, std::span<uint8_t> argument,
                                               std::unique_lock<std::mutex>& lock) {
  switch (request) {
    case records::kNicFirmwareRequest: {
      std::optional<records::PciAddress> address = records::DecodeNicEnvelopePrefix(argument);
      if (!address) return Fail(EINVAL);
      std::optional<FunctionRef> function = model_->FindNicFunction(*address);
      if (!function) return Fail(ENODEV);
      std::span<uint8_t> command = argument.subspan(records::kNicCommandOffset);
      std::optional<records::RequestHeader> header = records::DecodeRequestHeader(command);
      if (!header || header->request_length > command.size() - records::kRequestHeaderSize) {
        return Fail(EINVAL);
      }
      ExecuteCommand(*model_, faults_, *function,
                     command.first(records::kRequestHeaderSize + header->request_length),
                     HandlerTable(), &lock);
      return {};
    }
    case records::kNicDriverInfoRequest:
    case records::kNicVirtualFunctionRequest: {
      std::optional<records::PciAddress> address = records::DecodeDriverInfoAddress(argument);
      if (!address) return Fail(EINVAL);
      std::optional<FunctionRef> function = model_->FindNicFunction(*address);
      if (!function) return Fail(ENODEV);
      const FunctionConfig& config = model_->function(*function);
      records::DriverInfoAnswer answer;
      answer.mtu = config.mtu;
      records::EncodeDriverInfoAnswer(argument, answer);
      // Request 7: the virtual functions as the host's ip link left them.
      if (request == records::kNicVirtualFunctionRequest &&
          !records::EncodeVirtualFunctions(argument,
                                           model_->nic_state(*function).virtual_functions)) {
        return Fail(EINVAL);
      }
      return {};
    }
    case records::kNicChipInfoRequest: {
      std::vector<records::ChipInfoController> controllers;
      int last_controller = -1;
      for (const FunctionRef& ref : model_->visible_nic_functions()) {
        const FunctionConfig& function = model_->function(ref);
        if (ref.controller != last_controller) {
          controllers.push_back({function.pci.bus, function.pci.device, {}});
          last_controller = ref.controller;
        }
        controllers.back().functions.push_back(function.pci.function);
      }
      if (!records::EncodeChipInfo(argument, controllers)) return Fail(EINVAL);
      return {};
    }
    case records::kNicPciConfigReadRequest: {
      std::optional<records::PciConfigRead> read = records::DecodePciConfigRead(argument);
      if (!read) return Fail(EINVAL);
      std::optional<FunctionRef> function = model_->FindNicFunction(read->address);
      if (!function) return Fail(ENODEV);
      if (read->config_offset > kConfigSpaceSize ||
          read->length > kConfigSpaceSize - read->config_offset) {
        return Fail(EINVAL);
      }
      std::vector<uint8_t> space = ConfigSpace(*model_, *function);
      records::EncodePciConfigData(argument,
                                   std::span(space).subspan(read->config_offset, read->length));
      return {};
    }
    default: return Fail(ENOTTY);
  }
}

void EmulatedAdapter::Record(const Device& device, unsigned long request,
                             std::span<const uint8_t> argument) {
  ++request_count_;
  recent_.push_back({request, device.nic, device.iscsi_instance,
                     std::vector<uint8_t>(argument.begin(), argument.end())});
  if (recent_.size() > kRecentRequests) recent_.pop_front();
}

bool EmulatedAdapter::ReadHostFile(const std::string& path, std::string* content) {
  if (path == kEsxConfPath) {
    Access access(*this);
    *content = EsxConf(*model_);
    return true;
  }
  if (path == kIssueNetPath) {
    Access access(*this);
    if (!model_->config().issue_net) return false;
    *content = *model_->config().issue_net;
    return true;
  }
  // Any other file comes from the root: a regular one, and not a large
  // one (a client may name /dev/zero or a pipe).
  const int fd = open(HostPath(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat info;
  bool ok = fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
            info.st_size <= static_cast<off_t>(kMaxHostFile);
  std::string read_so_far;
  char chunk[4096];
  while (ok) {
    const ssize_t got = read(fd, chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      ok = got == 0;
      break;
    }
    read_so_far.append(chunk, static_cast<size_t>(got));
    ok = read_so_far.size() <= kMaxHostFile;
  }
  close(fd);
  if (ok) *content = std::move(read_so_far);
  return ok;
}

platform::ToolResult EmulatedAdapter::RunHostTool(const std::vector<std::string>& argv) {
  Access access(*this);
  return RunEmulatedTool(*model_, argv);
}

uint64_t EmulatedAdapter::request_count() {
  Access access(*this);
  return request_count_;
}

std::vector<RecordedRequest> EmulatedAdapter::recent_requests() {
  Access access(*this);
  return {recent_.begin(), recent_.end()};
}

void EmulatedAdapter::clear_requests() {
  Access access(*this);
  request_count_ = 0;
  recent_.clear();
}

int EmulatedAdapter::open_handles() {
  Access access(*this);
  return static_cast<int>(handles_.size());
}

bool EmulatedAdapter::SetTargetOnline(const std::string& name, bool online) {
  Access access(*this);
  return model_->iscsi().SetTargetOnline(name, online);
}

std::vector<records::LoginRequest> EmulatedAdapter::persistent_targets(int iscsi_instance) {
  Access access(*this);
  IscsiFunctionState* function = model_->iscsi().Instance(iscsi_instance);
  return function != nullptr ? function->persistent : std::vector<records::LoginRequest>{};
}

std::shared_ptr<EmulatedAdapter> MakeEmulator(AdapterConfig config) {
  return std::make_shared<EmulatedAdapter>(std::move(config), HostPath(kStateDirectory));
}

}  // namespace oxim::emulator
