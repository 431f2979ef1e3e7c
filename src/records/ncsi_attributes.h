// The NC-SI attributes of a controller (opcode 86, subsystem 1, 72 bytes;
// ioctl_get_ncsi_attributes) and the request that changes their dynamic part
// (opcode 87, 32 bytes; ioctl_set_ncsi_attributes): whether the controller
// shares its ports with a management controller, the handshake with it, and
// the static and dynamic sideband settings. The set request is the answer's
// dynamic block, byte for byte, with the changed fields; every other byte
// goes back as the firmware gave it. Shared by the library and the emulated
// adapter. Little-endian.
//
// Attributes (72 bytes):
//   offset size field
//   0      1    NC-SI state: 1 supported
//   1      1    handshake: 0 success, 1 error
//   12     1    static: port swap (1 yes, 0 no)
//   13     6    static: port 0 magic-packet MAC address
//   19     1    static: port 0 wake-on-LAN (1 yes, 0 no)
//   20     6    static: port 1 magic-packet MAC address
//   26     1    static: port 1 wake-on-LAN
//   28     2    static: management VLAN ID
//   40     32   the dynamic block (below)
//
// Dynamic block (the set request; at 40 in the attributes):
//   5      6    port 0 MAC address
//   11     1    port 0 wake-on-LAN flags, bit 0 enabled
//   12     6    port 1 MAC address
//   18     1    port 1 wake-on-LAN flags, bit 0 enabled
//   20     2    management VLAN ID
//
//   std::optional<NcsiAttributes> ncsi = DecodeNcsiAttributes(answer);
//   std::array<uint8_t, kNcsiSetSize> request = DynamicBlock(answer);
//   EncodeNcsiVlan(request, 100);
#ifndef OXIM_RECORDS_NCSI_ATTRIBUTES_H_
#define OXIM_RECORDS_NCSI_ATTRIBUTES_H_

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "records/coding.h"

namespace oxim::records {

inline constexpr size_t kNcsiAttributesSize = 72;
inline constexpr size_t kNcsiSetSize = 32;
inline constexpr size_t kNcsiStateOffset = 0;
inline constexpr size_t kNcsiHandshakeOffset = 1;
inline constexpr size_t kNcsiPortSwapOffset = 12;
inline constexpr size_t kNcsiStaticPort0MacOffset = 13;
inline constexpr size_t kNcsiStaticPort0WolOffset = 19;
inline constexpr size_t kNcsiStaticPort1MacOffset = 20;
inline constexpr size_t kNcsiStaticPort1WolOffset = 26;
inline constexpr size_t kNcsiStaticVlanOffset = 28;
inline constexpr size_t kNcsiDynamicOffset = 40;
// Offsets within the dynamic block (the set request).
inline constexpr size_t kNcsiPort0MacOffset = 5;
inline constexpr size_t kNcsiPort0WolOffset = 11;
inline constexpr size_t kNcsiPort1MacOffset = 12;
inline constexpr size_t kNcsiPort1WolOffset = 18;
inline constexpr size_t kNcsiVlanOffset = 20;
inline constexpr uint8_t kNcsiSupported = 1;
inline constexpr uint8_t kNcsiHandshakeSuccess = 0;
inline constexpr uint8_t kNcsiHandshakeError = 1;
inline constexpr uint8_t kNcsiWolEnable = 0x01;
static_assert(FieldFits(kNcsiStaticPort0MacOffset, 6, kNcsiStaticPort0WolOffset));
static_assert(FieldFits(kNcsiStaticPort1MacOffset, 6, kNcsiStaticPort1WolOffset));
static_assert(FieldFits(kNcsiStaticVlanOffset, 2, kNcsiDynamicOffset));
static_assert(kNcsiDynamicOffset + kNcsiSetSize == kNcsiAttributesSize);
static_assert(FieldFits(kNcsiPort0MacOffset, 6, kNcsiPort0WolOffset));
static_assert(FieldFits(kNcsiPort1MacOffset, 6, kNcsiPort1WolOffset));
static_assert(FieldFits(kNcsiVlanOffset, 2, kNcsiSetSize));

using NcsiMac = std::array<uint8_t, 6>;

// The sideband settings of the controller's two ports.
struct NcsiPorts {
  NcsiMac port0_mac{};
  uint8_t port0_wol = 0;
  NcsiMac port1_mac{};
  uint8_t port1_wol = 0;
  uint16_t vlan_id = 0;
};

struct NcsiAttributes {
  uint8_t state = 0;
  uint8_t handshake = 0;
  uint8_t port_swap = 0;
  NcsiPorts static_ports;
  // The dynamic block as the firmware gave it, and its fields.
  std::array<uint8_t, kNcsiSetSize> dynamic_block{};
  NcsiPorts dynamic_ports;
};

namespace ncsi_detail {

inline NcsiMac Mac(const uint8_t* p) {
  NcsiMac mac;
  std::copy_n(p, 6, mac.begin());
  return mac;
}

}  // namespace ncsi_detail

// The fields of a dynamic block (or set request); nullopt when it is shorter
// than 32 bytes.
inline std::optional<NcsiPorts> DecodeNcsiDynamic(std::span<const uint8_t> block) {
  if (block.size() < kNcsiSetSize) return std::nullopt;
  const uint8_t* p = block.data();
  return NcsiPorts{ncsi_detail::Mac(p + kNcsiPort0MacOffset), p[kNcsiPort0WolOffset],
                   ncsi_detail::Mac(p + kNcsiPort1MacOffset), p[kNcsiPort1WolOffset],
                   DecodeFixed16(p + kNcsiVlanOffset)};
}

// Writes the fields into a dynamic block, leaving its other bytes; false
// when it is shorter than 32 bytes.
inline bool EncodeNcsiDynamic(std::span<uint8_t> block, const NcsiPorts& ports) {
  if (block.size() < kNcsiSetSize) return false;
  uint8_t* p = block.data();
  std::copy(ports.port0_mac.begin(), ports.port0_mac.end(), p + kNcsiPort0MacOffset);
  p[kNcsiPort0WolOffset] = ports.port0_wol;
  std::copy(ports.port1_mac.begin(), ports.port1_mac.end(), p + kNcsiPort1MacOffset);
  p[kNcsiPort1WolOffset] = ports.port1_wol;
  EncodeFixed16(p + kNcsiVlanOffset, ports.vlan_id);
  return true;
}

// Writes the attributes: the static fields, the dynamic block as given and
// then its fields over it; the other bytes are zeroed. False when the answer
// is shorter than 72 bytes.
inline bool EncodeNcsiAttributes(std::span<uint8_t> answer, const NcsiAttributes& ncsi) {
  if (answer.size() < kNcsiAttributesSize) return false;
  uint8_t* p = answer.data();
  std::fill_n(p, kNcsiAttributesSize, uint8_t{0});
  p[kNcsiStateOffset] = ncsi.state;
  p[kNcsiHandshakeOffset] = ncsi.handshake;
  p[kNcsiPortSwapOffset] = ncsi.port_swap;
  const NcsiPorts& s = ncsi.static_ports;
  std::copy(s.port0_mac.begin(), s.port0_mac.end(), p + kNcsiStaticPort0MacOffset);
  p[kNcsiStaticPort0WolOffset] = s.port0_wol;
  std::copy(s.port1_mac.begin(), s.port1_mac.end(), p + kNcsiStaticPort1MacOffset);
  p[kNcsiStaticPort1WolOffset] = s.port1_wol;
  EncodeFixed16(p + kNcsiStaticVlanOffset, s.vlan_id);
  std::copy(ncsi.dynamic_block.begin(), ncsi.dynamic_block.end(), p + kNcsiDynamicOffset);
  return EncodeNcsiDynamic(answer.subspan(kNcsiDynamicOffset, kNcsiSetSize), ncsi.dynamic_ports);
}

// nullopt when the answer is shorter than 72 bytes.
inline std::optional<NcsiAttributes> DecodeNcsiAttributes(std::span<const uint8_t> answer) {
  if (answer.size() < kNcsiAttributesSize) return std::nullopt;
  const uint8_t* p = answer.data();
  NcsiAttributes ncsi;
  ncsi.state = p[kNcsiStateOffset];
  ncsi.handshake = p[kNcsiHandshakeOffset];
  ncsi.port_swap = p[kNcsiPortSwapOffset];
  ncsi.static_ports = {ncsi_detail::Mac(p + kNcsiStaticPort0MacOffset),
                       p[kNcsiStaticPort0WolOffset],
                       ncsi_detail::Mac(p + kNcsiStaticPort1MacOffset),
                       p[kNcsiStaticPort1WolOffset], DecodeFixed16(p + kNcsiStaticVlanOffset)};
  std::copy_n(p + kNcsiDynamicOffset, kNcsiSetSize, ncsi.dynamic_block.begin());
  ncsi.dynamic_ports = *DecodeNcsiDynamic(ncsi.dynamic_block);
  return ncsi;
}

}  // namespace oxim::records

#endif  // OXIM_RECORDS_NCSI_ATTRIBUTES_H_
