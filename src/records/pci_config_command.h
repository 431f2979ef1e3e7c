// The firmware's PCI configuration read (opcode 72, subsystem 1;
// ioctl_read_pci_conf): 264 bytes that ask for up to 256 bytes of the
// function's configuration space and carry them back. Not the NIC driver's
// own configuration read (request 8, driver_records.h). Shared by the
// library and the emulated adapter. Little-endian.
//
// Request:
//   offset size field
//   0      4    configuration offset
//   4      4    length; 0 or above 256 reads 256 bytes
// Answer (over the request):
//   0      8    the request as sent
//   8      256  the bytes read
//
//   std::array<uint8_t, kPciCommandSize> buffer{};
//   EncodePciConfigCommand(buffer, {.config_offset = 0x40, .length = 64});
//   ... send it ...
//   std::optional<std::vector<uint8_t>> data = DecodePciConfigAnswer(buffer);
#ifndef OXIM_RECORDS_PCI_CONFIG_COMMAND_H_
#define OXIM_RECORDS_PCI_CONFIG_COMMAND_H_

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "records/coding.h"

namespace oxim::records {

inline constexpr size_t kPciCommandSize = 264;
inline constexpr size_t kPciCommandConfigOffsetOffset = 0;
inline constexpr size_t kPciCommandLengthOffset = 4;
inline constexpr size_t kPciCommandDataOffset = 8;
inline constexpr size_t kPciCommandDataSize = 256;
static_assert(FieldFits(kPciCommandLengthOffset, 4, kPciCommandDataOffset));
static_assert(kPciCommandDataOffset + kPciCommandDataSize == kPciCommandSize);

struct PciConfigCommand {
  uint32_t config_offset = 0;
  uint32_t length = 0;  // as asked: 0 or above 256 means 256
};

// The number of bytes a request of `length` reads.
constexpr uint32_t PciCommandReadLength(uint32_t length) {
  return length == 0 || length > kPciCommandDataSize ? static_cast<uint32_t>(kPciCommandDataSize)
                                                     : length;
}

// Writes the request (data area zeroed); false when the buffer is shorter
// than 264 bytes.
inline bool EncodePciConfigCommand(std::span<uint8_t> buffer, const PciConfigCommand& command) {
  if (buffer.size() < kPciCommandSize) return false;
  uint8_t* p = buffer.data();
  std::fill_n(p, kPciCommandSize, uint8_t{0});
  EncodeFixed32(p + kPciCommandConfigOffsetOffset, command.config_offset);
  EncodeFixed32(p + kPciCommandLengthOffset, command.length);
  return true;
}

// nullopt when the buffer is shorter than 264 bytes.
inline std::optional<PciConfigCommand> DecodePciConfigCommand(std::span<const uint8_t> buffer) {
  if (buffer.size() < kPciCommandSize) return std::nullopt;
  return PciConfigCommand{DecodeFixed32(buffer.data() + kPciCommandConfigOffsetOffset),
                          DecodeFixed32(buffer.data() + kPciCommandLengthOffset)};
}

// Writes the bytes read into the data area, leaving the request part and
// the data area's rest; false when the buffer is shorter than 264 bytes or
// there are more than 256 bytes.
inline bool EncodePciConfigAnswer(std::span<uint8_t> buffer, std::span<const uint8_t> data) {
  if (buffer.size() < kPciCommandSize || data.size() > kPciCommandDataSize) return false;
  std::copy(data.begin(), data.end(), buffer.begin() + kPciCommandDataOffset);
  return true;
}

// The 256 bytes of the data area; nullopt when the buffer is shorter than
// 264 bytes.
inline std::optional<std::vector<uint8_t>> DecodePciConfigAnswer(std::span<const uint8_t> buffer) {
  if (buffer.size() < kPciCommandSize) return std::nullopt;
  auto data = buffer.subspan(kPciCommandDataOffset, kPciCommandDataSize);
  return std::vector<uint8_t>(data.begin(), data.end());
}

}  // namespace oxim::records

#endif  // OXIM_RECORDS_PCI_CONFIG_COMMAND_H_
