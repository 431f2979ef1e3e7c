// The iSNS server of an iSCSI function through the public C API against the
// emulated adapter: configured by hand with its default port, refused a
// second time, enabled and disabled, kept across writes that carry only the
// enable bit, a restart of the client and a reboot of the adapter, an
// unreachable one recorded with status 32, deleted, and learnt through DHCP
// (option 83) with exactly one group left for it; and the targets registered
// with the server, which a refresh brings in while iSNS discovery is on.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "oxim/oxim.h"
#include "support/api_client.h"
#include "support/library_fixture.h"

namespace {

using namespace oxim::testing;

constexpr char kIsns[] = "Quellfire0/iSCSIPhysicalHBA0/iSNS";
constexpr char kHba[] = "Quellfire0/iSCSIPhysicalHBA0/LogicalHBA0";
constexpr char kServerAddress[] = "192.0.2.30";  // a host of the default network
constexpr char kRouterAddress[] = "192.0.2.1";

std::string Isns(const std::string& rest) { return std::string(kIsns) + "/" + rest; }

// One controller whose iSCSI function's DHCP server offers an iSNS server.
constexpr char kDhcpIsnsConfig[] = R"({"controllers": [{"chip": 4,
  "serial_number": "VN4I5N5D0001", "functions": [
    {"kind": "nic", "port": 0, "pci": {"bus": 3, "device": 0, "function": 0}},
    {"kind": "iscsi", "port": 0, "pci": {"bus": 3, "device": 0, "function": 2},
     "network": {"dhcp": {"pool": ["192.0.2.150", "192.0.2.199"], "router": "192.0.2.1",
                          "isns": "192.0.2.30"}}}]}]})";

// Targets registered with two iSNS servers: 192.0.2.30 (a host of the
// default network) and the router, which the DHCP server offers.
constexpr char kRegisteredConfig[] = R"({"controllers": [{"chip": 4,
  "serial_number": "VN4I5N5D0002", "functions": [
    {"kind": "nic", "port": 0, "pci": {"bus": 3, "device": 0, "function": 0}},
    {"kind": "iscsi", "port": 0, "pci": {"bus": 3, "device": 0, "function": 2},
     "network": {"dhcp": {"pool": ["192.0.2.150", "192.0.2.199"], "router": "192.0.2.1",
                          "isns": "192.0.2.1"}}}]}],
  "targets": [
    {"name": "iqn.2026-01.net.oxim-lab:isns-a", "portals": [{"address": "192.0.2.61"}]},
    {"name": "iqn.2026-01.net.oxim-lab:isns-b",
     "portals": [{"address": "192.0.2.62"}, {"address": "192.0.2.62", "port": 3261, "group_tag": 2}]},
    {"name": "iqn.2026-01.net.oxim-lab:isns-c", "portals": [{"address": "192.0.2.63"}]}],
  "isns_servers": [
    {"address": "192.0.2.30", "targets": ["iqn.2026-01.net.oxim-lab:isns-a",
                                          "iqn.2026-01.net.oxim-lab:isns-b"]},
    {"address": "192.0.2.1", "targets": ["iqn.2026-01.net.oxim-lab:isns-c"]}]})";

class IsnsTest : public LibraryTest {
 protected:
  std::vector<std::string> Targets() {
    std::vector<std::string> names;
    for (const std::string& group : Groups(kHba)) {
      if (group.rfind("Target", 0) == 0)
        names.push_back(Value(std::string(kHba) + "/" + group + "/TargetISCSIName"));
    }
    return names;
  }
  std::vector<std::string> Servers() {
    std::vector<std::string> servers;
    for (const std::string& group : Groups(kIsns)) {
      if (group.rfind("iSNSServer", 0) == 0) servers.push_back(group);
    }
    return servers;
  }
};

TEST_F(IsnsTest, AServerIsConfiguredOnceAndKeptAcrossEnablingAndRestarts) {
  Start();
  EXPECT_EQ(Value(Isns("iSNSEnabled")), "No");
  ASSERT_EQ(Do(Isns("ConfigureiSNSServer"), {kServerAddress}), 0u) << LastStatus().second;
  EXPECT_EQ(LastStatus().first, 0u);
  ASSERT_EQ(Servers(), std::vector<std::string>{"iSNSServer0"});
  EXPECT_EQ(Value(Isns("iSNSServer0/IPAddress")), kServerAddress);
  EXPECT_EQ(Value(Isns("iSNSServer0/PortNumber")), "3205");

  EXPECT_EQ(Do(Isns("ConfigureiSNSServer"), {kRouterAddress, "3206"}), 81u);
  EXPECT_EQ(LastStatus().first, 81u);

  ASSERT_EQ(SetValue(Isns("iSNSEnabled"), "Yes"), 0u) << LastStatus().second;
  EXPECT_EQ(Value(Isns("iSNSEnabled")), "Yes");
  ASSERT_EQ(OXIM_refresh_group(Tag(kIsns)), 0u);
  EXPECT_EQ(Servers().size(), 1u);

  Restart();  // start-up writes the enable bit and the name again
  EXPECT_EQ(Value(Isns("iSNSEnabled")), "Yes");
  ASSERT_EQ(Servers().size(), 1u);
  EXPECT_EQ(Value(Isns("iSNSServer0/IPAddress")), kServerAddress);
  RebootEmulator();
  Restart();
  ASSERT_EQ(Servers().size(), 1u);

  ASSERT_EQ(SetValue(Isns("iSNSEnabled"), "No"), 0u);
  EXPECT_EQ(Value(Isns("iSNSEnabled")), "No");
  EXPECT_EQ(Servers().size(), 1u);
}

TEST_F(IsnsTest, DeletingRemovesTheServerAndRefusesAMissingInstance) {
  Start();
  ASSERT_EQ(Do(Isns("ConfigureiSNSServer"), {kServerAddress, "3300"}), 0u);
  EXPECT_EQ(Value(Isns("iSNSServer0/PortNumber")), "3300");
  EXPECT_EQ(Do(Isns("DeleteiSNSServer"), {"1"}), 20u);
  EXPECT_EQ(LastStatus(), Status(20, "Invalid instance number. Please use valid instance number."));
  ASSERT_EQ(Do(Isns("DeleteiSNSServer"), {"0"}), 0u) << LastStatus().second;
  EXPECT_TRUE(Servers().empty());
  Restart();
  EXPECT_TRUE(Servers().empty());
  // With none left, a new one is taken.
  EXPECT_EQ(Do(Isns("ConfigureiSNSServer"), {kRouterAddress}), 0u);
}

TEST_F(IsnsTest, AnUnreachableServerIsRecordedWithStatus32) {
  Start();
  EXPECT_EQ(Do(Isns("ConfigureiSNSServer"), {"192.0.2.77"}), 32u);
  EXPECT_EQ(LastStatus().first, 32u);
  ASSERT_EQ(Servers().size(), 1u);
  EXPECT_EQ(Value(Isns("iSNSServer0/IPAddress")), "192.0.2.77");
}

TEST_F(IsnsTest, DhcpReplacesAHandConfiguredServerWithOneGroup) {
  Start(WriteConfig(kDhcpIsnsConfig));
  ASSERT_EQ(Do(Isns("ConfigureiSNSServer"), {kRouterAddress}), 0u) << LastStatus().second;
  ASSERT_EQ(Do(Isns("DiscoveryiSNSThruDHCP")), 0u) << LastStatus().second;
  ASSERT_EQ(Servers(), std::vector<std::string>{"iSNSServer0"});
  EXPECT_EQ(Value(Isns("iSNSServer0/IPAddress")), kServerAddress);
  EXPECT_EQ(Value(Isns("iSNSServer0/PortNumber")), "3205");
  Restart();
  ASSERT_EQ(Servers().size(), 1u);
  EXPECT_EQ(Value(Isns("iSNSServer0/IPAddress")), kServerAddress);
}

TEST_F(IsnsTest, DhcpWithoutAnOfferedServerLeavesNone) {
  Start();
  ASSERT_EQ(Do(Isns("ConfigureiSNSServer"), {kServerAddress}), 0u);
  ASSERT_EQ(Do(Isns("DiscoveryiSNSThruDHCP")), 0u) << LastStatus().second;
  EXPECT_TRUE(Servers().empty());
}

TEST_F(IsnsTest, TargetsRegisteredWithTheServerAppearAfterARefreshWhileEnabled) {
  Start(WriteConfig(kRegisteredConfig));
  const std::string refresh = std::string(kHba) + "/Discovery/RefreshAvailableTargets";
  ASSERT_EQ(Do(Isns("ConfigureiSNSServer"), {kServerAddress}), 0u) << LastStatus().second;
  ASSERT_EQ(Do(refresh), 0u) << LastStatus().second;
  EXPECT_TRUE(Targets().empty());  // iSNS discovery is off

  ASSERT_EQ(SetValue(Isns("iSNSEnabled"), "Yes"), 0u);
  ASSERT_EQ(Do(refresh), 0u) << LastStatus().second;
  EXPECT_EQ(Targets(), (std::vector<std::string>{"iqn.2026-01.net.oxim-lab:isns-a",
                                                 "iqn.2026-01.net.oxim-lab:isns-b"}));
  const std::string b = std::string(kHba) + "/Target1";
  EXPECT_EQ(Value(b + "/TargetType"), "Discovered");
  EXPECT_EQ(Value(b + "/TargetPortal1/TargetPortNumber"), "3261");
  ASSERT_EQ(Do(b + "/Login"), 0u) << LastStatus().second;
  EXPECT_EQ(Do(b + "/Logout"), 0u) << LastStatus().second;

  // The server changes (DHCP offers the router): its target comes too.
  ASSERT_EQ(Do(Isns("DiscoveryiSNSThruDHCP")), 0u) << LastStatus().second;
  EXPECT_EQ(Value(Isns("iSNSServer0/IPAddress")), kRouterAddress);
  ASSERT_EQ(Do(refresh), 0u) << LastStatus().second;
  EXPECT_EQ(Targets().size(), 3u);
}

}  // namespace
