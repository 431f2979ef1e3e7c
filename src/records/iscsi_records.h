// Byte layouts of the firmware's iSCSI records: portal entries, the
// target-ID list and target records, login and persistent-target requests
// and the login response, session records with their connection entries,
// the active-session list, session configuration, discovery parameters and
// session attributes. Shared by the library (which builds requests and reads
// answers) and the emulated adapter (which does the reverse), so both sides
// use one definition of every offset. All multi-byte fields are
// little-endian. Decoders never read outside the span they are given.
//
//   LoginRequest request;
//   request.target_name = "iqn.2001-04.com.example:disk1";
//   request.portal = PortalFromText("192.0.2.10", 3260);
//   std::array<uint8_t, kLoginRequestSize> buffer{};
//   EncodeLoginRequest(buffer, request);
#ifndef OXIM_RECORDS_ISCSI_RECORDS_H_
#define OXIM_RECORDS_ISCSI_RECORDS_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "records/login_options_record.h"

namespace oxim::records {

// ---- Addresses -------------------------------------------------------------
// Address type codes: 0 none ("0.0.0.0"), any value with one of its three low
// bits set is IPv4 (first four bytes), 16 IPv6.
inline constexpr uint8_t kAddressNone = 0;
inline constexpr uint8_t kAddressIpv4 = 1;
inline constexpr uint8_t kAddressIpv6 = 16;

// The text of an address: "0.0.0.0" for type 0 (and unknown types), dotted
// "%d.%d.%d.%d" for IPv4, the library's IPv6 text form for 16.
std::string FormatAddress(uint8_t type, std::span<const uint8_t, 16> bytes);

// ---- Portal entry (32 bytes) ----------------------------------------------
//   0  2  marker: 24 when the library fills an entry
//   2  1  reserved
//   3  1  address type
//   4  16 address (IPv4 in the first 4 bytes)
//   20 4  reserved
//   24 2  TCP port
//   26 2  reserved
//   28 4  tag: portal group tag in discovery results, ISID word in
//         persistent-target requests
inline constexpr size_t kPortalEntrySize = 32;
inline constexpr uint16_t kPortalEntryMarker = 24;

struct PortalEntry {
  uint16_t marker = kPortalEntryMarker;
  uint8_t address_type = kAddressNone;
  std::array<uint8_t, 16> address{};
  uint16_t port = 0;
  uint32_t tag = 0;
};

// A portal entry for an address text: type 1 (dotted IPv4 converted byte by
// byte) for a text shorter than 16 characters, else type 16 (IPv6 text).
PortalEntry PortalFromText(std::string_view address, uint16_t port);
std::string PortalAddressText(const PortalEntry& portal);

// REQUIRES: out.size() >= kPortalEntrySize / in.size() >= kPortalEntrySize.
void EncodePortalEntry(std::span<uint8_t> out, const PortalEntry& portal);
PortalEntry DecodePortalEntry(std::span<const uint8_t> in);

// ---- Target-ID list (ioctl_get_all_tgt_id) --------------------------------
// Request: 0 u32 selector (discovered flag), 4 u32 flags (the library ORs in
// 0x0E). Response: 0 u32 count, from 4 one 8-byte entry per target whose
// first u32 is the target ID.
inline constexpr size_t kTargetIdListSize = 64000;
inline constexpr uint32_t kTargetIdListFlags = 0x0E;
inline constexpr size_t kTargetIdEntrySize = 8;

void EncodeTargetIdRequest(std::span<uint8_t> out, uint32_t selector, uint32_t flags);
// false when out cannot hold the list.
bool EncodeTargetIdList(std::span<uint8_t> out, const std::vector<uint32_t>& ids);
// nullopt when the count names more entries than the buffer holds.
std::optional<std::vector<uint32_t>> DecodeTargetIdList(std::span<const uint8_t> in);

// ---- Target record (ioctl_get_a_target_size / ioctl_get_a_target) ---------
//   0            4    target ID
//   4            224  target name, NUL-terminated
//   228          32   alias
//   260          4    number of portal groups
//   264+552g     2    portal group tag of group g
//   266+552g     2    number of portals in group g
//   268+552g+548p 32  portal entry p of group g
// The size query sends an 816-byte request (a record with one portal group)
// holding the target ID at 0; the answer's size is the record's size.
inline constexpr size_t kTargetSizeRequestSize = 816;
inline constexpr size_t kTargetNameOffset = 4;
inline constexpr size_t kIscsiNameSize = 224;
inline constexpr size_t kTargetAliasOffset = 228;
inline constexpr size_t kAliasSize = 32;
inline constexpr size_t kPortalGroupCountOffset = 260;
inline constexpr size_t kPortalGroupsOffset = 264;
inline constexpr size_t kPortalGroupStride = 552;
inline constexpr size_t kPortalInGroupOffset = 4;  // from the group's start
inline constexpr size_t kPortalInGroupStride = 548;

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
// false when out is shorter than TargetRecordSize(target).
bool EncodeTargetRecord(std::span<uint8_t> out, const FirmwareTarget& target);
// Reads the groups and portals that lie wholly inside in; nullopt when in is
// shorter than the fixed part (264 bytes).
std::optional<FirmwareTarget> DecodeTargetRecord(std::span<const uint8_t> in);

// ---- Target login request (1420 bytes; login and persistent entries) ------
//   0    224 target name
//   224  32  portal entry (tag word: ISID word for persistent requests)
//   508  4   flags
//   520  4   extended time-out (0xFFFFFFFF: none)
//   524  2   ISID qualifier
//   528  600 login-options record
//   1128 224 initiator name
//   1352 32  initiator alias
//   1398 4   all 0xFF
inline constexpr size_t kLoginRequestSize = 1420;
inline constexpr size_t kLoginPortalOffset = 224;
inline constexpr size_t kLoginFlagsOffset = 508;
inline constexpr size_t kLoginEtoOffset = 520;
inline constexpr size_t kLoginIsidOffset = 524;
inline constexpr size_t kLoginOptionsOffset = 528;
inline constexpr size_t kLoginInitiatorNameOffset = 1128;
inline constexpr size_t kLoginInitiatorAliasOffset = 1352;
inline constexpr size_t kLoginMarkerOffset = 1398;
inline constexpr uint32_t kLoginFlagsLogin = 0x41;
inline constexpr uint32_t kLoginFlagsPersistent = 0x40;
inline constexpr uint32_t kLoginFlagBootTarget = 0x100;
inline constexpr uint32_t kLoginFlagsDiscovery = 0x11;
inline constexpr uint32_t kNoEto = 0xFFFFFFFF;

struct LoginRequest {
  std::string target_name;
  PortalEntry portal;
  uint32_t flags = kLoginFlagsLogin;
  uint32_t eto = kNoEto;
  uint16_t isid_qualifier = 0;
  std::array<uint8_t, kLoginOptionsSize> options{};  // an encoded record
  std::string initiator_name;
  std::string initiator_alias;
};

// REQUIRES: out.size() >= kLoginRequestSize. Names are cut to their field
// (keeping a NUL).
void EncodeLoginRequest(std::span<uint8_t> out, const LoginRequest& request);
std::optional<LoginRequest> DecodeLoginRequest(std::span<const uint8_t> in);

// ---- Login response (over the request buffer) -----------------------------
//   0  4   session handle
//   4  4   session state bits
//   8  4   connection handle
//   16 20  negotiated session part (login-options bytes 0..19)
//   36 580 negotiated connection part (login-options bytes 20..599)
inline constexpr size_t kLoginResponseSessionPartOffset = 16;
inline constexpr size_t kLoginResponseConnectionPartOffset = 36;

struct LoginResponse {
  uint32_t session_handle = 0;
  uint32_t state = 0;
  uint32_t connection_handle = 0;
  std::array<uint8_t, kLoginOptionsSize> negotiated{};  // the two parts joined
};

void EncodeLoginResponse(std::span<uint8_t> out, const LoginResponse& response);
std::optional<LoginResponse> DecodeLoginResponse(std::span<const uint8_t> in);

// ---- Persistent-target deletion request (480 bytes) ------------------------
//   0   224 target name
//   224 32  portal entry; its tag word (offset 252) holds the ISID qualifier
//           ORed with 0x80000000
//   256 224 initiator name
inline constexpr size_t kDeletePersistentSize = 480;
inline constexpr size_t kDeletePersistentInitiatorOffset = 256;
inline constexpr uint32_t kIsidWordFlag = 0x80000000;

struct DeletePersistentRequest {
  std::string target_name;
  PortalEntry portal;  // tag: qualifier | kIsidWordFlag
  std::string initiator_name;
};

void EncodeDeletePersistent(std::span<uint8_t> out, const DeletePersistentRequest& request);
std::optional<DeletePersistentRequest> DecodeDeletePersistent(std::span<const uint8_t> in);

// ---- Session record (ioctl_get_a_session, 1164 bytes for one connection) ----
//   0   4   session handle
//   4   4   state bits
//   8   6   ISID; bytes 12 and 13 are the qualifier
//   14  2   TSIH
//   16  4   flags: bit 0 not persistent, bit 8 boot session, bit 10 boot TLV type 4
//   20  2   number of connections
//   24  224 target name
//   248 224 initiator name
//   472 20  negotiated session part
//   492+672c 672 connection entry c
// Connection entry: 0 u32 handle; 4 u32 bits (bit 0 logged in, bit 2
// redirected); 8 u16 source port; 10 u16 destination port; 12 u16 redirected
// port; 14 u16 connection ID; 23 source address type, 24 source address (16);
// 47 destination type, 48 destination (16); 71 redirected type, 72
// redirected (16); 92 connection part (580).
inline constexpr size_t kSessionRecordSize = 1164;
inline constexpr size_t kSessionConnectionsOffset = 492;
inline constexpr size_t kConnectionEntrySize = 672;

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
  std::array<uint8_t, 16> source_address{};
  uint8_t destination_type = kAddressNone;
  std::array<uint8_t, 16> destination_address{};
  uint8_t redirected_type = kAddressNone;
  std::array<uint8_t, 16> redirected_address{};
  std::array<uint8_t, kLoginOptionsSize - kLoginSessionPartSize> connection_part{};
};

struct FirmwareSession {
  uint32_t handle = 0;
  uint32_t state = 0;
  std::array<uint8_t, 6> isid{};  // isid[4], isid[5]: the qualifier
  uint16_t tsih = 0;
  uint32_t flags = 0;
  std::string target_name;
  std::string initiator_name;
  std::array<uint8_t, kLoginSessionPartSize> session_part{};
  std::vector<FirmwareConnection> connections;
};

// Bytes a session record needs: 492 + 672 per connection (at least one).
size_t SessionRecordSize(const FirmwareSession& session);
// false when out is too short.
bool EncodeSessionRecord(std::span<uint8_t> out, const FirmwareSession& session);
// Reads the connections that lie wholly inside in (at most the count);
// nullopt when in is shorter than 492 bytes.
std::optional<FirmwareSession> DecodeSessionRecord(std::span<const uint8_t> in);
// The qualifier in an ISID (bytes 4 and 5, big-endian as printed "%02x%02x").
uint16_t IsidQualifier(const std::array<uint8_t, 6>& isid);

// ---- Active-session list (ioctl_get_activesessionid) ------------------------
// Request: 0 u32 selector ORed with 0xC0. Response: 0 u32 count, from 8 the
// session handles as u32.
inline constexpr uint32_t kActiveSessionSelector = 0xC0;
inline constexpr size_t kActiveSessionSizeRequest = 12;
inline constexpr size_t kActiveSessionHandlesOffset = 8;

size_t ActiveSessionListSize(size_t count);
bool EncodeActiveSessionList(std::span<uint8_t> out, const std::vector<uint32_t>& handles);
std::optional<std::vector<uint32_t>> DecodeActiveSessionList(std::span<const uint8_t> in);

// ---- Session configuration -------------------------------------------------
// Read (ioctl_get_sessionconfig_size with a 276-byte request, then
// ioctl_get_session_conf): 0 u32 session handle, 4 u32 extended time-out,
// 8 byte, 12 u32, 240..271 bytes, 272 u32 (kept and sent back on a set).
// Set (ioctl_set_session_conf, 280 bytes): 0 handle; 4 u32 1; 8 u32 new
// time-out; 12 the byte at 8 of the read; 16 its u32 at 12; 244..275 its
// bytes 240..271; 276 its u32 at 272.
inline constexpr size_t kSessionConfigSize = 276;
inline constexpr size_t kSessionConfigEtoOffset = 4;
inline constexpr size_t kSetSessionConfigSize = 280;

// Builds the set request from a configuration read and the new time-out.
// REQUIRES: config.size() >= kSessionConfigSize, out.size() >=
// kSetSessionConfigSize.
void EncodeSetSessionConfig(std::span<uint8_t> out, std::span<const uint8_t> config, uint32_t eto);

// ---- Boot session marking (ioctl_set_boot_target_params, 528 bytes) -------
//   0 u32 session handle
//   4 u32 the session's flags as read from its record, bit 8 set to mark it
//         as boot session or clear to unmark it
inline constexpr size_t kBootMarkSize = 528;
inline constexpr size_t kBootMarkFlagsOffset = 4;

// ---- Discovery parameters (888 bytes) ---------------------------------------
//   544 1   bit 0: iSNS discovery enabled
//   548 224 initiator name
inline constexpr size_t kDiscoveryParamsSize = 888;
inline constexpr size_t kDiscoveryIsnsEnableOffset = 544;
inline constexpr size_t kDiscoveryInitiatorNameOffset = 548;

// ---- Session attributes (ioctl_get_SsnAttr_params, 64000 bytes) ------------
// Request: 0 u32 0xA1B2C3D4, 4 u32 number of handles, from 8 the handles as
// u32. Response: 0 u32 0xA1B2C3D4, 4 u32 number of records, from 8 one
// 64-byte record per session:
//   0 u32 session handle, 4 u32 direction, 8 u32 command PDUs, 12 u32
//   response PDUs, 16 u32 transmitted data octets (high word), 20 u32
//   received data octets (high word), 24 u32 digest errors, 28 u32
//   connection time-out errors, 32 32-byte target alias (NUL-terminated).
inline constexpr size_t kSessionAttributesSize = 64000;
inline constexpr uint32_t kSessionAttributesMagic = 0xA1B2C3D4;
inline constexpr size_t kSessionAttributesRecordsOffset = 8;
inline constexpr size_t kSessionAttributesRecordSize = 64;

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

// false when the handles do not fit.
bool EncodeSessionAttributesRequest(std::span<uint8_t> out, const std::vector<uint32_t>& handles);
std::optional<std::vector<uint32_t>> DecodeSessionAttributesRequest(std::span<const uint8_t> in);
bool EncodeSessionAttributes(std::span<uint8_t> out, const std::vector<SessionAttributes>& records);
// nullopt without the magic word or when the count overruns in.
std::optional<std::vector<SessionAttributes>> DecodeSessionAttributes(std::span<const uint8_t> in);

}  // namespace oxim::records

#endif  // OXIM_RECORDS_ISCSI_RECORDS_H_
