// Route table, ARP table and ping records; see ip_tables.h.
#include "records/ip_tables.h"

#include <algorithm>

namespace oxim::records {
namespace {

void PutIpv4(uint8_t* p, const Ipv4& address) { std::copy(address.begin(), address.end(), p); }

Ipv4 GetIpv4(const uint8_t* p) {
  Ipv4 address;
  std::copy_n(p, address.size(), address.begin());
  return address;
}

// Writes a route's three addresses into a record or change (the IPv4 bytes
// of each 16-byte field; the rest stays zero).
void PutRoute(uint8_t* p, const Route& route) {
  PutIpv4(p + kRouteDestinationOffset, route.destination);
  PutIpv4(p + kRouteMaskOffset, route.mask);
  PutIpv4(p + kRouteGatewayOffset, route.gateway);
}

Route GetRoute(const uint8_t* p) {
  return {GetIpv4(p + kRouteDestinationOffset), GetIpv4(p + kRouteMaskOffset),
          GetIpv4(p + kRouteGatewayOffset)};
}

}  // namespace

bool EncodeRouteTable(std::span<uint8_t> out, const std::vector<Route>& routes) {
  if (routes.size() > kMaxRoutes || out.size() < 4 ||
      out.size() < kRouteRecordSize * routes.size()) {
    return false;
  }
  std::fill(out.begin(), out.end(), uint8_t{0});
  for (size_t k = 0; k < routes.size(); ++k) PutRoute(out.data() + kRouteRecordSize * k, routes[k]);
  // Last: the count shares route 0's first bytes.
  EncodeFixed32(out.data() + kRouteCountOffset, static_cast<uint32_t>(routes.size()));
  return true;
}

std::optional<std::vector<Route>> DecodeRouteTable(std::span<const uint8_t> in) {
  if (in.size() < 4) return std::nullopt;
  // The firmware's count is not trusted past the records the answer holds.
  const size_t count = std::min<size_t>(
      {DecodeFixed32(in.data() + kRouteCountOffset), in.size() / kRouteRecordSize, kMaxRoutes});
  std::vector<Route> routes;
  routes.reserve(count);
  for (size_t k = 0; k < count; ++k) routes.push_back(GetRoute(in.data() + kRouteRecordSize * k));
  return routes;
}

bool EncodeRouteChange(std::span<uint8_t> out, const RouteChange& change) {
  if (out.size() < kRouteChangeSize) return false;
  std::fill_n(out.begin(), kRouteChangeSize, uint8_t{0});
  out[kRouteActionOffset] = change.action;
  PutRoute(out.data(), change.route);
  return true;
}

std::optional<RouteChange> DecodeRouteChange(std::span<const uint8_t> in) {
  if (in.size() < kRouteChangeSize) return std::nullopt;
  return RouteChange{in[kRouteActionOffset], GetRoute(in.data())};
}

bool EncodeArpTable(std::span<uint8_t> out, const std::vector<ArpEntry>& entries) {
  if (out.size() < kArpTableSize || entries.size() > kMaxArpEntries) return false;
  std::fill_n(out.begin(), kArpTableSize, uint8_t{0});
  for (size_t k = 0; k < entries.size(); ++k) {
    uint8_t* p = out.data() + kArpRecordSize * k;
    PutIpv4(p + kArpAddressOffset, entries[k].address);
    std::copy(entries[k].mac.begin(), entries[k].mac.end(), p + kArpMacOffset);
  }
  EncodeArpCount(out, static_cast<uint32_t>(entries.size()));
  return true;
}

void EncodeArpCount(std::span<uint8_t> out, uint32_t count) {
  EncodeFixed32(out.data() + kArpCountOffset, count);
}

std::optional<std::vector<ArpEntry>> DecodeArpTable(std::span<const uint8_t> in) {
  if (in.size() < kArpTableSize) return std::nullopt;
  const uint32_t count = DecodeFixed32(in.data() + kArpCountOffset);
  if (count > kMaxArpEntries) return std::nullopt;
  std::vector<ArpEntry> entries;
  for (uint32_t k = 0; k < count; ++k) {
    const uint8_t* p = in.data() + kArpRecordSize * k;
    ArpEntry entry;
    entry.address = GetIpv4(p + kArpAddressOffset);
    std::copy_n(p + kArpMacOffset, entry.mac.size(), entry.mac.begin());
    entries.push_back(entry);
  }
  return entries;
}

bool EncodeArpChange(std::span<uint8_t> out, const ArpChange& change) {
  if (out.size() < kArpChangeSize) return false;
  std::fill_n(out.begin(), kArpChangeSize, uint8_t{0});
  EncodeFixed32(out.data() + kArpActionOffset, change.action);
  PutIpv4(out.data() + kArpAddressOffset, change.entry.address);
  std::copy(change.entry.mac.begin(), change.entry.mac.end(), out.data() + kArpMacOffset);
  return true;
}

std::optional<ArpChange> DecodeArpChange(std::span<const uint8_t> in) {
  if (in.size() < kArpChangeSize) return std::nullopt;
  ArpChange change;
  change.action = DecodeFixed32(in.data() + kArpActionOffset);
  change.entry.address = GetIpv4(in.data() + kArpAddressOffset);
  std::copy_n(in.data() + kArpMacOffset, change.entry.mac.size(), change.entry.mac.begin());
  return change;
}

bool EncodePingRequest(std::span<uint8_t> out, const PingRequest& ping) {
  if (out.size() < kPingRequestSize) return false;
  std::fill_n(out.begin(), kPingRequestSize, uint8_t{0});
  out[kPingTypeOffset] = ping.type;
  std::copy(ping.address.begin(), ping.address.end(), out.data() + kPingAddressOffset);
  return true;
}

std::optional<PingRequest> DecodePingRequest(std::span<const uint8_t> in) {
  if (in.size() < kPingRequestSize) return std::nullopt;
  PingRequest ping;
  ping.type = in[kPingTypeOffset];
  std::copy_n(in.data() + kPingAddressOffset, ping.address.size(), ping.address.begin());
  return ping;
}

}  // namespace oxim::records
