// The daemon's service of one root; see server.h.
#include "daemon/server.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <ctime>

#include "daemon/control.h"
#include "platform/unix_socket.h"

namespace oxim::emulator {
namespace {

using Clock = std::chrono::steady_clock;

// How often Run() looks at the idle time, the root and the socket.
constexpr int kWatchMs = 100;
// Connections served at once; more are closed at once (a process of the
// library keeps at most 16).
constexpr int kMaxClients = 256;
// How long a client's thread looks for the next request before it sleeps:
// the library sends its requests in runs (a login sends about a dozen, one
// after another), and a request found this way costs no wake-up.
constexpr std::chrono::microseconds kNextRequestSpin{100};

// The next request of a client; nullopt when it went, or with *why set
// when it broke the wire's rules.
std::optional<wire::Request> receive_request(int fd, std::string* why) {
  bool too_large = false;
  std::optional<std::vector<uint8_t>> payload =
      platform::ReceiveFrame(fd, &too_large, kNextRequestSpin);
  if (!payload) {
    if (too_large) *why = "a frame above the limit";
    return std::nullopt;
  }
  std::optional<wire::Request> request = wire::DecodeRequest(*payload);
  if (!request) *why = "a malformed request";
  return request;
}

ino_t inode_of(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

bool directory_exists(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

}  // namespace

void DaemonLog(const char* format, ...) {
  char stamp[32];
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
  char message[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(message, sizeof message, format, args);
  va_end(args);
  std::fprintf(stderr, "%s oxim-emulatord[%d]: %s\n", stamp, static_cast<int>(getpid()), message);
  std::fflush(stderr);
}

Server::Server(std::shared_ptr<EmulatedAdapter> adapter, DaemonIdentity identity, int listening_fd,
               ServerOptions options)
    : adapter_(std::move(adapter)),
      identity_(std::move(identity)),
      listening_fd_(listening_fd),
      options_(std::move(options)) {
  if (!options_.socket_path.empty()) socket_inode_ = inode_of(options_.socket_path);
  if (pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) wake_[0] = wake_[1] = -1;
}

Server::~Server() {
  Stop();
  StopListening();
  std::list<Client> remaining;
  {
    std::lock_guard<std::mutex> guard(threads_mutex_);
    for (Client& client : clients_list_) {
      if (!client.done) shutdown(client.fd, SHUT_RDWR);
    }
    remaining.swap(clients_list_);
  }
  for (Client& client : remaining) client.thread.join();
  for (int fd : wake_) {
    if (fd >= 0) close(fd);
  }
}

void Server::Stop() {
  stopping_ = true;
  if (wake_[1] >= 0) {
    const char byte = 0;
    if (write(wake_[1], &byte, 1) < 0) {
      // The pipe is full: Run() wakes anyway.
    }
  }
}

void Server::ReapLocked() {
  for (auto it = clients_list_.begin(); it != clients_list_.end();) {
    if (it->done) {
      it->thread.join();
      it = clients_list_.erase(it);
    } else {
      ++it;
    }
  }
}

void Server::Accept() {
  const int fd = accept4(listening_fd_, nullptr, nullptr, SOCK_CLOEXEC);
  if (fd < 0) return;
  uid_t uid = 0;
  if (!platform::PeerIsThisUser(fd, &uid)) {
    DaemonLog("refused a client of user %u (the daemon serves user %u only)",
              static_cast<unsigned>(uid), static_cast<unsigned>(geteuid()));
    close(fd);
    return;
  }
  std::lock_guard<std::mutex> guard(threads_mutex_);
  if (clients_ >= kMaxClients) {
    DaemonLog("refused a client: %d clients are connected already", kMaxClients);
    close(fd);
    return;
  }
  ++clients_;
  Client& client = clients_list_.emplace_back();
  client.fd = fd;
  client.thread = std::thread([this, &client] { Serve(client); });
}

void Server::StopListening() {
  if (listening_fd_ < 0) return;
  if (socket_inode_ != 0 && inode_of(options_.socket_path) == socket_inode_) {
    unlink(options_.socket_path.c_str());
  }
  close(listening_fd_);
  listening_fd_ = -1;
}

std::string Server::EndReason(Clock::time_point last_client) const {
  if (stopping_) return "stop requested";
  if (!directory_exists(identity_.root)) return "the root directory is gone";
  if (socket_inode_ != 0 && inode_of(options_.socket_path) != socket_inode_) {
    return "the socket was removed or replaced";
  }
  if (clients_ == 0 && Clock::now() - last_client >= options_.idle) {
    return "no client for " + std::to_string(options_.idle.count()) + " s";
  }
  return "";
}

void Server::Run() {
  Clock::time_point last_client = Clock::now();
  std::string reason;
  while ((reason = EndReason(last_client)).empty()) {
    pollfd watch[2] = {{listening_fd_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
    if (poll(watch, 2, kWatchMs) > 0 && (watch[0].revents & POLLIN) != 0) Accept();
    std::lock_guard<std::mutex> guard(threads_mutex_);
    ReapLocked();
    if (clients_ > 0) last_client = Clock::now();
  }
  DaemonLog("ending: %s", reason.c_str());
  stopping_ = true;
  StopListening();
  // Wake every client thread out of its wait for a request, then join.
  std::list<Client> remaining;
  {
    std::lock_guard<std::mutex> guard(threads_mutex_);
    for (Client& client : clients_list_) {
      if (!client.done) shutdown(client.fd, SHUT_RDWR);
    }
    remaining.swap(clients_list_);
  }
  for (Client& client : remaining) client.thread.join();
}

void Server::Serve(Client& client) {
  ClientState state;
  ucred peer{};
  socklen_t length = sizeof peer;
  if (getsockopt(client.fd, SOL_SOCKET, SO_PEERCRED, &peer, &length) == 0 && peer.pid > 0) {
    std::lock_guard<std::mutex> guard(processes_mutex_);
    std::weak_ptr<ProcessHandles>& known = processes_[peer.pid];
    state.process = known.lock();
    if (state.process == nullptr) {
      state.process = std::make_shared<ProcessHandles>();
      known = state.process;
    }
  }
  bool stop_after = false;
  while (!stopping_ && !stop_after) {
    std::string why;
    std::optional<wire::Request> request = receive_request(client.fd, &why);
    if (!request) {
      if (!why.empty()) DaemonLog("closed a connection that sent %s", why.c_str());
      break;
    }
    Reply reply = Handle(state, *request);
    if (!reply.frame) {
      DaemonLog("closed a connection that asked for devices before an accepted hello");
      break;
    }
    if (!platform::SendAll(client.fd, *reply.frame)) break;
    stop_after = reply.stop_after;
  }
  Release(state);
  if (stop_after) Stop();
  // Closed under the lock, so that Run() never shuts down a number the
  // system has given to something else since.
  std::lock_guard<std::mutex> guard(threads_mutex_);
  close(client.fd);
  client.done = true;
  --clients_;
}

void Server::Release(ClientState& client) {
  if (client.process == nullptr) return;
  std::lock_guard<std::mutex> guard(processes_mutex_);
  // The process's last connection: its handles go (no other connection of
  // it can take the set meanwhile: they take it under the same lock).
  if (client.process.use_count() == 1) {
    std::lock_guard<std::mutex> lock(client.process->mutex);
    for (int handle : client.process->handles) adapter_->Close(handle);
    client.process->handles.clear();
  }
  client.process.reset();
  std::erase_if(processes_, [](const auto& entry) { return entry.second.expired(); });
}

Server::Reply Server::Handle(ClientState& client, const wire::Request& request) {
  if (const auto* hello = std::get_if<wire::Hello>(&request)) {
    wire::HelloAnswer answer;
    answer.configuration = identity_.Description();
    answer.status =
        hello->version == wire::kProtocolVersion && hello->digest == identity_.digest ? 0 : 1;
    client.greeted = answer.status == 0;
    return {wire::EncodeAnswer(wire::Type::kHello, answer)};
  }
  if (const auto* control = std::get_if<wire::Control>(&request)) {
    // Control requests need no hello: a tool asks a daemon of any
    // configuration for its status, or to stop.
    ControlOutcome outcome = HandleControl(*this, control->request);
    return {wire::EncodeAnswer(wire::Type::kControl, outcome.answer), outcome.stop};
  }
  if (!client.greeted) return {};  // devices before an accepted hello
  if (client.process == nullptr) client.process = std::make_shared<ProcessHandles>();
  ProcessHandles& process = *client.process;
  auto owns = [&process](int handle) {
    std::lock_guard<std::mutex> lock(process.mutex);
    return process.handles.contains(handle);
  };
  if (const auto* open = std::get_if<wire::Open>(&request)) {
    wire::DeviceAnswer answer;
    errno = 0;
    answer.result = adapter_->Open(open->path);
    answer.error = answer.result < 0 ? errno : 0;
    if (answer.result >= 0) {
      std::lock_guard<std::mutex> lock(process.mutex);
      process.handles.insert(answer.result);
    }
    return {wire::EncodeAnswer(wire::Type::kOpen, answer)};
  }
  if (const auto* ioctl = std::get_if<wire::Ioctl>(&request)) {
    wire::IoctlAnswer answer;
    answer.argument = ioctl->argument;
    platform::IoResult result{-1, EBADF};
    if (owns(ioctl->handle)) {
      result = adapter_->Ioctl(ioctl->handle, static_cast<unsigned long>(ioctl->request),
                               answer.argument);
    }
    answer.result = result.result;
    answer.error = result.error;
    return {wire::EncodeAnswer(wire::Type::kIoctl, answer)};
  }
  if (const auto* close_request = std::get_if<wire::Close>(&request)) {
    wire::DeviceAnswer answer{-1, EBADF};
    bool owned = false;
    {
      std::lock_guard<std::mutex> lock(process.mutex);
      owned = process.handles.erase(close_request->handle) != 0;
    }
    if (owned) {
      errno = 0;
      answer.result = adapter_->Close(close_request->handle);
      answer.error = answer.result != 0 ? errno : 0;
    }
    return {wire::EncodeAnswer(wire::Type::kClose, answer)};
  }
  if (const auto* file = std::get_if<wire::ReadHostFile>(&request)) {
    wire::HostFileAnswer answer;
    answer.found = adapter_->ReadHostFile(file->path, &answer.content);
    std::vector<uint8_t> frame = wire::EncodeAnswer(wire::Type::kReadHostFile, answer);
    if (frame.size() > wire::kFrameHeaderSize + wire::kMaxFramePayload) {
      // More than a frame carries: the client could not take it.
      frame = wire::EncodeAnswer(wire::Type::kReadHostFile, wire::HostFileAnswer{});
    }
    return {std::move(frame)};
  }
  const auto& tool = std::get<wire::RunHostTool>(request);
  platform::ToolResult result = adapter_->RunHostTool(tool.argv);
  return {wire::EncodeAnswer(wire::Type::kRunHostTool,
                             wire::HostToolAnswer{result.exit_status, std::move(result.output)})};
}

}  // namespace oxim::emulator
