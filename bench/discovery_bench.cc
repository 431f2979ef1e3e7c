// OXIM_init + OXIM_exit against the emulated adapter's daemon, already
// running: building the whole tree by discovery and tearing it down, for the
// default adapter and for a large host (4 controllers with 4 iSCSI and 4 NIC
// functions each).
//
// A daemon runs one configuration for one root, so each configuration gets a
// temporary root of its own. One untimed OXIM_init + OXIM_exit starts the
// daemon (and opens this process's connections to it) before the timing; the
// daemon is stopped and the root removed after it. Every benchmark runs 5
// repetitions of a fixed number of iterations (so that the daemon is started
// once per repetition, not again for each estimate of the iteration count),
// and the median of the repetitions is reported. CPU is that of this whole
// process (the library's threads included); daemon_cpu_ms is the daemon's
// CPU per iteration, at the kernel's tick resolution (10 ms over the whole
// repetition). What remains of the wall time is mostly waiting on the
// socket: wake-ups and context switches between the two processes.
#include <benchmark/benchmark.h>

#include <string>

#include "emulator_daemon.h"
#include "oxim/oxim.h"

namespace {

constexpr int kRepetitions = 5;

void InitExit(benchmark::State& state, const std::string& adapter) {
  oxim_bench::DaemonRoot root(adapter);
  if (!root.ok()) {
    state.SkipWithError("no temporary root");
    return;
  }
  if (OXIM_init() != 0) {
    state.SkipWithError("OXIM_init failed (the daemon did not start?)");
    OXIM_exit();
    return;
  }
  OXIM_exit();
  const pid_t daemon = oxim_bench::DaemonPid();
  const double daemon_cpu = oxim_bench::ProcessCpuSeconds(daemon);
  for (auto _ : state) {
    if (OXIM_init() != 0) {
      state.SkipWithError("OXIM_init failed");
      OXIM_exit();
      break;
    }
    OXIM_exit();
  }
  state.counters["daemon_cpu_ms"] =
      benchmark::Counter((oxim_bench::ProcessCpuSeconds(daemon) - daemon_cpu) * 1e3,
                         benchmark::Counter::kAvgIterations);
}

void BM_InitExitDefault(benchmark::State& state) { InitExit(state, "emulator"); }
BENCHMARK(BM_InitExitDefault)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(50)
    ->Repetitions(kRepetitions)
    ->MeasureProcessCPUTime();

void BM_InitExitLargeHost(benchmark::State& state) {
  InitExit(state, std::string("emulator:") + OXIM_CONFIG_DIR + "/large.json");
}
BENCHMARK(BM_InitExitLargeHost)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(15)
    ->Repetitions(kRepetitions)
    ->MeasureProcessCPUTime();

}  // namespace

BENCHMARK_MAIN();
