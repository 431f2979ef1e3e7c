// The iSCSI initiator through the public C API against the emulated
// adapter: a Login + Logout round trip to a simulated target, and OXIM_init
// + OXIM_exit with 256 saved targets to restore.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "oxim/oxim.h"
#include "support/api_client.h"

namespace {

using oxim::testing::Do;

std::filesystem::path FreshRoot(const char* name) {
  const std::filesystem::path root =
      std::filesystem::temp_directory_path() / (std::string(name) + "-" + std::to_string(getpid()));
  std::filesystem::remove_all(root);
  std::filesystem::create_directories(root / "scratch/Vallorn");
  setenv("OXIM_ROOT", root.c_str(), 1);
  setenv("OXIM_ADAPTER", "emulator", 1);
  return root;
}

constexpr char kHba[] = "Quellfire0/iSCSIPhysicalHBA0/LogicalHBA0";

void BM_LoginLogout(benchmark::State& state) {
  const std::filesystem::path root = FreshRoot("oxim-bench-login");
  if (OXIM_init() != 0) state.SkipWithError("OXIM_init failed");
  const std::string target = std::string(kHba) + "/Target0";
  if (Do(std::string(kHba) + "/AddTarget", {"iqn.2026-01.net.oxim-lab:open", "192.0.2.10"}) != 0) {
    state.SkipWithError("AddTarget failed");
  }
  for (auto _ : state) {
    if (Do(target + "/Login") != 0 || Do(target + "/Logout") != 0) {
      state.SkipWithError("Login or Logout failed");
      break;
    }
  }
  OXIM_exit();
  std::filesystem::remove_all(root);
}
BENCHMARK(BM_LoginLogout)->Unit(benchmark::kMicrosecond);

void BM_StartupWith256SavedTargets(benchmark::State& state) {
  const std::filesystem::path root = FreshRoot("oxim-bench-startup");
  {
    std::ofstream saved(root / "scratch/Vallorn/savetgt.txt");
    for (int n = 0; n < 256; ++n) {
      saved << "Quellfire0,iSCSIPhysicalHBA0,LogicalHBA0,iqn.2026-01.net.bench:t" << n
            << ",192.0.2." << (20 + n % 200) << ",3260,,iqn.qz,Yes,Yes,None,None,None,,,,,Static,"
            << "Prohibited,Prohibited,Prohibited\n";
    }
  }
  for (auto _ : state) {
    if (OXIM_init() != 0) state.SkipWithError("OXIM_init failed");
    OXIM_exit();
  }
  std::filesystem::remove_all(root);
}
BENCHMARK(BM_StartupWith256SavedTargets)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
