// SendTargets discovery through the library's C API: a simulated SendTarget
// portal answering 1 and 256 targets (a Tindra, so that all 256 come in
// through the follow-up), made into Discovered targets each time; and one
// discovery of tgtd's targets behind a mapped portal (targets already known)
// beside the same discovery done directly with libiscsi (RealSession): the
// difference is what the library, the firmware records and the emulator add.
// The tgtd pair is skipped with the reason when tgtd cannot run.
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
using oxim::testing::Groups;
using oxim::testing::TgtdServer;

constexpr char kHba[] = "Quellfire0/iSCSIPhysicalHBA0/LogicalHBA0";
constexpr char kManyAddress[] = "192.0.2.60";
constexpr int kTindra = 5;

std::string Hba(const std::string& rest) { return std::string(kHba) + "/" + rest; }

// A root and an in-process emulated adapter for one benchmark.
class Bench {
 public:
  explicit Bench(oxim::emulator::AdapterConfig config)
      : root_(std::filesystem::temp_directory_path() /
              ("oxim-bench-stp-" + std::to_string(getpid()))) {
    std::filesystem::remove_all(root_);
    std::filesystem::create_directories(root_ / "scratch/Vallorn");
    setenv("OXIM_ROOT", root_.c_str(), 1);
    oxim::emulator::InstallEmulator(std::move(config));
    ok_ = OXIM_init() == 0;
  }
  ~Bench() {
    OXIM_exit();
    oxim::emulator::UninstallEmulator();
    std::filesystem::remove_all(root_);
  }
  bool ok() const { return ok_; }

 private:
  std::filesystem::path root_;
  bool ok_ = false;
};

void DeleteTargets() {
  std::vector<std::string> targets;
  for (const std::string& group : Groups(kHba)) {
    if (group.rfind("Target", 0) == 0) targets.push_back(group);
  }
  for (auto it = targets.rbegin(); it != targets.rend(); ++it) {
    (void)Do(Hba("DeleteTarget"), {it->substr(6)});
  }
}

void BM_Library_DiscoverSimulated(benchmark::State& state) {
  oxim::emulator::AdapterConfig config = oxim::emulator::DefaultConfig();
  config.controllers[0].chip = kTindra;
  config.targets.clear();
  for (int i = 0; i < state.range(0); ++i) {
    oxim::emulator::SimulatedTarget target;
    target.name = "iqn.2026-01.net.oxim-lab:bench." + std::to_string(i);
    target.portals = {{kManyAddress, 3260, 1}};
    config.targets.push_back(target);
  }
  Bench bench(std::move(config));
  if (!bench.ok() || Do(Hba("Discovery/AddSendTargetPortal"), {kManyAddress, "3260"}) != 0) {
    state.SkipWithError("setting up the portal failed");
    return;
  }
  for (auto _ : state) {
    if (Do(Hba("Discovery/SendTargetPortal0/DiscoverTargets")) != 0) {
      state.SkipWithError("DiscoverTargets failed");
      break;
    }
    state.PauseTiming();
    DeleteTargets();
    state.ResumeTiming();
  }
  state.counters["targets"] = static_cast<double>(state.range(0));
}
BENCHMARK(BM_Library_DiscoverSimulated)->Arg(1)->Arg(256)->Unit(benchmark::kMillisecond);

void BM_Library_DiscoverTgtd(benchmark::State& state) {
  if (!ServerUsable(state)) return;
  Bench bench(oxim::bench::ConfigWithMappedTgtd());
  if (!bench.ok() || Do(Hba("Discovery/AddSendTargetPortal"), {kMappedAddress, "3260"}) != 0 ||
      Do(Hba("Discovery/SendTargetPortal0/DiscoverTargets")) != 0) {
    state.SkipWithError("setting up the portal failed");
    return;
  }
  for (auto _ : state) {
    if (Do(Hba("Discovery/SendTargetPortal0/DiscoverTargets")) != 0) {
      state.SkipWithError("DiscoverTargets failed");
      break;
    }
  }
}
BENCHMARK(BM_Library_DiscoverTgtd)->Unit(benchmark::kMillisecond);

void BM_Direct_DiscoverTgtd(benchmark::State& state) {
  if (!ServerUsable(state)) return;
  RealLoginRequest request;
  request.host = "127.0.0.1";
  request.port = Server().port();
  request.initiator_name = "iqn.qz";
  request.discovery = true;
  RealLoginResult result;
  std::vector<oxim::emulator::RealDiscoveredTarget> targets;
  for (auto _ : state) {
    std::unique_ptr<RealSession> session = RealSession::Login(request, &result);
    if (session == nullptr || !session->SendTargets(std::chrono::seconds(5), &targets)) {
      state.SkipWithError(session == nullptr ? result.error.c_str() : "SendTargets failed");
      return;
    }
    benchmark::DoNotOptimize(session->Logout());
  }
}
BENCHMARK(BM_Direct_DiscoverTgtd)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
