// The library's log lines after a failed call.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "tools/oximctl_fixture.h"

namespace oxim::testing {
namespace {

// A login to a target the storage network does not have: the firmware
// refuses it, and the library logs the refusal at error level.
class FailedCallLog : public OximctlTest {
 protected:
  void SetUp() override {
    Result added = Run(
        {"run", kHba + "/AddTarget", "TargetName=iqn.2026-01.test:absent", "IPAddress=192.0.2.10"},
        kEmulator);
    ASSERT_EQ(added.exit_code, 0) << added.err;
  }
  const std::string kHba = "Quellfire0/iSCSIPhysicalHBA0/LogicalHBA0";
  const std::string kLogin = kHba + "/Target0/Login";
  const std::string kFailure =
      "oximctl: ROOT/" + kLogin +
      " failed: status 237 (last status 237: Login command failed. Please check oxim2d.log file "
      "for more information.)\n";
};

TEST_F(FailedCallLog, ErrorLinesTheCallLoggedFollowTheFailure) {
  ASSERT_EQ(Run({"set", "OXIMDebugLevel", "4"}).exit_code, 0);
  // Earlier lines, and lines of other processes, are not the call's.
  std::ofstream(root_.file("/tmp/oxim2d.log"), std::ios::app)
      << "Thu Jan  1 00:00:00 2026,1,   ERROR:an older failure\n";
  Result text = Run({"run", kLogin}, kEmulator);
  EXPECT_EQ(text.exit_code, 1);
  ASSERT_EQ(text.err.rfind(kFailure, 0), 0u) << text.err;
  std::vector<std::string> lines;
  std::istringstream rest(text.err.substr(kFailure.size()));
  for (std::string line; std::getline(rest, line);) lines.push_back(line);
  ASSERT_FALSE(lines.empty());
  EXPECT_LE(lines.size(), 6u) << "at most a handful, and a count of the rest";
  for (const std::string& line : lines) {
    EXPECT_EQ(line.rfind("oximctl: log: ERROR:", 0), 0u) << line;
    EXPECT_EQ(line.find("older failure"), std::string::npos);
  }
  EXPECT_NE(text.err.find("failed with status 0x1"), std::string::npos) << text.err;

  Result json = Run({"--json", "run", kLogin}, kEmulator);
  const nlohmann::json document = nlohmann::json::parse(json.out);
  EXPECT_EQ(document["status"], 237);
  EXPECT_EQ(document["message"],
            "Login command failed. Please check oxim2d.log file for more information.");
  ASSERT_EQ(document["log"].size(), lines.size());
  EXPECT_EQ("oximctl: log: " + document["log"][0].get<std::string>(), lines[0]);
}

TEST_F(FailedCallLog, WithTheLogOffTheUserIsToldHowToTurnItOn) {
  Result text = Run({"run", kLogin}, kEmulator);
  EXPECT_EQ(text.exit_code, 1);
  EXPECT_EQ(text.err, kFailure +
                          "oximctl: the library logs the causes of failures at log level 3 or "
                          "more; it is 0 (oximctl set OXIMDebugLevel 3)\n");
  EXPECT_EQ(nlohmann::json::parse(Run({"--json", "run", kLogin}, kEmulator).out)["log"],
            nlohmann::json::array());
}

}  // namespace
}  // namespace oxim::testing
