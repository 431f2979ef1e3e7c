// The iSCSI initiator through the public C API against the emulated
// adapter: a Login + Logout round trip to a simulated target, and OXIM_init
// + OXIM_exit with 256 saved targets to restore.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "oxim/oxim.h"

namespace {

uint32_t Tag(const std::string& path) {
  uint32_t tag = OXIM_ROOT_TAG;
  size_t start = 0;
  while (start < path.size()) {
    size_t slash = path.find('/', start);
    if (slash == std::string::npos) slash = path.size();
    uint32_t child = 0;
    if (OXIM_get_node_tag(tag, path.substr(start, slash - start).c_str(), &child, 0) != 0) {
      return 0;
    }
    tag = child;
    start = slash + 1;
  }
  return tag;
}

uint32_t Do(const std::string& group, const std::string& command,
            const std::vector<std::string>& params) {
  char block[OXIM_MAX_PARAMS][OXIM_PARAM_SIZE] = {};
  for (size_t i = 0; i < OXIM_MAX_PARAMS; ++i) {
    if (i < params.size()) {
      std::strncpy(block[i], params[i].c_str(), OXIM_PARAM_SIZE - 1);
    } else {
      block[i][0] = static_cast<char>(OXIM_PARAM_NOT_GIVEN);
    }
  }
  return OXIM_do_action(Tag(group), Tag(group + "/" + command), &block[0][0], nullptr);
}

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
  if (Do(kHba, "AddTarget", {"iqn.2026-01.net.oxim-lab:open", "192.0.2.10"}) != 0) {
    state.SkipWithError("AddTarget failed");
  }
  for (auto _ : state) {
    if (Do(target, "Login", {}) != 0 || Do(target, "Logout", {}) != 0) {
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
