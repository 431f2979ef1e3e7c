// The firmware's login records: the 1420-byte target login request (a
// login, ioctl_login_target, or a persistent entry,
// ioctl_add_persistent_target), the login response written over it, the
// persistent-target deletion (ioctl_del_persistent_target) and the boot
// session marking (ioctl_set_boot_target_params). A logout sends a session
// handle request (iscsi_sessions.h). Shared by the library and the emulated
// adapter. Little-endian.
//
// Target login request (1420 bytes):
//   offset size field
//   0      224  target name
//   224    32   portal entry (iscsi_portal.h; tag word: ISID word for a
//               persistent entry)
//   508    4    flags: login 0x41; persistent entry 0x40, plus 0x100 for a
//               boot target; a discovery login ORs in 0x11
//   520    4    extended time-out (0xFFFFFFFF: none)
//   524    2    ISID qualifier
//   528    600  login-options record (login_options_record.h)
//   1128   224  initiator name
//   1352   32   initiator alias
//   1398   4    all 0xFF
//
// Login response (over the request):
//   0      4    session handle
//   4      4    session state bits (iscsi_sessions.h)
//   8      4    connection handle
//   16     20   negotiated session part (login-options bytes 0..19)
//   36     580  negotiated connection part (login-options bytes 20..599)
//
// Persistent-target deletion (480 bytes):
//   0      224  target name
//   224    32   portal entry; its tag word (offset 252) holds the ISID
//               qualifier ORed with 0x80000000
//   256    224  initiator name
//
// Boot session marking (528 bytes):
//   0      4    session handle
//   4      4    the session's flags as read from its record, bit 8 set to
//               mark it as boot session or clear to unmark it
//
//   LoginRequest request;
//   request.target_name = "iqn.2001-04.com.example:disk1";
//   request.portal = PortalFromText("192.0.2.10", 3260);
//   std::array<uint8_t, kLoginRequestSize> buffer{};
//   EncodeLoginRequest(buffer, request);
#ifndef OXIM_RECORDS_ISCSI_LOGIN_H_
#define OXIM_RECORDS_ISCSI_LOGIN_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "records/coding.h"
#include "records/iscsi_portal.h"
#include "records/login_options_record.h"

namespace oxim::records {

// ---- Target login request ----------------------------------------------------
inline constexpr size_t kLoginRequestSize = 1420;
inline constexpr size_t kLoginTargetNameOffset = 0;
inline constexpr size_t kLoginPortalOffset = 224;
inline constexpr size_t kLoginFlagsOffset = 508;
inline constexpr size_t kLoginEtoOffset = 520;
inline constexpr size_t kLoginIsidOffset = 524;
inline constexpr size_t kLoginOptionsOffset = 528;
inline constexpr size_t kLoginInitiatorNameOffset = 1128;
inline constexpr size_t kLoginInitiatorAliasOffset = 1352;
inline constexpr size_t kLoginMarkerOffset = 1398;
inline constexpr size_t kLoginMarkerSize = 4;
static_assert(FieldFits(kLoginTargetNameOffset, kIscsiNameSize, kLoginPortalOffset));
static_assert(FieldFits(kLoginPortalOffset, kPortalEntrySize, kLoginFlagsOffset));
static_assert(FieldFits(kLoginEtoOffset, 4, kLoginIsidOffset));
static_assert(FieldFits(kLoginIsidOffset, 2, kLoginOptionsOffset));
static_assert(FieldFits(kLoginOptionsOffset, kLoginOptionsSize, kLoginInitiatorNameOffset));
static_assert(FieldFits(kLoginInitiatorNameOffset, kIscsiNameSize, kLoginInitiatorAliasOffset));
static_assert(FieldFits(kLoginInitiatorAliasOffset, kAliasSize, kLoginMarkerOffset));
static_assert(FieldFits(kLoginMarkerOffset, kLoginMarkerSize, kLoginRequestSize));

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

// Writes the request (unnamed bytes zeroed); false when out is shorter than
// 1420 bytes. Names are cut to their field, keeping a NUL.
bool EncodeLoginRequest(std::span<uint8_t> out, const LoginRequest& request);
// nullopt when in is shorter than 1420 bytes.
std::optional<LoginRequest> DecodeLoginRequest(std::span<const uint8_t> in);

// ---- Login response ----------------------------------------------------------
inline constexpr size_t kResponseHandleOffset = 0;
inline constexpr size_t kResponseStateOffset = 4;
inline constexpr size_t kResponseConnectionOffset = 8;
inline constexpr size_t kLoginResponseSessionPartOffset = 16;
inline constexpr size_t kLoginResponseConnectionPartOffset = 36;
inline constexpr size_t kLoginResponseSize =
    kLoginResponseConnectionPartOffset + kLoginOptionsSize - kLoginSessionPartSize;
static_assert(kLoginResponseSessionPartOffset + kLoginSessionPartSize ==
              kLoginResponseConnectionPartOffset);
static_assert(kLoginResponseSize <= kLoginRequestSize);

struct LoginResponse {
  uint32_t session_handle = 0;
  uint32_t state = 0;
  uint32_t connection_handle = 0;
  std::array<uint8_t, kLoginOptionsSize> negotiated{};  // the two parts joined
};

// Writes the response's 616 bytes over a request, leaving the rest; false
// when out is shorter.
bool EncodeLoginResponse(std::span<uint8_t> out, const LoginResponse& response);
// nullopt when in is shorter than 616 bytes.
std::optional<LoginResponse> DecodeLoginResponse(std::span<const uint8_t> in);

// ---- Persistent-target deletion ----------------------------------------------
inline constexpr size_t kDeletePersistentSize = 480;
inline constexpr size_t kDeleteTargetNameOffset = 0;
inline constexpr size_t kDeletePortalOffset = 224;
inline constexpr size_t kDeletePersistentInitiatorOffset = 256;
inline constexpr uint32_t kIsidWordFlag = 0x80000000;
static_assert(FieldFits(kDeleteTargetNameOffset, kIscsiNameSize, kDeletePortalOffset));
static_assert(FieldFits(kDeletePortalOffset, kPortalEntrySize, kDeletePersistentInitiatorOffset));
static_assert(FieldFits(kDeletePersistentInitiatorOffset, kIscsiNameSize, kDeletePersistentSize));

struct DeletePersistentRequest {
  std::string target_name;
  PortalEntry portal;  // tag: qualifier | kIsidWordFlag
  std::string initiator_name;
};

// false when out is shorter than 480 bytes.
bool EncodeDeletePersistent(std::span<uint8_t> out, const DeletePersistentRequest& request);
// nullopt when in is shorter than 480 bytes.
std::optional<DeletePersistentRequest> DecodeDeletePersistent(std::span<const uint8_t> in);

// ---- Boot session marking ----------------------------------------------------
inline constexpr size_t kBootMarkSize = 528;
inline constexpr size_t kBootMarkHandleOffset = 0;
inline constexpr size_t kBootMarkFlagsOffset = 4;
static_assert(FieldFits(kBootMarkFlagsOffset, 4, kBootMarkSize));

struct BootMark {
  uint32_t session_handle = 0;
  uint32_t flags = 0;  // session flags; kSessionBoot set to mark
};

// The 528 bytes (the rest zeroed); false when out is shorter.
bool EncodeBootMark(std::span<uint8_t> out, const BootMark& mark);
// nullopt when in is shorter than 528 bytes.
std::optional<BootMark> DecodeBootMark(std::span<const uint8_t> in);

}  // namespace oxim::records

#endif  // OXIM_RECORDS_ISCSI_LOGIN_H_
