// The initiator name record of an iSCSI function
// (ioctl_fetch_initiator_name_params, ioctl_save_initiator_name_params):
// the initiator's iSCSI name and alias as the firmware keeps them. Shared by
// the library and the emulated adapter. Little-endian; texts NUL-padded.
//
//   offset size field
//   0      2    flags (the library clears bit 0 before it saves)
//   2      2    reserved, carried back as read
//   4      224  initiator iSCSI name
//   228    32   initiator alias
//
//   std::optional<InitiatorNameRecord> record = DecodeInitiatorName(answer);
//   record->name = "iqn.2026-01.net.example:host1";
//   record->flags &= ~kInitiatorNameFlagBit0;
//   EncodeInitiatorName(request, *record);
#ifndef OXIM_RECORDS_INITIATOR_NAME_H_
#define OXIM_RECORDS_INITIATOR_NAME_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "records/coding.h"

namespace oxim::records {

inline constexpr size_t kInitiatorNameRecordSize = 260;
inline constexpr size_t kInitiatorNameFlagsOffset = 0;
inline constexpr size_t kInitiatorNameReservedOffset = 2;
inline constexpr size_t kInitiatorNameOffset = 4;
inline constexpr size_t kInitiatorNameSize = 224;
inline constexpr size_t kInitiatorAliasOffset = 228;
inline constexpr size_t kInitiatorAliasSize = 32;
inline constexpr uint16_t kInitiatorNameFlagBit0 = 1u << 0;
static_assert(FieldFits(kInitiatorNameOffset, kInitiatorNameSize, kInitiatorAliasOffset));
static_assert(FieldFits(kInitiatorAliasOffset, kInitiatorAliasSize, kInitiatorNameRecordSize));

struct InitiatorNameRecord {
  uint16_t flags = 0;
  uint16_t reserved = 0;
  std::string name;   // at most 223 characters
  std::string alias;  // at most 31 characters
};

// Writes the record; false when out is shorter than 260 bytes. Texts are cut
// to their field, keeping a NUL.
inline bool EncodeInitiatorName(std::span<uint8_t> out, const InitiatorNameRecord& record) {
  if (out.size() < kInitiatorNameRecordSize) return false;
  EncodeFixed16(out.data() + kInitiatorNameFlagsOffset, record.flags);
  EncodeFixed16(out.data() + kInitiatorNameReservedOffset, record.reserved);
  EncodeText(out.subspan(kInitiatorNameOffset, kInitiatorNameSize), record.name, TextEnd::kNul);
  EncodeText(out.subspan(kInitiatorAliasOffset, kInitiatorAliasSize), record.alias, TextEnd::kNul);
  return true;
}

// nullopt when in is shorter than 260 bytes.
inline std::optional<InitiatorNameRecord> DecodeInitiatorName(std::span<const uint8_t> in) {
  if (in.size() < kInitiatorNameRecordSize) return std::nullopt;
  InitiatorNameRecord record;
  record.flags = DecodeFixed16(in.data() + kInitiatorNameFlagsOffset);
  record.reserved = DecodeFixed16(in.data() + kInitiatorNameReservedOffset);
  record.name = DecodeText(in.subspan(kInitiatorNameOffset, kInitiatorNameSize));
  record.alias = DecodeText(in.subspan(kInitiatorAliasOffset, kInitiatorAliasSize));
  return record;
}

}  // namespace oxim::records

#endif  // OXIM_RECORDS_INITIATOR_NAME_H_
