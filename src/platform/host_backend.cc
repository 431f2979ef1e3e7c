// The real host behind the platform seam: device nodes and host files under
// OXIM_ROOT, the kernel's ioctl, and host tools started with posix_spawnp
// and an argument vector (never through a shell).
#include <fcntl.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "core/host_paths.h"
#include "platform/device_backend.h"

extern char** environ;

namespace oxim::platform {
namespace {

// Output of a tool beyond this is dropped; the library reads short answers.
constexpr size_t kMaxToolOutput = 1 << 20;

class HostBackend final : public DeviceBackend {
 public:
  int Open(const std::string& path) override {
    return ::open(HostPath(path).c_str(), O_RDWR | O_CLOEXEC);
  }

  IoResult Ioctl(int handle, unsigned long request, std::span<uint8_t> argument) override {
    int result = ::ioctl(handle, request, argument.data());
    return {result, result != 0 ? errno : 0};
  }

  int Close(int handle) override { return ::close(handle); }

  bool ReadHostFile(const std::string& path, std::string* content) override {
    FILE* file = std::fopen(HostPath(path).c_str(), "rb");
    if (file == nullptr) return false;
    content->clear();
    char chunk[4096];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) content->append(chunk, got);
    bool ok = std::ferror(file) == 0;
    std::fclose(file);
    return ok;
  }

  ToolResult RunHostTool(const std::vector<std::string>& argv) override {
    ToolResult result;
    if (argv.empty()) return result;
    int pipe_fds[2];
    if (::pipe2(pipe_fds, O_CLOEXEC) != 0) return result;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char*> words;
    for (const std::string& word : argv) words.push_back(const_cast<char*>(word.c_str()));
    words.push_back(nullptr);
    pid_t pid;
    int spawned = posix_spawnp(&pid, words[0], &actions, nullptr, words.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipe_fds[1]);
    if (spawned != 0) {
      ::close(pipe_fds[0]);
      return result;
    }
    char chunk[4096];
    for (;;) {
      ssize_t got = ::read(pipe_fds[0], chunk, sizeof chunk);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) break;
      if (result.output.size() < kMaxToolOutput) {
        result.output.append(
            chunk, std::min(static_cast<size_t>(got), kMaxToolOutput - result.output.size()));
      }
    }
    ::close(pipe_fds[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
  }
};

}  // namespace

std::unique_ptr<DeviceBackend> MakeHostBackend() { return std::make_unique<HostBackend>(); }

}  // namespace oxim::platform
