// LUNs and SCSI commands through the public C API against the emulated
// adapter's simulated targets: the LUN groups a login builds and their
// inquiry and capacity properties in their units, odd LUN tables, the cap of
// 255 LUNs, rescans with and without sessions or with a failing firmware,
// SCSIWrite's range, injected check conditions, and the QoS limits.
#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "oxim/oxim.h"
#include "support/api_client.h"
#include "support/library_fixture.h"

namespace oxim::testing {
namespace {

constexpr char kHba[] = "Quellfire0/iSCSIPhysicalHBA0/LogicalHBA0";
constexpr char kOpen[] = "iqn.2026-01.net.oxim-lab:open";
constexpr char kLab[] = "iqn.2026-01.net.oxim-lab:luns";

std::string Hba(const std::string& rest) { return std::string(kHba) + "/" + rest; }

std::vector<std::string> Luns(const std::string& target) {
  std::vector<std::string> luns;
  for (const std::string& group : Groups(target)) {
    if (group.rfind("LUN", 0) == 0) luns.push_back(group);
  }
  return luns;
}

// The adapter of emulator/configs/real_target.json with one simulated
// target at 192.0.2.50 whose LUN table is `luns`.
std::string LunConfig(const nlohmann::json& luns) {
  std::ifstream example(std::string(OXIM_CONFIG_DIR) + "/real_target.json");
  nlohmann::json config = nlohmann::json::parse(example);
  config.erase("real_portals");
  config["targets"] = {
      {{"name", kLab}, {"portals", {{{"address", "192.0.2.50"}}}}, {"luns", luns}}};
  return config.dump();
}

class LunTest : public LibraryTest {
 protected:
  // Adds the target and logs in; the target's path.
  std::string LoggedIn(const std::string& name, const std::string& address) {
    EXPECT_EQ(Do(Hba("AddTarget"), {name, address}), 0u) << LastStatus().second;
    const std::string target = Hba("Target0");
    EXPECT_EQ(Do(target + "/Login"), 0u) << LastStatus().second;
    return target;
  }
  std::string OnLab(const nlohmann::json& luns) {
    Start(WriteConfig(LunConfig(luns)));
    return LoggedIn(kLab, "192.0.2.50");
  }
};

TEST_F(LunTest, LoginBuildsTheLunsWithInquiryAndCapacity) {
  Start();
  const std::string target = LoggedIn(kOpen, "192.0.2.10");
  ASSERT_EQ(Luns(target), (std::vector<std::string>{"LUN0", "LUN1"}));
  const std::string lun = target + "/LUN1";
  EXPECT_EQ(Value(target + "/LUN0/LUNNumber"), "0000000000000000");
  EXPECT_EQ(Value(lun + "/LUNNumber"), "0000000000000100");
  EXPECT_EQ(Value(lun + "/BlockSize"), "512");
  EXPECT_EQ(Value(lun + "/LUNSize"), "2.00 GB");
  EXPECT_EQ(Value(target + "/LUN0/LUNSize"), "1.00 GB");  // exactly 2^30 bytes
  EXPECT_EQ(Value(lun + "/DeviceVendorName"), "OXIMLAB ");
  EXPECT_EQ(Value(lun + "/DeviceModelNumber"), "VDISK           ");
  EXPECT_EQ(Value(lun + "/LUNSerialNumber"), "OPEN0001");
  EXPECT_EQ(Value(lun + "/LUNType"), "0x0");
  EXPECT_EQ(Value(lun + "/LUNName"), Value(Hba("IfName")) + ":0:1");
  EXPECT_EQ(Do(lun + "/StdInquiry"), 0u);
  EXPECT_EQ(LastStatus().first, 0u);
  EXPECT_EQ(OXIM_refresh_group(Tag(lun)), 0u);
}

TEST_F(LunTest, OddSizesTakeTheirUnits) {
  const std::string target = OnLab(nlohmann::json::array({
      {{"number", 0}, {"blocks", 1}, {"block_size", 1023}, {"type", 12}},
      {{"number", 1}, {"blocks", 3}},
      {{"number", 2}, {"blocks", 2048}},
      {{"number", 3}, {"blocks", 6442450944}},  // 3 TB: READ CAPACITY (16)
      {{"number", 300}, {"blocks", 2097151}, {"vendor", "%s%n"}, {"serial", "$(reboot)"}},
  }));
  ASSERT_EQ(Luns(target).size(), 5u);
  EXPECT_EQ(Value(target + "/LUN0/LUNSize"), "1023 Bytes");
  EXPECT_EQ(Value(target + "/LUN0/BlockSize"), "1023");
  EXPECT_EQ(Value(target + "/LUN0/LUNType"), "0xc");
  EXPECT_EQ(Value(target + "/LUN1/LUNSize"), "1.50 KB");
  EXPECT_EQ(Value(target + "/LUN2/LUNSize"), "1.00 MB");
  EXPECT_EQ(Value(target + "/LUN3/LUNSize"), "3.00 TB");
  // 2^30 - 512 bytes: two decimals round it up.
  EXPECT_EQ(Value(target + "/LUN4/LUNSize"), "1024.00 MB");
  // Flat addressing: entry bytes 41 2c, shown from byte 3 down to 0.
  EXPECT_EQ(Value(target + "/LUN4/LUNNumber"), "0000000000002c41");
  // Text from the target is shown as it came, never interpreted.
  EXPECT_EQ(Value(target + "/LUN4/DeviceVendorName"), "%s%n    ");
  EXPECT_EQ(Value(target + "/LUN4/LUNSerialNumber"), "$(reboot)");
}

TEST_F(LunTest, ThreeHundredLunsAreCappedAt255) {
  nlohmann::json luns = nlohmann::json::array();
  for (int n = 0; n < 300; ++n) luns.push_back({{"number", n}, {"blocks", 8}});
  const std::string target = OnLab(luns);
  EXPECT_EQ(Luns(target).size(), 255u);
  ASSERT_EQ(Do(target + "/ReScanLUNS"), 0u) << LastStatus().second;
  EXPECT_EQ(Luns(target).size(), 255u);
  EXPECT_EQ(Value(target + "/LUN254/LUNNumber"), "000000000000fe00");
}

TEST_F(LunTest, EmptyListMakesNoLun) {
  const std::string target = OnLab(nlohmann::json::array());
  EXPECT_TRUE(Luns(target).empty());
  ASSERT_EQ(Do(target + "/ReScanLUNS"), 0u);
  EXPECT_TRUE(Luns(target).empty());
}

TEST_F(LunTest, RescanWithoutSessionsOrWithAFailingFirmware) {
  Start();
  const std::string target = LoggedIn(kOpen, "192.0.2.10");
  const std::string lun = target + "/LUN1";
  EmulatorControl(
      R"({"op":"fault","faults":{"commands":[{"subsystem":6,"opcode":59,"status":1}]}})");
  EXPECT_EQ(Do(target + "/ReScanLUNS"), 90u);
  EXPECT_EQ(LastStatus(),
            Status(90,
                   "Failed to get LUN info for some sessions. Please check oxim2d.log for the "
                   "actual sessions failed."));
  EXPECT_TRUE(Luns(target).empty());
  EmulatorControl(R"({"op":"clear_faults"})");
  ASSERT_EQ(Do(target + "/ReScanLUNS"), 0u);
  ASSERT_EQ(Luns(target).size(), 2u);
  EmulatorControl(
      R"({"op":"fault","faults":{"commands":[{"subsystem":6,"opcode":59,"status":1}]}})");
  EXPECT_NE(Read(lun + "/BlockSize").first, 0u);
  EXPECT_EQ(LastStatus().first, 90u);
  EXPECT_EQ(LastStatus().second,
            "Failed to get LUN info. Application internal error occurred. Please check oxim2d.log "
            "file for more information.");
  EmulatorControl(R"({"op":"clear_faults"})");

  ASSERT_EQ(Do(target + "/Logout"), 0u) << LastStatus().second;
  EXPECT_TRUE(Luns(target).empty());
  EXPECT_EQ(Do(target + "/ReScanLUNS"), 42u);
  EXPECT_EQ(LastStatus(), Status(42, "No session available to this target."));
}

TEST_F(LunTest, LoginSucceedsWhenTheLunsCannotBeRead) {
  Start();
  EmulatorControl(
      R"({"op":"fault","faults":{"commands":[{"subsystem":6,"opcode":59,"status":1}]}})");
  EXPECT_EQ(Do(Hba("AddTarget"), {kOpen, "192.0.2.10"}), 0u);
  EXPECT_EQ(Do(Hba("Target0/Login")), 0u);
  EXPECT_EQ(LastStatus(),
            Status(90, "Login succeeded but could not get LUN info for some sessions."));
  EXPECT_TRUE(Luns(Hba("Target0")).empty());
}

TEST_F(LunTest, EachSessionReportsItsLunsAndLogoutKeepsTheRest) {
  Start();
  const std::string target = LoggedIn(kOpen, "192.0.2.10");
  ASSERT_EQ(Do(target + "/Login", {"", "", "", "7"}), 0u) << LastStatus().second;
  EXPECT_EQ(Luns(target).size(), 4u);  // LUNs 0 and 1 through each session
  EmulatorControl(
      R"({"op":"fault","faults":{"commands":[{"subsystem":6,"opcode":59,"status":1}]}})");
  ASSERT_EQ(Do(target + "/Logout", {"1"}), 0u) << LastStatus().second;
  EXPECT_EQ(LastStatus(),
            Status(90, "Logout succeeded but could not get LUN info for some sessions."));
  EmulatorControl(R"({"op":"clear_faults"})");
  ASSERT_EQ(Do(target + "/ReScanLUNS"), 0u);
  EXPECT_EQ(Luns(target).size(), 2u);
}

TEST_F(LunTest, ScsiWriteCountStaysWithinOneDataLength) {
  const std::string target = OnLab(nlohmann::json::array({{{"number", 0}, {"blocks", 200}}}));
  const std::string lun = target + "/LUN0";
  EXPECT_EQ(Do(lun + "/SCSIWrite", {"0", "128"}), 7u);
  EXPECT_EQ(LastStatus(), Status(7, "Count: Value out of range. Valid range is from 1 to 127."));
  EXPECT_EQ(Do(lun + "/SCSIWrite", {"0", "127"}), 0u) << LastStatus().second;
  EXPECT_EQ(LastStatus().first, 0u);
  EXPECT_EQ(Do(lun + "/SCSIWrite", {"199", "1"}), 0u);
  // Past the last block: the target refuses.
  EXPECT_NE(Do(lun + "/SCSIWrite", {"199", "2"}), 0u);
  EXPECT_NE(LastStatus().first, 0u);
  EXPECT_NE(Do(lun + "/SCSIWrite", {"0", "0"}), 0u);
  EXPECT_EQ(LastStatus().first, 7u);
}

TEST_F(LunTest, ACheckConditionIsRetriedOnce) {
  const std::string target = OnLab(nlohmann::json::array({
      {{"number", 0}, {"blocks", 8}, {"check_condition", {0x25}}, {"check_condition_times", 1}},
      {{"number", 1}, {"blocks", 8}, {"check_condition", {0x12}}},
  }));
  EXPECT_EQ(Value(target + "/LUN0/BlockSize"), "512");
  EXPECT_NE(Read(target + "/LUN1/DeviceVendorName").first, 0u);
  EXPECT_NE(Do(target + "/LUN1/StdInquiry"), 0u);
  EXPECT_EQ(Value(target + "/LUN1/LUNSize"), "4.00 KB");
}

TEST_F(LunTest, QosLimitsAndTheirRange) {
  Start();
  const std::string qos = Hba("iSCSIQoS");
  EXPECT_EQ(Value(qos + "/MaxBytesPerSecond"), "0");
  EXPECT_EQ(Value(qos + "/MaxIosPerSecond"), "0");
  ASSERT_EQ(SetValue(qos + "/MaxBytesPerSecond", "1280"), 0u) << LastStatus().second;
  ASSERT_EQ(SetValue(qos + "/MaxIosPerSecond", "250"), 0u);
  EXPECT_EQ(Value(qos + "/MaxBytesPerSecond"), "1280");
  EXPECT_EQ(SetValue(qos + "/MaxBytesPerSecond", "1281"), 1u);
  EXPECT_EQ(LastStatus(), Status(7, "Value out of range. Valid range is from 0 to 1280."));
  EXPECT_EQ(SetValue(qos + "/MaxIosPerSecond", "251"), 1u);
  EXPECT_EQ(LastStatus().first, 7u);
  Restart();
  EXPECT_EQ(Value(qos + "/MaxBytesPerSecond"), "1280");
  EXPECT_EQ(Value(qos + "/MaxIosPerSecond"), "250");
  EmulatorControl(
      R"({"op":"fault","faults":{"commands":[{"subsystem":1,"opcode":28,"status":1}]}})");
  EXPECT_NE(SetValue(qos + "/MaxIosPerSecond", "10"), 0u);
  EXPECT_EQ(LastStatus().first, 115u);
  EmulatorControl(
      R"({"op":"fault","faults":{"commands":[{"subsystem":1,"opcode":27,"status":1}]}})");
  EXPECT_NE(Read(qos + "/MaxIosPerSecond").first, 0u);
  EXPECT_EQ(LastStatus().first, 114u);
}

// Property reads run on the callers' threads outside the library lock:
// several at once reach the adapter on connections of their own, each with
// the device handles of the process.
TEST_F(LunTest, PropertyReadsFromSeveralThreadsAtOnce) {
  Start();
  const std::string target = LoggedIn(kOpen, "192.0.2.10");
  std::atomic<int> wrong{0};
  std::vector<std::thread> readers;
  for (int t = 0; t < 4; ++t) {
    readers.emplace_back([&] {
      for (int i = 0; i < 10; ++i) {
        if (Read(target + "/LUN1/LUNSize") != std::make_pair(0u, std::string("2.00 GB"))) {
          ++wrong;
        }
      }
    });
  }
  for (std::thread& reader : readers) reader.join();
  EXPECT_EQ(wrong.load(), 0);
}
}  // namespace
}  // namespace oxim::testing
