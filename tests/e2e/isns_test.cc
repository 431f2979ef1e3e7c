// The iSNS server of an iSCSI function through the public C API against the
// emulated adapter: configured by hand with its default port, refused a
// second time, enabled and disabled, kept across writes that carry only the
// enable bit, a restart of the client and a reboot of the adapter, an
// unreachable one recorded with status 32, deleted, and learnt through DHCP
// (option 83) with exactly one group left for it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "oxim/oxim.h"
#include "support/api_client.h"
#include "support/library_fixture.h"

namespace {

using namespace oxim::testing;

constexpr char kIsns[] = "Quellfire0/iSCSIPhysicalHBA0/iSNS";
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

class IsnsTest : public LibraryTest {
 protected:
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

}  // namespace
