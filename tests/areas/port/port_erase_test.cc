// Inside the library: the port and discovery erase of a
// PortDiscoveryAndConfiguration group, against the emulated adapter. Start-up
// does not make the port groups yet, so the test places one under the
// controller as the port groups' builder will, and runs the command through
// the tree interface.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "areas/port/catalogue.h"
#include "areas/port/port_erase.h"
#include "core/node_store.h"
#include "core/store_guard.h"
#include "kit/function_tree.h"
#include "kit/groups.h"
#include "kit/properties.h"
#include "oxim/oxim.h"
#include "oxim/oxim_emulator.h"
#include "schema/template.h"
#include "support/api_client.h"
#include "support/temp_root.h"

namespace oxim {
namespace {

using testing::Do;
using testing::LastStatus;
using testing::Status;
using testing::Tag;

class PortEraseTest : public testing::TempRootTest {
 protected:
  void SetUp() override {
    setenv("OXIM_ADAPTER", "emulator", 1);
    ASSERT_EQ(OXIM_init(), 0u);
  }
  void TearDown() override {
    char answer[256];
    (void)OXIM_emulator_control(R"({"op":"stop"})", answer, sizeof answer);
    OXIM_exit();
    unsetenv("OXIM_ADAPTER");
  }
  // A port group of the first controller for a port number; its path.
  std::string AddPort(const std::string& port_number) {
    NodeUseScope scope;
    Node* port = instantiate(templates::kPortDiscoveryAndConfiguration, get_node(Tag("Quellfire0")),
                             nullptr, nullptr, nullptr);
    EXPECT_NE(port, nullptr);
    EXPECT_TRUE(cache_prop(port, "PortNumber", port_number));
    return "Quellfire0/" + std::string(port->name) + std::to_string(instance_number(port));
  }
  void Fault(const std::string& fault) {
    char answer[256];
    ASSERT_EQ(OXIM_emulator_control(
                  ("{\"op\":\"fault\",\"faults\":{\"commands\":[" + fault + "]}}").c_str(), answer,
                  sizeof answer),
              0u);
  }
};

TEST_F(PortEraseTest, ThePortsFunctionErasesAndAFailureSays187) {
  const std::string port = AddPort("0");
  EXPECT_EQ(Do(port + "/ErasePortandDiscoveryConfiguration"), 0u) << LastStatus().second;
  EXPECT_EQ(LastStatus(), Status(184,
                                 "Erased the Configuration. Please reboot your system for the "
                                 "changes to take effect."));
  Fault(R"({"subsystem":1,"opcode":7,"status":1,"additional_status":0,"times":1})");
  const Status failed(187,
                      "Failed to erase port and discovery configuration. Please check oxim2d.log "
                      "file for more information.");
  EXPECT_EQ(Do(port + "/ErasePortandDiscoveryConfiguration"), 187u);
  EXPECT_EQ(LastStatus(), failed);
  // A port without a function has nothing to send the erase to.
  const std::string lone = AddPort("7");
  EXPECT_EQ(Do(lone + "/ErasePortandDiscoveryConfiguration"), 187u);
  EXPECT_EQ(LastStatus(), failed);
}

TEST_F(PortEraseTest, AVirtualFunctionErasesNoPort) {
  const std::string port = AddPort("0");
  set_running_on_virtual_function(true);
  EXPECT_EQ(Do(port + "/ErasePortandDiscoveryConfiguration"), 256u);
  EXPECT_EQ(LastStatus(),
            Status(256, "Performed operation is not supported on a SR-IOV virtual function."));
  set_running_on_virtual_function(false);
}

}  // namespace
}  // namespace oxim
