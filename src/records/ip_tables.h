// The route table and ARP table of an iSCSI function's IP stack, the changes
// of one of their entries, and the ping request. Shared by the library and
// the emulated adapter. Little-endian; IPv4 addresses in network order in
// the first 4 bytes of their 16-byte fields.
//
// Route table (ioctl_Fetch_Route_Table, 64000 bytes): word 0 the number of
// routes; route k is a 64-byte record at 64k (so word 0 lies in route 0's
// own first bytes, which carry nothing of the route):
//   12  4   destination
//   28  4   subnet mask
//   52  4   gateway
// At most 1000 routes fit.
//
// Route change (ioctl_Save_Route_Table, 72 bytes):
//   0   1   action: 1 add, 2 delete (the rest of word 0 zero)
//   12  16  destination
//   28  16  subnet mask
//   52  16  gateway
//
// ARP table (ioctl_Fetch_ARP_Table, 2568 bytes): word 0 the number of
// entries, at most 64; entry k is a 40-byte record at 40k (word 0 again in
// entry 0's first bytes):
//   12  4   IPv4 address
//   34  6   MAC address
//
// ARP change (ioctl_Save_Arp_Table, 48 bytes):
//   0   4   action: 1 add, 2 delete
//   12  16  IPv4 address
//   34  6   MAC address
//
// Ping (ioctl_ping, 24 bytes):
//   3   1   IP type: 1 IPv4, 16 IPv6
//   4   16  address
//
//   std::vector<uint8_t> table(kRouteTableSize, 0);
//   EncodeRouteTable(table, {{{198, 51, 100, 0}, {255, 255, 255, 0}, {192, 0, 2, 1}}});
#ifndef OXIM_RECORDS_IP_TABLES_H_
#define OXIM_RECORDS_IP_TABLES_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "records/coding.h"
#include "records/ip_interface.h"

namespace oxim::records {

using Ipv4 = std::array<uint8_t, 4>;
using Mac = std::array<uint8_t, 6>;

// Route table.
inline constexpr size_t kRouteTableSize = 64000;
inline constexpr size_t kRouteRecordSize = 64;
inline constexpr size_t kRouteCountOffset = 0;
inline constexpr size_t kRouteDestinationOffset = 12;
inline constexpr size_t kRouteMaskOffset = 28;
inline constexpr size_t kRouteGatewayOffset = 52;
inline constexpr size_t kMaxRoutes = kRouteTableSize / kRouteRecordSize;  // 1000
static_assert(FieldFits(kRouteDestinationOffset, 16, kRouteMaskOffset));
static_assert(FieldFits(kRouteMaskOffset, 16, kRouteGatewayOffset));
static_assert(FieldFits(kRouteGatewayOffset, 4, kRouteRecordSize));

struct Route {
  Ipv4 destination{};
  Ipv4 mask{};
  Ipv4 gateway{};
  friend bool operator==(const Route&, const Route&) = default;
};

// Zeroes out and writes the routes. false when out is shorter than
// 64 bytes per route, or there are more than 1000.
bool EncodeRouteTable(std::span<uint8_t> out, const std::vector<Route>& routes);
// The routes of a table; the count is clamped to the records the answer
// holds and to 1000. nullopt when in is shorter than 4 bytes.
std::optional<std::vector<Route>> DecodeRouteTable(std::span<const uint8_t> in);

// Route change.
inline constexpr size_t kRouteChangeSize = 72;
inline constexpr size_t kRouteActionOffset = 0;
static_assert(FieldFits(kRouteGatewayOffset, 16, kRouteChangeSize));

struct RouteChange {
  uint8_t action = kActionAdd;
  Route route;
};

bool EncodeRouteChange(std::span<uint8_t> out, const RouteChange& change);
std::optional<RouteChange> DecodeRouteChange(std::span<const uint8_t> in);

// ARP table.
inline constexpr size_t kArpTableSize = 2568;
inline constexpr size_t kArpRecordSize = 40;
inline constexpr size_t kArpCountOffset = 0;
inline constexpr size_t kArpAddressOffset = 12;
inline constexpr size_t kArpMacOffset = 34;
inline constexpr size_t kMaxArpEntries = 64;
static_assert(FieldFits(kArpMacOffset, 6, kArpRecordSize));
static_assert(FieldFits(kArpRecordSize * (kMaxArpEntries - 1), kArpRecordSize, kArpTableSize));

struct ArpEntry {
  Ipv4 address{};
  Mac mac{};
  friend bool operator==(const ArpEntry&, const ArpEntry&) = default;
};

// false when out is shorter than 2568 bytes or there are more than 64
// entries.
bool EncodeArpTable(std::span<uint8_t> out, const std::vector<ArpEntry>& entries);
// Writes only the count word (a firmware that claims more than it sent).
// REQUIRES: out holds 4 bytes.
void EncodeArpCount(std::span<uint8_t> out, uint32_t count);
// nullopt when in is shorter than 2568 bytes or claims more than 64 entries.
std::optional<std::vector<ArpEntry>> DecodeArpTable(std::span<const uint8_t> in);

// ARP change.
inline constexpr size_t kArpChangeSize = 48;
inline constexpr size_t kArpActionOffset = 0;
static_assert(FieldFits(kArpAddressOffset, 16, kArpMacOffset));
static_assert(FieldFits(kArpMacOffset, 6, kArpChangeSize));

struct ArpChange {
  uint32_t action = kActionAdd;
  ArpEntry entry;
};

bool EncodeArpChange(std::span<uint8_t> out, const ArpChange& change);
std::optional<ArpChange> DecodeArpChange(std::span<const uint8_t> in);

// Ping.
inline constexpr size_t kPingRequestSize = 24;
inline constexpr size_t kPingTypeOffset = 3;
inline constexpr size_t kPingAddressOffset = 4;
static_assert(FieldFits(kPingAddressOffset, 16, kPingRequestSize));

struct PingRequest {
  uint8_t type = kFamilyIpv4;  // or kFamilyIpv6
  IpAddress address{};
};

bool EncodePingRequest(std::span<uint8_t> out, const PingRequest& ping);
std::optional<PingRequest> DecodePingRequest(std::span<const uint8_t> in);

}  // namespace oxim::records

#endif  // OXIM_RECORDS_IP_TABLES_H_
