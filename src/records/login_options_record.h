// The 600-byte login-options record that carries the iSCSI operational and
// CHAP parameters of a login to the firmware (inside the login and
// persistent-target requests). Shared by the library and the emulated
// adapter. Little-endian; the first 20 bytes are the session part, the
// rest the connection part.
//
//   offset size field                                    default
//   0      1    flags: bit 0 InitialR2T, 1 ImmediateData,   bits 0-3 set
//               2 DataPDUInOrder, 3 DataSequenceInOrder
//   1      1    ErrorRecoveryLevel                        0
//   2      2    reserved
//   4      4    FirstBurstLength                          8192
//   8      4    MaxBurstLength                            262144
//   12     2    MaxConnections                            1
//   14     2    MaxOutstandingR2T                         1
//   16     2    DefaultTime2Wait                          2
//   18     2    DefaultTime2Retain                        20
//   20     1    reserved                                  0
//   21     1    header digest: 1 CRC32C, 0 none           0
//   22     1    data digest: 1 CRC32C, 0 none             0
//   23     1    reserved
//   24     4    MaxRecvDataSegmentLength                  65536
//   28     4    second segment length                     65536
//   32     4    TCPMSS                                    0
//   36     4    TCPWindowSize                             16000
//   40     4    authentication method: 0 none, 1 CHAP     0
//   44     4    mutual CHAP: 1 mutual, 0 one-way          0
//   48     256  initiator CHAP name                       empty
//   304    16   initiator secret (raw bytes)              one blank
//   320    256  target CHAP name                          empty
//   576    16   target secret (raw bytes)                 one blank
//   592    2    length of the initiator CHAP name
//   594    2    length of the initiator secret in bytes
//   596    2    length of the target CHAP name
//   598    2    length of the target secret in bytes
//
//   LoginOptions options = DefaultLoginOptions();
//   options.header_digest = 1;
//   std::array<uint8_t, kLoginOptionsSize> record;
//   EncodeLoginOptions(record, options);
#ifndef OXIM_RECORDS_LOGIN_OPTIONS_RECORD_H_
#define OXIM_RECORDS_LOGIN_OPTIONS_RECORD_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "records/coding.h"

namespace oxim::records {

inline constexpr size_t kLoginOptionsSize = 600;
inline constexpr size_t kLoginSessionPartSize = 20;
inline constexpr size_t kFlagsOffset = 0;
inline constexpr size_t kErrorRecoveryLevelOffset = 1;
inline constexpr size_t kFirstBurstLengthOffset = 4;
inline constexpr size_t kMaxBurstLengthOffset = 8;
inline constexpr size_t kMaxConnectionsOffset = 12;
inline constexpr size_t kMaxOutstandingR2TOffset = 14;
inline constexpr size_t kDefaultTime2WaitOffset = 16;
inline constexpr size_t kDefaultTime2RetainOffset = 18;
inline constexpr size_t kHeaderDigestOffset = 21;
inline constexpr size_t kDataDigestOffset = 22;
inline constexpr size_t kMaxRecvDataSegmentLengthOffset = 24;
inline constexpr size_t kSecondSegmentLengthOffset = 28;
inline constexpr size_t kTcpMssOffset = 32;
inline constexpr size_t kTcpWindowSizeOffset = 36;
inline constexpr size_t kAuthenticationMethodOffset = 40;
inline constexpr size_t kMutualChapOffset = 44;
inline constexpr size_t kInitiatorChapNameOffset = 48;
inline constexpr size_t kChapNameSize = 256;
inline constexpr size_t kInitiatorSecretOffset = 304;
inline constexpr size_t kSecretSize = 16;
inline constexpr size_t kTargetChapNameOffset = 320;
inline constexpr size_t kTargetSecretOffset = 576;
inline constexpr size_t kInitiatorChapNameLengthOffset = 592;
inline constexpr size_t kInitiatorSecretLengthOffset = 594;
inline constexpr size_t kTargetChapNameLengthOffset = 596;
inline constexpr size_t kTargetSecretLengthOffset = 598;
static_assert(FieldFits(kInitiatorChapNameOffset, kChapNameSize, kInitiatorSecretOffset));
static_assert(FieldFits(kInitiatorSecretOffset, kSecretSize, kTargetChapNameOffset));
static_assert(FieldFits(kTargetChapNameOffset, kChapNameSize, kTargetSecretOffset));
static_assert(FieldFits(kTargetSecretOffset, kSecretSize, kInitiatorChapNameLengthOffset));
static_assert(FieldFits(kTargetSecretLengthOffset, 2, kLoginOptionsSize));

// Flag bits of byte 0.
inline constexpr uint8_t kFlagInitialR2T = 1u << 0;
inline constexpr uint8_t kFlagImmediateData = 1u << 1;
inline constexpr uint8_t kFlagDataPduInOrder = 1u << 2;
inline constexpr uint8_t kFlagDataSequenceInOrder = 1u << 3;

struct LoginOptions {
  uint8_t flags = 0;
  uint8_t error_recovery_level = 0;
  uint32_t first_burst_length = 0;
  uint32_t max_burst_length = 0;
  uint16_t max_connections = 0;
  uint16_t max_outstanding_r2t = 0;
  uint16_t default_time2wait = 0;
  uint16_t default_time2retain = 0;
  uint8_t header_digest = 0;
  uint8_t data_digest = 0;
  uint32_t max_recv_data_segment_length = 0;
  uint32_t second_segment_length = 0;
  uint32_t tcp_mss = 0;
  uint32_t tcp_window_size = 0;
  uint32_t authentication_method = 0;     // 0 none, 1 CHAP
  uint32_t mutual_chap = 0;               // 1 mutual
  std::string initiator_chap_name;        // at most 256 bytes
  std::vector<uint8_t> initiator_secret;  // at most 16 bytes
  std::string target_chap_name;
  std::vector<uint8_t> target_secret;
};

// The default record: flags 0-3 set, bursts 8192/262144, one connection and
// R2T, Time2Wait 2, Time2Retain 20, segments 65536, window 16000, no CHAP,
// each secret one blank. A value, so that callers never share one record.
LoginOptions DefaultLoginOptions();

// Writes the record; false (nothing written) when the buffer is shorter
// than 600 bytes or a name or secret does not fit its field.
bool EncodeLoginOptions(std::span<uint8_t> record, const LoginOptions& options);
// Reads a record; nullopt when it is shorter than 600 bytes or a length
// field names more than its field holds.
std::optional<LoginOptions> DecodeLoginOptions(std::span<const uint8_t> record);

// A CHAP secret as the firmware takes it: text beginning with "0x" (either
// case) is hexadecimal, its digits after the prefix converted to bytes;
// any other text is taken as it stands. nullopt when hexadecimal digits are
// invalid or odd in number, or the result is longer than 16 bytes.
std::optional<std::vector<uint8_t>> EncodeSecret(std::string_view text);

}  // namespace oxim::records

#endif  // OXIM_RECORDS_LOGIN_OPTIONS_RECORD_H_
