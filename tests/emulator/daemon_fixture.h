// The emulated adapter's daemon as the tests meet it: the real program
// started on a temporary root, and clients that talk to it over its socket
// with the wire codec.
//
//   DaemonProcess daemon(root.path());          // --foreground --ready-fd 3
//   ASSERT_EQ(daemon.ready_line(), "ready");
//   WireClient client(root.path());
//   ASSERT_EQ(client.Hello(), 0u);
//   int nic = client.Open(records::kNicDevicePath);
//   ...                                         // the destructor stops it
#ifndef OXIM_TESTS_EMULATOR_DAEMON_FIXTURE_H_
#define OXIM_TESTS_EMULATOR_DAEMON_FIXTURE_H_

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/emulator_wire.h"
#include "records/request_header.h"

namespace oxim::testing {

using std::chrono::milliseconds;

// The daemon program CMake built.
inline constexpr char kDaemonProgram[] = OXIM_EMULATORD_PATH;

// One daemon process, started by the test and always stopped by it: the
// destructor sends SIGTERM, and SIGKILL when that is not enough, and waits
// for the process whatever happened. A daemon that does not end cleanly on
// SIGTERM (a sanitizer's report makes its exit status non-zero) fails the
// test with what it wrote on standard error.
class DaemonProcess {
 public:
  struct Options {
    std::vector<std::string> extra;  // further arguments (--config F, --idle N)
    bool foreground = true;
    std::vector<std::string> prefix;  // words run before the program (setpriv ...)
    bool wait_ready = true;           // read the ready line before returning
    int output_fd = -1;               // its standard output and error (-1: /dev/null)
  };
  explicit DaemonProcess(const std::string& root) : DaemonProcess(root, Options()) {}
  // In the foreground, with further arguments.
  DaemonProcess(const std::string& root, std::vector<std::string> extra)
      : DaemonProcess(root, WithArguments(std::move(extra))) {}
  DaemonProcess(const std::string& root, Options options);
  ~DaemonProcess();
  DaemonProcess(const DaemonProcess&) = delete;
  DaemonProcess& operator=(const DaemonProcess&) = delete;

  pid_t pid() const { return pid_; }
  // The line the daemon wrote on its ready descriptor ("" when none came
  // within 5 seconds), without its line end.
  const std::string& ready_line();
  // Waits for the process to end, at most `bound`; its wait status in
  // *status (also when it ended before). False when it still runs.
  bool WaitExit(milliseconds bound, int* status = nullptr);
  bool running();

 private:
  // What the daemon wrote on standard error, for a failure message.
  std::string Stderr() const;
  static Options WithArguments(std::vector<std::string> extra) {
    Options options;
    options.extra = std::move(extra);
    return options;
  }

  pid_t pid_ = -1;
  int ready_fd_ = -1;
  int stderr_fd_ = -1;
  bool have_line_ = false;
  std::string line_;
  bool reaped_ = false;
  int wait_status_ = 0;
};

// The whole content of a file ("" when it cannot be read).
std::string ReadFile(const std::string& path);

// The socket of a root's daemon.
std::string DaemonSocket(const std::string& root);

// One connection to a daemon.
class WireClient {
 public:
  explicit WireClient(const std::string& root);
  ~WireClient();
  WireClient(const WireClient&) = delete;
  WireClient& operator=(const WireClient&) = delete;

  bool connected() const { return fd_ >= 0; }
  // Sends a request and returns the answer's payload; nullopt when the
  // daemon closed the connection instead.
  std::optional<std::vector<uint8_t>> Exchange(const wire::Request& request);
  bool SendBytes(const std::vector<uint8_t>& bytes);
  // Whether the daemon closed the connection within the bound.
  bool ClosedByDaemon(milliseconds bound = milliseconds(2000));

  // The hello's status (~0u without an answer).
  uint32_t Hello(const std::string& digest = "", uint32_t version = wire::kProtocolVersion);
  // A handle, or -1 with the error in *error.
  int Open(const std::string& path, int* error = nullptr);
  // The driver request's answer (result -1, error -1 without an answer).
  wire::IoctlAnswer Ioctl(int handle, uint64_t request, std::vector<uint8_t> argument);
  wire::DeviceAnswer Close(int handle);
  // A control request's status and answer (status ~0u without an answer).
  std::pair<uint32_t, nlohmann::json> Control(const nlohmann::json& request);
  std::pair<uint32_t, nlohmann::json> Control(const std::string& text);

 private:
  int fd_ = -1;
};

// A firmware command buffer: header and `length` payload bytes.
std::vector<uint8_t> FirmwareCommand(uint8_t opcode, uint8_t subsystem, uint32_t length);
// A login (opcode 23) or persistent entry (27) command for a target at a
// portal (port 3260).
std::vector<uint8_t> LoginCommand(uint8_t opcode, const std::string& target,
                                  const std::string& address, uint16_t qualifier = 0);
// The response header written over a command buffer.
records::ResponseHeader ResponseOf(const std::vector<uint8_t>& buffer);

// Polls `done` every 10 ms until it is true or `bound` has passed.
template <typename Done>
bool Eventually(Done done, milliseconds bound = milliseconds(3000)) {
  const auto deadline = std::chrono::steady_clock::now() + bound;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(milliseconds(10));
  }
  return true;
}

}  // namespace oxim::testing

#endif  // OXIM_TESTS_EMULATOR_DAEMON_FIXTURE_H_
