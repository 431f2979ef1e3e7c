// Start of the emulated adapter's daemon, from a root no daemon serves to
// the first answered request, through the library as a client meets it.
//
// BM_AutoStartToFirstAnswer times OXIM_emulator_control {"op":"start"} on a
// fresh root. The library does what its device backend does on the first
// open of a process when no daemon answers: its connect to the root's socket
// fails, it spawns oxim-emulatord (OXIM_EMULATORD) and waits for the
// daemon's "ready" line (the daemon has made its directories, detached,
// taken the root's lock, powered the adapter on and listens), then connects
// again and sends the hello, whose answer is the first one. The answer must
// say that this call started the daemon ("started":true).
//
// BM_FirstInitOnFreshRoot times OXIM_init + OXIM_exit on a fresh root: the
// same start, reached from the first device open, followed by the whole
// discovery: what the first program to use a root waits for.
//
// Each iteration uses a new root. Making it, and after the timed part
// stopping the daemon, waiting until its process has ended and removing
// the root, is not timed (manual timing). One start per iteration and 15
// repetitions of one iteration each: the median reported is that of single
// starts.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "emulator_daemon.h"
#include "oxim/oxim.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRepetitions = 15;

double Max(const std::vector<double>& values) {
  return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}
double Min(const std::vector<double>& values) {
  return values.empty() ? 0 : *std::min_element(values.begin(), values.end());
}

// Runs `timed` once per iteration on a fresh root with no daemon, timing
// only it; `timed` returns what went wrong, or nullptr.
template <typename Timed>
void FromNoDaemon(benchmark::State& state, Timed timed) {
  for (auto _ : state) {
    oxim_bench::DaemonRoot root;
    if (!root.ok()) {
      state.SkipWithError("no temporary root");
      break;
    }
    const Clock::time_point start = Clock::now();
    const char* problem = timed();
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    if (problem != nullptr) {
      state.SkipWithError(problem);
      break;
    }
    // root goes out of scope: the daemon is stopped and waited for, untimed.
  }
}

void BM_AutoStartToFirstAnswer(benchmark::State& state) {
  FromNoDaemon(state, []() -> const char* {
    std::string answer;
    if (oxim_bench::Control(R"({"op":"start"})", &answer) != 0) return "the start was refused";
    if (answer.find("\"started\":true") == std::string::npos) {
      return "a daemon answered that this call did not start";
    }
    return nullptr;
  });
}
BENCHMARK(BM_AutoStartToFirstAnswer)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(kRepetitions)
    ->ComputeStatistics("min", Min)
    ->ComputeStatistics("max", Max);

void BM_FirstInitOnFreshRoot(benchmark::State& state) {
  FromNoDaemon(state, []() -> const char* {
    const uint32_t status = OXIM_init();
    OXIM_exit();
    return status == 0 ? nullptr : "OXIM_init failed";
  });
}
BENCHMARK(BM_FirstInitOnFreshRoot)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(kRepetitions)
    ->ComputeStatistics("min", Min)
    ->ComputeStatistics("max", Max);

}  // namespace

BENCHMARK_MAIN();
