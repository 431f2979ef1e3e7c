// The request header, the response header written over it and the NIC
// envelope, against bytes written by hand from their offset tables.
#include "records/request_header.h"

#include <gtest/gtest.h>

#include <vector>

namespace oxim::records {
namespace {

TEST(RequestHeaderLayout, EncodesEveryFieldAtItsOffset) {
  // PageCode 0x20, subsystem 1, port 2, domain 3, Timeout 120, request
  // length 540 (0x21C), version 1, reserved zero.
  const std::vector<uint8_t> golden = {0x20, 0x01, 0x02, 0x03, 0x78, 0x00, 0x00, 0x00,
                                       0x1C, 0x02, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00};
  std::vector<uint8_t> buffer(16, 0xEE);
  ASSERT_TRUE(EncodeRequestHeader(buffer, {0x20, 1, 2, 3, 120, 540, 1}));
  EXPECT_EQ(buffer, golden);
  RequestHeader decoded = DecodeRequestHeader(golden).value();
  EXPECT_EQ(decoded.opcode, 0x20);
  EXPECT_EQ(decoded.subsystem, 1);
  EXPECT_EQ(decoded.port_number, 2);
  EXPECT_EQ(decoded.domain, 3);
  EXPECT_EQ(decoded.timeout, 120u);
  EXPECT_EQ(decoded.request_length, 540u);
  EXPECT_EQ(decoded.version, 1);
}

TEST(RequestHeaderLayout, ResponseOverlaysStatusAdditionalAndLength) {
  // status 2 at 4, additional status 0x0113 at 5..6, response length 0x0304
  // at 12..15.
  std::vector<uint8_t> golden(16, 0);
  golden[4] = 0x02;
  golden[5] = 0x13;
  golden[6] = 0x01;
  golden[12] = 0x04;
  golden[13] = 0x03;
  std::vector<uint8_t> buffer(16, 0);
  ASSERT_TRUE(EncodeResponseHeader(buffer, {2, 0x0113, 0x0304}));
  EXPECT_EQ(buffer, golden);
  ResponseHeader decoded = DecodeResponseHeader(golden).value();
  EXPECT_EQ(decoded.status, 2);
  EXPECT_EQ(decoded.additional_status, 0x0113);
  EXPECT_EQ(decoded.response_length, 0x0304u);
}

TEST(RequestHeaderLayout, ShortBuffersAreRefused) {
  std::vector<uint8_t> short_buffer(15, 0);
  EXPECT_FALSE(EncodeRequestHeader(short_buffer, {}));
  EXPECT_FALSE(DecodeRequestHeader(short_buffer).has_value());
  EXPECT_FALSE(DecodeResponseHeader(short_buffer).has_value());
}

TEST(NicEnvelopeLayout, SignatureThenBusDeviceFunction) {
  const char kSignature[] = "KELVARRONITEX CORP";
  std::vector<uint8_t> golden(kSignature, kSignature + 18);
  golden.insert(golden.end(), {0x05, 0x00, 0x02});
  std::vector<uint8_t> envelope(21, 0);
  ASSERT_TRUE(EncodeNicEnvelopePrefix(envelope, {5, 0, 2}));
  EXPECT_EQ(envelope, golden);
  EXPECT_EQ(DecodeNicEnvelopePrefix(golden).value(), (PciAddress{5, 0, 2}));
  EXPECT_EQ(NicEnvelopeSize(4), 41u);
}

TEST(NicEnvelopeLayout, WrongSignatureOrShortEnvelopeIsRefused) {
  std::vector<uint8_t> envelope(21, 0);
  ASSERT_TRUE(EncodeNicEnvelopePrefix(envelope, {1, 2, 3}));
  envelope[17] = 'p';
  EXPECT_FALSE(DecodeNicEnvelopePrefix(envelope).has_value());
  EXPECT_FALSE(DecodeNicEnvelopePrefix(std::vector<uint8_t>(20, 0)).has_value());
}

}  // namespace
}  // namespace oxim::records
