// The firmware's SendTargets records: the request that asks an open
// discovery session for its targets (ioctl_sendtargets), the follow-up that
// asks for the rest of an answer that did not fit (ioctl_sendtargets_info),
// and the answer both write over their buffer. Shared by the library and
// the emulated adapter. Little-endian.
//
// A discovery session is opened with the 1420-byte login request
// (iscsi_login.h) whose target name is "iSCSI" and whose flags carry
// kLoginFlagsDiscovery, and closed with a logout of its handle.
//
// SendTargets request (a 64000-byte buffer, zeroed):
//   offset size field
//   0      4    session handle of the discovery session
//   4      4    request kind: 1
//   8      256  text key: "SendTargets=All" or "SendTargets=<name>"
//
// Follow-up request (64000 bytes):
//   0      2    number of targets already received
//   2      2    number of targets still wanted
//   4      4    request kind: 2
//
// Answer (over either request):
//   0      4    number of target records
//   4      ...  the records, one after another
// Target record:
//   0      4    number of portals n
//   4      224  target name
//   228    32n  portal entries (iscsi_portal.h; tag: portal group tag)
// A record without portals still takes one (zeroed) entry: a record is
// 228 + 32 * max(n, 1) bytes.
//
// The firmware answers status 4 (31 for the library) when more targets are
// there than fit: the records that fit are in the answer, the rest come
// through the follow-up.
//
//   std::vector<uint8_t> buffer(kSendTargetsBufferSize, 0);
//   EncodeSendTargetsRequest(buffer, {.session_handle = handle, .key = "SendTargets=All"});
//   ... ioctl_sendtargets ...
//   SendTargetsAnswer answer = DecodeSendTargetsAnswer(buffer);
#ifndef OXIM_RECORDS_SENDTARGETS_H_
#define OXIM_RECORDS_SENDTARGETS_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "records/coding.h"
#include "records/iscsi_portal.h"

namespace oxim::records {

inline constexpr size_t kSendTargetsBufferSize = 64000;

// ---- Requests ----------------------------------------------------------------
inline constexpr size_t kSendTargetsHandleOffset = 0;
inline constexpr size_t kSendTargetsKindOffset = 4;
inline constexpr size_t kSendTargetsKeyOffset = 8;
inline constexpr size_t kSendTargetsKeySize = 256;
inline constexpr size_t kSendTargetsRequestSize = kSendTargetsKeyOffset + kSendTargetsKeySize;
inline constexpr size_t kFollowUpReceivedOffset = 0;
inline constexpr size_t kFollowUpWantedOffset = 2;
inline constexpr size_t kFollowUpKindOffset = 4;
inline constexpr size_t kFollowUpRequestSize = 8;
static_assert(FieldFits(kSendTargetsHandleOffset, 4, kSendTargetsKindOffset));
static_assert(FieldFits(kSendTargetsKindOffset, 4, kSendTargetsKeyOffset));
static_assert(FieldFits(kSendTargetsKeyOffset, kSendTargetsKeySize, kSendTargetsBufferSize));
static_assert(FieldFits(kFollowUpKindOffset, 4, kFollowUpRequestSize));

inline constexpr uint32_t kSendTargetsKindFirst = 1;
inline constexpr uint32_t kSendTargetsKindFollowUp = 2;
inline constexpr char kSendTargetsAll[] = "SendTargets=All";
inline constexpr char kSendTargetsPrefix[] = "SendTargets=";
// The target name of a discovery login request.
inline constexpr char kDiscoveryTargetName[] = "iSCSI";

struct SendTargetsRequest {
  uint32_t session_handle = 0;
  std::string key;  // cut to 255 characters
};

struct SendTargetsFollowUp {
  uint16_t received = 0;
  uint16_t wanted = 0;
};

// Write the request's fields (the rest of out as it was: callers start from
// zeros); false when out is shorter than the request.
bool EncodeSendTargetsRequest(std::span<uint8_t> out, const SendTargetsRequest& request);
bool EncodeSendTargetsFollowUp(std::span<uint8_t> out, const SendTargetsFollowUp& request);
// nullopt when in is shorter than the request or its kind word is not the
// request's.
std::optional<SendTargetsRequest> DecodeSendTargetsRequest(std::span<const uint8_t> in);
std::optional<SendTargetsFollowUp> DecodeSendTargetsFollowUp(std::span<const uint8_t> in);

// ---- Answer ------------------------------------------------------------------
inline constexpr size_t kSendTargetsCountOffset = 0;
inline constexpr size_t kSendTargetsRecordsOffset = 4;
inline constexpr size_t kTargetRecordPortalCountOffset = 0;
inline constexpr size_t kTargetRecordNameOffset = 4;
inline constexpr size_t kTargetRecordPortalsOffset = 228;
static_assert(FieldFits(kTargetRecordNameOffset, kIscsiNameSize, kTargetRecordPortalsOffset));

struct DiscoveredTarget {
  std::string name;  // cut to 223 characters
  std::vector<PortalEntry> portals;
};

// Bytes of one target record with n portals.
constexpr size_t SendTargetsRecordSize(size_t portals) {
  return kTargetRecordPortalsOffset + kPortalEntrySize * (portals == 0 ? 1 : portals);
}

// Writes as many of targets, in order, as fit into out (whose size is the
// answer buffer), with their count; the number written. 0 and nothing
// written when out cannot hold the count word.
size_t EncodeSendTargetsAnswer(std::span<uint8_t> out, std::span<const DiscoveredTarget> targets);

// The records of an answer, walked by the count it gives but never past the
// end of in: a record that would end beyond it ends the walk (complete is
// then false). nullopt when in cannot hold the count word.
struct SendTargetsAnswer {
  uint32_t count = 0;  // as the answer says
  std::vector<DiscoveredTarget> targets;
  bool complete = true;  // every counted record was inside the answer
};
std::optional<SendTargetsAnswer> DecodeSendTargetsAnswer(std::span<const uint8_t> in);

}  // namespace oxim::records

#endif  // OXIM_RECORDS_SENDTARGETS_H_
