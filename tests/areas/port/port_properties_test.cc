// Inside the library: the port handlers (flow control, 10GBASE-T
// statistics, PHY link-down reason) on a port group made the way the port
// discovery will make them, against an emulated adapter in this process.
#include <gtest/gtest.h>

#include <string>

#include "areas/controller/adapter_fixture.h"
#include "areas/port/catalogue.h"
#include "core/node_store.h"
#include "core/tree_services.h"
#include "support/api_client.h"

namespace oxim {
namespace {

using testing::Value;

class PortPropertiesTest : public testing::InProcessAdapterTest {
 protected:
  // Port group n of controller 0, for port `port`.
  void AddPort(int port) {
    Node* controller = get_node(testing::Tag("Quellfire0"));
    Node* group = instantiate(templates::kPortDiscoveryAndConfiguration, controller, nullptr,
                              nullptr, nullptr);
    ASSERT_NE(group, nullptr);
    ASSERT_EQ(set_prop_val(group, "PortNumber", "%d", port), 0);
  }
  std::string Controller(int chip, bool base_t) {
    return R"({"controllers": [{"chip": )" + std::to_string(chip) +
           R"(, "serial_number": "SN-P", "base_t": )" + (base_t ? "true" : "false") +
           R"(, "functions": [
        {"kind": "nic", "port": 0, "pci": {"bus": 9, "device": 1, "function": 0}},
        {"kind": "iscsi", "port": 1, "pci": {"bus": 9, "device": 1, "function": 1}}]}]})";
  }
};

constexpr char kPort0[] = "Quellfire0/PortDiscoveryAndConfiguration0/";
constexpr char kPort1[] = "Quellfire0/PortDiscoveryAndConfiguration1/";

TEST_F(PortPropertiesTest, FlowControlThroughThePortsFunctionExceptOnQf2AndKorvel) {
  StartText(Controller(3, false));
  AddPort(0);
  AddPort(1);
  EXPECT_EQ(Value(std::string(kPort0) + "TxFlowControl"), "Enabled");
  EXPECT_EQ(Value(std::string(kPort1) + "RxFlowControl"), "Enabled") << "the iSCSI function's";
  adapter_->faults().FailCommand(
      {.subsystem = 1, .opcode = 37, .status = 0, .fill = 0, .times = 1});
  EXPECT_EQ(Value(std::string(kPort0) + "TxFlowControl"), "Disabled");
  OXIM_exit();
  started_ = false;
  emulator::UninstallEmulator();

  StartText(Controller(4, false));
  AddPort(0);
  EXPECT_EQ(Value(std::string(kPort0) + "TxFlowControl"), "N/A");
  EXPECT_EQ(Value(std::string(kPort0) + "RxFlowControl"), "N/A");
}

TEST_F(PortPropertiesTest, BaseTStatisticsByVersionOrNotAvailable) {
  StartText(Controller(5, true));
  AddPort(0);
  const std::string base_t = std::string(kPort0) + "BaseT10G/";
  EXPECT_EQ(Value(base_t + "Temperature"), "47");
  EXPECT_EQ(Value(base_t + "PairASNR"), "0x1c2");
  EXPECT_EQ(Value(base_t + "TimeSinceLinkLow"), "3600");
  EXPECT_EQ(Value(base_t + "10GEMIEventCounter"), "2");
  EXPECT_EQ(Value(base_t + "PHYFrameCounter"), "4294977296") << "64 bits on Tindra";
  EXPECT_EQ(Value(base_t + "PHYLinkDownReason"), "0");
  OXIM_exit();
  started_ = false;
  emulator::UninstallEmulator();

  StartText(Controller(3, true));
  AddPort(0);
  EXPECT_EQ(Value(base_t + "PHYFrameCounter"), "10000") << "the older 32-bit count";
  OXIM_exit();
  started_ = false;
  emulator::UninstallEmulator();

  StartText(Controller(2, false));
  AddPort(0);
  EXPECT_EQ(Value(base_t + "Temperature"), "N/A");
  EXPECT_EQ(Value(base_t + "PHYFrameCounter"), "N/A");
  EXPECT_EQ(Value(base_t + "PHYLinkDownReason"), "N/A");
}

}  // namespace
}  // namespace oxim
