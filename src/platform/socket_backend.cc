// The emulated adapter's socket backend; see socket_backend.h.
#include "platform/socket_backend.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "core/host_paths.h"
#include "core/log.h"
#include "platform/emulator_wire.h"
#include "platform/unix_socket.h"

#include <nlohmann/json.hpp>

extern char** environ;

namespace oxim::platform {
namespace {

using Clock = std::chrono::steady_clock;

// Connections one process keeps to its daemon at most; more threads wait
// for one to come free.
constexpr size_t kMaxConnections = 16;
// How long a failed connection (a daemon that did not start, or runs another
// configuration) keeps a process from trying again.
constexpr auto kRetryAfter = std::chrono::seconds(3);
// Largest configuration file a client reads (for its digest).
constexpr size_t kMaxConfigFile = 1u << 20;
// How long a request looks for its answer before it sleeps. The daemon
// answers most requests within tens of microseconds, as a driver's
// firmware mailbox answers a short command that the driver polls for; a
// real login takes a little longer. After an answer that came only once
// the request slept, the next looks half as long (down to the least), so
// that a daemon held up (by its disk, say) costs little CPU; an answer
// that comes while looking restores the whole look.
constexpr std::chrono::microseconds kAnswerSpin{200};
constexpr std::chrono::microseconds kLeastAnswerSpin{25};

std::mutex g_problem_mutex;
std::string g_problem;

void set_problem(const std::string& problem) {
  std::lock_guard<std::mutex> guard(g_problem_mutex);
  if (problem != g_problem && !problem.empty()) {
    pdebug(kModuleAdapter, kLogError, "emulated adapter: %s\n", problem.c_str());
  }
  g_problem = problem;
}

std::string root_directory() {
  const std::string root = RootPrefix();
  return root.empty() ? "/" : root;
}

// Reads a whole regular file of at most kMaxConfigFile bytes.
bool read_file(const std::string& path, std::string* content, std::string* reason) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    *reason = std::strerror(errno);
    return false;
  }
  content->clear();
  char chunk[4096];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
    content->append(chunk, got);
    if (content->size() > kMaxConfigFile) break;
  }
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed || content->size() > kMaxConfigFile) {
    *reason = failed ? "read error" : "larger than 1 MiB";
    return false;
  }
  return true;
}

bool executable(const std::string& path) { return access(path.c_str(), X_OK) == 0; }

// The daemon program: OXIM_EMULATORD, else beside the library, else in
// ../libexec from it.
std::string daemon_program() {
  if (const char* named = std::getenv("OXIM_EMULATORD"); named != nullptr && *named != '\0') {
    return named;
  }
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&MakeSocketBackend), &info) != 0 &&
      info.dli_fname != nullptr) {
    std::string directory = info.dli_fname;
    const size_t slash = directory.rfind('/');
    directory = slash == std::string::npos ? "." : directory.substr(0, slash);
    for (const std::string& candidate :
         {directory + "/oxim-emulatord", directory + "/../libexec/oxim-emulatord"}) {
      if (executable(candidate)) return candidate;
    }
  }
  return "oxim-emulatord";
}

// Starts a daemon for this root and waits until it says it is ready (or
// that another daemon already serves the root), at most 2 seconds. The
// daemon detaches from this process and keeps no stream of it open.
bool start_daemon(const std::string& config_file, std::string* problem) {
  int ready[2];
  if (pipe2(ready, O_CLOEXEC) != 0) {
    *problem = std::string("cannot start the emulated adapter: ") + std::strerror(errno);
    return false;
  }
  const std::string program = daemon_program();
  std::vector<std::string> args = {program, "--root", root_directory(), "--ready-fd", "3"};
  if (!config_file.empty()) {
    args.push_back("--config");
    args.push_back(config_file);
  }
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  for (int fd : {0, 1, 2}) {
    posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY, 0);
  }
  posix_spawn_file_actions_adddup2(&actions, ready[1], 3);
  pid_t pid = -1;
  const int spawned =
      program.find('/') == std::string::npos
          ? posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), environ)
          : posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(ready[1]);
  if (spawned != 0) {
    close(ready[0]);
    *problem = "cannot start the emulated adapter (" + program + "): " + std::strerror(spawned);
    return false;
  }
  // The daemon's first line on the ready pipe: "ready", or "error: why".
  std::string line;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(kDaemonStartWaitMs);
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    pollfd watch{ready[0], POLLIN, 0};
    if (left <= 0 || poll(&watch, 1, static_cast<int>(left)) <= 0) break;
    char chunk[512];
    const ssize_t n = read(ready[0], chunk, sizeof chunk);
    if (n <= 0) break;
    line.append(chunk, static_cast<size_t>(n));
    if (line.find('\n') != std::string::npos) break;
  }
  close(ready[0]);
  int ignored = 0;
  waitpid(pid, &ignored, 0);  // the first process of the daemon exits once it has detached
  line = line.substr(0, line.find('\n'));
  if (line == "ready") return true;
  *problem = line.rfind("error: ", 0) == 0
                 ? "the emulated adapter did not start: " + line.substr(7)
                 : "the emulated adapter (" + program + ") did not answer within 2 seconds";
  return false;
}

class SocketBackend final : public DeviceBackend {
 public:
  SocketBackend(std::string config_file, std::string digest)
      : config_file_(std::move(config_file)), digest_(std::move(digest)) {}
  ~SocketBackend() override {
    for (int fd : idle_) close(fd);
  }

  int Open(const std::string& path) override {
    std::optional<std::vector<uint8_t>> payload = Exchange(wire::Open{path});
    std::optional<wire::DeviceAnswer> answer =
        payload ? wire::DecodeDeviceAnswer(wire::Type::kOpen, *payload) : std::nullopt;
    if (!answer) {
      errno = EIO;
      return -1;
    }
    if (answer->result < 0) errno = answer->error;
    return answer->result;
  }

  IoResult Ioctl(int handle, unsigned long request, std::span<uint8_t> argument) override {
    std::optional<std::vector<uint8_t>> payload = Exchange(
        wire::Ioctl{handle, request, std::vector<uint8_t>(argument.begin(), argument.end())});
    std::optional<wire::IoctlAnswer> answer =
        payload ? wire::DecodeIoctlAnswer(*payload) : std::nullopt;
    if (!answer || answer->argument.size() != argument.size()) return {-1, EIO};
    std::copy(answer->argument.begin(), answer->argument.end(), argument.begin());
    return {answer->result, answer->error};
  }

  int Close(int handle) override {
    std::optional<std::vector<uint8_t>> payload = Exchange(wire::Close{handle});
    std::optional<wire::DeviceAnswer> answer =
        payload ? wire::DecodeDeviceAnswer(wire::Type::kClose, *payload) : std::nullopt;
    if (!answer) {
      errno = EIO;
      return -1;
    }
    if (answer->result != 0) errno = answer->error;
    return answer->result;
  }

  bool ReadHostFile(const std::string& path, std::string* content) override {
    std::optional<std::vector<uint8_t>> payload = Exchange(wire::ReadHostFile{path});
    std::optional<wire::HostFileAnswer> answer =
        payload ? wire::DecodeHostFileAnswer(*payload) : std::nullopt;
    if (!answer || !answer->found) return false;
    *content = std::move(answer->content);
    return true;
  }

  ToolResult RunHostTool(const std::vector<std::string>& argv) override {
    std::optional<std::vector<uint8_t>> payload = Exchange(wire::RunHostTool{argv});
    std::optional<wire::HostToolAnswer> answer =
        payload ? wire::DecodeHostToolAnswer(*payload) : std::nullopt;
    if (!answer) return {};
    return {answer->exit_status, std::move(answer->output)};
  }

 private:
  // One request and its answer's payload, on a connection of the pool;
  // nullopt when the daemon cannot be reached or went away.
  std::optional<std::vector<uint8_t>> Exchange(const wire::Request& request) {
    const int fd = Acquire();
    if (fd < 0) return std::nullopt;
    // The connection goes back to the pool whatever happens on the way: an
    // allocation that fails throws, and a connection never released would
    // leave the pool short until every caller waits for one forever. One
    // left midway between frames is closed.
    struct Lease {
      SocketBackend* pool;
      int fd;
      bool healthy = false;
      ~Lease() { pool->Release(fd, healthy); }
    } lease{this, fd};
    std::optional<std::vector<uint8_t>> payload;
    const std::chrono::microseconds spin(answer_spin_us_.load(std::memory_order_relaxed));
    bool slept = false;
    if (SendAll(fd, wire::EncodeRequest(request))) {
      payload = ReceiveFrame(fd, nullptr, spin, &slept);
    }
    answer_spin_us_.store(
        slept ? std::max(spin / 2, kLeastAnswerSpin).count() : kAnswerSpin.count(),
        std::memory_order_relaxed);
    lease.healthy = payload.has_value();
    return payload;
  }

  // An idle connection, or a new one (starting a daemon when none runs).
  int Acquire() {
    {
      std::unique_lock<std::mutex> lock(mutex_);
      freed_.wait(lock, [&] { return !idle_.empty() || open_ < kMaxConnections; });
      if (!idle_.empty()) {
        const int fd = idle_.back();
        idle_.pop_back();
        return fd;
      }
      ++open_;
    }
    // The place taken above is given back unless a connection holds it,
    // also when Connect() throws (an allocation that fails).
    struct Place {
      SocketBackend* pool;
      int fd = -1;
      ~Place() {
        if (fd >= 0) return;
        std::lock_guard<std::mutex> lock(pool->mutex_);
        --pool->open_;
        pool->freed_.notify_one();
      }
    } place{this};
    place.fd = Connect();
    return place.fd;
  }

  void Release(int fd, bool healthy) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (healthy) {
      idle_.push_back(fd);
    } else {
      close(fd);
      --open_;
    }
    freed_.notify_one();
  }

  int Connect() {
    {
      // A failed start or refusal is not tried again at once: start-up
      // opens 128 devices, and each would start a daemon or wait again.
      std::lock_guard<std::mutex> lock(mutex_);
      if (Clock::now() < refused_until_) {
        errno = EIO;
        return -1;
      }
    }
    std::string problem;
    const int fd = ConnectOrRefuse(&problem);
    if (fd < 0) {
      set_problem(problem);
      std::lock_guard<std::mutex> lock(mutex_);
      refused_until_ = Clock::now() + kRetryAfter;
      errno = EIO;
      return -1;
    }
    set_problem("");
    return fd;
  }

  // A connection whose hello the daemon accepted (a daemon is started when
  // none answers), or -1 with the reason in *problem.
  int ConnectOrRefuse(std::string* problem) {
    // A daemon that was ending as this process connected drops the
    // connection unanswered; the second attempt starts its successor.
    for (int attempt = 0;; ++attempt) {
      bool unanswered = false;
      const int fd = ConnectOnce(problem, &unanswered);
      if (fd >= 0 || !unanswered || attempt == 1) return fd;
    }
  }

  int ConnectOnce(std::string* problem, bool* unanswered) {
    const std::string path = HostPath(kEmulatorSocketPath);
    int fd = ConnectUnixSocket(path);
    if (fd < 0 && (errno == ENOENT || errno == ECONNREFUSED)) {
      if (!start_daemon(config_file_, problem)) return -1;
      fd = ConnectUnixSocket(path);
    }
    if (fd < 0) {
      *problem = "cannot reach the emulated adapter at " + path + ": " + std::strerror(errno);
      return -1;
    }
    if (!PeerIsThisUser(fd)) {
      close(fd);
      *problem = "the emulated adapter at " + path + " belongs to another user";
      return -1;
    }
    std::optional<std::vector<uint8_t>> payload;
    if (SendAll(fd,
                wire::EncodeRequest(wire::Hello{wire::kProtocolVersion, Selection(), digest_}))) {
      payload = ReceiveFrame(fd);
    }
    std::optional<wire::HelloAnswer> answer =
        payload ? wire::DecodeHelloAnswer(*payload) : std::nullopt;
    if (!answer || answer->status != 0) {
      close(fd);
      *unanswered = !answer;
      *problem = answer ? "the emulated adapter of " + root_directory() +
                              " runs another configuration (" + answer->configuration + ") than " +
                              (config_file_.empty() ? "the built-in one" : config_file_)
                        : "the emulated adapter at " + path + " did not answer";
      return -1;
    }
    return fd;
  }

  std::string Selection() const {
    return config_file_.empty() ? "emulator" : "emulator:" + config_file_;
  }

  const std::string config_file_;
  const std::string digest_;
  std::mutex mutex_;
  std::condition_variable freed_;
  std::vector<int> idle_;
  size_t open_ = 0;                    // connections made and not yet closed, idle or in use
  Clock::time_point refused_until_{};  // no new connection before
  std::atomic<int64_t> answer_spin_us_{kAnswerSpin.count()};  // the next request's look
};

}  // namespace

std::unique_ptr<DeviceBackend> MakeSocketBackend(std::string_view config_file) {
  std::string digest;
  if (!config_file.empty()) {
    std::string content;
    std::string reason;
    if (!read_file(std::string(config_file), &content, &reason)) {
      set_problem("configuration " + std::string(config_file) + " cannot be read: " + reason);
      return nullptr;
    }
    digest = wire::ConfigurationDigest(content);
  }
  return std::make_unique<SocketBackend>(std::string(config_file), std::move(digest));
}

namespace {

// One exchange on a fresh connection to the root's daemon; nullopt when no
// daemon answers (nothing is started).
std::optional<std::vector<uint8_t>> exchange_once(const wire::Request& request) {
  const int fd = ConnectUnixSocket(HostPath(kEmulatorSocketPath));
  if (fd < 0) return std::nullopt;
  std::optional<std::vector<uint8_t>> payload;
  if (PeerIsThisUser(fd) && SendAll(fd, wire::EncodeRequest(request))) payload = ReceiveFrame(fd);
  close(fd);
  return payload;
}

std::string json_error(const std::string& why) { return nlohmann::json{{"error", why}}.dump(); }

// {"op":"start"}: a daemon for this root with the given configuration,
// started when none runs.
uint32_t start_emulator(const std::string& config_file, std::string* answer) {
  std::string digest;
  if (!config_file.empty()) {
    std::string content;
    std::string reason;
    if (!read_file(config_file, &content, &reason)) {
      *answer = json_error("configuration " + config_file + " cannot be read: " + reason);
      return 1;
    }
    digest = wire::ConfigurationDigest(content);
  }
  const std::string selection = config_file.empty() ? "emulator" : "emulator:" + config_file;
  std::optional<std::vector<uint8_t>> payload =
      exchange_once(wire::Hello{wire::kProtocolVersion, selection, digest});
  bool started = false;
  if (!payload) {
    std::string problem;
    if (!start_daemon(config_file, &problem)) {
      *answer = json_error(problem);
      return 1;
    }
    started = true;
    payload = exchange_once(wire::Hello{wire::kProtocolVersion, selection, digest});
  }
  std::optional<wire::HelloAnswer> hello =
      payload ? wire::DecodeHelloAnswer(*payload) : std::nullopt;
  if (!hello) {
    *answer = json_error("the emulated adapter of " + root_directory() + " does not answer");
    return 1;
  }
  if (hello->status != 0) {
    *answer = json_error("the emulated adapter of " + root_directory() +
                         " runs another configuration (" + hello->configuration + ")");
    return 1;
  }
  *answer =
      nlohmann::json{
          {"running", true}, {"started", started}, {"configuration", hello->configuration}}
          .dump();
  return 0;
}

}  // namespace

uint32_t EmulatorControl(std::string_view request, std::string* answer) {
  nlohmann::json parsed = nlohmann::json::parse(request, nullptr, false);
  if (!parsed.is_object() || !parsed.contains("op") || !parsed["op"].is_string()) {
    *answer = json_error("the request names no \"op\"");
    return 1;
  }
  const std::string op = parsed["op"];
  if (op == "start") {
    const nlohmann::json config = parsed.value("config", nlohmann::json(""));
    if (!config.is_string()) {
      *answer = json_error("start: \"config\" must be a file name");
      return 1;
    }
    return start_emulator(config.get<std::string>(), answer);
  }
  std::optional<std::vector<uint8_t>> payload = exchange_once(wire::Control{std::string(request)});
  if (!payload) {
    if (op == "status" || op == "stop") {
      *answer = nlohmann::json{{"running", false}, {"root", root_directory()}}.dump();
      return 0;
    }
    *answer = json_error("no emulated adapter runs for " + root_directory());
    return 1;
  }
  std::optional<wire::ControlAnswer> control = wire::DecodeControlAnswer(*payload);
  if (!control) {
    *answer = json_error("the emulated adapter sent an answer that cannot be read");
    return 1;
  }
  *answer = std::move(control->answer);
  return control->status == 0 ? 0 : 1;
}

std::string EmulatorProblem() {
  std::lock_guard<std::mutex> guard(g_problem_mutex);
  return g_problem;
}

}  // namespace oxim::platform
