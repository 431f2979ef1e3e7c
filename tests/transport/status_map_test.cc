// Every row of the firmware status mapping, driven end to end: the emulated
// firmware answers the command with the row's status and additional status,
// and the payload form returns the row's status and records its last status.
#include <gtest/gtest.h>

#include <string>

#include "core/last_status.h"
#include "transport/emulated_fixture.h"
#include "transport/ioctl.h"

namespace oxim::testing {
namespace {

struct Row {
  uint8_t status;
  uint16_t additional;
  uint8_t opcode;
  uint32_t returns;
  uint32_t last_code;  // 0: nothing recorded
  const char* message;
};

const Row kRows[] = {
    {0, 0, 40, 0, 0, ""},
    {0, 77, 40, 0, 0, ""},
    {1, 0, 40, 116, 0, ""},
    {2, 0, 40, 116, 0, ""},
    {1, 16, 40, 1, 41,
     "Active session(s) present. Please log out of all sessions before clearing configuration. "
     "For systems booting from an iSCSI target, configuration can only be cleared using the "
     "vIZIZ Odozez Utility."},
    {2, 17, 40, 1, 27, "Session already opened."},
    {1, 18, 40, 35, 35, "Failed to get session related info, because session is in closed state."},
    {1, 19, 29, 32, 0, ""},
    {2, 19, 40, 32, 32,
     "Destination host not reachable. Please check cable and network connections and make sure "
     "IP address is valid. For more information, see Troubleshooting section in Quellfire "
     "documentation."},
    {1, 21, 40, 1, 23,
     "TCP Connect Failure. Please make sure that the target is enabled and operational."},
    {1, 22, 40, 245, 0, ""},
    {1, 23, 40, 1, 52, "The Link Status is Down. Please check the cable."},
    {2, 24, 17, 0, 33,
     "An error occurred changing the DHCP setting. Please check the configuration on the "
     "network and the DHCP server."},
    {1, 30, 40, 213, 0, ""},
    {1, 43, 40, 1, 24,
     "Initiator error. Please make sure your initiator is configured and enabled at the target."},
    {1, 44, 23, 25, 0, ""},
    {1, 44, 27, 25, 0, ""},
    {1, 44, 40, 1, 25,
     "Authentication failure. Please make sure your initiator is properly enabled for "
     "authentication at the target."},
    {1, 45, 40, 1, 26,
     "Authorization failure. Please make sure you are using the correct CHAP username and "
     "secret."},
    {1, 46, 40, 144, 144, "The requested target does not exist at this address."},
    {1, 56, 40, 1, 164,
     "Login Service not available. Please make sure that the target is operational."},
    {1, 58, 40, 1, 38,
     "Initiator CHAP secret is same as target CHAP secret. Please set a different initiator "
     "CHAP secret from the target CHAP secret."},
    {1, 59, 40, 1, 37,
     "Invalid Secret Length. Please make sure that the secret is over 12 characters and less "
     "than 16 characters in length."},
    {1, 75, 57, 229, 0, ""},
    {1, 75, 40, 327, 0, ""},
    {1, 77, 40, 1, 136, "Unable to flash the firmware image as there is a CRC mismatch."},
    {1, 79, 40, 151, 0, ""},
    {2, 81, 40, 151, 0, ""},
    {1, 83, 40, 153, 153, "This LoopBack type is not supported on this Quellfire controller."},
    {1, 84, 40, 154, 154,
     "The given port is already in loopback state, only after exiting this loopback mode, a new "
     "loopback type can be applied."},
    {1, 85, 40, 155, 0, ""},
    {1, 99, 40, 198, 0, ""},
    {1, 100, 40, 243, 0, ""},
    {1, 104, 40, 253, 0, ""},
    {1, 162, 40, 262, 0, ""},
    {1, 1, 40, 5, 0, ""},
    {2, 500, 40, 5, 0, ""},
    {3, 0, 57, 229, 0, ""},
    {3, 9, 40, 1, 0, ""},
    {4, 0, 40, 31, 0, ""},
    {5, 0, 40, 196, 196, "IOCTL is not supported for the VF at all."},
    {5, 96, 40, 195, 195, "IOCTL is not supported with the current privilege level."},
    {5, 7, 40, 5, 0, ""},
    {20, 0, 23, 1, 175, "The Target count exceeded the configured maximum limit."},
    {20, 0, 40, 1, 0, ""},
    {31, 0, 24, 0, 0, ""},
    {31, 0, 28, 0, 0, ""},
    {31, 0, 40, 28, 0, ""},
    {44, 3, 40, 55, 0, ""},
    {46, 0, 40, 1, 45,
     "The Quellfire iSCSI initiator TCP/IP settings are not configured. Please configure the "
     "TCP/IP settings before issuing this command."},
    {46, 2, 40, 5, 0, ""},
    {49, 0, 40, 1, 117,
     "The target logout request did not complete because IOs were pending. Please quiesce IO to "
     "the device and re-attempt the logout."},
    {66, 103, 69, 236, 0, ""},
    {66, 0, 69, 149, 0, ""},
    {66, 0, 8, 149, 0, ""},
    {66, 0, 12, 149, 0, ""},
    {66, 0, 70, 149, 0, ""},
    {66, 0, 73, 149, 0, ""},
    {66, 103, 40, 149, 149, "This Operation is not supported."},
    {6, 0, 40, 1, 0, ""},
    {65, 0, 40, 1, 0, ""},
    {67, 0, 40, 1, 0, ""},
    {255, 0, 40, 1, 0, ""},
};

class StatusMapping : public EmulatedTest, public ::testing::WithParamInterface<Row> {};

TEST_P(StatusMapping, RowThroughTheFirmware) {
  const Row& row = GetParam();
  adapter_->faults().FailCommand(
      emulator::CommandFailure(1, row.opcode, row.status, row.additional));
  uint8_t payload[4] = {};
  EXPECT_EQ(IssueIOCTLWithPayLoad({.index = 1},
                                  {.opcode = row.opcode,
                                   .subsystem = 1,
                                   .request_length = 4,
                                   .buffer_size = 20,
                                   .copy_back = true},
                                  payload),
            row.returns);
  uint32_t code = 0;
  char message[kMessageSize];
  oxim_get_last_status(&code, message);
  EXPECT_EQ(code, row.last_code);
  EXPECT_STREQ(message, row.message);
}

INSTANTIATE_TEST_SUITE_P(Rows, StatusMapping, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<Row>& info) {
                           return "Status" + std::to_string(info.param.status) + "Additional" +
                                  std::to_string(info.param.additional) + "Opcode" +
                                  std::to_string(info.param.opcode);
                         });

TEST(StatusMappingFixed, RequestThatDidNotReachTheFirmwareIsOne) {
  EXPECT_EQ(OximStatusFromHBAStatus(), 1u);
}

}  // namespace
}  // namespace oxim::testing
