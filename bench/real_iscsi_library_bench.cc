// Login + Logout of a real iSCSI session to tgtd on loopback, through the
// library's C API (the emulated adapter maps 192.0.2.20:3260 to tgtd), side
// by side with the same login done directly with RealSession: the difference
// is what the library, the firmware records, the saved files and the
// emulator add to a real login. Skipped with the reason when tgtd cannot run.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "emulator.h"
#include "oxim/oxim.h"
#include "real_iscsi.h"
#include "support/api_client.h"
#include "support/tgtd_fixture.h"
#include "tgtd_bench.h"

namespace {

using oxim::bench::kMappedAddress;
using oxim::bench::Server;
using oxim::bench::ServerUsable;
using oxim::emulator::RealLoginRequest;
using oxim::emulator::RealLoginResult;
using oxim::emulator::RealSession;
using oxim::testing::Do;
using oxim::testing::TgtdServer;

constexpr char kHba[] = "Quellfire0/iSCSIPhysicalHBA0/LogicalHBA0";

void LibraryLoginLogout(benchmark::State& state, const char* target_name, bool chap) {
  if (!ServerUsable(state)) return;
  const std::filesystem::path root =
      std::filesystem::temp_directory_path() / ("oxim-bench-real-" + std::to_string(getpid()));
  std::filesystem::remove_all(root);
  std::filesystem::create_directories(root / "scratch/Vallorn");
  setenv("OXIM_ROOT", root.c_str(), 1);
  oxim::emulator::AdapterConfig config = oxim::emulator::DefaultConfig();
  oxim::emulator::RealPortal portal;
  portal.address = kMappedAddress;
  portal.endpoint_host = "127.0.0.1";
  portal.endpoint_port = Server().port();
  config.real_portals.push_back(portal);
  oxim::emulator::InstallEmulator(std::move(config));
  const std::string target = std::string(kHba) + "/Target0";
  if (OXIM_init() != 0 ||
      Do(std::string(kHba) + "/AddTarget", {target_name, kMappedAddress}) != 0 ||
      (chap && Do(target + "/TargetLoginOptions/Authentication/ConfigureCHAP",
                  {"One-Way CHAP", "", "", TgtdServer::kChapUser, TgtdServer::kChapSecret,
                   "Required"}) != 0)) {
    state.SkipWithError("setting up the target failed");
  } else {
    for (auto _ : state) {
      if (Do(target + "/Login") != 0 || Do(target + "/Logout") != 0) {
        state.SkipWithError("Login or Logout failed");
        break;
      }
    }
  }
  OXIM_exit();
  oxim::emulator::UninstallEmulator();
  std::filesystem::remove_all(root);
}

void DirectLoginLogout(benchmark::State& state, const char* target_name, bool chap) {
  if (!ServerUsable(state)) return;
  RealLoginRequest request;
  request.host = "127.0.0.1";
  request.port = Server().port();
  request.target_name = target_name;
  request.initiator_name = "iqn.qz";  // the library's default initiator name
  request.isid = {0x00, 0x02, 0x3d, 0x00, 0x00, 0x00};
  if (chap) {
    request.chap_user = TgtdServer::kChapUser;
    request.chap_secret = TgtdServer::kChapSecret;
  }
  RealLoginResult result;
  for (auto _ : state) {
    std::unique_ptr<RealSession> session = RealSession::Login(request, &result);
    if (session == nullptr) {
      state.SkipWithError(result.error.c_str());
      return;
    }
    benchmark::DoNotOptimize(session->Logout());
  }
}

void BM_Library_LoginLogout(benchmark::State& state) {
  LibraryLoginLogout(state, TgtdServer::kOpenTarget, false);
}
BENCHMARK(BM_Library_LoginLogout)->Unit(benchmark::kMillisecond);

void BM_Direct_LoginLogout(benchmark::State& state) {
  DirectLoginLogout(state, TgtdServer::kOpenTarget, false);
}
BENCHMARK(BM_Direct_LoginLogout)->Unit(benchmark::kMillisecond);

void BM_Library_LoginLogoutChap(benchmark::State& state) {
  LibraryLoginLogout(state, TgtdServer::kOneWayTarget, true);
}
BENCHMARK(BM_Library_LoginLogoutChap)->Unit(benchmark::kMillisecond);

void BM_Direct_LoginLogoutChap(benchmark::State& state) {
  DirectLoginLogout(state, TgtdServer::kOneWayTarget, true);
}
BENCHMARK(BM_Direct_LoginLogoutChap)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
