// The MAC address answers of subsystem 1: the MAC query (opcode 1, 72
// bytes; ioctl_get_mac_query) and the MAC list (opcode 147, 532 bytes;
// ioctl_get_mac_list). Shared by the library and the emulated adapter.
// Little-endian.
//
// MAC query:
//   offset size field
//   0      1    request: MAC type, 1 the network MAC
//   1      1    request: 1 asks for the permanent address too
//   2      6    answer: the current MAC address
//   10     6    answer: the permanent MAC address
//
// MAC list:
//   0      1    request: list type, 1 the factory MAC addresses
//   2      2    answer: number of addresses (at most 88)
//   4      6·n  answer: the addresses, the function's own first
//
//   std::array<uint8_t, kMacQuerySize> query{};
//   EncodeMacQueryRequest(query);
//   ... send ...
//   std::optional<MacQuery> macs = DecodeMacQuery(query);
#ifndef OXIM_RECORDS_MAC_RECORDS_H_
#define OXIM_RECORDS_MAC_RECORDS_H_

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "records/coding.h"

namespace oxim::records {

using MacAddress = std::array<uint8_t, 6>;

// --- MAC query ---
inline constexpr size_t kMacQuerySize = 72;
inline constexpr size_t kMacQueryTypeOffset = 0;
inline constexpr size_t kMacQueryPermanentOffset = 1;
inline constexpr size_t kMacQueryCurrentOffset = 2;
inline constexpr size_t kMacQueryPermanentMacOffset = 10;
inline constexpr uint8_t kMacTypeNetwork = 1;
static_assert(FieldFits(kMacQueryCurrentOffset, 6, kMacQueryPermanentMacOffset));
static_assert(FieldFits(kMacQueryPermanentMacOffset, 6, kMacQuerySize));

struct MacQuery {
  MacAddress current{};
  MacAddress permanent{};
};

// Writes the request (other bytes zeroed): the network MAC with its
// permanent address. False when the buffer is shorter than 72 bytes.
inline bool EncodeMacQueryRequest(std::span<uint8_t> buffer) {
  if (buffer.size() < kMacQuerySize) return false;
  std::fill_n(buffer.data(), kMacQuerySize, uint8_t{0});
  buffer[kMacQueryTypeOffset] = kMacTypeNetwork;
  buffer[kMacQueryPermanentOffset] = 1;
  return true;
}

// Writes both addresses into an answer, leaving the request bytes.
inline bool EncodeMacQueryAnswer(std::span<uint8_t> buffer, const MacQuery& macs) {
  if (buffer.size() < kMacQuerySize) return false;
  std::copy(macs.current.begin(), macs.current.end(), buffer.begin() + kMacQueryCurrentOffset);
  std::copy(macs.permanent.begin(), macs.permanent.end(),
            buffer.begin() + kMacQueryPermanentMacOffset);
  return true;
}

inline std::optional<MacQuery> DecodeMacQuery(std::span<const uint8_t> buffer) {
  if (buffer.size() < kMacQuerySize) return std::nullopt;
  MacQuery macs;
  std::copy_n(buffer.begin() + kMacQueryCurrentOffset, 6, macs.current.begin());
  std::copy_n(buffer.begin() + kMacQueryPermanentMacOffset, 6, macs.permanent.begin());
  return macs;
}

// --- MAC list ---
inline constexpr size_t kMacListSize = 532;
inline constexpr size_t kMacListTypeOffset = 0;
inline constexpr size_t kMacListCountOffset = 2;
inline constexpr size_t kMacListEntriesOffset = 4;
inline constexpr size_t kMacListMaxEntries = (kMacListSize - kMacListEntriesOffset) / 6;
inline constexpr uint8_t kMacListFactory = 1;
static_assert(kMacListEntriesOffset + 6 * kMacListMaxEntries == kMacListSize);

// Writes the request for the factory list (other bytes zeroed).
inline bool EncodeMacListRequest(std::span<uint8_t> buffer) {
  if (buffer.size() < kMacListSize) return false;
  std::fill_n(buffer.data(), kMacListSize, uint8_t{0});
  buffer[kMacListTypeOffset] = kMacListFactory;
  return true;
}

// Writes up to 88 addresses and their count, leaving the request byte.
inline bool EncodeMacListAnswer(std::span<uint8_t> buffer, const std::vector<MacAddress>& macs) {
  if (buffer.size() < kMacListSize) return false;
  const size_t count = std::min(macs.size(), kMacListMaxEntries);
  EncodeFixed16(buffer.data() + kMacListCountOffset, static_cast<uint16_t>(count));
  for (size_t i = 0; i < count; ++i) {
    std::copy(macs[i].begin(), macs[i].end(), buffer.begin() + kMacListEntriesOffset + 6 * i);
  }
  return true;
}

// The addresses; nullopt when the buffer is shorter than 532 bytes or the
// count is more than the list holds.
inline std::optional<std::vector<MacAddress>> DecodeMacList(std::span<const uint8_t> buffer) {
  if (buffer.size() < kMacListSize) return std::nullopt;
  const size_t count = DecodeFixed16(buffer.data() + kMacListCountOffset);
  if (count > kMacListMaxEntries) return std::nullopt;
  std::vector<MacAddress> macs(count);
  for (size_t i = 0; i < count; ++i) {
    std::copy_n(buffer.begin() + kMacListEntriesOffset + 6 * i, 6, macs[i].begin());
  }
  return macs;
}

}  // namespace oxim::records

#endif  // OXIM_RECORDS_MAC_RECORDS_H_
