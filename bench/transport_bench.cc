// Round trip of one small firmware command through the transport and the
// in-process emulated adapter: iSCSI (one device per function) and NIC (the
// envelope, and the NIC device opened and closed around the request).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "emulator.h"
#include "records/driver_records.h"
#include "transport/commands.h"
#include "transport/driver_tables.h"

namespace {

using namespace oxim;

// An emulated adapter under a temporary root with its devices in the tables.
class Adapter {
 public:
  Adapter() {
    std::string pattern = (std::filesystem::temp_directory_path() / "oxim-bench-XXXXXX").string();
    root_ = mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
    setenv("OXIM_ROOT", root_.c_str(), 1);
    emulator::InstallEmulator();
    for (int n = 0;; ++n) {
      int handle = platform::OpenDevice(records::kIscsiDevicePrefix + std::to_string(n));
      if (handle < 0) break;
      handles_.push_back(handle);
    }
    transport::SetIscsiHandles(handles_);
    const std::vector<records::PciAddress> nics = {{3, 0, 0}, {3, 0, 1}};
    transport::SetNicFunctions(nics);
  }
  ~Adapter() {
    for (int handle : handles_) platform::CloseDevice(handle);
    transport::ClearDriverTables();
    emulator::UninstallEmulator();
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
    unsetenv("OXIM_ROOT");
  }

 private:
  std::string root_;
  std::vector<int> handles_;
};

void BM_IscsiSmallCommand(benchmark::State& state) {
  Adapter adapter;
  for (auto _ : state) {
    uint32_t status = ioctl_start_management_service({.index = 1}, {}, DriverKind::kIscsi);
    benchmark::DoNotOptimize(status);
  }
}
BENCHMARK(BM_IscsiSmallCommand);

void BM_NicSmallCommand(benchmark::State& state) {
  Adapter adapter;
  for (auto _ : state) {
    uint32_t status = ioctl_start_management_service({.index = 1}, {}, DriverKind::kNic);
    benchmark::DoNotOptimize(status);
  }
}
BENCHMARK(BM_NicSmallCommand);

void BM_IscsiControllerAttributes(benchmark::State& state) {
  Adapter adapter;
  uint8_t attributes[540];
  for (auto _ : state) {
    uint32_t status = ioctl_fetch_controller_attribs({.index = 1}, attributes, DriverKind::kIscsi);
    benchmark::DoNotOptimize(status);
  }
}
BENCHMARK(BM_IscsiControllerAttributes);

}  // namespace

BENCHMARK_MAIN();
