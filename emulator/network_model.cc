// The emulated iSCSI functions' IP stacks and their ports' networks; see
// network_model.h.
#include "network_model.h"

#include <algorithm>

#include "adapter_model.h"
#include "iscsi_firmware.h"
#include "real_portals.h"
#include "records/coding.h"

namespace oxim::emulator {
namespace {

using records::IpAddress;
using records::Ipv4;

constexpr uint32_t kFirstInterfaceId = 0x10;

Ipv4 Ipv4Of(const NetAddress& address) {
  return {address.bytes[0], address.bytes[1], address.bytes[2], address.bytes[3]};
}

NetAddress FromIpv4(const Ipv4& address) {
  return Ipv4NetAddress(address[0], address[1], address[2], address[3]);
}

NetAddress FromIpv6(const IpAddress& address) { return {true, address}; }

uint32_t Word(const Ipv4& address) {
  return (uint32_t{address[0]} << 24) | (uint32_t{address[1]} << 16) | (uint32_t{address[2]} << 8) |
         address[3];
}

Ipv4 FromWord(uint32_t word) {
  return {static_cast<uint8_t>(word >> 24), static_cast<uint8_t>(word >> 16),
          static_cast<uint8_t>(word >> 8), static_cast<uint8_t>(word)};
}

Ipv4 MaskOf(int prefix) {
  return FromWord(prefix <= 0 ? 0 : ~uint32_t{0} << (32 - std::min(prefix, 32)));
}

bool IsZero(const Ipv4& address) { return Word(address) == 0; }
bool IsZero(const IpAddress& address) {
  return std::all_of(address.begin(), address.end(), [](uint8_t b) { return b == 0; });
}

bool SameSubnet(const Ipv4& a, const Ipv4& b, const Ipv4& mask) {
  return (Word(a) & Word(mask)) == (Word(b) & Word(mask));
}

bool SamePrefix64(const IpAddress& a, const IpAddress& b) {
  return std::equal(a.begin(), a.begin() + 8, b.begin());
}

// The interface identifier of a MAC address (modified EUI-64).
IpAddress WithInterfaceId(const IpAddress& prefix, const std::array<uint8_t, 6>& mac) {
  IpAddress address = prefix;
  const uint8_t id[8] = {
      static_cast<uint8_t>(mac[0] ^ 0x02), mac[1], mac[2], 0xff, 0xfe, mac[3], mac[4], mac[5]};
  std::copy(std::begin(id), std::end(id), address.begin() + 8);
  return address;
}

// Adds a host unless the network has one at that address already.
void AddHost(PortNetwork& network, const NetAddress& address,
             std::optional<std::string> ping = std::nullopt) {
  for (const NetworkHost& host : network.hosts) {
    if (host.address == address) return;
  }
  NetworkHost host;
  host.address = address;
  host.mac = HostMac(address);
  host.ping = std::move(ping);
  network.hosts.push_back(std::move(host));
}

bool IsLoopback(const std::string& host) { return host == "::1" || host.rfind("127.", 0) == 0; }

// The hosts a port's network has without naming them: its routers, its
// DHCP server, and the portals of every target.
void AddImplicitHosts(PortNetwork& network, const AdapterConfig& config) {
  if (network.gateway) AddHost(network, *network.gateway);
  if (network.dhcp) AddHost(network, network.dhcp->router);
  if (network.ipv6_prefix) AddHost(network, network.ipv6_router);
  for (const SimulatedTarget& target : config.targets) {
    for (const SimulatedPortal& portal : target.portals) {
      if (std::optional<NetAddress> address = ParseNetAddress(portal.address)) {
        AddHost(network, *address);
      }
    }
  }
  for (const RealPortal& portal : config.real_portals) {
    std::optional<NetAddress> address = ParseNetAddress(portal.address);
    if (!address) continue;
    std::optional<std::string> ping;
    if (IsLoopback(portal.endpoint_host)) ping = portal.endpoint_host;
    AddHost(network, *address, ping);
  }
}

std::string FlashKey(const NetworkFunction& f) {
  return "network-c" + std::to_string(f.controller) + "f" + std::to_string(f.function);
}

// Flash record of the interface settings:
//   0   4   "ONW1"
//   4   4   flags: bit 0 DHCP, bit 1 IPv6 auto-assignment, bit 2 the
//           advertised gateway deleted
//   8   4   IPv4 address, 12 mask, 16 gateway
//   20  4   VLAN tag
//   24  16  link-local address, 40 and 56 routable addresses, 72 IPv6 gateway
//   88  4   number of routes (at most 8), then 12 bytes each
//   then 4  number of static ARP entries (at most 64), then 10 bytes each
constexpr uint8_t kFlashMagic[] = {'O', 'N', 'W', '1'};
constexpr size_t kFlashFixedSize = 92;
constexpr size_t kFlashRouteSize = 12;
constexpr size_t kFlashArpSize = 10;

}  // namespace

std::vector<uint8_t> EncodeInterfaceSettings(const InterfaceSettings& s) {
  std::vector<uint8_t> bytes(kFlashFixedSize, 0);
  std::copy(std::begin(kFlashMagic), std::end(kFlashMagic), bytes.begin());
  records::EncodeFixed32(bytes.data() + 4, (s.dhcp ? 1u : 0u) | (s.auto_assign ? 2u : 0u) |
                                               (s.router_gateway_removed ? 4u : 0u));
  std::copy(s.address.begin(), s.address.end(), bytes.begin() + 8);
  std::copy(s.mask.begin(), s.mask.end(), bytes.begin() + 12);
  std::copy(s.gateway.begin(), s.gateway.end(), bytes.begin() + 16);
  records::EncodeFixed32(bytes.data() + 20, s.vlan_tag);
  std::copy(s.link_local.begin(), s.link_local.end(), bytes.begin() + 24);
  std::copy(s.routable[0].begin(), s.routable[0].end(), bytes.begin() + 40);
  std::copy(s.routable[1].begin(), s.routable[1].end(), bytes.begin() + 56);
  std::copy(s.ipv6_gateway.begin(), s.ipv6_gateway.end(), bytes.begin() + 72);
  records::EncodeFixed32(bytes.data() + 88, static_cast<uint32_t>(s.routes.size()));
  for (const records::Route& route : s.routes) {
    bytes.insert(bytes.end(), route.destination.begin(), route.destination.end());
    bytes.insert(bytes.end(), route.mask.begin(), route.mask.end());
    bytes.insert(bytes.end(), route.gateway.begin(), route.gateway.end());
  }
  const size_t at = bytes.size();
  bytes.resize(at + 4);
  records::EncodeFixed32(bytes.data() + at, static_cast<uint32_t>(s.static_arp.size()));
  for (const records::ArpEntry& entry : s.static_arp) {
    bytes.insert(bytes.end(), entry.address.begin(), entry.address.end());
    bytes.insert(bytes.end(), entry.mac.begin(), entry.mac.end());
  }
  return bytes;
}

std::optional<InterfaceSettings> DecodeInterfaceSettings(const std::vector<uint8_t>& bytes) {
  if (bytes.size() < kFlashFixedSize ||
      !std::equal(std::begin(kFlashMagic), std::end(kFlashMagic), bytes.begin())) {
    return std::nullopt;
  }
  InterfaceSettings s;
  const uint32_t flags = records::DecodeFixed32(bytes.data() + 4);
  s.dhcp = (flags & 1) != 0;
  s.auto_assign = (flags & 2) != 0;
  s.router_gateway_removed = (flags & 4) != 0;
  std::copy_n(bytes.begin() + 8, 4, s.address.begin());
  std::copy_n(bytes.begin() + 12, 4, s.mask.begin());
  std::copy_n(bytes.begin() + 16, 4, s.gateway.begin());
  s.vlan_tag = records::DecodeFixed32(bytes.data() + 20);
  std::copy_n(bytes.begin() + 24, 16, s.link_local.begin());
  std::copy_n(bytes.begin() + 40, 16, s.routable[0].begin());
  std::copy_n(bytes.begin() + 56, 16, s.routable[1].begin());
  std::copy_n(bytes.begin() + 72, 16, s.ipv6_gateway.begin());
  const uint32_t routes = records::DecodeFixed32(bytes.data() + 88);
  if (routes > kMaxManualRoutes) return std::nullopt;
  size_t at = kFlashFixedSize;
  if (bytes.size() - at < routes * kFlashRouteSize + 4) return std::nullopt;
  for (uint32_t k = 0; k < routes; ++k, at += kFlashRouteSize) {
    records::Route route;
    std::copy_n(bytes.begin() + at, 4, route.destination.begin());
    std::copy_n(bytes.begin() + at + 4, 4, route.mask.begin());
    std::copy_n(bytes.begin() + at + 8, 4, route.gateway.begin());
    s.routes.push_back(route);
  }
  const uint32_t entries = records::DecodeFixed32(bytes.data() + at);
  at += 4;
  if (entries > records::kMaxArpEntries || bytes.size() - at != entries * kFlashArpSize) {
    return std::nullopt;
  }
  for (uint32_t k = 0; k < entries; ++k, at += kFlashArpSize) {
    records::ArpEntry entry;
    std::copy_n(bytes.begin() + at, 4, entry.address.begin());
    std::copy_n(bytes.begin() + at + 4, 6, entry.mac.begin());
    s.static_arp.push_back(entry);
  }
  return s;
}

void NetworkState::Start(AdapterModel& model) {
  model_ = &model;
  functions_.clear();
  const std::vector<FunctionRef>& refs = model.iscsi_functions();
  for (size_t i = 0; i < refs.size(); ++i) {
    const FunctionConfig& config = model.function(refs[i]);
    const int chip = model.controller(refs[i]).chip;
    NetworkFunction& f = functions_.emplace_back();
    f.controller = refs[i].controller;
    f.function = refs[i].function;
    f.instance = static_cast<int>(i);
    f.port = config.port;
    f.ipv6_stack = chip == kChipKorvel || chip == kChipTindra;
    f.mac = config.mac;
    f.interface_id = kFirstInterfaceId + static_cast<uint32_t>(i);
    f.network = config.network.value_or(DefaultPortNetwork(f.instance, f.ipv6_stack));
    if (!f.ipv6_stack) f.network.ipv6_prefix.reset();
    AddImplicitHosts(f.network, model.config());
    std::optional<InterfaceSettings> saved;
    if (std::optional<std::vector<uint8_t>> bytes = model.flash().Load(FlashKey(f))) {
      saved = DecodeInterfaceSettings(*bytes);
    }
    if (saved) {
      f.settings = std::move(*saved);
    } else {
      f.settings.address = Ipv4Of(f.network.address);
      f.settings.mask = MaskOf(f.network.prefix);
      if (f.network.gateway) f.settings.gateway = Ipv4Of(*f.network.gateway);
      f.settings.auto_assign = f.network.ipv6_prefix.has_value();
    }
    (void)Renew(f);
  }
}

NetworkFunction* NetworkState::Function(const FunctionRef& function) {
  for (NetworkFunction& f : functions_) {
    if (f.controller == function.controller && f.function == function.function) return &f;
  }
  return nullptr;
}

NetworkFunction* NetworkState::Instance(int instance) {
  if (instance < 0 || static_cast<size_t>(instance) >= functions_.size()) return nullptr;
  return &functions_[instance];
}

bool NetworkState::Save(const NetworkFunction& f) {
  return model_->flash().Save(FlashKey(f), EncodeInterfaceSettings(f.settings));
}

Ipv4 NetworkState::Address(const NetworkFunction& f) const {
  if (f.settings.dhcp) return f.lease ? f.lease->address : Ipv4{};
  return f.settings.address;
}

Ipv4 NetworkState::Mask(const NetworkFunction& f) const {
  if (f.settings.dhcp) return f.lease ? f.lease->mask : Ipv4{};
  return f.settings.mask;
}

Ipv4 NetworkState::Gateway(const NetworkFunction& f) const {
  if (f.settings.dhcp) return f.lease ? f.lease->router : Ipv4{};
  return f.settings.gateway;
}

IpAddress NetworkState::LinkLocal(const NetworkFunction& f) const {
  if (!IsZero(f.settings.link_local)) return f.settings.link_local;
  IpAddress prefix{0xfe, 0x80};
  return WithInterfaceId(prefix, f.mac);
}

std::optional<IpAddress> NetworkState::AutoAddress(const NetworkFunction& f) const {
  if (!f.settings.auto_assign || !f.network.ipv6_prefix || !LinkUp(f) || !VlanMatches(f)) {
    return std::nullopt;
  }
  return WithInterfaceId(f.network.ipv6_prefix->bytes, f.mac);
}

std::vector<IpAddress> NetworkState::RoutableAddresses(const NetworkFunction& f) const {
  std::vector<IpAddress> addresses;
  if (std::optional<IpAddress> automatic = AutoAddress(f)) addresses.push_back(*automatic);
  for (const IpAddress& address : f.settings.routable) {
    if (!IsZero(address)) addresses.push_back(address);
  }
  return addresses;
}

IpAddress NetworkState::Ipv6Gateway(const NetworkFunction& f) const {
  if (!IsZero(f.settings.ipv6_gateway)) return f.settings.ipv6_gateway;
  if (f.settings.auto_assign && f.network.ipv6_prefix && !f.settings.router_gateway_removed) {
    return f.network.ipv6_router.bytes;
  }
  return {};
}

NetAddress NetworkState::SourceFor(const NetworkFunction& f, const NetAddress& destination) const {
  if (!destination.ipv6) return FromIpv4(Address(f));
  const bool link_local = destination.bytes[0] == 0xfe && (destination.bytes[1] & 0xc0) == 0x80;
  const std::vector<IpAddress> routable = RoutableAddresses(f);
  if (link_local || routable.empty()) return FromIpv6(LinkLocal(f));
  for (const IpAddress& address : routable) {
    if (SamePrefix64(address, destination.bytes)) return FromIpv6(address);
  }
  return FromIpv6(routable.front());
}

bool NetworkState::LinkUp(const NetworkFunction& f) const {
  for (const NetworkFunction& other : functions_) {
    if (other.controller == f.controller && other.port == f.port && !other.network.link_up) {
      return false;
    }
  }
  return true;
}

bool NetworkState::PortLinkUp(int controller, int port) const {
  for (const NetworkFunction& f : functions_) {
    if (f.controller == controller && f.port == port) return LinkUp(f);
  }
  return true;
}

bool NetworkState::VlanMatches(const NetworkFunction& f) const {
  const bool tagged = f.settings.vlan_tag != records::kVlanOff;
  if (!f.network.vlan) return !tagged;
  return tagged && records::VlanId(f.settings.vlan_tag) == *f.network.vlan;
}

bool NetworkState::OnLink(const NetworkFunction& f, const NetAddress& destination) const {
  if (!destination.ipv6) {
    const Ipv4 address = Address(f);
    return !IsZero(address) && SameSubnet(address, Ipv4Of(destination), Mask(f));
  }
  if (SamePrefix64(LinkLocal(f), destination.bytes)) return true;
  for (const IpAddress& address : RoutableAddresses(f)) {
    if (SamePrefix64(address, destination.bytes)) return true;
  }
  return false;
}

const NetworkHost* NetworkState::HostAt(const NetworkFunction& f, const NetAddress& address) const {
  for (const NetworkHost& host : f.network.hosts) {
    if (host.present && host.address == address) return &host;
  }
  return nullptr;
}

bool NetworkState::AddressInUse(const NetworkFunction& f, const NetAddress& address) const {
  return HostAt(f, address) != nullptr;
}

void NetworkState::Learn(NetworkFunction& f, const NetworkHost& host) {
  if (host.address.ipv6) return;
  const Ipv4 address = Ipv4Of(host.address);
  for (const records::ArpEntry& entry : f.settings.static_arp) {
    if (entry.address == address) return;
  }
  std::erase_if(f.dynamic_arp, [&](const records::ArpEntry& e) { return e.address == address; });
  f.dynamic_arp.push_back({address, host.mac});
  while (!f.dynamic_arp.empty() &&
         f.settings.static_arp.size() + f.dynamic_arp.size() > records::kMaxArpEntries) {
    f.dynamic_arp.erase(f.dynamic_arp.begin());
  }
}

bool NetworkState::IsOwnAddress(const NetworkFunction& f, const NetAddress& address) const {
  if (!address.ipv6) return !IsZero(Address(f)) && FromIpv4(Address(f)) == address;
  if (FromIpv6(LinkLocal(f)) == address) return true;
  for (const IpAddress& own : RoutableAddresses(f)) {
    if (FromIpv6(own) == address) return true;
  }
  return false;
}

Reach NetworkState::Contact(NetworkFunction& f, const NetAddress& destination) {
  const Reach unreachable{kNetFailed, kNetUnreachable};
  (void)Renew(f);  // a DHCP server may have come back since the last command
  if (destination.ipv6 && !f.ipv6_stack) return unreachable;
  if (!LinkUp(f)) return {kNetFailed, kNetLinkDown};
  if (!destination.ipv6 && IsZero(Address(f))) return {kNetNoAddress, 0};
  if (!VlanMatches(f)) return unreachable;
  if (IsOwnAddress(f, destination)) return {};
  if (OnLink(f, destination)) {
    const NetworkHost* host = HostAt(f, destination);
    if (host == nullptr) return unreachable;
    Learn(f, *host);
    return {0, 0, host};
  }
  // Beyond a router: the most specific manual route, else the gateway.
  NetAddress next_hop;
  if (!destination.ipv6) {
    const records::Route* best = nullptr;
    for (const records::Route& route : f.settings.routes) {
      if (!SameSubnet(route.destination, Ipv4Of(destination), route.mask)) continue;
      if (best == nullptr || Word(route.mask) > Word(best->mask)) best = &route;
    }
    const Ipv4 gateway = best != nullptr ? best->gateway : Gateway(f);
    if (IsZero(gateway)) return unreachable;
    next_hop = FromIpv4(gateway);
  } else {
    if (RoutableAddresses(f).empty() || IsZero(Ipv6Gateway(f))) return unreachable;
    next_hop = FromIpv6(Ipv6Gateway(f));
  }
  const NetworkHost* router = OnLink(f, next_hop) ? HostAt(f, next_hop) : nullptr;
  const NetworkHost* host = HostAt(f, destination);
  if (router == nullptr || host == nullptr) return unreachable;
  Learn(f, *router);
  return {0, 0, host};
}

std::vector<records::ArpEntry> NetworkState::ArpTable(const NetworkFunction& f) const {
  std::vector<records::ArpEntry> table = f.settings.static_arp;
  for (const records::ArpEntry& entry : f.dynamic_arp) {
    if (table.size() >= records::kMaxArpEntries) break;
    table.push_back(entry);
  }
  return table;
}

bool NetworkState::Renew(NetworkFunction& f) {
  if (!f.settings.dhcp || f.lease) return true;
  const std::optional<DhcpServer>& server = f.network.dhcp;
  if (!server || !server->on || !LinkUp(f) || !VlanMatches(f)) return false;
  const uint32_t first = Word(Ipv4Of(server->first));
  const uint32_t last = std::max(first, Word(Ipv4Of(server->last)));
  NetworkFunction::Lease lease;
  lease.address = FromWord(first + static_cast<uint32_t>(f.instance) % (last - first + 1));
  lease.mask = MaskOf(server->prefix);
  lease.router = Ipv4Of(server->router);
  f.lease = lease;
  return true;
}

bool NetworkState::SetLink(int instance, bool up) {
  bool found = false;
  for (NetworkFunction& f : functions_) {
    if (instance >= 0 && f.instance != instance) continue;
    found = true;
    for (NetworkFunction& other : functions_) {
      if (other.controller == f.controller && other.port == f.port) other.network.link_up = up;
    }
  }
  return found;
}

bool NetworkState::SetHostPresent(int instance, const NetAddress& address, bool present) {
  bool found = false;
  for (NetworkFunction& f : functions_) {
    if (instance >= 0 && f.instance != instance) continue;
    for (NetworkHost& host : f.network.hosts) {
      if (host.address != address) continue;
      host.present = present;
      found = true;
    }
    if (!present) {
      std::erase_if(f.dynamic_arp,
                    [&](const records::ArpEntry& e) { return FromIpv4(e.address) == address; });
    }
  }
  return found;
}

bool NetworkState::SetDhcpServer(int instance, bool on) {
  bool found = false;
  for (NetworkFunction& f : functions_) {
    if ((instance >= 0 && f.instance != instance) || !f.network.dhcp) continue;
    f.network.dhcp->on = on;
    found = true;
  }
  return found;
}

void NetworkState::KeepConditions(std::vector<PortNetwork>* networks) const {
  networks->clear();
  for (const NetworkFunction& f : functions_) networks->push_back(f.network);
}

}  // namespace oxim::emulator
