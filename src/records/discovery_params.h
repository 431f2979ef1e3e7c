// The firmware's 888-byte discovery parameters record, read with
// ioctl_get_discoveryparams and written with ioctl_set_discoveryparams: the
// iSNS discovery switches, the initiator's name as iSNS entity and the one
// iSNS server the firmware keeps. Shared by the library and the emulated
// adapter. Little-endian. Only these fields are the library's; the others
// are the firmware's, and a record written back after a read keeps them.
//
//   offset size field
//   544    4    flags: bit 0 iSNS discovery enabled, bit 4 use the
//               configured iSNS server, bit 6 find the iSNS server
//               through DHCP
//   548    224  initiator iSCSI name (the iSNS entity name)
//   772    4    number of configured iSNS servers (0 or 1)
//   776    28   iSNS server:
//   779    1      address type (1 IPv4, 16 IPv6; iscsi_portal.h)
//   780    16     address
//   800    2      TCP port
//
//   DiscoveryParams params;
//   params.flags = kDiscoveryIsnsEnabled;
//   params.initiator_name = "iqn.1998-01.com.example:host7";
//   std::array<uint8_t, kDiscoveryParamsSize> record{};  // a fresh record
//   EncodeDiscoveryParams(record, params);
#ifndef OXIM_RECORDS_DISCOVERY_PARAMS_H_
#define OXIM_RECORDS_DISCOVERY_PARAMS_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "records/coding.h"
#include "records/iscsi_portal.h"

namespace oxim::records {

inline constexpr size_t kDiscoveryParamsSize = 888;
inline constexpr size_t kDiscoveryFlagsOffset = 544;
inline constexpr size_t kDiscoveryInitiatorNameOffset = 548;
inline constexpr size_t kDiscoveryServerCountOffset = 772;
inline constexpr size_t kDiscoveryServerOffset = 776;
inline constexpr size_t kIsnsServerSize = 28;
// From the server entry's start.
inline constexpr size_t kIsnsServerTypeOffset = 3;
inline constexpr size_t kIsnsServerAddressOffset = 4;
inline constexpr size_t kIsnsServerPortOffset = 24;
static_assert(FieldFits(kDiscoveryFlagsOffset, 4, kDiscoveryInitiatorNameOffset));
static_assert(FieldFits(kDiscoveryInitiatorNameOffset, kIscsiNameSize,
                        kDiscoveryServerCountOffset));
static_assert(FieldFits(kDiscoveryServerCountOffset, 4, kDiscoveryServerOffset));
static_assert(FieldFits(kDiscoveryServerOffset, kIsnsServerSize, kDiscoveryParamsSize));
static_assert(FieldFits(kIsnsServerAddressOffset, kAddressSize, kIsnsServerPortOffset));
static_assert(FieldFits(kIsnsServerPortOffset, 2, kIsnsServerSize));

// Flag bits.
inline constexpr uint32_t kDiscoveryIsnsEnabled = 1u << 0;
inline constexpr uint32_t kDiscoveryUseConfiguredServer = 1u << 4;
inline constexpr uint32_t kDiscoveryServerThroughDhcp = 1u << 6;
struct IsnsServer {
  uint8_t address_type = kAddressNone;
  std::array<uint8_t, kAddressSize> address{};
  uint16_t port = 0;
};

struct DiscoveryParams {
  uint32_t flags = 0;
  std::string initiator_name;  // cut to 223 characters
  uint32_t server_count = 0;   // 0 or 1
  IsnsServer server;           // meaningful when server_count is 1
};

// Writes the fields above into a record: the server entry whole (its other
// bytes zeroed), every other byte as it was, so that a record read and
// written back keeps the firmware's fields. Start from zeros for a fresh
// record. False when the record is shorter than 888 bytes.
bool EncodeDiscoveryParams(std::span<uint8_t> record, const DiscoveryParams& params);
// nullopt when the record is shorter than 888 bytes. The count is given as
// read: the record holds one server entry whatever it says.
std::optional<DiscoveryParams> DecodeDiscoveryParams(std::span<const uint8_t> record);

}  // namespace oxim::records

#endif  // OXIM_RECORDS_DISCOVERY_PARAMS_H_
