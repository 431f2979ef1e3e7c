// The 44-byte OEM parameters answer (opcode 76, subsystem 1;
// ioctl_get_korvel_oem_params_v1 on Korvel, ioctl_get_oem_params on the
// other chips): the maker's serial number parts, the OEM serial number and
// the personality management word. Shared by the library and the emulated
// adapter. Little-endian.
//
//   offset size field
//   0      2    two characters
//   2      4    binary bytes (Korvel)
//   2      10   binary bytes (other chips)
//   12     24   OEM serial number text, ended by the first byte that is 0
//               or 255; byte 12 is 255 when there is none, and on Korvel
//               also byte 13 is 0
//   36     4    personality management word
//
//   std::optional<OemParams> oem = DecodeOemParams(answer, OemChip::kKorvel);
//   if (oem && !oem->serial) ...;  // no OEM serial number
#ifndef OXIM_RECORDS_OEM_PARAMS_H_
#define OXIM_RECORDS_OEM_PARAMS_H_

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "records/coding.h"

namespace oxim::records {

inline constexpr size_t kOemParamsSize = 44;
inline constexpr size_t kOemPrefixOffset = 0;
inline constexpr size_t kOemPrefixSize = 2;
inline constexpr size_t kOemBinaryOffset = 2;
inline constexpr size_t kOemBinarySizeKorvel = 4;
inline constexpr size_t kOemBinarySizeOther = 10;
inline constexpr size_t kOemSerialOffset = 12;
inline constexpr size_t kOemSerialSize = 24;
inline constexpr size_t kOemPersonalityOffset = 36;
// The byte that ends the serial text, and at offset 12 says there is none.
inline constexpr uint8_t kOemNoSerial = 255;
static_assert(FieldFits(kOemBinaryOffset, kOemBinarySizeOther, kOemSerialOffset));
static_assert(FieldFits(kOemSerialOffset, kOemSerialSize, kOemPersonalityOffset));
static_assert(FieldFits(kOemPersonalityOffset, 4, kOemParamsSize));

// Which layout of the binary bytes and of the "no serial" rule.
enum class OemChip { kKorvel, kOther };

struct OemParams {
  std::array<uint8_t, kOemPrefixSize> prefix{};  // two characters, as sent
  std::vector<uint8_t> binary;                   // 4 (Korvel) or 10 bytes
  std::optional<std::string> serial;             // none: the marker
  uint32_t personality_word = 0;
};

inline constexpr size_t OemBinarySize(OemChip chip) {
  return chip == OemChip::kKorvel ? kOemBinarySizeKorvel : kOemBinarySizeOther;
}

// Writes the answer (other bytes zeroed): the binary bytes cut to the chip's
// field, the serial cut to 24 characters or, when there is none, 24 bytes
// of 255. False when the answer is shorter than 44 bytes.
inline bool EncodeOemParams(std::span<uint8_t> answer, const OemParams& oem, OemChip chip) {
  if (answer.size() < kOemParamsSize) return false;
  uint8_t* p = answer.data();
  std::fill_n(p, kOemParamsSize, uint8_t{0});
  std::copy(oem.prefix.begin(), oem.prefix.end(), p + kOemPrefixOffset);
  std::copy_n(oem.binary.begin(), std::min(oem.binary.size(), OemBinarySize(chip)),
              p + kOemBinaryOffset);
  if (oem.serial) {
    EncodeText(answer.subspan(kOemSerialOffset, kOemSerialSize), *oem.serial, TextEnd::kMayFill);
  } else {
    std::fill_n(p + kOemSerialOffset, kOemSerialSize, kOemNoSerial);
  }
  EncodeFixed32(p + kOemPersonalityOffset, oem.personality_word);
  return true;
}

// nullopt when the answer is shorter than 44 bytes.
inline std::optional<OemParams> DecodeOemParams(std::span<const uint8_t> answer, OemChip chip) {
  if (answer.size() < kOemParamsSize) return std::nullopt;
  const uint8_t* p = answer.data();
  OemParams oem;
  std::copy_n(p + kOemPrefixOffset, kOemPrefixSize, oem.prefix.begin());
  oem.binary.assign(p + kOemBinaryOffset, p + kOemBinaryOffset + OemBinarySize(chip));
  const bool none = p[kOemSerialOffset] == kOemNoSerial ||
                    (chip == OemChip::kKorvel && p[kOemSerialOffset + 1] == 0);
  if (!none) {
    const uint8_t* first = p + kOemSerialOffset;
    const uint8_t* last = std::find_if(first, first + kOemSerialSize,
                                       [](uint8_t b) { return b == 0 || b == kOemNoSerial; });
    oem.serial = std::string(first, last);
  }
  oem.personality_word = DecodeFixed32(p + kOemPersonalityOffset);
  return oem;
}

}  // namespace oxim::records

#endif  // OXIM_RECORDS_OEM_PARAMS_H_
