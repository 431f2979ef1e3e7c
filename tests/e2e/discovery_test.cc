// Controller discovery through the public C API, against the emulated
// adapter: the controllers and functions the tree shows for each example
// configuration, how functions are matched to controllers, interface names,
// the NIC refresh, a later client, and the host without adapter.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "oxim/oxim.h"
#include "support/api_client.h"
#include "support/library_fixture.h"

namespace {

using oxim::testing::Groups;
using oxim::testing::LastStatus;
using oxim::testing::Status;
using oxim::testing::Tag;
using oxim::testing::Value;

std::vector<std::string> Functions(const std::string& controller) {
  std::vector<std::string> functions;
  for (const std::string& name : Groups(controller)) {
    if (name.find("PhysicalHBA") != std::string::npos) functions.push_back(name);
  }
  return functions;
}

class DiscoveryTest : public oxim::testing::LibraryTest {};

// A controller with the given serial number and functions (JSON).
std::string Controller(const std::string& serial, const std::string& functions) {
  return R"({"chip": 3, "serial_number": ")" + serial + R"(", "functions": [)" + functions + "]}";
}
std::string Function(const char* kind, int port, int bus, int device, int function) {
  return std::string(R"({"kind": ")") + kind + R"(", "port": )" + std::to_string(port) +
         R"(, "pci": {"bus": )" + std::to_string(bus) + R"(, "device": )" + std::to_string(device) +
         R"(, "function": )" + std::to_string(function) + "}}";
}

TEST_F(DiscoveryTest, HostWithoutAdapterHasOnlyTheRoot) {
  Start("host");
  EXPECT_EQ(LastStatus(),
            Status(313,
                   "Nevrane Adapter Not found. Please make sure Vallorn NIC/iSCSI drivers are "
                   "installed properly or Nevrane adapter inserted on PCIe Slot."));
  EXPECT_TRUE(Groups("").empty());
  EXPECT_EQ(Value("OXIMServiceVersion"), "1.0.99.0");
}

TEST_F(DiscoveryTest, DefaultEmulatorShowsOneControllerWithFourFunctions) {
  Start("emulator");
  EXPECT_EQ(Groups(""), std::vector<std::string>{"Quellfire0"});
  EXPECT_EQ(Functions("Quellfire0"),
            (std::vector<std::string>{"iSCSIPhysicalHBA0", "iSCSIPhysicalHBA1", "NICPhysicalHBA0",
                                      "NICPhysicalHBA1"}));
  EXPECT_EQ(Value("Quellfire0/iSCSIPhysicalHBA0/PortNumber"), "0");
  EXPECT_EQ(Value("Quellfire0/iSCSIPhysicalHBA1/PortNumber"), "1");
  EXPECT_EQ(Value("Quellfire0/NICPhysicalHBA1/PortNumber"), "1");
  EXPECT_EQ(Value("Quellfire0/iSCSIPhysicalHBA0/PCI/DeviceID"), "0x0714");
  EXPECT_EQ(Value("Quellfire0/iSCSIPhysicalHBA0/PCI/VendorID"), "0x1d7e");
  EXPECT_NE(Value("Quellfire0/SerialNumber"), "");
  EXPECT_NE(Tag("Quellfire0/iSCSIPhysicalHBA0/LogicalHBA0"), 0xFFFFFFFFu);
  EXPECT_EQ(Value("Quellfire0/NICPhysicalHBA0/IsVF"), "False");
  EXPECT_NE(Value("Quellfire0/NICPhysicalHBA0/IfName"), "");
}

TEST_F(DiscoveryTest, EachChipGenerationShowsItsDeviceId) {
  const std::pair<const char*, const char*> kChips[] = {{"qf2.json", "0x0700"},
                                                        {"qf3.json", "0x0714"},
                                                        {"korvel.json", "0xe220"},
                                                        {"tindra.json", "0x0720"}};
  for (const auto& [file, device_id] : kChips) {
    Start(Config(file));
    EXPECT_EQ(Groups(""), std::vector<std::string>{"Quellfire0"}) << file;
    const std::vector<std::string> functions = Functions("Quellfire0");
    ASSERT_FALSE(functions.empty()) << file;
    EXPECT_EQ(Value("Quellfire0/" + functions[0] + "/PCI/DeviceID"), device_id) << file;
    // The versions the controller reports (fetched again on Korvel, and the
    // one in flash on every chip).
    const std::string active = Value("Quellfire0/ActiveFirmwareVersion");
    EXPECT_NE(active, "") << file;
    EXPECT_NE(active, "N/A") << file;
    EXPECT_EQ(Value("Quellfire0/FirmwareVersionOnFlash"), active) << file;
    Stop();
  }
}

TEST_F(DiscoveryTest, NicOnlyHostBuildsControllersFromChipInformation) {
  Start(Config("nic_only.json"));
  ASSERT_FALSE(Groups("").empty());
  for (const std::string& controller : Groups("")) {
    for (const std::string& function : Functions(controller)) {
      EXPECT_EQ(function.rfind("NICPhysicalHBA", 0), 0u) << function;
    }
  }
}

TEST_F(DiscoveryTest, TwoControllersAndALargeHost) {
  Start(Config("two_controllers.json"));
  EXPECT_EQ(Groups(""), (std::vector<std::string>{"Quellfire0", "Quellfire1"}));
  EXPECT_EQ(Value("Quellfire1/iSCSIPhysicalHBA0/PCI/BusNumber"), "0x7");
  EXPECT_EQ(Value("Quellfire1/SerialNumber"), "VN3Q0418B0F2");
  Stop();

  Start(Config("large.json"));
  ASSERT_EQ(Groups("").size(), 4u);
  for (const std::string& controller : Groups("")) {
    EXPECT_EQ(Functions(controller).size(), 8u) << controller;
  }
  EXPECT_EQ(Value("Quellfire3/iSCSIPhysicalHBA3/PortNumber"), "3");
}

TEST_F(DiscoveryTest, FunctionsAreMatchedByBusDeviceOrSerialNumber) {
  // Serial number "0": the same bus and device make one controller.
  Start(WriteConfig(R"({"controllers": [)" + Controller("0", Function("iscsi", 0, 4, 0, 0)) + "," +
                    Controller("0", Function("iscsi", 1, 4, 0, 1)) + "]}"));
  EXPECT_EQ(Groups(""), std::vector<std::string>{"Quellfire0"});
  EXPECT_EQ(Functions("Quellfire0"),
            (std::vector<std::string>{"iSCSIPhysicalHBA0", "iSCSIPhysicalHBA1"}));
  Stop();

  // The same bus with different serial numbers: two controllers.
  Start(WriteConfig(R"({"controllers": [)" + Controller("SN-A", Function("iscsi", 0, 4, 0, 0)) +
                    "," + Controller("SN-B", Function("iscsi", 0, 4, 1, 0)) + "]}"));
  EXPECT_EQ(Groups(""), (std::vector<std::string>{"Quellfire0", "Quellfire1"}));
}

TEST_F(DiscoveryTest, InterfaceNamesAreCutToNineCharacters) {
  Start(WriteConfig(R"({"controllers": [{"chip": 3, "serial_number": "SN-1", "functions": [
      {"kind": "nic", "port": 0, "pci": {"bus": 3, "device": 0, "function": 1},
       "interface_name": "vmnic12345678"}]}]})"));
  EXPECT_EQ(Value("Quellfire0/NICPhysicalHBA0/IfName"), "vmnic1234");
}

TEST_F(DiscoveryTest, VirtualFunctionHostIsFlagged) {
  Start(Config("vf_host.json"));
  EXPECT_EQ(Value("Quellfire0/NICPhysicalHBA0/IsVF"), "True");
}

TEST_F(DiscoveryTest, InterfaceCheckKnowsTheAdaptersFunctionsAndRunsNoShell) {
  Start("emulator");
  EXPECT_EQ(OXIM_check_valid_interface("vmnic0"), 0u);
  EXPECT_EQ(OXIM_check_valid_interface("vmnic7"), 1u);
  const std::string witness = root_.file("/tmp/touched");
  const std::string hostile = "vmnic0; touch " + witness;
  EXPECT_EQ(OXIM_check_valid_interface(hostile.c_str()), 1u);
  EXPECT_NE(access(witness.c_str(), F_OK), 0) << "nothing ran";
}

// The PCI functions the tree shows for its NIC physical HBAs, as
// "controller bus:device.function" texts, in tree order.
std::vector<std::string> NicFunctionsOfTheTree() {
  std::vector<std::string> shown;
  for (const std::string& controller : Groups("")) {
    for (const std::string& function : Functions(controller)) {
      if (function.rfind("NICPhysicalHBA", 0) != 0) continue;
      const std::string pci = controller + "/" + function + "/PCI/";
      shown.push_back(controller + " " + Value(pci + "BusNumber") + ":" +
                      Value(pci + "DeviceNumber") + "." + Value(pci + "FunctionNumber"));
    }
  }
  return shown;
}

// QF3 with two NIC and two iSCSI functions whose NIC driver shows only the
// first NIC function after `after_requests` NIC requests.
std::string ShrinkingNicHost(int after_requests) {
  return R"({"controllers": [)" +
         Controller("VN3Q0417A2K9",
                    Function("nic", 0, 3, 0, 0) + "," + Function("nic", 1, 3, 0, 1) + "," +
                        Function("iscsi", 0, 3, 0, 2) + "," + Function("iscsi", 1, 3, 0, 3)) +
         R"(], "faults": {"nic_count_changes": [{"after_requests": )" +
         std::to_string(after_requests) + R"(, "nic_functions": 1}]}})";
}

// Wherever the change of the NIC functions falls in start-up, the tree
// describes the host before or after it: every function once, under its one
// controller, and never a group left from the other set (under ASan this
// also catches a start-up that reads groups a rebuild freed).
TEST_F(DiscoveryTest, NicFunctionsChangingDuringStartUpGiveOneConsistentTree) {
  const std::vector<std::string> before = {"Quellfire0 0x3:0x0.0x0", "Quellfire0 0x3:0x0.0x1"};
  const std::vector<std::string> after = {"Quellfire0 0x3:0x0.0x0"};
  for (int request = 1; request <= 10; ++request) {
    SCOPED_TRACE("change after NIC request " + std::to_string(request));
    const std::string adapter = WriteConfig(ShrinkingNicHost(request));
    Start(adapter);
    EXPECT_EQ(Groups(""), std::vector<std::string>{"Quellfire0"});
    const std::vector<std::string> shown = NicFunctionsOfTheTree();
    EXPECT_TRUE(shown == before || shown == after) << ::testing::PrintToString(shown);
    EXPECT_EQ(Functions("Quellfire0").size(), shown.size() + 2);
    EXPECT_EQ(Value("Quellfire0/NICPhysicalHBA0/IfName"), "vmnic0");
    // Each later client checks the host's functions (one NIC request at
    // least): by the last of them the change has fallen, and the tree shows
    // what the host shows.
    for (int client = 0; client < 10; ++client) {
      Start(adapter);
      Stop();
    }
    EXPECT_EQ(NicFunctionsOfTheTree(), after);
    EXPECT_EQ(
        Functions("Quellfire0"),
        (std::vector<std::string>{"iSCSIPhysicalHBA0", "iSCSIPhysicalHBA1", "NICPhysicalHBA0"}));
    Stop();
  }
}

TEST_F(DiscoveryTest, LaterClientStartsWithItsOwnLastStatus) {
  Start(Config("vf_host.json"));
  // The probe's refusal is how a virtual function is found, not a failure.
  EXPECT_EQ(LastStatus(), Status(0, ""));
  ASSERT_NE(oxim::testing::SetValue("OXIMDebugLevel", "9"), 0u);
  Start(Config("vf_host.json"));
  EXPECT_EQ(LastStatus(), Status(0, ""));
  EXPECT_EQ(Value("Quellfire0/NICPhysicalHBA0/IsVF"), "True");
}

TEST_F(DiscoveryTest, LaterClientOnAHostWithoutAdapterStartsAsTheFirst) {
  Start("host");
  Start("host");
  EXPECT_EQ(LastStatus().first, 313u);
  EXPECT_TRUE(Groups("").empty());
}

TEST_F(DiscoveryTest, InvalidConfigurationFailsTheStartWithTheReason) {
  EXPECT_EQ(TryStart(WriteConfig(R"({"controllers": [{"chip": 3}]})")), OXIM_STATUS_FAILURE);
  const auto [code, message] = LastStatus();
  EXPECT_EQ(code, OXIM_STATUS_FAILURE);
  EXPECT_NE(message.find("controllers[0].serial_number: missing (required)"), std::string::npos)
      << message;
}

}  // namespace
