// What the benchmarks that talk to the emulated adapter's daemon share: a
// temporary root of their own (one daemon serves one root and one
// configuration), and stopping that root's daemon and waiting until its
// process has ended, so that no daemon outlives the benchmark.
//
// The including target defines OXIM_EMULATORD_PATH, the built daemon, so
// that the benchmark runs the daemon of this build rather than one found
// beside whichever liboxim.so is loaded.
#ifndef OXIM_BENCH_EMULATOR_DAEMON_H_
#define OXIM_BENCH_EMULATOR_DAEMON_H_

#include <sys/types.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <system_error>
#include <thread>

#include "oxim/oxim_emulator.h"

namespace oxim_bench {

// Sends one control request to the daemon of the current OXIM_ROOT; its
// status, and its JSON answer in *answer.
inline uint32_t Control(const std::string& request, std::string* answer) {
  char text[4096];
  const uint32_t status = OXIM_emulator_control(request.c_str(), text, sizeof text);
  *answer = text;
  return status;
}

// The process ID the daemon of the current OXIM_ROOT reports, 0 when no
// daemon answers.
inline pid_t DaemonPid() {
  std::string answer;
  if (Control(R"({"op":"status"})", &answer) != 0) return 0;
  const std::string key = "\"pid\":";
  const size_t at = answer.find(key);
  if (at == std::string::npos) return 0;
  return static_cast<pid_t>(std::strtol(answer.c_str() + at + key.size(), nullptr, 10));
}

// Whether a process has ended: it is gone, or it is a zombie that its new
// parent has not reaped yet (it serves nothing any more).
inline bool ProcessEnded(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(stat, line)) return true;
  // The state follows the command name, which is in parentheses.
  const size_t name_end = line.rfind(')');
  if (name_end == std::string::npos || name_end + 2 >= line.size()) return true;
  const char state = line[name_end + 2];
  return state == 'Z' || state == 'X';
}

// The CPU time (user and system, all threads) a process has used so far, in
// seconds, at the kernel's tick resolution; 0 when it cannot be read.
inline double ProcessCpuSeconds(pid_t pid) {
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(stat, line)) return 0;
  const size_t name_end = line.rfind(')');
  if (name_end == std::string::npos) return 0;
  // After the name: state (field 3) ... utime (14), stime (15).
  std::istringstream fields(line.substr(name_end + 2));
  std::string field;
  double ticks = 0;
  for (int n = 3; n <= 15 && fields >> field; ++n) {
    if (n >= 14) ticks += std::strtod(field.c_str(), nullptr);
  }
  return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// Stops the daemon of the current OXIM_ROOT, if one runs, and waits (at
// most 5 seconds) until its process has ended. False when it did not end.
inline bool StopDaemon() {
  const pid_t pid = DaemonPid();
  if (pid == 0) return true;
  std::string answer;
  Control(R"({"op":"stop"})", &answer);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!ProcessEnded(pid)) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

// A fresh temporary directory as OXIM_ROOT, with OXIM_ADAPTER set to
// `adapter` and OXIM_EMULATORD to the built daemon. Going out of scope it
// stops the root's daemon, waits until it has ended, removes the directory
// and unsets OXIM_ROOT. Devices opened under it must be closed first.
class DaemonRoot {
 public:
  explicit DaemonRoot(const std::string& adapter = "emulator") {
    std::string pattern = (std::filesystem::temp_directory_path() / "oxim-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) return;
    path_ = pattern;
    setenv("OXIM_ROOT", path_.c_str(), 1);
    setenv("OXIM_ADAPTER", adapter.c_str(), 1);
    setenv("OXIM_EMULATORD", OXIM_EMULATORD_PATH, 1);
  }
  ~DaemonRoot() {
    if (path_.empty()) return;
    StopDaemon();
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
    unsetenv("OXIM_ROOT");
  }
  DaemonRoot(const DaemonRoot&) = delete;
  DaemonRoot& operator=(const DaemonRoot&) = delete;

  bool ok() const { return !path_.empty(); }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace oxim_bench

#endif  // OXIM_BENCH_EMULATOR_DAEMON_H_
