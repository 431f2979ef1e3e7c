// The records with which an iSCSI function's IP stack is configured: its
// interface list and interface information, the 40-byte address entry, the
// change of one address record, DHCP start and release, the VLAN tag and the
// default gateway. Shared by the library and the emulated adapter.
// Little-endian; addresses in network order (IPv4 in the first 4 bytes of a
// 16-byte field).
//
// IP types (the byte every address record carries):
//   1 IPv4 static, 5 IPv4 DHCP, 16 IPv6 gateway, 0x30 IPv6 routable,
//   0x50 IPv6 link-local, 0x90 IPv6 auto-assignment
//
// Interface list (ioctl_get_all_if_id, 132 bytes):
//   0   4   number of interfaces
//   4   4   interface identifier k at 4 + 4k (at most 32)
//
// Address entry (40 bytes):
//   0   2   size: 40
//   2   1   IP type
//   3   1   reserved
//   4   16  address
//   20  16  subnet mask
//
// Interface information (ioctl_get_if_info_params, 1296 bytes):
//   0   4   request: interface identifier
//   4   4   request: IP type asked for (1 IPv4, 0x50 IPv6); answer: VLAN tag,
//           65535 when no VLAN is set (bits 0-11 identifier, 13-15 priority)
//   8   4   answer: number of address entries
//   12  4   answer: DHCP enabled when non-zero
//   16  40  answer: address entry k at 16 + 40k (at most 32)
//
// IP record change (ioctl_modify_ip_entry, 56 bytes, exchanged):
//   0   4   number of records: 1
//   4   4   action: 1 add, 2 delete
//   8   4   interface identifier
//   12  40  the address entry
//   52  4   answer: state of the address (47: a duplicate in the subnet)
//
// DHCP start (ioctl_config_dhcp, 16 bytes): interface identifier, IP type
// (5 or 0x90), 1, 1. DHCP release (ioctl_release_dhcp, 8 bytes): interface
// identifier, IP type.
// VLAN (ioctl_set_vlan_params, 8 bytes): interface identifier, VLAN tag.
//
// Default gateway query (ioctl_get_default_gateway, 24 bytes):
//   0   4   IP type asked for (1 IPv4, 16 IPv6)
//   4   16  answer: the gateway
//
// Default gateway change (ioctl_set_default_gateway, 28 bytes):
//   0   4   action: 1 add, 2 delete
//   4   2   size: 24 when adding, 0 when deleting
//   6   1   0
//   7   1   IP type (1 IPv4, 16 IPv6)
//   8   16  gateway
//   24  4   0
//
//   InterfaceInfo info;
//   info.vlan_tag = VlanTag(100, 3);
//   info.entries.push_back({kIpTypeIpv4, Ipv4Address({192, 0, 2, 50}),
//                           Ipv4Address({255, 255, 255, 0})});
//   std::array<uint8_t, kInterfaceInfoSize> answer{};
//   EncodeInterfaceInfo(answer, info);
#ifndef OXIM_RECORDS_IP_INTERFACE_H_
#define OXIM_RECORDS_IP_INTERFACE_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "records/coding.h"

namespace oxim::records {

// IP types.
inline constexpr uint8_t kIpTypeIpv4 = 1;
inline constexpr uint8_t kIpTypeDhcp = 5;
inline constexpr uint8_t kIpTypeIpv6Gateway = 16;
inline constexpr uint8_t kIpTypeIpv6Routable = 0x30;
inline constexpr uint8_t kIpTypeIpv6LinkLocal = 0x50;
inline constexpr uint8_t kIpTypeIpv6AutoAssign = 0x90;
// The address family that gateway and ping requests name.
inline constexpr uint8_t kFamilyIpv4 = 1;
inline constexpr uint8_t kFamilyIpv6 = 16;

using IpAddress = std::array<uint8_t, 16>;
// A 16-byte address field holding an IPv4 address in its first 4 bytes.
IpAddress Ipv4Address(const std::array<uint8_t, 4>& octets);

// Interface list.
inline constexpr size_t kInterfaceListSize = 132;
inline constexpr size_t kInterfaceCountOffset = 0;
inline constexpr size_t kInterfaceIdsOffset = 4;
inline constexpr size_t kMaxInterfaces = 32;
static_assert(FieldFits(kInterfaceIdsOffset, 4 * kMaxInterfaces, kInterfaceListSize));

// The identifiers of a list (count clamped to 32); nullopt when shorter than
// 132 bytes.
std::optional<std::vector<uint32_t>> DecodeInterfaceList(std::span<const uint8_t> list);
// false when out is shorter than 132 bytes or there are more than 32 ids.
bool EncodeInterfaceList(std::span<uint8_t> out, const std::vector<uint32_t>& ids);

// Address entry.
inline constexpr size_t kAddressEntrySize = 40;
inline constexpr size_t kEntrySizeOffset = 0;
inline constexpr size_t kEntryTypeOffset = 2;
inline constexpr size_t kEntryAddressOffset = 4;
inline constexpr size_t kEntryMaskOffset = 20;
static_assert(FieldFits(kEntryAddressOffset, 16, kEntryMaskOffset));
static_assert(FieldFits(kEntryMaskOffset, 16, kAddressEntrySize));

struct AddressEntry {
  uint8_t type = 0;
  IpAddress address{};
  IpAddress mask{};
  friend bool operator==(const AddressEntry&, const AddressEntry&) = default;
};

// Writes the 40 bytes, size word 40 (reserved byte zeroed). REQUIRES: out
// holds 40 bytes.
void EncodeAddressEntry(std::span<uint8_t> out, const AddressEntry& entry);
// REQUIRES: in holds 40 bytes.
AddressEntry DecodeAddressEntry(std::span<const uint8_t> in);

// Interface information.
inline constexpr size_t kInterfaceInfoSize = 1296;
inline constexpr size_t kInfoInterfaceOffset = 0;
inline constexpr size_t kInfoTypeOffset = 4;  // the request's IP type, the answer's VLAN tag
inline constexpr size_t kInfoVlanOffset = 4;
inline constexpr size_t kInfoCountOffset = 8;
inline constexpr size_t kInfoDhcpOffset = 12;
inline constexpr size_t kInfoEntriesOffset = 16;
inline constexpr size_t kMaxAddressEntries = 32;
static_assert(FieldFits(kInfoEntriesOffset, kAddressEntrySize* kMaxAddressEntries,
                        kInterfaceInfoSize));

inline constexpr uint32_t kVlanOff = 65535;
// The tag of a VLAN: (priority << 13) | identifier, cut to 16 bits.
constexpr uint32_t VlanTag(uint32_t id, uint32_t priority) {
  return ((priority << 13) | id) & 0xFFFF;
}
constexpr uint32_t VlanId(uint32_t tag) { return tag & 0x0FFF; }
constexpr uint32_t VlanPriority(uint32_t tag) { return (tag >> 13) & 0x7; }

struct InterfaceInfoRequest {
  uint32_t interface_id = 0;
  uint32_t ip_type = kIpTypeIpv4;
};

struct InterfaceInfo {
  uint32_t vlan_tag = kVlanOff;
  bool dhcp = false;
  std::vector<AddressEntry> entries;  // at most 32
};

// false when out is shorter than 1296 bytes.
bool EncodeInterfaceInfoRequest(std::span<uint8_t> out, const InterfaceInfoRequest& request);
std::optional<InterfaceInfoRequest> DecodeInterfaceInfoRequest(std::span<const uint8_t> in);
// Writes the answer over a request (the identifier stays): false when out is
// shorter than 1296 bytes or holds more than 32 entries.
bool EncodeInterfaceInfo(std::span<uint8_t> out, const InterfaceInfo& info);
// The answer; the entry count is clamped to 32 (the record holds no more).
// nullopt when in is shorter than 1296 bytes.
std::optional<InterfaceInfo> DecodeInterfaceInfo(std::span<const uint8_t> in);

// IP record change.
inline constexpr size_t kIpRecordChangeSize = 56;
inline constexpr size_t kChangeCountOffset = 0;
inline constexpr size_t kChangeActionOffset = 4;
inline constexpr size_t kChangeInterfaceOffset = 8;
inline constexpr size_t kChangeEntryOffset = 12;
inline constexpr size_t kChangeStateOffset = 52;
static_assert(FieldFits(kChangeEntryOffset, kAddressEntrySize, kChangeStateOffset));
static_assert(FieldFits(kChangeStateOffset, 4, kIpRecordChangeSize));

inline constexpr uint32_t kActionAdd = 1;
inline constexpr uint32_t kActionDelete = 2;
// Address state of a change's answer: the address is a duplicate in its
// subnet.
inline constexpr uint32_t kAddressStateDuplicate = 47;

struct IpRecordChange {
  uint32_t action = kActionAdd;
  uint32_t interface_id = 0;
  AddressEntry entry;
  uint32_t state = 0;  // the answer's
};

// false when out is shorter than 56 bytes.
bool EncodeIpRecordChange(std::span<uint8_t> out, const IpRecordChange& change);
std::optional<IpRecordChange> DecodeIpRecordChange(std::span<const uint8_t> in);
// Writes the answer's state into a change record. REQUIRES: 56 bytes.
void EncodeIpRecordState(std::span<uint8_t> out, uint32_t state);

// DHCP start and release, VLAN.
inline constexpr size_t kDhcpStartSize = 16;
inline constexpr size_t kDhcpReleaseSize = 8;
inline constexpr size_t kVlanSettingSize = 8;

struct InterfaceSetting {
  uint32_t interface_id = 0;
  uint32_t value = 0;  // the IP type (DHCP) or the VLAN tag
};

// DHCP start: identifier, type, 1, 1. false when out is short.
bool EncodeDhcpStart(std::span<uint8_t> out, const InterfaceSetting& start);
// DHCP release and VLAN: identifier and value. false when out is short.
bool EncodeInterfaceSetting(std::span<uint8_t> out, const InterfaceSetting& setting);
// The first two words of a DHCP start, a DHCP release or a VLAN setting.
std::optional<InterfaceSetting> DecodeInterfaceSetting(std::span<const uint8_t> in);

// Default gateway.
inline constexpr size_t kGatewayQuerySize = 24;
inline constexpr size_t kGatewayQueryTypeOffset = 0;
inline constexpr size_t kGatewayQueryAddressOffset = 4;
static_assert(FieldFits(kGatewayQueryAddressOffset, 16, kGatewayQuerySize));

inline constexpr size_t kGatewayChangeSize = 28;
inline constexpr size_t kGatewayActionOffset = 0;
inline constexpr size_t kGatewaySizeOffset = 4;
inline constexpr size_t kGatewayTypeOffset = 7;
inline constexpr size_t kGatewayAddressOffset = 8;
static_assert(FieldFits(kGatewayAddressOffset, 16, 24));
inline constexpr uint16_t kGatewayEntrySize = 24;

struct GatewayChange {
  uint32_t action = kActionAdd;
  uint8_t type = kFamilyIpv4;
  IpAddress address{};
};

// The query: word 0 the type. false when out is short.
bool EncodeGatewayQuery(std::span<uint8_t> out, uint8_t type);
std::optional<uint8_t> DecodeGatewayQueryType(std::span<const uint8_t> in);
// The answer's gateway over a query. false when out is short.
bool EncodeGatewayAnswer(std::span<uint8_t> out, const IpAddress& gateway);
std::optional<IpAddress> DecodeGatewayAnswer(std::span<const uint8_t> in);
// The size word is 24 for an addition and 0 for a deletion. false when out is
// short.
bool EncodeGatewayChange(std::span<uint8_t> out, const GatewayChange& change);
std::optional<GatewayChange> DecodeGatewayChange(std::span<const uint8_t> in);

}  // namespace oxim::records

#endif  // OXIM_RECORDS_IP_INTERFACE_H_
