// The bandwidth limits of a function (ioctl_qos_get, subsystem 1, opcode 27;
// ioctl_qos_set, opcode 28). Shared by the library and the emulated
// adapter. Little-endian.
//
// QoS record (32 bytes; a get sends it zeroed and the firmware answers over
// it):
//   offset size field
//   8      4    I/O rate limit, I/Os per second (0: none)
//   12     4    byte rate limit, bytes per second (0: none)
// Set request (36 bytes):
//   0      32   the QoS record with the new values
//   32     4    which of its limits to set: bit 0 the I/O rate, bit 1 the
//               byte rate (the other keeps what the firmware has)
//
//   std::array<uint8_t, kQosRecordSize> record{};
//   ... ioctl_qos_get(function, record, kind) ...
//   std::optional<QosLimits> limits = DecodeQosRecord(record);
#ifndef OXIM_RECORDS_ISCSI_QOS_H_
#define OXIM_RECORDS_ISCSI_QOS_H_

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "records/coding.h"

namespace oxim::records {

inline constexpr size_t kQosRecordSize = 32;
inline constexpr size_t kQosIoRateOffset = 8;
inline constexpr size_t kQosByteRateOffset = 12;
inline constexpr size_t kQosSetSize = 36;
inline constexpr size_t kQosSetMaskOffset = 32;
inline constexpr uint32_t kQosSetIoRate = 1u << 0;
inline constexpr uint32_t kQosSetByteRate = 1u << 1;
static_assert(FieldFits(kQosByteRateOffset, 4, kQosRecordSize));
static_assert(FieldFits(kQosSetMaskOffset, 4, kQosSetSize));

struct QosLimits {
  uint32_t io_rate = 0;    // I/Os per second
  uint32_t byte_rate = 0;  // bytes per second
};

struct QosSet {
  QosLimits limits;
  uint32_t mask = 0;  // kQosSetIoRate, kQosSetByteRate
};

// Writes the record (other bytes zeroed); false when out is shorter than 32.
inline bool EncodeQosRecord(std::span<uint8_t> out, const QosLimits& limits) {
  if (out.size() < kQosRecordSize) return false;
  std::fill_n(out.data(), kQosRecordSize, uint8_t{0});
  EncodeFixed32(out.data() + kQosIoRateOffset, limits.io_rate);
  EncodeFixed32(out.data() + kQosByteRateOffset, limits.byte_rate);
  return true;
}

// nullopt when in is shorter than 32 bytes.
inline std::optional<QosLimits> DecodeQosRecord(std::span<const uint8_t> in) {
  if (in.size() < kQosRecordSize) return std::nullopt;
  return QosLimits{DecodeFixed32(in.data() + kQosIoRateOffset),
                   DecodeFixed32(in.data() + kQosByteRateOffset)};
}

// false when out is shorter than 36 bytes.
inline bool EncodeQosSet(std::span<uint8_t> out, const QosSet& set) {
  if (out.size() < kQosSetSize || !EncodeQosRecord(out, set.limits)) return false;
  EncodeFixed32(out.data() + kQosSetMaskOffset, set.mask);
  return true;
}

// nullopt when in is shorter than 36 bytes.
inline std::optional<QosSet> DecodeQosSet(std::span<const uint8_t> in) {
  if (in.size() < kQosSetSize) return std::nullopt;
  return QosSet{*DecodeQosRecord(in), DecodeFixed32(in.data() + kQosSetMaskOffset)};
}

}  // namespace oxim::records

#endif  // OXIM_RECORDS_ISCSI_QOS_H_
