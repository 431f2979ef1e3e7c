// Initiator statistics records; see iscsi_statistics.h.
#include "records/iscsi_statistics.h"

#include <algorithm>

namespace oxim::records {
namespace {

// The login counters in record order.
std::array<uint32_t LoginStatistics::*, 8> LoginCounters() {
  return {
      &LoginStatistics::accept_responses,        &LoginStatistics::other_failure_responses,
      &LoginStatistics::redirect_responses,      &LoginStatistics::authentication_failure_responses,
      &LoginStatistics::authentication_failures, &LoginStatistics::negotiation_failures,
      &LoginStatistics::normal_logouts,          &LoginStatistics::other_logouts};
}

}  // namespace

bool EncodeInstanceStatistics(std::span<uint8_t> out, const InstanceStatistics& stats) {
  if (out.size() < kInstanceStatisticsSize) return false;
  std::fill_n(out.begin(), kInstanceStatisticsSize, uint8_t{0});
  uint8_t* p = out.data();
  EncodeFixed32(p + kStatSessionsOffset, stats.sessions);
  EncodeFixed32(p + kStatSessionFailuresOffset, stats.session_failures);
  EncodeFixed32(p + kStatSessionFailureTypeOffset, stats.last_failure_type);
  EncodeText(out.subspan(kStatRemoteNodeOffset, kIscsiNameSize), stats.last_remote_node,
             TextEnd::kNul);
  EncodeFixed32(p + kStatDigestErrorsOffset, stats.digest_errors);
  EncodeFixed32(p + kStatConnectionTimeoutsOffset, stats.connection_timeouts);
  EncodeFixed32(p + kStatFormatErrorsOffset, stats.format_errors);
  return true;
}

std::optional<InstanceStatistics> DecodeInstanceStatistics(std::span<const uint8_t> in) {
  if (in.size() < kInstanceStatisticsSize) return std::nullopt;
  const uint8_t* p = in.data();
  InstanceStatistics stats;
  stats.sessions = DecodeFixed32(p + kStatSessionsOffset);
  stats.session_failures = DecodeFixed32(p + kStatSessionFailuresOffset);
  stats.last_failure_type = DecodeFixed32(p + kStatSessionFailureTypeOffset);
  stats.last_remote_node = DecodeText(in.subspan(kStatRemoteNodeOffset, kIscsiNameSize));
  stats.digest_errors = DecodeFixed32(p + kStatDigestErrorsOffset);
  stats.connection_timeouts = DecodeFixed32(p + kStatConnectionTimeoutsOffset);
  stats.format_errors = DecodeFixed32(p + kStatFormatErrorsOffset);
  return stats;
}

bool EncodeLoginStatistics(std::span<uint8_t> out, const LoginStatistics& stats) {
  if (out.size() < kLoginStatisticsSize) return false;
  std::fill_n(out.begin(), kLoginStatisticsSize, uint8_t{0});
  uint8_t* p = out.data();
  EncodeFixed32(p + kLoginFailuresOffset, stats.failures);
  EncodeFixed32(p + kLoginLastFailureTimeOffset, stats.last_failure_time);
  EncodeFixed32(p + kLoginLastFailureTypeOffset, stats.last_failure_type);
  EncodeText(out.subspan(kLoginFailedTargetOffset, kIscsiNameSize), stats.failed_target,
             TextEnd::kNul);
  p[kLoginFailedTypeOffset] = stats.failed_address_type;
  std::copy(stats.failed_address.begin(), stats.failed_address.end(),
            p + kLoginFailedAddressOffset);
  size_t at = kLoginCountersOffset;
  for (uint32_t LoginStatistics::*counter : LoginCounters()) {
    EncodeFixed32(p + at, stats.*counter);
    at += 4;
  }
  return true;
}

std::optional<LoginStatistics> DecodeLoginStatistics(std::span<const uint8_t> in) {
  if (in.size() < kLoginStatisticsSize) return std::nullopt;
  const uint8_t* p = in.data();
  LoginStatistics stats;
  stats.failures = DecodeFixed32(p + kLoginFailuresOffset);
  stats.last_failure_time = DecodeFixed32(p + kLoginLastFailureTimeOffset);
  stats.last_failure_type = DecodeFixed32(p + kLoginLastFailureTypeOffset);
  stats.failed_target = DecodeText(in.subspan(kLoginFailedTargetOffset, kIscsiNameSize));
  stats.failed_address_type = p[kLoginFailedTypeOffset];
  std::copy_n(p + kLoginFailedAddressOffset, kAddressSize, stats.failed_address.begin());
  size_t at = kLoginCountersOffset;
  for (uint32_t LoginStatistics::*counter : LoginCounters()) {
    stats.*counter = DecodeFixed32(p + at);
    at += 4;
  }
  return stats;
}

}  // namespace oxim::records
