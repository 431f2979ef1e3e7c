// Login + Logout of a real iSCSI session to tgtd on loopback, through the
// library's C API and the root's emulated adapter daemon (which maps
// 192.0.2.20:3260 to tgtd), side by side with the same login done directly
// with RealSession: the difference is what the library, the socket to the
// daemon, the firmware records, the saved files and the emulator add to a
// real login. Skipped with the reason when tgtd cannot run.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include "emulator_daemon.h"
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
// The built-in adapter with 192.0.2.20:3260 leading to the suite's tgtd.
std::string AdapterJson(uint16_t tgtd_port) {
  return R"({"controllers": [{"chip": 3, "serial_number": "VN3Q0417A2K9", "functions": [
      {"kind": "nic", "port": 0, "pci": {"bus": 3, "device": 0, "function": 0}},
      {"kind": "iscsi", "port": 0, "pci": {"bus": 3, "device": 0, "function": 2}}]}],
    "real_portals": [{"address": ")" +
         std::string(kMappedAddress) + R"(", "endpoint": {"host": "127.0.0.1", "port": )" +
         std::to_string(tgtd_port) + "}}]}";
}

void LibraryLoginLogout(benchmark::State& state, const char* target_name, bool chap) {
  if (!ServerUsable(state)) return;
  oxim_bench::DaemonRoot root;
  if (!root.ok()) {
    state.SkipWithError("no temporary root");
    return;
  }
  const std::string config = root.path() + "/adapter.json";
  std::ofstream(config) << AdapterJson(Server().port());
  setenv("OXIM_ADAPTER", ("emulator:" + config).c_str(), 1);
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
}

void DirectLoginLogout(benchmark::State& state, const char* target_name, bool chap) {
  if (!ServerUsable(state)) return;
  RealLoginRequest request;
  request.host = "127.0.0.1";
  request.port = Server().port();
  request.target_name = target_name;
  request.initiator_name = "iqn.2026-01.net.oxim-bench:direct";  // the targets take any
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
