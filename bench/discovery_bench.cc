// OXIM_init + OXIM_exit against the emulated adapter: building the whole
// tree by discovery and tearing it down, for the default adapter and for a
// large host (4 controllers with 4 iSCSI and 4 NIC functions each).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "oxim/oxim.h"

namespace {

void InitExit(benchmark::State& state, const std::string& adapter) {
  const std::filesystem::path root =
      std::filesystem::temp_directory_path() / ("oxim-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(root);
  setenv("OXIM_ROOT", root.c_str(), 1);
  setenv("OXIM_ADAPTER", adapter.c_str(), 1);
  for (auto _ : state) {
    if (OXIM_init() != 0) state.SkipWithError("OXIM_init failed");
    OXIM_exit();
  }
  std::filesystem::remove_all(root);
}

void BM_InitExitDefault(benchmark::State& state) { InitExit(state, "emulator"); }
BENCHMARK(BM_InitExitDefault)->Unit(benchmark::kMillisecond);

void BM_InitExitLargeHost(benchmark::State& state) {
  InitExit(state, std::string("emulator:") + OXIM_CONFIG_DIR + "/large.json");
}
BENCHMARK(BM_InitExitLargeHost)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
