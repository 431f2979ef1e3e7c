// LUNs of a real target through the public C API: tgtd on loopback behind
// the emulated adapter's 192.0.2.20:3260, its file-backed LUN 1 pre-filled
// with a pattern. REPORT LUNS, INQUIRY, READ CAPACITY and WRITE reach tgtd
// through the adapter's pass-through; the tests compare with what tgtd says
// and with the backing file's bytes.
#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "e2e/real_target_fixture.h"
#include "oxim/oxim.h"
#include "support/api_client.h"
#include "support/tgtd_fixture.h"

namespace oxim::testing {
namespace {

constexpr int kOpenTid = 1;
constexpr size_t kBlock = 512;

std::vector<std::string> Luns(const std::string& target) {
  std::vector<std::string> luns;
  for (const std::string& group : Groups(target)) {
    if (group.rfind("LUN", 0) == 0) luns.push_back(group);
  }
  return luns;
}

std::vector<uint8_t> FileBytes(const std::string& path, size_t bytes) {
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> content(bytes, 0);
  in.read(reinterpret_cast<char*>(content.data()), static_cast<std::streamsize>(bytes));
  return content;
}

class RealLunTest : public SharedTgtdTest<ApiWithRealTargets> {
 protected:
  void SetUp() override {
    ApiWithRealTargets::SetUp();
    OXIM_REQUIRE_TGTD();
    StartOn(server_->port());
    target_ = AddTarget(TgtdServer::kOpenTarget);
    ASSERT_EQ(Do(target_ + "/Login"), 0u) << LastStatus().second;
  }
  void TearDown() override {
    if (!target_.empty()) (void)Do(target_ + "/Logout");
    ApiWithRealTargets::TearDown();
  }
  std::string target_;
};

TEST_F(RealLunTest, LoginShowsTgtdsControllerAndDisk) {
  ASSERT_EQ(Luns(target_), (std::vector<std::string>{"LUN0", "LUN1"}));
  const std::string controller = target_ + "/LUN0";
  const std::string disk = target_ + "/LUN1";
  EXPECT_EQ(Value(controller + "/LUNNumber"), "0000000000000000");
  EXPECT_EQ(Value(controller + "/LUNType"), "0xc");
  EXPECT_EQ(Value(disk + "/LUNNumber"), "0000000000000100");
  EXPECT_EQ(Value(disk + "/LUNType"), "0x0");
  EXPECT_EQ(Value(disk + "/BlockSize"), "512");
  EXPECT_EQ(Value(disk + "/LUNSize"), "16.00 MB");
  // Blank-padded, as tgtd sends them.
  EXPECT_EQ(Value(disk + "/DeviceVendorName"), "IET     ");
  EXPECT_EQ(Value(disk + "/DeviceModelNumber"), "VIRTUAL-DISK    ");
  // tgtd right-aligns the serial number in its page: shown with the blanks.
  for (int lun : {0, 1}) {
    const std::string serial = server_->LunSerial(kOpenTid, lun);
    ASSERT_FALSE(serial.empty());
    const std::string shown = Value(target_ + "/LUN" + std::to_string(lun) + "/LUNSerialNumber");
    ASSERT_GE(shown.size(), serial.size());
    EXPECT_EQ(shown, std::string(shown.size() - serial.size(), ' ') + serial);
  }
  // The controller has no capacity: tgtd answers READ CAPACITY with a check
  // condition, and the read fails rather than show a size.
  EXPECT_NE(Read(controller + "/BlockSize").first, 0u);
  EXPECT_NE(LastStatus().first, 0u);
  EXPECT_EQ(Do(disk + "/StdInquiry"), 0u) << LastStatus().second;
}

TEST_F(RealLunTest, ScsiWriteZeroesExactlyTheBlocksAsked) {
  const std::string disk = target_ + "/LUN1";
  const std::string path = server_->lun_path(kOpenTid);
  constexpr size_t kStart = 40;
  constexpr size_t kCount = 3;
  ASSERT_EQ(Do(disk + "/SCSIWrite", {std::to_string(kStart), std::to_string(kCount)}), 0u)
      << LastStatus().second;
  const std::vector<uint8_t> after = FileBytes(path, 64 * kBlock);
  for (size_t offset = 0; offset < after.size(); ++offset) {
    const bool written = offset >= kStart * kBlock && offset < (kStart + kCount) * kBlock;
    ASSERT_EQ(after[offset], written ? 0 : TgtdServer::PatternByte(offset)) << "byte " << offset;
  }
  // 128 blocks do not fit one data length: refused, the file unchanged.
  const std::vector<uint8_t> before = FileBytes(path, 1 << 20);
  EXPECT_EQ(Do(disk + "/SCSIWrite", {"100", "128"}), 7u);
  EXPECT_EQ(LastStatus(), Status(7, "Count: Value out of range. Valid range is from 1 to 127."));
  EXPECT_EQ(FileBytes(path, 1 << 20), before);
}

TEST_F(RealLunTest, ALunAddedAndRemovedWithTgtadmFollowsReScanLuns) {
  ASSERT_TRUE(server_->AddLun(kOpenTid, 2, 8 << 20));
  const uint32_t added = Do(target_ + "/ReScanLUNS");
  const std::vector<std::string> luns = Luns(target_);
  const std::string size = luns.size() == 3 ? Value(target_ + "/LUN2/LUNSize") : "";
  ASSERT_TRUE(server_->RemoveLun(kOpenTid, 2));
  EXPECT_EQ(added, 0u) << LastStatus().second;
  EXPECT_EQ(luns, (std::vector<std::string>{"LUN0", "LUN1", "LUN2"}));
  EXPECT_EQ(size, "8.00 MB");
  ASSERT_EQ(Do(target_ + "/ReScanLUNS"), 0u) << LastStatus().second;
  EXPECT_EQ(Luns(target_), (std::vector<std::string>{"LUN0", "LUN1"}));
}

// Property reads run outside the library lock: several at once share the
// session's connection, one command at a time.
TEST_F(RealLunTest, ReadsFromSeveralThreadsAtOnce) {
  const std::string disk = target_ + "/LUN1";
  std::atomic<int> wrong{0};
  std::vector<std::thread> readers;
  for (int t = 0; t < 4; ++t) {
    readers.emplace_back([&] {
      for (int i = 0; i < 10; ++i) {
        if (Read(disk + "/LUNSize") != std::make_pair(0u, std::string("16.00 MB")) ||
            Read(disk + "/DeviceVendorName") != std::make_pair(0u, std::string("IET     "))) {
          ++wrong;
        }
      }
    });
  }
  for (std::thread& reader : readers) reader.join();
  EXPECT_EQ(wrong.load(), 0);
}

TEST_F(RealLunTest, NoSessionNoLuns) {
  ASSERT_EQ(Do(target_ + "/Logout"), 0u) << LastStatus().second;
  EXPECT_TRUE(Luns(target_).empty());
  EXPECT_EQ(Do(target_ + "/ReScanLUNS"), 42u);
  EXPECT_EQ(LastStatus(), Status(42, "No session available to this target."));
  target_.clear();
}

// A target that went away answers no command: the read fails as the
// firmware does (status 90). Its own tgtd, since it stops it.
TEST_F(ApiWithRealTargets, LostConnectionFailsTheRead) {
  TgtdServer server;
  if (!server.skip_reason().empty()) GTEST_SKIP() << server.skip_reason();
  ASSERT_TRUE(server.running()) << server.error();
  StartOn(server.port());
  const std::string target = AddTarget(TgtdServer::kOpenTarget);
  ASSERT_EQ(Do(target + "/Login"), 0u) << LastStatus().second;
  ASSERT_EQ(Value(target + "/LUN1/BlockSize"), "512");
  server.Stop();
  EXPECT_NE(Read(target + "/LUN1/BlockSize").first, 0u);
  EXPECT_EQ(LastStatus().first, 90u);
  EXPECT_EQ(Do(target + "/ReScanLUNS"), 0u);  // the closed session is passed over
  EXPECT_TRUE(Luns(target).empty());
}

}  // namespace
}  // namespace oxim::testing
