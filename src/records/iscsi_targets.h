// The firmware's target store as the library reads it: the list of target
// IDs (ioctl_get_all_tgt_id) and one target record with its portal groups
// (ioctl_get_a_target_size, ioctl_get_a_target). Shared by the library and
// the emulated adapter. Little-endian.
//
// Target-ID list request (8 bytes, in a 64000-byte buffer):
//   offset size field
//   0      4    selector: 1 for the discovered targets, 0 for the others
//   4      4    flags: the library ORs in 0x0E
// Target-ID list answer (over the request):
//   0      4    number of targets
//   4+8i   8    entry i: the target ID in its first 4 bytes
//
// Target request (the size query's 816 bytes, or the record's buffer):
//   0      4    target ID
//
// Target record (264 bytes, then 552 per portal group, at least one):
//   0            4    target ID
//   4            224  target name
//   228          32   alias
//   260          4    number of portal groups
//   264+552g     2    portal group tag of group g
//   266+552g     2    number of portals in group g
//   268+552g+548p 32  portal entry p of group g (iscsi_portal.h)
// A group's second portal lies where the next group begins, as the firmware
// lays it out. The size query's request is the size of a record with one
// group's room (816 bytes).
//
//   std::vector<uint8_t> record(TargetRecordSize(target));
//   EncodeTargetRecord(record, target);
//   std::optional<FirmwareTarget> back = DecodeTargetRecord(record);
#ifndef OXIM_RECORDS_ISCSI_TARGETS_H_
#define OXIM_RECORDS_ISCSI_TARGETS_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "records/coding.h"
#include "records/iscsi_portal.h"

namespace oxim::records {

// ---- Target-ID list ----------------------------------------------------------
inline constexpr size_t kTargetIdListSize = 64000;
inline constexpr size_t kTargetIdRequestSize = 8;
inline constexpr size_t kTargetIdSelectorOffset = 0;
inline constexpr size_t kTargetIdFlagsOffset = 4;
inline constexpr uint32_t kTargetIdListFlags = 0x0E;
inline constexpr size_t kTargetIdCountOffset = 0;
inline constexpr size_t kTargetIdEntriesOffset = 4;
inline constexpr size_t kTargetIdEntrySize = 8;
static_assert(FieldFits(kTargetIdFlagsOffset, 4, kTargetIdRequestSize));

// Writes selector and flags; false when out is shorter than 8 bytes.
bool EncodeTargetIdRequest(std::span<uint8_t> out, uint32_t selector, uint32_t flags);
// The selector of a request (0: the stored targets, 1: with the discovered
// ones); nullopt when in is shorter than 8 bytes.
std::optional<uint32_t> DecodeTargetIdSelector(std::span<const uint8_t> in);
inline constexpr uint32_t kTargetIdSelectorDiscovered = 1;
// Bytes an answer with `count` targets needs.
size_t TargetIdListSize(size_t count);
// false when out cannot hold the list.
bool EncodeTargetIdList(std::span<uint8_t> out, const std::vector<uint32_t>& ids);
// nullopt when the count names more entries than the buffer holds.
std::optional<std::vector<uint32_t>> DecodeTargetIdList(std::span<const uint8_t> in);

// ---- Target request ----------------------------------------------------------
inline constexpr size_t kTargetSizeRequestSize = 816;
inline constexpr size_t kTargetRequestIdOffset = 0;

// Writes the target ID at 0; false when out is shorter than 4 bytes.
bool EncodeTargetRequest(std::span<uint8_t> out, uint32_t id);
std::optional<uint32_t> DecodeTargetRequest(std::span<const uint8_t> in);

// ---- Target record -----------------------------------------------------------
inline constexpr size_t kTargetIdOffset = 0;
inline constexpr size_t kTargetNameOffset = 4;
inline constexpr size_t kTargetAliasOffset = 228;
inline constexpr size_t kPortalGroupCountOffset = 260;
inline constexpr size_t kPortalGroupsOffset = 264;
inline constexpr size_t kPortalGroupStride = 552;
// From a group's start.
inline constexpr size_t kGroupTagOffset = 0;
inline constexpr size_t kGroupPortalCountOffset = 2;
inline constexpr size_t kGroupHeaderSize = 4;
inline constexpr size_t kPortalInGroupOffset = 4;
inline constexpr size_t kPortalInGroupStride = 548;
static_assert(FieldFits(kTargetNameOffset, kIscsiNameSize, kTargetAliasOffset));
static_assert(FieldFits(kTargetAliasOffset, kAliasSize, kPortalGroupCountOffset));
static_assert(FieldFits(kPortalGroupCountOffset, 4, kPortalGroupsOffset));
static_assert(FieldFits(kGroupPortalCountOffset, 2, kGroupHeaderSize));
static_assert(FieldFits(kPortalInGroupOffset, kPortalEntrySize, kPortalGroupStride));
static_assert(kPortalGroupsOffset + kPortalGroupStride == kTargetSizeRequestSize);

struct PortalGroup {
  uint16_t tag = 0;
  std::vector<PortalEntry> portals;
};

struct FirmwareTarget {
  uint32_t id = 0;
  std::string name;
  std::string alias;
  std::vector<PortalGroup> groups;
};

// Bytes a record needs: 264 + 552 per group (at least one group's room),
// plus whatever a group's extra portals reach beyond that.
size_t TargetRecordSize(const FirmwareTarget& target);
// false when out is shorter than TargetRecordSize(target). Names are cut to
// their field, keeping a NUL.
bool EncodeTargetRecord(std::span<uint8_t> out, const FirmwareTarget& target);
// Reads the groups and portals that lie wholly inside in; nullopt when in is
// shorter than the fixed part (264 bytes).
std::optional<FirmwareTarget> DecodeTargetRecord(std::span<const uint8_t> in);

}  // namespace oxim::records

#endif  // OXIM_RECORDS_ISCSI_TARGETS_H_
