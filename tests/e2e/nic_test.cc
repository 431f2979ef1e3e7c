// The network side of NIC and iSCSI functions through the public C API
// against the emulated adapter: MAC addresses, MTU, link and port speed,
// vNIC channels, network boot with its VLAN and volatile MAC, the NIC erase,
// the iSCSI boot BIOS, and virtual functions changed through the host's ip
// link and read back from the NIC driver.
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

constexpr char kNic[] = "Quellfire0/NICPhysicalHBA0";
constexpr char kBoot[] = "Quellfire0/NICPhysicalHBA0/NetworkBootConfiguration";

class NicTest : public oxim::testing::LibraryTest {
 protected:
  // One controller of `chip` with a NIC function (with `nic` fields) and an
  // iSCSI function on port 0, and `fields` of the controller.
  std::string OneController(int chip, const std::string& nic = "", const std::string& fields = "") {
    return WriteConfig(R"({"controllers": [{"chip": )" + std::to_string(chip) +
                       R"(, "serial_number": "SN-N")" + fields + R"(, "functions": [
        {"kind": "nic", "port": 0, "pci": {"bus": 9, "device": 1, "function": 0},
         "mac": "00:90:fa:01:02:03")" +
                       nic + R"(},
        {"kind": "iscsi", "port": 0, "pci": {"bus": 9, "device": 1, "function": 1},
         "mac": "00:90:fa:01:02:04"}]}]})");
  }
};

TEST_F(NicTest, MacAddressesMtuAndLinkAreTheFunctions) {
  Start(OneController(3, R"(, "mtu": 9000)"));
  EXPECT_EQ(Value(std::string(kNic) + "/MACAddress"), "00-90-fa-01-02-03");
  EXPECT_EQ(Value(std::string(kNic) + "/FactoryDefaultMACAddress"), "00-90-fa-01-02-03");
  EXPECT_EQ(Value(std::string(kNic) + "/PermanentMACAddress"), "00-90-fa-01-02-03");
  EXPECT_EQ(Value("Quellfire0/iSCSIPhysicalHBA0/Network/NICConfiguration/FactoryDefaultMACAddress"),
            "00-90-fa-01-02-04");
  EXPECT_EQ(Value(std::string(kNic) + "/MTUSize"), "9000");
  EXPECT_EQ(Value(std::string(kNic) + "/LogicalLinkStatus"), "Up");
  for (const char* property : {"MACAddress", "PermanentMACAddress"}) {
    EXPECT_EQ(SetValue(std::string(kNic) + "/" + property, "00-90-fa-01-02-05"), 70u);
    EXPECT_EQ(LastStatus(), Status(70, "Setting this property is not supported in this OS."));
  }
  Stop();
  // Korvel and Tindra take the factory address from the MAC list.
  Start(Config("korvel.json"));
  EXPECT_EQ(Value("Quellfire0/NICPhysicalHBA2/FactoryDefaultMACAddress"), "00-90-fa-71-40-42");
  EXPECT_EQ(Value("Quellfire0/NICPhysicalHBA2/LogicalLinkStatus"), "Up");
}

TEST_F(NicTest, PortSpeedFromTheQosLimitOrThePort) {
  const std::pair<const char*, const char*> kCases[] = {{"", "10Gb"},
                                                        {R"(, "qos_speed": 250)", "2.5Gb"},
                                                        {R"(, "qos_speed": 100)", "1Gb"},
                                                        {R"(, "qos_speed": 50)", "500Mb"}};
  for (const auto& [nic, speed] : kCases) {
    Start(OneController(3, nic));
    EXPECT_EQ(Value(std::string(kNic) + "/PortSpeed"), speed) << nic;
    Stop();
  }
  Start(Config("korvel.json"));
  EXPECT_EQ(Value("Quellfire0/NICPhysicalHBA0/PortSpeed"), "25Gb");
  EXPECT_EQ(Value("Quellfire0/iSCSIPhysicalHBA0/Network/NICConfiguration/PortSpeed"), "25Gb");
  Stop();
  Start(OneController(3, "", R"(, "link_speed": "down")"));
  EXPECT_EQ(Value(std::string(kNic) + "/PortSpeed"), "0 (Link Down)");
  EXPECT_EQ(Value(std::string(kNic) + "/LogicalLinkStatus"), "Down");
  EmulatorControl(R"({"op":"fault","faults":{"commands":[
      {"subsystem": 1, "opcode": 5, "status": 2, "additional_status": 0, "times": 2}]}})");
  EXPECT_EQ(Read(std::string(kNic) + "/PortSpeed").first, 93u);
  EXPECT_EQ(Read(std::string(kNic) + "/LogicalLinkStatus").first, 227u);
}

TEST_F(NicTest, VnicChannelAndActivePort) {
  Start(OneController(3, R"(, "vnic": {"name": "storage-ch", "outer_vlan": 300,
                                       "min_bandwidth": 25, "max_bandwidth": 75})"));
  const std::string vnic = std::string(kNic) + "/vNIC/";
  EXPECT_EQ(Value(vnic + "vNICEnabled"), "true");
  EXPECT_EQ(Value(vnic + "vNICName"), "storage-ch");
  EXPECT_EQ(Value(vnic + "OuterVLANID"), "300");
  EXPECT_EQ(Value(vnic + "MinBandwidth"), "25");
  EXPECT_EQ(Value(vnic + "MaxBandwidth"), "75");
  const std::string iscsi = "Quellfire0/iSCSIPhysicalHBA0/Network/NICConfiguration/";
  EXPECT_EQ(Value(iscsi + "vNIC/vNICEnabled"), "False");
  EXPECT_EQ(Value(iscsi + "vNIC/OuterVLANID"), "");
  EXPECT_EQ(Value(iscsi + "ActivePort"), "0");
  EmulatorControl(R"({"op":"fault","faults":{"commands":[
      {"subsystem": 1, "opcode": 120, "status": 2, "additional_status": 0, "times": 1},
      {"subsystem": 1, "opcode": 64, "status": 2, "additional_status": 0, "times": 1}]}})");
  EXPECT_EQ(Read(vnic + "vNICName").first, 186u);
  EXPECT_EQ(Read(vnic + "MaxBandwidth").first, 185u);
}

TEST_F(NicTest, NetworkBootMethodsAndStates) {
  Start(Config("qf3.json"));
  EXPECT_EQ(Value(std::string(kBoot) + "/AvailableNetworkBootMethods"), "PXE");
  EXPECT_EQ(Value(std::string(kBoot) + "/NetworkBootState"), "Enabled");
  EXPECT_EQ(Value(std::string(kBoot) + "/NetworkBootMethod"), "PXE");
  EXPECT_EQ(Do(std::string(kBoot) + "/SetNetworkBoot", {"Enabled"}), 274u);
  EXPECT_EQ(Do(std::string(kBoot) + "/SetNetworkBoot", {"Enabled", "iBFT"}), 273u);
  EXPECT_EQ(LastStatus(), Status(273, "Give Network Boot method is not supported."));
  ASSERT_EQ(Do(std::string(kBoot) + "/SetNetworkBoot", {"Disabled"}), 0u);
  EXPECT_EQ(Value(std::string(kBoot) + "/NetworkBootState"), "Disabled");
  Stop();

  Start(Config("korvel.json"));
  EXPECT_EQ(Value(std::string(kBoot) + "/AvailableNetworkBootMethods"), "PXE,iBFT");
  ASSERT_EQ(Do(std::string(kBoot) + "/SetNetworkBoot", {"Enabled", "iBFT"}), 0u);
  Restart();
  EXPECT_EQ(Value(std::string(kBoot) + "/NetworkBootMethod"), "iBFT");
  EXPECT_EQ(Value(std::string(kBoot) + "/NetworkBootState"), "Enabled");
  Stop();

  // A function whose boot code is off: no state, and it cannot be set.
  Start(OneController(3, R"(, "boot_rom": false)"));
  EXPECT_EQ(Value(std::string(kBoot) + "/NetworkBootState"), "N/A");
  EXPECT_EQ(Do(std::string(kBoot) + "/SetNetworkBoot", {"Disabled"}), 272u);
}

TEST_F(NicTest, BootVlanAndVolatileMac) {
  Start(Config("qf3.json"));
  ASSERT_EQ(Do(std::string(kBoot) + "/ConfigureVLAN", {"100", "3"}), 0u);
  ASSERT_EQ(Do(std::string(kBoot) + "/ConfigureVLAN", {"200"}), 0u);
  EXPECT_EQ(Value(std::string(kBoot) + "/VLANId"), "200");
  EXPECT_EQ(Value(std::string(kBoot) + "/VLANPriority"), "3") << "kept when none is given";

  const std::string mac = std::string(kBoot) + "/VolatileMACAddress";
  EXPECT_EQ(Value(mac), "00-90-fa-4c-21-30");
  for (const char* accepted : {"02:11:22:33:44:55", "02-11-22-33-44-66", "02-AA-bb-CC-dd-EE"}) {
    ASSERT_EQ(SetValue(mac, accepted), 0u) << accepted;
  }
  EXPECT_EQ(Value(mac), "02-aa-bb-cc-dd-ee");
  EXPECT_EQ(SetValue(mac, "02-aa-bb-cc-dd-ee"), 0u) << "its current value";
  for (const char* refused : {"02:11:22:33:44;55", "02_11_22_33_44_55", "02:11:22:33:44:5."}) {
    EXPECT_EQ(SetValue(mac, refused), 17u) << refused;
    EXPECT_EQ(LastStatus(), Status(17, "Invalid value. Please use valid value."));
  }
  EXPECT_NE(SetValue(mac, "02:11:22:33:44"), 0u) << "too short for the property";
  EXPECT_EQ(Value(mac), "02-aa-bb-cc-dd-ee");
  EmulatorControl(R"({"op":"fault","faults":{"commands":[
      {"subsystem": 21, "opcode": 4, "status": 2, "additional_status": 0, "times": 2}]}})");
  EXPECT_EQ(SetValue(mac, "02-aa-bb-cc-dd-01"), 328u);
  EXPECT_EQ(Do(std::string(kBoot) + "/ConfigureVLAN", {"5"}), 124u);
  Stop();

  Start(Config("qf2.json"));
  EXPECT_EQ(SetValue(mac, "02:11:22:33:44:55"), 291u);
  EXPECT_EQ(Do(std::string(kBoot) + "/ConfigureVLAN", {"5"}), 291u);
  EXPECT_EQ(Value(std::string(kBoot) + "/VLANId"), "0");
}

TEST_F(NicTest, EraseReturnsTheNicConfigurationToItsFactoryState) {
  Start(Config("qf3.json"));
  ASSERT_EQ(Do(std::string(kBoot) + "/SetNetworkBoot", {"Disabled"}), 0u);
  ASSERT_EQ(Do(std::string(kBoot) + "/ConfigureVLAN", {"42", "1"}), 0u);
  ASSERT_EQ(SetValue(std::string(kBoot) + "/VolatileMACAddress", "02:00:00:00:00:01"), 0u);
  ASSERT_EQ(Do(std::string(kNic) + "/EraseNICConfiguration"), 0u);
  EXPECT_EQ(LastStatus(), Status(184,
                                 "Erased the Configuration. Please reboot your system for the "
                                 "changes to take effect."));
  EXPECT_EQ(Value(std::string(kBoot) + "/NetworkBootState"), "Enabled");
  EXPECT_EQ(Value(std::string(kBoot) + "/VLANId"), "0");
  EXPECT_EQ(Value(std::string(kBoot) + "/VolatileMACAddress"), "00-90-fa-4c-21-30");
  // The iSCSI configuration is another erase: the targets stay.
  const std::string hba = "Quellfire0/iSCSIPhysicalHBA0/LogicalHBA0";
  ASSERT_EQ(Do(hba + "/AddTarget", {"iqn.2026-01.net.oxim-lab:open", "192.0.2.10"}), 0u);
  ASSERT_EQ(Do(std::string(kNic) + "/EraseNICConfiguration"), 0u);
  Restart();
  EXPECT_NE(Tag(hba + "/Target0"), oxim::testing::kNoTag);

  EmulatorControl(R"({"op":"fault","faults":{"commands":[
      {"subsystem": 1, "opcode": 7, "status": 44, "additional_status": 0, "times": 1},
      {"subsystem": 1, "opcode": 7, "status": 2, "additional_status": 0, "times": 1}]}})");
  EXPECT_EQ(Do(std::string(kNic) + "/EraseNICConfiguration"), 0u);
  EXPECT_EQ(LastStatus().first, 239u);
  EXPECT_EQ(Do(std::string(kNic) + "/EraseNICConfiguration"), 116u);
  EXPECT_EQ(LastStatus(),
            Status(188,
                   "Failed to erase nic settings. Please check oxim2d.log file for more "
                   "information."));
}

TEST_F(NicTest, IscsiBootBiosSwitch) {
  Start(Config("tindra.json"));
  const std::string bios = "Quellfire0/iSCSIPhysicalHBA1/iSCSIBIOSEnable";
  EXPECT_EQ(Value(bios), "No");
  ASSERT_EQ(SetValue(bios, "yes"), 0u);
  Restart();
  EXPECT_EQ(Value(bios), "Yes");
  EXPECT_EQ(Value("Quellfire0/iSCSIPhysicalHBA0/iSCSIBIOSEnable"), "No");
  EmulatorControl(R"({"op":"fault","faults":{"commands":[
      {"subsystem": 1, "opcode": 67, "status": 2, "additional_status": 0, "times": 1}]}})");
  EXPECT_EQ(SetValue(bios, "No"), 142u);
  EXPECT_EQ(Value(bios), "Yes");
}

TEST_F(NicTest, VirtualFunctionsAreChangedThroughIpLinkAndReadBack) {
  Start(OneController(3, R"(, "virtual_functions": 3)"));
  EXPECT_EQ(Groups(kNic), (std::vector<std::string>{"VPD", "vNIC", "NetworkBootConfiguration",
                                                    "CIM", "PCI", "Driver", "NICLogicalHBA0",
                                                    "NICLogicalHBA1", "NICLogicalHBA2"}));
  const std::string vf = std::string(kNic) + "/NICLogicalHBA1/";
  EXPECT_EQ(Value(vf + "MACAddress"), "02:90:fa:09:08:01");
  EXPECT_EQ(Value(vf + "VLANID"), "0");
  EXPECT_EQ(Value(vf + "TxRate"), "0");
  EXPECT_EQ(Value(vf + "LinkStatus"), "Up");

  ASSERT_EQ(SetValue(vf + "MACAddress", "02-AA-00-00-00-01"), 0u);
  ASSERT_EQ(SetValue(vf + "VLANID", "100"), 0u);
  ASSERT_EQ(SetValue(vf + "TxRate", "250"), 0u);
  // Another client of the same adapter reads what the driver reports now.
  Restart();
  EXPECT_EQ(Value(vf + "MACAddress"), "02:aa:00:00:00:01");
  EXPECT_EQ(Value(vf + "VLANID"), "100");
  EXPECT_EQ(Value(vf + "TxRate"), "250");
  EXPECT_EQ(Value(std::string(kNic) + "/NICLogicalHBA0/VLANID"), "0");

  EXPECT_NE(SetValue(vf + "MACAddress", "02:aa:00:00:00"), 0u);
  EXPECT_EQ(LastStatus().first, OXIM_STATUS_BAD_LENGTH);
  EXPECT_EQ(SetValue(vf + "MACAddress", "02:aa:00:00:00;01"), 17u);
  EXPECT_NE(SetValue(vf + "VLANID", "4095"), 0u) << "refused by its range";
  EXPECT_EQ(Value(vf + "VLANID"), "100");
  ASSERT_EQ(OXIM_refresh_group(Tag(kNic)), 0u);
  EXPECT_EQ(Groups(kNic).size(), 9u);
  EXPECT_EQ(Value(vf + "TxRate"), "250");
}

TEST_F(NicTest, IpLinkThatFailsFailsTheWrite) {
  Start(WriteConfig(R"({"controllers": [{"chip": 3, "serial_number": "SN-V", "functions": [
      {"kind": "nic", "port": 0, "pci": {"bus": 9, "device": 1, "function": 0}},
      {"kind": "nic", "port": 1, "pci": {"bus": 9, "device": 1, "function": 1},
       "virtual_functions": 1}]}]})"));
  const std::string vf = "Quellfire0/NICPhysicalHBA1/NICLogicalHBA0/VLANID";
  ASSERT_EQ(SetValue(vf, "7"), 0u);
  // The host no longer shows the interface of the physical function.
  EmulatorControl(R"({"op":"nic_functions","count":1})");
  EXPECT_EQ(SetValue(vf, "8"), 1u);
  EXPECT_EQ(LastStatus(),
            Status(1,
                   "The host's ip link command failed to change the virtual function. Please "
                   "check oxim2d.log file for more information."));
}

}  // namespace
