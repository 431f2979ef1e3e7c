// The 12-byte link answers of opcode 5, subsystem 1: the link status
// (ioctl_get_link_status_v1 and ioctl_get_korvel_linkstatus, version 1) and
// the NIC link parameters (ioctl_get_NIC_link_params, version 0). Shared by
// the library and the emulated adapter. Little-endian.
//
// Link status (version 1):
//   offset size field
//   1      1    link: non-zero when the port has a link
//   2      1    physical port speed code (1 10Mb, 2 100Mb, 3 1Gb, 4 10Gb,
//               5 20Gb, 6 25Gb, 7 40Gb, 8 100Gb; 0 no link); non-zero is
//               also the physical state "up"
//   6      2    QoS link speed, in units of 10 Mbit/s (100 Mbit/s on Tindra);
//               0: no QoS limit
//   8      4    logical link state: 1 up, 0 down
//
// NIC link parameters (version 0):
//   0      1    active physical port: 0 or 1, 15 none
//
//   std::optional<LinkStatus> link = DecodeLinkStatus(answer);
//   bool up = link && link->logical_state == kLogicalLinkUp;
#ifndef OXIM_RECORDS_LINK_STATUS_H_
#define OXIM_RECORDS_LINK_STATUS_H_

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "records/coding.h"

namespace oxim::records {

inline constexpr size_t kLinkStatusSize = 12;
inline constexpr size_t kLinkUpOffset = 1;
inline constexpr size_t kLinkSpeedCodeOffset = 2;
inline constexpr size_t kLinkQosSpeedOffset = 6;
inline constexpr size_t kLinkLogicalStateOffset = 8;
inline constexpr size_t kLinkActivePortOffset = 0;
inline constexpr uint32_t kLogicalLinkUp = 1;
inline constexpr uint32_t kLogicalLinkDown = 0;
inline constexpr uint8_t kNoActivePort = 15;
static_assert(FieldFits(kLinkSpeedCodeOffset, 1, kLinkQosSpeedOffset));
static_assert(FieldFits(kLinkQosSpeedOffset, 2, kLinkLogicalStateOffset));
static_assert(FieldFits(kLinkLogicalStateOffset, 4, kLinkStatusSize));

// Physical port speed codes.
inline constexpr uint8_t kSpeed10Mb = 1;
inline constexpr uint8_t kSpeed100Mb = 2;
inline constexpr uint8_t kSpeed1Gb = 3;
inline constexpr uint8_t kSpeed10Gb = 4;
inline constexpr uint8_t kSpeed20Gb = 5;
inline constexpr uint8_t kSpeed25Gb = 6;
inline constexpr uint8_t kSpeed40Gb = 7;
inline constexpr uint8_t kSpeed100Gb = 8;

struct LinkStatus {
  uint8_t link = 0;
  uint8_t speed_code = 0;
  uint16_t qos_speed = 0;
  uint32_t logical_state = kLogicalLinkDown;
};

// Writes the answer (other bytes zeroed); false when it is shorter than 12
// bytes.
inline bool EncodeLinkStatus(std::span<uint8_t> answer, const LinkStatus& link) {
  if (answer.size() < kLinkStatusSize) return false;
  uint8_t* p = answer.data();
  std::fill_n(p, kLinkStatusSize, uint8_t{0});
  p[kLinkUpOffset] = link.link;
  p[kLinkSpeedCodeOffset] = link.speed_code;
  EncodeFixed16(p + kLinkQosSpeedOffset, link.qos_speed);
  EncodeFixed32(p + kLinkLogicalStateOffset, link.logical_state);
  return true;
}

// nullopt when the answer is shorter than 12 bytes.
inline std::optional<LinkStatus> DecodeLinkStatus(std::span<const uint8_t> answer) {
  if (answer.size() < kLinkStatusSize) return std::nullopt;
  const uint8_t* p = answer.data();
  return LinkStatus{p[kLinkUpOffset], p[kLinkSpeedCodeOffset],
                    DecodeFixed16(p + kLinkQosSpeedOffset),
                    DecodeFixed32(p + kLinkLogicalStateOffset)};
}

// The NIC link parameters: the active port. Writes the answer (other bytes
// zeroed); false when it is shorter than 12 bytes.
inline bool EncodeNicLinkParams(std::span<uint8_t> answer, uint8_t active_port) {
  if (answer.size() < kLinkStatusSize) return false;
  std::fill_n(answer.data(), kLinkStatusSize, uint8_t{0});
  answer[kLinkActivePortOffset] = active_port;
  return true;
}

inline std::optional<uint8_t> DecodeNicLinkParams(std::span<const uint8_t> answer) {
  if (answer.size() < kLinkStatusSize) return std::nullopt;
  return answer[kLinkActivePortOffset];
}

}  // namespace oxim::records

#endif  // OXIM_RECORDS_LINK_STATUS_H_
