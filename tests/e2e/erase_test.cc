// Erasing the configuration through the public C API against the emulated
// adapter: EraseConfiguration of an iSCSI function (refused while a session
// is open, after the user routes went; otherwise the iSNS server, the flash,
// the default gateway, SendTarget portals, saved targets and initiator
// options, with nothing coming back after the adapter reboots), a failing
// flash erase, virtual functions, and EraseAllConfiguration over every
// function of a controller, with and without the profile interface.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "oxim/oxim.h"
#include "support/api_client.h"
#include "support/library_fixture.h"

namespace {

using namespace oxim::testing;

constexpr char kFunction[] = "Quellfire0/iSCSIPhysicalHBA0";
constexpr char kOtherFunction[] = "Quellfire0/iSCSIPhysicalHBA1";
constexpr char kOpen[] = "iqn.2026-01.net.oxim-lab:open";
constexpr char kSavedTargets[] = "/scratch/Vallorn/savetgt.txt";
constexpr char kSavedPortals[] = "/scratch/Vallorn/savestp.txt";
constexpr char kErased[] =
    "Erased the Configuration. Please reboot your system for the changes to take effect.";

std::string At(const std::string& function, const std::string& rest) {
  return function + "/" + rest;
}
std::string Hba(const std::string& function, const std::string& rest) {
  return function + "/LogicalHBA0/" + rest;
}
std::string Tcpip(const std::string& function, const std::string& rest) {
  return function + "/Network/TCPIPConfiguration/" + rest;
}

std::vector<std::string> Named(const std::string& path, const std::string& prefix) {
  std::vector<std::string> found;
  for (const std::string& group : Groups(path)) {
    if (group.rfind(prefix, 0) == 0) found.push_back(group);
  }
  return found;
}

class EraseTest : public LibraryTest {
 protected:
  // A route, an iSNS server, a SendTarget portal, a target, initiator
  // options with a digest and CHAP: everything the erase removes.
  void Configure(const std::string& function) {
    ASSERT_EQ(Do(Tcpip(function, "RouteTable/AddRouteTableEntry"),
                 {"10.0.1.0", "255.255.255.0", "192.0.2.1"}),
              0u)
        << LastStatus().second;
    ASSERT_EQ(Do(At(function, "iSNS/ConfigureiSNSServer"), {"192.0.2.30"}), 0u)
        << LastStatus().second;
    ASSERT_EQ(SetValue(At(function, "iSNS/iSNSEnabled"), "Yes"), 0u) << LastStatus().second;
    ASSERT_EQ(Do(Hba(function, "Discovery/AddSendTargetPortal"), {"192.0.2.10", "3260"}), 0u)
        << LastStatus().second;
    ASSERT_EQ(Do(Hba(function, "AddTarget"), {kOpen, "192.0.2.10"}), 0u) << LastStatus().second;
    const std::string options = Hba(function, "InitiatorLoginOptions/");
    ASSERT_EQ(SetValue(options + "HeaderDigest", "CRC32C"), 0u) << LastStatus().second;
    ASSERT_EQ(SetValue(options + "HeaderParam", "Preferred"), 0u) << LastStatus().second;
    ASSERT_EQ(SetValue(options + "DataDigest", "CRC32C"), 0u) << LastStatus().second;
    ASSERT_EQ(Do(options + "Authentication/ConfigureCHAP",
                 {"One-Way CHAP", "", "", "tgtuser1", "oneway-secret1", "Required"}),
              0u)
        << LastStatus().second;
  }
  // The state Configure leaves, as the tree shows it.
  std::vector<std::string> Configuration(const std::string& function) {
    const std::string options = Hba(function, "InitiatorLoginOptions/");
    std::vector<std::string> shown = {
        Value(At(function, "iSNS/iSNSEnabled")),
        Value(Tcpip(function, "DefaultGateway")),
        Value(options + "HeaderDigest"),
        Value(options + "HeaderParam"),
        Value(options + "DataDigest"),
        Value(options + "DataParam"),
        Value(options + "InitialR2T"),
        Value(options + "ImmediateData"),
        Value(options + "Authentication/AuthenticationMethod"),
        Value(options + "Authentication/TargetCHAPName"),
        Value(options + "Authentication/TargetSecret"),
        Value(options + "Authentication/CHAPParam"),
    };
    for (const std::string& group : Named(At(function, "iSNS"), "iSNSServer")) {
      shown.push_back(group + "=" + Value(At(function, "iSNS/" + group + "/IPAddress")));
    }
    for (const std::string& group : Named(Hba(function, "Discovery"), "SendTargetPortal")) {
      shown.push_back(group);
    }
    for (const std::string& group : Named(function + "/LogicalHBA0", "Target")) {
      shown.push_back(group + "=" + Value(Hba(function, group + "/TargetISCSIName")));
    }
    return shown;
  }
  size_t Routes(const std::string& function) {
    EXPECT_EQ(Do(Tcpip(function, "RouteTable/RefreshRouteTableEntry")), 0u);
    return Named(Tcpip(function, "RouteTable"), "RouteTableEntry").size();
  }
  // The saved lines of a function's logical HBA in a saved file.
  std::vector<std::string> SavedLines(const char* file, const std::string& function) {
    const std::string prefix = "Quellfire0," + function.substr(function.find('/') + 1) + ",";
    std::vector<std::string> lines;
    std::istringstream in(root_.read(file));
    for (std::string line; std::getline(in, line);) {
      if (line.rfind(prefix, 0) == 0) lines.push_back(line);
    }
    return lines;
  }
  void ExpectErased(const std::string& function) {
    EXPECT_EQ(Configuration(function),
              (std::vector<std::string>{"No", "0.0.0.0", "None", "Prohibited", "None", "Prohibited",
                                        "Yes", "Yes", "None", "", "", "Prohibited",
                                        "Target0=" + std::string(kOpen)}))
        << "the Target group stays";
    EXPECT_EQ(Routes(function), 0u);
    EXPECT_EQ(SavedLines(kSavedTargets, function), std::vector<std::string>{});
    EXPECT_EQ(SavedLines(kSavedPortals, function), std::vector<std::string>{});
  }
};

TEST_F(EraseTest, AnOpenSessionStopsTheEraseAfterTheUserRoutes) {
  Start();
  Configure(kFunction);
  ASSERT_EQ(Do(Hba(kFunction, "Target0/Login")), 0u) << LastStatus().second;
  const std::vector<std::string> before = Configuration(kFunction);
  const std::vector<std::string> saved = SavedLines(kSavedTargets, kFunction);
  ASSERT_EQ(Routes(kFunction), 1u);

  EXPECT_EQ(Do(At(kFunction, "EraseConfiguration"), {"0"}), 41u);
  EXPECT_EQ(LastStatus(),
            Status(41,
                   "Active session(s) present. Please log out of all sessions before clearing "
                   "configuration. For systems booting from an iSCSI target, configuration can "
                   "only be cleared using the vIZIZ Odozez Utility."));
  EXPECT_EQ(Routes(kFunction), 0u) << "the user routes go first";
  EXPECT_EQ(Configuration(kFunction), before);
  EXPECT_EQ(SavedLines(kSavedTargets, kFunction), saved);
  EXPECT_EQ(SavedLines(kSavedPortals, kFunction).size(), 1u);
}

TEST_F(EraseTest, EraseRemovesTheConfigurationForGoodAndKeepsTheTargetGroups) {
  Start();
  Configure(kFunction);
  Configure(kOtherFunction);
  const std::vector<std::string> other = Configuration(kOtherFunction);
  // A session logged out keeps its persistent entry in the adapter's flash.
  ASSERT_EQ(Do(Hba(kFunction, "Target0/Login")), 0u) << LastStatus().second;
  ASSERT_EQ(Do(Hba(kFunction, "Target0/Logout")), 0u) << LastStatus().second;

  EXPECT_EQ(Do(At(kFunction, "EraseConfiguration"), {"0"}), 0u) << LastStatus().second;
  EXPECT_EQ(LastStatus(), Status(184, kErased));
  ExpectErased(kFunction);
  EXPECT_EQ(Configuration(kOtherFunction), other) << "the other function keeps its own";
  EXPECT_EQ(Routes(kOtherFunction), 1u);

  // Nothing comes back from the flash or the files after the adapter
  // reboots and the library starts again, not even the target.
  RebootEmulator();
  Restart();
  EXPECT_EQ(Value(At(kFunction, "iSNS/iSNSEnabled")), "No");
  EXPECT_EQ(Named(At(kFunction, "iSNS"), "iSNSServer"), std::vector<std::string>{});
  EXPECT_EQ(Named(Hba(kFunction, "Discovery"), "SendTargetPortal"), std::vector<std::string>{});
  EXPECT_EQ(Named(kFunction + std::string("/LogicalHBA0"), "Target"), std::vector<std::string>{});
  EXPECT_EQ(Value(Tcpip(kFunction, "DefaultGateway")), "0.0.0.0");
  EXPECT_EQ(Value(Hba(kFunction, "InitiatorLoginOptions/Authentication/AuthenticationMethod")),
            "None");
  EXPECT_EQ(Value(Hba(kFunction, "InitiatorLoginOptions/HeaderDigest")), "None");
  EXPECT_EQ(Routes(kFunction), 0u);
  EXPECT_EQ(Configuration(kOtherFunction), other);

  // Erasing what is erased already is no failure.
  EXPECT_EQ(Do(At(kFunction, "EraseConfiguration"), {"0"}), 0u) << LastStatus().second;
  EXPECT_EQ(LastStatus(), Status(184, kErased));
}

// With DHCP on, the gateway is the lease's router, not configuration: the
// erase leaves it and succeeds.
TEST_F(EraseTest, ALeasedGatewayStays) {
  Start();
  ASSERT_EQ(Do(Tcpip(kFunction, "DHCPEnable")), 0u) << LastStatus().second;
  ASSERT_EQ(Value(Tcpip(kFunction, "DefaultGateway")), "192.0.2.1");
  EXPECT_EQ(Do(At(kFunction, "EraseConfiguration"), {"0"}), 0u) << LastStatus().second;
  EXPECT_EQ(LastStatus(), Status(184, kErased));
  EXPECT_EQ(Value(Tcpip(kFunction, "DHCPEnabled")), "True");
  EXPECT_EQ(Value(Tcpip(kFunction, "DefaultGateway")), "192.0.2.1");
}

// An iSNS server the function cannot reach answers every write of the
// discovery parameters with 32; the erase removes it all the same.
TEST_F(EraseTest, AnUnreachableIsnsServerIsErasedToo) {
  Start();
  ASSERT_EQ(Do(At(kFunction, "iSNS/ConfigureiSNSServer"), {"192.0.2.77"}), 32u);
  ASSERT_EQ(Named(At(kFunction, "iSNS"), "iSNSServer").size(), 1u);
  EXPECT_EQ(Do(At(kFunction, "EraseConfiguration"), {"0"}), 0u) << LastStatus().second;
  EXPECT_EQ(LastStatus(), Status(184, kErased));
  EXPECT_EQ(Named(At(kFunction, "iSNS"), "iSNSServer"), std::vector<std::string>{});
  Restart();
  EXPECT_EQ(Named(At(kFunction, "iSNS"), "iSNSServer"), std::vector<std::string>{});
}

TEST_F(EraseTest, AFailingFlashEraseEndsTheCommandWithItsResult) {
  Start();
  Configure(kFunction);
  const std::vector<std::string> saved = SavedLines(kSavedTargets, kFunction);
  EmulatorControl(R"({"op":"fault","faults":{"commands":[
      {"subsystem":1,"opcode":7,"status":1,"additional_status":0,"times":1}]}})");
  const uint32_t result = Do(At(kFunction, "EraseConfiguration"), {"0"});
  EXPECT_NE(result, 0u);
  EXPECT_EQ(LastStatus().first, result);
  EXPECT_NE(LastStatus().first, 184u);
  // The steps after the flash erase did not run.
  EXPECT_EQ(SavedLines(kSavedTargets, kFunction), saved);
  EXPECT_EQ(Named(Hba(kFunction, "Discovery"), "SendTargetPortal").size(), 1u);
  EXPECT_EQ(Value(Tcpip(kFunction, "DefaultGateway")), "192.0.2.1");
  EXPECT_EQ(Value(Hba(kFunction, "InitiatorLoginOptions/HeaderDigest")), "CRC32C");
  // Run again without the fault, it finishes.
  EXPECT_EQ(Do(At(kFunction, "EraseConfiguration"), {"0"}), 0u) << LastStatus().second;
  ExpectErased(kFunction);
}

TEST_F(EraseTest, AnUnknownLogicalHbaIsRefusedBeforeAnythingIsErased) {
  Start();
  Configure(kFunction);
  EXPECT_NE(Do(At(kFunction, "EraseConfiguration"), {"7"}), 0u);
  EXPECT_NE(LastStatus().first, 0u);
  EXPECT_EQ(Routes(kFunction), 1u);
}

TEST_F(EraseTest, AVirtualFunctionErasesNothing) {
  Start(WriteConfig(R"({"virtual_function": true, "controllers": [{"chip": 3,
    "serial_number": "VN3Q0417A2K9", "functions": [
      {"kind": "nic", "port": 0, "pci": {"bus": 3, "device": 0, "function": 0}},
      {"kind": "iscsi", "port": 0, "pci": {"bus": 3, "device": 0, "function": 2}}]}]})"));
  const Status refused(256, "Performed operation is not supported on a SR-IOV virtual function.");
  EXPECT_EQ(Do(At(kFunction, "EraseConfiguration"), {"0"}), 256u);
  EXPECT_EQ(LastStatus(), refused);
  EXPECT_EQ(Do("Quellfire0/EraseAllConfiguration"), 256u);
  EXPECT_EQ(LastStatus(), refused);
}

// QF3 firmware has no profile interface: there is no profile to restore,
// and the erase of everything else succeeds.
TEST_F(EraseTest, EraseAllErasesEveryFunctionOfTheController) {
  Start();
  Configure(kFunction);
  Configure(kOtherFunction);
  const std::string boot = "Quellfire0/NICPhysicalHBA0/NetworkBootConfiguration";
  ASSERT_EQ(Do(boot + "/SetNetworkBoot", {"Disabled"}), 0u) << LastStatus().second;
  EXPECT_EQ(Do("Quellfire0/EraseAllConfiguration"), 0u) << LastStatus().second;
  EXPECT_EQ(LastStatus(), Status(184, kErased));
  ExpectErased(kFunction);
  ExpectErased(kOtherFunction);
  Restart();
  EXPECT_EQ(Value(boot + "/NetworkBootState"), "Enabled") << "the NIC boot is the factory's again";
}

// Every step runs; the command fails with the first failure, and what could
// be erased is erased.
TEST_F(EraseTest, EraseAllGoesOnPastAFailureAndReportsIt) {
  Start();
  Configure(kFunction);
  Configure(kOtherFunction);
  ASSERT_EQ(Do(Hba(kFunction, "Target0/Login")), 0u) << LastStatus().second;
  EmulatorControl(R"({"op":"fault","faults":{"commands":[
      {"subsystem":1,"opcode":169,"status":1,"additional_status":0}]}})");
  EXPECT_EQ(Do("Quellfire0/EraseAllConfiguration"), 41u);
  EXPECT_EQ(LastStatus().first, 41u) << "the first failure, not the later one";
  ExpectErased(kOtherFunction);
  EXPECT_EQ(SavedLines(kSavedPortals, kFunction).size(), 1u);
}

// Each port of the controller gets the port and discovery erase, before
// the NIC functions' erase.
TEST_F(EraseTest, EraseAllErasesEveryPort) {
  Start(Config("nic_only.json"));
  EmulatorControl(R"({"op":"fault","faults":{"commands":[
      {"subsystem":1,"opcode":7,"status":1,"additional_status":0,"times":1}]}})");
  EXPECT_EQ(Do("Quellfire0/EraseAllConfiguration"), 187u);
  EXPECT_EQ(LastStatus(), Status(187,
                                 "Failed to erase port and discovery configuration. Please check "
                                 "oxim2d.log file for more information."));
  EXPECT_EQ(Do("Quellfire0/EraseAllConfiguration"), 0u) << LastStatus().second;
  EXPECT_EQ(LastStatus(), Status(184, kErased));
}

TEST_F(EraseTest, EraseAllRestoresTheFactoryProfileWhereTheFirmwareHasProfiles) {
  Start(Config("tindra.json"));
  EXPECT_EQ(Do("Quellfire0/EraseAllConfiguration"), 0u) << LastStatus().second;
  EXPECT_EQ(LastStatus(), Status(184, kErased));
  // A firmware that fails the restore fails the command with its result.
  EmulatorControl(R"({"op":"fault","faults":{"commands":[
      {"subsystem":1,"opcode":169,"status":1,"additional_status":0,"times":1}]}})");
  const uint32_t result = Do("Quellfire0/EraseAllConfiguration");
  EXPECT_NE(result, 0u);
  EXPECT_EQ(LastStatus().first, result);
  EXPECT_EQ(Do("Quellfire0/EraseAllConfiguration"), 0u) << LastStatus().second;
}

}  // namespace
