// The 16-byte request header that starts every firmware command buffer, the
// response header that the driver writes over it, and the envelope in which
// a command buffer travels to the NIC driver. Shared by the library and the
// emulated adapter.
//
// Request header (little-endian):
//   offset size field
//   0      1    PageCode        the command's opcode
//   1      1    subsystem
//   2      1    port_number
//   3      1    domain
//   4      4    Timeout         seconds
//   8      4    request_length  payload bytes, header not counted
//   12     1    version         0 or 1
//   13     3    reserved        0
// The payload starts at offset 16.
//
// Response header (same 16 bytes, read after the driver answered):
//   4      1    status          0 is success
//   5      2    additional status
//   12     4    actual response length
//
// NIC envelope (request length + 37 bytes):
//   0      18   signature "KELVARRONITEX CORP", no terminator
//   18     1    PCI bus number of the NIC function
//   19     1    PCI device number
//   20     1    PCI function number
//   21     16+n the command buffer
//
//   uint8_t buffer[kRequestHeaderSize + 4] = {};
//   EncodeRequestHeader(buffer, {.opcode = 70, .subsystem = 1, .timeout = 30,
//                                .request_length = 4});
#ifndef OXIM_RECORDS_REQUEST_HEADER_H_
#define OXIM_RECORDS_REQUEST_HEADER_H_

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string_view>

#include "records/coding.h"

namespace oxim::records {

inline constexpr size_t kRequestHeaderSize = 16;
inline constexpr size_t kPageCodeOffset = 0;
inline constexpr size_t kSubsystemOffset = 1;
inline constexpr size_t kPortNumberOffset = 2;
inline constexpr size_t kDomainOffset = 3;
inline constexpr size_t kTimeoutOffset = 4;
inline constexpr size_t kRequestLengthOffset = 8;
inline constexpr size_t kVersionOffset = 12;
inline constexpr size_t kReservedOffset = 13;
inline constexpr size_t kReservedSize = 3;
inline constexpr size_t kPayloadOffset = 16;

inline constexpr size_t kStatusOffset = 4;
inline constexpr size_t kAdditionalStatusOffset = 5;
inline constexpr size_t kResponseLengthOffset = 12;

static_assert(FieldFits(kTimeoutOffset, 4, kRequestHeaderSize));
static_assert(FieldFits(kRequestLengthOffset, 4, kRequestHeaderSize));
static_assert(FieldFits(kReservedOffset, kReservedSize, kRequestHeaderSize));
static_assert(FieldFits(kAdditionalStatusOffset, 2, kRequestHeaderSize));
static_assert(FieldFits(kResponseLengthOffset, 4, kRequestHeaderSize));

// The largest command buffer (header and payload) a caller may hand over.
inline constexpr size_t kMaxCommandBufferSize = 65535;

struct RequestHeader {
  uint8_t opcode = 0;
  uint8_t subsystem = 0;
  uint8_t port_number = 0;
  uint8_t domain = 0;
  uint32_t timeout = 0;
  uint32_t request_length = 0;
  uint8_t version = 0;
};

struct ResponseHeader {
  uint8_t status = 0;
  uint16_t additional_status = 0;
  uint32_t response_length = 0;
};

// Writes the request header into the first 16 bytes (reserved bytes zeroed).
// Returns false, writing nothing, when the buffer is shorter than 16 bytes.
inline bool EncodeRequestHeader(std::span<uint8_t> buffer, const RequestHeader& header) {
  if (buffer.size() < kRequestHeaderSize) return false;
  uint8_t* p = buffer.data();
  p[kPageCodeOffset] = header.opcode;
  p[kSubsystemOffset] = header.subsystem;
  p[kPortNumberOffset] = header.port_number;
  p[kDomainOffset] = header.domain;
  EncodeFixed32(p + kTimeoutOffset, header.timeout);
  EncodeFixed32(p + kRequestLengthOffset, header.request_length);
  p[kVersionOffset] = header.version;
  std::memset(p + kReservedOffset, 0, kReservedSize);
  return true;
}

inline std::optional<RequestHeader> DecodeRequestHeader(std::span<const uint8_t> buffer) {
  if (buffer.size() < kRequestHeaderSize) return std::nullopt;
  const uint8_t* p = buffer.data();
  RequestHeader header;
  header.opcode = p[kPageCodeOffset];
  header.subsystem = p[kSubsystemOffset];
  header.port_number = p[kPortNumberOffset];
  header.domain = p[kDomainOffset];
  header.timeout = DecodeFixed32(p + kTimeoutOffset);
  header.request_length = DecodeFixed32(p + kRequestLengthOffset);
  header.version = p[kVersionOffset];
  return header;
}

// Writes status, additional status and response length over a request
// header. Returns false when the buffer is shorter than 16 bytes.
inline bool EncodeResponseHeader(std::span<uint8_t> buffer, const ResponseHeader& header) {
  if (buffer.size() < kRequestHeaderSize) return false;
  uint8_t* p = buffer.data();
  p[kStatusOffset] = header.status;
  EncodeFixed16(p + kAdditionalStatusOffset, header.additional_status);
  EncodeFixed32(p + kResponseLengthOffset, header.response_length);
  return true;
}

inline std::optional<ResponseHeader> DecodeResponseHeader(std::span<const uint8_t> buffer) {
  if (buffer.size() < kRequestHeaderSize) return std::nullopt;
  const uint8_t* p = buffer.data();
  ResponseHeader header;
  header.status = p[kStatusOffset];
  header.additional_status = DecodeFixed16(p + kAdditionalStatusOffset);
  header.response_length = DecodeFixed32(p + kResponseLengthOffset);
  return header;
}

// --- NIC envelope ---

inline constexpr std::string_view kNicSignature = "KELVARRONITEX CORP";
inline constexpr size_t kNicSignatureOffset = 0;
inline constexpr size_t kNicSignatureSize = 18;
inline constexpr size_t kNicBusOffset = 18;
inline constexpr size_t kNicDeviceOffset = 19;
inline constexpr size_t kNicFunctionOffset = 20;
inline constexpr size_t kNicCommandOffset = 21;
// Envelope bytes besides the command buffer (signature and address).
inline constexpr size_t kNicEnvelopeOverhead = kNicCommandOffset;
static_assert(kNicSignature.size() == kNicSignatureSize);
static_assert(kNicEnvelopeOverhead + kRequestHeaderSize == 37);

// A PCI bus/device/function triple.
struct PciAddress {
  uint8_t bus = 0;
  uint8_t device = 0;
  uint8_t function = 0;
  friend bool operator==(const PciAddress&, const PciAddress&) = default;
};

// Size of the envelope around a payload of request_length bytes.
constexpr size_t NicEnvelopeSize(size_t request_length) {
  return kNicEnvelopeOverhead + kRequestHeaderSize + request_length;
}

// Writes signature and address. Returns false when the envelope is shorter
// than its 21-byte prefix.
inline bool EncodeNicEnvelopePrefix(std::span<uint8_t> envelope, const PciAddress& address) {
  if (envelope.size() < kNicEnvelopeOverhead) return false;
  std::memcpy(envelope.data() + kNicSignatureOffset, kNicSignature.data(), kNicSignatureSize);
  envelope[kNicBusOffset] = address.bus;
  envelope[kNicDeviceOffset] = address.device;
  envelope[kNicFunctionOffset] = address.function;
  return true;
}

// The address named by an envelope; nullopt when it is too short or the
// signature does not match.
inline std::optional<PciAddress> DecodeNicEnvelopePrefix(std::span<const uint8_t> envelope) {
  if (envelope.size() < kNicEnvelopeOverhead) return std::nullopt;
  if (std::memcmp(envelope.data() + kNicSignatureOffset, kNicSignature.data(), kNicSignatureSize) !=
      0) {
    return std::nullopt;
  }
  return PciAddress{envelope[kNicBusOffset], envelope[kNicDeviceOffset],
                    envelope[kNicFunctionOffset]};
}

}  // namespace oxim::records

#endif  // OXIM_RECORDS_REQUEST_HEADER_H_
