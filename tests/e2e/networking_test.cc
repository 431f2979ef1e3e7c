// The networking of the iSCSI functions through the public C API against
// the emulated adapter: IPv4 addresses, DHCP, VLAN and gateways, IPv6 on the
// chips that have it, route and ARP tables, ping (a real echo to a host that
// stands for loopback), the network interface's values, the initiator
// statistics, and the one reachability rule that logins obey too.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "oxim/oxim_emulator.h"
#include "support/api_client.h"
#include "support/library_fixture.h"

namespace {

using namespace oxim::testing;

constexpr char kTcpip[] = "Quellfire0/iSCSIPhysicalHBA0/Network/TCPIPConfiguration";
constexpr char kNic[] = "Quellfire0/iSCSIPhysicalHBA0/Network/NICConfiguration";
constexpr char kHba[] = "Quellfire0/iSCSIPhysicalHBA0/LogicalHBA0";
constexpr char kStats[] = "Quellfire0/iSCSIPhysicalHBA0/LogicalHBA0/iSCSIStatistics";
constexpr char kInvalid[] = "Invalid value. Please use valid value.";
constexpr char kPingFailed[] =
    "Ping failed. Please check cable and network connections and make sure that the IP address "
    "is valid. For more information, see the Troubleshooting section in Quellfire documentation.";
constexpr char kUnset6[] = "0000:0000:0000:0000:0000:0000:0000:0000";

std::string Tcpip(const std::string& rest) { return std::string(kTcpip) + "/" + rest; }
std::string Ipv6(const std::string& rest) { return Tcpip("IPv6Configuration/" + rest); }
std::string Routes(const std::string& rest) { return Tcpip("RouteTable/" + rest); }
std::string Arp(const std::string& rest) { return Tcpip("ARPTable/" + rest); }

// The status of a command the tree refuses before its handler: the call
// fails, and the last status names why.
uint32_t TreeRefusal(const std::string& path, const std::vector<std::string>& params) {
  EXPECT_NE(Do(path, params), 0u) << path;
  return LastStatus().first;
}

std::vector<std::string> Entries(const std::string& table, const std::string& kind) {
  std::vector<std::string> found;
  for (const std::string& group : Groups(Tcpip(table))) {
    if (group.rfind(kind, 0) == 0) found.push_back(group);
  }
  return found;
}

class NetworkingTest : public LibraryTest {
 protected:
  void SetUp() override {
    LibraryTest::SetUp();
    Start();
  }
  // A control request on the ports' networks.
  void Control(const std::string& request) { EmulatorControl(request); }
  // Expects the command to be refused with status and message.
  void ExpectRefused(const std::string& path, const std::vector<std::string>& params,
                     uint32_t status, const std::string& message) {
    EXPECT_NE(Do(path, params), 0u) << path;
    EXPECT_EQ(LastStatus(), Status(status, message)) << path;
  }
};

TEST_F(NetworkingTest, AddressIsReadFromTheAdapterAndChanged) {
  EXPECT_EQ(Value(Tcpip("InitiatorIPAddress")), "192.0.2.100");
  EXPECT_EQ(Value(Tcpip("InitiatorSubnetMask")), "255.255.255.0");
  EXPECT_EQ(Value(Tcpip("DHCPEnabled")), "False");
  EXPECT_EQ(Value(Tcpip("DefaultGateway")), "192.0.2.1");
  EXPECT_EQ(Value("Quellfire0/iSCSIPhysicalHBA1/Network/TCPIPConfiguration/InitiatorIPAddress"),
            "192.0.2.101");

  ASSERT_EQ(Do(Tcpip("ConfigureIPAddress"), {"192.0.2.60", "255.255.255.128"}), 0u)
      << LastStatus().second;
  EXPECT_EQ(LastStatus(), Status(0, ""));
  EXPECT_EQ(Value(Tcpip("InitiatorIPAddress")), "192.0.2.60");
  EXPECT_EQ(Value(Tcpip("InitiatorSubnetMask")), "255.255.255.128");
  // The same again changes nothing, and says so.
  EXPECT_EQ(Do(Tcpip("ConfigureIPAddress"), {"192.0.2.60", "255.255.255.128"}), 0u);
  EXPECT_EQ(LastStatus(),
            Status(56,
                   "The IP address settings match the existing configuration. No changes have "
                   "been made to the configuration."));
  // The address of a host on the network is taken, and reported a duplicate.
  EXPECT_EQ(Do(Tcpip("ConfigureIPAddress"), {"192.0.2.30", "255.255.255.0"}), 0u);
  EXPECT_EQ(LastStatus(),
            Status(69,
                   "Duplicate IP address detected. Please check that the IP address given is not "
                   "conflicting with an existing IP address in the subnet. Choose a unique IP "
                   "address."));
  EXPECT_EQ(Value(Tcpip("InitiatorIPAddress")), "192.0.2.30");
  // The adapter keeps its address across a restart of the library and a
  // reboot of its own.
  ASSERT_EQ(Do(Tcpip("ConfigureIPAddress"), {"192.0.2.61", "255.255.255.0"}), 0u);
  Restart();
  RebootEmulator();
  EXPECT_EQ(Value(Tcpip("InitiatorIPAddress")), "192.0.2.61");
}

TEST_F(NetworkingTest, StartUpGoesOnWhenTheNetworkCannotBeRead) {
  // The first interface list, route table and ARP table the library asks
  // for fail: the start goes on, says nothing, and the next read works.
  Stop();
  Start(WriteConfig(R"({"controllers": [{"chip": 3, "serial_number": "VN-NET-3", "functions": [
      {"kind": "iscsi", "port": 0, "pci": {"bus": 6, "device": 0, "function": 2}}]}],
      "faults": {"commands": [{"subsystem": 2, "opcode": 24, "times": 1},
                              {"subsystem": 2, "opcode": 10, "times": 1},
                              {"subsystem": 2, "opcode": 8, "times": 1}]}})"));
  EXPECT_EQ(LastStatus(), Status(0, ""));
  EXPECT_EQ(Value(Tcpip("InitiatorIPAddress")), "192.0.2.100");
}

TEST_F(NetworkingTest, AddressTextsThatAreNoAddressChangeNothing) {
  // Sixteen characters pass the parameter's length, but are no address:
  // not the .200 that their first fifteen would be.
  ExpectRefused(Tcpip("ConfigureIPAddress"), {"192.168.100.2001", "255.255.255.0"}, 17, kInvalid);
  ExpectRefused(Tcpip("ConfigureIPAddress"), {"192.0.2.60", "255.0.255.0"}, 17, kInvalid);
  ExpectRefused(Tcpip("ConfigureIPAddress"), {"127.0.0.1", "255.0.0.0"}, 17, kInvalid);
  // An address without a mask, a mask without an address.
  ExpectRefused(Tcpip("ConfigureIPAddress"), {"192.0.2.60", "0.0.0.0"}, 17, kInvalid);
  ExpectRefused(Tcpip("ConfigureIPAddress"), {"0.0.0.0", "255.255.255.0"}, 17, kInvalid);
  EXPECT_EQ(Value(Tcpip("InitiatorIPAddress")), "192.0.2.100");
  // Both zero clear it.
  ASSERT_EQ(Do(Tcpip("ConfigureIPAddress"), {"0.0.0.0", "0.0.0.0"}), 0u) << LastStatus().second;
  EXPECT_EQ(Value(Tcpip("InitiatorIPAddress")), "0.0.0.0");
  ExpectRefused(Tcpip("Ping"), {"192.0.2.1"}, 53, kPingFailed);
}

TEST_F(NetworkingTest, GatewayIsCheckedBeforeTheWorkingOneIsDeleted) {
  // "10..0.1" passes the tree's address check, not the handler's.
  EXPECT_NE(SetValue(Tcpip("DefaultGateway"), "10..0.1"), 0u);
  EXPECT_EQ(LastStatus(), Status(17, kInvalid));
  EXPECT_EQ(Value(Tcpip("DefaultGateway")), "192.0.2.1");
  EXPECT_EQ(Do(Tcpip("Ping"), {"192.0.2.1"}), 0u) << LastStatus().second;

  ASSERT_EQ(SetValue(Tcpip("DefaultGateway"), "192.0.2.254"), 0u) << LastStatus().second;
  EXPECT_EQ(Value(Tcpip("DefaultGateway")), "192.0.2.254");
  ASSERT_EQ(Do(Tcpip("DeleteDefaultGateway")), 0u);
  EXPECT_EQ(Value(Tcpip("DefaultGateway")), "0.0.0.0");
  EXPECT_EQ(Do(Tcpip("DeleteDefaultGateway")), 0u);  // none to delete
  // A failing firmware keeps the gateway it has.
  ASSERT_EQ(SetValue(Tcpip("DefaultGateway"), "192.0.2.1"), 0u);
  Control(R"({"op":"fault","faults":{"commands":[{"subsystem":2,"opcode":23,"times":1}]}})");
  EXPECT_NE(SetValue(Tcpip("DefaultGateway"), "192.0.2.254"), 0u);
  EXPECT_EQ(LastStatus().first, 132u);
  EXPECT_EQ(Value(Tcpip("DefaultGateway")), "192.0.2.1");
}

TEST_F(NetworkingTest, VlanOnWithPriorityAndOff) {
  EXPECT_EQ(Value(Tcpip("VLANEnabled")), "False");
  EXPECT_EQ(Value(Tcpip("VLANId")), "");
  ASSERT_EQ(Do(Tcpip("ConfigureVLAN"), {"100"}), 0u) << LastStatus().second;
  EXPECT_EQ(Value(Tcpip("VLANEnabled")), "True");
  EXPECT_EQ(Value(Tcpip("VLANId")), "100");
  EXPECT_EQ(Value(Tcpip("Priority")), "0");
  // The network is untagged: nothing answers a function on VLAN 100.
  ExpectRefused(Tcpip("Ping"), {"192.0.2.1"}, 53, kPingFailed);
  ASSERT_EQ(Do(Tcpip("ConfigureVLAN"), {"5", "3"}), 0u);
  EXPECT_EQ(Value(Tcpip("VLANId")), "5");
  EXPECT_EQ(Value(Tcpip("Priority")), "3");
  // Missing and out-of-range values are refused by the tree.
  EXPECT_EQ(TreeRefusal(Tcpip("ConfigureVLAN"), {"", "3"}), 9u);
  EXPECT_EQ(TreeRefusal(Tcpip("ConfigureVLAN"), {"4095"}), 7u);
  EXPECT_EQ(TreeRefusal(Tcpip("ConfigureVLAN"), {"5", "8"}), 7u);
  EXPECT_EQ(Value(Tcpip("VLANId")), "5");
  ASSERT_EQ(Do(Tcpip("VLANDisable")), 0u);
  EXPECT_EQ(Value(Tcpip("VLANEnabled")), "False");
  EXPECT_EQ(Value(Tcpip("Priority")), "");
  EXPECT_EQ(Do(Tcpip("Ping"), {"192.0.2.1"}), 0u) << LastStatus().second;
}

TEST_F(NetworkingTest, VlanOfTheNetworkMustMatch) {
  Stop();
  Start(WriteConfig(R"({"controllers": [{"chip": 3, "serial_number": "VN-NET-1", "functions": [
      {"kind": "iscsi", "port": 0, "pci": {"bus": 6, "device": 0, "function": 2},
       "network": {"vlan": 200}}]}]})"));
  ExpectRefused(Tcpip("Ping"), {"192.0.2.1"}, 53, kPingFailed);
  ASSERT_EQ(Do(Tcpip("ConfigureVLAN"), {"200", "5"}), 0u);
  EXPECT_EQ(Do(Tcpip("Ping"), {"192.0.2.1"}), 0u) << LastStatus().second;
}

TEST_F(NetworkingTest, DhcpLeaseRefusalsWhileOnAndOff) {
  ASSERT_EQ(Do(Tcpip("DHCPEnable")), 0u) << LastStatus().second;
  EXPECT_EQ(LastStatus(), Status(0, ""));
  EXPECT_EQ(Value(Tcpip("DHCPEnabled")), "True");
  EXPECT_EQ(Value(Tcpip("InitiatorIPAddress")), "192.0.2.150");  // the pool's first
  EXPECT_EQ(Value(Tcpip("DefaultGateway")), "192.0.2.1");        // the router
  EXPECT_EQ(Do(Tcpip("DHCPEnable")), 0u);
  EXPECT_EQ(LastStatus(),
            Status(57,
                   "The DHCP settings are already configured. No changes have been made to the "
                   "existing configuration."));
  const std::string refused =
      "Failed to change IP address/Gateway settings as DHCP is Enabled. Please disable DHCP to "
      "make any changes to IP address/Gateway settings.";
  ExpectRefused(Tcpip("ConfigureIPAddress"), {"192.0.2.60", "255.255.255.0"}, 43, refused);
  ExpectRefused(Tcpip("DeleteDefaultGateway"), {}, 43, refused);
  EXPECT_NE(SetValue(Tcpip("DefaultGateway"), "192.0.2.254"), 0u);
  EXPECT_EQ(LastStatus(),
            Status(49,
                   "Cannot set the default gateway as DHCP is enabled. Please disable DHCP before "
                   "setting the default gateway."));
  EXPECT_EQ(Value(Tcpip("DefaultGateway")), "192.0.2.1");
  ASSERT_EQ(Do(Tcpip("DHCPDisable")), 0u) << LastStatus().second;
  EXPECT_EQ(Value(Tcpip("DHCPEnabled")), "False");
  EXPECT_EQ(Value(Tcpip("InitiatorIPAddress")), "0.0.0.0");
  ExpectRefused(Tcpip("DHCPDisable"), {}, 123, "Unable to disable DHCP.");
}

TEST_F(NetworkingTest, DhcpWithoutAServerWaitsForOne) {
  Control(R"({"op":"dhcp","on":false})");
  ASSERT_EQ(Do(Tcpip("DHCPEnable")), 0u);
  EXPECT_EQ(LastStatus(),
            Status(33,
                   "An error occurred changing the DHCP setting. Please check the configuration "
                   "on the network and the DHCP server."));
  EXPECT_EQ(Value(Tcpip("DHCPEnabled")), "True");
  EXPECT_EQ(Value(Tcpip("InitiatorIPAddress")), "0.0.0.0");
  EXPECT_EQ(Do(Tcpip("Ping"), {"192.0.2.1"}), 53u);
  Control(R"({"op":"dhcp","function":"vmhba64","on":true})");
  EXPECT_EQ(Value(Tcpip("InitiatorIPAddress")), "192.0.2.150");
  EXPECT_EQ(Do(Tcpip("Ping"), {"192.0.2.1"}), 0u) << LastStatus().second;
}

TEST_F(NetworkingTest, Qf3HasNoIpv6) {
  for (const char* property : {"IPv6State", "InitiatorLinkLocalAddress",
                               "InitiatorRoutableAddress1", "DefaultIPv6Gateway"}) {
    EXPECT_EQ(Value(Ipv6(property)), "N/A") << property;
  }
  const std::string refused =
      "Failed to execute the command. Because operation is not supported on this adapter.";
  ExpectRefused(Ipv6("AutoAssignEnable"), {"Auto"}, 291, refused);
  ExpectRefused(Ipv6("ConfigureIPv6Address"), {"1", "2001:db8::60"}, 291, refused);
  EXPECT_NE(SetValue(Ipv6("DefaultIPv6Gateway"), "fe80::1"), 0u);
  EXPECT_EQ(LastStatus(), Status(291, refused));
  ExpectRefused(Tcpip("Ping"), {"2001:db8::30"}, 53, kPingFailed);
}

TEST_F(NetworkingTest, KorvelAssignsAndConfiguresIpv6) {
  Stop();
  Start(Config("korvel.json"));
  // Auto-assignment from the router's prefix, the interface identifier
  // from the MAC address 00:90:fa:71:40:44.
  EXPECT_EQ(Value(Ipv6("IPv6State")), "AutoAssign");
  EXPECT_EQ(Value(Ipv6("InitiatorLinkLocalAddress")), "FE80:0000:0000:0000:0290:FAFF:FE71:4044");
  EXPECT_EQ(Value(Ipv6("InitiatorRoutableAddress1")), "2001:0DB8:0000:0000:0290:FAFF:FE71:4044");
  EXPECT_EQ(Value(Ipv6("InitiatorRoutableAddress2")), kUnset6);
  EXPECT_EQ(Value(Ipv6("DefaultIPv6Gateway")), "FE80:0000:0000:0000:0000:0000:0000:0001");
  EXPECT_EQ(Do(Tcpip("Ping"), {"2001:db8::30"}), 0u) << LastStatus().second;

  ASSERT_EQ(Do(Ipv6("AutoAssignDisable")), 0u) << LastStatus().second;
  EXPECT_EQ(Value(Ipv6("IPv6State")), "Static");
  EXPECT_EQ(Value(Ipv6("InitiatorRoutableAddress1")), kUnset6);
  ASSERT_EQ(Do(Ipv6("ConfigureIPv6Address"), {"1", "2001:db8::60"}), 0u) << LastStatus().second;
  EXPECT_EQ(Value(Ipv6("InitiatorRoutableAddress1")), "2001:0DB8:0000:0000:0000:0000:0000:0060");
  // Replacing the auto-assigned address ends auto-assignment.
  ASSERT_EQ(Do(Ipv6("AutoAssignEnable"), {"Auto"}), 0u) << LastStatus().second;
  EXPECT_EQ(Value(Ipv6("InitiatorRoutableAddress2")), "2001:0DB8:0000:0000:0000:0000:0000:0060");
  ASSERT_EQ(Do(Ipv6("ConfigureIPv6Address"), {"1", "2001:db8::61"}), 0u) << LastStatus().second;
  EXPECT_EQ(Value(Ipv6("IPv6State")), "Static");
  EXPECT_EQ(Value(Ipv6("InitiatorRoutableAddress1")), "2001:0DB8:0000:0000:0000:0000:0000:0060");
  EXPECT_EQ(Value(Ipv6("InitiatorRoutableAddress2")), "2001:0DB8:0000:0000:0000:0000:0000:0061");
  EXPECT_EQ(Do(Tcpip("Ping"), {"2001:db8::61"}), 0u) << "its own second address";
  // A host's address is a duplicate, and is not taken: the address it was
  // to replace stays.
  EXPECT_EQ(Do(Ipv6("ConfigureIPv6Address"), {"2", "2001:db8::30"}), 69u);
  EXPECT_EQ(Value(Ipv6("InitiatorRoutableAddress2")), "2001:0DB8:0000:0000:0000:0000:0000:0061");
  ExpectRefused(Ipv6("ConfigureIPv6Address"), {"2", "2001:db8::6g"}, 17, kInvalid);
  ASSERT_EQ(Do(Ipv6("ConfigureIPv6Address"), {"0", "fe80::60"}), 0u) << LastStatus().second;
  EXPECT_EQ(Value(Ipv6("InitiatorLinkLocalAddress")), "FE80:0000:0000:0000:0000:0000:0000:0060");

  // Without auto-assignment the router's gateway is not used; a gateway
  // is checked before the current one goes.
  EXPECT_EQ(Value(Ipv6("DefaultIPv6Gateway")), kUnset6);
  ASSERT_EQ(SetValue(Ipv6("DefaultIPv6Gateway"), "fe80::2"), 0u) << LastStatus().second;
  EXPECT_EQ(Value(Ipv6("DefaultIPv6Gateway")), "FE80:0000:0000:0000:0000:0000:0000:0002");
  EXPECT_NE(SetValue(Ipv6("DefaultIPv6Gateway"), "fe80::zz"), 0u);
  EXPECT_EQ(LastStatus(), Status(17, kInvalid));
  EXPECT_EQ(Value(Ipv6("DefaultIPv6Gateway")), "FE80:0000:0000:0000:0000:0000:0000:0002");
  ASSERT_EQ(Do(Ipv6("DeleteDefaultIPv6Gateway")), 0u);
  EXPECT_EQ(Value(Ipv6("DefaultIPv6Gateway")), kUnset6);
  ASSERT_EQ(Do(Ipv6("AutoAssignEnable"), {"Auto"}), 0u) << LastStatus().second;
  EXPECT_EQ(Value(Ipv6("IPv6State")), "AutoAssign");
}

TEST_F(NetworkingTest, RoutesKeepTheirEntriesAcrossChanges) {
  ASSERT_EQ(Do(Routes("AddRouteTableEntry"), {"198.51.100.0", "255.255.255.0", "192.0.2.1"}), 0u)
      << LastStatus().second;
  ASSERT_EQ(Do(Routes("AddRouteTableEntry"), {"203.0.113.0", "255.255.255.0", "192.0.2.254"}), 0u)
      << LastStatus().second;
  ASSERT_EQ(Entries("RouteTable", "RouteTableEntry"),
            (std::vector<std::string>{"RouteTableEntry0", "RouteTableEntry1"}));
  EXPECT_EQ(Value(Routes("RouteTableEntry0/Destination")), "198.51.100.0");
  EXPECT_EQ(Value(Routes("RouteTableEntry1/Gateway")), "192.0.2.254");
  const uint32_t tag = Tag(Routes("RouteTableEntry1"));
  ASSERT_EQ(Do(Routes("DeleteRouteTableEntry"), {"0"}), 0u) << LastStatus().second;
  EXPECT_EQ(Entries("RouteTable", "RouteTableEntry"), std::vector<std::string>{"RouteTableEntry1"});
  ASSERT_EQ(Do(Routes("RefreshRouteTableEntry")), 0u);
  EXPECT_EQ(Tag(Routes("RouteTableEntry1")), tag);
  EXPECT_EQ(Value(Routes("RouteTableEntry1/Destination")), "203.0.113.0");
  ExpectRefused(Routes("DeleteRouteTableEntry"), {"7"}, 20,
                "Invalid instance number. Please use valid instance number.");
  // Routes are the adapter's: a restart finds them.
  Restart();
  EXPECT_EQ(Value(Routes("RouteTableEntry0/Destination")), "203.0.113.0");
}

TEST_F(NetworkingTest, RouteRefusals) {
  ExpectRefused(Routes("AddRouteTableEntry"), {"10..0.0", "255.0.0.0", "192.0.2.1"}, 17, kInvalid);
  ExpectRefused(Routes("AddRouteTableEntry"), {"10.0.0.0", "255.0.0.0", "192.0..1"}, 17, kInvalid);
  // A gateway off the function's subnet is refused by the adapter.
  ExpectRefused(Routes("AddRouteTableEntry"), {"10.0.0.0", "255.0.0.0", "198.51.100.1"}, 129,
                "Cannot add/delete route table entry.");
  for (int n = 0; n < 8; ++n) {
    ASSERT_EQ(Do(Routes("AddRouteTableEntry"),
                 {"10.0." + std::to_string(n) + ".0", "255.255.255.0", "192.0.2.1"}),
              0u)
        << n << ": " << LastStatus().second;
  }
  ExpectRefused(Routes("AddRouteTableEntry"), {"10.0.8.0", "255.255.255.0", "192.0.2.1"}, 245,
                "Failed to add route entries. Exceed maximum manual route entries.");
  EXPECT_EQ(Entries("RouteTable", "RouteTableEntry").size(), 8u);
}

TEST_F(NetworkingTest, RoutesDecideWhereRoutedTrafficGoes) {
  Stop();
  Start(WriteConfig(R"({"controllers": [{"chip": 3, "serial_number": "VN-NET-2", "functions": [
      {"kind": "iscsi", "port": 0, "pci": {"bus": 6, "device": 0, "function": 2},
       "network": {"gateway": null, "hosts": [{"address": "192.0.2.254"},
                                             {"address": "203.0.113.9"}]}}]}]})"));
  EXPECT_EQ(Value(Tcpip("DefaultGateway")), "0.0.0.0");
  ExpectRefused(Tcpip("Ping"), {"203.0.113.9"}, 53, kPingFailed);
  ASSERT_EQ(Do(Routes("AddRouteTableEntry"), {"203.0.113.0", "255.255.255.0", "192.0.2.254"}), 0u);
  EXPECT_EQ(Do(Tcpip("Ping"), {"203.0.113.9"}), 0u) << LastStatus().second;
  // The router learnt on the way, in the form the table shows.
  ASSERT_EQ(Do(Arp("RefreshARPTableEntry")), 0u);
  EXPECT_EQ(Value(Arp("ARPTableEntry0/IPAddress")), "192.0.2.254");
  EXPECT_EQ(Value(Arp("ARPTableEntry0/MACAddress")), "02-00-c0-00-02-fe");
}

TEST_F(NetworkingTest, ArpStaticEntriesAndRefusals) {
  ASSERT_EQ(Do(Arp("AddARPTableEntry"), {"192.0.2.77", "00:11:22:AA:bb:cc"}), 0u)
      << LastStatus().second;
  ASSERT_EQ(Entries("ARPTable", "ARPTableEntry"), std::vector<std::string>{"ARPTableEntry0"});
  EXPECT_EQ(Value(Arp("ARPTableEntry0/IPAddress")), "192.0.2.77");
  EXPECT_EQ(Value(Arp("ARPTableEntry0/MACAddress")), "00-11-22-aa-bb-cc");
  // On-link contact adds a learnt entry after the static one.
  ASSERT_EQ(Do(Tcpip("Ping"), {"192.0.2.1"}), 0u) << LastStatus().second;
  ASSERT_EQ(Do(Arp("RefreshARPTableEntry")), 0u);
  EXPECT_EQ(Value(Arp("ARPTableEntry1/IPAddress")), "192.0.2.1");
  // A short MAC address fails the parameter's length; groups of one digit,
  // or "zz", the handler's check.
  EXPECT_EQ(TreeRefusal(Arp("AddARPTableEntry"), {"192.0.2.78", "00:11:22:33:44:5"}), 8u);
  ExpectRefused(Arp("AddARPTableEntry"), {"192.0.2.78", "0:1:2:3:4:5:6:7:8"}, 17, kInvalid);
  ExpectRefused(Arp("AddARPTableEntry"), {"192.0.2.78", "zz:11:22:33:44:55"}, 17, kInvalid);
  ExpectRefused(Arp("DeleteARPTableEntry"), {"9"}, 20,
                "Invalid instance number. Please use valid instance number.");
  ASSERT_EQ(Do(Arp("DeleteARPTableEntry"), {"0"}), 0u) << LastStatus().second;
  EXPECT_EQ(Value(Arp("ARPTableEntry0/IPAddress")), "192.0.2.1");
}

TEST_F(NetworkingTest, TablesThatClaimMoreThanTheyHold) {
  // A firmware that fills the ARP answer with ones claims 4294967295
  // entries: refused, and the entries shown stay.
  ASSERT_EQ(Do(Arp("AddARPTableEntry"), {"192.0.2.77", "00:11:22:33:44:55"}), 0u);
  Control(
      R"({"op":"fault","faults":{"commands":[{"subsystem":2,"opcode":8,"status":0,"fill":255,"times":1}]}})");
  ExpectRefused(Arp("RefreshARPTableEntry"), {}, 97,
                "Cannot retrieve ARP table entries. Application internal error occurred. Please "
                "check oxim2d.log file for more information.");
  EXPECT_EQ(Value(Arp("ARPTableEntry0/IPAddress")), "192.0.2.77");
  // A route answer the same way: 1000 records at most, all the same.
  Control(
      R"({"op":"fault","faults":{"commands":[{"subsystem":2,"opcode":10,"status":0,"fill":255,"times":1}]}})");
  ASSERT_EQ(Do(Routes("RefreshRouteTableEntry")), 0u) << LastStatus().second;
  EXPECT_EQ(Entries("RouteTable", "RouteTableEntry"), std::vector<std::string>{"RouteTableEntry0"});
  EXPECT_EQ(Value(Routes("RouteTableEntry0/Destination")), "255.255.255.255");
  ASSERT_EQ(Do(Routes("RefreshRouteTableEntry")), 0u);
  EXPECT_TRUE(Entries("RouteTable", "RouteTableEntry").empty());
}

TEST_F(NetworkingTest, PingFollowsTheNetwork) {
  EXPECT_EQ(Do(Tcpip("Ping"), {"192.0.2.30"}), 0u) << LastStatus().second;   // a real echo
  EXPECT_EQ(Do(Tcpip("Ping"), {"192.0.2.10"}), 0u) << LastStatus().second;   // a target
  EXPECT_EQ(Do(Tcpip("Ping"), {"192.0.2.100"}), 0u) << LastStatus().second;  // itself
  ExpectRefused(Tcpip("Ping"), {"192.0.2.99"}, 53, kPingFailed);
  ExpectRefused(Tcpip("Ping"), {"198.51.100.99"}, 53, kPingFailed);  // nothing beyond the router
  Control(R"({"op":"host","address":"192.0.2.30","present":false})");
  ExpectRefused(Tcpip("Ping"), {"192.0.2.30"}, 53, kPingFailed);
  Control(R"({"op":"host","address":"192.0.2.30","present":true})");
  EXPECT_EQ(Do(Tcpip("Ping"), {"192.0.2.30"}), 0u);
  Control(R"({"op":"link","function":"vmhba64","up":false})");
  ExpectRefused(Tcpip("Ping"), {"192.0.2.30"}, 53, kPingFailed);
  EXPECT_EQ(Value(std::string(kNic) + "/LogicalLinkStatus"), "Down");
  // The other port's link is up.
  EXPECT_EQ(Do("Quellfire0/iSCSIPhysicalHBA1/Network/TCPIPConfiguration/Ping", {"192.0.2.30"}), 0u);
  Control(R"({"op":"link","function":"vmhba64","up":true})");
  EXPECT_EQ(Do(Tcpip("Ping"), {"192.0.2.30"}), 0u);
  // Texts that are no address: the tree refuses some, the handler the rest.
  EXPECT_EQ(TreeRefusal(Tcpip("Ping"), {"a:"}), 6u);
  EXPECT_EQ(TreeRefusal(Tcpip("Ping"), {"300.1.1.1"}), 6u);
  ExpectRefused(Tcpip("Ping"), {"10..0.1"}, 17, kInvalid);
}

TEST_F(NetworkingTest, ControlRequestsNameWhatTheyChange) {
  char answer[1024] = {};
  EXPECT_NE(OXIM_emulator_control(R"({"op":"link","function":"vmhba99","up":false})", answer,
                                  sizeof answer),
            0u);
  EXPECT_NE(std::string(answer).find("no iSCSI function vmhba99"), std::string::npos) << answer;
  EXPECT_NE(OXIM_emulator_control(R"({"op":"host","address":"192.0.2.222","present":false})",
                                  answer, sizeof answer),
            0u);
  EXPECT_NE(std::string(answer).find("has a host 192.0.2.222"), std::string::npos) << answer;
  EXPECT_NE(OXIM_emulator_control(R"({"op":"dhcp","on":"no"})", answer, sizeof answer), 0u);
  EXPECT_NE(std::string(answer).find("(true or false) is needed"), std::string::npos) << answer;
  // The network's conditions are not the adapter's: a reboot keeps them.
  Control(R"({"op":"link","up":false})");
  RebootEmulator();
  EXPECT_EQ(Value(std::string(kNic) + "/LogicalLinkStatus"), "Down");
  Control(R"({"op":"link","up":true})");
}

TEST_F(NetworkingTest, NetworkInterfaceValues) {
  EXPECT_EQ(Value(std::string(kNic) + "/MACAddress"), "00-90-fa-4c-21-12");
  EXPECT_EQ(Value(std::string(kNic) + "/PermanentMACAddress"), "00-90-fa-4c-21-12");
  EXPECT_EQ(Value(std::string(kNic) + "/MaxMTUSize"), "9000");
  EXPECT_EQ(Value(std::string(kNic) + "/PortMaxSpeed"), "10Gb");
  EXPECT_EQ(Value(std::string(kNic) + "/LogicalLinkStatus"), "Up");
  EXPECT_NE(SetValue(std::string(kNic) + "/PermanentMACAddress", "00:11:22:33:44:55"), 0u);
  EXPECT_EQ(LastStatus(), Status(70, "Setting this property is not supported in this OS."));
  EXPECT_EQ(Do(std::string(kNic) + "/RefreshNICConfig"), 0u);
  Control(R"({"op":"fault","faults":{"commands":[{"subsystem":2,"opcode":7,"times":1}]}})");
  EXPECT_EQ(Do(std::string(kNic) + "/RefreshNICConfig"), 1u);
}

TEST_F(NetworkingTest, LoginsObeyTheNetworkAndAreCounted) {
  EXPECT_EQ(Value(std::string(kStats) + "/LoginAcceptRsps"), "0");
  ASSERT_EQ(Do(std::string(kHba) + "/AddTarget", {"iqn.2026-01.net.oxim-lab:open", "192.0.2.10"}),
            0u)
      << LastStatus().second;
  const std::string target = std::string(kHba) + "/Target0";
  // Link down, then a VLAN the network does not carry: no login.
  Control(R"({"op":"link","function":"vmhba64","up":false})");
  EXPECT_NE(Do(target + "/Login"), 0u);
  Control(R"({"op":"link","function":"vmhba64","up":true})");
  ASSERT_EQ(Do(Tcpip("ConfigureVLAN"), {"100"}), 0u);
  EXPECT_NE(Do(target + "/Login"), 0u);
  ASSERT_EQ(Do(Tcpip("VLANDisable")), 0u);
  ASSERT_EQ(Do(target + "/Login"), 0u) << LastStatus().second;
  EXPECT_EQ(Value(target + "/Session0/Connection0/SourceIPAddress"), "192.0.2.100");
  EXPECT_EQ(Value(std::string(kStats) + "/SessionCount"), "1");
  EXPECT_EQ(Value(std::string(kStats) + "/LoginAcceptRsps"), "1");
  EXPECT_EQ(Value(std::string(kStats) + "/LastSessionRmtNodeName"),
            "iqn.2026-01.net.oxim-lab:open");
  EXPECT_EQ(Value(std::string(kStats) + "/LoginFailures"), "2");
  EXPECT_EQ(Value(std::string(kStats) + "/LastFailureType"), "OtherFailure");
  EXPECT_EQ(Value(std::string(kStats) + "/LastTgtFailureAddr"), "192.0.2.10");
  ASSERT_EQ(Do(target + "/Logout"), 0u) << LastStatus().second;
  EXPECT_EQ(Value(std::string(kStats) + "/LogoutNormals"), "1");
  // A CHAP target refuses a login without CHAP.
  ASSERT_EQ(Do(std::string(kHba) + "/AddTarget", {"iqn.2026-01.net.oxim-lab:oneway", "192.0.2.11"}),
            0u);
  EXPECT_NE(Do(std::string(kHba) + "/Target1/Login"), 0u);
  EXPECT_EQ(Value(std::string(kStats) + "/LastFailureType"), "LoginAuthenticationFailure");
  EXPECT_EQ(Value(std::string(kStats) + "/LastTgtFailureName"), "iqn.2026-01.net.oxim-lab:oneway");
  EXPECT_NE(Value(std::string(kStats) + "/LoginAuthFails"), "0");
}

}  // namespace
