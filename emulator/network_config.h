// The network an emulated iSCSI port sees, as the configuration describes
// it (the "network" object of an iSCSI function, emulator/README.md): the
// address the function has when the adapter first starts, the routers, VLAN
// and link of its port, the hosts that answer there (some standing for a
// real loopback address that a ping reaches with a real ICMP echo), a DHCP
// server and, for the chips with an IPv6 stack, the IPv6 prefix its routers
// advertise. What the adapter keeps of its own settings is in the network
// model (network_model.h).
#ifndef OXIM_EMULATOR_NETWORK_CONFIG_H_
#define OXIM_EMULATOR_NETWORK_CONFIG_H_

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace oxim::emulator {

// An address of either family: IPv4 in the first four bytes.
struct NetAddress {
  bool ipv6 = false;
  std::array<uint8_t, 16> bytes{};
  friend bool operator==(const NetAddress&, const NetAddress&) = default;
};

// Parses a dotted IPv4 text ("192.0.2.1", four decimal parts 0..255) or an
// IPv6 text (inet_pton's forms); nullopt for anything else.
std::optional<NetAddress> ParseNetAddress(const std::string& text);
// "192.0.2.1", or the compressed IPv6 text.
std::string NetAddressText(const NetAddress& address);
NetAddress Ipv4NetAddress(uint8_t a, uint8_t b, uint8_t c, uint8_t d);

// A host on the port's network (its address may also lie beyond a router).
struct NetworkHost {
  NetAddress address;
  std::array<uint8_t, 6> mac{};
  // A loopback address ("127.0.0.1", "::1") that a ping of this host is
  // sent to for real; none: the model answers.
  std::optional<std::string> ping;
  bool present = true;
};

struct DhcpServer {
  NetAddress first;  // the pool, IPv4
  NetAddress last;
  int prefix = 24;
  NetAddress router;               // the gateway of a lease
  std::optional<NetAddress> isns;  // option 83
  bool on = true;
};

struct PortNetwork {
  // The function's own address and gateway at the adapter's first start.
  NetAddress address;
  int prefix = 24;
  // The port's router: a host of the network, and the function's first
  // default gateway. None: no router.
  std::optional<NetAddress> gateway;
  // The VLAN the port's network carries: frames must be tagged with it.
  // None: untagged.
  std::optional<uint16_t> vlan;
  bool link_up = true;
  std::vector<NetworkHost> hosts;
  std::optional<DhcpServer> dhcp;
  // IPv6 (Korvel and Tindra): the /64 prefix the routers advertise and the
  // routers' link-local address. None: no IPv6 router on the network.
  std::optional<NetAddress> ipv6_prefix;
  NetAddress ipv6_router;
};

// The network of an iSCSI function that the configuration leaves out, or
// the defaults of the fields it leaves out: 192.0.2.(100 + instance)/24 with
// router 192.0.2.1, untagged, link up, a host 192.0.2.30 whose pings go to
// 127.0.0.1, a DHCP server on the router with the pool 192.0.2.150 to
// 192.0.2.199; with an IPv6 stack also the prefix 2001:db8::/64 from the
// router fe80::1 and a host 2001:db8::30 whose pings go to ::1.
PortNetwork DefaultPortNetwork(int instance, bool ipv6_stack);

// A host MAC address made from an address (locally administered), for the
// hosts the configuration gives none.
std::array<uint8_t, 6> HostMac(const NetAddress& address);

}  // namespace oxim::emulator

#endif  // OXIM_EMULATOR_NETWORK_CONFIG_H_
