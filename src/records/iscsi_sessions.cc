// Session records, lists, configuration and attributes; see
// iscsi_sessions.h.
#include "records/iscsi_sessions.h"

#include <algorithm>

namespace oxim::records {
namespace {

template <size_t N>
void GetBytes(const uint8_t* field, std::array<uint8_t, N>& out) {
  std::copy_n(field, N, out.begin());
}

template <size_t N>
void PutBytes(uint8_t* field, const std::array<uint8_t, N>& bytes) {
  std::copy(bytes.begin(), bytes.end(), field);
}

// REQUIRES: p points at kConnectionEntrySize bytes.
void EncodeConnection(uint8_t* p, const FirmwareConnection& c) {
  std::fill_n(p, kConnectionEntrySize, uint8_t{0});
  EncodeFixed32(p + kConnHandleOffset, c.handle);
  EncodeFixed32(p + kConnBitsOffset, c.bits);
  EncodeFixed16(p + kConnSourcePortOffset, c.source_port);
  EncodeFixed16(p + kConnDestinationPortOffset, c.destination_port);
  EncodeFixed16(p + kConnRedirectedPortOffset, c.redirected_port);
  EncodeFixed16(p + kConnIdOffset, c.connection_id);
  p[kConnSourceTypeOffset] = c.source_type;
  PutBytes(p + kConnSourceOffset, c.source_address);
  p[kConnDestinationTypeOffset] = c.destination_type;
  PutBytes(p + kConnDestinationOffset, c.destination_address);
  p[kConnRedirectedTypeOffset] = c.redirected_type;
  PutBytes(p + kConnRedirectedOffset, c.redirected_address);
  PutBytes(p + kConnPartOffset, c.connection_part);
}

// REQUIRES: p points at kConnectionEntrySize bytes.
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

// A list of u32 after a header of `header` bytes whose u32 at
// `count_offset` is the count: false when out cannot hold it.
bool EncodeWordList(std::span<uint8_t> out, size_t header, size_t count_offset,
                    const std::vector<uint32_t>& words) {
  if (out.size() < header || words.size() > (out.size() - header) / 4) return false;
  EncodeFixed32(out.data() + count_offset, static_cast<uint32_t>(words.size()));
  for (size_t i = 0; i < words.size(); ++i) EncodeFixed32(out.data() + header + 4 * i, words[i]);
  return true;
}

std::optional<std::vector<uint32_t>> DecodeWordList(std::span<const uint8_t> in, size_t header,
                                                    size_t count_offset) {
  if (in.size() < header) return std::nullopt;
  uint32_t count = DecodeFixed32(in.data() + count_offset);
  if (count > (in.size() - header) / 4) return std::nullopt;
  std::vector<uint32_t> words;
  words.reserve(count);
  for (uint32_t i = 0; i < count; ++i) words.push_back(DecodeFixed32(in.data() + header + 4 * i));
  return words;
}

}  // namespace

bool EncodeSessionHandleRequest(std::span<uint8_t> out, uint32_t handle) {
  if (out.size() < kSessionHandleRequestSize) return false;
  EncodeFixed32(out.data(), handle);
  return true;
}

std::optional<uint32_t> DecodeSessionHandleRequest(std::span<const uint8_t> in) {
  if (in.size() < kSessionHandleRequestSize) return std::nullopt;
  return DecodeFixed32(in.data());
}

size_t SessionRecordSize(const FirmwareSession& session) {
  return kSessionConnectionsOffset +
         kConnectionEntrySize * std::max<size_t>(session.connections.size(), 1);
}

bool EncodeSessionRecord(std::span<uint8_t> out, const FirmwareSession& session) {
  size_t size = SessionRecordSize(session);
  if (out.size() < size) return false;
  uint8_t* p = out.data();
  std::fill_n(p, size, uint8_t{0});
  EncodeFixed32(p + kSessionHandleOffset, session.handle);
  EncodeFixed32(p + kSessionStateOffset, session.state);
  PutBytes(p + kSessionIsidOffset, session.isid);
  EncodeFixed16(p + kSessionTsihOffset, session.tsih);
  EncodeFixed32(p + kSessionFlagsOffset, session.flags);
  EncodeFixed16(p + kSessionConnectionCountOffset,
                static_cast<uint16_t>(session.connections.size()));
  EncodeText(out.subspan(kSessionTargetNameOffset, kIscsiNameSize), session.target_name,
             TextEnd::kNul);
  EncodeText(out.subspan(kSessionInitiatorNameOffset, kIscsiNameSize), session.initiator_name,
             TextEnd::kNul);
  PutBytes(p + kSessionPartOffset, session.session_part);
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
  session.target_name = DecodeText(in.subspan(kSessionTargetNameOffset, kIscsiNameSize));
  session.initiator_name = DecodeText(in.subspan(kSessionInitiatorNameOffset, kIscsiNameSize));
  GetBytes(p + kSessionPartOffset, session.session_part);
  for (size_t c = 0; c < count; ++c) {
    size_t at = kSessionConnectionsOffset + kConnectionEntrySize * c;
    if (!FieldFits(at, kConnectionEntrySize, in.size())) break;
    session.connections.push_back(DecodeConnection(p + at));
  }
  return session;
}

uint16_t IsidQualifier(const std::array<uint8_t, kIsidSize>& isid) {
  return static_cast<uint16_t>(isid[4] << 8 | isid[5]);
}

bool EncodeActiveSessionQuery(std::span<uint8_t> out, uint32_t selector) {
  if (out.size() < kActiveSessionSelectorOffset + 4) return false;
  EncodeFixed32(out.data() + kActiveSessionSelectorOffset, selector);
  return true;
}

size_t ActiveSessionListSize(size_t count) { return kActiveSessionHandlesOffset + 4 * count; }

bool EncodeActiveSessionList(std::span<uint8_t> out, const std::vector<uint32_t>& handles) {
  if (out.size() < ActiveSessionListSize(handles.size())) return false;
  std::fill_n(out.data(), kActiveSessionHandlesOffset, uint8_t{0});
  return EncodeWordList(out, kActiveSessionHandlesOffset, kActiveSessionCountOffset, handles);
}

std::optional<std::vector<uint32_t>> DecodeActiveSessionList(std::span<const uint8_t> in) {
  return DecodeWordList(in, kActiveSessionHandlesOffset, kActiveSessionCountOffset);
}

uint16_t ConfigNameFirst(const SessionConfig& config) {
  return DecodeFixed16(config.block_240.data() + (kConfigNameFirstOffset - kConfigBlockOffset));
}

uint16_t ConfigNameSecond(const SessionConfig& config) {
  return DecodeFixed16(config.block_240.data() + (kConfigNameSecondOffset - kConfigBlockOffset));
}

void SetConfigNameValues(SessionConfig* config, uint16_t first, uint16_t second) {
  EncodeFixed16(config->block_240.data() + (kConfigNameFirstOffset - kConfigBlockOffset), first);
  EncodeFixed16(config->block_240.data() + (kConfigNameSecondOffset - kConfigBlockOffset), second);
}

bool EncodeSessionConfig(std::span<uint8_t> out, const SessionConfig& config) {
  if (out.size() < kSessionConfigSize) return false;
  uint8_t* p = out.data();
  std::fill_n(p, kSessionConfigSize, uint8_t{0});
  EncodeFixed32(p + kConfigHandleOffset, config.handle);
  EncodeFixed32(p + kConfigEtoOffset, config.eto);
  p[kConfigByteOffset] = config.byte_8;
  EncodeFixed32(p + kConfigWordOffset, config.word_12);
  PutBytes(p + kConfigBlockOffset, config.block_240);
  EncodeFixed32(p + kConfigLastWordOffset, config.word_272);
  return true;
}

std::optional<SessionConfig> DecodeSessionConfig(std::span<const uint8_t> in) {
  if (in.size() < kSessionConfigSize) return std::nullopt;
  const uint8_t* p = in.data();
  SessionConfig config;
  config.handle = DecodeFixed32(p + kConfigHandleOffset);
  config.eto = DecodeFixed32(p + kConfigEtoOffset);
  config.byte_8 = p[kConfigByteOffset];
  config.word_12 = DecodeFixed32(p + kConfigWordOffset);
  GetBytes(p + kConfigBlockOffset, config.block_240);
  config.word_272 = DecodeFixed32(p + kConfigLastWordOffset);
  return config;
}

bool EncodeSetSessionConfig(std::span<uint8_t> out, const SessionConfig& config) {
  if (out.size() < kSetSessionConfigSize) return false;
  uint8_t* p = out.data();
  std::fill_n(p, kSetSessionConfigSize, uint8_t{0});
  EncodeFixed32(p + kSetHandleOffset, config.handle);
  EncodeFixed32(p + kSetMarkerOffset, kSetMarker);
  EncodeFixed32(p + kSetEtoOffset, config.eto);
  p[kSetByteOffset] = config.byte_8;
  EncodeFixed32(p + kSetWordOffset, config.word_12);
  PutBytes(p + kSetBlockOffset, config.block_240);
  EncodeFixed32(p + kSetLastWordOffset, config.word_272);
  return true;
}

std::optional<SessionConfig> DecodeSetSessionConfig(std::span<const uint8_t> in) {
  if (in.size() < kSetSessionConfigSize) return std::nullopt;
  const uint8_t* p = in.data();
  SessionConfig config;
  config.handle = DecodeFixed32(p + kSetHandleOffset);
  config.eto = DecodeFixed32(p + kSetEtoOffset);
  config.byte_8 = p[kSetByteOffset];
  config.word_12 = DecodeFixed32(p + kSetWordOffset);
  GetBytes(p + kSetBlockOffset, config.block_240);
  config.word_272 = DecodeFixed32(p + kSetLastWordOffset);
  return config;
}

size_t SessionAttributesSize(size_t count) {
  return kSessionAttributesRecordsOffset + kSessionAttributesRecordSize * count;
}

bool EncodeSessionAttributesRequest(std::span<uint8_t> out, const std::vector<uint32_t>& handles) {
  if (!EncodeWordList(out, kSessionAttributesRecordsOffset, kAttributesCountOffset, handles)) {
    return false;
  }
  EncodeFixed32(out.data() + kAttributesMagicOffset, kSessionAttributesMagic);
  return true;
}

std::optional<std::vector<uint32_t>> DecodeSessionAttributesRequest(std::span<const uint8_t> in) {
  if (in.size() < kSessionAttributesRecordsOffset ||
      DecodeFixed32(in.data() + kAttributesMagicOffset) != kSessionAttributesMagic) {
    return std::nullopt;
  }
  return DecodeWordList(in, kSessionAttributesRecordsOffset, kAttributesCountOffset);
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
    std::span<uint8_t> record =
        out.subspan(kSessionAttributesRecordsOffset + kSessionAttributesRecordSize * i,
                    kSessionAttributesRecordSize);
    uint8_t* p = record.data();
    std::fill(record.begin(), record.end(), uint8_t{0});
    EncodeFixed32(p + kAttributesHandleOffset, r.handle);
    EncodeFixed32(p + kAttributesDirectionOffset, r.direction);
    EncodeFixed32(p + kAttributesCommandPdusOffset, r.command_pdus);
    EncodeFixed32(p + kAttributesResponsePdusOffset, r.response_pdus);
    EncodeFixed32(p + kAttributesTxOctetsHighOffset, r.tx_data_octets_high);
    EncodeFixed32(p + kAttributesRxOctetsHighOffset, r.rx_data_octets_high);
    EncodeFixed32(p + kAttributesDigestErrorsOffset, r.digest_errors);
    EncodeFixed32(p + kAttributesTimeoutsOffset, r.connection_timeouts);
    EncodeText(record.subspan(kAttributesAliasOffset, kAliasSize), r.target_alias, TextEnd::kNul);
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
    std::span<const uint8_t> record =
        in.subspan(kSessionAttributesRecordsOffset + kSessionAttributesRecordSize * i,
                   kSessionAttributesRecordSize);
    const uint8_t* p = record.data();
    SessionAttributes r;
    r.handle = DecodeFixed32(p + kAttributesHandleOffset);
    r.direction = DecodeFixed32(p + kAttributesDirectionOffset);
    r.command_pdus = DecodeFixed32(p + kAttributesCommandPdusOffset);
    r.response_pdus = DecodeFixed32(p + kAttributesResponsePdusOffset);
    r.tx_data_octets_high = DecodeFixed32(p + kAttributesTxOctetsHighOffset);
    r.rx_data_octets_high = DecodeFixed32(p + kAttributesRxOctetsHighOffset);
    r.digest_errors = DecodeFixed32(p + kAttributesDigestErrorsOffset);
    r.connection_timeouts = DecodeFixed32(p + kAttributesTimeoutsOffset);
    r.target_alias = DecodeText(record.subspan(kAttributesAliasOffset, kAliasSize));
    records.push_back(std::move(r));
  }
  return records;
}

}  // namespace oxim::records
