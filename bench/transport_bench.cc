// Round trip of one small firmware command through the transport, to the
// emulated adapter in two places:
//  - in this process (emulator::InstallEmulator), the transport's own cost;
//  - in the root's daemon (OXIM_ADAPTER=emulator, no backend override), as
//    every program of the library reaches it: library -> Unix socket ->
//    oxim-emulatord and back.
// Each as iSCSI (one device per function, opened once), NIC (the envelope,
// and the NIC device opened and closed around the request: three round
// trips to the daemon) and a larger answer (controller attributes, 540
// bytes). Every benchmark runs 5 repetitions, so that the median of their
// means is reported; the daemon variants also count the median (p50_us)
// and the 99th percentile (p99_us) of single requests, which a few requests
// delayed by the scheduler do not move as they move the mean.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "emulator.h"
#include "emulator_daemon.h"
#include "oxim/oxim.h"
#include "records/driver_records.h"
#include "transport/commands.h"
#include "transport/driver_tables.h"

namespace {

using namespace oxim;

constexpr int kRepetitions = 5;
constexpr double kMinTimeSeconds = 0.1;

// Opens every iSCSI device of the current backend and puts them, and the
// NIC functions of the built-in adapter, in the driver tables.
std::vector<int> OpenDevices() {
  std::vector<int> handles;
  for (int n = 0;; ++n) {
    int handle = platform::OpenDevice(records::kIscsiDevicePrefix + std::to_string(n));
    if (handle < 0) break;
    handles.push_back(handle);
  }
  transport::SetIscsiHandles(handles);
  const std::vector<records::PciAddress> nics = {{3, 0, 0}, {3, 0, 1}};
  transport::SetNicFunctions(nics);
  return handles;
}

void CloseDevices(const std::vector<int>& handles) {
  for (int handle : handles) platform::CloseDevice(handle);
  transport::ClearDriverTables();
}

// An emulated adapter in this process under a temporary root with its
// devices in the tables.
class Adapter {
 public:
  Adapter() {
    std::string pattern = (std::filesystem::temp_directory_path() / "oxim-bench-XXXXXX").string();
    root_ = mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
    setenv("OXIM_ROOT", root_.c_str(), 1);
    emulator::InstallEmulator();
    handles_ = OpenDevices();
  }
  ~Adapter() {
    CloseDevices(handles_);
    emulator::UninstallEmulator();
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
    unsetenv("OXIM_ROOT");
  }

 private:
  std::string root_;
  std::vector<int> handles_;
};

// The daemon's adapter (built-in configuration) under a temporary root of
// its own; opening the first device starts the daemon. Going out of scope
// closes the devices, stops the daemon and removes the root.
class DaemonAdapter {
 public:
  DaemonAdapter() : handles_(OpenDevices()) {}
  ~DaemonAdapter() { CloseDevices(handles_); }
  bool ok() const { return root_.ok() && !handles_.empty(); }

 private:
  oxim_bench::DaemonRoot root_;  // constructed first, destroyed last
  std::vector<int> handles_;
};

// Times single requests, for their median and 99th percentile.
class Latencies {
 public:
  explicit Latencies(const benchmark::State& state) {
    samples_.reserve(static_cast<size_t>(state.max_iterations));
  }
  template <typename Request>
  void Time(Request&& request) {
    const auto start = std::chrono::steady_clock::now();
    request();
    samples_.push_back(
        std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
            .count());
  }
  void Report(benchmark::State& state) {
    if (samples_.empty()) return;
    std::sort(samples_.begin(), samples_.end());
    state.counters["p50_us"] = samples_[samples_.size() / 2];
    state.counters["p99_us"] = samples_[samples_.size() * 99 / 100];
  }

 private:
  std::vector<double> samples_;
};

template <typename Request>
void InProcess(benchmark::State& state, Request request) {
  Adapter adapter;
  for (auto _ : state) {
    if (request() != OXIM_STATUS_SUCCESS) {
      state.SkipWithError("the command failed");
      break;
    }
  }
}

template <typename Request>
void ThroughDaemon(benchmark::State& state, Request request) {
  DaemonAdapter adapter;
  if (!adapter.ok()) {
    state.SkipWithError("the daemon's devices cannot be opened");
    return;
  }
  Latencies latencies(state);
  for (auto _ : state) {
    uint32_t status = OXIM_STATUS_SUCCESS;
    latencies.Time([&] { status = request(); });
    if (status != OXIM_STATUS_SUCCESS) {
      state.SkipWithError("the command failed");
      break;
    }
  }
  latencies.Report(state);
}

uint32_t IscsiSmallCommand() {
  return ioctl_start_management_service({.index = 1}, {}, DriverKind::kIscsi);
}
uint32_t NicSmallCommand() {
  return ioctl_start_management_service({.index = 1}, {}, DriverKind::kNic);
}
uint32_t IscsiControllerAttributes() {
  uint8_t attributes[540];
  return ioctl_fetch_controller_attribs({.index = 1}, attributes, DriverKind::kIscsi);
}

void BM_IscsiSmallCommand(benchmark::State& state) { InProcess(state, IscsiSmallCommand); }
void BM_NicSmallCommand(benchmark::State& state) { InProcess(state, NicSmallCommand); }
void BM_IscsiControllerAttributes(benchmark::State& state) {
  InProcess(state, IscsiControllerAttributes);
}
void BM_Daemon_IscsiSmallCommand(benchmark::State& state) {
  ThroughDaemon(state, IscsiSmallCommand);
}
void BM_Daemon_NicSmallCommand(benchmark::State& state) { ThroughDaemon(state, NicSmallCommand); }
void BM_Daemon_IscsiControllerAttributes(benchmark::State& state) {
  ThroughDaemon(state, IscsiControllerAttributes);
}

// The in-process ones in nanoseconds, the daemon ones in microseconds and
// by wall time: most of a daemon request's time is spent outside this
// process's CPU, so the iteration count is set by the wall time it takes.
BENCHMARK(BM_IscsiSmallCommand)->MinTime(kMinTimeSeconds)->Repetitions(kRepetitions);
BENCHMARK(BM_NicSmallCommand)->MinTime(kMinTimeSeconds)->Repetitions(kRepetitions);
BENCHMARK(BM_IscsiControllerAttributes)->MinTime(kMinTimeSeconds)->Repetitions(kRepetitions);
BENCHMARK(BM_Daemon_IscsiSmallCommand)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime()
    ->MinTime(kMinTimeSeconds)
    ->Repetitions(kRepetitions);
BENCHMARK(BM_Daemon_NicSmallCommand)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime()
    ->MinTime(kMinTimeSeconds)
    ->Repetitions(kRepetitions);
BENCHMARK(BM_Daemon_IscsiControllerAttributes)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime()
    ->MinTime(kMinTimeSeconds)
    ->Repetitions(kRepetitions);

}  // namespace

BENCHMARK_MAIN();
