// Inside the library: deleting every route of a function
// (OXIM_delete_available_routes, the erase of a function's configuration
// uses it), which goes on past a route that cannot be deleted.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "areas/networking/tables.h"
#include "core/node_store.h"
#include "core/store_guard.h"
#include "oxim/oxim.h"
#include "oxim/oxim_emulator.h"
#include "support/api_client.h"
#include "support/temp_root.h"

namespace oxim {
namespace {

using testing::Do;
using testing::Groups;
using testing::Tag;

constexpr char kFunction[] = "Quellfire0/iSCSIPhysicalHBA0";
constexpr char kRoutes[] = "Quellfire0/iSCSIPhysicalHBA0/Network/TCPIPConfiguration/RouteTable";

class RoutesTest : public testing::TempRootTest {
 protected:
  void SetUp() override {
    setenv("OXIM_ADAPTER", "emulator", 1);
    ASSERT_EQ(OXIM_init(), 0u);
    for (const char* destination : {"10.0.1.0", "10.0.2.0", "10.0.3.0"}) {
      ASSERT_EQ(Do(std::string(kRoutes) + "/AddRouteTableEntry",
                   {destination, "255.255.255.0", "192.0.2.1"}),
                0u);
    }
  }
  void TearDown() override {
    char answer[256];
    (void)OXIM_emulator_control(R"({"op":"stop"})", answer, sizeof answer);
    OXIM_exit();
    unsetenv("OXIM_ADAPTER");
  }
  uint32_t DeleteAll() {
    NodeUseScope scope;
    return networking::OXIM_delete_available_routes(get_node(Tag(kFunction)));
  }
  size_t Entries() {
    EXPECT_EQ(Do(std::string(kRoutes) + "/RefreshRouteTableEntry"), 0u);
    return Groups(kRoutes).size();
  }
};

TEST_F(RoutesTest, EveryRouteIsDeleted) {
  ASSERT_EQ(Entries(), 3u);
  EXPECT_EQ(DeleteAll(), 0u);
  EXPECT_EQ(Entries(), 0u);
  EXPECT_EQ(DeleteAll(), 0u) << "none left to delete";
}

TEST_F(RoutesTest, ARouteThatCannotBeDeletedFailsTheRunButNotTheOthers) {
  char answer[256];
  ASSERT_EQ(OXIM_emulator_control(
                R"({"op":"fault","faults":{"commands":[{"subsystem":2,"opcode":11,"times":1}]}})",
                answer, sizeof answer),
            0u);
  EXPECT_EQ(DeleteAll(), 1u);
  EXPECT_EQ(Entries(), 1u);
}

}  // namespace
}  // namespace oxim
