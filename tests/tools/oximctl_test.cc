// oximctl run as a process, the way people and scripts use it: outline,
// get/set, describe, run, refusal messages and exit codes, JSON documents.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tools/oximctl_fixture.h"

namespace oxim::testing {
namespace {

TEST_F(OximctlTest, OutlineShowsPropertiesWithValues) {
  Result result = Run({"tree", "--values"});
  EXPECT_EQ(result.exit_code, 0) << result.err;
  EXPECT_EQ(result.out,
            "ROOT/\n"
            "  OXIMServiceVersion = 1.0.99.0\n"
            "  OXIMHierarchyVersion = 10.4\n"
            "  OXIMDebugLevel [rw] = 0\n");
  EXPECT_EQ(Run({"tree", "--depth", "0"}).out, "ROOT/\n");
}

TEST_F(OximctlTest, GetAndSetWithRefusals) {
  EXPECT_EQ(Run({"set", "ROOT/OXIMDebugLevel", "5"}).exit_code, 0);
  Result got = Run({"get", "oximdebuglevel"});
  EXPECT_EQ(got.exit_code, 0);
  EXPECT_EQ(got.out, "5\n");

  Result invalid = Run({"set", "OXIMDebugLevel", "9"});
  EXPECT_EQ(invalid.exit_code, 1);
  EXPECT_EQ(invalid.err,
            "oximctl: cannot set ROOT/OXIMDebugLevel: status 1 (last status 6: Invalid value.)\n");
  Result read_only = Run({"set", "OXIMServiceVersion", "2"});
  EXPECT_EQ(read_only.exit_code, 1);
  EXPECT_NE(read_only.err.find("last status 10: Read only property"), std::string::npos);
  EXPECT_EQ(Run({"set", "OXIMDebugLevel", std::string(300, '1')}).exit_code, 2);
}

TEST_F(OximctlTest, UnknownPathSuggestsClosestNames) {
  Result result = Run({"get", "ROOT/OXIMDebugLvl"});
  EXPECT_EQ(result.exit_code, 1);
  EXPECT_EQ(result.err,
            "oximctl: no node 'OXIMDebugLvl' under ROOT; did you mean OXIMDebugLevel?\n");
  EXPECT_EQ(Run({"get", "ROOT"}).exit_code, 1) << "not a property";
}

TEST_F(OximctlTest, UsageErrorsExitWithTwo) {
  EXPECT_EQ(Run({}).exit_code, 2);
  EXPECT_EQ(Run({"get"}).exit_code, 2);
  EXPECT_EQ(Run({"tree", "--depth", "x"}).exit_code, 2);
  EXPECT_EQ(Run({"frobnicate"}).exit_code, 2);
  Result not_command = Run({"run", "OXIMDebugLevel", "A=1"});
  EXPECT_EQ(not_command.exit_code, 1);
  EXPECT_EQ(not_command.err, "oximctl: ROOT/OXIMDebugLevel is not a command\n");
}

// Each usage error names the word that is wrong and what was expected.
TEST_F(OximctlTest, UsageErrorsNameWhatIsWrong) {
  const std::pair<std::vector<std::string>, std::string> kCases[] = {
      {{},
       "a command is required: tree, get, set, describe, run, refresh, watch, info, shell, "
       "emulator, "
       "help"},
      {{"frobnicate"}, "unknown command 'frobnicate'"},
      {{"tre"}, "unknown command 'tre'; did you mean tree?"},
      {{"tree", "X", "99999999999999999999"},
       "unexpected argument '99999999999999999999' for tree (a depth is given as --depth "
       "99999999999999999999); usage: oximctl tree [PATH] [--depth N] [--values]"},
      {{"tree", "--depth", "99999999999999999999"},
       "--depth takes a whole number from 0 to 2147483647, not '99999999999999999999'"},
      {{"tree", "--depth=-1"}, "--depth takes a whole number from 0 to 2147483647, not '-1'"},
      {{"tree", "--depth", "1", "--depth", "2"}, "--depth given twice"},
      {{"tree", "--depth"}, "--depth needs a value (N)"},
      {{"tree", "--vals"}, "unknown option '--vals' for tree; did you mean --values?"},
      {{"get"}, "get needs PATH/Property; usage: oximctl get PATH/Property"},
      {{"set", "OXIMDebugLevel"}, "set needs PATH/Property VALUE"},
      {{"info", "extra"}, "unexpected argument 'extra' for info"},
      {{"--bogus", "info"}, "unknown option '--bogus'"},
      {{"info", "--adapter", "host"}, "--adapter goes before the command"},
      {{"watch", "ROOT", "--interval", "0"}, "--interval takes seconds from 0.1 to 86400, not '0'"},
      {{"watch", "ROOT", "--count", "0"}, "--count takes a whole number from 1 to"},
      {{"help", "frob"}, "no command 'frob'"},
  };
  for (const auto& [args, expected] : kCases) {
    Result result = Run(args);
    EXPECT_EQ(result.exit_code, 2) << expected;
    EXPECT_EQ(result.err.rfind("oximctl: " + expected, 0), 0u) << result.err;
    EXPECT_EQ(result.err.find('\n'), result.err.size() - 1) << "one line: " << result.err;
    EXPECT_EQ(result.out, "");
  }
  // A value that begins with -- follows "--"; one with a single dash needs nothing.
  EXPECT_EQ(Run({"set", "OXIMDebugLevel", "--", "--5"}).err,
            "oximctl: cannot set ROOT/OXIMDebugLevel: status 1 (last status 6: Invalid value.)\n");
  EXPECT_EQ(Run({"set", "OXIMDebugLevel", "-1"}).exit_code, 1);
  EXPECT_EQ(Run({"tree", "--depth=0", "--", "ROOT"}).out, "ROOT/\n");
}

TEST_F(OximctlTest, RepeatedParameterIsRefusedBeforeTheCall) {
  const std::vector<std::string> emulator = {"OXIM_ADAPTER=emulator"};
  const std::string add = "Quellfire0/iSCSIPhysicalHBA0/LogicalHBA0/AddTarget";
  for (const char* second :
       {"IPAddress=192.0.2.11", "ipaddress=192.0.2.11", "IPADDRESS=192.0.2.10"}) {
    Result repeated = Run(
        {"run", add, "TargetName=iqn.2026-01.test:d", "IPAddress=192.0.2.10", second}, emulator);
    EXPECT_EQ(repeated.exit_code, 2) << second;
    EXPECT_EQ(repeated.err, "oximctl: IPAddress given twice; give each parameter once\n");
  }
  EXPECT_EQ(Run({"tree", "Quellfire0/iSCSIPhysicalHBA0/LogicalHBA0", "--depth", "0"}, emulator).out,
            "ROOT/Quellfire0/iSCSIPhysicalHBA0/LogicalHBA0/\n")
      << "nothing was created";
  EXPECT_EQ(
      Run({"get", "Quellfire0/iSCSIPhysicalHBA0/LogicalHBA0/Target0/TargetISCSIName"}, emulator)
          .exit_code,
      1);
}

// A property whose handler the library does not implement yet is shown as
// not available, never as a value, in every form of output.
TEST_F(OximctlTest, PropertyWithoutItsHandlerIsShownAsNotAvailable) {
  const std::vector<std::string> emulator = {"OXIM_ADAPTER=emulator"};
  const std::string group = "Quellfire0/NICPhysicalHBA0";
  const std::string vepa = group + "/VEPAState";
  Result tree = Run({"tree", group, "--depth", "1", "--values"}, emulator);
  EXPECT_EQ(tree.exit_code, 0) << tree.err;
  EXPECT_NE(tree.out.find("  VEPAState [rw] = <not available (handler not implemented yet)>\n"),
            std::string::npos)
      << tree.out;
  EXPECT_NE(tree.out.find("  PortNumber = 0\n"), std::string::npos) << tree.out;

  Result got = Run({"get", vepa}, emulator);
  EXPECT_EQ(got.exit_code, 1);
  EXPECT_EQ(got.out, "");
  EXPECT_NE(got.err.find("oximctl: cannot read ROOT/" + vepa +
                         ": not available (handler not implemented yet)\n"),
            std::string::npos)
      << got.err;
  Result set = Run({"set", vepa, "Enabled"}, emulator);
  EXPECT_EQ(set.exit_code, 1);
  EXPECT_NE(set.err.find("cannot set ROOT/" + vepa + ": not available"), std::string::npos)
      << set.err;

  auto outline = nlohmann::json::parse(
      Run({"--json", "tree", group, "--depth", "1", "--values"}, emulator).out);
  bool seen = false;
  for (const auto& child : outline["children"]) {
    if (child["name"] != "VEPAState") continue;
    seen = true;
    EXPECT_FALSE(child.contains("value"));
    EXPECT_EQ(child["error"], "not available (handler not implemented yet)");
  }
  EXPECT_TRUE(seen);
  auto failed = nlohmann::json::parse(Run({"--json", "get", vepa}, emulator).out);
  EXPECT_EQ(failed["status"], 3);
  EXPECT_EQ(failed["code"], 3);
  EXPECT_EQ(failed["message"], "VEPAState: not available (handler not implemented yet).");
}

TEST_F(OximctlTest, DescribeInTextAndJson) {
  Result text = Run({"describe", "OXIMDebugLevel"});
  EXPECT_EQ(text.exit_code, 0);
  EXPECT_NE(text.out.find("ROOT/OXIMDebugLevel (property)\n"), std::string::npos);
  EXPECT_NE(text.out.find("read-write, one of \"0,1,2,3,4,5,6\""), std::string::npos);

  Result json = Run({"--json", "describe", "OXIMDebugLevel"});
  auto doc = nlohmann::json::parse(json.out);
  EXPECT_EQ(doc["path"], "ROOT/OXIMDebugLevel");
  EXPECT_EQ(doc["kind"], "property");
  EXPECT_EQ(doc["data_type"], "list");
  EXPECT_EQ(doc["valid_values"], "0,1,2,3,4,5,6");
  EXPECT_EQ(doc["writable"], true);
}

TEST_F(OximctlTest, JsonDocumentsParseBack) {
  auto tree = nlohmann::json::parse(Run({"--json", "tree", "--values"}).out);
  EXPECT_EQ(tree["path"], "ROOT");
  ASSERT_EQ(tree["children"].size(), 3u);
  EXPECT_EQ(tree["children"][0]["name"], "OXIMServiceVersion");
  EXPECT_EQ(tree["children"][0]["value"], "1.0.99.0");
  EXPECT_EQ(tree["children"][2]["writable"], true);

  auto value = nlohmann::json::parse(Run({"--json", "get", "OXIMHierarchyVersion"}).out);
  EXPECT_EQ(value["value"], "10.4");
  auto info = nlohmann::json::parse(Run({"--json", "info"}).out);
  EXPECT_EQ(info["library"]["OXIMServiceVersion"], "1.0.99.0");
  EXPECT_TRUE(info["controllers"].is_array());
  EXPECT_FALSE(info["unimplemented_handlers"].empty()) << "the remaining work stays visible";
  EXPECT_EQ(info["unimplemented_handlers"][0].get<std::string>().rfind("do_", 0), 0u);

  Result missing = Run({"--json", "get", "Nothing"});
  EXPECT_EQ(missing.exit_code, 1);
  EXPECT_EQ(nlohmann::json::parse(missing.out)["error"], "no node 'Nothing' under ROOT");
}

TEST_F(OximctlTest, DefaultsToTheEmulatedAdapterAndSaysSoWhenItStartsIt) {
  const std::string note =
      "oximctl: no adapter on this host; starting the built-in emulated adapter (files in " +
      root_.path() + ")\n";
  Result first = Run({"get", "OXIMServiceVersion"}, {});
  EXPECT_EQ(first.exit_code, 0);
  EXPECT_EQ(first.err, note);
  EXPECT_EQ(Run({"get", "OXIMServiceVersion"}, {}).err, "") << "it runs already";
  EXPECT_EQ(Run({"emulator", "stop"}, {}).exit_code, 0);
  EXPECT_EQ(Run({"get", "OXIMServiceVersion"}, {}).err, note) << "started again";
  EXPECT_EQ(Run({"--adapter", "host", "get", "OXIMServiceVersion"}, {}).err, "");
}

TEST_F(OximctlTest, RunChecksParametersByNameBeforeTheCall) {
  const std::vector<std::string> emulator = {"OXIM_ADAPTER=emulator"};
  const std::string add = "Quellfire0/iSCSIPhysicalHBA0/LogicalHBA0/AddTarget";
  Result unknown =
      Run({"run", add, "TargetName=iqn.2026-01.test:d", "Address=192.0.2.10"}, emulator);
  EXPECT_EQ(unknown.exit_code, 2);
  EXPECT_EQ(unknown.err,
            "oximctl: unknown parameter 'Address'; parameters of AddTarget: TargetName* IPAddress* "
            "PortNumber BootTarget\n");
  Result missing = Run({"run", add, "targetname=iqn.2026-01.test:d"}, emulator);
  EXPECT_EQ(missing.exit_code, 2);
  EXPECT_NE(missing.err.find("missing parameter IPAddress"), std::string::npos) << missing.err;
  Result refused =
      Run({"run", add, "TargetName=iqn.2026-01.test:d", "IPAddress=127.0.0.1"}, emulator);
  EXPECT_EQ(refused.exit_code, 1) << "the library checks the values";
  EXPECT_NE(refused.err.find("last status 6: IPAddress: Invalid value."), std::string::npos)
      << refused.err;
  auto described = nlohmann::json::parse(Run({"--json", "describe", add}, emulator).out);
  ASSERT_EQ(described["params"].size(), 4u);
  EXPECT_EQ(described["params"][0]["name"], "TargetName");
  EXPECT_EQ(described["params"][0]["required"], true);
  EXPECT_EQ(described["params"][3]["valid_values"], "True,False");
}

TEST_F(OximctlTest, RunShowsWhatASuccessfulCommandNotes) {
  const std::vector<std::string> emulator = {"OXIM_ADAPTER=emulator"};
  const std::string configure =
      "Quellfire0/iSCSIPhysicalHBA0/Network/TCPIPConfiguration/ConfigureIPAddress";
  Result same =
      Run({"run", configure, "IPAddress=192.0.2.100", "SubnetMask=255.255.255.0"}, emulator);
  EXPECT_EQ(same.exit_code, 0);
  EXPECT_NE(same.err.find("oximctl: note: The IP address settings match the existing "
                          "configuration. No changes have been made to the configuration. "
                          "(status 56)\n"),
            std::string::npos)
      << same.err;
  auto document = nlohmann::json::parse(
      Run({"--json", "run", configure, "IPAddress=192.0.2.100", "SubnetMask=255.255.255.0"},
          emulator)
          .out);
  EXPECT_EQ(document["note"]["code"], 56);
  Result changed =
      Run({"run", configure, "IPAddress=192.0.2.60", "SubnetMask=255.255.255.0"}, emulator);
  EXPECT_EQ(changed.err.find("note"), std::string::npos) << changed.err;
}

}  // namespace
}  // namespace oxim::testing
