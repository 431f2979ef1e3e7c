// The "network" object of an iSCSI function in the configuration; see
// config_network.h and emulator/README.md.
#include <algorithm>
#include <utility>

#include "config_network.h"

namespace oxim::emulator::config_parse {
namespace {

constexpr size_t kMaxHosts = 64;
constexpr size_t kMaxAddressText = 39;

// An address member of either family (or IPv4 only); `out` keeps its value
// when absent.
bool Address(Reader& reader, const json& object, const std::string& path, const char* key,
             bool ipv4_only, NetAddress* out, bool required = false) {
  std::string text;
  if (!reader.Text(object, path, key, 1, kMaxAddressText, &text, required)) return false;
  if (!object.contains(key)) return true;
  std::optional<NetAddress> address = ParseNetAddress(text);
  if (!address || (ipv4_only && address->ipv6)) {
    return reader.Fail(Join(path, key), ipv4_only ? "expected a dotted IPv4 address"
                                                  : "expected a dotted IPv4 or an IPv6 address");
  }
  *out = *address;
  return true;
}

// An IPv4 address member that may be null (none).
bool NullableAddress(Reader& reader, const json& object, const std::string& path, const char* key,
                     std::optional<NetAddress>* out) {
  auto it = object.find(key);
  if (it == object.end()) return true;
  if (it->is_null()) {
    out->reset();
    return true;
  }
  NetAddress address;
  if (!Address(reader, object, path, key, true, &address)) return false;
  *out = address;
  return true;
}

bool ParseHost(Reader& reader, const json& value, const std::string& path, NetworkHost* host) {
  if (!reader.Object(value, path, {"address", "mac", "ping", "present"}) ||
      !Address(reader, value, path, "address", false, &host->address, true)) {
    return false;
  }
  host->mac = HostMac(host->address);
  if (!Mac(reader, value, path, "mac", &host->mac) ||
      !reader.Bool(value, path, "present", &host->present)) {
    return false;
  }
  if (value.contains("ping")) {
    std::string ping;
    if (!reader.Text(value, path, "ping", 1, kMaxAddressText, &ping)) return false;
    std::optional<NetAddress> loopback = ParseNetAddress(ping);
    const bool is_loopback =
        loopback && (loopback->ipv6 ? ping == "::1" : loopback->bytes[0] == 127);
    if (!is_loopback) {
      return reader.Fail(Join(path, "ping"),
                         "expected a loopback address (127.0.0.1, ::1): pings go there for real");
    }
    host->ping = ping;
  }
  return true;
}

bool ParseDhcp(Reader& reader, const json& value, const std::string& path, DhcpServer* dhcp) {
  if (!reader.Object(value, path, {"pool", "prefix", "router", "isns", "on"})) return false;
  const json* pool = reader.Member(value, path, "pool", true);
  if (pool == nullptr) return false;
  const std::string pool_path = Join(path, "pool");
  const char* expected = "expected two dotted IPv4 addresses, the first and the last of the pool";
  if (!pool->is_array() || pool->size() != 2 || !(*pool)[0].is_string() ||
      !(*pool)[1].is_string()) {
    return reader.Fail(pool_path, expected);
  }
  std::optional<NetAddress> first = ParseNetAddress((*pool)[0].get<std::string>());
  std::optional<NetAddress> last = ParseNetAddress((*pool)[1].get<std::string>());
  if (!first || !last || first->ipv6 || last->ipv6 || last->bytes < first->bytes) {
    return reader.Fail(pool_path, expected);
  }
  dhcp->first = *first;
  dhcp->last = *last;
  return reader.Int(value, path, "prefix", 1, 30, &dhcp->prefix) &&
         Address(reader, value, path, "router", true, &dhcp->router) &&
         NullableAddress(reader, value, path, "isns", &dhcp->isns) &&
         reader.Bool(value, path, "on", &dhcp->on);
}

}  // namespace

bool ParsePortNetwork(Reader& reader, const json& value, const std::string& path, bool ipv6_stack,
                      PortNetwork* network) {
  if (!reader.Object(value, path,
                     {"address", "prefix", "gateway", "vlan", "link", "hosts", "dhcp",
                      "ipv6_prefix", "ipv6_router"}) ||
      !Address(reader, value, path, "address", true, &network->address) ||
      !reader.Int(value, path, "prefix", 1, 30, &network->prefix) ||
      !NullableAddress(reader, value, path, "gateway", &network->gateway)) {
    return false;
  }
  if (auto vlan = value.find("vlan"); vlan != value.end()) {
    if (vlan->is_null()) {
      network->vlan.reset();
    } else {
      uint16_t id = 0;
      if (!reader.Int(value, path, "vlan", 0, 4094, &id)) return false;
      network->vlan = id;
    }
  }
  int link = network->link_up ? 0 : 1;
  if (!Choice(reader, value, path, "link", {"up", "down"}, &link)) return false;
  network->link_up = link == 0;
  bool failed = false;
  if (const json* hosts = reader.Array(value, path, "hosts", false, &failed)) {
    const std::string hosts_path = Join(path, "hosts");
    if (hosts->size() > kMaxHosts) {
      return reader.Fail(hosts_path, "at most " + std::to_string(kMaxHosts) + " hosts");
    }
    network->hosts.clear();
    for (size_t i = 0; i < hosts->size(); ++i) {
      NetworkHost host;
      if (!ParseHost(reader, (*hosts)[i], Index(hosts_path, i), &host)) return false;
      for (size_t j = 0; j < network->hosts.size(); ++j) {
        if (network->hosts[j].address == host.address) {
          return reader.Fail(Index(hosts_path, i),
                             "duplicate host address (also " + Index(hosts_path, j) + ")");
        }
      }
      network->hosts.push_back(std::move(host));
    }
  }
  if (failed) return false;
  if (auto dhcp = value.find("dhcp"); dhcp != value.end()) {
    if (dhcp->is_null()) {
      network->dhcp.reset();
    } else {
      DhcpServer server = network->dhcp.value_or(DhcpServer{});
      if (!ParseDhcp(reader, *dhcp, Join(path, "dhcp"), &server)) return false;
      network->dhcp = server;
    }
  }
  for (const char* key : {"ipv6_prefix", "ipv6_router"}) {
    if (value.contains(key) && !ipv6_stack) {
      return reader.Fail(Join(path, key), "only Korvel and Tindra have an IPv6 stack");
    }
  }
  if (auto prefix = value.find("ipv6_prefix"); prefix != value.end() && prefix->is_null()) {
    network->ipv6_prefix.reset();
  } else if (prefix != value.end()) {
    NetAddress address;
    if (!Address(reader, value, path, "ipv6_prefix", false, &address)) return false;
    if (!address.ipv6) return reader.Fail(Join(path, "ipv6_prefix"), "expected an IPv6 prefix");
    std::fill(address.bytes.begin() + 8, address.bytes.end(), 0);  // a /64
    network->ipv6_prefix = address;
  }
  if (!Address(reader, value, path, "ipv6_router", false, &network->ipv6_router)) return false;
  if (value.contains("ipv6_router") && !network->ipv6_router.ipv6) {
    return reader.Fail(Join(path, "ipv6_router"), "expected an IPv6 address");
  }
  return true;
}

}  // namespace oxim::emulator::config_parse
