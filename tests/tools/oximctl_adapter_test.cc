// Choosing the adapter (--adapter, OXIM_ADAPTER) and what oximctl says when
// the choice fails.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "tools/oximctl_fixture.h"

namespace oxim::testing {
namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

size_t Count(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

class AdapterChoice : public OximctlTest {
 protected:
  // A configuration file in the root; its --adapter value.
  std::string Config(const std::string& name, const std::string& content) {
    root_.write("/" + name, content);
    return "emulator:" + root_.file("/" + name);
  }
  // The example configuration qf3.json with one text replaced.
  std::string Qf3With(const std::string& from, const std::string& to) {
    std::string content = ReadFile(std::string(OXIM_CONFIG_DIR) + "/qf3.json");
    const size_t at = content.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) content.replace(at, from.size(), to);
    return Config("changed.json", content);
  }
  void SetLogLevel(int level) {
    ASSERT_EQ(Run({"set", "OXIMDebugLevel", std::to_string(level)}).exit_code, 0);
  }
};

TEST_F(AdapterChoice, BadAdapterValueIsAUsageError) {
  for (const char* value : {"bogus", "emulator:", "Emulator", "host:x", ""}) {
    Result result = Run({"--adapter", value, "info"});
    EXPECT_EQ(result.exit_code, 2) << value;
    EXPECT_EQ(result.err, "oximctl: --adapter takes host, emulator or emulator:FILE, not '" +
                              std::string(value) + "'\n");
    EXPECT_EQ(result.out, "");
  }
  Result from_environment = Run({"info"}, {"OXIM_ADAPTER=bogus"});
  EXPECT_EQ(from_environment.exit_code, 1);
  EXPECT_EQ(from_environment.err,
            "oximctl: OXIM_ADAPTER=bogus is not host, emulator or emulator:FILE\n");
}

TEST_F(AdapterChoice, UnreadableOrMalformedConfigurationIsReportedBeforeTheStart) {
  Result missing = Run({"--adapter", "emulator:/nonexistent/adapter.json", "info"});
  EXPECT_EQ(missing.exit_code, 1);
  EXPECT_EQ(missing.err,
            "oximctl: cannot use the emulated adapter's configuration /nonexistent/adapter.json: "
            "No such file or directory\n");
  Result directory = Run({"--adapter", "emulator:" + root_.path(), "info"});
  EXPECT_EQ(directory.exit_code, 1);
  EXPECT_NE(directory.err.find(": is a directory"), std::string::npos) << directory.err;
  Result syntax =
      Run({"--adapter", Config("broken.json", "{\"controllers\": [\n  {\"chip\": 3,,}\n"), "info"});
  EXPECT_EQ(syntax.exit_code, 1);
  EXPECT_NE(
      syntax.err.find("broken.json: not JSON: parse error at line 2, column 14: syntax error"),
      std::string::npos)
      << syntax.err;
  EXPECT_EQ(syntax.out, "");
}

TEST_F(AdapterChoice, RefusedConfigurationNamesTheFieldAtAnyLogLevel) {
  const std::string adapter = Qf3With("\"bus\": 3,", "\"bus\": 300,");
  const std::string expected =
      "the emulated adapter's configuration " + adapter.substr(9) +
      " was refused: " + "controllers[0].functions[0].pci.bus: expected an integer 0..255";
  // The log is off by default; the reason comes with the failed start.
  Result quiet = Run({"--adapter", adapter, "info"});
  EXPECT_EQ(quiet.exit_code, 1);
  EXPECT_EQ(quiet.err, "oximctl: " + expected + "\n");
  EXPECT_EQ(quiet.out, "");
  EXPECT_EQ(ReadFile(root_.file("/tmp/oxim2d.log")), "") << "the user's log is left alone";

  SetLogLevel(3);
  Result logged = Run({"--json", "--adapter", adapter, "tree"});
  EXPECT_EQ(logged.exit_code, 1);
  EXPECT_EQ(nlohmann::json::parse(logged.out)["error"], expected);
  EXPECT_EQ(Count(ReadFile(root_.file("/tmp/oxim2d.log")), "refused"), 1u);
  EXPECT_EQ(Run({"get", "OXIMDebugLevel"}).out, "3\n") << "the log level is the user's";
}

TEST_F(AdapterChoice, ConfigurationWithoutControllersIsNotARefusal) {
  Result empty = Run({"--adapter", Config("empty.json", "{\"controllers\": []}"), "info"});
  EXPECT_EQ(empty.exit_code, 0) << empty.err;
  EXPECT_NE(empty.out.find("no adapter controllers found"), std::string::npos);
}

TEST_F(AdapterChoice, EmulatedAdapterWithoutARootKeepsItsFilesPerUser) {
  const std::string home = root_.file("/home");
  const std::vector<std::string> env = {"OXIM_ROOT=", "XDG_STATE_HOME=", "HOME=" + home};
  Result result = Run({"--adapter", "emulator", "get", "OXIMServiceVersion"}, env);
  EXPECT_EQ(result.exit_code, 0) << result.err;
  EXPECT_EQ(result.err, "") << "chosen, not defaulted to: no note";
  EXPECT_TRUE(
      std::filesystem::exists(home + "/.local/state/oxim/root/var/run/oxim-emulator/socket"));
  EXPECT_EQ(Run({"--adapter", "emulator", "emulator", "stop"}, env).out, "stopped\n");
}

TEST_F(AdapterChoice, AnotherConfigurationThanTheRunningOneSaysHowToRestart) {
  const std::string qf3 = "emulator:" + std::string(OXIM_CONFIG_DIR) + "/qf3.json";
  ASSERT_EQ(Run({"--adapter", Config("empty.json", "{\"controllers\": []}"), "info"}).exit_code, 0);
  Result other = Run({"--adapter", qf3, "tree", "--depth", "1"});
  EXPECT_EQ(other.exit_code, 1);
  EXPECT_NE(other.err.find("runs another configuration"), std::string::npos) << other.err;
  EXPECT_NE(other.err.find("restart the emulated adapter: oximctl emulator stop"),
            std::string::npos)
      << other.err;

  ASSERT_EQ(Run({"emulator", "stop"}).exit_code, 0);
  Result valid = Run({"--adapter", qf3, "tree", "--depth", "1"});
  EXPECT_EQ(valid.exit_code, 0) << valid.err;
  EXPECT_NE(valid.out.find("  Quellfire0/\n"), std::string::npos);
}

}  // namespace
}  // namespace oxim::testing
