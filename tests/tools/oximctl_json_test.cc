// JSON documents of oximctl: valid JSON whatever bytes the tree holds, and
// the error document for every kind of failure.
#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tools/oximctl_fixture.h"

namespace oxim::testing {
namespace {

const std::string kHba = "Quellfire0/iSCSIPhysicalHBA0/LogicalHBA0";

// Parses strictly (nlohmann refuses invalid UTF-8 and lone surrogates).
nlohmann::json Parse(const std::string& text) {
  try {
    return nlohmann::json::parse(text);
  } catch (const nlohmann::json::exception& error) {
    ADD_FAILURE() << error.what() << "\n" << text;
    return nullptr;
  }
}

class JsonOutput : public OximctlTest {
 protected:
  // Saved-target lines for targets of these names; the library restores
  // them when it starts. (AddTarget refuses names that are not UTF-8; the
  // saved files and the firmware may still hold them.) The paths of their
  // name properties.
  std::vector<std::string> SaveTargets(const std::vector<std::string>& names) {
    std::string lines;
    std::vector<std::string> paths;
    for (size_t i = 0; i < names.size(); ++i) {
      lines += "Quellfire0,iSCSIPhysicalHBA0,LogicalHBA0," + names[i] + ",192.0.2." +
               std::to_string(10 + i) +
               ",3260,,iqn.qz,Yes,Yes,None,None,None,,,,,Static,Prohibited,Prohibited,"
               "Prohibited\n";
      paths.push_back("ROOT/" + kHba + "/Target" + std::to_string(i) + "/TargetISCSIName");
    }
    root_.write("/scratch/Vallorn/savetgt.txt", lines);
    return paths;
  }
};

TEST_F(JsonOutput, BytesThatAreNotUtf8AreEscapedAndTheDocumentStaysValid) {
  // Invalid bytes, an overlong "/", a surrogate, a truncated sequence, and
  // valid two-, three- and four-byte characters.
  const std::string invalid = "iqn.2026-01.x:\xff\xfe\x80";
  const std::string odd = "iqn.2026-01.x:\xc0\xaf\xed\xa0\x80\xe2\x82";
  const std::string valid = "iqn.2026-01.x:caf\xc3\xa9-\xe2\x82\xac-\xf0\x9f\x94\x91";
  const std::vector<std::string> paths = SaveTargets({invalid, odd, valid});
  const std::string& invalid_path = paths[0];
  const std::string& odd_path = paths[1];
  const std::string& valid_path = paths[2];

  Result text = Run({"get", invalid_path}, kEmulator);
  EXPECT_EQ(text.out, invalid + "\n") << "text output keeps the bytes";

  Result got = Run({"--json", "get", invalid_path}, kEmulator);
  EXPECT_EQ(got.exit_code, 0) << got.err;
  EXPECT_EQ(Parse(got.out)["value"], "iqn.2026-01.x:\\xFF\\xFE\\x80");
  EXPECT_EQ(Parse(Run({"--json", "get", odd_path}, kEmulator).out)["value"],
            "iqn.2026-01.x:\\xC0\\xAF\\xED\\xA0\\x80\\xE2\\x82");
  EXPECT_EQ(Parse(Run({"--json", "get", valid_path}, kEmulator).out)["value"], valid);

  // The whole tree, values and all.
  Result tree = Run({"--json", "tree", "--values"}, kEmulator);
  ASSERT_EQ(tree.exit_code, 0) << tree.err;
  const nlohmann::json document = Parse(tree.out);
  std::vector<std::string> names;
  std::vector<const nlohmann::json*> pending = {&document};
  while (!pending.empty()) {
    const nlohmann::json& node = *pending.back();
    pending.pop_back();
    if (node.contains("value") && node["name"] == "TargetISCSIName") {
      names.push_back(node["value"]);
    }
    if (node.contains("children")) {
      for (const nlohmann::json& child : node["children"]) pending.push_back(&child);
    }
  }
  EXPECT_EQ(names.size(), 3u);
  EXPECT_NE(std::find(names.begin(), names.end(), "iqn.2026-01.x:\\xFF\\xFE\\x80"), names.end());
  EXPECT_NE(std::find(names.begin(), names.end(), valid), names.end());
}

TEST_F(JsonOutput, EveryFailurePrintsTheErrorDocument) {
  const std::vector<std::vector<std::string>> kFailures = {
      {"--json"},                          // no command
      {"--json", "frobnicate"},            // unknown command
      {"frobnicate", "--json"},            // --json after it
      {"--json", "tree", "--depth", "x"},  // bad option value
      {"tree", "X", "99999999999999999999", "--json"},
      {"--json", "get"},                         // missing argument
      {"--json", "get", "Nothing"},              // unknown path
      {"--json", "get", "ROOT"},                 // not a property
      {"--json", "set", "OXIMDebugLevel", "9"},  // refused by the library
      {"--json", "--adapter", "bogus", "info"},  // bad adapter
      {"--json", "--adapter", "emulator:/nonexistent/adapter.json", "info"},
      {"--json", "run", kHba + "/AddTarget", "TargetName=a", "IPAddress=192.0.2.10",
       "IPAddress=192.0.2.11"},
  };
  for (const std::vector<std::string>& args : kFailures) {
    Result result = Run(args, kEmulator);
    EXPECT_NE(result.exit_code, 0) << args.back();
    const nlohmann::json document = Parse(result.out);
    ASSERT_TRUE(document.is_object()) << args.back();
    ASSERT_TRUE(document.contains("error")) << result.out;
    EXPECT_FALSE(document["error"].get<std::string>().empty());
  }
  const nlohmann::json refused = Parse(Run({"--json", "set", "OXIMDebugLevel", "9"}).out);
  EXPECT_EQ(refused["status"], 1);
  EXPECT_EQ(refused["code"], 6);
  EXPECT_EQ(refused["message"], "Invalid value.");
  EXPECT_TRUE(refused["log"].is_array()) << "a failed library call says what it logged";
}

}  // namespace
}  // namespace oxim::testing
