// Interface addressing records; see ip_interface.h.
#include "records/ip_interface.h"

#include <algorithm>

namespace oxim::records {
namespace {

void PutAddress(uint8_t* p, const IpAddress& address) {
  std::copy(address.begin(), address.end(), p);
}

IpAddress GetAddress(const uint8_t* p) {
  IpAddress address;
  std::copy_n(p, address.size(), address.begin());
  return address;
}

}  // namespace

IpAddress Ipv4Address(const std::array<uint8_t, 4>& octets) {
  IpAddress address{};
  std::copy(octets.begin(), octets.end(), address.begin());
  return address;
}

std::optional<std::vector<uint32_t>> DecodeInterfaceList(std::span<const uint8_t> list) {
  if (list.size() < kInterfaceListSize) return std::nullopt;
  const uint32_t count =
      std::min<uint32_t>(DecodeFixed32(list.data() + kInterfaceCountOffset), kMaxInterfaces);
  std::vector<uint32_t> ids;
  for (uint32_t k = 0; k < count; ++k) {
    ids.push_back(DecodeFixed32(list.data() + kInterfaceIdsOffset + 4 * k));
  }
  return ids;
}

bool EncodeInterfaceList(std::span<uint8_t> out, const std::vector<uint32_t>& ids) {
  if (out.size() < kInterfaceListSize || ids.size() > kMaxInterfaces) return false;
  std::fill_n(out.begin(), kInterfaceListSize, uint8_t{0});
  EncodeFixed32(out.data() + kInterfaceCountOffset, static_cast<uint32_t>(ids.size()));
  for (size_t k = 0; k < ids.size(); ++k) {
    EncodeFixed32(out.data() + kInterfaceIdsOffset + 4 * k, ids[k]);
  }
  return true;
}

void EncodeAddressEntry(std::span<uint8_t> out, const AddressEntry& entry) {
  uint8_t* p = out.data();
  std::fill_n(p, kAddressEntrySize, uint8_t{0});
  EncodeFixed16(p + kEntrySizeOffset, static_cast<uint16_t>(kAddressEntrySize));
  p[kEntryTypeOffset] = entry.type;
  PutAddress(p + kEntryAddressOffset, entry.address);
  PutAddress(p + kEntryMaskOffset, entry.mask);
}

AddressEntry DecodeAddressEntry(std::span<const uint8_t> in) {
  const uint8_t* p = in.data();
  return {p[kEntryTypeOffset], GetAddress(p + kEntryAddressOffset),
          GetAddress(p + kEntryMaskOffset)};
}

bool EncodeInterfaceInfoRequest(std::span<uint8_t> out, const InterfaceInfoRequest& request) {
  if (out.size() < kInterfaceInfoSize) return false;
  std::fill_n(out.begin(), kInterfaceInfoSize, uint8_t{0});
  EncodeFixed32(out.data() + kInfoInterfaceOffset, request.interface_id);
  EncodeFixed32(out.data() + kInfoTypeOffset, request.ip_type);
  return true;
}

std::optional<InterfaceInfoRequest> DecodeInterfaceInfoRequest(std::span<const uint8_t> in) {
  if (in.size() < kInterfaceInfoSize) return std::nullopt;
  return InterfaceInfoRequest{DecodeFixed32(in.data() + kInfoInterfaceOffset),
                              DecodeFixed32(in.data() + kInfoTypeOffset)};
}

bool EncodeInterfaceInfo(std::span<uint8_t> out, const InterfaceInfo& info) {
  if (out.size() < kInterfaceInfoSize || info.entries.size() > kMaxAddressEntries) return false;
  std::fill(out.begin() + kInfoVlanOffset, out.begin() + kInterfaceInfoSize, uint8_t{0});
  EncodeFixed32(out.data() + kInfoVlanOffset, info.vlan_tag);
  EncodeFixed32(out.data() + kInfoCountOffset, static_cast<uint32_t>(info.entries.size()));
  EncodeFixed32(out.data() + kInfoDhcpOffset, info.dhcp ? 1 : 0);
  for (size_t k = 0; k < info.entries.size(); ++k) {
    EncodeAddressEntry(out.subspan(kInfoEntriesOffset + kAddressEntrySize * k, kAddressEntrySize),
                       info.entries[k]);
  }
  return true;
}

std::optional<InterfaceInfo> DecodeInterfaceInfo(std::span<const uint8_t> in) {
  if (in.size() < kInterfaceInfoSize) return std::nullopt;
  InterfaceInfo info;
  info.vlan_tag = DecodeFixed32(in.data() + kInfoVlanOffset);
  info.dhcp = DecodeFixed32(in.data() + kInfoDhcpOffset) != 0;
  // The firmware's count is not trusted past what the record can hold.
  const uint32_t count =
      std::min<uint32_t>(DecodeFixed32(in.data() + kInfoCountOffset), kMaxAddressEntries);
  for (uint32_t k = 0; k < count; ++k) {
    info.entries.push_back(DecodeAddressEntry(
        in.subspan(kInfoEntriesOffset + kAddressEntrySize * k, kAddressEntrySize)));
  }
  return info;
}

bool EncodeIpRecordChange(std::span<uint8_t> out, const IpRecordChange& change) {
  if (out.size() < kIpRecordChangeSize) return false;
  std::fill_n(out.begin(), kIpRecordChangeSize, uint8_t{0});
  EncodeFixed32(out.data() + kChangeCountOffset, 1);
  EncodeFixed32(out.data() + kChangeActionOffset, change.action);
  EncodeFixed32(out.data() + kChangeInterfaceOffset, change.interface_id);
  EncodeAddressEntry(out.subspan(kChangeEntryOffset, kAddressEntrySize), change.entry);
  EncodeFixed32(out.data() + kChangeStateOffset, change.state);
  return true;
}

std::optional<IpRecordChange> DecodeIpRecordChange(std::span<const uint8_t> in) {
  if (in.size() < kIpRecordChangeSize) return std::nullopt;
  IpRecordChange change;
  change.action = DecodeFixed32(in.data() + kChangeActionOffset);
  change.interface_id = DecodeFixed32(in.data() + kChangeInterfaceOffset);
  change.entry = DecodeAddressEntry(in.subspan(kChangeEntryOffset, kAddressEntrySize));
  change.state = DecodeFixed32(in.data() + kChangeStateOffset);
  return change;
}

void EncodeIpRecordState(std::span<uint8_t> out, uint32_t state) {
  EncodeFixed32(out.data() + kChangeStateOffset, state);
}

bool EncodeDhcpStart(std::span<uint8_t> out, const InterfaceSetting& start) {
  if (out.size() < kDhcpStartSize) return false;
  EncodeFixed32(out.data(), start.interface_id);
  EncodeFixed32(out.data() + 4, start.value);
  EncodeFixed32(out.data() + 8, 1);
  EncodeFixed32(out.data() + 12, 1);
  return true;
}

bool EncodeInterfaceSetting(std::span<uint8_t> out, const InterfaceSetting& setting) {
  if (out.size() < kDhcpReleaseSize) return false;
  EncodeFixed32(out.data(), setting.interface_id);
  EncodeFixed32(out.data() + 4, setting.value);
  return true;
}

std::optional<InterfaceSetting> DecodeInterfaceSetting(std::span<const uint8_t> in) {
  if (in.size() < kDhcpReleaseSize) return std::nullopt;
  return InterfaceSetting{DecodeFixed32(in.data()), DecodeFixed32(in.data() + 4)};
}

bool EncodeGatewayQuery(std::span<uint8_t> out, uint8_t type) {
  if (out.size() < kGatewayQuerySize) return false;
  std::fill_n(out.begin(), kGatewayQuerySize, uint8_t{0});
  EncodeFixed32(out.data() + kGatewayQueryTypeOffset, type);
  return true;
}

std::optional<uint8_t> DecodeGatewayQueryType(std::span<const uint8_t> in) {
  if (in.size() < kGatewayQuerySize) return std::nullopt;
  return static_cast<uint8_t>(DecodeFixed32(in.data() + kGatewayQueryTypeOffset));
}

bool EncodeGatewayAnswer(std::span<uint8_t> out, const IpAddress& gateway) {
  if (out.size() < kGatewayQuerySize) return false;
  PutAddress(out.data() + kGatewayQueryAddressOffset, gateway);
  return true;
}

std::optional<IpAddress> DecodeGatewayAnswer(std::span<const uint8_t> in) {
  if (in.size() < kGatewayQuerySize) return std::nullopt;
  return GetAddress(in.data() + kGatewayQueryAddressOffset);
}

bool EncodeGatewayChange(std::span<uint8_t> out, const GatewayChange& change) {
  if (out.size() < kGatewayChangeSize) return false;
  std::fill_n(out.begin(), kGatewayChangeSize, uint8_t{0});
  EncodeFixed32(out.data() + kGatewayActionOffset, change.action);
  EncodeFixed16(out.data() + kGatewaySizeOffset,
                change.action == kActionAdd ? kGatewayEntrySize : uint16_t{0});
  out[kGatewayTypeOffset] = change.type;
  PutAddress(out.data() + kGatewayAddressOffset, change.address);
  return true;
}

std::optional<GatewayChange> DecodeGatewayChange(std::span<const uint8_t> in) {
  if (in.size() < kGatewayChangeSize) return std::nullopt;
  GatewayChange change;
  change.action = DecodeFixed32(in.data() + kGatewayActionOffset);
  change.type = in[kGatewayTypeOffset];
  change.address = GetAddress(in.data() + kGatewayAddressOffset);
  return change;
}

}  // namespace oxim::records
