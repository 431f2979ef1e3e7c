// oximctl run as a process: a finished run with its exit code and output,
// a running one whose output is read as it comes (watch), and one on a
// pseudo-terminal (the shell). Each test runs in a fresh OXIM_ROOT.
#ifndef OXIM_TESTS_TOOLS_OXIMCTL_FIXTURE_H_
#define OXIM_TESTS_TOOLS_OXIMCTL_FIXTURE_H_

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

#include "support/temp_root.h"

namespace oxim::testing {

struct Result {
  int exit_code = -1;  // -1: ended by a signal
  std::string out;
  std::string err;
};

// The environment of this process without OXIM_ADAPTER, with the entries
// of extra ("NAME=value") in place of those of the same name.
std::vector<std::string> Environment(const std::vector<std::string>& extra);

// oximctl started with pipes on its standard output and error.
class Running {
 public:
  Running(std::vector<std::string> args, const std::vector<std::string>& env);
  ~Running();  // kills it if it still runs
  Running(const Running&) = delete;
  Running& operator=(const Running&) = delete;

  // Reads until text has appeared on standard output (or error), or the
  // time is up; returns all of that stream read so far.
  std::string AwaitOut(const std::string& text, std::chrono::milliseconds limit);
  std::string AwaitErr(const std::string& text, std::chrono::milliseconds limit);
  void Signal(int signal_number);
  // Waits for the end within the limit (kills it past that) and reads what
  // is left. exit_code -2: it had to be killed.
  Result Finish(std::chrono::milliseconds limit);

 private:
  std::string Await(int index, const std::string& text, std::chrono::milliseconds limit);
  void Drain(int index, std::chrono::milliseconds wait);

  pid_t pid_ = -1;
  int fds_[2] = {-1, -1};  // standard output, standard error
  std::string seen_[2];
};

// A program on a pseudo-terminal (TERM=dumb): oximctl shell, or the
// program of argv.
class Terminal {
 public:
  explicit Terminal(const std::vector<std::string>& env,
                    std::vector<std::string> argv = {OXIMCTL_PATH, "shell"});
  ~Terminal();
  Terminal(const Terminal&) = delete;
  Terminal& operator=(const Terminal&) = delete;

  void Type(const std::string& keys);
  // Everything shown since the last Await, up to and including text (or
  // until the time is up); lines end in "\n" (no carriage returns).
  std::string Await(const std::string& text,
                    std::chrono::milliseconds limit = std::chrono::seconds(5));
  // Exit status of the shell once it has ended (-1 on a signal, -2 killed
  // after the limit).
  int Finish(std::chrono::milliseconds limit = std::chrono::seconds(5));

 private:
  pid_t pid_ = -1;
  int fd_ = -1;
  std::string pending_;
};

// The environment of a run against the root's emulated adapter.
inline const std::vector<std::string> kEmulator = {"OXIM_ADAPTER=emulator"};

// Runs oximctl to its end (30 s at most) with args and extra environment
// entries.
Result RunOximctl(std::vector<std::string> args, const std::vector<std::string>& env);

class OximctlTest : public TempRootTest {
 protected:
  // Runs oximctl to its end with args and extra environment entries.
  Result Run(std::vector<std::string> args, std::vector<std::string> env = {"OXIM_ADAPTER=host"});
};

}  // namespace oxim::testing

#endif  // OXIM_TESTS_TOOLS_OXIMCTL_FIXTURE_H_
