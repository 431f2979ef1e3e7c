// The initiator statistics of an iSCSI function: its instance statistics
// (sessions and their failures) and its login statistics. Shared by the
// library and the emulated adapter. Little-endian; texts NUL-padded.
//
// Instance statistics (ioctl_get_intr_inst_params, 264 bytes):
//   8    4    sessions
//   12   4    session failures
//   16   4    type of the last session failure: 0 other, 1 digest,
//             2 connection time-out, 3 format
//   20   224  iSCSI name of the last session's remote node
//   244  4    digest errors
//   248  4    connection time-outs
//   252  4    format errors
//
// Login statistics (ioctl_get_login_params, 520 bytes):
//   224  4    login failures
//   228  4    time of the last failure
//   232  4    type of the last failure: 0 unknown, 1 login accept, 2 other,
//             3 redirect, 4 authorization, 5 authentication, 6 negotiation
//   236  224  iSCSI name of the target of the last failure
//   467  1    address type of that target (1 IPv4, 16 IPv6)
//   468  16   its address
//   488  4    login accept responses     504  4  authentication failures
//   492  4    other failure responses    508  4  negotiation failures
//   496  4    redirect responses         512  4  normal logouts
//   500  4    authentication failure     516  4  other logouts
//             responses
//
//   InstanceStatistics stats;
//   stats.sessions = 2;
//   std::array<uint8_t, kInstanceStatisticsSize> answer{};
//   EncodeInstanceStatistics(answer, stats);
#ifndef OXIM_RECORDS_ISCSI_STATISTICS_H_
#define OXIM_RECORDS_ISCSI_STATISTICS_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "records/coding.h"
#include "records/iscsi_portal.h"

namespace oxim::records {

inline constexpr size_t kInstanceStatisticsSize = 264;
inline constexpr size_t kStatSessionsOffset = 8;
inline constexpr size_t kStatSessionFailuresOffset = 12;
inline constexpr size_t kStatSessionFailureTypeOffset = 16;
inline constexpr size_t kStatRemoteNodeOffset = 20;
inline constexpr size_t kStatDigestErrorsOffset = 244;
inline constexpr size_t kStatConnectionTimeoutsOffset = 248;
inline constexpr size_t kStatFormatErrorsOffset = 252;
static_assert(FieldFits(kStatRemoteNodeOffset, kIscsiNameSize, kStatDigestErrorsOffset));
static_assert(FieldFits(kStatFormatErrorsOffset, 4, kInstanceStatisticsSize));

// Session failure types.
inline constexpr uint32_t kSessionFailureOther = 0;
inline constexpr uint32_t kSessionFailureDigest = 1;
inline constexpr uint32_t kSessionFailureTimeout = 2;
inline constexpr uint32_t kSessionFailureFormat = 3;

struct InstanceStatistics {
  uint32_t sessions = 0;
  uint32_t session_failures = 0;
  uint32_t last_failure_type = kSessionFailureOther;
  std::string last_remote_node;  // cut to 223 characters
  uint32_t digest_errors = 0;
  uint32_t connection_timeouts = 0;
  uint32_t format_errors = 0;
};

bool EncodeInstanceStatistics(std::span<uint8_t> out, const InstanceStatistics& stats);
std::optional<InstanceStatistics> DecodeInstanceStatistics(std::span<const uint8_t> in);

inline constexpr size_t kLoginStatisticsSize = 520;
inline constexpr size_t kLoginFailuresOffset = 224;
inline constexpr size_t kLoginLastFailureTimeOffset = 228;
inline constexpr size_t kLoginLastFailureTypeOffset = 232;
inline constexpr size_t kLoginFailedTargetOffset = 236;
inline constexpr size_t kLoginFailedTypeOffset = 467;
inline constexpr size_t kLoginFailedAddressOffset = 468;
inline constexpr size_t kLoginCountersOffset = 488;  // eight counters, below
static_assert(FieldFits(kLoginFailedTargetOffset, kIscsiNameSize, kLoginFailedTypeOffset));
static_assert(FieldFits(kLoginFailedAddressOffset, kAddressSize, kLoginCountersOffset));
static_assert(FieldFits(kLoginCountersOffset, 8 * 4, kLoginStatisticsSize));

// Login failure types.
inline constexpr uint32_t kLoginFailureUnknown = 0;
inline constexpr uint32_t kLoginFailureOther = 2;
inline constexpr uint32_t kLoginFailureAuthorization = 4;
inline constexpr uint32_t kLoginFailureAuthentication = 5;
inline constexpr uint32_t kLoginFailureNegotiation = 6;

struct LoginStatistics {
  uint32_t failures = 0;
  uint32_t last_failure_time = 0;
  uint32_t last_failure_type = kLoginFailureUnknown;
  std::string failed_target;  // cut to 223 characters
  uint8_t failed_address_type = kAddressNone;
  std::array<uint8_t, kAddressSize> failed_address{};
  uint32_t accept_responses = 0;
  uint32_t other_failure_responses = 0;
  uint32_t redirect_responses = 0;
  uint32_t authentication_failure_responses = 0;
  uint32_t authentication_failures = 0;
  uint32_t negotiation_failures = 0;
  uint32_t normal_logouts = 0;
  uint32_t other_logouts = 0;
};

bool EncodeLoginStatistics(std::span<uint8_t> out, const LoginStatistics& stats);
std::optional<LoginStatistics> DecodeLoginStatistics(std::span<const uint8_t> in);

}  // namespace oxim::records

#endif  // OXIM_RECORDS_ISCSI_STATISTICS_H_
