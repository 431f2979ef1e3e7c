// The interactive mode on a pseudo-terminal: the command line's grammar
// with POSIX quoting, completion, Ctrl-C and Ctrl-D.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/oximctl_fixture.h"

namespace oxim::testing {
namespace {

const std::vector<std::string> kHost = {"OXIM_ADAPTER=host"};
constexpr char kPrompt[] = "oximctl> ";

class Shell : public OximctlTest {};

TEST_F(Shell, CompletesPathsAndRunsCommands) {
  Terminal shell(kHost);
  shell.Await(kPrompt);
  shell.Type("get ROOT/OXIMDebugL\t\n");
  std::string shown = shell.Await("\n0\n");
  EXPECT_NE(shown.find("get ROOT/OXIMDebugLevel"), std::string::npos) << shown;
  EXPECT_NE(shown.find("\n0\n"), std::string::npos) << shown;
  shell.Type("exit\n");
  EXPECT_EQ(shell.Finish(), 0);
}

TEST_F(Shell, LinesFollowTheCommandLineGrammar) {
  Terminal shell(kHost);
  shell.Await(kPrompt);
  shell.Type("tree ROOT --depth 1 --values\n");
  std::string shown = shell.Await(kPrompt);
  EXPECT_NE(shown.find("ROOT/\n  OXIMServiceVersion = 1.0.99.0\n"), std::string::npos) << shown;
  EXPECT_NE(shown.find("  OXIMDebugLevel [rw] = 0\n"), std::string::npos) << shown;

  shell.Type("frobnicate now\n");
  shown = shell.Await(kPrompt);
  EXPECT_NE(shown.find("oximctl: unknown command 'frobnicate'"), std::string::npos) << shown;
  shell.Type("tree ROOT 2\n");
  shown = shell.Await(kPrompt);
  EXPECT_NE(shown.find("unexpected argument '2' for tree (a depth is given as --depth 2)"),
            std::string::npos)
      << shown;
  shell.Type("shell\n");
  EXPECT_NE(shell.Await(kPrompt).find("oximctl: already in the shell"), std::string::npos);
  shell.Type("--json get OXIMServiceVersion\n");
  EXPECT_NE(shell.Await(kPrompt).find("\"value\": \"1.0.99.0\""), std::string::npos);
  shell.Type("help tree\n");
  shown = shell.Await(kPrompt);
  EXPECT_NE(shown.find("usage: tree [PATH] [--depth N] [--values]"), std::string::npos) << shown;
  EXPECT_NE(shown.find("example:\n  tree Quellfire0"), std::string::npos) << shown;
  shell.Type("exit\n");
  EXPECT_EQ(shell.Finish(), 0) << "help succeeded last";
}

TEST_F(Shell, WordsAreQuotedAsInAPosixShell) {
  ASSERT_EQ(Run({"run", "Quellfire0/iSCSIPhysicalHBA0/LogicalHBA0/AddTarget",
                 "TargetName=iqn.2026-01.net.oxim-lab:oneway", "IPAddress=192.0.2.11"},
                kEmulator)
                .exit_code,
            0);
  const std::string authentication =
      "Quellfire0/iSCSIPhysicalHBA0/LogicalHBA0/Target0/TargetLoginOptions/Authentication";
  Terminal shell(kEmulator);
  shell.Await(kPrompt);
  shell.Type("run " + authentication +
             "/ConfigureCHAP 'AuthenticationMethod=One-Way CHAP' TargetCHAPName=\"tgt\"user1 "
             "TargetSecret=oneway\\-secret1\n");
  std::string shown = shell.Await(kPrompt);
  EXPECT_EQ(shown.find("oximctl:"), std::string::npos) << shown;
  shell.Type("get " + authentication + "/AuthenticationMethod\n");
  EXPECT_NE(shell.Await(kPrompt).find("\nOne-Way CHAP\n"), std::string::npos);
  shell.Type("get " + authentication + "/TargetCHAPName\n");
  EXPECT_NE(shell.Await(kPrompt).find("\ntgtuser1\n"), std::string::npos);

  shell.Type("set OXIMDebugLevel 'unclosed\n");
  shown = shell.Await(kPrompt);
  EXPECT_NE(shown.find("oximctl: unclosed single quote"), std::string::npos) << shown;
  shell.Type("set OXIMDebugLevel \"\"\n");  // an empty word is a word
  shown = shell.Await(kPrompt);
  EXPECT_NE(shown.find("cannot set ROOT/OXIMDebugLevel"), std::string::npos) << shown;
  shell.Type("exit\n");
  EXPECT_EQ(shell.Finish(), 1) << "the status of the last command";
}

TEST_F(Shell, CtrlCCancelsTheLineAndCtrlDLeaves) {
  Terminal shell(kHost);
  shell.Await(kPrompt);
  shell.Type("set OXIMDebugLevel 5");
  shell.Await("5");
  shell.Type("\x03");
  shell.Await(kPrompt);
  shell.Type("get OXIMDebugLevel\n");
  std::string shown = shell.Await(kPrompt);
  EXPECT_NE(shown.find("\n0\n"), std::string::npos) << "the cancelled set did not run: " << shown;
  shell.Type("\x04");
  EXPECT_EQ(shell.Finish(), 0);
}

TEST_F(Shell, WatchStopsOnCtrlCAndTheShellGoesOn) {
  Terminal shell(kHost);
  shell.Await(kPrompt);
  shell.Type("watch ROOT --interval 60\n");
  shell.Await("Ctrl-C stops");
  shell.Type("\x03");
  shell.Await(kPrompt);
  shell.Type("get OXIMServiceVersion\n");
  EXPECT_NE(shell.Await(kPrompt).find("1.0.99.0"), std::string::npos);
  shell.Type("quit\n");
  EXPECT_EQ(shell.Finish(), 0);
}

}  // namespace
}  // namespace oxim::testing
