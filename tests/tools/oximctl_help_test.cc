// Help for each command with an example that works, and completion: the
// hidden __complete command and the bash completion script that uses it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/oximctl_fixture.h"

namespace oxim::testing {
namespace {

const std::string kHba = "Quellfire0/iSCSIPhysicalHBA0/LogicalHBA0";

std::vector<std::string> Words(const std::string& line) {
  std::vector<std::string> words;
  for (size_t start = 0; start < line.size();) {
    size_t blank = line.find(' ', start);
    if (blank == std::string::npos) blank = line.size();
    if (blank > start) words.push_back(line.substr(start, blank - start));
    start = blank + 1;
  }
  return words;
}

class Help : public OximctlTest {};

TEST_F(Help, EachCommandHasHelpWithAWorkingExample) {
  Result general = Run({"--help"});
  EXPECT_EQ(general.exit_code, 0);
  EXPECT_EQ(Run({"help"}).out, general.out);
  // In the order of the examples: refresh needs the target run adds.
  for (const char* command :
       {"tree", "get", "set", "describe", "run", "refresh", "watch", "info", "shell", "help"}) {
    EXPECT_NE(general.out.find(std::string("\n  ") + command + " "), std::string::npos) << command;
    Result help = Run({"help", command});
    EXPECT_EQ(help.exit_code, 0);
    EXPECT_EQ(help.out.rfind(std::string("usage: oximctl ") + command, 0), 0u) << help.out;
    Result option = Run({command, "--help"});
    EXPECT_EQ(option.out, help.out);
    EXPECT_EQ(Run({command, "-h"}).out, help.out);

    const std::string marker = "\nexample:\n  oximctl ";
    const size_t at = help.out.find(marker);
    ASSERT_NE(at, std::string::npos) << help.out;
    const size_t start = at + marker.size();
    std::vector<std::string> example =
        Words(help.out.substr(start, help.out.find('\n', start) - start));
    if (example[0] == "shell") continue;  // interactive
    if (example[0] == "watch") {
      auto interval = std::find(example.begin(), example.end(), "--interval");
      ASSERT_NE(interval, example.end());
      interval[1] = "0.1";
      example.insert(example.end(), {"--count", "1"});
    }
    Result ran = Run(example, kEmulator);
    EXPECT_EQ(ran.exit_code, 0) << command << ": " << ran.err;
  }
}

class Completion : public OximctlTest {
 protected:
  std::string Complete(const std::string& line) {
    Result result = Run({"__complete", line}, kEmulator);
    EXPECT_EQ(result.exit_code, 0);
    return result.out;
  }
};

TEST_F(Completion, CommandsOptionsPathsParametersAndValues) {
  EXPECT_EQ(Complete("oximctl tr"), "2\ntree\n");
  EXPECT_EQ(Complete("oximctl --ad"), "4\n--adapter\n");
  EXPECT_EQ(Complete("oximctl --adapter em"), "2\nemulator\nemulator:\n");
  EXPECT_EQ(Complete("oximctl tree --de"), "4\n--depth\n");
  EXPECT_EQ(Complete("oximctl tree --depth "), "0\n");
  EXPECT_EQ(Complete("oximctl help wa"), "2\nwatch\n");
  const std::string typed = "quellfire0/iscsiphysicalhba0/pci/devicei";
  EXPECT_EQ(Complete("oximctl get " + typed),
            std::to_string(typed.size()) + "\nquellfire0/iscsiphysicalhba0/pci/DeviceID\n")
      << "case ignored, the typed part kept";
  EXPECT_EQ(Complete("oximctl run " + kHba + "/AddT"),
            std::to_string(kHba.size() + 5) + "\n" + kHba + "/AddTarget\n");
  EXPECT_EQ(Complete("oximctl run " + kHba + "/AddTarget TargetName=x "),
            "0\nIPAddress=\nPortNumber=\nBootTarget=\n")
      << "a parameter given is not offered again";
  EXPECT_EQ(Complete("oximctl run " + kHba + "/AddTarget BootTarget="),
            "11\nBootTarget=True\nBootTarget=False\n");
  EXPECT_EQ(Complete("oximctl set OXIMDebugLevel "), "0\n0\n1\n2\n3\n4\n5\n6\n");
  EXPECT_EQ(Complete("oximctl emulator re"), "2\nreboot\nregion\n");
  EXPECT_EQ(Complete("oximctl emulator region vmhba64 "), "0\n2\n3\n");
  EXPECT_EQ(Complete("oximctl emulator target iqn.x o"), "1\non\noff\n");
  const std::string files =
      Complete("oximctl --adapter emulator:" + std::string(OXIM_CONFIG_DIR) + "/qf");
  EXPECT_NE(files.find("\nemulator:" + std::string(OXIM_CONFIG_DIR) + "/qf3.json\n"),
            std::string::npos)
      << files;
}

TEST_F(Completion, TheAdapterOfTheLineIsTheOneWhoseTreeIsCompleted) {
  const std::string config = std::string(OXIM_CONFIG_DIR) + "/large.json";
  EXPECT_EQ(Complete("oximctl --adapter emulator:" + config + " tree Quellfire3/iSCSIPhysicalHBA3"),
            "28\nQuellfire3/iSCSIPhysicalHBA3/\n");
}

TEST_F(Completion, ValuesWithBlanksAreQuoted) {
  ASSERT_EQ(Run({"run", kHba + "/AddTarget", "TargetName=iqn.2026-01.net.oxim-lab:oneway",
                 "IPAddress=192.0.2.11"},
                kEmulator)
                .exit_code,
            0);
  const std::string chap = kHba + "/Target0/TargetLoginOptions/Authentication/ConfigureCHAP";
  EXPECT_EQ(Complete("oximctl run " + chap + " AuthenticationMethod=O"),
            "22\nAuthenticationMethod=One-Way\\ CHAP\n");
}

// The installed script, driven by bash itself on a terminal: Tab on a
// line calls the script, which asks oximctl.
TEST_F(Completion, BashScriptCompletesThroughOximctl) {
  ASSERT_TRUE(std::filesystem::exists(COMPLETION_SCRIPT)) << "copied beside the binary";
  const std::string directory = std::filesystem::path(OXIMCTL_PATH).parent_path().string();
  std::vector<std::string> env = kEmulator;
  env.push_back("PATH=" + directory + ":/usr/bin:/bin");
  env.push_back("PS1=$ ");
  env.push_back("INPUTRC=/dev/null");
  Terminal bash(env, {"/bin/bash", "--norc", "--noprofile", "-i"});
  bash.Await("$ ");
  bash.Type(std::string("source ") + COMPLETION_SCRIPT + "\n");
  bash.Await("$ ");
  bash.Type("oximctl tr\t--depth 1 --val\t\n");
  std::string shown = bash.Await("$ ");
  EXPECT_NE(shown.find("oximctl tree --depth 1 --values"), std::string::npos) << shown;
  EXPECT_NE(shown.find("OXIMDebugLevel [rw]"), std::string::npos) << shown;
  // bash splits words at "=" too; the script puts the whole value back.
  bash.Type("oximctl run " + kHba + "/AddT\tBootTarget=F\t\x15");
  shown = bash.Await("BootTarget=False ");
  EXPECT_NE(shown.find(kHba + "/AddTarget BootTarget=False "), std::string::npos) << shown;
  bash.Type("exit\n");
  EXPECT_EQ(bash.Finish(), 0);
}

}  // namespace
}  // namespace oxim::testing
