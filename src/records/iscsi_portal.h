// What the firmware's iSCSI records have in common: address types and their
// texts, the sizes of name and alias fields, and the 32-byte portal entry
// that names a target portal inside the target record, the login request and
// the persistent-target deletion. Shared by the library and the emulated
// adapter. Little-endian.
//
// Portal entry (32 bytes):
//   offset size field
//   0      2    marker: 24 when the library fills an entry
//   2      1    reserved
//   3      1    address type (below)
//   4      16   address (IPv4 in the first 4 bytes)
//   20     4    reserved
//   24     2    TCP port
//   26     2    reserved
//   28     4    tag: portal group tag in discovery results, ISID word in
//               persistent-target requests
//
// Address types: 0 none ("0.0.0.0"); any value with one of its three low
// bits set is IPv4; 16 is IPv6.
//
// iSCSI names fill 224-byte fields and aliases 32-byte fields; the library
// writes them with a NUL after them, and reads them up to the first NUL or
// the field's end.
//
//   PortalEntry portal = PortalFromText("192.0.2.10", 3260);
//   std::array<uint8_t, kPortalEntrySize> entry{};
//   EncodePortalEntry(entry, portal);
#ifndef OXIM_RECORDS_ISCSI_PORTAL_H_
#define OXIM_RECORDS_ISCSI_PORTAL_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "records/coding.h"

namespace oxim::records {

inline constexpr uint8_t kAddressNone = 0;
inline constexpr uint8_t kAddressIpv4 = 1;
inline constexpr uint8_t kAddressIpv6 = 16;
inline constexpr size_t kAddressSize = 16;
inline constexpr size_t kIscsiNameSize = 224;
inline constexpr size_t kAliasSize = 32;

inline constexpr size_t kPortalEntrySize = 32;
inline constexpr size_t kPortalMarkerOffset = 0;
inline constexpr size_t kPortalTypeOffset = 3;
inline constexpr size_t kPortalAddressOffset = 4;
inline constexpr size_t kPortalPortOffset = 24;
inline constexpr size_t kPortalTagOffset = 28;
inline constexpr uint16_t kPortalEntryMarker = 24;
static_assert(FieldFits(kPortalAddressOffset, kAddressSize, kPortalPortOffset));
static_assert(FieldFits(kPortalPortOffset, 2, kPortalTagOffset));
static_assert(FieldFits(kPortalTagOffset, 4, kPortalEntrySize));

// The text of an address: "0.0.0.0" for type 0 (and unknown types), dotted
// "%d.%d.%d.%d" for IPv4, the library's IPv6 text form for 16.
std::string FormatAddress(uint8_t type, std::span<const uint8_t, kAddressSize> bytes);

struct PortalEntry {
  uint16_t marker = kPortalEntryMarker;
  uint8_t address_type = kAddressNone;
  std::array<uint8_t, kAddressSize> address{};
  uint16_t port = 0;
  uint32_t tag = 0;
};

// A portal entry for an address text: type 16 for an IPv6 text (any of its
// forms: the full one the tree writes, the compressed one records print),
// else type 1 (dotted IPv4 converted byte by byte). An address that cannot
// be read gives zeros.
PortalEntry PortalFromText(std::string_view address, uint16_t port);
std::string PortalAddressText(const PortalEntry& portal);

// Writes the 32 bytes (reserved bytes zeroed); false, writing nothing, when
// out is shorter than an entry.
bool EncodePortalEntry(std::span<uint8_t> out, const PortalEntry& portal);
// nullopt when in is shorter than an entry.
std::optional<PortalEntry> DecodePortalEntry(std::span<const uint8_t> in);

}  // namespace oxim::records

#endif  // OXIM_RECORDS_ISCSI_PORTAL_H_
