// SendTargets discovery through the public C API against the emulated
// adapter: SendTarget portals added, refused as duplicates (whole fields:
// a port is never a prefix of another) and deleted, their saved lines
// written, removed and restored; DiscoverTargets making Discovered targets
// with their portals and tags, adding nothing the second time, filtered by
// name, refused for an invalid name and at a portal that refuses the
// connection, skipping answered names that are no iSCSI names; a Static
// target keeping its type; RefreshAvailableTargets with a good and a bad
// portal; and the chip limits on long answers (a Tindra asks for the rest of
// an answer that did not fit).
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <sstream>
#include <string>
#include <vector>

#include "oxim/oxim.h"
#include "support/api_client.h"
#include "support/library_fixture.h"

namespace {

using namespace oxim::testing;

constexpr char kHba[] = "Quellfire0/iSCSIPhysicalHBA0/LogicalHBA0";
constexpr char kOpen[] = "iqn.2026-01.net.oxim-lab:open";
constexpr char kOpenAddress[] = "192.0.2.10";
constexpr char kSavedPortals[] = "/scratch/Vallorn/savestp.txt";
constexpr char kSavedTargets[] = "/scratch/Vallorn/savetgt.txt";
constexpr char kManyAddress[] = "192.0.2.60";

std::string Hba(const std::string& rest) { return std::string(kHba) + "/" + rest; }
std::string Discovery(const std::string& rest = "") {
  return Hba("Discovery") + (rest.empty() ? "" : "/" + rest);
}

// A configuration of emulator/configs with `count` simulated targets at
// kManyAddress, each with one portal.
std::string WithManyTargets(const std::string& chip, int count) {
  std::string targets;
  for (int i = 0; i < count; ++i) {
    targets += std::string(i == 0 ? "" : ",") + R"({"name": "iqn.2026-01.net.oxim-lab:many.)" +
               std::to_string(i) + R"(", "portals": [{"address": ")" + kManyAddress + R"("}]})";
  }
  return R"({"controllers": [{"chip": )" + chip +
         R"(, "serial_number": "VN0D1SC0VERY1", "functions": [
           {"kind": "nic", "port": 0, "pci": {"bus": 3, "device": 0, "function": 0}},
           {"kind": "iscsi", "port": 0, "pci": {"bus": 3, "device": 0, "function": 2}}]}],
         "targets": [)" +
         targets + "]}";
}

class SendTargetsTest : public LibraryTest {
 protected:
  std::vector<std::string> Named(const std::string& path, const std::string& prefix) {
    std::vector<std::string> found;
    for (const std::string& group : Groups(path)) {
      if (group.rfind(prefix, 0) == 0) found.push_back(group);
    }
    return found;
  }
  std::vector<std::string> Targets() { return Named(kHba, "Target"); }
  std::vector<std::string> Portals() { return Named(Discovery(), "SendTargetPortal"); }
  std::string TargetNamed(const std::string& name) {
    for (const std::string& target : Targets()) {
      if (Value(Hba(target + "/TargetISCSIName")) == name) return Hba(target);
    }
    return "";
  }
  uint32_t AddPortal(const std::string& ip, const std::string& port = "3260") {
    return Do(Discovery("AddSendTargetPortal"), {ip, port});
  }
  std::vector<std::string> Lines(const char* file) {
    std::vector<std::string> lines;
    std::istringstream in(root_.read(file));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
};

TEST_F(SendTargetsTest, PortalsAreAddedSavedAndRefusedTwice) {
  Start();
  ASSERT_EQ(AddPortal(kOpenAddress), 0u) << LastStatus().second;
  EXPECT_EQ(LastStatus().first, 0u);
  const std::string portal = Discovery("SendTargetPortal0");
  EXPECT_EQ(Value(portal + "/IPAddress"), kOpenAddress);
  EXPECT_EQ(Value(portal + "/PortNumber"), "3260");
  EXPECT_EQ(Value(portal + "/PortMacAddress"),
            Value("Quellfire0/iSCSIPhysicalHBA0/Network/NICConfiguration/MACAddress"));
  EXPECT_EQ(Value(portal + "/SendTargetPortalLoginOptions/Authentication/CHAPParam"), "Prohibited");

  std::vector<std::string> lines = Lines(kSavedPortals);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(std::count(lines[0].begin(), lines[0].end(), ','), 17);
  EXPECT_EQ(lines[0].rfind("Quellfire0,iSCSIPhysicalHBA0,LogicalHBA0,192.0.2.10,3260,", 0), 0u);
  struct stat info {};
  ASSERT_EQ(stat(root_.file(kSavedPortals).c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);

  EXPECT_EQ(AddPortal(kOpenAddress), 22u);
  EXPECT_EQ(LastStatus().first, 22u);
  EXPECT_EQ(AddPortal("192.0.2.010"), 22u);  // the same address, written otherwise
  EXPECT_EQ(Portals().size(), 1u);
}

TEST_F(SendTargetsTest, PortsAreWholeFieldsWhenAddingAndDeleting) {
  Start();
  ASSERT_EQ(AddPortal("192.0.2.40", "10260"), 0u);
  ASSERT_EQ(AddPortal("192.0.2.40", "1026"), 0u) << LastStatus().second;
  ASSERT_EQ(Do(Discovery("DeleteSendTargetPortal"), {"1"}), 0u);
  std::vector<std::string> lines = Lines(kSavedPortals);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find(",192.0.2.40,10260,"), std::string::npos);
  EXPECT_EQ(Portals(), std::vector<std::string>{"SendTargetPortal0"});

  EXPECT_EQ(Do(Discovery("DeleteSendTargetPortal"), {"1"}), 20u);
  EXPECT_EQ(LastStatus(), Status(20, "Invalid instance number. Please use valid instance number."));
}

TEST_F(SendTargetsTest, ALineSavedWithoutItsGroupIsADuplicateAndComesBackOnRefresh) {
  Start();
  ASSERT_EQ(AddPortal(kOpenAddress), 0u);
  const std::string line = Lines(kSavedPortals).at(0);
  std::string other = line;
  other.replace(other.find(",3260,"), 6, ",3261,");
  root_.write(kSavedPortals, line + "\n" + other + "\n");
  EXPECT_EQ(AddPortal(kOpenAddress, "3261"), 22u);
  ASSERT_EQ(OXIM_refresh_group(Tag(Discovery())), 0u);
  ASSERT_EQ(Portals().size(), 2u);
  EXPECT_EQ(Value(Discovery("SendTargetPortal1/PortNumber")), "3261");

  // A group whose line went away goes with the next refresh.
  root_.write(kSavedPortals, other + "\n");
  ASSERT_EQ(OXIM_refresh_group(Tag(Discovery())), 0u);
  ASSERT_EQ(Portals().size(), 1u);
  EXPECT_EQ(Value(Discovery(Portals()[0] + "/PortNumber")), "3261");
}

TEST_F(SendTargetsTest, PortalsAndTheirOptionsSurviveARestart) {
  Start();
  ASSERT_EQ(AddPortal(kOpenAddress), 0u);
  ASSERT_EQ(AddPortal("192.0.2.11"), 0u);
  const std::string options = Discovery("SendTargetPortal1/SendTargetPortalLoginOptions");
  ASSERT_EQ(Do(options + "/Authentication/ConfigureCHAP",
               {"One-Way CHAP", "", "", "tgtuser1", "oneway-secret1", "Required"}),
            0u)
      << LastStatus().second;
  Restart();
  ASSERT_EQ(Portals().size(), 2u);
  EXPECT_EQ(Value(Discovery("SendTargetPortal1/IPAddress")), "192.0.2.11");
  EXPECT_EQ(Value(options + "/Authentication/AuthenticationMethod"), "One-Way CHAP");
  EXPECT_EQ(Value(options + "/Authentication/CHAPParam"), "Required");
  RebootEmulator();
  Restart();
  EXPECT_EQ(Portals().size(), 2u);
  ASSERT_EQ(Do(Discovery("DeleteSendTargetPortal"), {"0"}), 0u);
  Restart();
  EXPECT_EQ(Portals(), std::vector<std::string>{"SendTargetPortal0"});
  EXPECT_EQ(Value(Discovery("SendTargetPortal0/IPAddress")), "192.0.2.11");
}

TEST_F(SendTargetsTest, DiscoveryMakesDiscoveredTargetsWithTheirPortalsOnce) {
  Start();
  ASSERT_EQ(AddPortal(kOpenAddress), 0u);
  ASSERT_EQ(Do(Discovery("SendTargetPortal0/DiscoverTargets")), 0u) << LastStatus().second;
  EXPECT_EQ(LastStatus().first, 0u);
  const std::string target = TargetNamed(kOpen);
  ASSERT_FALSE(target.empty());
  EXPECT_EQ(Value(target + "/TargetType"), "Discovered");
  ASSERT_EQ(Named(target, "TargetPortal").size(), 2u);
  EXPECT_EQ(Value(target + "/TargetPortal0/TargetPortNumber"), "3260");
  EXPECT_EQ(Value(target + "/TargetPortal0/PortalGroupTag"), "1");
  EXPECT_EQ(Value(target + "/TargetPortal1/TargetPortNumber"), "3261");
  EXPECT_EQ(Value(target + "/TargetPortal1/PortalGroupTag"), "2");
  EXPECT_EQ(Lines(kSavedTargets).size(), 2u);

  // Asked again, the portal adds nothing; the discovery session is gone.
  ASSERT_EQ(Do(Discovery("SendTargetPortal0/DiscoverTargets")), 0u);
  EXPECT_EQ(Targets().size(), 1u);
  EXPECT_EQ(Named(target, "TargetPortal").size(), 2u);
  EXPECT_EQ(Lines(kSavedTargets).size(), 2u);
  EXPECT_TRUE(Named(target, "Session").empty());

  // The discovered target is kept across a restart, as discovered.
  Restart();
  EXPECT_EQ(Value(TargetNamed(kOpen) + "/TargetType"), "Discovered");
}

TEST_F(SendTargetsTest, AStaticTargetFoundByDiscoveryStaysStaticWithBothPortals) {
  Start();
  ASSERT_EQ(Do(Hba("AddTarget"), {kOpen, kOpenAddress}), 0u) << LastStatus().second;
  ASSERT_EQ(AddPortal(kOpenAddress, "3261"), 0u);
  ASSERT_EQ(Do(Discovery("SendTargetPortal0/DiscoverTargets")), 0u) << LastStatus().second;
  ASSERT_EQ(Targets().size(), 1u);
  const std::string target = TargetNamed(kOpen);
  EXPECT_EQ(Value(target + "/TargetType"), "Static");
  ASSERT_EQ(Named(target, "TargetPortal").size(), 2u);
  EXPECT_EQ(Value(target + "/TargetPortal1/TargetPortNumber"), "3261");
}

TEST_F(SendTargetsTest, ANamedDiscoveryAsksForThatTargetOnlyAndAnInvalidNameIsRefused) {
  Start(WriteConfig(WithManyTargets("4", 3)));
  ASSERT_EQ(AddPortal(kManyAddress), 0u);
  ASSERT_EQ(Do(Discovery("SendTargetPortal0/DiscoverTargets"), {"iqn.2026-01.net.oxim-lab:many.1"}),
            0u)
      << LastStatus().second;
  ASSERT_EQ(Targets().size(), 1u);
  EXPECT_FALSE(TargetNamed("iqn.2026-01.net.oxim-lab:many.1").empty());

  EXPECT_EQ(Do(Discovery("SendTargetPortal0/DiscoverTargets"), {"iqn.2026-01,bad"}), 30u);
  EXPECT_EQ(LastStatus(),
            Status(30, "Invalid iSCSI name. Please use valid iSCSI name as per RFC 3722."));
  EXPECT_EQ(Targets().size(), 1u);
}

TEST_F(SendTargetsTest, APortalThatRefusesTheConnectionFailsAndRefreshCountsIt) {
  Start();
  ASSERT_EQ(AddPortal(kOpenAddress), 0u);
  ASSERT_EQ(AddPortal(kOpenAddress, "3999"), 0u);
  EXPECT_NE(Do(Discovery("SendTargetPortal1/DiscoverTargets")), 0u);
  EXPECT_EQ(LastStatus().first, 23u);
  EXPECT_TRUE(Targets().empty());

  EXPECT_EQ(Do(Discovery("RefreshAvailableTargets")), 79u);
  EXPECT_EQ(LastStatus(),
            Status(79, "1 out of 2 SendTargetsPortals are failed to discover targets."));
  EXPECT_FALSE(TargetNamed(kOpen).empty());

  ASSERT_EQ(Do(Discovery("DeleteSendTargetPortal"), {"1"}), 0u);
  EXPECT_EQ(Do(Discovery("RefreshAvailableTargets")), 0u) << LastStatus().second;
  EXPECT_EQ(LastStatus().first, 0u);
}

TEST_F(SendTargetsTest, ANameThatIsNoISCSINameIsSkipped) {
  Start(WriteConfig(R"({"controllers": [{"chip": 3, "serial_number": "VN3Q0BADNAME1",
    "functions": [{"kind": "iscsi", "port": 0, "pci": {"bus": 3, "device": 0, "function": 2}}]}],
    "targets": [
      {"name": "iqn.2026-01.net.oxim-lab:bad,name", "portals": [{"address": "192.0.2.60"}]},
      {"name": "iqn.2026-01.net.oxim-lab:good", "portals": [{"address": "192.0.2.60"}]}]})"));
  ASSERT_EQ(AddPortal(kManyAddress), 0u);
  ASSERT_EQ(Do(Discovery("SendTargetPortal0/DiscoverTargets")), 0u) << LastStatus().second;
  ASSERT_EQ(Targets().size(), 1u);
  EXPECT_FALSE(TargetNamed("iqn.2026-01.net.oxim-lab:good").empty());
  // The saved lines keep their fields.
  for (const std::string& line : Lines(kSavedTargets)) {
    EXPECT_EQ(std::count(line.begin(), line.end(), ','), 20) << line;
  }
}

TEST_F(SendTargetsTest, QF2TakesTheFirst128TargetsOfAnAnswer) {
  Start(WriteConfig(WithManyTargets("2", 200)));
  ASSERT_EQ(AddPortal(kManyAddress), 0u);
  ASSERT_EQ(Do(Discovery("SendTargetPortal0/DiscoverTargets")), 0u) << LastStatus().second;
  EXPECT_EQ(Targets().size(), 128u);
}

TEST_F(SendTargetsTest, AnAnswerLongerThanTheBufferGivesTheTargetsThatFit) {
  Start(WriteConfig(WithManyTargets("4", 256)));
  ASSERT_EQ(AddPortal(kManyAddress), 0u);
  ASSERT_EQ(Do(Discovery("SendTargetPortal0/DiscoverTargets")), 0u) << LastStatus().second;
  EXPECT_EQ(Targets().size(), (64000u - 4) / 260);
}

TEST_F(SendTargetsTest, ATindraAsksForTheRestOfALongAnswer) {
  Start(WriteConfig(WithManyTargets("5", 256)));
  ASSERT_EQ(AddPortal(kManyAddress), 0u);
  ASSERT_EQ(Do(Discovery("SendTargetPortal0/DiscoverTargets")), 0u) << LastStatus().second;
  EXPECT_EQ(Targets().size(), 256u);
  EXPECT_FALSE(TargetNamed("iqn.2026-01.net.oxim-lab:many.255").empty());
}

}  // namespace
