// Golden tests of the shared byte layouts: each expected record is written
// by hand from its offset table, then checked against encoder and decoder;
// short records are refused.
#include <gtest/gtest.h>

#include <vector>

#include "records/coding.h"
#include "records/controller_attributes.h"
#include "records/driver_records.h"
#include "records/request_header.h"

namespace oxim::records {
namespace {

TEST(Coding, LittleEndianFixedWidth) {
  uint8_t buffer[6] = {};
  EncodeFixed32(buffer, 0x11223344);
  EncodeFixed16(buffer + 4, 0xA1B2);
  EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + 6),
            (std::vector<uint8_t>{0x44, 0x33, 0x22, 0x11, 0xB2, 0xA1}));
  EXPECT_EQ(DecodeFixed32(buffer), 0x11223344u);
  EXPECT_EQ(DecodeFixed16(buffer + 4), 0xA1B2);
}

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

TEST(ChipInfoLayout, TwoControllersWithTwoAndFourFunctions) {
  std::vector<uint8_t> golden(89, 0);
  golden[0] = 2;
  golden[1] = 3;  // controller 0: bus 3, device 0, 2 functions: 0, 1
  golden[2] = 0;
  golden[3] = 2;
  golden[4] = 0;
  golden[5] = 1;
  golden[12] = 7;  // controller 1 at 1 + 11: bus 7, device 1, 4 functions 0..3
  golden[13] = 1;
  golden[14] = 4;
  golden[15] = 0;
  golden[16] = 1;
  golden[17] = 2;
  golden[18] = 3;
  std::vector<uint8_t> record(89, 0xEE);
  ASSERT_TRUE(EncodeChipInfo(record, {{3, 0, {0, 1}}, {7, 1, {0, 1, 2, 3}}}));
  EXPECT_EQ(record, golden);
  auto decoded = DecodeChipInfo(golden).value();
  ASSERT_EQ(decoded.size(), 2u);
  EXPECT_EQ(decoded[1].bus, 7);
  EXPECT_EQ(decoded[1].functions, (std::vector<uint8_t>{0, 1, 2, 3}));
}

TEST(ChipInfoLayout, CountsBeyondTheRecordAreRefused) {
  std::vector<uint8_t> record(89, 0);
  record[0] = 9;
  EXPECT_FALSE(DecodeChipInfo(record).has_value());
  record[0] = 1;
  record[3] = 9;
  EXPECT_FALSE(DecodeChipInfo(record).has_value());
  EXPECT_FALSE(DecodeChipInfo(std::vector<uint8_t>(88, 0)).has_value());
}

TEST(DriverInfoLayout, AddressFirstAnswerFromOffsetFour) {
  std::vector<uint8_t> record(980, 0xEE);
  ASSERT_TRUE(EncodeDriverInfoRequest(record, {3, 0, 1}));
  EXPECT_EQ(record[0], 3);
  EXPECT_EQ(record[1], 0);
  EXPECT_EQ(record[2], 1);
  EXPECT_EQ(record[3], 0);
  EXPECT_EQ(kDriverInfoMtuOffset, 12u);
  EXPECT_EQ(kDriverInfoVfCountOffset, 16u);
  std::vector<uint8_t> short_record(979, 0);
  EXPECT_FALSE(EncodeDriverInfoRequest(short_record, {}));
  EXPECT_FALSE(DecodeDriverInfoAddress(std::vector<uint8_t>(979, 0)).has_value());
}

TEST(PciConfigReadLayout, RecordThenInlineDataArea) {
  // bus 3, device 0, function 1, offset 164 (0xA4), length 4, address 0.
  std::vector<uint8_t> golden = {3, 0, 1, 0xA4, 0, 0, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  std::vector<uint8_t> record(19, 0);
  ASSERT_TRUE(EncodePciConfigRead(record, {{3, 0, 1}, 164, 4}));
  EXPECT_EQ(record, golden);
  PciConfigRead read = DecodePciConfigRead(golden).value();
  EXPECT_EQ(read.config_offset, 164u);
  EXPECT_EQ(read.length, 4u);
  golden.pop_back();  // the data area no longer holds the length named
  EXPECT_FALSE(DecodePciConfigRead(golden).has_value());
}

TEST(ControllerAttributesLayout, EveryFieldAtItsOffset) {
  std::vector<uint8_t> golden(540, 0);
  auto text = [&](size_t offset, const std::string& value) {
    std::copy(value.begin(), value.end(), golden.begin() + offset);
  };
  text(32, "Vallorn");
  golden[64] = 0x11;  // capabilities 0x0111
  golden[65] = 0x01;
  golden[92] = 30;  // default ETO
  text(96, "QF3-2P");
  text(128, "Converged network adapter");
  text(192, "VN3Q0417A2K9");
  text(256, "11.4.204.0");
  text(288, "11.4.1");
  text(320, "11.4.2");
  text(352, "11.4");
  text(384, "11.4.204.1");
  golden[420] = 16;    // max CDB length
  golden[440] = 0x2C;  // LDTO 300
  golden[441] = 0x01;
  golden[442] = 0x10;  // iSCSI versions 0..1
  golden[445] = 1;     // degraded
  golden[446] = 2;
  golden[447] = 4;
  golden[500] = 0x7E;  // vendor 0x1D7E
  golden[501] = 0x1D;
  golden[502] = 0x14;  // device 0x0714
  golden[503] = 0x07;
  golden[504] = 0x7E;
  golden[505] = 0x1D;
  golden[506] = 0x01;  // subsystem device 0xE601
  golden[507] = 0xE6;
  golden[508] = 3;
  golden[509] = 0;
  golden[510] = 2;

  ControllerAttributes fields;
  fields.manufacturer = "Vallorn";
  fields.capabilities = 0x0111;
  fields.default_eto = 30;
  fields.model_number = "QF3-2P";
  fields.description = "Converged network adapter";
  fields.serial_number = "VN3Q0417A2K9";
  fields.active_firmware_version = "11.4.204.0";
  fields.bios_version = "11.4.1";
  fields.boot_code_version = "11.4.2";
  fields.driver_version = "11.4";
  fields.flash_firmware_version = "11.4.204.1";
  fields.max_cdb_length = 16;
  fields.link_down_timeout = 300;
  fields.iscsi_versions = 0x10;
  fields.firmware_state = 1;
  fields.logical_hba_count = 2;
  fields.further_count = 4;
  fields.vendor_id = 0x1D7E;
  fields.device_id = 0x0714;
  fields.subsystem_vendor_id = 0x1D7E;
  fields.subsystem_device_id = 0xE601;
  fields.address = {3, 0, 2};
  std::vector<uint8_t> answer(540, 0);
  ASSERT_TRUE(EncodeControllerAttributes(answer, fields));
  EXPECT_EQ(answer, golden);

  ControllerAttributes decoded = DecodeControllerAttributes(golden).value();
  EXPECT_EQ(decoded.manufacturer, "Vallorn");
  EXPECT_EQ(decoded.capabilities, 0x0111u);
  EXPECT_EQ(decoded.model_number, "QF3-2P");
  EXPECT_EQ(decoded.description, "Converged network adapter");
  EXPECT_EQ(decoded.serial_number, "VN3Q0417A2K9");
  EXPECT_EQ(decoded.active_firmware_version, "11.4.204.0");
  EXPECT_EQ(decoded.flash_firmware_version, "11.4.204.1");
  EXPECT_EQ(decoded.driver_version, "11.4");
  EXPECT_EQ(decoded.link_down_timeout, 300);
  EXPECT_EQ(decoded.firmware_state, 1);
  EXPECT_EQ(decoded.logical_hba_count, 2);
  EXPECT_EQ(decoded.further_count, 4);
  EXPECT_EQ(decoded.device_id, 0x0714);
  EXPECT_EQ(decoded.subsystem_device_id, 0xE601);
  EXPECT_EQ(decoded.address, (PciAddress{3, 0, 2}));
  EXPECT_FALSE(DecodeControllerAttributes(std::vector<uint8_t>(539, 0)).has_value());
}

TEST(ControllerAttributesLayout, SerialFillingItsFieldHasNoTerminator) {
  std::vector<uint8_t> answer(540, 0);
  std::fill(answer.begin() + 192, answer.begin() + 224, 'A');
  answer[224] = 'B';
  EXPECT_EQ(DecodeControllerAttributes(answer)->serial_number, std::string(32, 'A'));
}

}  // namespace
}  // namespace oxim::records
