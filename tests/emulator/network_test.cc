// The emulated adapter's port networks: the "network" object of the
// configuration read strictly over its defaults, the flash record of a
// function's interface settings, and real ICMP echoes to loopback.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "config_json.h"
#include "network_model.h"
#include "real_ping.h"

namespace oxim::emulator {
namespace {

// A configuration with one controller of the chip and one iSCSI function
// whose network object is `network` (none when empty).
std::string Adapter(int chip, const std::string& network, const char* kind = "iscsi") {
  return R"({"controllers": [{"chip": )" + std::to_string(chip) +
         R"(, "serial_number": "VN1", "functions": [
           {"kind": "nic", "port": 0, "pci": {"bus": 3, "device": 0, "function": 0}},
           {"kind": ")" +
         kind + R"(", "port": 0, "pci": {"bus": 3, "device": 0, "function": 2})" +
         (network.empty() ? "" : R"(, "network": )" + network) + "}]}]}";
}

std::string Refusal(const std::string& json) {
  std::string error;
  return ParseAdapterConfig(json, &error) ? std::string() : error;
}

TEST(PortNetworkConfig, FieldsOverTheFunctionsDefaults) {
  std::string error;
  std::optional<AdapterConfig> config = ParseAdapterConfig(
      Adapter(4, R"({"address": "198.51.100.7", "prefix": 28, "gateway": null, "vlan": 12,
                     "link": "down",
                     "hosts": [{"address": "198.51.100.9", "mac": "00:11:22:33:44:55",
                                "ping": "127.0.0.2", "present": false},
                               {"address": "2001:db8::9"}],
                     "dhcp": {"pool": ["198.51.100.10", "198.51.100.12"], "prefix": 28,
                              "router": "198.51.100.1", "isns": "198.51.100.3", "on": false},
                     "ipv6_prefix": "2001:db8:1::", "ipv6_router": "fe80::9"})"),
      &error);
  ASSERT_TRUE(config) << error;
  const PortNetwork& network = config->controllers[0].functions[1].network.value();
  EXPECT_EQ(NetAddressText(network.address), "198.51.100.7");
  EXPECT_EQ(network.prefix, 28);
  EXPECT_FALSE(network.gateway);
  EXPECT_EQ(network.vlan, 12);
  EXPECT_FALSE(network.link_up);
  ASSERT_EQ(network.hosts.size(), 2u);
  EXPECT_EQ(network.hosts[0].mac, (std::array<uint8_t, 6>{0x00, 0x11, 0x22, 0x33, 0x44, 0x55}));
  EXPECT_EQ(network.hosts[0].ping, "127.0.0.2");
  EXPECT_FALSE(network.hosts[0].present);
  EXPECT_TRUE(network.hosts[1].address.ipv6);
  ASSERT_TRUE(network.dhcp);
  EXPECT_EQ(NetAddressText(network.dhcp->last), "198.51.100.12");
  EXPECT_EQ(NetAddressText(network.dhcp->isns.value()), "198.51.100.3");
  EXPECT_FALSE(network.dhcp->on);
  EXPECT_EQ(NetAddressText(network.ipv6_prefix.value()), "2001:db8:1::");

  // What the object leaves out keeps the function's defaults.
  config = ParseAdapterConfig(Adapter(3, R"({"vlan": 7})"), &error);
  ASSERT_TRUE(config) << error;
  const PortNetwork& partial = config->controllers[0].functions[1].network.value();
  EXPECT_EQ(NetAddressText(partial.address), "192.0.2.100");
  EXPECT_EQ(NetAddressText(partial.gateway.value()), "192.0.2.1");
  EXPECT_EQ(partial.hosts.at(0).ping, "127.0.0.1");
  EXPECT_FALSE(partial.ipv6_prefix);
  // None at all: the adapter takes them when it starts.
  config = ParseAdapterConfig(Adapter(3, ""), &error);
  ASSERT_TRUE(config) << error;
  EXPECT_FALSE(config->controllers[0].functions[1].network);
}

TEST(PortNetworkConfig, RefusedFieldsAreNamed) {
  const std::string at = "controllers[0].functions[1].network";
  EXPECT_EQ(Refusal(Adapter(3, R"({"hosts": [{"address": "192.0.2.9", "ping": "192.0.2.9"}]})")),
            at + ".hosts[0].ping: expected a loopback address (127.0.0.1, ::1): pings go there "
                 "for real");
  EXPECT_EQ(Refusal(Adapter(3, R"({"ipv6_prefix": "2001:db8::"})")),
            at + ".ipv6_prefix: only Korvel and Tindra have an IPv6 stack");
  EXPECT_EQ(Refusal(Adapter(3, R"({"address": "2001:db8::1"})")),
            at + ".address: expected a dotted IPv4 address");
  EXPECT_EQ(Refusal(Adapter(3, R"({"vlan": 4095})")), at + ".vlan: expected an integer 0..4094");
  EXPECT_EQ(Refusal(Adapter(3, R"({"link": "off"})")), at + R"(.link: expected "up" or "down")");
  EXPECT_EQ(Refusal(Adapter(3, R"({"dhcp": {"pool": ["192.0.2.9", "192.0.2.8"]}})")),
            at + ".dhcp.pool: expected two dotted IPv4 addresses, the first and the last of the "
                 "pool");
  EXPECT_EQ(
      Refusal(Adapter(3, R"({"hosts": [{"address": "192.0.2.9"}, {"address": "192.0.2.9"}]})")),
      at + ".hosts[1]: duplicate host address (also " + at + ".hosts[0])");
  EXPECT_EQ(Refusal(Adapter(3, R"({"mask": 24})")), at + ".mask: unknown field");
  EXPECT_EQ(Refusal(Adapter(3, "{}", "nic")),
            "controllers[0].functions[1].network: only an iSCSI function has a network");
}

TEST(InterfaceSettingsFlash, RecordRoundTripAndDamagedRecordsRefused) {
  InterfaceSettings settings;
  settings.dhcp = true;
  settings.address = {192, 0, 2, 60};
  settings.mask = {255, 255, 255, 0};
  settings.vlan_tag = records::VlanTag(100, 3);
  settings.auto_assign = true;
  settings.routable[1] = {0x20, 0x01, 0x0d, 0xb8};
  settings.routes.push_back({{198, 51, 100, 0}, {255, 255, 255, 0}, {192, 0, 2, 1}});
  settings.static_arp.push_back({{192, 0, 2, 77}, {0, 0x11, 0x22, 0x33, 0x44, 0x55}});
  const std::vector<uint8_t> bytes = EncodeInterfaceSettings(settings);
  std::optional<InterfaceSettings> decoded = DecodeInterfaceSettings(bytes);
  ASSERT_TRUE(decoded);
  EXPECT_TRUE(decoded->dhcp);
  EXPECT_EQ(decoded->address, settings.address);
  EXPECT_EQ(decoded->vlan_tag, settings.vlan_tag);
  EXPECT_EQ(decoded->routable[1], settings.routable[1]);
  EXPECT_EQ(decoded->routes, settings.routes);
  EXPECT_EQ(decoded->static_arp, settings.static_arp);

  EXPECT_FALSE(DecodeInterfaceSettings({}));
  EXPECT_FALSE(DecodeInterfaceSettings({bytes.begin(), bytes.end() - 1}));
  std::vector<uint8_t> longer = bytes;
  longer.push_back(0);
  EXPECT_FALSE(DecodeInterfaceSettings(longer));
  std::vector<uint8_t> routes = bytes;
  routes[88] = 200;  // more routes than a function keeps
  EXPECT_FALSE(DecodeInterfaceSettings(routes));
  std::vector<uint8_t> magic = bytes;
  magic[0] = 'X';
  EXPECT_FALSE(DecodeInterfaceSettings(magic));
}

TEST(RealPing, LoopbackAnswersBothFamilies) {
  for (const char* host : {"127.0.0.1", "::1"}) {
    const PingOutcome outcome = RealPing(host, std::chrono::seconds(2));
    if (outcome == PingOutcome::kNotPermitted) {
      GTEST_SKIP() << "no ICMP socket may be opened here: raw sockets need root, and "
                      "unprivileged ping sockets are off (net.ipv4.ping_group_range)";
    }
    EXPECT_EQ(outcome, PingOutcome::kAnswered) << host;
  }
  EXPECT_EQ(RealPing("not an address", std::chrono::milliseconds(10)), PingOutcome::kNoAnswer);
}

}  // namespace
}  // namespace oxim::emulator
