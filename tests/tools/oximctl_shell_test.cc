// The interactive mode on a pseudo-terminal.
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

}  // namespace
}  // namespace oxim::testing
