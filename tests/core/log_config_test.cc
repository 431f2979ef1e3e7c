// Log entries, levels and the configuration file that keeps the level.
#include <gtest/gtest.h>
#include <unistd.h>

#include <regex>
#include <string>

#include "core/config.h"
#include "core/log.h"
#include "oxim/oxim.h"
#include "support/temp_root.h"

namespace oxim {
namespace {

constexpr char kConfig[] = "/scratch/Vallorn/liboxim.conf";
constexpr char kLog[] = "/tmp/oxim2d.log";
const std::string kConfigHeader =
    "#OXIMLogLevel: Control the number of messages logged to the oxim2d.log file.\n"
    "#Possible values are 0 - Disabled, 1 - FATAL, 2 - CRITICAL, 3 - ERROR, 4 - WARNING, "
    "5 - INFORMATION, 6 - DEBUG.\n";

class LogConfigTest : public testing::TempRootTest {
 protected:
  void SetUp() override { set_log_level(kLogOff); }
  void TearDown() override {
    close_log_file();
    set_log_level(kLogOff);
  }
};

TEST_F(LogConfigTest, MissingConfigurationIsCreatedWithCurrentLevel) {
  set_log_level(2);
  EXPECT_EQ(OXIM_update_loglevel(), 0u);
  EXPECT_EQ(root_.read(kConfig), kConfigHeader + "OXIMLogLevel 2");
}

TEST_F(LogConfigTest, LevelIsReadFromConfiguration) {
  root_.write(kConfig, kConfigHeader + "OXIMLogLevel 4");
  EXPECT_EQ(OXIM_get_debug_level(), 0u);
  EXPECT_EQ(log_level(), 4);
}

TEST_F(LogConfigTest, LevelOutsideRangeIsRewrittenAndIgnored) {
  set_log_level(5);
  root_.write(kConfig, kConfigHeader + "OXIMLogLevel 9");
  EXPECT_EQ(OXIM_get_debug_level(), 0u);
  EXPECT_EQ(log_level(), 5);
  EXPECT_EQ(root_.read(kConfig), kConfigHeader + "OXIMLogLevel 5");
}

TEST_F(LogConfigTest, LevelLineWithoutValueKeepsLevel) {
  set_log_level(3);
  root_.write(kConfig, "OXIMLogLevel \n");
  EXPECT_EQ(OXIM_get_debug_level(), 0u);
  EXPECT_EQ(log_level(), 3);
}

TEST_F(LogConfigTest, MissingConfigurationReadFails) { EXPECT_EQ(OXIM_get_debug_level(), 1u); }

TEST_F(LogConfigTest, EntriesAreFilteredByLevelAndFormatted) {
  open_log_file();
  set_log_level(kLogInfo);
  pdebug(kModuleTree, kLogDebug, "hidden %d\n", 6);
  pdebug(kModuleTree, kLogInfo, "shown %d\n", 5);
  pdebug(kModuleAdapter, kLogError, "OXIM_init:Failed to acquire lock.\n");
  pdebug(4, kLogFatal, "module outside the mask\n");
  const std::string log = root_.read(kLog);
  EXPECT_EQ(log.find("hidden"), std::string::npos);
  EXPECT_EQ(log.find("outside"), std::string::npos);
  const std::string pid = std::to_string(getpid());
  const std::regex entry("[A-Z][a-z]{2} [A-Z][a-z]{2} [ 0-9]\\d \\d\\d:\\d\\d:\\d\\d \\d{4}," +
                         pid + ",   INFO:shown 5\n");
  EXPECT_TRUE(std::regex_search(log, entry)) << log;
  EXPECT_NE(log.find("," + pid + ",   ERROR:OXIM_init:Failed to acquire lock.\n"),
            std::string::npos)
      << log;
}

TEST_F(LogConfigTest, DebugLevelPropertyRoundTripsThroughTheFile) {
  char buffer[OXIM_VALUE_SIZE] = "6";
  ASSERT_EQ(handle_OXIMDebugLevel(nullptr, buffer, kOpWrite), 1u) << "no property, no change";
  EXPECT_EQ(log_level(), kLogOff);
}

TEST_F(LogConfigTest, LogDirectoryIsCreatedTraversable) {
  EXPECT_EQ(OXIM_config_log_dir_permissions(), 0u);
  EXPECT_EQ(access(root_.file("/var/opt/vallorn/oxim/logs/").c_str(), R_OK | X_OK), 0);
}

}  // namespace
}  // namespace oxim
