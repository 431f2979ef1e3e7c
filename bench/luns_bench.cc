// ReScanLUNS through the library's C API on the emulated adapter in this
// process: a simulated target with 1 and with 255 LUNs, and tgtd on
// loopback (mapped to 192.0.2.20:3260) where the rescan is followed by the
// inquiry and capacity of its disk; beside it the same REPORT LUNS + INQUIRY
// + READ CAPACITY sequence done directly with libiscsi on a session of its
// own. tgtd benchmarks are skipped with the reason when tgtd cannot run.
#include <benchmark/benchmark.h>
#include <iscsi/iscsi.h>
#include <iscsi/scsi-lowlevel.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "emulator.h"
#include "oxim/oxim.h"
#include "support/api_client.h"
#include "support/tgtd_fixture.h"
#include "tgtd_bench.h"

namespace {

using oxim::bench::kMappedAddress;
using oxim::bench::Server;
using oxim::bench::ServerUsable;
using oxim::testing::Do;
using oxim::testing::Read;
using oxim::testing::TgtdServer;

constexpr char kHba[] = "Quellfire0/iSCSIPhysicalHBA0/LogicalHBA0";
constexpr char kSimulatedTarget[] = "iqn.2026-01.net.oxim-lab:bench";
constexpr char kSimulatedAddress[] = "192.0.2.60";

// A fresh root with the adapter installed in this process, the library
// started and logged in to `name` at `address`; removed again on scope exit.
class LoggedIn {
 public:
  LoggedIn(oxim::emulator::AdapterConfig config, const char* name, const char* address)
      : root_(std::filesystem::temp_directory_path() /
              ("oxim-bench-luns-" + std::to_string(getpid()))) {
    std::filesystem::remove_all(root_);
    std::filesystem::create_directories(root_ / "scratch/Vallorn");
    setenv("OXIM_ROOT", root_.c_str(), 1);
    oxim::emulator::InstallEmulator(std::move(config));
    ok_ = OXIM_init() == 0 && Do(std::string(kHba) + "/AddTarget", {name, address}) == 0 &&
          Do(target() + "/Login") == 0;
  }
  ~LoggedIn() {
    OXIM_exit();
    oxim::emulator::UninstallEmulator();
    std::filesystem::remove_all(root_);
  }
  bool ok() const { return ok_; }
  std::string target() const { return std::string(kHba) + "/Target0"; }

 private:
  std::filesystem::path root_;
  bool ok_ = false;
};

void BM_ReScanLUNS_Simulated(benchmark::State& state) {
  oxim::emulator::AdapterConfig config = oxim::emulator::DefaultConfig();
  oxim::emulator::SimulatedTarget target;
  target.name = kSimulatedTarget;
  target.portals.push_back({kSimulatedAddress, 3260, 1});
  for (int n = 0; n < state.range(0); ++n) {
    oxim::emulator::SimulatedLun lun;
    lun.number = static_cast<uint16_t>(n);
    lun.blocks = 2048;
    target.luns.push_back(lun);
  }
  config.targets.push_back(target);
  LoggedIn session(std::move(config), kSimulatedTarget, kSimulatedAddress);
  if (!session.ok()) {
    state.SkipWithError("setting up the target failed");
    return;
  }
  for (auto _ : state) {
    if (Do(session.target() + "/ReScanLUNS") != 0) {
      state.SkipWithError("ReScanLUNS failed");
      break;
    }
  }
}
BENCHMARK(BM_ReScanLUNS_Simulated)->Arg(1)->Arg(255)->Unit(benchmark::kMillisecond);

// ReScanLUNS (REPORT LUNS twice), then the disk's vendor (standard INQUIRY
// and the serial number page) and block size (READ CAPACITY (10)).
void BM_Library_RescanInquiryCapacity_Tgtd(benchmark::State& state) {
  if (!ServerUsable(state)) return;
  LoggedIn session(oxim::bench::ConfigWithMappedTgtd(), TgtdServer::kOpenTarget, kMappedAddress);
  if (!session.ok()) {
    state.SkipWithError("login to tgtd failed");
    return;
  }
  const std::string disk = session.target() + "/LUN1";
  for (auto _ : state) {
    if (Do(session.target() + "/ReScanLUNS") != 0 || Read(disk + "/DeviceVendorName").first != 0 ||
        Read(disk + "/BlockSize").first != 0) {
      state.SkipWithError("a command failed");
      break;
    }
  }
  (void)Do(session.target() + "/Logout");
}
BENCHMARK(BM_Library_RescanInquiryCapacity_Tgtd)->Unit(benchmark::kMillisecond);

// The same five commands with libiscsi's synchronous calls.
void BM_Direct_RescanInquiryCapacity_Tgtd(benchmark::State& state) {
  if (!ServerUsable(state)) return;
  iscsi_context* context = iscsi_create_context("iqn.qz");
  const std::string portal = "127.0.0.1:" + std::to_string(Server().port());
  if (context == nullptr || iscsi_set_targetname(context, TgtdServer::kOpenTarget) != 0 ||
      iscsi_set_session_type(context, ISCSI_SESSION_NORMAL) != 0 ||
      iscsi_full_connect_sync(context, portal.c_str(), 1) != 0) {
    state.SkipWithError("libiscsi login failed");
    if (context != nullptr) iscsi_destroy_context(context);
    return;
  }
  for (auto _ : state) {
    scsi_task* tasks[] = {
        iscsi_reportluns_sync(context, 0, 16),       iscsi_reportluns_sync(context, 0, 24),
        iscsi_inquiry_sync(context, 1, 0, 0, 36),    iscsi_inquiry_sync(context, 1, 1, 0x80, 255),
        iscsi_readcapacity10_sync(context, 1, 0, 0),
    };
    bool good = true;
    for (scsi_task* task : tasks) {
      good = good && task != nullptr && task->status == SCSI_STATUS_GOOD;
      if (task != nullptr) scsi_free_scsi_task(task);
    }
    if (!good) {
      state.SkipWithError("a command failed");
      break;
    }
  }
  iscsi_logout_sync(context);
  iscsi_destroy_context(context);
}
BENCHMARK(BM_Direct_RescanInquiryCapacity_Tgtd)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
