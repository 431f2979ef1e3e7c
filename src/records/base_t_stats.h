// The 10GBASE-T PHY statistics of a port (opcode 8, subsystem 18):
// ioctl_get_baseT_stats (version 0, 84 bytes) and ioctl_get_baseT_stats_v1
// (version 1, 112 bytes), whose frame counter has 64 bits. Shared by the
// library and the emulated adapter. Little-endian.
//
//   offset size field
//   0      4    request: bit 0 clears the counters after the answer
//               (version 1)
//   4      72   18 consecutive 32-bit words: diagnostic status, temperature,
//               pair A to D SNR, time since link high and low, average MSE
//               of pairs A to D, LDPC frames high and low, PHY CRC8 errors
//               high and low, MDI PLL events, 10G EMI events
//   76     4    version 0: PHY frame count; version 1: its high word
//   80     4    version 1: the frame count's low word
//
//   std::optional<BaseTStats> stats = DecodeBaseTStats(answer, BaseTVersion::kV1);
#ifndef OXIM_RECORDS_BASE_T_STATS_H_
#define OXIM_RECORDS_BASE_T_STATS_H_

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "records/coding.h"

namespace oxim::records {

inline constexpr size_t kBaseTStatsSize = 84;
inline constexpr size_t kBaseTStatsV1Size = 112;
inline constexpr size_t kBaseTFlagsOffset = 0;
inline constexpr size_t kBaseTWordsOffset = 4;
inline constexpr size_t kBaseTWordCount = 18;
inline constexpr size_t kBaseTFrameHighOffset = 76;
inline constexpr size_t kBaseTFrameLowOffset = 80;
inline constexpr uint32_t kBaseTClearCounters = 0x01;
static_assert(kBaseTWordsOffset + 4 * kBaseTWordCount == kBaseTFrameHighOffset);
static_assert(FieldFits(kBaseTFrameLowOffset, 4, kBaseTStatsSize));

enum class BaseTVersion { kV0, kV1 };

constexpr size_t BaseTStatsSize(BaseTVersion version) {
  return version == BaseTVersion::kV1 ? kBaseTStatsV1Size : kBaseTStatsSize;
}

struct BaseTStats {
  std::array<uint32_t, kBaseTWordCount> words{};
  uint64_t frame_count = 0;  // 32 bits in version 0
};

// Writes a request (other bytes zeroed); false when the buffer is shorter
// than the version's size.
inline bool EncodeBaseTRequest(std::span<uint8_t> buffer, BaseTVersion version, bool clear) {
  if (buffer.size() < BaseTStatsSize(version)) return false;
  std::fill_n(buffer.data(), BaseTStatsSize(version), uint8_t{0});
  EncodeFixed32(buffer.data() + kBaseTFlagsOffset, clear ? kBaseTClearCounters : 0);
  return true;
}

// Whether a request asks for the counters to be cleared.
inline bool BaseTClearRequested(std::span<const uint8_t> buffer) {
  return buffer.size() >= 4 && (DecodeFixed32(buffer.data()) & kBaseTClearCounters) != 0;
}

// Writes the statistics, leaving the request word; false when the buffer is
// shorter than the version's size. Version 0 keeps the low 32 bits of the
// frame count.
inline bool EncodeBaseTStats(std::span<uint8_t> buffer, BaseTVersion version,
                             const BaseTStats& stats) {
  if (buffer.size() < BaseTStatsSize(version)) return false;
  uint8_t* p = buffer.data();
  for (size_t i = 0; i < kBaseTWordCount; ++i) {
    EncodeFixed32(p + kBaseTWordsOffset + 4 * i, stats.words[i]);
  }
  if (version == BaseTVersion::kV1) {
    EncodeFixed32(p + kBaseTFrameHighOffset, static_cast<uint32_t>(stats.frame_count >> 32));
    EncodeFixed32(p + kBaseTFrameLowOffset, static_cast<uint32_t>(stats.frame_count));
  } else {
    EncodeFixed32(p + kBaseTFrameHighOffset, static_cast<uint32_t>(stats.frame_count));
  }
  return true;
}

inline std::optional<BaseTStats> DecodeBaseTStats(std::span<const uint8_t> buffer,
                                                  BaseTVersion version) {
  if (buffer.size() < BaseTStatsSize(version)) return std::nullopt;
  const uint8_t* p = buffer.data();
  BaseTStats stats;
  for (size_t i = 0; i < kBaseTWordCount; ++i) {
    stats.words[i] = DecodeFixed32(p + kBaseTWordsOffset + 4 * i);
  }
  if (version == BaseTVersion::kV1) {
    stats.frame_count = (uint64_t{DecodeFixed32(p + kBaseTFrameHighOffset)} << 32) |
                        DecodeFixed32(p + kBaseTFrameLowOffset);
  } else {
    stats.frame_count = DecodeFixed32(p + kBaseTFrameHighOffset);
  }
  return stats;
}

}  // namespace oxim::records

#endif  // OXIM_RECORDS_BASE_T_STATS_H_
