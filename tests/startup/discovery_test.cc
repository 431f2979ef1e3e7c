// Discovery inside the library on the root's emulated adapter: NIC
// function numbering from the chip information, chip types of the
// discovered controllers, the NIC refresh that rebuilds the tree when the
// host's NIC functions change, and a later client that finds the change.
#include "startup/discovery.h"

#include <gtest/gtest.h>

#include <string>

#include "core/node_store.h"
#include "core/tree_services.h"
#include "kit/function_attributes.h"
#include "kit/function_tree.h"
#include "records/controller_attributes.h"
#include "records/driver_records.h"
#include "support/library_fixture.h"
#include "transport/commands.h"
#include "transport/driver_tables.h"

namespace oxim {
namespace {

class DiscoveryInsideTest : public testing::LibraryTest {
 protected:
  // Starts the library on an adapter described by json.
  void StartWith(const std::string& json) { Start(WriteConfig(json)); }
  // The NIC driver shows this many functions from now on.
  void SetNicFunctions(int count) {
    EmulatorControl(R"({"op":"nic_functions","count":)" + std::to_string(count) + "}");
  }
  Node* Find(const char* path) { return internal_get_node_path(path, OXIM_KIND_GROUP); }
};

// Two controllers with 2 and 4 NIC functions.
const char kTwoAndFour[] = R"({"controllers": [
  {"chip": 3, "serial_number": "SN-A", "functions": [
    {"kind": "nic", "port": 0, "pci": {"bus": 3, "device": 0, "function": 0}},
    {"kind": "nic", "port": 1, "pci": {"bus": 3, "device": 0, "function": 1}}]},
  {"chip": 5, "serial_number": "SN-B", "ports": 4, "functions": [
    {"kind": "nic", "port": 0, "pci": {"bus": 9, "device": 0, "function": 0}},
    {"kind": "nic", "port": 1, "pci": {"bus": 9, "device": 0, "function": 1}},
    {"kind": "nic", "port": 2, "pci": {"bus": 9, "device": 0, "function": 2}},
    {"kind": "nic", "port": 3, "pci": {"bus": 9, "device": 0, "function": 3}}]}]})";

TEST_F(DiscoveryInsideTest, NicFunctionsAreNumberedInChipInformationOrder) {
  StartWith(kTwoAndFour);
  ASSERT_EQ(transport::NicFunctionCount(), 6);
  EXPECT_EQ(transport::NicFunction(1), (records::PciAddress{3, 0, 0}));
  EXPECT_EQ(transport::NicFunction(2), (records::PciAddress{3, 0, 1}));
  EXPECT_EQ(transport::NicFunction(3), (records::PciAddress{9, 0, 0}));
  EXPECT_EQ(transport::NicFunction(6), (records::PciAddress{9, 0, 3}));
  EXPECT_EQ(get_port_number(Find("ROOT/Quellfire1/NICPhysicalHBA3")), 6);
  EXPECT_EQ(get_qf_type(Find("ROOT/Quellfire0")), kChipQF3);
  EXPECT_EQ(get_qf_type(Find("ROOT/Quellfire1")), kChipTindra);
  EXPECT_EQ(get_port_bitmap(1, 3), 2) << "port 3 of the second controller has a NIC function";
  EXPECT_EQ(get_port_bitmap(0, 3), 4) << "nothing on port 3 of the first";
}

TEST_F(DiscoveryInsideTest, NicCountChangeRebuildsTheTreeAndFailsTheRequest) {
  StartWith(kTwoAndFour);
  std::array<uint8_t, records::kControllerAttributesSize> attributes{};
  ASSERT_EQ(ioctl_fetch_controller_attribs({.index = 1}, attributes, DriverKind::kNic), 0u);
  SetNicFunctions(5);
  EXPECT_EQ(ioctl_fetch_controller_attribs({.index = 1}, attributes, DriverKind::kNic), 1u)
      << "the request that noticed the change is not sent";
  EXPECT_EQ(transport::NicFunctionCount(), 5);
  EXPECT_EQ(Find("ROOT/Quellfire1/NICPhysicalHBA3"), nullptr) << "the tree was rebuilt";
  EXPECT_NE(Find("ROOT/Quellfire1/NICPhysicalHBA2"), nullptr);
  EXPECT_EQ(ioctl_fetch_controller_attribs({.index = 1}, attributes, DriverKind::kNic), 0u);
}

TEST_F(DiscoveryInsideTest, LaterClientRebuildsAfterAChange) {
  StartWith(kTwoAndFour);
  SetNicFunctions(4);
  EXPECT_EQ(backend_client_init(0), 0u);
  EXPECT_EQ(transport::NicFunctionCount(), 4);
  EXPECT_EQ(Find("ROOT/Quellfire1/NICPhysicalHBA2"), nullptr);
  EXPECT_NE(Find("ROOT/Quellfire1/NICPhysicalHBA1"), nullptr);
  EXPECT_EQ(backend_client_init(2), 0u) << "modes above 1 do nothing";
}

TEST_F(DiscoveryInsideTest, LogicalHbaNamedAfterTheHostAdapter) {
  StartWith(R"({"controllers": [{"chip": 3, "serial_number": "SN-1", "functions": [
      {"kind": "iscsi", "port": 0, "pci": {"bus": 3, "device": 0, "function": 2}}]}]})");
  Node* logical = Find("ROOT/Quellfire0/iSCSIPhysicalHBA0/LogicalHBA0");
  ASSERT_NE(logical, nullptr);
  char name[kValueSize];
  ASSERT_EQ(internal_get_property(logical, "IfName", name), 0u);
  EXPECT_EQ(std::string(name).rfind("vmhba", 0), 0u) << name;
  char bus[kValueSize], device[kValueSize], function[kValueSize], count[kValueSize];
  EXPECT_EQ(get_lhba_count(logical, bus, device, function, count), 1);
  EXPECT_STREQ(bus, "3");
  EXPECT_STREQ(function, "2");
  EXPECT_STREQ(count, "0") << "the function's port number";
}

}  // namespace
}  // namespace oxim
