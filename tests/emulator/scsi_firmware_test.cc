// The emulated adapter's SCSI pass-through through the library's command
// wrapper: simulated targets' LUN tables answer REPORT LUNS, INQUIRY, READ
// CAPACITY and WRITE as disks do, odd LUNs included; sessions that are not
// open and injected check conditions fail as configured. And the QoS
// limits, kept in flash.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "records/iscsi_login.h"
#include "records/iscsi_qos.h"
#include "records/scsi_commands.h"
#include "records/scsi_passthrough.h"
#include "storage_network.h"
#include "transport/commands.h"
#include "transport/emulated_fixture.h"

namespace oxim::emulator {
namespace {

using records::ScsiPassthrough;

constexpr FunctionAddress kFunction{.index = 1};

class ScsiFirmwareTest : public testing::EmulatedTest {
 protected:
  void SetUp() override {}

  // Logs in to a target of the network; the session handle.
  uint32_t Login(const char* target, const char* address) {
    records::LoginRequest request;
    request.target_name = target;
    request.portal = records::PortalFromText(address, kIscsiPort);
    request.flags = records::kLoginFlagsLogin;
    request.initiator_name = "iqn.1998-01.com.example:host7";
    EXPECT_TRUE(records::EncodeLoginOptions(request.options, records::DefaultLoginOptions()));
    std::array<uint8_t, records::kLoginRequestSize> buffer{};
    records::EncodeLoginRequest(buffer, request);
    EXPECT_EQ(ioctl_login_target(kFunction, buffer), 0u);
    return records::DecodeLoginResponse(buffer)->session_handle;
  }

  // Sends one command; the firmware's status, the answer in *answer.
  uint32_t Send(uint32_t handle, uint16_t lun, const records::Cdb& cdb, size_t length,
                ScsiPassthrough* answer, uint8_t direction = records::kScsiDataRead) {
    ScsiPassthrough command;
    command.session_handle = handle;
    command.lun = records::PassthroughLunOf(records::LunEntryOf(lun));
    command.direction = direction;
    command.cdb = cdb;
    command.data.assign(length, 0);
    std::vector<uint8_t> buffer(records::ScsiPassthroughSize(command), 0);
    EXPECT_TRUE(records::EncodeScsiPassthrough(buffer, command));
    const uint32_t status =
        ioctl_scsi_passthru(kFunction, buffer, static_cast<uint32_t>(buffer.size()));
    *answer = records::DecodeScsiPassthrough(buffer).value();
    return status;
  }
};

AdapterConfig OddLuns() {
  AdapterConfig config = DefaultConfig();
  SimulatedTarget& open = config.targets.front();
  SimulatedLun tiny;  // 1023 bytes
  tiny.number = 0;
  tiny.blocks = 1;
  tiny.block_size = 1023;
  SimulatedLun huge;  // 3 TB: READ CAPACITY (10) cannot say it
  huge.number = 300;
  huge.blocks = 6442450944;
  huge.vendor = "VEND%s";
  huge.product = "BIG";
  huge.serial = "SER-300";
  huge.check_condition = {records::kScsiWrite10};
  huge.check_condition_times = 1;
  open.luns = {tiny, huge};
  return config;
}

TEST_F(ScsiFirmwareTest, ReportLunsAnswersTheLunTableCutToTheAllocation) {
  Start();
  const uint32_t handle = Login(kOpenTargetName, kOpenTargetAddress);
  ScsiPassthrough answer;
  ASSERT_EQ(Send(handle, 0, records::ReportLunsCdb(16), 16, &answer), 0u);
  EXPECT_EQ(answer.scsi_status, records::kScsiStatusGood);
  std::optional<records::ReportLuns> list = records::DecodeReportLuns(answer.data, 255);
  EXPECT_EQ(list->list_length, 16u);
  ASSERT_EQ(list->entries.size(), 1u);  // 16 bytes hold one entry
  ASSERT_EQ(Send(handle, 0, records::ReportLunsCdb(24), 24, &answer), 0u);
  list = records::DecodeReportLuns(answer.data, 255);
  ASSERT_EQ(list->entries.size(), 2u);
  EXPECT_EQ(records::LunNumberOf(list->entries[1]), 1);
}

TEST_F(ScsiFirmwareTest, InquiryAndCapacityOfTheDefaultTargetsLuns) {
  Start();
  const uint32_t handle = Login(kOpenTargetName, kOpenTargetAddress);
  ScsiPassthrough answer;
  ASSERT_EQ(Send(handle, 1, records::StandardInquiryCdb(), 36, &answer), 0u);
  std::optional<records::StandardInquiry> inquiry = records::DecodeStandardInquiry(answer.data);
  EXPECT_EQ(inquiry->vendor, "OXIMLAB ");
  EXPECT_EQ(inquiry->product, "VDISK           ");
  EXPECT_EQ(inquiry->peripheral & records::kPeripheralTypeMask, 0);
  ASSERT_EQ(Send(handle, 1, records::UnitSerialNumberCdb(), 256, &answer), 0u);
  EXPECT_EQ(records::DecodeUnitSerialNumber(answer.data), "OPEN0001");
  ASSERT_EQ(Send(handle, 1, records::ReadCapacity10Cdb(), 8, &answer), 0u);
  std::optional<records::Capacity> capacity = records::DecodeReadCapacity10(answer.data);
  EXPECT_EQ(capacity->last_lba, 4194303u);
  EXPECT_EQ(capacity->block_length, 512u);
}

TEST_F(ScsiFirmwareTest, OddLunsAndInjectedCheckConditions) {
  Start(OddLuns());
  const uint32_t handle = Login(kOpenTargetName, kOpenTargetAddress);
  ScsiPassthrough answer;
  ASSERT_EQ(Send(handle, 0, records::ReadCapacity10Cdb(), 8, &answer), 0u);
  EXPECT_EQ(records::DecodeReadCapacity10(answer.data)->block_length, 1023u);
  ASSERT_EQ(Send(handle, 300, records::ReadCapacity10Cdb(), 8, &answer), 0u);
  EXPECT_EQ(records::DecodeReadCapacity10(answer.data)->last_lba, 0xFFFFFFFFu);
  ASSERT_EQ(Send(handle, 300, records::ReadCapacity16Cdb(), 12, &answer), 0u);
  EXPECT_EQ(records::DecodeReadCapacity16(answer.data)->last_lba, 6442450943u);
  ASSERT_EQ(Send(handle, 300, records::StandardInquiryCdb(), 36, &answer), 0u);
  EXPECT_EQ(records::DecodeStandardInquiry(answer.data)->vendor, "VEND%s  ");

  // The first WRITE fails with a medium error, the next goes through.
  std::vector<uint8_t> zeros(512, 0);
  const records::Cdb write = records::ReadWrite10Cdb(records::kScsiWrite10, 0, 1);
  ASSERT_EQ(Send(handle, 300, write, 512, &answer, records::kScsiDataWrite), 0u);
  EXPECT_EQ(answer.scsi_status, records::kScsiStatusCheckCondition);
  ASSERT_GE(answer.sense.size(), 14u);
  EXPECT_EQ(answer.sense[2], 0x03);
  ASSERT_EQ(Send(handle, 300, write, 512, &answer, records::kScsiDataWrite), 0u);
  EXPECT_EQ(answer.scsi_status, records::kScsiStatusGood);

  // Past the last block, and a LUN that is not there: illegal request.
  ASSERT_EQ(Send(handle, 0, records::ReadWrite10Cdb(records::kScsiWrite10, 0, 2), 1024, &answer,
                 records::kScsiDataWrite),
            0u);
  EXPECT_EQ(answer.scsi_status, records::kScsiStatusCheckCondition);
  EXPECT_EQ(answer.sense[2], 0x05);
  ASSERT_EQ(Send(handle, 5, records::ReadCapacity10Cdb(), 8, &answer), 0u);
  EXPECT_EQ(answer.scsi_status, records::kScsiStatusCheckCondition);
  EXPECT_EQ(answer.sense[12], 0x25);
}

TEST_F(ScsiFirmwareTest, NoOpenSessionFailsTheRequest) {
  Start();
  const uint32_t handle = Login(kOpenTargetName, kOpenTargetAddress);
  ScsiPassthrough answer;
  EXPECT_NE(Send(handle + 100, 0, records::ReportLunsCdb(16), 16, &answer), 0u);
  ASSERT_TRUE(adapter_->SetTargetOnline(kOpenTargetName, false));
  EXPECT_NE(Send(handle, 0, records::ReportLunsCdb(16), 16, &answer), 0u);
}

TEST_F(ScsiFirmwareTest, QosLimitsAreSetOneAtATimeAndKeptInFlash) {
  Start();
  std::array<uint8_t, records::kQosRecordSize> record{};
  ASSERT_EQ(ioctl_qos_get(kFunction, record, DriverKind::kIscsi), 0u);
  EXPECT_EQ(records::DecodeQosRecord(record)->io_rate, 0u);
  std::array<uint8_t, records::kQosSetSize> set{};
  records::EncodeQosSet(set, {{200, 0}, records::kQosSetIoRate});
  ASSERT_EQ(ioctl_qos_set(kFunction, set, DriverKind::kIscsi), 0u);
  records::EncodeQosSet(set, {{0, 4096}, records::kQosSetByteRate});
  ASSERT_EQ(ioctl_qos_set(kFunction, set, DriverKind::kIscsi), 0u);
  TearDown();
  Start();
  ASSERT_EQ(ioctl_qos_get(kFunction, record, DriverKind::kIscsi), 0u);
  EXPECT_EQ(records::DecodeQosRecord(record)->io_rate, 200u);
  EXPECT_EQ(records::DecodeQosRecord(record)->byte_rate, 4096u);
}

}  // namespace
}  // namespace oxim::emulator
