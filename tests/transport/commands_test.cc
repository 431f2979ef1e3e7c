// The firmware command wrappers: a hand-written sample of catalogue rows as
// the driver receives them, the wrappers with rules of their own, and every
// wrapper of the catalogue sending the header its row names.
#include <gtest/gtest.h>

#include <vector>

#include "core/last_status.h"
#include "transport/commands.h"
#include "transport/driver_tables.h"
#include "transport/emulated_fixture.h"
#include "transport/ioctl.h"

namespace oxim::testing {
namespace {

struct Expected {
  uint8_t opcode;
  uint8_t subsystem;
  uint32_t length;
  uint8_t version;
};

void ExpectHeader(const records::RequestHeader& h, Expected e) {
  EXPECT_EQ(h.opcode, e.opcode);
  EXPECT_EQ(h.subsystem, e.subsystem);
  EXPECT_EQ(h.request_length, e.length);
  EXPECT_EQ(h.version, e.version);
}

using CommandWrappers = EmulatedTest;

TEST_F(CommandWrappers, LinkStatusV1AndNicLinkParamsDifferOnlyInVersion) {
  uint8_t payload[12] = {};
  (void)ioctl_get_link_status_v1({.index = 1}, payload, DriverKind::kIscsi);
  ExpectHeader(LastHeader(), {5, 1, 12, 1});
  (void)ioctl_get_NIC_link_params({.index = 1}, payload, DriverKind::kIscsi);
  ExpectHeader(LastHeader(), {5, 1, 12, 0});
}

TEST_F(CommandWrappers, VersionByteIsPerRequest) {
  uint8_t payload[12] = {};
  (void)ioctl_set_port_speed({.index = 1}, payload, DriverKind::kIscsi);
  ExpectHeader(LastHeader(), {57, 1, 8, 1});
  (void)ioctl_set_port_state({.index = 1}, payload, DriverKind::kIscsi);
  ExpectHeader(LastHeader(), {62, 1, 4, 0});
}

TEST_F(CommandWrappers, DdrDmaTestSends8208BytesInA8224BufferAndCopiesBack) {
  emulator::CommandFault fault = emulator::CommandFailure(11, 17, 0);
  fault.fill = 0x5A;
  adapter_->faults().FailCommand(fault);
  std::vector<uint8_t> payload(8208, 1);
  EXPECT_EQ(ioctl_ddr_dma_test({.index = 1}, payload, /*controller=*/0), 0u);
  EXPECT_EQ(Last().argument.size(), 8224u);
  ExpectHeader(LastHeader(), {17, 11, 8208, 0});
  EXPECT_EQ(payload, std::vector<uint8_t>(8208, 0x5A));
}

TEST_F(CommandWrappers, StartManagementServiceIsAHeaderOnlyRequest) {
  EXPECT_EQ(ioctl_start_management_service({.index = 1}, {}, DriverKind::kIscsi), 0u);
  EXPECT_EQ(Last().argument.size(), 16u);
  ExpectHeader(LastHeader(), {88, 1, 0, 0});
}

TEST_F(CommandWrappers, SampleRowsAsWrittenInTheCatalogue) {
  std::vector<uint8_t> payload(2000, 0);
  (void)ioctl_login_target({.index = 1}, payload);
  ExpectHeader(LastHeader(), {23, 6, 1420, 0});
  (void)ioctl_get_dcbx_cfg_params_v1({.index = 1}, payload, DriverKind::kIscsi);
  ExpectHeader(LastHeader(), {1, 16, 368, 1});
  (void)ioctl_run_selftest({.index = 1}, payload, DriverKind::kIscsi);
  ExpectHeader(LastHeader(), {9, 18, 555, 0});
  (void)ioctl_get_lldp_params({.index = 1}, payload, DriverKind::kNic);
  ExpectHeader(LastHeader(), {1, 15, 1576, 0});
  EXPECT_TRUE(Last().nic_device);
  (void)ioctl_set_oem_exec_cfg({.index = 2}, payload);
  ExpectHeader(LastHeader(), {4, 21, 48, 0});
  EXPECT_TRUE(Last().nic_device);
  (void)ioctl_get_vpd_data({.index = 1}, payload, 300, DriverKind::kIscsi);
  ExpectHeader(LastHeader(), {91, 1, 300, 0});
  (void)ioctl_common_write_object_version1({.index = 1}, payload, 64, DriverKind::kIscsi);
  ExpectHeader(LastHeader(), {172, 1, 64, 1});
  uint16_t needed = 0;
  (void)ioctl_get_SsnAttr_params_size({.index = 1}, payload, &needed);
  ExpectHeader(LastHeader(), {48, 6, 1284, 0});
}

TEST_F(CommandWrappers, KindWrapperGivenKind3SendsNothing) {
  uint8_t payload[4] = {};
  EXPECT_EQ(ioctl_get_beacon_state({.index = 1}, payload, static_cast<DriverKind>(3)), 1u);
  EXPECT_EQ(ioctl_get_coredump_props({.index = 1}, payload, static_cast<DriverKind>(3)), 1u);
  EXPECT_EQ(Requests(), 0u);
}

TEST_F(CommandWrappers, ProtocolWrapperWithEmptyProtocolFlagsSendsNothing) {
  transport::reset_protocol_flags();
  uint8_t payload[4] = {};
  EXPECT_EQ(ioctl_get_reset_needed({.index = 1}, payload, /*controller=*/0), 1u);
  EXPECT_EQ(Requests(), 0u);
}

TEST_F(CommandWrappers, ProtocolWrapperFollowsTheControllerFlags) {
  transport::set_protocol(1, 2);
  uint8_t payload[4] = {};
  (void)ioctl_get_reset_needed({.index = 1}, payload, /*controller=*/1);
  EXPECT_TRUE(Last().nic_device);
  (void)ioctl_get_reset_needed({.index = 1}, payload, /*controller=*/0);
  EXPECT_FALSE(Last().nic_device);
}

TEST_F(CommandWrappers, ConfigSignIsSentForProtocol1Only) {
  std::vector<uint8_t> sign(132, 0);
  sign[0] = 3;
  EXPECT_EQ(ioctl_set_config_sign({.index = 1}, sign, /*controller=*/0), 0u);
  EXPECT_EQ(Requests(), 1u);
  transport::set_protocol(1, 2);
  EXPECT_EQ(ioctl_set_config_sign({.index = 1}, sign, /*controller=*/1), 0u);
  EXPECT_EQ(ioctl_get_config_sign({.index = 1}, sign, /*controller=*/2), 1u);
  EXPECT_EQ(Requests(), 1u);
}

TEST_F(CommandWrappers, RetrieveFatLengthComesFromThePayload) {
  std::vector<uint8_t> payload(20 + 300, 0);
  payload[8] = 0x2C;  // 300, 16 bits for the iSCSI driver
  payload[9] = 0x01;
  (void)ioctl_retrieve_fat({.index = 1}, payload, /*controller=*/0);
  ExpectHeader(LastHeader(), {68, 1, 320, 0});
  EXPECT_EQ(Last().argument.size(), 336u);
}

TEST_F(CommandWrappers, RetrieveFatReadsA32BitLengthForTheNicDriver) {
  transport::set_protocol(1, 2);
  std::vector<uint8_t> payload(20 + 0x10, 0);
  payload[8] = 0x10;
  (void)ioctl_retrieve_fat({.index = 1}, payload, /*controller=*/1);
  ExpectHeader(LastHeader(), {68, 1, 36, 0});
  payload[10] = 1;  // 0x10010: more than the payload holds
  uint64_t before = Requests();
  EXPECT_EQ(ioctl_retrieve_fat({.index = 1}, payload, /*controller=*/1), 1u);
  EXPECT_EQ(Requests(), before);
}

TEST_F(CommandWrappers, RetrieveFatLengthBeyondThePayloadSendsNothing) {
  std::vector<uint8_t> payload(20 + 10, 0);
  payload[8] = 11;
  EXPECT_EQ(ioctl_retrieve_fat({.index = 1}, payload, /*controller=*/0), 1u);
  std::vector<uint8_t> short_payload(12, 0);
  EXPECT_EQ(ioctl_retrieve_fat({.index = 1}, short_payload, 0), 1u);
  EXPECT_EQ(Requests(), 0u);
}

TEST_F(CommandWrappers, FixedWrapperRefusesAShortPayload) {
  std::vector<uint8_t> payload(539, 0);
  EXPECT_EQ(ioctl_fetch_controller_attribs({.index = 1}, payload, DriverKind::kIscsi), 1u);
  EXPECT_EQ(ioctl_get_vpd_data({.index = 1}, payload, 540, DriverKind::kIscsi), 1u);
  EXPECT_EQ(ioctl_get_vpd_data({.index = 1}, {}, 65520, DriverKind::kIscsi), 1u);
  EXPECT_EQ(Requests(), 0u);
}

TEST_F(CommandWrappers, AvailablePersonalitiesSendsTheCallersWholeBuffer) {
  std::vector<uint8_t> buffer(16 + 512, 0);
  buffer[16] = 0x77;
  EXPECT_EQ(ioctl_get_available_personalities({.index = 1}, buffer, DriverKind::kIscsi), 149u);
  ExpectHeader(LastHeader(), {113, 1, 512, 0});
  EXPECT_EQ(Last().argument[16], 0x77);
  EXPECT_EQ(ioctl_get_configured_personality({.index = 1}, buffer, 600, DriverKind::kIscsi), 1u);
  EXPECT_EQ(ioctl_get_configured_personality({.index = 1}, buffer, 100, DriverKind::kNic), 149u);
  ExpectHeader(LastHeader(), {114, 1, 100, 0});
}

}  // namespace
}  // namespace oxim::testing
