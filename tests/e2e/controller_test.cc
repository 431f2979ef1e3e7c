// Controller and function properties through the public C API against the
// emulated adapter of each chip: identity and versions from the firmware,
// the NIC-side descriptions, FFV name and advanced mode with the chips that
// refuse them, VPD and FRU VPD chunks, temperature, state, PCI Express
// link, additional attributes, OEM data and NC-SI.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "oxim/oxim.h"
#include "support/api_client.h"
#include "support/library_fixture.h"

namespace {

using oxim::testing::Do;
using oxim::testing::Groups;
using oxim::testing::LastStatus;
using oxim::testing::Read;
using oxim::testing::SetValue;
using oxim::testing::Status;
using oxim::testing::Tag;
using oxim::testing::Value;

class ControllerTest : public oxim::testing::LibraryTest {
 protected:
  // One controller of `chip` with a NIC and an iSCSI function on port 0 and
  // the given extra controller fields.
  std::string OneController(int chip, const std::string& fields = "") {
    return WriteConfig(R"({"controllers": [{"chip": )" + std::to_string(chip) +
                       R"(, "serial_number": "SN-)" + std::to_string(chip) + "\"" + fields +
                       R"(, "functions": [
        {"kind": "nic", "port": 0, "pci": {"bus": 9, "device": 1, "function": 0}},
        {"kind": "iscsi", "port": 0, "pci": {"bus": 9, "device": 1, "function": 1}}]}]})");
  }
};

constexpr const char* kChipConfigs[] = {"qf2.json", "qf3.json", "korvel.json", "tindra.json"};

TEST_F(ControllerTest, IdentityAndVersionsAreTheFirmwaresOnEveryChip) {
  for (int chip : {2, 3, 4, 5}) {
    Start(OneController(chip, R"(, "manufacturer": "Maker )" + std::to_string(chip) + R"(",
        "model_number": "M-)" + std::to_string(chip) +
                                  R"(", "description": "Adapter",
        "active_firmware_version": "1.2.3.)" +
                                  std::to_string(chip) + R"(",
        "flash_firmware_version": "1.2.4.0", "bios_version": "7.1", "boot_code_version": "7.2",
        "capabilities": "0x0011", "firmware_state": 7)"));
    const std::string chip_text = std::to_string(chip);
    EXPECT_EQ(Value("Quellfire0/Manufacturer"), "Maker " + chip_text);
    EXPECT_EQ(Value("Quellfire0/ModelNumber"), "M-" + chip_text);
    EXPECT_EQ(Value("Quellfire0/Description"), "Adapter");
    EXPECT_EQ(Value("Quellfire0/SerialNumber"), "SN-" + chip_text);
    EXPECT_EQ(Value("Quellfire0/ActiveFirmwareVersion"), "1.2.3." + chip_text);
    EXPECT_EQ(Value("Quellfire0/FirmwareVersionOnFlash"), "1.2.4.0");
    EXPECT_EQ(Value("Quellfire0/BIOSVersion"), "7.1");
    EXPECT_EQ(Value("Quellfire0/BootCodeVersion"), "7.2");
    EXPECT_EQ(Value("Quellfire0/FirmwareStatus"), "Unknown");
    EXPECT_EQ(Value("Quellfire0/Capabilities"), "TCP offload,iSCSI Initiator");
    Stop();
  }
}

TEST_F(ControllerTest, NicSideDescriptionsComeFromTheNicFunctions) {
  Start(Config("korvel.json"));
  EXPECT_EQ(Value("Quellfire0/NICCIM/PortControllerName"), "Vallorn Nevrane at 0x4:0x0");
  EXPECT_EQ(Value("Quellfire0/NICCIM/ControllerType"), "Ethernet");
  EXPECT_EQ(Value("Quellfire0/NICCIM/ProtocolSupported"), "IEEE P802.3ae");
  EXPECT_EQ(Value("Quellfire0/NICCIM/MaxSupportedController"), "4");
  EXPECT_EQ(Value("Quellfire0/NICPhysicalHBA0/CIM/ProtocolIfType"), "Ethernet CSMA/CD");
  EXPECT_EQ(Value("Quellfire0/NICPhysicalHBA0/CIM/EnabledCapabilities"),
            "LoadBalancing,FailOver,WakeOnLAN");
  Stop();
  // A controller without NIC functions.
  Start(WriteConfig(R"({"controllers": [{"chip": 3, "serial_number": "SN-I", "functions": [
      {"kind": "iscsi", "port": 0, "pci": {"bus": 6, "device": 0, "function": 2}}]}]})"));
  EXPECT_EQ(Value("Quellfire0/NICCIM/PortControllerName"), "N/A");
  EXPECT_EQ(Value("Quellfire0/NICCIM/ControllerType"), "N/A");
  EXPECT_EQ(Value("Quellfire0/NICCIM/MaxSupportedController"), "0");
}

TEST_F(ControllerTest, FfvNameOnlyWhereTheFirmwareHasIt) {
  Start(Config("qf3.json"));
  EXPECT_EQ(Value("Quellfire0/FFVName"), "N/A");
  EXPECT_EQ(SetValue("Quellfire0/FFVName", "CUSTOMER-A"), 298u);
  EXPECT_EQ(LastStatus(),
            Status(298, "Failed to configure FFVName. FFVName is not supported on this adapter."));
  Stop();
  for (const char* file : {"korvel.json", "tindra.json"}) {
    Start(Config(file));
    EXPECT_NE(Value("Quellfire0/FFVName"), "N/A") << file;
    ASSERT_EQ(SetValue("Quellfire0/FFVName", "CUSTOMER-A"), 0u) << file;
    Restart();
    EXPECT_EQ(Value("Quellfire0/FFVName"), "CUSTOMER-A") << file << ": kept in flash";
    Stop();
  }
  // A firmware that does not know the command shows N/A.
  Start(OneController(6));
  EXPECT_EQ(Value("Quellfire0/FFVName"), "N/A");
}

TEST_F(ControllerTest, AdvancedModeOnQf3Only) {
  Start(Config("qf3.json"));
  EXPECT_EQ(Value("Quellfire0/AdvancedMode"), "Disabled");
  ASSERT_EQ(SetValue("Quellfire0/AdvancedMode", "enabled"), 0u);
  EXPECT_EQ(LastStatus(), Status(312,
                                 "Advance mode settings changed successfully. Please reboot the "
                                 "machine for changes to take effect."));
  EXPECT_EQ(Value("Quellfire0/AdvancedMode"), "Enabled");
  Stop();
  for (const char* file : {"qf2.json", "korvel.json", "tindra.json"}) {
    Start(Config(file));
    EXPECT_EQ(Value("Quellfire0/AdvancedMode"), "N/A") << file;
    EXPECT_EQ(SetValue("Quellfire0/AdvancedMode", "Enabled"), 311u) << file;
    EXPECT_EQ(LastStatus(),
              Status(311, "Configuring AdvanceMode is not supported on this adapter."));
    Stop();
  }
}

TEST_F(ControllerTest, VpdAndFruVpdAreLowerCaseHexOfAtMost254Characters) {
  for (const char* file : kChipConfigs) {
    Start(Config(file));
    std::vector<std::string> values;
    for (const std::string& function :
         {std::string("NICPhysicalHBA0"), std::string("iSCSIPhysicalHBA0")}) {
      for (int k = 0; k <= 8; ++k) {
        values.push_back(Value("Quellfire0/" + function + "/VPD/VPDData" + std::to_string(k)));
      }
      EXPECT_EQ(values[values.size() - 9].substr(0, 2), "82") << file << ": the identifier tag";
      EXPECT_EQ(values.back().size(), 16u) << file << ": the last 8 bytes of the area";
    }
    const size_t fru_first = values.size();
    for (int k = 0; k <= 10; ++k) {
      values.push_back(Value("Quellfire0/FRUVPD/FRUVPDData" + std::to_string(k)));
    }
    // Block one holds 256 bytes: two chunks of 127 bytes.
    EXPECT_EQ(values[fru_first + 9].size(), 254u) << file;
    EXPECT_EQ(values[fru_first + 10].size(), 254u) << file;
    EXPECT_EQ(values[fru_first + 9].substr(0, 8), "4d414353") << file;  // "MACS"
    for (const std::string& value : values) {
      EXPECT_FALSE(value.empty()) << file;
      EXPECT_LE(value.size(), 254u) << file;
      EXPECT_EQ(value.find_first_not_of("0123456789abcdef"), std::string::npos) << value;
    }
    Stop();
  }
}

TEST_F(ControllerTest, FruVpdIsReadAgainAndAFailedBlockFails) {
  Start("emulator");
  EmulatorControl(R"({"op":"fault","faults":{"commands":[
      {"subsystem": 19, "opcode": 3, "status": 2, "additional_status": 0, "times": 1}]}})");
  EXPECT_NE(Read("Quellfire0/FRUVPD/FRUVPDData0").first, 0u);
  EXPECT_EQ(Read("Quellfire0/FRUVPD/FRUVPDData0").first, 0u);
}

TEST_F(ControllerTest, TemperatureStateAndPciExpressLink) {
  Start(OneController(3, R"(, "temperature": 55)"));
  EXPECT_EQ(Value("Quellfire0/QuellfireOnDieTemperature"), "55");
  EXPECT_EQ(Value("Quellfire0/ControllerStatus"), "Alive");
  EXPECT_EQ(Value("Quellfire0/PCIExpressBusWidth"), "x8");
  EXPECT_EQ(Value("Quellfire0/PCIExpressLinkSpeed"), "5.0GT/s");
  EmulatorControl(R"({"op":"fault","faults":{"commands":[
      {"subsystem": 1, "opcode": 121, "status": 2, "additional_status": 0, "times": 1},
      {"subsystem": 11, "opcode": 21, "status": 2, "additional_status": 0, "times": 1},
      {"subsystem": 1, "opcode": 72, "status": 2, "additional_status": 0, "times": 1}]}})");
  EXPECT_EQ(Read("Quellfire0/QuellfireOnDieTemperature").first, 192u);
  EXPECT_EQ(LastStatus().first, 192u);
  EXPECT_EQ(Read("Quellfire0/ControllerStatus").first, 265u);
  EXPECT_EQ(Read("Quellfire0/PCIExpressBusWidth").first, 121u);
  EXPECT_EQ(LastStatus(), Status(121, "Cannot dump the config region for the given offset."));
  Stop();

  Start(OneController(4, R"(, "temperature": 0)"));
  EXPECT_EQ(Value("Quellfire0/QuellfireOnDieTemperature"), "N/A");
  EXPECT_EQ(Value("Quellfire0/ControllerStatus"), "N/A");
  // Korvel's link register through the NIC driver's read of offset 164.
  EXPECT_EQ(Value("Quellfire0/PCIExpressBusWidth"), "x8");
  EXPECT_EQ(Value("Quellfire0/PCIExpressLinkSpeed"), "5.0GT/s");
}

TEST_F(ControllerTest, AdditionalAttributesByChip) {
  Start(Config("qf3.json"));
  EXPECT_EQ(Value("Quellfire0/IPLFileName"), "QF3_IPL005_1A");
  EXPECT_EQ(Value("Quellfire0/PHYFirmwareVersion"), "1.2.7");
  EXPECT_EQ(Value("Quellfire0/PHYConfigurationId"), "0x0A");
  EXPECT_EQ(Value("Quellfire0/UEFIBIOSVersion"), "11.4.190.0");
  Stop();
  Start(Config("tindra.json"));
  EXPECT_EQ(Value("Quellfire0/IPLFileName"), "TD_IPL118_2") << "number 260 is entry 118";
  Stop();
  Start(Config("korvel.json"));
  EXPECT_EQ(Value("Quellfire0/IPLFileName"), "KV4P25G_P2_IPL");
  EXPECT_EQ(Value("Quellfire0/PHYFirmwareVersion"), "N/A");
  EXPECT_EQ(Value("Quellfire0/PHYConfigurationId"), "N/A");
  Stop();
  Start(OneController(3, R"(, "ipl_file_number": 200, "phy_firmware_version": "")"));
  EXPECT_EQ(Value("Quellfire0/IPLFileName"), "N/A");
  EXPECT_EQ(Value("Quellfire0/PHYFirmwareVersion"), "N/A");
}

TEST_F(ControllerTest, OemDataInTheChipsLayout) {
  Start(Config("korvel.json"));
  EXPECT_EQ(Value("Quellfire0/OEM/VallornSerialNumber"), "KV0a1b2c3d");
  EXPECT_EQ(Value("Quellfire0/OEM/OEMSerialNumber"), "KVOEM0001");
  EXPECT_EQ(Value("Quellfire0/OEM/PersonalityManagementWord"), "0x00000011");
  Stop();
  Start(OneController(3, R"(, "oem_binary": "00112233445566778899", "oem_serial": null)"));
  EXPECT_EQ(Value("Quellfire0/OEM/VallornSerialNumber"), "VN00112233445566778899");
  EXPECT_EQ(Value("Quellfire0/OEM/OEMSerialNumber"), "N/A");
  EXPECT_EQ(Value("Quellfire0/OEM/PersonalityManagementWord"), "0x00000003");
}

TEST_F(ControllerTest, KorvelWithoutOemSerialKeepsNoSerialNumberWhenVersionsAreReadAgain) {
  Start(OneController(4, R"(, "oem_serial": null, "flash_firmware_version": "12.1.0.0")"));
  EXPECT_EQ(Value("Quellfire0/SerialNumber"), "N/A");
  EXPECT_EQ(Value("Quellfire0/ActiveFirmwareVersion"), "12.0.1110.0");
  EXPECT_EQ(Value("Quellfire0/FirmwareVersionOnFlash"), "12.1.0.0");
  EXPECT_EQ(Value("Quellfire0/SerialNumber"), "N/A");
  EXPECT_EQ(Value("Quellfire0/OEM/OEMSerialNumber"), "N/A");
}

TEST_F(ControllerTest, VirtualFunctionHostRefusesWhatAVirtualFunctionMayNotRead) {
  Start(Config("vf_host.json"));
  const auto [status, value] = Read("Quellfire0/ControllerStatus");
  EXPECT_EQ(status, 256u);
  EXPECT_EQ(value, "N/A");
  EXPECT_EQ(LastStatus(),
            Status(256, "Performed operation is not supported on a SR-IOV virtual function."));
  EXPECT_EQ(Read("Quellfire0/FRUVPD/FRUVPDData0"), std::make_pair(256u, std::string("N/A")));
  EXPECT_EQ(Value("Quellfire0/OEM/OEMSerialNumber"), "N/A");
}

TEST_F(ControllerTest, NcsiGroupsOnlyOnQf2) {
  Start(Config("qf2.json"));
  EXPECT_EQ(Value("Quellfire0/NCSI/NCSISupport"), "Supported");
  EXPECT_EQ(Value("Quellfire0/NCSI/NCSIQFHandShake"), "Success");
  EXPECT_EQ(Value("Quellfire0/NCSI/NCSIVersion"), "1.0.1.0-2");
  EXPECT_EQ(Groups("Quellfire0/NCSI"),
            (std::vector<std::string>{"NCSIStaticConfiguration0", "NCSIDynamicConfiguration0"}));
  const std::string s = "Quellfire0/NCSI/NCSIStaticConfiguration0/";
  EXPECT_EQ(Value(s + "PortSwap"), "No");
  EXPECT_EQ(Value(s + "Port0MAC"), "00:90:fa:2b:10:20");
  EXPECT_EQ(Value(s + "Port1MAC"), "00:90:fa:2b:10:21");
  EXPECT_EQ(Value(s + "EnableWOLPort0"), "Yes");
  EXPECT_EQ(Value(s + "MgmtVLANId"), "0");
  Stop();

  Start(OneController(2, R"(, "ncsi_handshake": 1)"));
  EXPECT_EQ(Value("Quellfire0/NCSI/NCSIQFHandShake"), "Error");
  Stop();

  Start(Config("qf3.json"));
  EXPECT_EQ(Value("Quellfire0/NCSI/NCSISupport"), "Supported");
  EXPECT_EQ(Value("Quellfire0/NCSI/NCSIQFHandShake"), "N/A");
  EXPECT_EQ(Value("Quellfire0/NCSI/NCSIVersion"), "1.0.1");
  EXPECT_TRUE(Groups("Quellfire0/NCSI").empty());
  Stop();

  for (const char* file : {"korvel.json", "tindra.json"}) {
    Start(Config(file));
    EXPECT_EQ(Value("Quellfire0/NCSI/NCSISupport"), "Not Supported") << file;
    EXPECT_EQ(Value("Quellfire0/NCSI/NCSIQFHandShake"), "N/A") << file;
    EXPECT_EQ(Value("Quellfire0/NCSI/NCSIVersion"), "N/A") << file;
    EXPECT_TRUE(Groups("Quellfire0/NCSI").empty()) << file;
    Stop();
  }
  Start(OneController(2, R"(, "ncsi_supported": false)"));
  EXPECT_EQ(Value("Quellfire0/NCSI/NCSISupport"), "Not Supported");
  EXPECT_TRUE(Groups("Quellfire0/NCSI").empty());
}

TEST_F(ControllerTest, NcsiDynamicWriteChangesOnlyItsField) {
  Start(Config("qf2.json"));
  const std::string d = "Quellfire0/NCSI/NCSIDynamicConfiguration0/";
  EXPECT_EQ(Value(d + "EnableWOLPort0"), "No");
  ASSERT_EQ(SetValue(d + "MgmtVLANId", "100"), 0u);
  ASSERT_EQ(SetValue(d + "EnableWOLPort1", "Yes"), 0u);
  ASSERT_EQ(SetValue(d + "Port0MAC", "02-AA-bb-cc-dd-ee"), 0u);
  Restart();
  EXPECT_EQ(Value(d + "MgmtVLANId"), "100");
  EXPECT_EQ(Value(d + "EnableWOLPort1"), "Yes");
  EXPECT_EQ(Value(d + "EnableWOLPort0"), "No");
  EXPECT_EQ(Value(d + "Port0MAC"), "02:aa:bb:cc:dd:ee");
  EXPECT_EQ(Value(d + "Port1MAC"), "00:90:fa:2b:10:21");
  EXPECT_EQ(Value("Quellfire0/NCSI/NCSIStaticConfiguration0/MgmtVLANId"), "0");

  EXPECT_EQ(SetValue(d + "Port1MAC", "02:aa:bb:cc:dd;ee"), 17u);
  EXPECT_EQ(LastStatus(), Status(17, "Invalid value. Please use valid value."));
  EXPECT_EQ(Value(d + "Port1MAC"), "00:90:fa:2b:10:21");
  EmulatorControl(R"({"op":"fault","faults":{"commands":[
      {"subsystem": 1, "opcode": 87, "status": 2, "additional_status": 0, "times": 1}]}})");
  EXPECT_EQ(SetValue(d + "MgmtVLANId", "7"), 219u);
  EXPECT_EQ(Value(d + "MgmtVLANId"), "100");
}

TEST_F(ControllerTest, NcsiWriteWhileNotSupportedIsRefused) {
  Start(Config("qf2.json"));
  // The firmware reports NC-SI gone (an answer of zeros) at the next read.
  EmulatorControl(R"({"op":"fault","faults":{"commands":[
      {"subsystem": 1, "opcode": 86, "status": 0, "fill": 0, "response_length": 72,
       "times": 1}]}})");
  EXPECT_EQ(Value("Quellfire0/NCSI/NCSISupport"), "Not Supported");
  EXPECT_EQ(SetValue("Quellfire0/NCSI/NCSIDynamicConfiguration0/MgmtVLANId", "9"), 145u);
  EXPECT_EQ(LastStatus(), Status(145, "Cannot set the property as NCSI status is Disabled."));
  EXPECT_EQ(Value("Quellfire0/NCSI/NCSISupport"), "Supported");
  EXPECT_EQ(Value("Quellfire0/NCSI/NCSIDynamicConfiguration0/MgmtVLANId"), "0");
}

}  // namespace
