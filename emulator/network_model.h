// The IP stack of every emulated iSCSI function and the network of its
// port: the function's interface settings (kept in flash: static or DHCP
// address, gateway, VLAN tag, IPv6 addresses and auto-assignment, manual
// routes, static ARP entries), what it learnt (a DHCP lease, dynamic ARP
// entries) and the network's conditions (link, hosts present, DHCP server
// on), which are not the adapter's and survive its reboot.
//
// One reachability rule decides pings and logins (and, with them, every
// other contact a function makes): the function has an address of the
// destination's family, its port's link is up, its VLAN tag is the one the
// network carries, and the destination is on-link and present or lies
// beyond a gateway that is; on-link IPv4 contact enters the next hop in the
// dynamic ARP table.
//
//   NetworkState& network = model.network();
//   Reach reach = network.Contact(function, destination);
//   if (reach.status != 0) refuse(reach.status, reach.additional_status);
//
// Not thread-safe: the adapter serialises access.
#ifndef OXIM_EMULATOR_NETWORK_MODEL_H_
#define OXIM_EMULATOR_NETWORK_MODEL_H_

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "network_config.h"
#include "records/ip_interface.h"
#include "records/ip_tables.h"

namespace oxim::emulator {

class AdapterModel;
struct FunctionRef;

// Manual routes a function keeps; one more is refused (status 1,
// additional status 22).
inline constexpr size_t kMaxManualRoutes = 8;

// Firmware outcomes of the network rules (status 0: reached).
inline constexpr uint8_t kNetFailed = 1;
inline constexpr uint8_t kNetBadParameter = 2;
inline constexpr uint8_t kNetNoAddress = 46;  // with additional status 0
inline constexpr uint16_t kNetUnreachable = 19;
inline constexpr uint16_t kNetRefused = 21;
inline constexpr uint16_t kNetTableFull = 22;
inline constexpr uint16_t kNetLinkDown = 23;
inline constexpr uint16_t kNetDhcpTrouble = 24;

// What a function keeps of its interface in flash.
struct InterfaceSettings {
  bool dhcp = false;
  records::Ipv4 address{};  // static; zero: none
  records::Ipv4 mask{};
  records::Ipv4 gateway{};  // static; zero: none
  uint32_t vlan_tag = records::kVlanOff;
  bool auto_assign = false;                      // IPv6 addresses from the routers
  bool router_gateway_removed = false;           // the advertised gateway was deleted
  records::IpAddress link_local{};               // static; zero: made from the MAC
  std::array<records::IpAddress, 2> routable{};  // static; zero: none
  records::IpAddress ipv6_gateway{};             // static; zero: none
  std::vector<records::Route> routes;
  std::vector<records::ArpEntry> static_arp;
};

// The flash record of InterfaceSettings; nullopt for bytes that are not one.
std::vector<uint8_t> EncodeInterfaceSettings(const InterfaceSettings& settings);
std::optional<InterfaceSettings> DecodeInterfaceSettings(const std::vector<uint8_t>& bytes);

struct NetworkFunction {
  int controller = 0;
  int function = 0;  // index in its controller's functions
  int instance = 0;  // among the iSCSI functions
  int port = 0;
  bool ipv6_stack = false;  // Korvel and Tindra
  std::array<uint8_t, 6> mac{};
  uint32_t interface_id = 0;
  // The conditions change by control requests. Its hosts include those the
  // network section need not name: the routers, the DHCP server and the
  // portals of the targets, simulated and real.
  PortNetwork network;
  InterfaceSettings settings;
  // Volatile.
  struct Lease {
    records::Ipv4 address{};
    records::Ipv4 mask{};
    records::Ipv4 router{};
  };
  std::optional<Lease> lease;
  std::vector<records::ArpEntry> dynamic_arp;  // oldest first
};

struct Reach {
  uint8_t status = 0;
  uint16_t additional_status = 0;
  // The host reached (null for the function's own address): its ping
  // endpoint, if any, is where a ping goes for real.
  const NetworkHost* host = nullptr;
};

class NetworkState {
 public:
  // Reads each iSCSI function's settings from flash (the configuration's
  // when there are none) and asks for DHCP leases.
  void Start(AdapterModel& model);

  NetworkFunction* Function(const FunctionRef& function);
  NetworkFunction* Instance(int instance);
  std::vector<NetworkFunction>& functions() { return functions_; }

  // Saves a function's settings to flash; false when it cannot.
  bool Save(const NetworkFunction& f);

  // The effective IPv4 address, mask and gateway (static or leased); zero
  // when there is none.
  records::Ipv4 Address(const NetworkFunction& f) const;
  records::Ipv4 Mask(const NetworkFunction& f) const;
  records::Ipv4 Gateway(const NetworkFunction& f) const;
  // IPv6 addresses: the link-local one (static, else made from the MAC),
  // the one made from the advertised prefix while auto-assignment is on, the
  // static routable ones, and the gateway (static, else the router while
  // auto-assignment is on).
  records::IpAddress LinkLocal(const NetworkFunction& f) const;
  std::optional<records::IpAddress> AutoAddress(const NetworkFunction& f) const;
  std::vector<records::IpAddress> RoutableAddresses(const NetworkFunction& f) const;
  records::IpAddress Ipv6Gateway(const NetworkFunction& f) const;

  // The source address a contact to destination leaves from; zero when
  // there is none.
  NetAddress SourceFor(const NetworkFunction& f, const NetAddress& destination) const;

  // Whether destination can be reached from f (see above), once a DHCP lease
  // f waits for was asked for; on-link IPv4 contact learns the next hop's
  // MAC address.
  Reach Contact(NetworkFunction& f, const NetAddress& destination);
  // Whether a present host of f's network (or a target portal) has this
  // address: a second host there is a duplicate.
  bool AddressInUse(const NetworkFunction& f, const NetAddress& address) const;

  // Whether the link of a controller's port is up (up for a port without
  // an iSCSI function).
  bool PortLinkUp(int controller, int port) const;

  // The ARP table as the firmware reports it: static entries, then the
  // dynamic ones, 64 at most.
  std::vector<records::ArpEntry> ArpTable(const NetworkFunction& f) const;

  // DHCP: asks for a lease while DHCP is on and none is held; false when the
  // server cannot be reached (DHCP stays on, and a later command asks
  // again).
  bool Renew(NetworkFunction& f);

  // Control requests: a port's link, a host, a DHCP server. Each applies to
  // the function with that host adapter instance, or to all with -1. false
  // when nothing matched.
  bool SetLink(int instance, bool up);
  bool SetHostPresent(int instance, const NetAddress& address, bool present);
  bool SetDhcpServer(int instance, bool on);
  // The network conditions, to carry over a reboot.
  void KeepConditions(std::vector<PortNetwork>* networks) const;

 private:
  // Whether the link of f's port is up (every iSCSI function of the port
  // sees the same link).
  bool LinkUp(const NetworkFunction& f) const;
  bool VlanMatches(const NetworkFunction& f) const;
  bool OnLink(const NetworkFunction& f, const NetAddress& destination) const;
  // Whether the address is one of f's own.
  bool IsOwnAddress(const NetworkFunction& f, const NetAddress& address) const;
  // The present host of f's network with that address, or null.
  const NetworkHost* HostAt(const NetworkFunction& f, const NetAddress& address) const;
  void Learn(NetworkFunction& f, const NetworkHost& host);

  AdapterModel* model_ = nullptr;
  std::vector<NetworkFunction> functions_;
};

}  // namespace oxim::emulator

#endif  // OXIM_EMULATOR_NETWORK_MODEL_H_
