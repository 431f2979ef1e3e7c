// Byte layouts of the firmware's iSCSI records; see firmware_records.h.
#include "records/iscsi_records.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "core/address.h"
#include "records/coding.h"

namespace oxim::records {
namespace {

// Portal entry fields.
constexpr size_t kPortalMarkerOffset = 0;
constexpr size_t kPortalTypeOffset = 3;
constexpr size_t kPortalAddressOffset = 4;
constexpr size_t kPortalPortOffset = 24;
constexpr size_t kPortalTagOffset = 28;
static_assert(FieldFits(kPortalTagOffset, 4, kPortalEntrySize));

// Target-ID list fields.
constexpr size_t kTargetIdRequestSize = 8;
constexpr size_t kTargetIdEntriesOffset = 4;

// Target record fields.
constexpr size_t kTargetIdOffset = 0;
constexpr size_t kGroupTagOffset = 0;  // from the group's start
constexpr size_t kGroupPortalCountOffset = 2;
constexpr size_t kGroupHeaderSize = 4;
static_assert(FieldFits(kTargetAliasOffset, kAliasSize, kPortalGroupCountOffset));
static_assert(kPortalGroupCountOffset + 4 == kPortalGroupsOffset);

// Login request fields.
constexpr size_t kLoginMarkerSize = 4;
static_assert(FieldFits(kLoginPortalOffset, kPortalEntrySize, kLoginFlagsOffset));
static_assert(FieldFits(kLoginOptionsOffset, kLoginOptionsSize, kLoginInitiatorNameOffset));
static_assert(FieldFits(kLoginInitiatorNameOffset, kIscsiNameSize, kLoginInitiatorAliasOffset));
static_assert(FieldFits(kLoginInitiatorAliasOffset, kAliasSize, kLoginMarkerOffset));
static_assert(FieldFits(kLoginMarkerOffset, kLoginMarkerSize, kLoginRequestSize));

// Login response fields.
constexpr size_t kResponseHandleOffset = 0;
constexpr size_t kResponseStateOffset = 4;
constexpr size_t kResponseConnectionOffset = 8;
constexpr size_t kLoginResponseSize =
    kLoginResponseConnectionPartOffset + kLoginOptionsSize - kLoginSessionPartSize;
static_assert(kLoginResponseSessionPartOffset + kLoginSessionPartSize ==
              kLoginResponseConnectionPartOffset);
static_assert(kLoginResponseSize <= kLoginRequestSize);

// Persistent-target deletion fields.
constexpr size_t kDeletePortalOffset = kIscsiNameSize;
static_assert(FieldFits(kDeletePortalOffset, kPortalEntrySize, kDeletePersistentInitiatorOffset));
static_assert(FieldFits(kDeletePersistentInitiatorOffset, kIscsiNameSize, kDeletePersistentSize));

// Session record fields.
constexpr size_t kSessionHandleOffset = 0;
constexpr size_t kSessionStateOffset = 4;
constexpr size_t kSessionIsidOffset = 8;
constexpr size_t kSessionTsihOffset = 14;
constexpr size_t kSessionFlagsOffset = 16;
constexpr size_t kSessionConnectionCountOffset = 20;
constexpr size_t kSessionTargetNameOffset = 24;
constexpr size_t kSessionInitiatorNameOffset = 248;
constexpr size_t kSessionPartOffset = 472;
static_assert(FieldFits(kSessionTargetNameOffset, kIscsiNameSize, kSessionInitiatorNameOffset));
static_assert(FieldFits(kSessionInitiatorNameOffset, kIscsiNameSize, kSessionPartOffset));
static_assert(FieldFits(kSessionPartOffset, kLoginSessionPartSize, kSessionConnectionsOffset));
static_assert(kSessionConnectionsOffset + kConnectionEntrySize == kSessionRecordSize);

// Connection entry fields (from the entry's start).
constexpr size_t kConnHandleOffset = 0;
constexpr size_t kConnBitsOffset = 4;
constexpr size_t kConnSourcePortOffset = 8;
constexpr size_t kConnDestinationPortOffset = 10;
constexpr size_t kConnRedirectedPortOffset = 12;
constexpr size_t kConnIdOffset = 14;
constexpr size_t kConnSourceTypeOffset = 23;
constexpr size_t kConnSourceOffset = 24;
constexpr size_t kConnDestinationTypeOffset = 47;
constexpr size_t kConnDestinationOffset = 48;
constexpr size_t kConnRedirectedTypeOffset = 71;
constexpr size_t kConnRedirectedOffset = 72;
constexpr size_t kConnPartOffset = 92;
constexpr size_t kConnPartSize = kLoginOptionsSize - kLoginSessionPartSize;
static_assert(FieldFits(kConnRedirectedOffset, 16, kConnPartOffset));
static_assert(kConnPartOffset + kConnPartSize == kConnectionEntrySize);

// Active-session list fields.
constexpr size_t kActiveSessionCountOffset = 0;

// Session configuration: the fields a set request carries over from a read.
constexpr size_t kConfigByteOffset = 8;
constexpr size_t kConfigWordOffset = 12;
constexpr size_t kConfigBlockOffset = 240;
constexpr size_t kConfigBlockSize = 32;
constexpr size_t kConfigLastWordOffset = 272;
constexpr size_t kSetHandleOffset = 0;
constexpr size_t kSetMarkerOffset = 4;
constexpr size_t kSetEtoOffset = 8;
constexpr size_t kSetByteOffset = 12;
constexpr size_t kSetWordOffset = 16;
constexpr size_t kSetBlockOffset = 244;
constexpr size_t kSetLastWordOffset = 276;
static_assert(FieldFits(kConfigLastWordOffset, 4, kSessionConfigSize));
static_assert(FieldFits(kSetLastWordOffset, 4, kSetSessionConfigSize));

// Session attributes fields.
constexpr size_t kAttributesMagicOffset = 0;
constexpr size_t kAttributesCountOffset = 4;
constexpr size_t kAttributesAliasOffset = 32;
static_assert(FieldFits(kAttributesAliasOffset, kAliasSize, kSessionAttributesRecordSize));

template <size_t N>
void GetBytes(const uint8_t* field, std::array<uint8_t, N>& out) {
  std::memcpy(out.data(), field, N);
}

// The dotted IPv4 text as four bytes; zeros when it is not one.
std::array<uint8_t, 4> Ipv4Bytes(std::string_view text) {
  std::array<uint8_t, 4> bytes{};
  std::string copy(text);
  uint8_t octets[4] = {};
  constexpr int kFormOnly = -1;  // no host or netmask rule, only the dotted form
  if (validateIPAddress(copy.c_str(), octets, kFormOnly) == 1) {
    std::copy(std::begin(octets), std::end(octets), bytes.begin());
  }
  return bytes;
}

// Where portal p of group g starts in a target record.
constexpr size_t PortalPosition(size_t group, size_t portal) {
  return kPortalGroupsOffset + kPortalGroupStride * group + kPortalInGroupOffset +
         kPortalInGroupStride * portal;
}

void EncodeConnection(uint8_t* p, const FirmwareConnection& c) {
  std::memset(p, 0, kConnectionEntrySize);
  EncodeFixed32(p + kConnHandleOffset, c.handle);
  EncodeFixed32(p + kConnBitsOffset, c.bits);
  EncodeFixed16(p + kConnSourcePortOffset, c.source_port);
  EncodeFixed16(p + kConnDestinationPortOffset, c.destination_port);
  EncodeFixed16(p + kConnRedirectedPortOffset, c.redirected_port);
  EncodeFixed16(p + kConnIdOffset, c.connection_id);
  p[kConnSourceTypeOffset] = c.source_type;
  std::memcpy(p + kConnSourceOffset, c.source_address.data(), 16);
  p[kConnDestinationTypeOffset] = c.destination_type;
  std::memcpy(p + kConnDestinationOffset, c.destination_address.data(), 16);
  p[kConnRedirectedTypeOffset] = c.redirected_type;
  std::memcpy(p + kConnRedirectedOffset, c.redirected_address.data(), 16);
  std::memcpy(p + kConnPartOffset, c.connection_part.data(), kConnPartSize);
}

FirmwareConnection DecodeConnection(const uint8_t* p) {
  FirmwareConnection c;
  c.handle = DecodeFixed32(p + kConnHandleOffset);
  c.bits = DecodeFixed32(p + kConnBitsOffset);
  c.source_port = DecodeFixed16(p + kConnSourcePortOffset);
  c.destination_port = DecodeFixed16(p + kConnDestinationPortOffset);
  c.redirected_port = DecodeFixed16(p + kConnRedirectedPortOffset);
  c.connection_id = DecodeFixed16(p + kConnIdOffset);
  c.source_type = p[kConnSourceTypeOffset];
  GetBytes(p + kConnSourceOffset, c.source_address);
  c.destination_type = p[kConnDestinationTypeOffset];
  GetBytes(p + kConnDestinationOffset, c.destination_address);
  c.redirected_type = p[kConnRedirectedTypeOffset];
  GetBytes(p + kConnRedirectedOffset, c.redirected_address);
  GetBytes(p + kConnPartOffset, c.connection_part);
  return c;
}

}  // namespace

std::string FormatAddress(uint8_t type, std::span<const uint8_t, 16> bytes) {
  if (type == kAddressIpv6) {
    char text[kIpv6StrSize];
    U8IPv6ToStr(bytes.data(), text);
    return text;
  }
  if ((type & 0x07) == 0) return "0.0.0.0";
  char text[16];
  std::snprintf(text, sizeof text, "%d.%d.%d.%d", bytes[0], bytes[1], bytes[2], bytes[3]);
  return text;
}

PortalEntry PortalFromText(std::string_view address, uint16_t port) {
  PortalEntry portal;
  portal.port = port;
  if (address.size() < 16) {
    portal.address_type = kAddressIpv4;
    std::array<uint8_t, 4> octets = Ipv4Bytes(address);
    std::copy(octets.begin(), octets.end(), portal.address.begin());
  } else {
    portal.address_type = kAddressIpv6;
    std::string copy(address);
    StrToU8IPv6(copy.c_str(), portal.address.data());
  }
  return portal;
}

std::string PortalAddressText(const PortalEntry& portal) {
  return FormatAddress(portal.address_type, portal.address);
}

void EncodePortalEntry(std::span<uint8_t> out, const PortalEntry& portal) {
  if (out.size() < kPortalEntrySize) return;
  uint8_t* p = out.data();
  std::memset(p, 0, kPortalEntrySize);
  EncodeFixed16(p + kPortalMarkerOffset, portal.marker);
  p[kPortalTypeOffset] = portal.address_type;
  std::memcpy(p + kPortalAddressOffset, portal.address.data(), portal.address.size());
  EncodeFixed16(p + kPortalPortOffset, portal.port);
  EncodeFixed32(p + kPortalTagOffset, portal.tag);
}

PortalEntry DecodePortalEntry(std::span<const uint8_t> in) {
  PortalEntry portal;
  if (in.size() < kPortalEntrySize) return portal;
  const uint8_t* p = in.data();
  portal.marker = DecodeFixed16(p + kPortalMarkerOffset);
  portal.address_type = p[kPortalTypeOffset];
  GetBytes(p + kPortalAddressOffset, portal.address);
  portal.port = DecodeFixed16(p + kPortalPortOffset);
  portal.tag = DecodeFixed32(p + kPortalTagOffset);
  return portal;
}

void EncodeTargetIdRequest(std::span<uint8_t> out, uint32_t selector, uint32_t flags) {
  if (out.size() < kTargetIdRequestSize) return;
  EncodeFixed32(out.data(), selector);
  EncodeFixed32(out.data() + 4, flags);
}

bool EncodeTargetIdList(std::span<uint8_t> out, const std::vector<uint32_t>& ids) {
  if (out.size() < kTargetIdEntriesOffset ||
      ids.size() > (out.size() - kTargetIdEntriesOffset) / kTargetIdEntrySize) {
    return false;
  }
  EncodeFixed32(out.data(), static_cast<uint32_t>(ids.size()));
  uint8_t* entry = out.data() + kTargetIdEntriesOffset;
  for (uint32_t id : ids) {
    std::memset(entry, 0, kTargetIdEntrySize);
    EncodeFixed32(entry, id);
    entry += kTargetIdEntrySize;
  }
  return true;
}

std::optional<std::vector<uint32_t>> DecodeTargetIdList(std::span<const uint8_t> in) {
  if (in.size() < kTargetIdEntriesOffset) return std::nullopt;
  uint32_t count = DecodeFixed32(in.data());
  if (count > (in.size() - kTargetIdEntriesOffset) / kTargetIdEntrySize) return std::nullopt;
  std::vector<uint32_t> ids;
  ids.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    ids.push_back(DecodeFixed32(in.data() + kTargetIdEntriesOffset + kTargetIdEntrySize * i));
  }
  return ids;
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
  std::memset(p, 0, size);
  EncodeFixed32(p + kTargetIdOffset, target.id);
  EncodeText(std::span<uint8_t>(p + kTargetNameOffset, kIscsiNameSize), target.name, TextEnd::kNul);
  EncodeText(std::span<uint8_t>(p + kTargetAliasOffset, kAliasSize), target.alias, TextEnd::kNul);
  EncodeFixed32(p + kPortalGroupCountOffset, static_cast<uint32_t>(target.groups.size()));
  // Group by group: a group with several portals reaches into the next
  // group's room, as the firmware lays it out.
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
  target.name = DecodeText(std::span<const uint8_t>(p + kTargetNameOffset, kIscsiNameSize));
  target.alias = DecodeText(std::span<const uint8_t>(p + kTargetAliasOffset, kAliasSize));
  uint32_t groups = DecodeFixed32(p + kPortalGroupCountOffset);
  for (size_t g = 0; g < groups; ++g) {
    size_t start = kPortalGroupsOffset + kPortalGroupStride * g;
    if (!FieldFits(start, kGroupHeaderSize, in.size())) break;
    PortalGroup group;
    group.tag = DecodeFixed16(p + start + kGroupTagOffset);
    uint16_t portals = DecodeFixed16(p + start + kGroupPortalCountOffset);
    for (size_t i = 0; i < portals; ++i) {
      size_t at = PortalPosition(g, i);
      if (!FieldFits(at, kPortalEntrySize, in.size())) break;
      group.portals.push_back(DecodePortalEntry(in.subspan(at, kPortalEntrySize)));
    }
    target.groups.push_back(std::move(group));
  }
  return target;
}

void EncodeLoginRequest(std::span<uint8_t> out, const LoginRequest& request) {
  if (out.size() < kLoginRequestSize) return;
  uint8_t* p = out.data();
  std::memset(p, 0, kLoginRequestSize);
  EncodeText(std::span<uint8_t>(p, kIscsiNameSize), request.target_name, TextEnd::kNul);
  EncodePortalEntry(out.subspan(kLoginPortalOffset, kPortalEntrySize), request.portal);
  EncodeFixed32(p + kLoginFlagsOffset, request.flags);
  EncodeFixed32(p + kLoginEtoOffset, request.eto);
  EncodeFixed16(p + kLoginIsidOffset, request.isid_qualifier);
  std::memcpy(p + kLoginOptionsOffset, request.options.data(), kLoginOptionsSize);
  EncodeText(std::span<uint8_t>(p + kLoginInitiatorNameOffset, kIscsiNameSize),
             request.initiator_name, TextEnd::kNul);
  EncodeText(std::span<uint8_t>(p + kLoginInitiatorAliasOffset, kAliasSize),
             request.initiator_alias, TextEnd::kNul);
  std::memset(p + kLoginMarkerOffset, 0xFF, kLoginMarkerSize);
}

std::optional<LoginRequest> DecodeLoginRequest(std::span<const uint8_t> in) {
  if (in.size() < kLoginRequestSize) return std::nullopt;
  const uint8_t* p = in.data();
  LoginRequest request;
  request.target_name = DecodeText(std::span<const uint8_t>(p, kIscsiNameSize));
  request.portal = DecodePortalEntry(in.subspan(kLoginPortalOffset, kPortalEntrySize));
  request.flags = DecodeFixed32(p + kLoginFlagsOffset);
  request.eto = DecodeFixed32(p + kLoginEtoOffset);
  request.isid_qualifier = DecodeFixed16(p + kLoginIsidOffset);
  GetBytes(p + kLoginOptionsOffset, request.options);
  request.initiator_name =
      DecodeText(std::span<const uint8_t>(p + kLoginInitiatorNameOffset, kIscsiNameSize));
  request.initiator_alias =
      DecodeText(std::span<const uint8_t>(p + kLoginInitiatorAliasOffset, kAliasSize));
  return request;
}

void EncodeLoginResponse(std::span<uint8_t> out, const LoginResponse& response) {
  if (out.size() < kLoginResponseSize) return;
  uint8_t* p = out.data();
  std::memset(p, 0, kLoginResponseSize);
  EncodeFixed32(p + kResponseHandleOffset, response.session_handle);
  EncodeFixed32(p + kResponseStateOffset, response.state);
  EncodeFixed32(p + kResponseConnectionOffset, response.connection_handle);
  std::memcpy(p + kLoginResponseSessionPartOffset, response.negotiated.data(), kLoginOptionsSize);
}

std::optional<LoginResponse> DecodeLoginResponse(std::span<const uint8_t> in) {
  if (in.size() < kLoginResponseSize) return std::nullopt;
  const uint8_t* p = in.data();
  LoginResponse response;
  response.session_handle = DecodeFixed32(p + kResponseHandleOffset);
  response.state = DecodeFixed32(p + kResponseStateOffset);
  response.connection_handle = DecodeFixed32(p + kResponseConnectionOffset);
  GetBytes(p + kLoginResponseSessionPartOffset, response.negotiated);
  return response;
}

void EncodeDeletePersistent(std::span<uint8_t> out, const DeletePersistentRequest& request) {
  if (out.size() < kDeletePersistentSize) return;
  uint8_t* p = out.data();
  std::memset(p, 0, kDeletePersistentSize);
  EncodeText(std::span<uint8_t>(p, kIscsiNameSize), request.target_name, TextEnd::kNul);
  EncodePortalEntry(out.subspan(kDeletePortalOffset, kPortalEntrySize), request.portal);
  EncodeText(std::span<uint8_t>(p + kDeletePersistentInitiatorOffset, kIscsiNameSize),
             request.initiator_name, TextEnd::kNul);
}

std::optional<DeletePersistentRequest> DecodeDeletePersistent(std::span<const uint8_t> in) {
  if (in.size() < kDeletePersistentSize) return std::nullopt;
  DeletePersistentRequest request;
  request.target_name = DecodeText(std::span<const uint8_t>(in.data(), kIscsiNameSize));
  request.portal = DecodePortalEntry(in.subspan(kDeletePortalOffset, kPortalEntrySize));
  request.initiator_name = DecodeText(
      std::span<const uint8_t>(in.data() + kDeletePersistentInitiatorOffset, kIscsiNameSize));
  return request;
}

size_t SessionRecordSize(const FirmwareSession& session) {
  return kSessionConnectionsOffset +
         kConnectionEntrySize * std::max<size_t>(session.connections.size(), 1);
}

bool EncodeSessionRecord(std::span<uint8_t> out, const FirmwareSession& session) {
  size_t size = SessionRecordSize(session);
  if (out.size() < size) return false;
  uint8_t* p = out.data();
  std::memset(p, 0, size);
  EncodeFixed32(p + kSessionHandleOffset, session.handle);
  EncodeFixed32(p + kSessionStateOffset, session.state);
  std::memcpy(p + kSessionIsidOffset, session.isid.data(), session.isid.size());
  EncodeFixed16(p + kSessionTsihOffset, session.tsih);
  EncodeFixed32(p + kSessionFlagsOffset, session.flags);
  EncodeFixed16(p + kSessionConnectionCountOffset,
                static_cast<uint16_t>(session.connections.size()));
  EncodeText(std::span<uint8_t>(p + kSessionTargetNameOffset, kIscsiNameSize), session.target_name,
             TextEnd::kNul);
  EncodeText(std::span<uint8_t>(p + kSessionInitiatorNameOffset, kIscsiNameSize),
             session.initiator_name, TextEnd::kNul);
  std::memcpy(p + kSessionPartOffset, session.session_part.data(), kLoginSessionPartSize);
  for (size_t c = 0; c < session.connections.size(); ++c) {
    EncodeConnection(p + kSessionConnectionsOffset + kConnectionEntrySize * c,
                     session.connections[c]);
  }
  return true;
}

std::optional<FirmwareSession> DecodeSessionRecord(std::span<const uint8_t> in) {
  if (in.size() < kSessionConnectionsOffset) return std::nullopt;
  const uint8_t* p = in.data();
  FirmwareSession session;
  session.handle = DecodeFixed32(p + kSessionHandleOffset);
  session.state = DecodeFixed32(p + kSessionStateOffset);
  GetBytes(p + kSessionIsidOffset, session.isid);
  session.tsih = DecodeFixed16(p + kSessionTsihOffset);
  session.flags = DecodeFixed32(p + kSessionFlagsOffset);
  uint16_t count = DecodeFixed16(p + kSessionConnectionCountOffset);
  session.target_name =
      DecodeText(std::span<const uint8_t>(p + kSessionTargetNameOffset, kIscsiNameSize));
  session.initiator_name =
      DecodeText(std::span<const uint8_t>(p + kSessionInitiatorNameOffset, kIscsiNameSize));
  GetBytes(p + kSessionPartOffset, session.session_part);
  for (size_t c = 0; c < count; ++c) {
    size_t at = kSessionConnectionsOffset + kConnectionEntrySize * c;
    if (!FieldFits(at, kConnectionEntrySize, in.size())) break;
    session.connections.push_back(DecodeConnection(p + at));
  }
  return session;
}

uint16_t IsidQualifier(const std::array<uint8_t, 6>& isid) {
  return static_cast<uint16_t>(isid[4] << 8 | isid[5]);
}

size_t ActiveSessionListSize(size_t count) { return kActiveSessionHandlesOffset + 4 * count; }

bool EncodeActiveSessionList(std::span<uint8_t> out, const std::vector<uint32_t>& handles) {
  if (out.size() < kActiveSessionHandlesOffset ||
      handles.size() > (out.size() - kActiveSessionHandlesOffset) / 4) {
    return false;
  }
  std::memset(out.data(), 0, kActiveSessionHandlesOffset);
  EncodeFixed32(out.data() + kActiveSessionCountOffset, static_cast<uint32_t>(handles.size()));
  for (size_t i = 0; i < handles.size(); ++i) {
    EncodeFixed32(out.data() + kActiveSessionHandlesOffset + 4 * i, handles[i]);
  }
  return true;
}

std::optional<std::vector<uint32_t>> DecodeActiveSessionList(std::span<const uint8_t> in) {
  if (in.size() < kActiveSessionHandlesOffset) return std::nullopt;
  uint32_t count = DecodeFixed32(in.data() + kActiveSessionCountOffset);
  if (count > (in.size() - kActiveSessionHandlesOffset) / 4) return std::nullopt;
  std::vector<uint32_t> handles;
  handles.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    handles.push_back(DecodeFixed32(in.data() + kActiveSessionHandlesOffset + 4 * i));
  }
  return handles;
}

void EncodeSetSessionConfig(std::span<uint8_t> out, std::span<const uint8_t> config, uint32_t eto) {
  if (config.size() < kSessionConfigSize || out.size() < kSetSessionConfigSize) return;
  const uint8_t* c = config.data();
  uint8_t* p = out.data();
  std::memset(p, 0, kSetSessionConfigSize);
  EncodeFixed32(p + kSetHandleOffset, DecodeFixed32(c));
  EncodeFixed32(p + kSetMarkerOffset, 1);
  EncodeFixed32(p + kSetEtoOffset, eto);
  p[kSetByteOffset] = c[kConfigByteOffset];
  EncodeFixed32(p + kSetWordOffset, DecodeFixed32(c + kConfigWordOffset));
  std::memcpy(p + kSetBlockOffset, c + kConfigBlockOffset, kConfigBlockSize);
  EncodeFixed32(p + kSetLastWordOffset, DecodeFixed32(c + kConfigLastWordOffset));
}

bool EncodeSessionAttributesRequest(std::span<uint8_t> out, const std::vector<uint32_t>& handles) {
  if (out.size() < kSessionAttributesRecordsOffset ||
      handles.size() > (out.size() - kSessionAttributesRecordsOffset) / 4) {
    return false;
  }
  EncodeFixed32(out.data() + kAttributesMagicOffset, kSessionAttributesMagic);
  EncodeFixed32(out.data() + kAttributesCountOffset, static_cast<uint32_t>(handles.size()));
  for (size_t i = 0; i < handles.size(); ++i) {
    EncodeFixed32(out.data() + kSessionAttributesRecordsOffset + 4 * i, handles[i]);
  }
  return true;
}

std::optional<std::vector<uint32_t>> DecodeSessionAttributesRequest(std::span<const uint8_t> in) {
  if (in.size() < kSessionAttributesRecordsOffset ||
      DecodeFixed32(in.data() + kAttributesMagicOffset) != kSessionAttributesMagic) {
    return std::nullopt;
  }
  uint32_t count = DecodeFixed32(in.data() + kAttributesCountOffset);
  if (count > (in.size() - kSessionAttributesRecordsOffset) / 4) return std::nullopt;
  std::vector<uint32_t> handles;
  handles.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    handles.push_back(DecodeFixed32(in.data() + kSessionAttributesRecordsOffset + 4 * i));
  }
  return handles;
}

bool EncodeSessionAttributes(std::span<uint8_t> out,
                             const std::vector<SessionAttributes>& records) {
  if (out.size() < kSessionAttributesRecordsOffset ||
      records.size() >
          (out.size() - kSessionAttributesRecordsOffset) / kSessionAttributesRecordSize) {
    return false;
  }
  EncodeFixed32(out.data() + kAttributesMagicOffset, kSessionAttributesMagic);
  EncodeFixed32(out.data() + kAttributesCountOffset, static_cast<uint32_t>(records.size()));
  for (size_t i = 0; i < records.size(); ++i) {
    const SessionAttributes& r = records[i];
    uint8_t* p = out.data() + kSessionAttributesRecordsOffset + kSessionAttributesRecordSize * i;
    std::memset(p, 0, kSessionAttributesRecordSize);
    EncodeFixed32(p, r.handle);
    EncodeFixed32(p + 4, r.direction);
    EncodeFixed32(p + 8, r.command_pdus);
    EncodeFixed32(p + 12, r.response_pdus);
    EncodeFixed32(p + 16, r.tx_data_octets_high);
    EncodeFixed32(p + 20, r.rx_data_octets_high);
    EncodeFixed32(p + 24, r.digest_errors);
    EncodeFixed32(p + 28, r.connection_timeouts);
    EncodeText(std::span<uint8_t>(p + kAttributesAliasOffset, kAliasSize), r.target_alias,
               TextEnd::kNul);
  }
  return true;
}

std::optional<std::vector<SessionAttributes>> DecodeSessionAttributes(std::span<const uint8_t> in) {
  if (in.size() < kSessionAttributesRecordsOffset ||
      DecodeFixed32(in.data() + kAttributesMagicOffset) != kSessionAttributesMagic) {
    return std::nullopt;
  }
  uint32_t count = DecodeFixed32(in.data() + kAttributesCountOffset);
  if (count > (in.size() - kSessionAttributesRecordsOffset) / kSessionAttributesRecordSize) {
    return std::nullopt;
  }
  std::vector<SessionAttributes> records;
  records.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t* p =
        in.data() + kSessionAttributesRecordsOffset + kSessionAttributesRecordSize * i;
    SessionAttributes r;
    r.handle = DecodeFixed32(p);
    r.direction = DecodeFixed32(p + 4);
    r.command_pdus = DecodeFixed32(p + 8);
    r.response_pdus = DecodeFixed32(p + 12);
    r.tx_data_octets_high = DecodeFixed32(p + 16);
    r.rx_data_octets_high = DecodeFixed32(p + 20);
    r.digest_errors = DecodeFixed32(p + 24);
    r.connection_timeouts = DecodeFixed32(p + 28);
    r.target_alias = DecodeText(std::span<const uint8_t>(p + kAttributesAliasOffset, kAliasSize));
    records.push_back(std::move(r));
  }
  return records;
}

}  // namespace oxim::records
