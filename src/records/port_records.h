// What a function's port reports: its MAC addresses, its network
// parameters and its link status. Shared by the library and the emulated
// adapter. Little-endian.
//
// MAC query (ioctl_get_mac_query, 72 bytes):
//   0   1   request: 1 from the NIC driver, 0 from the iSCSI driver
//   1   1   request: 1
//   2   6   answer: current MAC address
//   10  6   answer: permanent MAC address
//
// Network parameters (ioctl_get_NIC_params, 52 bytes):
//   8   4   highest port speed: 0 unknown, 1 below 1 Mb/s, 2 below 1 Gb/s,
//           3 1 Gb/s, 4 10 Gb/s, 5 20 Gb/s, 6 40 Gb/s
//   16  4   largest MTU
//
// Link status (ioctl_get_link_status_v1, 12 bytes):
//   1   1   link: 1 up
//   2   1   physical port speed code (1 10 Mb/s ... 8 100 Gb/s, other: down)
//   6   2   QoS link speed, in units of 10 Mb/s
//   8   4   logical link state: 1 up, 0 down
//
//   std::array<uint8_t, kMacQuerySize> query{};
//   EncodeMacQueryRequest(query, /*nic_driver=*/false);
#ifndef OXIM_RECORDS_PORT_RECORDS_H_
#define OXIM_RECORDS_PORT_RECORDS_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "records/coding.h"

namespace oxim::records {

// MAC query.
inline constexpr size_t kMacQuerySize = 72;
inline constexpr size_t kMacQueryDriverOffset = 0;
inline constexpr size_t kMacQueryFlagOffset = 1;
inline constexpr size_t kMacQueryCurrentOffset = 2;
inline constexpr size_t kMacQueryPermanentOffset = 10;
static_assert(FieldFits(kMacQueryCurrentOffset, 6, kMacQueryPermanentOffset));
static_assert(FieldFits(kMacQueryPermanentOffset, 6, kMacQuerySize));

struct MacAddresses {
  std::array<uint8_t, 6> current{};
  std::array<uint8_t, 6> permanent{};
};

// The request: byte 1 set, byte 0 set for the NIC driver. false when short.
bool EncodeMacQueryRequest(std::span<uint8_t> out, bool nic_driver);
// The answer over a request. false when short.
bool EncodeMacQueryAnswer(std::span<uint8_t> out, const MacAddresses& macs);
std::optional<MacAddresses> DecodeMacQueryAnswer(std::span<const uint8_t> in);

// Network parameters.
inline constexpr size_t kNicParamsSize = 52;
inline constexpr size_t kNicParamsSpeedOffset = 8;
inline constexpr size_t kNicParamsMtuOffset = 16;
static_assert(FieldFits(kNicParamsMtuOffset, 4, kNicParamsSize));

inline constexpr uint32_t kSpeedUnknown = 0;
inline constexpr uint32_t kSpeed10Gb = 4;
inline constexpr uint32_t kSpeed40Gb = 6;

struct NicParams {
  uint32_t max_speed = kSpeedUnknown;
  uint32_t max_mtu = 0;
};

bool EncodeNicParams(std::span<uint8_t> out, const NicParams& params);
std::optional<NicParams> DecodeNicParams(std::span<const uint8_t> in);

// Link status.
inline constexpr size_t kLinkStatusSize = 12;
inline constexpr size_t kLinkUpOffset = 1;
inline constexpr size_t kLinkSpeedCodeOffset = 2;
inline constexpr size_t kLinkQosSpeedOffset = 6;
inline constexpr size_t kLinkLogicalStateOffset = 8;
static_assert(FieldFits(kLinkQosSpeedOffset, 2, kLinkLogicalStateOffset));
static_assert(FieldFits(kLinkLogicalStateOffset, 4, kLinkStatusSize));

inline constexpr uint8_t kLinkSpeedCode10Gb = 4;

struct LinkStatus {
  uint8_t link = 0;
  uint8_t speed_code = 0;
  uint16_t qos_speed = 0;
  uint32_t logical_state = 0;  // 1 up, 0 down
};

bool EncodeLinkStatus(std::span<uint8_t> out, const LinkStatus& status);
std::optional<LinkStatus> DecodeLinkStatus(std::span<const uint8_t> in);

}  // namespace oxim::records

#endif  // OXIM_RECORDS_PORT_RECORDS_H_
