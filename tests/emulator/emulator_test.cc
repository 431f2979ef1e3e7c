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
#include "records/controller_attributes.h"
#include "records/driver_records.h"
#include "records/request_header.h"
#include "support/temp_root.h"

namespace oxim::emulator {
namespace {

using records::kIscsiDevicePrefix;
using records::kNicDevicePath;

class EmulatorDriver : public testing::TempRootTest {
 protected:
  std::shared_ptr<EmulatedAdapter> adapter_ = MakeEmulator();
};

// A command buffer with a header and `length` payload bytes.
std::vector<uint8_t> Command(uint8_t opcode, uint8_t subsystem, uint32_t length,
                             uint8_t version = 0) {
  std::vector<uint8_t> buffer(16 + length, 0);
  records::EncodeRequestHeader(buffer, {opcode, subsystem, 0, 0, 120, length, version});
  return buffer;
}

std::vector<uint8_t> Envelope(records::PciAddress address, const std::vector<uint8_t>& command) {
  std::vector<uint8_t> envelope(records::kNicCommandOffset + command.size(), 0);
  records::EncodeNicEnvelopePrefix(envelope, address);
  std::copy(command.begin(), command.end(), envelope.begin() + records::kNicCommandOffset);
  return envelope;
}

records::ResponseHeader Response(const std::vector<uint8_t>& buffer, size_t at = 0) {
  return records::DecodeResponseHeader(std::span(buffer).subspan(at)).value();
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
  ASSERT_EQ(adapter_->Ioctl(handle, records::kIscsiFirmwareRequest, buffer).result, 0);
  EXPECT_EQ(Response(buffer).status, 0);
  EXPECT_EQ(Response(buffer).response_length, 540u);
  auto attributes = records::DecodeControllerAttributes(std::span(buffer).subspan(16)).value();
  EXPECT_EQ(attributes.address, (records::PciAddress{3, 0, 3}));
  EXPECT_EQ(attributes.serial_number, "VN3Q0417A2K9");
}

TEST_F(EmulatorDriver, UnmodelledCommandOrVersionAnswersNotSupported) {
  int handle = adapter_->Open(kIscsiDevicePrefix + std::string("0"));
  std::vector<uint8_t> buffer = Command(70, 1, 4);
  ASSERT_EQ(adapter_->Ioctl(handle, records::kIscsiFirmwareRequest, buffer).result, 0);
  EXPECT_EQ(Response(buffer).status, kFwNotSupported);
  buffer = Command(32, 1, 540, /*version=*/1);
  adapter_->Ioctl(handle, records::kIscsiFirmwareRequest, buffer);
  EXPECT_EQ(Response(buffer).status, kFwNotSupported);
}

TEST_F(EmulatorDriver, RequestLengthNotMatchingTheCommandIsRefused) {
  int handle = adapter_->Open(kIscsiDevicePrefix + std::string("0"));
  std::vector<uint8_t> buffer = Command(32, 1, 100);
  ASSERT_EQ(adapter_->Ioctl(handle, records::kIscsiFirmwareRequest, buffer).result, 0);
  EXPECT_EQ(Response(buffer).status, kFwBadRequestLength);
  EXPECT_EQ(std::vector<uint8_t>(buffer.begin() + 16, buffer.end()), std::vector<uint8_t>(100, 0));
}

TEST_F(EmulatorDriver, HeaderNamingMoreThanTheBufferIsADriverError) {
  int handle = adapter_->Open(kIscsiDevicePrefix + std::string("0"));
  std::vector<uint8_t> buffer = Command(32, 1, 540);
  buffer.resize(100);
  EXPECT_EQ(adapter_->Ioctl(handle, records::kIscsiFirmwareRequest, buffer).error, EINVAL);
  std::vector<uint8_t> tiny(15, 0);
  EXPECT_EQ(adapter_->Ioctl(handle, records::kIscsiFirmwareRequest, tiny).error, EINVAL);
  EXPECT_EQ(adapter_->Ioctl(handle, 99, tiny).error, ENOTTY);
  EXPECT_EQ(adapter_->Ioctl(12345, records::kIscsiFirmwareRequest, tiny).error, EBADF);
}

TEST_F(EmulatorDriver, NicEnvelopeIsChecked) {
  int nic = adapter_->Open(kNicDevicePath);
  std::vector<uint8_t> good = Envelope({3, 0, 1}, Command(32, 1, 540));
  ASSERT_EQ(adapter_->Ioctl(nic, records::kNicFirmwareRequest, good).result, 0);
  EXPECT_EQ(Response(good, 21).status, 0);
  EXPECT_EQ(good[21 + 16 + 510], 1);  // the NIC function's own address

  std::vector<uint8_t> signature = Envelope({3, 0, 1}, Command(32, 1, 540));
  signature[0] = 'k';
  EXPECT_EQ(adapter_->Ioctl(nic, records::kNicFirmwareRequest, signature).error, EINVAL);
  std::vector<uint8_t> iscsi_function = Envelope({3, 0, 2}, Command(32, 1, 540));
  EXPECT_EQ(adapter_->Ioctl(nic, records::kNicFirmwareRequest, iscsi_function).error, ENODEV);
  std::vector<uint8_t> truncated = Envelope({3, 0, 1}, Command(32, 1, 540));
  truncated.resize(21 + 16 + 539);
  EXPECT_EQ(adapter_->Ioctl(nic, records::kNicFirmwareRequest, truncated).error, EINVAL);
  std::vector<uint8_t> headless(30, 0);
  records::EncodeNicEnvelopePrefix(headless, {3, 0, 1});
  EXPECT_EQ(adapter_->Ioctl(nic, records::kNicFirmwareRequest, headless).error, EINVAL);
}

TEST_F(EmulatorDriver, ChipInformationListsTheNicFunctions) {
  int nic = adapter_->Open(kNicDevicePath);
  std::vector<uint8_t> record(89, 0xEE);
  ASSERT_EQ(adapter_->Ioctl(nic, records::kNicChipInfoRequest, record).result, 0);
  auto controllers = records::DecodeChipInfo(record).value();
  ASSERT_EQ(controllers.size(), 1u);
  EXPECT_EQ(controllers[0].bus, 3);
  EXPECT_EQ(controllers[0].functions, (std::vector<uint8_t>{0, 1}));
  std::vector<uint8_t> small(88, 0);
  EXPECT_EQ(adapter_->Ioctl(nic, records::kNicChipInfoRequest, small).error, EINVAL);
}

TEST_F(EmulatorDriver, DriverAndVirtualFunctionInformation) {
  AdapterConfig config = DefaultConfig();
  config.controllers[0].functions[0].virtual_functions = 8;
  config.controllers[0].functions[0].mtu = 9000;
  adapter_ = MakeEmulator(config);
  int nic = adapter_->Open(kNicDevicePath);
  std::vector<uint8_t> record(980, 0xEE);
  records::EncodeDriverInfoRequest(record, {3, 0, 0});
  ASSERT_EQ(adapter_->Ioctl(nic, records::kNicVirtualFunctionRequest, record).result, 0);
  EXPECT_EQ(record[16], 8);
  EXPECT_EQ(records::DecodeFixed32(record.data() + 12), 9000u);
  EXPECT_EQ(record[0], 3);
  records::EncodeDriverInfoRequest(record, {9, 0, 0});
  EXPECT_EQ(adapter_->Ioctl(nic, records::kNicDriverInfoRequest, record).error, ENODEV);
  std::vector<uint8_t> small(979, 0);
  EXPECT_EQ(adapter_->Ioctl(nic, records::kNicDriverInfoRequest, small).error, EINVAL);
}

TEST_F(EmulatorDriver, PciConfigurationReadFillsTheInlineArea) {
  int nic = adapter_->Open(kNicDevicePath);
  std::vector<uint8_t> record(records::PciConfigRecordSize(4), 0);
  records::EncodePciConfigRead(record, {{3, 0, 0}, 0, 4});
  ASSERT_EQ(adapter_->Ioctl(nic, records::kNicPciConfigReadRequest, record).result, 0);
  EXPECT_EQ(records::DecodeFixed16(record.data() + 15), 0x1D7E);
  EXPECT_EQ(records::DecodeFixed16(record.data() + 17), 0x714);
  records::EncodePciConfigRead(record, {{3, 0, 0}, 4094, 4});
  EXPECT_EQ(adapter_->Ioctl(nic, records::kNicPciConfigReadRequest, record).error, EINVAL);
  record.pop_back();  // shorter than the length it names
  EXPECT_EQ(adapter_->Ioctl(nic, records::kNicPciConfigReadRequest, record).error, EINVAL);
}

TEST_F(EmulatorDriver, HostAdapterNameFitsTheCallersBuffer) {
  int handle = adapter_->Open(kIscsiDevicePrefix + std::string("1"));
  std::vector<uint8_t> name(16, 0xFF);
  ASSERT_EQ(adapter_->Ioctl(handle, records::kIscsiHostAdapterNameRequest, name).result, 0);
  EXPECT_STREQ(reinterpret_cast<const char*>(name.data()), "vmhba65");
  std::vector<uint8_t> small(7, 0);
  EXPECT_EQ(adapter_->Ioctl(handle, records::kIscsiHostAdapterNameRequest, small).error, ERANGE);
}

TEST_F(EmulatorDriver, FlashStateSurvivesANewEmulator) {
  int handle = adapter_->Open(kIscsiDevicePrefix + std::string("0"));
  std::vector<uint8_t> set = Command(79, 1, 132);
  set[16] = 3;
  ASSERT_EQ(adapter_->Ioctl(handle, records::kIscsiFirmwareRequest, set).result, 0);
  ASSERT_EQ(Response(set).status, 0);
  auto later = MakeEmulator();
  handle = later->Open(kIscsiDevicePrefix + std::string("1"));
  std::vector<uint8_t> get = Command(78, 1, 132);
  ASSERT_EQ(later->Ioctl(handle, records::kIscsiFirmwareRequest, get).result, 0);
  EXPECT_EQ(get[16], 3);
  EXPECT_TRUE(std::filesystem::exists(root_.file("/var/lib/oxim-emulator")));
}

TEST_F(EmulatorDriver, FlashIsOwnerOnlyAndLeavesNoTemporaryFile) {
  int handle = adapter_->Open(kIscsiDevicePrefix + std::string("0"));
  std::vector<uint8_t> set = Command(79, 1, 132);
  ASSERT_EQ(adapter_->Ioctl(handle, records::kIscsiFirmwareRequest, set).result, 0);
  ASSERT_EQ(Response(set).status, 0);
  namespace fs = std::filesystem;
  const fs::path state = root_.file("/var/lib/oxim-emulator");
  EXPECT_EQ(fs::status(state).permissions(), fs::perms::owner_all);
  size_t files = 0;
  for (const fs::directory_entry& entry : fs::directory_iterator(state)) {
    ++files;
    EXPECT_EQ(entry.path().extension(), "") << entry.path();
    EXPECT_EQ(entry.status().permissions(), fs::perms::owner_read | fs::perms::owner_write)
        << entry.path();
  }
  EXPECT_EQ(files, 1u);
}

TEST_F(EmulatorDriver, RebootKeepsHandlesFlashAndWhatIsNotTheAdapters) {
  int iscsi = adapter_->Open(kIscsiDevicePrefix + std::string("0"));
  int nic = adapter_->Open(kNicDevicePath);
  std::vector<uint8_t> set = Command(79, 1, 132);
  set[16] = 7;
  ASSERT_EQ(adapter_->Ioctl(iscsi, records::kIscsiFirmwareRequest, set).result, 0);
  adapter_->set_visible_nic_functions(1);
  adapter_->faults().FailDriverCall(records::kNicDriverInfoRequest, EIO);

  adapter_->Reboot();
  std::vector<uint8_t> get = Command(78, 1, 132);
  ASSERT_EQ(adapter_->Ioctl(iscsi, records::kIscsiFirmwareRequest, get).result, 0);
  EXPECT_EQ(get[16], 7);
  EXPECT_EQ(adapter_->open_handles(), 2);
  EXPECT_EQ(adapter_->visible_nic_functions(), 1);
  uint8_t info[records::kDriverInfoRecordSize] = {};
  EXPECT_EQ(adapter_->Ioctl(nic, records::kNicDriverInfoRequest, info).error, EIO);
}

TEST_F(EmulatorDriver, ArmedFaultsAddToTheConfigurations) {
  AdapterConfig config = DefaultConfig();
  config.command_faults.push_back(CommandFailure(1, 88, 2, 44, /*times=*/1));
  adapter_ = MakeEmulator(config);
  AdapterConfig more;
  more.command_faults.push_back(CommandFailure(1, 88, 3, 45, /*times=*/1));
  adapter_->ArmFaults(more);
  int handle = adapter_->Open(kIscsiDevicePrefix + std::string("0"));
  std::vector<uint8_t> buffer = Command(88, 1, 0);
  adapter_->Ioctl(handle, records::kIscsiFirmwareRequest, buffer);
  EXPECT_EQ(Response(buffer).additional_status, 44);
  adapter_->Ioctl(handle, records::kIscsiFirmwareRequest, buffer);
  EXPECT_EQ(Response(buffer).additional_status, 45);
  adapter_->Ioctl(handle, records::kIscsiFirmwareRequest, buffer);
  EXPECT_EQ(Response(buffer).status, 0);
}

TEST_F(EmulatorDriver, DriverFaultCountsDown) {
  adapter_->faults().FailDriverCall(0, EIO, /*times=*/1);
  int handle = adapter_->Open(kIscsiDevicePrefix + std::string("0"));
  std::vector<uint8_t> buffer = Command(88, 1, 0);
  EXPECT_EQ(adapter_->Ioctl(handle, records::kIscsiFirmwareRequest, buffer).error, EIO);
  EXPECT_EQ(adapter_->Ioctl(handle, records::kIscsiFirmwareRequest, buffer).result, 0);
}

TEST_F(EmulatorDriver, FaultsFromTheConfiguration) {
  AdapterConfig config = DefaultConfig();
  config.command_faults.push_back(CommandFailure(1, 88, 2, 44));
  adapter_ = MakeEmulator(config);
  int handle = adapter_->Open(kIscsiDevicePrefix + std::string("0"));
  std::vector<uint8_t> buffer = Command(88, 1, 0);
  adapter_->Ioctl(handle, records::kIscsiFirmwareRequest, buffer);
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
  EXPECT_EQ(adapter_->RunHostTool({"ethtool", "-i", "vmnic9"}).exit_status, 1);
}

// --- What discovery reads ---

// Two controllers: a QF3 at bus 3 with NIC functions 0 and 1 and iSCSI
// functions 2 and 3, and a Korvel at bus 0x81 with four NIC functions and
// one iSCSI function in between.
AdapterConfig TwoControllers() {
  AdapterConfig config = DefaultConfig();
  ControllerConfig korvel = ControllerDefaults(kChipKorvel);
  korvel.serial_number = "VN4K2203D118";
  korvel.ports = 4;
  korvel.oem_prefix = "KV";
  korvel.oem_binary = {0x0a, 0x1b, 0x2c, 0x3d};
  korvel.oem_serial = "KVOEM0001";
  korvel.personality_word = 0x11;
  for (uint8_t f = 0; f < 5; ++f) {
    FunctionConfig function;
    function.kind = f == 2 ? FunctionKind::kIscsi : FunctionKind::kNic;
    function.port = f % 4;
    function.pci = {0x81, 0, f};
    korvel.functions.push_back(function);
  }
  korvel.functions[4].interface_name = "vmnic_k4";
  config.controllers.push_back(korvel);
  return config;
}

// Sends a firmware command to a NIC function; returns the command buffer.
std::vector<uint8_t> NicCommand(EmulatedAdapter& adapter, records::PciAddress address,
                                uint8_t opcode, uint8_t subsystem, uint32_t length) {
  int nic = adapter.Open(kNicDevicePath);
  std::vector<uint8_t> envelope = Envelope(address, Command(opcode, subsystem, length));
  EXPECT_EQ(adapter.Ioctl(nic, records::kNicFirmwareRequest, envelope).result, 0);
  adapter.Close(nic);
  return {envelope.begin() + records::kNicCommandOffset, envelope.end()};
}

class EmulatorDiscovery : public testing::TempRootTest {
 protected:
  std::shared_ptr<EmulatedAdapter> adapter_ = MakeEmulator(TwoControllers());
};

TEST_F(EmulatorDiscovery, ControllerAttributesOfAConfiguredFunction) {
  std::vector<uint8_t> buffer = NicCommand(*adapter_, {0x81, 0, 3}, 32, 1, 540);
  ASSERT_EQ(Response(buffer).status, 0);
  std::span<const uint8_t> answer = std::span(buffer).subspan(16);
  // Bytes written by hand from the record's offsets.
  EXPECT_EQ(answer[446], 1);     // logical HBAs
  EXPECT_EQ(answer[447], 3);     // the function's port
  EXPECT_EQ(answer[500], 0x7E);  // vendor 0x1D7E
  EXPECT_EQ(answer[501], 0x1D);
  EXPECT_EQ(answer[502], 0x20);  // device 0xE220
  EXPECT_EQ(answer[503], 0xE2);
  EXPECT_EQ(answer[504] | answer[505] << 8, 0x1D7E);  // subsystem vendor
  EXPECT_EQ(answer[506] | answer[507] << 8, 0xE710);  // subsystem device
  EXPECT_EQ(answer[508], 0x81);
  EXPECT_EQ(answer[509], 0);
  EXPECT_EQ(answer[510], 3);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&answer[192])), "VN4K2203D118");
  auto attributes = records::DecodeControllerAttributes(answer).value();
  const ControllerConfig korvel = ControllerDefaults(kChipKorvel);
  EXPECT_EQ(attributes.manufacturer, korvel.manufacturer);
  EXPECT_EQ(attributes.model_number, korvel.model_number);
  EXPECT_EQ(attributes.description, korvel.description);
  EXPECT_EQ(attributes.active_firmware_version, korvel.active_firmware_version);
  EXPECT_EQ(attributes.flash_firmware_version, korvel.flash_firmware_version);
  EXPECT_EQ(attributes.bios_version, korvel.bios_version);
  EXPECT_EQ(attributes.boot_code_version, korvel.boot_code_version);
  EXPECT_EQ(attributes.driver_version, korvel.driver_version);
  EXPECT_EQ(attributes.capabilities, korvel.capabilities);
  EXPECT_EQ(attributes.firmware_state, 0);
}

TEST_F(EmulatorDiscovery, IscsiFunctionAttributesCarryTheControllersDeviceId) {
  int handle = adapter_->Open(kIscsiDevicePrefix + std::string("1"));
  std::vector<uint8_t> buffer = Command(32, 1, 540);
  ASSERT_EQ(adapter_->Ioctl(handle, records::kIscsiFirmwareRequest, buffer).result, 0);
  auto attributes = records::DecodeControllerAttributes(std::span(buffer).subspan(16)).value();
  EXPECT_EQ(attributes.device_id, 0x714);
  EXPECT_EQ(attributes.further_count, 1);  // port 1
  EXPECT_EQ(attributes.address, (records::PciAddress{3, 0, 3}));
  handle = adapter_->Open(kIscsiDevicePrefix + std::string("2"));  // the Korvel's
  buffer = Command(32, 1, 540);
  ASSERT_EQ(adapter_->Ioctl(handle, records::kIscsiFirmwareRequest, buffer).result, 0);
  EXPECT_EQ(records::DecodeControllerAttributes(std::span(buffer).subspan(16))->device_id, 0xE220);
}

TEST_F(EmulatorDiscovery, ChipInformationListsTwoControllersWith2And4NicFunctions) {
  int nic = adapter_->Open(kNicDevicePath);
  std::vector<uint8_t> record(89, 0xEE);
  ASSERT_EQ(adapter_->Ioctl(nic, records::kNicChipInfoRequest, record).result, 0);
  std::vector<uint8_t> expected(89, 0);
  expected[0] = 2;
  expected[1] = 3, expected[2] = 0, expected[3] = 2, expected[4] = 0, expected[5] = 1;
  expected[12] = 0x81, expected[13] = 0, expected[14] = 4;
  expected[15] = 0, expected[16] = 1, expected[17] = 3, expected[18] = 4;
  EXPECT_EQ(record, expected);
}

TEST_F(EmulatorDiscovery, HiddenNicFunctionLeavesEveryView) {
  adapter_->set_visible_nic_functions(5);
  int nic = adapter_->Open(kNicDevicePath);
  std::vector<uint8_t> record(89, 0);
  ASSERT_EQ(adapter_->Ioctl(nic, records::kNicChipInfoRequest, record).result, 0);
  EXPECT_EQ(record[14], 3);
  std::vector<uint8_t> hidden = Envelope({0x81, 0, 4}, Command(32, 1, 540));
  EXPECT_EQ(adapter_->Ioctl(nic, records::kNicFirmwareRequest, hidden).error, ENODEV);
  std::string conf;
  ASSERT_TRUE(adapter_->ReadHostFile("/etc/vmware/esx.conf", &conf));
  EXPECT_EQ(conf.find("129:00.4/vmkname"), std::string::npos);
  EXPECT_EQ(adapter_->RunHostTool({"ethtool", "-i", "vmnic_k4"}).exit_status, 1);

  adapter_->set_visible_nic_functions(6);  // the function comes back
  EXPECT_EQ(adapter_->visible_nic_functions(), 6);
  ASSERT_TRUE(adapter_->ReadHostFile("/etc/vmware/esx.conf", &conf));
  EXPECT_NE(conf.find("/device/000:129:00.4/vmkname = \"vmnic_k4\"\n"), std::string::npos);
  EXPECT_EQ(adapter_->RunHostTool({"ethtool", "-i", "vmnic_k4"}).exit_status, 0);
}

TEST_F(EmulatorDiscovery, VisibleCountFromTheConfiguration) {
  AdapterConfig config = TwoControllers();
  config.visible_nic_functions = 1;
  adapter_ = MakeEmulator(config);
  int nic = adapter_->Open(kNicDevicePath);
  std::vector<uint8_t> record(89, 0);
  ASSERT_EQ(adapter_->Ioctl(nic, records::kNicChipInfoRequest, record).result, 0);
  EXPECT_EQ(record[0], 1);
  EXPECT_EQ(record[3], 1);
}

TEST_F(EmulatorDiscovery, EsxConfNamesEachVisibleNicFunctionOnce) {
  std::string conf;
  ASSERT_TRUE(adapter_->ReadHostFile("/etc/vmware/esx.conf", &conf));
  const struct {
    const char* key;
    const char* name;
  } kExpected[] = {{"003:00.0/vmkname", "vmnic0"}, {"003:00.1/vmkname", "vmnic1"},
                   {"129:00.0/vmkname", "vmnic2"}, {"129:00.1/vmkname", "vmnic3"},
                   {"129:00.3/vmkname", "vmnic4"}, {"129:00.4/vmkname", "vmnic_k4"}};
  std::vector<std::string> lines;
  for (size_t at = 0; at < conf.size();) {
    size_t end = conf.find('\n', at);
    lines.push_back(conf.substr(at, end - at));
    at = end == std::string::npos ? conf.size() : end + 1;
  }
  for (const auto& expected : kExpected) {
    int found = 0;
    for (const std::string& line : lines) {
      EXPECT_LT(line.size(), 99u);
      if (line.find(expected.key) == std::string::npos) continue;
      ++found;
      EXPECT_EQ(line.substr(line.find('=')), "= \"" + std::string(expected.name) + "\"") << line;
    }
    EXPECT_EQ(found, 1) << expected.key;
  }
  EXPECT_NE(conf.find("/net/pnic/child[0000]/name = \"vmnic0\""), std::string::npos);
  EXPECT_EQ(conf.find("003:00.2/vmkname"), std::string::npos) << "iSCSI functions have none";
}

TEST_F(EmulatorDiscovery, EthtoolAndLspciAnswerForTheAdaptersFunctions) {
  platform::ToolResult ethtool = adapter_->RunHostTool({"ethtool", "-i", "vmnic4"});
  EXPECT_EQ(ethtool.exit_status, 0);
  EXPECT_NE(ethtool.output.find("\nbus-info: 0000:81:00.3\n"), std::string::npos);
  platform::ToolResult lspci = adapter_->RunHostTool({"lspci", "-s", "0000:81:00.3", "-x"});
  EXPECT_EQ(lspci.exit_status, 0);
  EXPECT_NE(lspci.output.find("\n00: 7e 1d 20 e2 "), std::string::npos) << lspci.output;
  lspci = adapter_->RunHostTool({"lspci", "-s", "03:00.2", "-x"});  // an iSCSI function
  EXPECT_NE(lspci.output.find("\n00: 7e 1d 14 07 "), std::string::npos) << lspci.output;

  for (const std::vector<std::string>& argv :
       std::vector<std::vector<std::string>>{{"ethtool", "-i", "eth0"},
                                             {"ethtool", "vmnic4"},
                                             {"lspci", "-s", "0000:09:00.0", "-x"},
                                             {"lspci", "-s", "0000:81:00.3"},
                                             {"lspci", "-s", "zz:00.0", "-x"},
                                             {"sh", "-c", "true"},
                                             {}}) {
    platform::ToolResult result = adapter_->RunHostTool(argv);
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_EQ(result.output, "");
  }
}

TEST_F(EmulatorDiscovery, ReleaseFileTellsAnEsxiHost) {
  std::string release;
  ASSERT_TRUE(adapter_->ReadHostFile("/etc/issue.net", &release));
  EXPECT_NE(release.find("VMware ESXi 6.7.0"), std::string::npos);
  AdapterConfig config = DefaultConfig();
  config.issue_net.reset();
  adapter_ = MakeEmulator(config);
  EXPECT_FALSE(adapter_->ReadHostFile("/etc/issue.net", &release));
}

TEST_F(EmulatorDiscovery, OemParametersInEachChipsLayout) {
  std::vector<uint8_t> korvel = NicCommand(*adapter_, {0x81, 0, 0}, 76, 1, 44);
  ASSERT_EQ(Response(korvel).status, 0);
  std::vector<uint8_t> expected(44, 0);
  expected[0] = 'K', expected[1] = 'V';
  expected[2] = 0x0a, expected[3] = 0x1b, expected[4] = 0x2c, expected[5] = 0x3d;
  std::string serial = "KVOEM0001";
  std::copy(serial.begin(), serial.end(), expected.begin() + 12);
  expected[36] = 0x11;
  EXPECT_EQ(std::vector<uint8_t>(korvel.begin() + 16, korvel.end()), expected);

  AdapterConfig config = TwoControllers();
  config.controllers[0].oem_binary = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  config.controllers[0].oem_serial.reset();  // no OEM serial number
  adapter_ = MakeEmulator(config);
  int handle = adapter_->Open(kIscsiDevicePrefix + std::string("0"));
  std::vector<uint8_t> qf3 = Command(76, 1, 44);
  ASSERT_EQ(adapter_->Ioctl(handle, records::kIscsiFirmwareRequest, qf3).result, 0);
  ASSERT_EQ(Response(qf3).status, 0);
  EXPECT_EQ(qf3[16], 'V');
  EXPECT_EQ(qf3[16 + 2], 1);
  EXPECT_EQ(qf3[16 + 11], 10);
  EXPECT_EQ(std::vector<uint8_t>(qf3.begin() + 16 + 12, qf3.begin() + 16 + 36),
            std::vector<uint8_t>(24, 255));
  EXPECT_EQ(records::DecodeFixed32(qf3.data() + 16 + 36), 3u);
}

TEST_F(EmulatorDiscovery, ProbeCommandsAnswerOnAPhysicalFunction) {
  std::vector<uint8_t> conf = NicCommand(*adapter_, {3, 0, 0}, 72, 1, 264);
  ASSERT_EQ(Response(conf).status, 0);
  EXPECT_EQ(records::DecodeFixed16(conf.data() + 16 + 8), 0x1D7E);
  EXPECT_EQ(records::DecodeFixed16(conf.data() + 16 + 10), 0x714);
  std::vector<uint8_t> dump = NicCommand(*adapter_, {3, 0, 0}, 21, 11, 20);
  ASSERT_EQ(Response(dump).status, 0);
  EXPECT_EQ(dump[16 + 2], 0);  // alive
  std::vector<uint8_t> extra = NicCommand(*adapter_, {0x81, 0, 0}, 121, 1, 612);
  ASSERT_EQ(Response(extra).status, 0);
  EXPECT_EQ(records::DecodeFixed32(extra.data() + 16 + 4), 48u);
}

TEST_F(EmulatorDiscovery, ProbeCommandsAreRefusedOnAVirtualFunction) {
  AdapterConfig config = TwoControllers();
  config.virtual_function = true;
  ControllerConfig tindra = ControllerDefaults(kChipTindra);
  tindra.serial_number = "VN5T1912E044";
  FunctionConfig nic;
  nic.pci = {5, 0, 0};
  tindra.functions.push_back(nic);
  config.controllers.push_back(tindra);
  adapter_ = MakeEmulator(config);
  const struct {
    records::PciAddress address;
    uint8_t opcode;
    uint8_t subsystem;
    uint32_t length;
  } kProbes[] = {{{3, 0, 0}, 72, 1, 264}, {{5, 0, 0}, 21, 11, 20}, {{0x81, 0, 0}, 121, 1, 612}};
  for (const auto& probe : kProbes) {
    std::vector<uint8_t> buffer =
        NicCommand(*adapter_, probe.address, probe.opcode, probe.subsystem, probe.length);
    EXPECT_EQ(Response(buffer).status, 5) << int{probe.opcode};
    EXPECT_EQ(Response(buffer).additional_status, 0);
  }
  // Everything else still answers.
  EXPECT_EQ(Response(NicCommand(*adapter_, {3, 0, 0}, 32, 1, 540)).status, 0);
  EXPECT_EQ(Response(NicCommand(*adapter_, {0x81, 0, 0}, 76, 1, 44)).status, 0);
}

TEST_F(EmulatorDiscovery, ConfigurationReadOutsideTheSpaceIsRefused) {
  int nic = adapter_->Open(kNicDevicePath);
  std::vector<uint8_t> envelope = Envelope({3, 0, 0}, Command(72, 1, 264));
  records::EncodeFixed32(envelope.data() + 21 + 16, 4096);
  ASSERT_EQ(adapter_->Ioctl(nic, records::kNicFirmwareRequest, envelope).result, 0);
  EXPECT_EQ(Response(envelope, 21).status, 2);
  records::EncodeFixed32(envelope.data() + 21 + 16, 4000);  // the last 96 bytes
  ASSERT_EQ(adapter_->Ioctl(nic, records::kNicFirmwareRequest, envelope).result, 0);
  EXPECT_EQ(Response(envelope, 21).status, 0);
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
