// The login-options record; see login_options_record.h.
#include "records/login_options_record.h"

#include <algorithm>
#include <cstring>

#include "core/strings.h"

namespace oxim::records {
namespace {

// Copies bytes into a field; an empty source (whose data() may be null) copies
// nothing.
template <class Bytes>
void Copy(uint8_t* field, const Bytes& bytes) {
  if (!bytes.empty()) std::memcpy(field, bytes.data(), bytes.size());
}

}  // namespace

LoginOptions DefaultLoginOptions() {
  LoginOptions options;
  options.flags =
      kFlagInitialR2T | kFlagImmediateData | kFlagDataPduInOrder | kFlagDataSequenceInOrder;
  options.first_burst_length = 8192;
  options.max_burst_length = 262144;
  options.max_connections = 1;
  options.max_outstanding_r2t = 1;
  options.default_time2wait = 2;
  options.default_time2retain = 20;
  options.max_recv_data_segment_length = 65536;
  options.second_segment_length = 65536;
  options.tcp_window_size = 16000;
  options.initiator_secret = {' '};
  options.target_secret = {' '};
  return options;
}

bool EncodeLoginOptions(std::span<uint8_t> record, const LoginOptions& o) {
  if (record.size() < kLoginOptionsSize || o.initiator_chap_name.size() > kChapNameSize ||
      o.target_chap_name.size() > kChapNameSize || o.initiator_secret.size() > kSecretSize ||
      o.target_secret.size() > kSecretSize) {
    return false;
  }
  uint8_t* p = record.data();
  std::memset(p, 0, kLoginOptionsSize);
  p[kFlagsOffset] = o.flags;
  p[kErrorRecoveryLevelOffset] = o.error_recovery_level;
  EncodeFixed32(p + kFirstBurstLengthOffset, o.first_burst_length);
  EncodeFixed32(p + kMaxBurstLengthOffset, o.max_burst_length);
  EncodeFixed16(p + kMaxConnectionsOffset, o.max_connections);
  EncodeFixed16(p + kMaxOutstandingR2TOffset, o.max_outstanding_r2t);
  EncodeFixed16(p + kDefaultTime2WaitOffset, o.default_time2wait);
  EncodeFixed16(p + kDefaultTime2RetainOffset, o.default_time2retain);
  p[kHeaderDigestOffset] = o.header_digest;
  p[kDataDigestOffset] = o.data_digest;
  EncodeFixed32(p + kMaxRecvDataSegmentLengthOffset, o.max_recv_data_segment_length);
  EncodeFixed32(p + kSecondSegmentLengthOffset, o.second_segment_length);
  EncodeFixed32(p + kTcpMssOffset, o.tcp_mss);
  EncodeFixed32(p + kTcpWindowSizeOffset, o.tcp_window_size);
  EncodeFixed32(p + kAuthenticationMethodOffset, o.authentication_method);
  EncodeFixed32(p + kMutualChapOffset, o.mutual_chap);
  Copy(p + kInitiatorChapNameOffset, o.initiator_chap_name);
  Copy(p + kInitiatorSecretOffset, o.initiator_secret);
  Copy(p + kTargetChapNameOffset, o.target_chap_name);
  Copy(p + kTargetSecretOffset, o.target_secret);
  EncodeFixed16(p + kInitiatorChapNameLengthOffset,
                static_cast<uint16_t>(o.initiator_chap_name.size()));
  EncodeFixed16(p + kInitiatorSecretLengthOffset, static_cast<uint16_t>(o.initiator_secret.size()));
  EncodeFixed16(p + kTargetChapNameLengthOffset, static_cast<uint16_t>(o.target_chap_name.size()));
  EncodeFixed16(p + kTargetSecretLengthOffset, static_cast<uint16_t>(o.target_secret.size()));
  return true;
}

std::optional<LoginOptions> DecodeLoginOptions(std::span<const uint8_t> record) {
  if (record.size() < kLoginOptionsSize) return std::nullopt;
  const uint8_t* p = record.data();
  const uint16_t initiator_name_length = DecodeFixed16(p + kInitiatorChapNameLengthOffset);
  const uint16_t initiator_secret_length = DecodeFixed16(p + kInitiatorSecretLengthOffset);
  const uint16_t target_name_length = DecodeFixed16(p + kTargetChapNameLengthOffset);
  const uint16_t target_secret_length = DecodeFixed16(p + kTargetSecretLengthOffset);
  if (initiator_name_length > kChapNameSize || target_name_length > kChapNameSize ||
      initiator_secret_length > kSecretSize || target_secret_length > kSecretSize) {
    return std::nullopt;
  }
  LoginOptions o;
  o.flags = p[kFlagsOffset];
  o.error_recovery_level = p[kErrorRecoveryLevelOffset];
  o.first_burst_length = DecodeFixed32(p + kFirstBurstLengthOffset);
  o.max_burst_length = DecodeFixed32(p + kMaxBurstLengthOffset);
  o.max_connections = DecodeFixed16(p + kMaxConnectionsOffset);
  o.max_outstanding_r2t = DecodeFixed16(p + kMaxOutstandingR2TOffset);
  o.default_time2wait = DecodeFixed16(p + kDefaultTime2WaitOffset);
  o.default_time2retain = DecodeFixed16(p + kDefaultTime2RetainOffset);
  o.header_digest = p[kHeaderDigestOffset];
  o.data_digest = p[kDataDigestOffset];
  o.max_recv_data_segment_length = DecodeFixed32(p + kMaxRecvDataSegmentLengthOffset);
  o.second_segment_length = DecodeFixed32(p + kSecondSegmentLengthOffset);
  o.tcp_mss = DecodeFixed32(p + kTcpMssOffset);
  o.tcp_window_size = DecodeFixed32(p + kTcpWindowSizeOffset);
  o.authentication_method = DecodeFixed32(p + kAuthenticationMethodOffset);
  o.mutual_chap = DecodeFixed32(p + kMutualChapOffset);
  o.initiator_chap_name.assign(p + kInitiatorChapNameOffset,
                               p + kInitiatorChapNameOffset + initiator_name_length);
  o.initiator_secret.assign(p + kInitiatorSecretOffset,
                            p + kInitiatorSecretOffset + initiator_secret_length);
  o.target_chap_name.assign(p + kTargetChapNameOffset,
                            p + kTargetChapNameOffset + target_name_length);
  o.target_secret.assign(p + kTargetSecretOffset, p + kTargetSecretOffset + target_secret_length);
  return o;
}

std::optional<std::vector<uint8_t>> EncodeSecret(std::string_view text) {
  std::vector<uint8_t> bytes;
  if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    std::string_view digits = text.substr(2);
    if (digits.size() % 2 != 0) return std::nullopt;
    for (size_t i = 0; i < digits.size(); i += 2) {
      const int high = hex_digit_value(digits[i]);
      const int low = hex_digit_value(digits[i + 1]);
      if (high < 0 || low < 0) return std::nullopt;
      bytes.push_back(static_cast<uint8_t>(high * 16 + low));
    }
  } else {
    bytes.assign(text.begin(), text.end());
  }
  if (bytes.size() > kSecretSize) return std::nullopt;
  return bytes;
}

}  // namespace oxim::records
