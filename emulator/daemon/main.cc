// oxim-emulatord: the emulated adapter of one root as a device that every
// process using the root talks to.
//
//   oxim-emulatord --root DIR [--config FILE] [--idle SECONDS] [--foreground]
//                  [--ready-fd N]
//
// It keeps the adapter's flash under DIR/var/lib/oxim-emulator and its
// socket, lock and log in DIR/var/run/oxim-emulator (both 0700, files 0600).
// Unless --foreground it detaches: a new session, the working directory /,
// standard input and output on /dev/null and standard error on the log.
// It serves until a stop request, SIGTERM or SIGINT, until no client has
// been connected for the idle time (30 minutes by default), or until DIR or
// its socket is gone. Only one daemon serves a root: a second one finds the
// first by its lock, waits until it answers, and leaves. With --ready-fd,
// one line goes to that descriptor: "ready" once the daemon answers, or
// "error: <why>".
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <dirent.h>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "config_json.h"
#include "core/host_paths.h"
#include "daemon/server.h"
#include "emulator.h"
#include "platform/emulator_wire.h"
#include "platform/unix_socket.h"

namespace {

using namespace oxim;

constexpr char kLogPath[] = "/var/run/oxim-emulator/log";

struct Options {
  std::string root;
  std::string config_file;
  long idle_seconds = 1800;
  bool foreground = false;
  int ready_fd = -1;
};

constexpr char kUsage[] =
    "usage: oxim-emulatord --root DIR [--config FILE] [--idle SECONDS] [--foreground] "
    "[--ready-fd N]";

// A whole decimal number above 0.
bool parse_number(const char* text, long* out) {
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || errno != 0 || value < 0) return false;
  *out = value;
  return true;
}

// The options; "" when they are good, else what is wrong with them.
std::string parse(int argc, char** argv, Options* options) {
  std::string problem;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool has_value = i + 1 < argc;
    long number = 0;
    if (arg == "--root" && has_value) {
      options->root = argv[++i];
    } else if (arg == "--config" && has_value) {
      options->config_file = argv[++i];
    } else if (arg == "--idle" && has_value) {
      if (!parse_number(argv[++i], &number) || number == 0) {
        problem = "--idle takes a number of seconds above 0";
      }
      options->idle_seconds = number;
    } else if (arg == "--ready-fd" && has_value) {
      if (!parse_number(argv[++i], &number) || number > 1 << 20) {
        problem = "--ready-fd takes a descriptor number";
      } else {
        options->ready_fd = static_cast<int>(number);
      }
    } else if (arg == "--foreground") {
      options->foreground = true;
    } else {
      problem = "unknown option " + arg;
    }
  }
  if (problem.empty() && (options->root.empty() || options->root.front() != '/')) {
    problem = "--root takes an absolute directory";
  }
  return problem;
}

// Writes the daemon's one line to whoever started it, once.
class ReadyLine {
 public:
  explicit ReadyLine(int fd) : fd_(fd) {}
  ~ReadyLine() {
    if (fd_ >= 0) close(fd_);
  }
  void Say(const std::string& line) {
    if (fd_ < 0) return;
    const std::string text = line + "\n";
    if (write(fd_, text.data(), text.size()) < 0) {
      // The starter is gone; nobody to tell.
    }
    close(fd_);
    fd_ = -1;
  }
  // Says an error, and logs it too.
  int Fail(const std::string& why) {
    emulator::DaemonLog("%s", why.c_str());
    Say("error: " + why);
    return 1;
  }

 private:
  int fd_;
};

// Detaches from the starting process: a new session, the working directory
// /, standard input and output on /dev/null and standard error on the log,
// so that nothing waits on pipes this process inherited.
bool detach(const std::string& log_path) {
  const pid_t child = fork();
  if (child < 0) return false;
  if (child > 0) _exit(0);
  setsid();
  if (chdir("/") != 0) return false;
  const int null = open("/dev/null", O_RDWR | O_CLOEXEC);
  const int log = open(log_path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
  if (null < 0 || log < 0) return false;
  dup2(null, 0);
  dup2(null, 1);
  dup2(log, 2);
  close(null);
  close(log);
  return true;
}

bool make_private_directory(const std::string& path) {
  return MakeDirectories(path, 0700) && chmod(path.c_str(), 0700) == 0;
}

// Flash records an older adapter left readable by others become
// owner-only: they hold CHAP secrets.
void protect_files(const std::string& directory) {
  DIR* listing = opendir(directory.c_str());
  if (listing == nullptr) return;
  while (const dirent* entry = readdir(listing)) {
    const std::string path = directory + "/" + entry->d_name;
    struct stat info;
    if (lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && (info.st_mode & 0077) != 0) {
      chmod(path.c_str(), 0600);
    }
  }
  closedir(listing);
}

// Whether a daemon answers on the socket (another one holds the root).
bool socket_answers(const std::string& path) {
  const int fd = platform::ConnectUnixSocket(path);
  if (fd < 0) return false;
  close(fd);
  return true;
}

// The listening socket, owner-only, in place of whatever a dead daemon left
// there. -1 with the reason in *why. REQUIRES: the root's lock held.
int listen_on(const std::string& path, std::string* why) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) {
    *why = "the socket path " + path + " is too long";
    return -1;
  }
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  unlink(path.c_str());
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const mode_t mask = umask(0177);
  const bool bound =
      fd >= 0 && bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  umask(mask);
  if (!bound || chmod(path.c_str(), 0600) != 0 || listen(fd, 64) != 0) {
    *why = "cannot listen on " + path + ": " + std::strerror(errno);
    if (fd >= 0) close(fd);
    return -1;
  }
  return fd;
}

// Takes the root's lock. While another daemon holds it, waits until that
// one answers (*served set) or lets go of it (a daemon that failed to start
// leaves it to this one). -1 with the reason in *why.
int take_lock(const std::string& lock_path, const std::string& socket_path, bool* served,
              std::string* why) {
  const int lock = open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (lock < 0) {
    *why = "cannot open the lock " + lock_path + ": " + std::strerror(errno);
    return -1;
  }
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(wire::kDaemonStartWaitMs);
  while (flock(lock, LOCK_EX | LOCK_NB) != 0) {
    if (socket_answers(socket_path)) {
      *served = true;
      close(lock);
      return -1;
    }
    if (std::chrono::steady_clock::now() > deadline) {
      *why = "another daemon holds " + lock_path + " but does not answer";
      close(lock);
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return lock;
}

// An absolute form of a path given relative to the starting directory.
std::string absolute(const std::string& path) {
  if (path.empty() || path.front() == '/') return path;
  char directory[4096];
  if (getcwd(directory, sizeof directory) == nullptr) return path;
  return std::string(directory) + "/" + path;
}

// Closes a descriptor when it goes out of scope.
class UniqueFd {
 public:
  explicit UniqueFd(int fd) : fd_(fd) {}
  ~UniqueFd() { close(fd_); }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;

 private:
  int fd_;
};

emulator::Server* g_server = nullptr;

void stop_on_signal(int) {
  if (g_server != nullptr) g_server->Stop();
}

int run(const Options& options) {
  ReadyLine ready(options.ready_fd);
  setenv("OXIM_ROOT", options.root.c_str(), 1);
  umask(077);
  const std::string run_directory = HostPath(wire::kEmulatorRunDirectory);
  const std::string state_directory = HostPath(wire::kEmulatorStateDirectory);
  const std::string socket_path = HostPath(wire::kEmulatorSocketPath);
  if (!make_private_directory(run_directory) || !make_private_directory(state_directory)) {
    return ready.Fail("cannot prepare " + run_directory + " and " + state_directory + ": " +
                      std::strerror(errno));
  }
  // Read where the starter meant it, before the working directory changes.
  const std::string config_path = absolute(options.config_file);
  if (!options.foreground && !detach(HostPath(kLogPath))) {
    return ready.Fail("cannot detach: " + std::string(std::strerror(errno)));
  }

  bool served = false;
  std::string why;
  const int lock = take_lock(HostPath(wire::kEmulatorLockPath), socket_path, &served, &why);
  if (served) {
    ready.Say("ready");  // another daemon serves the root
    return 0;
  }
  if (lock < 0) return ready.Fail(why);
  // Declared before the adapter, so released after it is gone: the flash is
  // this daemon's until then.
  const UniqueFd lock_held(lock);

  emulator::AdapterConfig config = emulator::DefaultConfig();
  emulator::DaemonIdentity identity;
  identity.root = options.root;
  identity.config_file = options.config_file;
  if (!config_path.empty()) {
    std::string text;
    std::string error;
    std::optional<emulator::AdapterConfig> loaded =
        emulator::ReadAdapterConfig(config_path, &text, &error);
    if (!loaded) return ready.Fail("configuration " + options.config_file + " refused: " + error);
    config = std::move(*loaded);
    identity.digest = wire::ConfigurationDigest(text);
  }

  protect_files(state_directory);
  // The adapter's power-on: persistent entries log in (those to real
  // targets in the background).
  auto adapter = std::make_shared<emulator::EmulatedAdapter>(std::move(config), state_directory);
  const int listening = listen_on(socket_path, &why);
  struct stat bound;
  if (listening < 0 || stat(socket_path.c_str(), &bound) != 0) {
    return ready.Fail(listening < 0 ? why : "the socket " + socket_path + " vanished");
  }
  emulator::Server server(adapter, identity, listening,
                          {std::chrono::seconds(options.idle_seconds), socket_path});
  g_server = &server;
  struct sigaction action {};
  action.sa_handler = stop_on_signal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
  emulator::DaemonLog("serving %s (configuration %s)", options.root.c_str(),
                      identity.Description().c_str());
  ready.Say("ready");
  server.Run();
  g_server = nullptr;
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // A starter that went away must not end the daemon as it writes its line.
  signal(SIGPIPE, SIG_IGN);
  Options options;
  const std::string problem = parse(argc, argv, &options);
  if (!problem.empty()) {
    std::fprintf(stderr, "oxim-emulatord: %s\n%s\n", problem.c_str(), kUsage);
    ReadyLine(options.ready_fd).Say("error: " + problem);
    return 2;
  }
  return run(options);
}
