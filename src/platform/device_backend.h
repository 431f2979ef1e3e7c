// The seam between the library and what stands behind the adapter's driver
// devices, the host's files and the host's tools: the real host, or the
// emulated adapter. OXIM_ADAPTER chooses ("host" by default, "emulator",
// "emulator:FILE"); it is read when a device is opened, not at load time.
//
// Handles returned by OpenDevice belong to the backend that opened them. The
// backend is chosen again only when no device is open, so a handle never
// outlives the backend it names.
//
//   int handle = platform::OpenDevice(records::kNicDevicePath);
//   if (handle < 0) ...;  // errno tells why
//   platform::IoResult r = platform::DeviceIoctl(handle, 6, record);
//   platform::CloseDevice(handle);
#ifndef OXIM_PLATFORM_DEVICE_BACKEND_H_
#define OXIM_PLATFORM_DEVICE_BACKEND_H_

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace oxim::platform {

// Outcome of a driver call: the call's result (0 on success) and, when it
// failed, the error number.
struct IoResult {
  int result = 0;
  int error = 0;
};

// Output of a host tool.
struct ToolResult {
  int exit_status = -1;  // -1 when the tool could not be started
  std::string output;    // standard output
};

// What stands behind the driver devices, host files and host tools. Every
// method may be called from several threads at once.
class DeviceBackend {
 public:
  virtual ~DeviceBackend() = default;
  // Opens a device node given by its host path (without OXIM_ROOT). Returns
  // a handle >= 0, or -1 with errno set.
  virtual int Open(const std::string& path) = 0;
  // One driver request on an open handle. `argument` is the request's whole
  // buffer; the driver reads and writes only inside it.
  virtual IoResult Ioctl(int handle, unsigned long request, std::span<uint8_t> argument) = 0;
  // Closes a handle; -1 with errno set for an unknown handle.
  virtual int Close(int handle) = 0;
  // Reads a whole host file given by its host path. False when it cannot be
  // read.
  virtual bool ReadHostFile(const std::string& path, std::string* content) = 0;
  // Runs a host tool: argv[0] is looked up in PATH, the words are passed as
  // they are (no shell).
  virtual ToolResult RunHostTool(const std::vector<std::string>& argv) = 0;
};

// The real host: device nodes and files under OXIM_ROOT, real ioctl, tools
// run with posix_spawn.
std::unique_ptr<DeviceBackend> MakeHostBackend();

// Device access through the current backend. OpenDevice chooses the backend
// from OXIM_ADAPTER (and OXIM_ROOT) when no device is open; an unknown
// OXIM_ADAPTER value fails the open with EINVAL.
int OpenDevice(const std::string& path);
IoResult DeviceIoctl(int handle, unsigned long request, std::span<uint8_t> argument);
int CloseDevice(int handle);
// Host files and tools through the current backend (chosen as for
// OpenDevice when none is in use yet).
bool ReadHostFile(const std::string& path, std::string* content);
ToolResult RunHostTool(const std::vector<std::string>& argv);

// Why the adapter OXIM_ADAPTER chooses cannot be used, in words for the log
// and the last status; "" when nothing is known against it (the real host
// without adapter is not a problem of the choice).
std::string AdapterProblem();

// Test hook: makes `backend` the backend of every following call regardless
// of OXIM_ADAPTER; nullptr returns to the choice by the environment. Devices
// opened before belong to the old backend and must be closed first.
void SetBackendOverride(std::shared_ptr<DeviceBackend> backend);

}  // namespace oxim::platform

#endif  // OXIM_PLATFORM_DEVICE_BACKEND_H_
