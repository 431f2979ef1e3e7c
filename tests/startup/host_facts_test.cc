// Host facts read through the platform seam, with a fake host behind it:
// hypervisor kind and version, and the interface check, which must never
// hand a client's text to a shell.
#include "startup/host_facts.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/device_backend.h"

namespace oxim {
namespace {

// A host with the files and tool outputs a test gives it; records every
// tool it is asked to run.
class FakeHost : public platform::DeviceBackend {
 public:
  std::map<std::string, std::string> files;
  std::map<std::string, std::string> tools;  // words joined by blanks -> output
  std::vector<std::vector<std::string>> ran;

  int Open(const std::string&) override { return -1; }
  platform::IoResult Ioctl(int, unsigned long, std::span<uint8_t>) override { return {-1, 9}; }
  int Close(int) override { return -1; }
  bool ReadHostFile(const std::string& path, std::string* content) override {
    auto found = files.find(path);
    if (found == files.end()) return false;
    *content = found->second;
    return true;
  }
  platform::ToolResult RunHostTool(const std::vector<std::string>& argv) override {
    ran.push_back(argv);
    std::string key;
    for (const std::string& word : argv) key += (key.empty() ? "" : " ") + word;
    auto found = tools.find(key);
    if (found == tools.end()) return {1, ""};
    return {0, found->second};
  }
};

class HostFactsTest : public ::testing::Test {
 protected:
  void SetUp() override { platform::SetBackendOverride(host_); }
  void TearDown() override { platform::SetBackendOverride(nullptr); }
  std::shared_ptr<FakeHost> host_ = std::make_shared<FakeHost>();
};

TEST_F(HostFactsTest, HostKindFromIssueAndBanner) {
  EXPECT_EQ(esx_version(), 3u);
  host_->files["/etc/issue.net"] = "Welcome\nVMware ESXi 5.5.0\n";
  EXPECT_EQ(esx_version(), 2u);
  host_->files["/etc/issue.net"] = "Debian GNU/Linux 12\n";
  EXPECT_EQ(esx_version(), 3u);
  host_->files["/etc/banner"] = "";
  EXPECT_EQ(esx_version(), 2u);
}

TEST_F(HostFactsTest, OsVersionFromTheFirstLineNamingOne) {
  uint32_t major = 99;
  uint32_t minor = 99;
  char name[kOsNameSize] = "";
  EXPECT_EQ(os_info(&major, &minor, name), 1u) << "no release file";
  host_->files["/etc/vmware-release"] = "VMware ESX 4.1.0\n";
  EXPECT_EQ(os_info(&major, &minor, name), 0u);
  EXPECT_STREQ(name, "VMWare ESX Server");
  EXPECT_EQ(major, 4u);
  EXPECT_EQ(minor, 1u);
  host_->files["/etc/banner"] = "welcome\nbuilt on 4.1 from 5.0 sources\n";
  EXPECT_EQ(os_info(&major, &minor, name), 0u);
  EXPECT_EQ(major, 5u) << "5.0 is tested before 4.1 within a line";
  EXPECT_EQ(minor, 0u);
  host_->files["/etc/banner"] = "no version here\n";
  major = minor = 7;
  EXPECT_EQ(os_info(&major, &minor, name), 0u);
  EXPECT_EQ(major, 7u) << "left untouched";
  EXPECT_EQ(os_info(nullptr, &minor, name), 1u);
}

TEST_F(HostFactsTest, InterfaceOfTheAdapterIsRecognisedByItsVendorId) {
  host_->tools["ethtool -i vmnic2"] = "driver: qf\nbus-info: 0000:03:00.1\n";
  host_->tools["lspci -s 0000:03:00.1 -x"] =
      "03:00.1 Ethernet controller\n00: 7f 1d 10 07 06 04 10 00 10 00 00 02 10 00 80 00\n";
  EXPECT_EQ(check_valid_interface("vmnic2"), 0u);
  host_->tools["lspci -s 0000:03:00.1 -x"] = "00: 86 80 10 07 06 04 10 00 10 00 00 02 10 00\n";
  EXPECT_EQ(check_valid_interface("vmnic2"), 1u) << "another vendor";
  EXPECT_EQ(check_valid_interface("vmnic9"), 1u) << "no bus address";
}

TEST_F(HostFactsTest, ClientTextNeverReachesATool) {
  for (const char* name :
       {"eth0; touch /tmp/x", "$(reboot)", "eth0 -x", "", "a/b", "averyveryverylongname"}) {
    EXPECT_EQ(check_valid_interface(name), 1u) << name;
  }
  EXPECT_EQ(check_valid_interface(nullptr), 1u);
  EXPECT_TRUE(host_->ran.empty());
  (void)check_valid_interface("eth0");
  ASSERT_EQ(host_->ran.size(), 1u);
  EXPECT_EQ(host_->ran[0], (std::vector<std::string>{"ethtool", "-i", "eth0"}))
      << "the name is one argument";
}

TEST(FlashNameTest, LastComponentOfAPath) {
  EXPECT_EQ(get_flash_name("/images/fw/QF3-1.2.ufi"), "QF3-1.2.ufi");
  EXPECT_EQ(get_flash_name("plain.ufi"), "plain.ufi");
  EXPECT_EQ(get_flash_name("/dir/"), "");
}

}  // namespace
}  // namespace oxim
