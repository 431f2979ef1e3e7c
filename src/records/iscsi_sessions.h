// The firmware's iSCSI sessions as the library reads and changes them: the
// session handle requests, the session record with its connection entries
// (ioctl_get_a_session), the active-session list (ioctl_get_activesessionid),
// the session configuration read and set (ioctl_get_session_conf,
// ioctl_set_session_conf) and the session attributes
// (ioctl_get_SsnAttr_params). Shared by the library and the emulated
// adapter. Little-endian.
//
// Session handle request (the session record read, the configuration size
// query and read, the logout):
//   offset size field
//   0      4    session handle
//
// Session record (1164 bytes for one connection):
//   0        4    session handle
//   4        4    state bits (below)
//   8        6    ISID; bytes 12 and 13 are the qualifier
//   14       2    TSIH
//   16       4    flags: bit 0 not persistent, bit 8 boot session, bit 10
//                 boot TLV type 4
//   20       2    number of connections
//   24       224  target name
//   248      224  initiator name
//   472      20   negotiated session part (login-options bytes 0..19)
//   492+672c 672  connection entry c
// Connection entry (from its start):
//   0  4   connection handle
//   4  4   bits: bit 0 logged in, bit 2 redirected
//   8  2   source port
//   10 2   destination port
//   12 2   redirected port
//   14 2   iSCSI connection ID
//   23 1   source address type        24 16 source address
//   47 1   destination address type   48 16 destination address
//   71 1   redirected address type    72 16 redirected address
//   92 580 negotiated connection part (login-options bytes 20..599)
//
// Active-session list: the request's u32 at 0 is the selector, ORed with
// 0xC0 (a 12-byte request for the size query); the answer:
//   0      4    number of sessions
//   8+4i   4    session handle i
//
// Session configuration (276 bytes, read):
//   0   4   session handle
//   4   4   extended time-out
//   8   1   carried over by a set
//   12  4   carried over by a set
//   240 32  carried over by a set; within it, the 16-bit values at 256
//           and 268 that a LUN's name shows (the firmware's numbering)
//   272 4   carried over by a set
// Set request (280 bytes):
//   0   4   session handle
//   4   4   1
//   8   4   new extended time-out
//   12  1   the byte at 8 of the read
//   16  4   the u32 at 12 of the read
//   244 32  bytes 240..271 of the read
//   276 4   the u32 at 272 of the read
//
// Session attributes (64000-byte buffer). Request:
//   0    4   0xA1B2C3D4
//   4    4   number of handles
//   8+4i 4   session handle i
// Answer: 0 u32 0xA1B2C3D4, 4 u32 number of records, from 8 one 64-byte
// record per session:
//   0 4 session handle          4 4 direction
//   8 4 command PDUs            12 4 response PDUs
//   16 4 transmitted data octets, high word
//   20 4 received data octets, high word
//   24 4 digest errors          28 4 connection time-out errors
//   32 32 target alias
//
//   std::optional<SessionConfig> config = DecodeSessionConfig(read);
//   config->eto = 120;
//   std::array<uint8_t, kSetSessionConfigSize> request{};
//   EncodeSetSessionConfig(request, *config);
#ifndef OXIM_RECORDS_ISCSI_SESSIONS_H_
#define OXIM_RECORDS_ISCSI_SESSIONS_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "records/coding.h"
#include "records/iscsi_portal.h"
#include "records/login_options_record.h"

namespace oxim::records {

// ---- Session handle request ------------------------------------------------
inline constexpr size_t kSessionHandleRequestSize = 4;

// Writes the handle at 0; false when out is shorter than 4 bytes.
bool EncodeSessionHandleRequest(std::span<uint8_t> out, uint32_t handle);
std::optional<uint32_t> DecodeSessionHandleRequest(std::span<const uint8_t> in);

// ---- Session record ----------------------------------------------------------
inline constexpr size_t kSessionRecordSize = 1164;
inline constexpr size_t kSessionHandleOffset = 0;
inline constexpr size_t kSessionStateOffset = 4;
inline constexpr size_t kSessionIsidOffset = 8;
inline constexpr size_t kIsidSize = 6;
inline constexpr size_t kSessionTsihOffset = 14;
inline constexpr size_t kSessionFlagsOffset = 16;
inline constexpr size_t kSessionConnectionCountOffset = 20;
inline constexpr size_t kSessionTargetNameOffset = 24;
inline constexpr size_t kSessionInitiatorNameOffset = 248;
inline constexpr size_t kSessionPartOffset = 472;
inline constexpr size_t kSessionConnectionsOffset = 492;
inline constexpr size_t kConnectionEntrySize = 672;
static_assert(FieldFits(kSessionIsidOffset, kIsidSize, kSessionTsihOffset));
static_assert(FieldFits(kSessionConnectionCountOffset, 2, kSessionTargetNameOffset));
static_assert(FieldFits(kSessionTargetNameOffset, kIscsiNameSize, kSessionInitiatorNameOffset));
static_assert(FieldFits(kSessionInitiatorNameOffset, kIscsiNameSize, kSessionPartOffset));
static_assert(FieldFits(kSessionPartOffset, kLoginSessionPartSize, kSessionConnectionsOffset));
static_assert(kSessionConnectionsOffset + kConnectionEntrySize == kSessionRecordSize);

// Connection entry fields, from the entry's start.
inline constexpr size_t kConnHandleOffset = 0;
inline constexpr size_t kConnBitsOffset = 4;
inline constexpr size_t kConnSourcePortOffset = 8;
inline constexpr size_t kConnDestinationPortOffset = 10;
inline constexpr size_t kConnRedirectedPortOffset = 12;
inline constexpr size_t kConnIdOffset = 14;
inline constexpr size_t kConnSourceTypeOffset = 23;
inline constexpr size_t kConnSourceOffset = 24;
inline constexpr size_t kConnDestinationTypeOffset = 47;
inline constexpr size_t kConnDestinationOffset = 48;
inline constexpr size_t kConnRedirectedTypeOffset = 71;
inline constexpr size_t kConnRedirectedOffset = 72;
inline constexpr size_t kConnPartOffset = 92;
inline constexpr size_t kConnPartSize = kLoginOptionsSize - kLoginSessionPartSize;
static_assert(FieldFits(kConnIdOffset, 2, kConnSourceTypeOffset));
static_assert(FieldFits(kConnSourceOffset, kAddressSize, kConnDestinationTypeOffset));
static_assert(FieldFits(kConnDestinationOffset, kAddressSize, kConnRedirectedTypeOffset));
static_assert(FieldFits(kConnRedirectedOffset, kAddressSize, kConnPartOffset));
static_assert(kConnPartOffset + kConnPartSize == kConnectionEntrySize);

// Session state bits.
inline constexpr uint32_t kSessionOpen = 1u << 0;
inline constexpr uint32_t kSessionLoginInProgress = 1u << 1;
inline constexpr uint32_t kSessionClosed = 1u << 5;
inline constexpr uint32_t kSessionRecovery6 = 1u << 6;
inline constexpr uint32_t kSessionLoginFailed = 1u << 8;
inline constexpr uint32_t kSessionLogoutFailed = 1u << 11;
inline constexpr uint32_t kSessionRecovery12 = 1u << 12;
inline constexpr uint32_t kSessionDeleted = 1u << 13;
// Session flags.
inline constexpr uint32_t kSessionNotPersistent = 1u << 0;
inline constexpr uint32_t kSessionBoot = 1u << 8;
// Connection bits.
inline constexpr uint32_t kConnectionLoggedIn = 1u << 0;
inline constexpr uint32_t kConnectionRedirected = 1u << 2;

struct FirmwareConnection {
  uint32_t handle = 0;
  uint32_t bits = 0;
  uint16_t source_port = 0;
  uint16_t destination_port = 0;
  uint16_t redirected_port = 0;
  uint16_t connection_id = 0;
  uint8_t source_type = kAddressNone;
  std::array<uint8_t, kAddressSize> source_address{};
  uint8_t destination_type = kAddressNone;
  std::array<uint8_t, kAddressSize> destination_address{};
  uint8_t redirected_type = kAddressNone;
  std::array<uint8_t, kAddressSize> redirected_address{};
  std::array<uint8_t, kConnPartSize> connection_part{};
};

struct FirmwareSession {
  uint32_t handle = 0;
  uint32_t state = 0;
  std::array<uint8_t, kIsidSize> isid{};  // isid[4], isid[5]: the qualifier
  uint16_t tsih = 0;
  uint32_t flags = 0;
  std::string target_name;
  std::string initiator_name;
  std::array<uint8_t, kLoginSessionPartSize> session_part{};
  std::vector<FirmwareConnection> connections;
};

// Bytes a session record needs: 492 + 672 per connection (at least one).
size_t SessionRecordSize(const FirmwareSession& session);
// false when out is too short. Names are cut to their field, keeping a NUL.
bool EncodeSessionRecord(std::span<uint8_t> out, const FirmwareSession& session);
// Reads the connections that lie wholly inside in (at most the count);
// nullopt when in is shorter than 492 bytes.
std::optional<FirmwareSession> DecodeSessionRecord(std::span<const uint8_t> in);
// The qualifier in an ISID (bytes 4 and 5, big-endian as printed "%02x%02x").
uint16_t IsidQualifier(const std::array<uint8_t, kIsidSize>& isid);

// ---- Active-session list -----------------------------------------------------
inline constexpr uint32_t kActiveSessionSelector = 0xC0;
inline constexpr size_t kActiveSessionSizeRequest = 12;
inline constexpr size_t kActiveSessionSelectorOffset = 0;
inline constexpr size_t kActiveSessionCountOffset = 0;
inline constexpr size_t kActiveSessionHandlesOffset = 8;

// Writes the selector at 0; false when out is shorter than 4 bytes.
bool EncodeActiveSessionQuery(std::span<uint8_t> out, uint32_t selector);
// Bytes an answer with `count` handles needs.
size_t ActiveSessionListSize(size_t count);
bool EncodeActiveSessionList(std::span<uint8_t> out, const std::vector<uint32_t>& handles);
// nullopt when the count names more handles than the buffer holds.
std::optional<std::vector<uint32_t>> DecodeActiveSessionList(std::span<const uint8_t> in);

// ---- Session configuration ---------------------------------------------------
inline constexpr size_t kSessionConfigSize = 276;
inline constexpr size_t kConfigHandleOffset = 0;
inline constexpr size_t kConfigEtoOffset = 4;
inline constexpr size_t kConfigByteOffset = 8;
inline constexpr size_t kConfigWordOffset = 12;
inline constexpr size_t kConfigBlockOffset = 240;
inline constexpr size_t kConfigBlockSize = 32;
inline constexpr size_t kConfigLastWordOffset = 272;
static_assert(FieldFits(kConfigWordOffset, 4, kConfigBlockOffset));
static_assert(FieldFits(kConfigBlockOffset, kConfigBlockSize, kConfigLastWordOffset));
static_assert(FieldFits(kConfigLastWordOffset, 4, kSessionConfigSize));
inline constexpr size_t kConfigNameFirstOffset = 256;
inline constexpr size_t kConfigNameSecondOffset = 268;
static_assert(kConfigNameFirstOffset >= kConfigBlockOffset &&
              FieldFits(kConfigNameFirstOffset - kConfigBlockOffset, 2, kConfigBlockSize));
static_assert(kConfigNameSecondOffset >= kConfigBlockOffset &&
              FieldFits(kConfigNameSecondOffset - kConfigBlockOffset, 2, kConfigBlockSize));

inline constexpr size_t kSetSessionConfigSize = 280;
inline constexpr size_t kSetHandleOffset = 0;
inline constexpr size_t kSetMarkerOffset = 4;
inline constexpr uint32_t kSetMarker = 1;
inline constexpr size_t kSetEtoOffset = 8;
inline constexpr size_t kSetByteOffset = 12;
inline constexpr size_t kSetWordOffset = 16;
inline constexpr size_t kSetBlockOffset = 244;
inline constexpr size_t kSetLastWordOffset = 276;
static_assert(FieldFits(kSetWordOffset, 4, kSetBlockOffset));
static_assert(FieldFits(kSetBlockOffset, kConfigBlockSize, kSetLastWordOffset));
static_assert(FieldFits(kSetLastWordOffset, 4, kSetSessionConfigSize));

// The fields of a session's configuration that the library reads or sets,
// and those a set request carries back as read (the firmware's own).
struct SessionConfig {
  uint32_t handle = 0;
  uint32_t eto = 0;  // extended time-out, seconds
  uint8_t byte_8 = 0;
  uint32_t word_12 = 0;
  std::array<uint8_t, kConfigBlockSize> block_240{};
  uint32_t word_272 = 0;
};

// The two values at 256 and 268 (read from and written into block_240).
uint16_t ConfigNameFirst(const SessionConfig& config);
uint16_t ConfigNameSecond(const SessionConfig& config);
void SetConfigNameValues(SessionConfig* config, uint16_t first, uint16_t second);

// The 276-byte record (other bytes zeroed); false when out is too short.
bool EncodeSessionConfig(std::span<uint8_t> out, const SessionConfig& config);
// nullopt when in is shorter than 276 bytes.
std::optional<SessionConfig> DecodeSessionConfig(std::span<const uint8_t> in);
// The 280-byte set request for a configuration (with its new time-out);
// false when out is too short.
bool EncodeSetSessionConfig(std::span<uint8_t> out, const SessionConfig& config);
// The configuration a set request carries (the u32 1 at 4 is not checked);
// nullopt when in is shorter than 280 bytes.
std::optional<SessionConfig> DecodeSetSessionConfig(std::span<const uint8_t> in);

// ---- Session attributes ------------------------------------------------------
inline constexpr size_t kSessionAttributesSize = 64000;
inline constexpr uint32_t kSessionAttributesMagic = 0xA1B2C3D4;
inline constexpr size_t kAttributesMagicOffset = 0;
inline constexpr size_t kAttributesCountOffset = 4;
inline constexpr size_t kSessionAttributesRecordsOffset = 8;
inline constexpr size_t kSessionAttributesRecordSize = 64;
// Record fields, from the record's start.
inline constexpr size_t kAttributesHandleOffset = 0;
inline constexpr size_t kAttributesDirectionOffset = 4;
inline constexpr size_t kAttributesCommandPdusOffset = 8;
inline constexpr size_t kAttributesResponsePdusOffset = 12;
inline constexpr size_t kAttributesTxOctetsHighOffset = 16;
inline constexpr size_t kAttributesRxOctetsHighOffset = 20;
inline constexpr size_t kAttributesDigestErrorsOffset = 24;
inline constexpr size_t kAttributesTimeoutsOffset = 28;
inline constexpr size_t kAttributesAliasOffset = 32;
static_assert(FieldFits(kAttributesTimeoutsOffset, 4, kAttributesAliasOffset));
static_assert(FieldFits(kAttributesAliasOffset, kAliasSize, kSessionAttributesRecordSize));

struct SessionAttributes {
  uint32_t handle = 0;
  uint32_t direction = 0;
  uint32_t command_pdus = 0;
  uint32_t response_pdus = 0;
  uint32_t tx_data_octets_high = 0;
  uint32_t rx_data_octets_high = 0;
  uint32_t digest_errors = 0;
  uint32_t connection_timeouts = 0;
  std::string target_alias;
};

// Bytes an answer with `count` records needs.
size_t SessionAttributesSize(size_t count);
// false when the handles do not fit.
bool EncodeSessionAttributesRequest(std::span<uint8_t> out, const std::vector<uint32_t>& handles);
// nullopt without the magic word or when the count overruns in.
std::optional<std::vector<uint32_t>> DecodeSessionAttributesRequest(std::span<const uint8_t> in);
bool EncodeSessionAttributes(std::span<uint8_t> out, const std::vector<SessionAttributes>& records);
// nullopt without the magic word or when the count overruns in.
std::optional<std::vector<SessionAttributes>> DecodeSessionAttributes(std::span<const uint8_t> in);

}  // namespace oxim::records

#endif  // OXIM_RECORDS_ISCSI_SESSIONS_H_
