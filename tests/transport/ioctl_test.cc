// The driver request transport against the emulated adapter: header and
// envelope bytes as the driver receives them, time-outs, payload copy-back,
// the size query, addressing, driver failures and the NIC refresh.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "core/last_status.h"
#include "oxim/oxim.h"
#include "records/controller_attributes.h"
#include "transport/commands.h"
#include "transport/driver_tables.h"
#include "transport/emulated_fixture.h"
#include "transport/ioctl.h"

namespace oxim::testing {
namespace {

uint32_t LastCode() {
  uint32_t code = 0;
  oxim_get_last_status(&code, nullptr);
  return code;
}

using TransportTimeout = EmulatedTest;

TEST_F(TransportTimeout, IscsiCommandGets120Seconds) {
  uint8_t payload[4] = {};
  (void)IssueIOCTLWithPayLoad(
      {.index = 1},
      {.opcode = 70, .subsystem = 1, .request_length = 4, .buffer_size = 20, .copy_back = true},
      payload);
  const std::vector<uint8_t> command = LastCommand();
  ASSERT_GE(command.size(), 16u);
  EXPECT_EQ(std::vector<uint8_t>(command.begin() + 4, command.begin() + 8),
            (std::vector<uint8_t>{120, 0, 0, 0}));
}

TEST_F(TransportTimeout, NicCommandGets30Seconds) {
  uint8_t payload[4] = {};
  (void)IssueNICIOCTLWithPayLoad(
      {.index = 1},
      {.opcode = 70, .subsystem = 1, .request_length = 4, .buffer_size = 20, .copy_back = true},
      payload);
  EXPECT_TRUE(Last().nic_device);
  EXPECT_EQ(LastHeader().timeout, 30u);
}

TEST_F(TransportTimeout, Opcode18Gets20InSubsystem2And11Elsewhere) {
  uint8_t payload[28] = {};
  (void)IssueIOCTLWithPayLoad(
      {.index = 1},
      {.opcode = 18, .subsystem = 2, .request_length = 8, .buffer_size = 24, .copy_back = true},
      payload);
  EXPECT_EQ(LastHeader().timeout, 20u);
  (void)IssueNICIOCTLWithPayLoad(
      {.index = 1},
      {.opcode = 18, .subsystem = 11, .request_length = 28, .buffer_size = 44, .copy_back = true},
      payload);
  EXPECT_EQ(LastHeader().timeout, 11u);
  EXPECT_EQ(TimeoutFor(DriverKind::kIscsi, 18, 11), 11u);
  EXPECT_EQ(TimeoutFor(DriverKind::kNic, 18, 2), 20u);
}

TEST_F(EmulatedTest, HeaderCarriesEveryArgument) {
  uint8_t payload[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  (void)IssueIOCTLWithPayLoad({.index = 2, .domain = 4, .port = 1},
                              {.opcode = 57,
                               .subsystem = 1,
                               .version = 1,
                               .request_length = 8,
                               .buffer_size = 24,
                               .copy_back = true},
                              payload);
  const std::vector<uint8_t> command = LastCommand();
  const std::vector<uint8_t> golden = {57, 1, 1, 4, 120, 0, 0, 0, 8, 0, 0, 0,
                                       1,  0, 0, 0, 1,   2, 3, 4, 5, 6, 7, 8};
  EXPECT_EQ(command, golden);
  EXPECT_EQ(Last().iscsi_instance, 1);
}

class NicEnvelope : public EmulatedTest {
 protected:
  void SetUp() override { Start(NicHeavyConfig(4)); }
};

TEST_F(NicEnvelope, FunctionThreeAddressAtBytes18To20CommandFrom21) {
  uint8_t payload[4] = {0xA1, 0xA2, 0xA3, 0xA4};
  (void)IssueNICIOCTLWithPayLoad(
      {.index = 3},
      {.opcode = 70, .subsystem = 1, .request_length = 4, .buffer_size = 20, .copy_back = true},
      payload);
  const emulator::RecordedRequest& last = Last();
  EXPECT_EQ(last.request, 5u);
  std::vector<uint8_t> golden = {'K', 'E', 'L', 'V', 'A', 'R',  'R',  'O',  'N', 'I', 'T',
                                 'E', 'X', ' ', 'C', 'O', 'R',  'P',  5,    0,   2,  // bus/dev/fn
                                 70,  1,   0,   0,   30,  0,    0,    0,    4,   0,   0,
                                 0,   0,   0,   0,   0,   0xA1, 0xA2, 0xA3, 0xA4};
  EXPECT_EQ(last.argument, golden);
  EXPECT_EQ(last.argument.size(), 4u + 37u);
}

TEST_F(NicEnvelope, IndexMinusOneSendsToEveryNicFunctionInOrder) {
  uint8_t payload[4] = {};
  EXPECT_EQ(
      IssueNICIOCTLWithPayLoad(
          {.index = -1},
          {.opcode = 70, .subsystem = 1, .request_length = 4, .buffer_size = 20, .copy_back = true},
          payload),
      149u);
  std::vector<emulator::RecordedRequest> recent = adapter_->recent_requests();
  ASSERT_EQ(recent.size(), 4u);
  for (uint8_t k = 0; k < 4; ++k) EXPECT_EQ(recent[k].argument[20], k);
}

TEST_F(NicEnvelope, UnknownNicFunctionSendsNothing) {
  uint8_t payload[4] = {};
  EXPECT_EQ(
      IssueNICIOCTLWithPayLoad(
          {.index = 5},
          {.opcode = 70, .subsystem = 1, .request_length = 4, .buffer_size = 20, .copy_back = true},
          payload),
      1u);
  EXPECT_EQ(Requests(), 0u);
}

TEST_F(EmulatedTest, NicDeviceIsOpenOnlyDuringTheRequest) {
  uint8_t payload[4] = {};
  int before = adapter_->open_handles();
  (void)IssueNICIOCTLWithPayLoad(
      {.index = 1},
      {.opcode = 70, .subsystem = 1, .request_length = 4, .buffer_size = 20, .copy_back = true},
      payload);
  EXPECT_EQ(adapter_->open_handles(), before);
}

TEST_F(EmulatedTest, CopyBackReturnsTheAnswer) {
  uint8_t attributes[records::kControllerAttributesSize] = {};
  ASSERT_EQ(IssueIOCTLWithPayLoad({.index = 1},
                                  {.opcode = 32,
                                   .subsystem = 1,
                                   .request_length = 540,
                                   .buffer_size = 556,
                                   .copy_back = true},
                                  attributes),
            0u);
  auto decoded = records::DecodeControllerAttributes(attributes).value();
  EXPECT_EQ(decoded.serial_number, "VN3Q0417A2K9");
  EXPECT_EQ(decoded.address, (records::PciAddress{3, 0, 2}));
}

TEST_F(EmulatedTest, FailedCommandWithCopyBackStillOverwritesThePayload) {
  emulator::CommandFault fault = emulator::CommandFailure(1, 32, 2, 17);
  fault.fill = 0xAB;
  adapter_->faults().FailCommand(fault);
  std::vector<uint8_t> payload(540, 0x11);
  EXPECT_EQ(IssueIOCTLWithPayLoad({.index = 1},
                                  {.opcode = 32,
                                   .subsystem = 1,
                                   .request_length = 540,
                                   .buffer_size = 556,
                                   .copy_back = true},
                                  payload),
            1u);
  EXPECT_EQ(payload, std::vector<uint8_t>(540, 0xAB));
  EXPECT_EQ(LastCode(), 27u);
}

TEST_F(EmulatedTest, EveryBufferIsCountedAndFreed) {
  uint32_t before = oxim_counter;
  uint8_t payload[540] = {};
  (void)ioctl_fetch_controller_attribs({.index = 1}, payload, DriverKind::kIscsi);
  (void)ioctl_fetch_controller_attribs({.index = 2}, payload, DriverKind::kNic);
  uint16_t needed = 0;
  (void)ioctl_get_sessionconfig_size({.index = -1}, payload, &needed);
  EXPECT_EQ(oxim_counter, before);
}

TEST_F(EmulatedTest, WithoutCopyBackThePayloadStays) {
  std::vector<uint8_t> payload(540, 0x11);
  EXPECT_EQ(IssueIOCTLWithPayLoad(
                {.index = 1},
                {.opcode = 32, .subsystem = 1, .request_length = 540, .buffer_size = 556}, payload),
            0u);
  EXPECT_EQ(payload, std::vector<uint8_t>(540, 0x11));
}

TEST_F(EmulatedTest, AdditionalStatus24ReturnsZeroAndLeavesTheDhcpMessage) {
  adapter_->faults().FailCommand(emulator::CommandFailure(2, 17, 1, 24));
  uint8_t dhcp[16] = {};
  EXPECT_EQ(ioctl_config_dhcp({.index = 1}, dhcp), 0u);
  uint32_t code = 0;
  char message[kMessageSize];
  oxim_get_last_status(&code, message);
  EXPECT_EQ(code, 33u);
  EXPECT_STREQ(message,
               "An error occurred changing the DHCP setting. Please check the configuration on "
               "the network and the DHCP server.");
}

TEST_F(EmulatedTest, SizeQueryWithStatus4SucceedsAndReportsTheLength) {
  emulator::CommandFault fault = emulator::CommandFailure(6, 32, 4);
  fault.response_length = 0x12345;
  adapter_->faults().FailCommand(fault);
  uint8_t selector[816] = {};
  uint16_t needed = 0;
  EXPECT_EQ(ioctl_get_a_target_size({.index = 1}, selector, &needed), 0u);
  EXPECT_EQ(needed, 0x2345);  // low 16 bits
  EXPECT_EQ(LastHeader().request_length, 816u);
}

TEST_F(EmulatedTest, SizeQueryWithOtherStatusIsMapped) {
  uint8_t request[40] = {};  // persistent login IDs are not modelled: status 66
  uint16_t needed = 7;
  EXPECT_EQ(ioctl_get_plogintgtidbuffersize({.index = 1}, request, &needed), 149u);
  EXPECT_EQ(needed, 7);
}

TEST_F(EmulatedTest, UnmodelledCommandAnswersNotSupported) {
  uint8_t payload[4] = {};
  EXPECT_EQ(ioctl_get_beacon_state({.index = 1}, payload, DriverKind::kIscsi),
            149u);  // opcode 70: no message
  EXPECT_EQ(LastCode(), 0u);
  EXPECT_EQ(ioctl_get_ari_settings({.index = 1}, payload, DriverKind::kIscsi), 149u);
  EXPECT_EQ(LastCode(), 149u);
}

TEST_F(EmulatedTest, IndexMinusOneWithNoOpenIscsiHandleReturnsZero) {
  transport::ClearDriverTables();
  uint8_t payload[4] = {};
  EXPECT_EQ(ioctl_get_domain({.index = -1}, payload), 0u);
  EXPECT_EQ(Requests(), 0u);
}

TEST_F(EmulatedTest, IndexMinusOneSendsOnEveryIscsiHandle) {
  uint8_t payload[4] = {};
  (void)ioctl_get_domain({.index = -1}, payload);
  std::vector<emulator::RecordedRequest> recent = adapter_->recent_requests();
  ASSERT_EQ(recent.size(), 2u);
  EXPECT_EQ(recent[0].iscsi_instance, 0);
  EXPECT_EQ(recent[1].iscsi_instance, 1);
}

TEST_F(EmulatedTest, IscsiIndexWithoutHandleSendsNothing) {
  uint8_t payload[4] = {};
  EXPECT_EQ(
      IssueIOCTLWithPayLoad(
          {.index = 3},
          {.opcode = 70, .subsystem = 1, .request_length = 4, .buffer_size = 20, .copy_back = true},
          payload),
      1u);
  EXPECT_EQ(
      IssueIOCTLWithPayLoad(
          {.index = 0},
          {.opcode = 70, .subsystem = 1, .request_length = 4, .buffer_size = 20, .copy_back = true},
          payload),
      1u);
  EXPECT_EQ(Requests(), 0u);
}

TEST_F(EmulatedTest, IscsiEioIs295FromIssueAndOneFromThePayloadForm) {
  adapter_->faults().FailDriverCall(0x4580, EIO);
  std::vector<uint8_t> buffer(20, 0);
  EXPECT_EQ(IssueIOCTL(iscsi_handles_[0], DriverKind::kIscsi, {.index = 1},
                       {.opcode = 70, .subsystem = 1, .request_length = 4}, buffer),
            kStatusDriverIo);
  uint8_t payload[4] = {};
  EXPECT_EQ(
      IssueIOCTLWithPayLoad(
          {.index = 1},
          {.opcode = 70, .subsystem = 1, .request_length = 4, .buffer_size = 20, .copy_back = true},
          payload),
      1u);
}

TEST_F(EmulatedTest, OtherDriverFailureLetsTheStaleHeaderDecide) {
  adapter_->faults().FailDriverCall(0x4580, EINVAL);
  std::vector<uint8_t> buffer(20, 0);
  EXPECT_EQ(IssueIOCTL(iscsi_handles_[0], DriverKind::kIscsi, {.index = 1},
                       {.opcode = 70, .subsystem = 1, .request_length = 4}, buffer),
            0u);
  EXPECT_EQ(buffer[4], 120);  // Timeout, read as the status: maps to 1
  uint8_t payload[4] = {};
  EXPECT_EQ(
      IssueIOCTLWithPayLoad(
          {.index = 1},
          {.opcode = 70, .subsystem = 1, .request_length = 4, .buffer_size = 20, .copy_back = true},
          payload),
      1u);
}

TEST_F(EmulatedTest, NicEioIsNot295) {
  adapter_->faults().FailDriverCall(5, EIO);
  std::vector<uint8_t> buffer(20, 0);
  EXPECT_EQ(IssueIOCTL(-1, DriverKind::kNic, {.index = 1},
                       {.opcode = 70, .subsystem = 1, .request_length = 4}, buffer),
            0u);
}

TEST_F(EmulatedTest, UnknownDriverKindSendsNothing) {
  std::vector<uint8_t> buffer(20, 0);
  EXPECT_EQ(IssueIOCTL(iscsi_handles_[0], static_cast<DriverKind>(3), {.index = 1},
                       {.opcode = 70, .subsystem = 1, .request_length = 4}, buffer),
            1u);
  EXPECT_EQ(Requests(), 0u);
}

TEST_F(EmulatedTest, BufferTooSmallForTheRequestSendsNothing) {
  uint8_t payload[8] = {};
  EXPECT_EQ(
      IssueIOCTLWithPayLoad(
          {.index = 1},
          {.opcode = 70, .subsystem = 1, .request_length = 8, .buffer_size = 20, .copy_back = true},
          payload),
      1u);
  std::vector<uint8_t> small(3, 0);
  EXPECT_EQ(
      IssueIOCTLWithPayLoad(
          {.index = 1},
          {.opcode = 70, .subsystem = 1, .request_length = 4, .buffer_size = 20, .copy_back = true},
          small),
      1u);
  std::vector<uint8_t> buffer(19, 0);
  EXPECT_EQ(IssueIOCTL(iscsi_handles_[0], DriverKind::kIscsi, {.index = 1},
                       {.opcode = 70, .subsystem = 1, .request_length = 4}, buffer),
            1u);
  EXPECT_EQ(Requests(), 0u);
}

TEST_F(EmulatedTest, RequestLengthNotMatchingTheCommandIsAnErrorAnswer) {
  std::vector<uint8_t> payload(100, 0);
  EXPECT_EQ(IssueIOCTLWithPayLoad({.index = 1},
                                  {.opcode = 32,
                                   .subsystem = 1,
                                   .request_length = 100,
                                   .buffer_size = 116,
                                   .copy_back = true},
                                  payload),
            1u);
}

TEST_F(EmulatedTest, ShortAnswerLeavesTheRestOfThePayload) {
  adapter_->faults().ShortenAnswer(1, 32, 100);
  std::vector<uint8_t> payload(540, 0);
  EXPECT_EQ(ioctl_fetch_controller_attribs({.index = 1}, payload, DriverKind::kIscsi), 0u);
  EXPECT_EQ(records::DecodeControllerAttributes(payload)->serial_number, "");
}

// The NIC refresh hook that start-up will register: enumerates the NIC
// functions on the request's handle and reports a change of their number.
bool RefreshFromChipInfo(int nic_handle, int* calls) {
  ++*calls;
  uint8_t record[records::kChipInfoRecordSize] = {};
  if (platform::DeviceIoctl(nic_handle, records::kNicChipInfoRequest, record).result != 0) {
    return true;
  }
  std::vector<records::PciAddress> nics;
  for (const auto& c :
       records::DecodeChipInfo(record).value_or(std::vector<records::ChipInfoController>{})) {
    for (uint8_t f : c.functions) nics.push_back({c.bus, c.device, f});
  }
  if (static_cast<int>(nics.size()) == transport::NicFunctionCount()) return false;
  transport::SetNicFunctions(nics);  // the rebuild
  return true;
}

TEST_F(EmulatedTest, NicCountChangeBetweenTwoRequestsFailsTheSecond) {
  int calls = 0;
  transport::SetNicRefreshHook([&](int handle) { return RefreshFromChipInfo(handle, &calls); });
  adapter_->faults().ChangeNicFunctions(/*after_requests=*/2, /*nic_functions=*/1);
  uint8_t payload[4] = {};
  EXPECT_EQ(ioctl_get_beacon_state({.index = 1}, payload, DriverKind::kNic),
            149u);  // refresh + command
  uint64_t before = Requests();
  EXPECT_EQ(ioctl_get_beacon_state({.index = 1}, payload, DriverKind::kNic), 1u);
  EXPECT_EQ(Requests(), before + 1);  // only the enumeration, not the command
  EXPECT_EQ(transport::NicFunctionCount(), 1);
  EXPECT_EQ(ioctl_get_beacon_state({.index = 1}, payload, DriverKind::kNic), 149u);
  EXPECT_EQ(calls, 3);
}

TEST_F(EmulatedTest, NoRefreshHookMeansNoRefresh) {
  adapter_->faults().ChangeNicFunctions(/*after_requests=*/1, /*nic_functions=*/0);
  uint8_t payload[4] = {};
  EXPECT_EQ(ioctl_get_beacon_state({.index = 1}, payload, DriverKind::kNic), 149u);
  // The driver no longer shows the function: the envelope is refused and
  // the stale header maps to 1.
  EXPECT_EQ(ioctl_get_beacon_state({.index = 1}, payload, DriverKind::kNic), 1u);
  EXPECT_EQ(Requests(), 2u);
}

TEST_F(EmulatedTest, RequestsSentByTheRefreshItselfAreNotRefreshedAgain) {
  int inner = 0;
  transport::SetNicRefreshHook([&](int) {
    uint8_t payload[4] = {};
    inner += ioctl_get_beacon_state({.index = 2}, payload, DriverKind::kNic) == 149u;
    return false;
  });
  uint8_t payload[4] = {};
  EXPECT_EQ(ioctl_get_beacon_state({.index = 1}, payload, DriverKind::kNic), 149u);
  EXPECT_EQ(inner, 1);
}

TEST_F(EmulatedTest, DriverRequestsRunTheRefreshExceptChipInformation) {
  int calls = 0;
  transport::SetNicRefreshHook([&](int) {
    ++calls;
    return false;
  });
  std::vector<uint8_t> record(records::kDriverInfoRecordSize, 0);
  records::EncodeDriverInfoRequest(record, {3, 0, 1});
  EXPECT_EQ(IssueNicDriverRequest(records::kNicDriverInfoRequest, record), 0u);
  EXPECT_EQ(records::DecodeFixed32(record.data() + records::kDriverInfoMtuOffset), 1500u);
  uint8_t chip[records::kChipInfoRecordSize] = {};
  EXPECT_EQ(IssueNicDriverRequest(records::kNicChipInfoRequest, chip), 0u);
  EXPECT_EQ(calls, 1);
}

}  // namespace
}  // namespace oxim::testing
