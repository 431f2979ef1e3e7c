// The daemon as the tests meet it; see daemon_fixture.h.
#include "emulator/daemon_fixture.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

#include "platform/unix_socket.h"
#include "records/iscsi_login.h"

extern char** environ;

namespace oxim::testing {

using Clock = std::chrono::steady_clock;

DaemonProcess::DaemonProcess(const std::string& root, Options options) {
  std::vector<std::string> args = options.prefix;
  args.insert(args.end(), {kDaemonProgram, "--root", root, "--ready-fd", "3"});
  if (options.foreground) args.push_back("--foreground");
  args.insert(args.end(), options.extra.begin(), options.extra.end());
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  int ready[2];
  if (pipe2(ready, O_CLOEXEC) != 0) return;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  if (options.output_fd >= 0) {
    posix_spawn_file_actions_adddup2(&actions, options.output_fd, 1);
    posix_spawn_file_actions_adddup2(&actions, options.output_fd, 2);
  } else {
    // What it says on standard error (a sanitizer's report, say) is kept
    // for a failure message.
    stderr_fd_ = open("/tmp", O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    if (stderr_fd_ >= 0) {
      posix_spawn_file_actions_adddup2(&actions, stderr_fd_, 2);
    } else {
      posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    }
  }
  posix_spawn_file_actions_adddup2(&actions, ready[1], 3);
  if (posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
  posix_spawn_file_actions_destroy(&actions);
  close(ready[1]);
  ready_fd_ = ready[0];
  if (options.wait_ready) ready_line();
}

DaemonProcess::~DaemonProcess() {
  if (ready_fd_ >= 0) close(ready_fd_);
  if (pid_ > 0 && !reaped_) {
    // Still serving: SIGTERM must end it cleanly.
    kill(pid_, SIGTERM);
    int status = 0;
    if (!WaitExit(milliseconds(5000), &status)) {
      kill(pid_, SIGKILL);
      WaitExit(milliseconds(5000));
      ADD_FAILURE() << "the daemon did not end on SIGTERM" << Stderr();
    } else if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      ADD_FAILURE() << "the daemon ended on SIGTERM with wait status " << status << Stderr();
    }
  }
  if (stderr_fd_ >= 0) close(stderr_fd_);
}

std::string DaemonProcess::Stderr() const {
  if (stderr_fd_ < 0) return "";
  std::string text;
  char chunk[4096];
  ssize_t n;
  for (off_t at = 0; (n = pread(stderr_fd_, chunk, sizeof chunk, at)) > 0; at += n) {
    text.append(chunk, static_cast<size_t>(n));
  }
  return "; its standard error:\n" + text;
}

const std::string& DaemonProcess::ready_line() {
  if (have_line_) return line_;
  have_line_ = true;
  const auto deadline = Clock::now() + milliseconds(5000);
  while (ready_fd_ >= 0 && line_.find('\n') == std::string::npos) {
    const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now()).count();
    pollfd watch{ready_fd_, POLLIN, 0};
    if (left <= 0 || poll(&watch, 1, static_cast<int>(left)) <= 0) break;
    char chunk[256];
    const ssize_t n = read(ready_fd_, chunk, sizeof chunk);
    if (n <= 0) break;
    line_.append(chunk, static_cast<size_t>(n));
  }
  line_ = line_.substr(0, line_.find('\n'));
  return line_;
}

bool DaemonProcess::WaitExit(milliseconds bound, int* status) {
  if (pid_ <= 0) return true;
  const auto deadline = Clock::now() + bound;
  while (!reaped_) {
    if (waitpid(pid_, &wait_status_, WNOHANG) == pid_) {
      reaped_ = true;
      break;
    }
    if (Clock::now() > deadline) return false;
    std::this_thread::sleep_for(milliseconds(5));
  }
  if (status != nullptr) *status = wait_status_;
  return true;
}

bool DaemonProcess::running() { return !WaitExit(milliseconds(0)); }

std::vector<uint8_t> FirmwareCommand(uint8_t opcode, uint8_t subsystem, uint32_t length) {
  std::vector<uint8_t> buffer(records::kRequestHeaderSize + length, 0);
  records::EncodeRequestHeader(buffer, {opcode, subsystem, 0, 0, 120, length, 0});
  return buffer;
}

std::vector<uint8_t> LoginCommand(uint8_t opcode, const std::string& target,
                                  const std::string& address, uint16_t qualifier) {
  records::LoginRequest request;
  request.target_name = target;
  request.portal = records::PortalFromText(address, 3260);
  request.flags = opcode == 27 ? records::kLoginFlagsPersistent : records::kLoginFlagsLogin;
  request.isid_qualifier = qualifier;
  request.initiator_name = "iqn.2026-01.net.oxim-test:daemon";
  records::EncodeLoginOptions(request.options, records::DefaultLoginOptions());
  std::vector<uint8_t> buffer = FirmwareCommand(opcode, 6, records::kLoginRequestSize);
  records::EncodeLoginRequest(std::span(buffer).subspan(records::kPayloadOffset), request);
  return buffer;
}

records::ResponseHeader ResponseOf(const std::vector<uint8_t>& buffer) {
  return records::DecodeResponseHeader(buffer).value_or(records::ResponseHeader{});
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string DaemonSocket(const std::string& root) { return root + wire::kEmulatorSocketPath; }

WireClient::WireClient(const std::string& root) {
  fd_ = platform::ConnectUnixSocket(DaemonSocket(root));
  // A test never waits forever on a daemon that does not answer.
  timeval bound{10, 0};
  if (fd_ >= 0) setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &bound, sizeof bound);
}

WireClient::~WireClient() {
  if (fd_ >= 0) close(fd_);
}

bool WireClient::SendBytes(const std::vector<uint8_t>& bytes) {
  return fd_ >= 0 && platform::SendAll(fd_, bytes);
}

std::optional<std::vector<uint8_t>> WireClient::Exchange(const wire::Request& request) {
  if (!SendBytes(wire::EncodeRequest(request))) return std::nullopt;
  return platform::ReceiveFrame(fd_);
}

bool WireClient::ClosedByDaemon(milliseconds bound) {
  if (fd_ < 0) return true;
  pollfd watch{fd_, POLLIN, 0};
  if (poll(&watch, 1, static_cast<int>(bound.count())) <= 0) return false;
  uint8_t byte = 0;
  const ssize_t n = recv(fd_, &byte, 1, MSG_DONTWAIT);
  // Closed with bytes of ours unread, the connection is reset.
  return n == 0 || (n < 0 && errno == ECONNRESET);
}

uint32_t WireClient::Hello(const std::string& digest, uint32_t version) {
  std::optional<std::vector<uint8_t>> payload =
      Exchange(wire::Hello{version, digest.empty() ? "emulator" : "emulator:FILE", digest});
  std::optional<wire::HelloAnswer> answer =
      payload ? wire::DecodeHelloAnswer(*payload) : std::nullopt;
  return answer ? answer->status : ~0u;
}

int WireClient::Open(const std::string& path, int* error) {
  std::optional<std::vector<uint8_t>> payload = Exchange(wire::Open{path});
  std::optional<wire::DeviceAnswer> answer =
      payload ? wire::DecodeDeviceAnswer(wire::Type::kOpen, *payload) : std::nullopt;
  if (error != nullptr) *error = answer ? answer->error : -1;
  return answer ? answer->result : -1;
}

wire::IoctlAnswer WireClient::Ioctl(int handle, uint64_t request, std::vector<uint8_t> argument) {
  std::optional<std::vector<uint8_t>> payload =
      Exchange(wire::Ioctl{handle, request, std::move(argument)});
  std::optional<wire::IoctlAnswer> answer =
      payload ? wire::DecodeIoctlAnswer(*payload) : std::nullopt;
  return answer ? *answer : wire::IoctlAnswer{-1, -1, {}};
}

wire::DeviceAnswer WireClient::Close(int handle) {
  std::optional<std::vector<uint8_t>> payload = Exchange(wire::Close{handle});
  std::optional<wire::DeviceAnswer> answer =
      payload ? wire::DecodeDeviceAnswer(wire::Type::kClose, *payload) : std::nullopt;
  return answer ? *answer : wire::DeviceAnswer{-1, -1};
}

std::pair<uint32_t, nlohmann::json> WireClient::Control(const nlohmann::json& request) {
  return Control(request.dump());
}

std::pair<uint32_t, nlohmann::json> WireClient::Control(const std::string& text) {
  std::optional<std::vector<uint8_t>> payload = Exchange(wire::Control{text});
  std::optional<wire::ControlAnswer> answer =
      payload ? wire::DecodeControlAnswer(*payload) : std::nullopt;
  if (!answer) return {~0u, nullptr};
  return {answer->status, nlohmann::json::parse(answer->answer, nullptr, false)};
}

}  // namespace oxim::testing
