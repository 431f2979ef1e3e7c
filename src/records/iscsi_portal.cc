// Address texts and the portal entry; see iscsi_portal.h.
#include "records/iscsi_portal.h"

#include <algorithm>
#include <cstdio>

#include "core/address.h"

namespace oxim::records {
namespace {

// The dotted IPv4 text as four bytes; zeros when it is not one.
std::array<uint8_t, 4> Ipv4Bytes(std::string_view text) {
  std::array<uint8_t, 4> bytes{};
  std::string copy(text);
  uint8_t octets[4] = {};
  constexpr int kFormOnly = -1;  // no host or netmask rule, only the dotted form
  if (validateIPAddress(copy.c_str(), octets, kFormOnly) == 1) {
    std::copy(std::begin(octets), std::end(octets), bytes.begin());
  }
  return bytes;
}

}  // namespace

std::string FormatAddress(uint8_t type, std::span<const uint8_t, kAddressSize> bytes) {
  if (type == kAddressIpv6) {
    char text[kIpv6StrSize];
    U8IPv6ToStr(bytes.data(), text);
    return text;
  }
  if ((type & 0x07) == 0) return "0.0.0.0";
  char text[16];
  std::snprintf(text, sizeof text, "%d.%d.%d.%d", bytes[0], bytes[1], bytes[2], bytes[3]);
  return text;
}

PortalEntry PortalFromText(std::string_view address, uint16_t port) {
  PortalEntry portal;
  portal.port = port;
  const bool ipv6 = address.find(':') != std::string_view::npos;
  portal.address_type = ipv6 ? kAddressIpv6 : kAddressIpv4;
  if (std::optional<IpAddress> parsed = ParseIpAddress(address); parsed && parsed->ipv6 == ipv6) {
    portal.address = parsed->bytes;
  } else if (!ipv6) {
    std::array<uint8_t, 4> octets = Ipv4Bytes(address);
    std::copy(octets.begin(), octets.end(), portal.address.begin());
  }
  return portal;
}

std::string PortalAddressText(const PortalEntry& portal) {
  return FormatAddress(portal.address_type, portal.address);
}

bool EncodePortalEntry(std::span<uint8_t> out, const PortalEntry& portal) {
  if (out.size() < kPortalEntrySize) return false;
  uint8_t* p = out.data();
  std::fill_n(p, kPortalEntrySize, uint8_t{0});
  EncodeFixed16(p + kPortalMarkerOffset, portal.marker);
  p[kPortalTypeOffset] = portal.address_type;
  std::copy(portal.address.begin(), portal.address.end(), p + kPortalAddressOffset);
  EncodeFixed16(p + kPortalPortOffset, portal.port);
  EncodeFixed32(p + kPortalTagOffset, portal.tag);
  return true;
}

std::optional<PortalEntry> DecodePortalEntry(std::span<const uint8_t> in) {
  if (in.size() < kPortalEntrySize) return std::nullopt;
  const uint8_t* p = in.data();
  PortalEntry portal;
  portal.marker = DecodeFixed16(p + kPortalMarkerOffset);
  portal.address_type = p[kPortalTypeOffset];
  std::copy_n(p + kPortalAddressOffset, kAddressSize, portal.address.begin());
  portal.port = DecodeFixed16(p + kPortalPortOffset);
  portal.tag = DecodeFixed32(p + kPortalTagOffset);
  return portal;
}

}  // namespace oxim::records
