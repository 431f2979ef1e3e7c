// Running oximctl for the tests; see oximctl_fixture.h.
#include "tools/oximctl_fixture.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

extern char** environ;

namespace oxim::testing {
namespace {

using Clock = std::chrono::steady_clock;

std::vector<char*> Pointers(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (std::string& text : texts) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

pid_t Spawn(std::vector<std::string> args, std::vector<std::string> env, int out, int err) {
  args.insert(args.begin(), OXIMCTL_PATH);
  std::vector<char*> argv = Pointers(args);
  std::vector<char*> envp = Pointers(env);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out, 1);
  posix_spawn_file_actions_adddup2(&actions, err, 2);
  pid_t pid = -1;
  EXPECT_EQ(posix_spawn(&pid, OXIMCTL_PATH, &actions, nullptr, argv.data(), envp.data()), 0);
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

// Waits for the child within the limit, killing it past that.
int Reap(pid_t pid, std::chrono::milliseconds limit) {
  const auto deadline = Clock::now() + limit;
  int status = 0;
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (Clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return -2;
    }
    usleep(10000);
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Appends what can be read from fd within wait; false at end of file.
bool ReadSome(int fd, std::string& into, std::chrono::milliseconds wait) {
  pollfd ready = {fd, POLLIN, 0};
  if (poll(&ready, 1, static_cast<int>(wait.count())) <= 0) return true;
  char buffer[4096];
  const ssize_t n = read(fd, buffer, sizeof buffer);
  if (n <= 0) return false;
  into.append(buffer, static_cast<size_t>(n));
  return true;
}

}  // namespace

std::vector<std::string> Environment(const std::vector<std::string>& extra) {
  // An extra entry replaces the variable of the same name.
  auto replaced = [&](const std::string& entry) {
    const std::string name = entry.substr(0, entry.find('=') + 1);
    if (name == "OXIM_ADAPTER=") return true;
    for (const std::string& added : extra) {
      if (added.rfind(name, 0) == 0) return true;
    }
    return false;
  };
  std::vector<std::string> environment;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    if (!replaced(*entry)) environment.emplace_back(*entry);
  }
  environment.insert(environment.end(), extra.begin(), extra.end());
  return environment;
}

Result RunOximctl(std::vector<std::string> args, const std::vector<std::string>& env) {
  Running running(std::move(args), env);
  return running.Finish(std::chrono::seconds(30));
}

Result OximctlTest::Run(std::vector<std::string> args, std::vector<std::string> env) {
  return RunOximctl(std::move(args), env);
}

Running::Running(std::vector<std::string> args, const std::vector<std::string>& env) {
  int out[2];
  int err[2];
  EXPECT_EQ(pipe2(out, O_CLOEXEC), 0);
  EXPECT_EQ(pipe2(err, O_CLOEXEC), 0);
  pid_ = Spawn(std::move(args), Environment(env), out[1], err[1]);
  close(out[1]);
  close(err[1]);
  fds_[0] = out[0];
  fds_[1] = err[0];
}

Running::~Running() {
  if (pid_ > 0) Reap(pid_, std::chrono::milliseconds(0));
  for (int fd : fds_) {
    if (fd >= 0) close(fd);
  }
}

std::string Running::Await(int index, const std::string& text, std::chrono::milliseconds limit) {
  const auto deadline = Clock::now() + limit;
  while (seen_[index].find(text) == std::string::npos && Clock::now() < deadline) {
    if (!ReadSome(fds_[index], seen_[index], std::chrono::milliseconds(50))) break;
  }
  return seen_[index];
}

std::string Running::AwaitOut(const std::string& text, std::chrono::milliseconds limit) {
  return Await(0, text, limit);
}

std::string Running::AwaitErr(const std::string& text, std::chrono::milliseconds limit) {
  return Await(1, text, limit);
}

void Running::Signal(int signal_number) {
  if (pid_ > 0) kill(pid_, signal_number);
}

void Running::Drain(int index, std::chrono::milliseconds wait) {
  while (ReadSome(fds_[index], seen_[index], wait)) {
  }
}

Result Running::Finish(std::chrono::milliseconds limit) {
  Result result;
  // Both pipes are read to their end while the child runs, so that it never
  // blocks on a full pipe; a child that keeps them open is killed at the
  // limit.
  const auto deadline = Clock::now() + limit;
  bool open[2] = {true, true};
  while ((open[0] || open[1]) && Clock::now() < deadline) {
    for (int i = 0; i < 2; ++i) {
      if (open[i]) open[i] = ReadSome(fds_[i], seen_[i], std::chrono::milliseconds(20));
    }
  }
  result.exit_code = Reap(
      pid_,
      std::max(std::chrono::milliseconds(0),
               std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now())));
  pid_ = -1;
  for (int i = 0; i < 2; ++i) Drain(i, std::chrono::milliseconds(0));
  result.out = seen_[0];
  result.err = seen_[1];
  return result;
}

Terminal::Terminal(const std::vector<std::string>& env, std::vector<std::string> args) {
  std::vector<std::string> environment = Environment(env);
  environment.push_back("TERM=dumb");
  std::vector<char*> argv = Pointers(args);
  std::vector<char*> envp = Pointers(environment);
  winsize size = {};
  size.ws_row = 50;
  size.ws_col = 500;  // long lines stay whole
  pid_ = forkpty(&fd_, nullptr, nullptr, &size);
  if (pid_ == 0) {
    execve(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  EXPECT_GT(pid_, 0);
}

Terminal::~Terminal() {
  if (pid_ > 0) Reap(pid_, std::chrono::milliseconds(0));
  if (fd_ >= 0) close(fd_);
}

void Terminal::Type(const std::string& keys) {
  ASSERT_EQ(write(fd_, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
}

std::string Terminal::Await(const std::string& text, std::chrono::milliseconds limit) {
  const auto deadline = Clock::now() + limit;
  while (pending_.find(text) == std::string::npos && Clock::now() < deadline) {
    if (!ReadSome(fd_, pending_, std::chrono::milliseconds(50))) break;
    // readline turns bracketed paste on and off around each line, and
    // returns the cursor with carriage returns where it likes: neither is
    // what a test looks at.
    for (const char* mode : {"\x1b[?2004h", "\x1b[?2004l"}) {
      for (size_t at; (at = pending_.find(mode)) != std::string::npos;) pending_.erase(at, 8);
    }
    std::erase(pending_, '\r');
  }
  const size_t end = pending_.find(text);
  if (end == std::string::npos) return std::exchange(pending_, std::string());
  std::string shown = pending_.substr(0, end + text.size());
  pending_.erase(0, end + text.size());
  return shown;
}

int Terminal::Finish(std::chrono::milliseconds limit) {
  const int code = Reap(pid_, limit);
  pid_ = -1;
  return code;
}

}  // namespace oxim::testing
