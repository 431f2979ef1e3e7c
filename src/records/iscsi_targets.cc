// The target-ID list and the target record; see iscsi_targets.h.
#include "records/iscsi_targets.h"

#include <algorithm>

namespace oxim::records {
namespace {

// Where portal p of group g starts in a target record.
constexpr size_t PortalPosition(size_t group, size_t portal) {
  return kPortalGroupsOffset + kPortalGroupStride * group + kPortalInGroupOffset +
         kPortalInGroupStride * portal;
}

}  // namespace

bool EncodeTargetIdRequest(std::span<uint8_t> out, uint32_t selector, uint32_t flags) {
  if (out.size() < kTargetIdRequestSize) return false;
  EncodeFixed32(out.data() + kTargetIdSelectorOffset, selector);
  EncodeFixed32(out.data() + kTargetIdFlagsOffset, flags);
  return true;
}

std::optional<uint32_t> DecodeTargetIdSelector(std::span<const uint8_t> in) {
  if (in.size() < kTargetIdRequestSize) return std::nullopt;
  return DecodeFixed32(in.data() + kTargetIdSelectorOffset);
}

size_t TargetIdListSize(size_t count) {
  return kTargetIdEntriesOffset + kTargetIdEntrySize * count;
}

bool EncodeTargetIdList(std::span<uint8_t> out, const std::vector<uint32_t>& ids) {
  if (out.size() < kTargetIdEntriesOffset ||
      ids.size() > (out.size() - kTargetIdEntriesOffset) / kTargetIdEntrySize) {
    return false;
  }
  EncodeFixed32(out.data() + kTargetIdCountOffset, static_cast<uint32_t>(ids.size()));
  uint8_t* entry = out.data() + kTargetIdEntriesOffset;
  for (uint32_t id : ids) {
    std::fill_n(entry, kTargetIdEntrySize, uint8_t{0});
    EncodeFixed32(entry, id);
    entry += kTargetIdEntrySize;
  }
  return true;
}

std::optional<std::vector<uint32_t>> DecodeTargetIdList(std::span<const uint8_t> in) {
  if (in.size() < kTargetIdEntriesOffset) return std::nullopt;
  uint32_t count = DecodeFixed32(in.data() + kTargetIdCountOffset);
  if (count > (in.size() - kTargetIdEntriesOffset) / kTargetIdEntrySize) return std::nullopt;
  std::vector<uint32_t> ids;
  ids.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    ids.push_back(DecodeFixed32(in.data() + kTargetIdEntriesOffset + kTargetIdEntrySize * i));
  }
  return ids;
}

bool EncodeTargetRequest(std::span<uint8_t> out, uint32_t id) {
  if (out.size() < kTargetRequestIdOffset + 4) return false;
  EncodeFixed32(out.data() + kTargetRequestIdOffset, id);
  return true;
}

std::optional<uint32_t> DecodeTargetRequest(std::span<const uint8_t> in) {
  if (in.size() < kTargetRequestIdOffset + 4) return std::nullopt;
  return DecodeFixed32(in.data() + kTargetRequestIdOffset);
}

size_t TargetRecordSize(const FirmwareTarget& target) {
  size_t size =
      kPortalGroupsOffset + kPortalGroupStride * std::max<size_t>(target.groups.size(), 1);
  for (size_t g = 0; g < target.groups.size(); ++g) {
    size_t portals = target.groups[g].portals.size();
    if (portals > 0) size = std::max(size, PortalPosition(g, portals - 1) + kPortalEntrySize);
  }
  return size;
}

bool EncodeTargetRecord(std::span<uint8_t> out, const FirmwareTarget& target) {
  size_t size = TargetRecordSize(target);
  if (out.size() < size) return false;
  uint8_t* p = out.data();
  std::fill_n(p, size, uint8_t{0});
  EncodeFixed32(p + kTargetIdOffset, target.id);
  EncodeText(out.subspan(kTargetNameOffset, kIscsiNameSize), target.name, TextEnd::kNul);
  EncodeText(out.subspan(kTargetAliasOffset, kAliasSize), target.alias, TextEnd::kNul);
  EncodeFixed32(p + kPortalGroupCountOffset, static_cast<uint32_t>(target.groups.size()));
  // Group by group: a group with several portals reaches into the next
  // group's room, and the next group's header is written over it.
  for (size_t g = 0; g < target.groups.size(); ++g) {
    const PortalGroup& group = target.groups[g];
    uint8_t* start = p + kPortalGroupsOffset + kPortalGroupStride * g;
    EncodeFixed16(start + kGroupTagOffset, group.tag);
    EncodeFixed16(start + kGroupPortalCountOffset, static_cast<uint16_t>(group.portals.size()));
    for (size_t i = 0; i < group.portals.size(); ++i) {
      EncodePortalEntry(out.subspan(PortalPosition(g, i), kPortalEntrySize), group.portals[i]);
    }
  }
  return true;
}

std::optional<FirmwareTarget> DecodeTargetRecord(std::span<const uint8_t> in) {
  if (in.size() < kPortalGroupsOffset) return std::nullopt;
  const uint8_t* p = in.data();
  FirmwareTarget target;
  target.id = DecodeFixed32(p + kTargetIdOffset);
  target.name = DecodeText(in.subspan(kTargetNameOffset, kIscsiNameSize));
  target.alias = DecodeText(in.subspan(kTargetAliasOffset, kAliasSize));
  uint32_t groups = DecodeFixed32(p + kPortalGroupCountOffset);
  for (size_t g = 0; g < groups; ++g) {
    size_t start = kPortalGroupsOffset + kPortalGroupStride * g;
    if (!FieldFits(start, kGroupHeaderSize, in.size())) break;
    PortalGroup group;
    group.tag = DecodeFixed16(p + start + kGroupTagOffset);
    uint16_t portals = DecodeFixed16(p + start + kGroupPortalCountOffset);
    for (size_t i = 0; i < portals; ++i) {
      const size_t at = PortalPosition(g, i);
      if (!FieldFits(at, kPortalEntrySize, in.size())) break;
      group.portals.push_back(*DecodePortalEntry(in.subspan(at, kPortalEntrySize)));
    }
    target.groups.push_back(std::move(group));
  }
  return target;
}

}  // namespace oxim::records
