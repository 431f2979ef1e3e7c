// The platform seam: backend choice by OXIM_ADAPTER at open time, clean
// failure on a host without the adapter, host files under OXIM_ROOT and host
// tools run without a shell.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/log.h"
#include "platform/device_backend.h"
#include "records/driver_records.h"
#include "support/temp_root.h"

namespace oxim::platform {
namespace {

class AdapterChoice : public testing::TempRootTest {
 protected:
  ~AdapterChoice() override { unsetenv("OXIM_ADAPTER"); }
};

TEST_F(AdapterChoice, HostWithoutDeviceNodesFailsCleanly) {
  unsetenv("OXIM_ADAPTER");
  errno = 0;
  EXPECT_EQ(OpenDevice(records::kNicDevicePath), -1);
  EXPECT_EQ(errno, ENOENT);
  setenv("OXIM_ADAPTER", "host", 1);
  EXPECT_EQ(OpenDevice(std::string(records::kIscsiDevicePrefix) + "0"), -1);
}

TEST_F(AdapterChoice, EmulatorIsChosenWhenADeviceIsOpened) {
  setenv("OXIM_ADAPTER", "emulator", 1);
  int handle = OpenDevice(records::kNicDevicePath);
  ASSERT_GE(handle, 0);
  uint8_t record[records::kChipInfoRecordSize] = {};
  EXPECT_EQ(DeviceIoctl(handle, records::kNicChipInfoRequest, record).result, 0);
  EXPECT_EQ(record[0], 1);
  EXPECT_EQ(CloseDevice(handle), 0);
  EXPECT_EQ(CloseDevice(handle), -1);
  EXPECT_EQ(DeviceIoctl(handle, records::kNicChipInfoRequest, record).error, EBADF);
}

TEST_F(AdapterChoice, ConfigurationFileAndUnknownValuesAreRefused) {
  setenv("OXIM_ADAPTER", "emulator:/tmp/adapter.json", 1);
  errno = 0;
  EXPECT_EQ(OpenDevice(records::kNicDevicePath), -1);
  EXPECT_EQ(errno, EINVAL);
  setenv("OXIM_ADAPTER", "socket:/tmp/x", 1);
  EXPECT_EQ(OpenDevice(records::kNicDevicePath), -1);
}

// Start-up opens 128 devices: a configuration that cannot be used is
// tried, and logged, once.
TEST_F(AdapterChoice, RefusedConfigurationIsLoggedOnceNotOnEveryOpen) {
  root_.write("/bad.json", R"({"controllers": [{"chip": 3, "serial_number": "SN-1", "functions": [
      {"kind": "nic", "port": 0, "pci": {"bus": 300, "device": 0, "function": 0}}]}]})");
  const std::pair<std::string, std::string> kCases[] = {
      {"emulator:/nonexistent/adapter.json", "cannot be read"},
      {"emulator:" + root_.file("/bad.json"),
       "controllers[0].functions[0].pci.bus: expected an integer 0..255"}};
  for (const auto& [adapter, reason] : kCases) {
    set_log_level(kLogError);
    open_log_file();
    setenv("OXIM_ADAPTER", adapter.c_str(), 1);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(OpenDevice(records::kNicDevicePath), -1);
    close_log_file();
    set_log_level(kLogOff);
    const std::string log = root_.read(kLogFilePath);
    EXPECT_NE(log.find(reason), std::string::npos) << log;
    EXPECT_EQ(log.find(reason), log.rfind(reason)) << log;
    EXPECT_NE(AdapterProblem().find(reason), std::string::npos) << AdapterProblem();
  }
}

TEST_F(AdapterChoice, HostFilesAreReadUnderTheRoot) {
  unsetenv("OXIM_ADAPTER");
  root_.write("/etc/vmware-release", "release 5.5\n");
  std::string content;
  ASSERT_TRUE(ReadHostFile("/etc/vmware-release", &content));
  EXPECT_EQ(content, "release 5.5\n");
  EXPECT_FALSE(ReadHostFile("/etc/issue.net", &content));
}

TEST_F(AdapterChoice, HostToolWordsReachTheToolUnchanged) {
  unsetenv("OXIM_ADAPTER");
  const std::string hostile = "vmnic0; touch " + root_.file("/tmp/pwned") + " $(id)";
  ToolResult result = RunHostTool({"echo", hostile});
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_EQ(result.output, hostile + "\n");
  EXPECT_FALSE(std::filesystem::exists(root_.file("/tmp/pwned")));
}

TEST_F(AdapterChoice, MissingToolIsReportedNotRun) {
  unsetenv("OXIM_ADAPTER");
  EXPECT_EQ(RunHostTool({"oxim-no-such-tool-here"}).exit_status, -1);
  EXPECT_EQ(RunHostTool({}).exit_status, -1);
  EXPECT_EQ(RunHostTool({"false"}).exit_status, 1);
}

}  // namespace
}  // namespace oxim::platform
