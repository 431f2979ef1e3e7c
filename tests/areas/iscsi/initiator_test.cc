// Inside the library: the Login handler's own checks of the ISID qualifier
// text (the tree's parameter check lets hexadecimal through and would refuse
// the others before the handler), and the start-up restore from saved files
// that hold damaged lines.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "core/last_status.h"
#include "core/node_store.h"
#include "core/store_guard.h"
#include "core/tree_services.h"
#include "oxim/oxim.h"
#include "oxim/oxim_emulator.h"
#include "schema/handler_registry.h"
#include "support/api_client.h"
#include "support/temp_root.h"

namespace oxim {
namespace {

using testing::Do;
using testing::Groups;
using testing::LastStatus;
using testing::SetValue;
using testing::Status;
using testing::Tag;
using testing::Value;

constexpr char kHba[] = "Quellfire0/iSCSIPhysicalHBA0/LogicalHBA0";

class InitiatorTest : public testing::TempRootTest {
 protected:
  void SetUp() override { setenv("OXIM_ADAPTER", "emulator", 1); }
  void TearDown() override {
    OXIM_exit();
    unsetenv("OXIM_ADAPTER");
  }
};

TEST_F(InitiatorTest, LoginRefusesQualifierTextsOutsideTheRange) {
  ASSERT_EQ(OXIM_init(), 0u);
  ASSERT_EQ(Do(std::string(kHba) + "/AddTarget", {"iqn.2026-01.net.oxim-lab:open", "192.0.2.10"}),
            0u);
  const std::string target = std::string(kHba) + "/Target0";
  CommandHandler login = handler_registry().command("do_Login");
  ASSERT_NE(login, nullptr);
  for (const char* text : {"12abc", "70000", "-1"}) {
    char params[kParamBlockSize] = {};
    std::strcpy(params + 3 * kParamSize, text);
    Node* group = get_node(Tag(target));
    Node* command = get_node(Tag(target + "/Login"));
    NodeUseScope scope;
    EXPECT_EQ(login(group, command, params), 8u) << text;
    EXPECT_EQ(LastStatus().second,
              "ISIDQualifier: Value out of range. Valid range is from 0 to 65535");
  }
  // Octal after a leading 0.
  EXPECT_EQ(Do(target + "/Login", {"", "", "", "010"}), 0u) << LastStatus().second;
  EXPECT_EQ(Value(target + "/Session0/ISIDQualifier"), "0008");
}

TEST_F(InitiatorTest, StartUpKeepsTheGoodLinesOfADamagedTargetFile) {
  const std::string good =
      "Quellfire0,iSCSIPhysicalHBA0,LogicalHBA0,iqn.2026-01.net.oxim-lab:oneway,192.0.2.11,3260,,"
      "iqn.qz,Yes,No,None,None,One-Way CHAP,,,tgtuser1,oneway-secret1,Static,Required,,\n";
  const std::string damaged = "Quellfire0,iSCSIPhysicalHBA0,LogicalHBA0,truncated\n" +
                              std::string("\x01\x02garbage,,,\xff\n", 14);
  root_.write("/scratch/Vallorn/savetgt.txt", good + damaged);
  root_.write("/scratch/Vallorn/liboxim.conf", "OXIMLogLevel 3\n");
  ASSERT_EQ(OXIM_init(), 0u);
  // The bad lines are dropped, and the empty levels of the good one are
  // written out.
  EXPECT_EQ(root_.read("/scratch/Vallorn/savetgt.txt"),
            good.substr(0, good.size() - 3) + ",Prohibited,Prohibited\n");
  // What was dropped is kept beside the file, for its owner only, and the
  // log says where.
  EXPECT_EQ(root_.read("/scratch/Vallorn/savetgt.txt.damaged"), damaged);
  struct stat info {};
  ASSERT_EQ(stat(root_.file("/scratch/Vallorn/savetgt.txt.damaged").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0600u);
  EXPECT_NE(root_.read("/tmp/oxim2d.log")
                .find("ERROR:OXIM_check_for_corrupted_database: 2 damaged line(s) of " +
                      root_.file("/scratch/Vallorn/savetgt.txt") + " kept in " +
                      root_.file("/scratch/Vallorn/savetgt.txt.damaged")),
            std::string::npos)
      << root_.read("/tmp/oxim2d.log");
  const std::string target = std::string(kHba) + "/Target0";
  EXPECT_EQ(Value(target + "/TargetISCSIName"), "iqn.2026-01.net.oxim-lab:oneway");
  EXPECT_EQ(Value(target + "/TargetLoginOptions/ImmediateData"), "No");
  // Empty levels are restored as Prohibited.
  EXPECT_EQ(Value(target + "/TargetLoginOptions/HeaderParam"), "Prohibited");
  EXPECT_EQ(Value(target + "/TargetLoginOptions/Authentication/CHAPParam"), "Required");
  EXPECT_EQ(Do(target + "/Login"), 0u) << LastStatus().second;
}

// A logical HBA reads Enabled "True" from start-up on, and no client can
// set it "False"; the refresh still refuses one that would say so.
TEST_F(InitiatorTest, RefreshRefusesADisabledLogicalHba) {
  ASSERT_EQ(OXIM_init(), 0u);
  {
    NodeUseScope scope;
    ASSERT_EQ(set_prop_val(get_node(Tag(kHba)), "Enabled", "%s", "False"), 0);
  }
  EXPECT_EQ(Do(std::string(kHba) + "/Discovery/RefreshAvailableTargets"), 46u);
  EXPECT_EQ(LastStatus(), Status(46,
                                 "iSCSI is not enabled for this LogicalHBA. Please enable iSCSI "
                                 "before issuing this command."));
}

TEST_F(InitiatorTest, InitiatorOptionsLineIsCreatedAndRewritten) {
  ASSERT_EQ(OXIM_init(), 0u);
  EXPECT_EQ(root_.read("/scratch/Vallorn/intr_logopts.txt"),
            "Quellfire0,iSCSIPhysicalHBA0,LogicalHBA0,Yes,Yes,None,None,None,,,,,Prohibited,"
            "Prohibited,Prohibited\n"
            "Quellfire0,iSCSIPhysicalHBA1,LogicalHBA0,Yes,Yes,None,None,None,,,,,Prohibited,"
            "Prohibited,Prohibited\n");
  const std::string auth = std::string(kHba) + "/InitiatorLoginOptions/Authentication";
  ASSERT_EQ(Do(auth + "/ConfigureCHAP",
               {"One-Way CHAP", "ignored", "", "tgtuser1", "0x0102030405060708090a0b0c"}),
            0u);
  EXPECT_EQ(LastStatus().first, 137u);
  EXPECT_EQ(Value(auth + "/InitiatorCHAPName"), "");
  EXPECT_NE(root_.read("/scratch/Vallorn/intr_logopts.txt")
                .find("One-Way CHAP,,,tgtuser1,0x0102030405060708090a0b0c,Prohibited"),
            std::string::npos);
  ASSERT_EQ(Do(auth + "/DeleteCHAP"), 0u);
  EXPECT_EQ(Value(auth + "/AuthenticationMethod"), "None");
  EXPECT_EQ(Value(auth + "/TargetCHAPName"), "");
}

// Disturbing the root's emulated adapter through its control requests.
class InitiatorWithAdapterTest : public InitiatorTest {
 protected:
  void Control(const std::string& request) {
    char answer[4096] = "";
    ASSERT_EQ(OXIM_emulator_control(request.c_str(), answer, sizeof answer), 0u) << answer;
  }
  void SetTargetOnline(const std::string& name, bool online) {
    Control(R"({"op":"target","name":")" + name + R"(","online":)" + (online ? "true" : "false") +
            "}");
  }
  std::string LoggedInTarget(const char* name, const char* ip) {
    EXPECT_EQ(Do(std::string(kHba) + "/AddTarget", {name, ip}), 0u) << LastStatus().second;
    const std::string target = std::string(kHba) + "/Target0";
    EXPECT_EQ(Do(target + "/Login"), 0u) << LastStatus().second;
    return target;
  }
};

TEST_F(InitiatorWithAdapterTest, ClosedSessionIsReusedAndBootSessionIsKept) {
  ASSERT_EQ(OXIM_init(), 0u);
  const std::string target = LoggedInTarget("iqn.2026-01.net.oxim-lab:open", "192.0.2.10");
  const std::string session = target + "/Session0";
  EXPECT_EQ(Value(target + "/TargetAlias"), "lab-open");
  // The target goes away: a refresh shows the session closed.
  SetTargetOnline("iqn.2026-01.net.oxim-lab:open", false);
  ASSERT_EQ(OXIM_refresh_group(Tag(target)), 0u);
  EXPECT_EQ(Value(session + "/SessionStatus"), "Closed");
  EXPECT_EQ(Value(session + "/Connection0/Status"), "Connection closed");
  // Back again, a login to the same portal re-opens that session.
  SetTargetOnline("iqn.2026-01.net.oxim-lab:open", true);
  ASSERT_EQ(Do(target + "/Login"), 0u) << LastStatus().second;
  // Options, portal, the one session and the target's two LUNs.
  EXPECT_EQ(Groups(target), (std::vector<std::string>{"TargetLoginOptions", "TargetPortal0",
                                                      "Session0", "LUN0", "LUN1"}));
  EXPECT_EQ(Value(session + "/SessionStatus"), "Open");
  EXPECT_EQ(Value(session + "/ISIDQualifier"), "0000");
  // An open boot session cannot be logged out.
  ASSERT_EQ(SetValue(session + "/iSCSIBoot", "True"), 0u);
  EXPECT_EQ(Value(session + "/iSCSIBoot"), "True");
  EXPECT_EQ(Do(target + "/Logout"), 126u);
  EXPECT_EQ(LastStatus(), Status(126,
                                 "Cannot logout the session as it is an active boot session. "
                                 "Please use the vIZIZOdozez configuration utility to logout the "
                                 "session."));
  ASSERT_EQ(SetValue(session + "/iSCSIBoot", "False"), 0u);
  EXPECT_EQ(Do(target + "/Logout"), 0u) << LastStatus().second;
  // The logical HBA cannot be disabled.
  EXPECT_EQ(SetValue(std::string(kHba) + "/Enabled", "false"), 1u);
  EXPECT_EQ(LastStatus(), Status(47, "LogicalHBA0 is always enabled. It cannot be disabled."));
}

TEST_F(InitiatorWithAdapterTest, AdapterRestartLogsInThePersistentEntriesAgain) {
  ASSERT_EQ(OXIM_init(), 0u);
  ASSERT_EQ(Do(std::string(kHba) + "/AddTarget", {"iqn.2026-01.net.oxim-lab:oneway", "192.0.2.11"}),
            0u);
  const std::string target = std::string(kHba) + "/Target0";
  ASSERT_EQ(Do(target + "/TargetLoginOptions/Authentication/ConfigureCHAP",
               {"One-Way CHAP", "", "", "tgtuser1", "oneway-secret1", "Required"}),
            0u);
  ASSERT_EQ(Do(target + "/Login"), 0u) << LastStatus().second;
  ASSERT_EQ(SetValue(target + "/ETO", "120"), 0u);
  EXPECT_EQ(Value(target + "/ETO"), "120") << "read back from the session's configuration";
  OXIM_exit();
  // A host reboot: the adapter power-cycles over its flash.
  Control(R"({"op":"reboot"})");
  ASSERT_EQ(OXIM_init(), 0u);
  EXPECT_EQ(Value(target + "/Session0/SessionStatus"), "Open");
  EXPECT_EQ(Value(target + "/Session0/Persistent"), "True");
  EXPECT_EQ(
      Value(target + "/Session0/Connection0/ConnectionNegotiatedLoginOptions/AuthenticationMethod"),
      "One-Way CHAP");
  EXPECT_EQ(Value(target + "/TargetAlias"), "lab-oneway");
}

}  // namespace
}  // namespace oxim
