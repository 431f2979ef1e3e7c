// The 48-byte OEM execution configuration of a NIC function (opcode 4,
// subsystem 21; ioctl_get_oem_exec_cfg and ioctl_set_oem_exec_cfg): its
// volatile MAC address and its network boot VLAN. A read and a write share
// the opcode; the write bit in byte 3 tells them apart. Shared by the
// library and the emulated adapter. Little-endian.
//
//   offset size field
//   0      1    write: which fields are given, bit 0 the MAC address, bit 1
//               the VLAN
//   3      1    bit 7 set in a write
//   4      6    volatile MAC address
//   12     2    VLAN ID
//   14     1    VLAN priority
//   15     1    bit 7 set in a VLAN write
// A read sends 48 zero bytes.
//
//   std::array<uint8_t, kOemExecConfigSize> request{};
//   EncodeOemExecWrite(request, {.fields = kOemExecMac, .mac = mac});
#ifndef OXIM_RECORDS_OEM_EXEC_CONFIG_H_
#define OXIM_RECORDS_OEM_EXEC_CONFIG_H_

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "records/coding.h"

namespace oxim::records {

inline constexpr size_t kOemExecConfigSize = 48;
inline constexpr size_t kOemExecFieldsOffset = 0;
inline constexpr size_t kOemExecWriteOffset = 3;
inline constexpr size_t kOemExecMacOffset = 4;
inline constexpr size_t kOemExecVlanOffset = 12;
inline constexpr size_t kOemExecPriorityOffset = 14;
inline constexpr size_t kOemExecVlanWriteOffset = 15;
inline constexpr uint8_t kOemExecMac = 0x01;   // fields: the MAC address
inline constexpr uint8_t kOemExecVlan = 0x02;  // fields: the VLAN
inline constexpr uint8_t kOemExecWriteBit = 0x80;
static_assert(FieldFits(kOemExecMacOffset, 6, kOemExecVlanOffset));
static_assert(FieldFits(kOemExecVlanOffset, 2, kOemExecPriorityOffset));
static_assert(FieldFits(kOemExecVlanWriteOffset, 1, kOemExecConfigSize));

struct OemExecConfig {
  uint8_t fields = 0;  // a write's bits kOemExecMac, kOemExecVlan
  std::array<uint8_t, 6> mac{};
  uint16_t vlan_id = 0;
  uint8_t priority = 0;
};

// Whether the record is a write (bit 7 of byte 3); false for a short one.
inline bool IsOemExecWrite(std::span<const uint8_t> record) {
  return record.size() >= kOemExecConfigSize && (record[kOemExecWriteOffset] & kOemExecWriteBit);
}

// Writes a read's answer (other bytes zeroed, no write bits); false when the
// record is shorter than 48 bytes.
inline bool EncodeOemExecAnswer(std::span<uint8_t> record, const OemExecConfig& config) {
  if (record.size() < kOemExecConfigSize) return false;
  uint8_t* p = record.data();
  std::fill_n(p, kOemExecConfigSize, uint8_t{0});
  std::copy(config.mac.begin(), config.mac.end(), p + kOemExecMacOffset);
  EncodeFixed16(p + kOemExecVlanOffset, config.vlan_id);
  p[kOemExecPriorityOffset] = config.priority;
  return true;
}

// Writes a write request (other bytes zeroed): the field bits, the write
// bit, and for a VLAN the VLAN write bit. False when the record is shorter
// than 48 bytes.
inline bool EncodeOemExecWrite(std::span<uint8_t> record, const OemExecConfig& config) {
  if (!EncodeOemExecAnswer(record, config)) return false;
  record[kOemExecFieldsOffset] = config.fields;
  record[kOemExecWriteOffset] = kOemExecWriteBit;
  if (config.fields & kOemExecVlan) record[kOemExecVlanWriteOffset] = kOemExecWriteBit;
  return true;
}

// The fields of a read's answer or a write (the field bits only in a
// write); nullopt when the record is shorter than 48 bytes.
inline std::optional<OemExecConfig> DecodeOemExecConfig(std::span<const uint8_t> record) {
  if (record.size() < kOemExecConfigSize) return std::nullopt;
  const uint8_t* p = record.data();
  OemExecConfig config;
  config.fields = IsOemExecWrite(record) ? p[kOemExecFieldsOffset] : uint8_t{0};
  std::copy_n(p + kOemExecMacOffset, 6, config.mac.begin());
  config.vlan_id = DecodeFixed16(p + kOemExecVlanOffset);
  config.priority = p[kOemExecPriorityOffset];
  return config;
}

}  // namespace oxim::records

#endif  // OXIM_RECORDS_OEM_EXEC_CONFIG_H_
