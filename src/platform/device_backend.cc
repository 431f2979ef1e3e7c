// Backend choice and device bookkeeping; see device_backend.h.
#include "platform/device_backend.h"

#include <cerrno>
#include <cstdlib>
#include <map>
#include <mutex>

#include "core/log.h"
#include "platform/socket_backend.h"

namespace oxim::platform {
namespace {

// Guards everything below. Driver calls themselves run outside it.
std::mutex g_mutex;
std::shared_ptr<DeviceBackend> g_override;
std::shared_ptr<DeviceBackend> g_current;
// The OXIM_ADAPTER and OXIM_ROOT g_current was made for. Kept when making it
// failed too, so that a refused choice is tried (and logged) once per key.
std::string g_current_key;
// Open handles and the backend that owns each.
std::map<int, std::shared_ptr<DeviceBackend>> g_handles;

std::string EnvOr(const char* name, const char* fallback) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : fallback;
}

std::unique_ptr<DeviceBackend> MakeBackend(const std::string& adapter) {
  if (adapter.empty() || adapter == "host") return MakeHostBackend();
  if (adapter == "emulator") return MakeSocketBackend("");
  constexpr std::string_view kFilePrefix = "emulator:";
  if (adapter.starts_with(kFilePrefix)) {
    return MakeSocketBackend(std::string_view(adapter).substr(kFilePrefix.size()));
  }
  pdebug(kModuleAdapter, kLogError, "Unknown adapter selection OXIM_ADAPTER=%s\n", adapter.c_str());
  return nullptr;
}

// The backend for a new use. With no device open the environment is read
// again, so a changed OXIM_ADAPTER or OXIM_ROOT takes effect. REQUIRES:
// g_mutex held.
std::shared_ptr<DeviceBackend> ChooseLocked() {
  if (g_override) return g_override;
  if (g_current && !g_handles.empty()) return g_current;
  std::string adapter = EnvOr("OXIM_ADAPTER", "host");
  std::string key = adapter + '\n' + EnvOr("OXIM_ROOT", "");
  if (key != g_current_key) {
    g_current = MakeBackend(adapter);
    g_current_key = key;
  }
  return g_current;
}

}  // namespace

int OpenDevice(const std::string& path) {
  std::shared_ptr<DeviceBackend> backend;
  {
    std::lock_guard<std::mutex> guard(g_mutex);
    backend = ChooseLocked();
  }
  if (!backend) {
    errno = EINVAL;
    return -1;
  }
  int handle = backend->Open(path);
  if (handle < 0) return -1;
  std::lock_guard<std::mutex> guard(g_mutex);
  g_handles[handle] = std::move(backend);
  return handle;
}

IoResult DeviceIoctl(int handle, unsigned long request, std::span<uint8_t> argument) {
  std::shared_ptr<DeviceBackend> backend;
  {
    std::lock_guard<std::mutex> guard(g_mutex);
    auto it = g_handles.find(handle);
    if (it != g_handles.end()) backend = it->second;
  }
  if (!backend) return {-1, EBADF};
  return backend->Ioctl(handle, request, argument);
}

int CloseDevice(int handle) {
  std::shared_ptr<DeviceBackend> backend;
  {
    std::lock_guard<std::mutex> guard(g_mutex);
    auto it = g_handles.find(handle);
    if (it == g_handles.end()) {
      errno = EBADF;
      return -1;
    }
    backend = std::move(it->second);
    g_handles.erase(it);
  }
  return backend->Close(handle);
}

bool ReadHostFile(const std::string& path, std::string* content) {
  std::shared_ptr<DeviceBackend> backend;
  {
    std::lock_guard<std::mutex> guard(g_mutex);
    backend = ChooseLocked();
  }
  return backend && backend->ReadHostFile(path, content);
}

ToolResult RunHostTool(const std::vector<std::string>& argv) {
  std::shared_ptr<DeviceBackend> backend;
  {
    std::lock_guard<std::mutex> guard(g_mutex);
    backend = ChooseLocked();
  }
  if (!backend) return {};
  return backend->RunHostTool(argv);
}

std::string AdapterProblem() {
  const std::string adapter = EnvOr("OXIM_ADAPTER", "host");
  {
    std::lock_guard<std::mutex> guard(g_mutex);
    if (g_override) return "";
  }
  if (adapter == "emulator" || adapter.starts_with("emulator:")) return EmulatorProblem();
  if (!adapter.empty() && adapter != "host")
    return "unknown adapter selection OXIM_ADAPTER=" + adapter;
  return "";
}

void SetBackendOverride(std::shared_ptr<DeviceBackend> backend) {
  std::lock_guard<std::mutex> guard(g_mutex);
  g_override = std::move(backend);
}

}  // namespace oxim::platform
