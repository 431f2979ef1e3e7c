// The emulated adapter's iSNS client against a real isnsd on port 3205: the
// initiator registers and sees the registered targets with their portal
// groups, and is gone after its deregistration; a server nobody runs is an
// error, not a hang. Skipped with the reason when isnsd cannot run.
#include "real_isns.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/isnsd_fixture.h"

namespace oxim::emulator {
namespace {

using oxim::testing::IsnsdServer;

constexpr char kInitiator[] = "iqn.2026-01.net.oxim-test:isns-client";

class RealIsnsClient : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { isnsd_ = new IsnsdServer(); }
  static void TearDownTestSuite() {
    delete isnsd_;
    isnsd_ = nullptr;
  }
  void SetUp() override {
    if (!isnsd_->skip_reason().empty()) GTEST_SKIP() << isnsd_->skip_reason();
    ASSERT_TRUE(isnsd_->running()) << isnsd_->error();
  }
  static inline IsnsdServer* isnsd_ = nullptr;
};

TEST_F(RealIsnsClient, RegistersQueriesAndDeregisters) {
  ASSERT_TRUE(
      isnsd_->RegisterTargets("oxim-client-lab", "127.0.0.1:3260",
                              {"iqn.2026-01.net.oxim-test:a", "iqn.2026-01.net.oxim-test:b"}));
  std::vector<RealIsnsTarget> targets;
  std::string error;
  ASSERT_TRUE(RegisterAndQuery({"127.0.0.1", IsnsdServer::kPort}, kInitiator, &targets, &error))
      << error;
  std::vector<std::string> names;
  for (const RealIsnsTarget& target : targets) {
    names.push_back(target.name);
    if (target.name == "iqn.2026-01.net.oxim-test:a") {
      ASSERT_EQ(target.portals.size(), 1u);
      EXPECT_EQ(target.portals[0].address, "127.0.0.1");
      EXPECT_EQ(target.portals[0].port, 3260);
      EXPECT_NE(target.portals[0].tag, 0u);
    }
  }
  EXPECT_NE(std::find(names.begin(), names.end(), "iqn.2026-01.net.oxim-test:b"), names.end());
  std::vector<std::string> initiators = isnsd_->Initiators();
  EXPECT_NE(std::find(initiators.begin(), initiators.end(), kInitiator), initiators.end());

  ASSERT_TRUE(Deregister({"127.0.0.1", IsnsdServer::kPort}, kInitiator, &error)) << error;
  initiators = isnsd_->Initiators();
  EXPECT_EQ(std::find(initiators.begin(), initiators.end(), kInitiator), initiators.end());
}

TEST_F(RealIsnsClient, AServerThatIsNotThereIsAnError) {
  std::vector<RealIsnsTarget> targets;
  std::string error;
  EXPECT_FALSE(RegisterAndQuery({"127.0.0.1", 1}, kInitiator, &targets, &error));
  EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace oxim::emulator
