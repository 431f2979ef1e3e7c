// The emulated adapter's driver side: devices, the driver requests other
// than firmware commands, envelope and length checks, the firmware
// dispatcher, flash state and faults.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "emulator.h"
#include "firmware.h"
#include "support/temp_root.h"
#include "transport/controller_attributes.h"
#include "transport/driver_records.h"
#include "transport/request_header.h"

namespace oxim::emulator {
namespace {

using transport::kIscsiDevicePrefix;
using transport::kNicDevicePath;

class EmulatorDriver : public testing::TempRootTest {
 protected:
  std::shared_ptr<EmulatedAdapter> adapter_ = MakeEmulator();
};

// A command buffer with a header and `length` payload bytes.
std::vector<uint8_t> Command(uint8_t opcode, uint8_t subsystem, uint32_t length,
                             uint8_t version = 0) {
  std::vector<uint8_t> buffer(16 + length, 0);
  transport::EncodeRequestHeader(buffer, {opcode, subsystem, 0, 0, 120, length, version});
  return buffer;
}

std::vector<uint8_t> Envelope(transport::PciAddress address, const std::vector<uint8_t>& command) {
  std::vector<uint8_t> envelope(transport::kNicCommandOffset + command.size(), 0);
  transport::EncodeNicEnvelopePrefix(envelope, address);
  std::copy(command.begin(), command.end(), envelope.begin() + transport::kNicCommandOffset);
  return envelope;
}

transport::ResponseHeader Response(const std::vector<uint8_t>& buffer, size_t at = 0) {
  return transport::DecodeResponseHeader(std::span(buffer).subspan(at)).value();
}

TEST_F(EmulatorDriver, OneDevicePerIscsiFunctionAndOneNicDevice) {
  EXPECT_GE(adapter_->Open(kIscsiDevicePrefix + std::string("0")), 0);
  EXPECT_GE(adapter_->Open(kIscsiDevicePrefix + std::string("1")), 0);
  errno = 0;
  EXPECT_EQ(adapter_->Open(kIscsiDevicePrefix + std::string("2")), -1);
  EXPECT_EQ(errno, ENOENT);
  EXPECT_EQ(adapter_->Open(kIscsiDevicePrefix + std::string("1x")), -1);
  EXPECT_EQ(adapter_->Open("/dev/null"), -1);
  EXPECT_GE(adapter_->Open(kNicDevicePath), 0);
  EXPECT_EQ(adapter_->open_handles(), 3);
}

TEST_F(EmulatorDriver, ControllerAttributesNameTheAddressedFunction) {
  int handle = adapter_->Open(kIscsiDevicePrefix + std::string("1"));
  std::vector<uint8_t> buffer = Command(32, 1, 540);
  ASSERT_EQ(adapter_->Ioctl(handle, transport::kIscsiFirmwareRequest, buffer).result, 0);
  EXPECT_EQ(Response(buffer).status, 0);
  EXPECT_EQ(Response(buffer).response_length, 540u);
  auto attributes = transport::DecodeControllerAttributes(std::span(buffer).subspan(16)).value();
  EXPECT_EQ(attributes.address, (transport::PciAddress{3, 0, 3}));
  EXPECT_EQ(attributes.serial_number, "VN3Q0417A2K9");
}

TEST_F(EmulatorDriver, UnmodelledCommandOrVersionAnswersNotSupported) {
  int handle = adapter_->Open(kIscsiDevicePrefix + std::string("0"));
  std::vector<uint8_t> buffer = Command(70, 1, 4);
  ASSERT_EQ(adapter_->Ioctl(handle, transport::kIscsiFirmwareRequest, buffer).result, 0);
  EXPECT_EQ(Response(buffer).status, kFwNotSupported);
  buffer = Command(32, 1, 540, /*version=*/1);
  adapter_->Ioctl(handle, transport::kIscsiFirmwareRequest, buffer);
  EXPECT_EQ(Response(buffer).status, kFwNotSupported);
}

TEST_F(EmulatorDriver, RequestLengthNotMatchingTheCommandIsRefused) {
  int handle = adapter_->Open(kIscsiDevicePrefix + std::string("0"));
  std::vector<uint8_t> buffer = Command(32, 1, 100);
  ASSERT_EQ(adapter_->Ioctl(handle, transport::kIscsiFirmwareRequest, buffer).result, 0);
  EXPECT_EQ(Response(buffer).status, kFwBadRequestLength);
  EXPECT_EQ(std::vector<uint8_t>(buffer.begin() + 16, buffer.end()), std::vector<uint8_t>(100, 0));
}

TEST_F(EmulatorDriver, HeaderNamingMoreThanTheBufferIsADriverError) {
  int handle = adapter_->Open(kIscsiDevicePrefix + std::string("0"));
  std::vector<uint8_t> buffer = Command(32, 1, 540);
  buffer.resize(100);
  EXPECT_EQ(adapter_->Ioctl(handle, transport::kIscsiFirmwareRequest, buffer).error, EINVAL);
  std::vector<uint8_t> tiny(15, 0);
  EXPECT_EQ(adapter_->Ioctl(handle, transport::kIscsiFirmwareRequest, tiny).error, EINVAL);
  EXPECT_EQ(adapter_->Ioctl(handle, 99, tiny).error, ENOTTY);
  EXPECT_EQ(adapter_->Ioctl(12345, transport::kIscsiFirmwareRequest, tiny).error, EBADF);
}

TEST_F(EmulatorDriver, NicEnvelopeIsChecked) {
  int nic = adapter_->Open(kNicDevicePath);
  std::vector<uint8_t> good = Envelope({3, 0, 1}, Command(32, 1, 540));
  ASSERT_EQ(adapter_->Ioctl(nic, transport::kNicFirmwareRequest, good).result, 0);
  EXPECT_EQ(Response(good, 21).status, 0);
  EXPECT_EQ(good[21 + 16 + 510], 1);  // the NIC function's own address

  std::vector<uint8_t> signature = Envelope({3, 0, 1}, Command(32, 1, 540));
  signature[0] = 'k';
  EXPECT_EQ(adapter_->Ioctl(nic, transport::kNicFirmwareRequest, signature).error, EINVAL);
  std::vector<uint8_t> iscsi_function = Envelope({3, 0, 2}, Command(32, 1, 540));
  EXPECT_EQ(adapter_->Ioctl(nic, transport::kNicFirmwareRequest, iscsi_function).error, ENODEV);
  std::vector<uint8_t> truncated = Envelope({3, 0, 1}, Command(32, 1, 540));
  truncated.resize(21 + 16 + 539);
  EXPECT_EQ(adapter_->Ioctl(nic, transport::kNicFirmwareRequest, truncated).error, EINVAL);
  std::vector<uint8_t> headless(30, 0);
  transport::EncodeNicEnvelopePrefix(headless, {3, 0, 1});
  EXPECT_EQ(adapter_->Ioctl(nic, transport::kNicFirmwareRequest, headless).error, EINVAL);
}

TEST_F(EmulatorDriver, ChipInformationListsTheNicFunctions) {
  int nic = adapter_->Open(kNicDevicePath);
  std::vector<uint8_t> record(89, 0xEE);
  ASSERT_EQ(adapter_->Ioctl(nic, transport::kNicChipInfoRequest, record).result, 0);
  auto controllers = transport::DecodeChipInfo(record).value();
  ASSERT_EQ(controllers.size(), 1u);
  EXPECT_EQ(controllers[0].bus, 3);
  EXPECT_EQ(controllers[0].functions, (std::vector<uint8_t>{0, 1}));
  std::vector<uint8_t> small(88, 0);
  EXPECT_EQ(adapter_->Ioctl(nic, transport::kNicChipInfoRequest, small).error, EINVAL);
}

TEST_F(EmulatorDriver, DriverAndVirtualFunctionInformation) {
  AdapterConfig config = DefaultConfig();
  config.controllers[0].functions[0].virtual_functions = 8;
  config.controllers[0].functions[0].mtu = 9000;
  adapter_ = MakeEmulator(config);
  int nic = adapter_->Open(kNicDevicePath);
  std::vector<uint8_t> record(980, 0xEE);
  transport::EncodeDriverInfoRequest(record, {3, 0, 0});
  ASSERT_EQ(adapter_->Ioctl(nic, transport::kNicVirtualFunctionRequest, record).result, 0);
  EXPECT_EQ(record[16], 8);
  EXPECT_EQ(transport::DecodeFixed32(record.data() + 12), 9000u);
  EXPECT_EQ(record[0], 3);
  transport::EncodeDriverInfoRequest(record, {9, 0, 0});
  EXPECT_EQ(adapter_->Ioctl(nic, transport::kNicDriverInfoRequest, record).error, ENODEV);
  std::vector<uint8_t> small(979, 0);
  EXPECT_EQ(adapter_->Ioctl(nic, transport::kNicDriverInfoRequest, small).error, EINVAL);
}

TEST_F(EmulatorDriver, PciConfigurationReadFillsTheInlineArea) {
  int nic = adapter_->Open(kNicDevicePath);
  std::vector<uint8_t> record(transport::PciConfigRecordSize(4), 0);
  transport::EncodePciConfigRead(record, {{3, 0, 0}, 0, 4});
  ASSERT_EQ(adapter_->Ioctl(nic, transport::kNicPciConfigReadRequest, record).result, 0);
  EXPECT_EQ(transport::DecodeFixed16(record.data() + 15), 0x1D7E);
  EXPECT_EQ(transport::DecodeFixed16(record.data() + 17), 0x710);
  transport::EncodePciConfigRead(record, {{3, 0, 0}, 4094, 4});
  EXPECT_EQ(adapter_->Ioctl(nic, transport::kNicPciConfigReadRequest, record).error, EINVAL);
  record.pop_back();  // shorter than the length it names
  EXPECT_EQ(adapter_->Ioctl(nic, transport::kNicPciConfigReadRequest, record).error, EINVAL);
}

TEST_F(EmulatorDriver, HostAdapterNameFitsTheCallersBuffer) {
  int handle = adapter_->Open(kIscsiDevicePrefix + std::string("1"));
  std::vector<uint8_t> name(16, 0xFF);
  ASSERT_EQ(adapter_->Ioctl(handle, transport::kIscsiHostAdapterNameRequest, name).result, 0);
  EXPECT_STREQ(reinterpret_cast<const char*>(name.data()), "vmhba65");
  std::vector<uint8_t> small(7, 0);
  EXPECT_EQ(adapter_->Ioctl(handle, transport::kIscsiHostAdapterNameRequest, small).error, ERANGE);
}

TEST_F(EmulatorDriver, FlashStateSurvivesANewEmulator) {
  int handle = adapter_->Open(kIscsiDevicePrefix + std::string("0"));
  std::vector<uint8_t> set = Command(79, 1, 132);
  set[16] = 3;
  ASSERT_EQ(adapter_->Ioctl(handle, transport::kIscsiFirmwareRequest, set).result, 0);
  ASSERT_EQ(Response(set).status, 0);
  auto later = MakeEmulator();
  handle = later->Open(kIscsiDevicePrefix + std::string("1"));
  std::vector<uint8_t> get = Command(78, 1, 132);
  ASSERT_EQ(later->Ioctl(handle, transport::kIscsiFirmwareRequest, get).result, 0);
  EXPECT_EQ(get[16], 3);
  EXPECT_TRUE(std::filesystem::exists(root_.file("/var/lib/oxim-emulator")));
}

TEST_F(EmulatorDriver, DriverFaultCountsDown) {
  adapter_->faults().FailDriverCall(0, EIO, /*times=*/1);
  int handle = adapter_->Open(kIscsiDevicePrefix + std::string("0"));
  std::vector<uint8_t> buffer = Command(88, 1, 0);
  EXPECT_EQ(adapter_->Ioctl(handle, transport::kIscsiFirmwareRequest, buffer).error, EIO);
  EXPECT_EQ(adapter_->Ioctl(handle, transport::kIscsiFirmwareRequest, buffer).result, 0);
}

TEST_F(EmulatorDriver, FaultsFromTheConfiguration) {
  AdapterConfig config = DefaultConfig();
  config.command_faults.push_back(CommandFailure(1, 88, 2, 44));
  adapter_ = MakeEmulator(config);
  int handle = adapter_->Open(kIscsiDevicePrefix + std::string("0"));
  std::vector<uint8_t> buffer = Command(88, 1, 0);
  adapter_->Ioctl(handle, transport::kIscsiFirmwareRequest, buffer);
  EXPECT_EQ(Response(buffer).status, 2);
  EXPECT_EQ(Response(buffer).additional_status, 44);
}

TEST_F(EmulatorDriver, HostConfigurationNamesTheNicFunctions) {
  std::string content;
  ASSERT_TRUE(adapter_->ReadHostFile("/etc/vmware/esx.conf", &content));
  EXPECT_NE(content.find("003:00.1/vmkname = \"vmnic1\""), std::string::npos);
  EXPECT_FALSE(adapter_->ReadHostFile("/etc/banner", &content));
  root_.write("/etc/banner", "host");
  ASSERT_TRUE(adapter_->ReadHostFile("/etc/banner", &content));
  EXPECT_EQ(content, "host");
  EXPECT_EQ(adapter_->RunHostTool({"ethtool", "-i", "vmnic0"}).exit_status, -1);
}

// A handler that answers more than a short request holds.
FirmwareAnswer LongAnswer(CommandContext&, std::span<const uint8_t>) {
  return {0, 0, std::vector<uint8_t>(64, 0x42)};
}

TEST(EmulatorFirmware, AnswerLargerThanTheBufferIsStatus4WithTheLength) {
  testing::TempRoot root;
  AdapterModel model(DefaultConfig(), root.file("/state"));
  Faults faults;
  const HandlerEntry table[] = {{9, 9, 0, 0, 1024, LongAnswer}};
  std::vector<uint8_t> buffer = Command(9, 9, 16);
  ExecuteCommand(model, faults, model.iscsi_functions()[0], buffer, table);
  EXPECT_EQ(Response(buffer).status, kFwBufferTooSmall);
  EXPECT_EQ(Response(buffer).response_length, 64u);
  EXPECT_EQ(std::vector<uint8_t>(buffer.begin() + 16, buffer.end()), std::vector<uint8_t>(16, 0));
  buffer = Command(9, 9, 64);
  ExecuteCommand(model, faults, model.iscsi_functions()[0], buffer, table);
  EXPECT_EQ(Response(buffer).status, 0);
  EXPECT_EQ(buffer.back(), 0x42);
}

TEST(EmulatorFirmware, EveryHandlerAnswersInsideItsLimits) {
  testing::TempRoot root;
  AdapterModel model(DefaultConfig(), root.file("/state"));
  Faults faults;
  for (const HandlerEntry& entry : HandlerTable()) {
    std::vector<uint8_t> buffer =
        Command(entry.opcode, entry.subsystem, entry.max_length, entry.version);
    ExecuteCommand(model, faults, model.iscsi_functions()[0], buffer);
    EXPECT_LE(Response(buffer).response_length, entry.max_length);
  }
}

}  // namespace
}  // namespace oxim::emulator
