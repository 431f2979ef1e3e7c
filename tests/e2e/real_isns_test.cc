// iSNS discovery against a real isnsd on port 3205, with tgtd's targets
// registered there: the adapter's iSNS server 192.0.2.30:3205 stands for the
// isnsd; enabling iSNS discovery and refreshing registers the initiator and
// brings the registered targets in as Discovered ones, at the portal the
// adapter shows for tgtd (192.0.2.20:3260), where they log in; turning iSNS
// discovery off deregisters the initiator. Skipped with the reason when
// isnsd or tgtd cannot run (port 3205 taken, say).
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "e2e/real_target_fixture.h"
#include "oxim/oxim.h"
#include "support/api_client.h"
#include "support/isnsd_fixture.h"
#include "support/tgtd_fixture.h"

namespace oxim::testing {
namespace {

constexpr char kIsns[] = "Quellfire0/iSCSIPhysicalHBA0/iSNS";
constexpr char kIsnsAddress[] = "192.0.2.30";  // a host of the default network
constexpr char kIsnsOnly[] = "iqn.2026-01.net.oxim-test:isns-only";

std::string Isns(const std::string& rest) { return std::string(kIsns) + "/" + rest; }

class RealIsnsTest : public SharedTgtdTest<ApiWithRealTargets> {
 protected:
  static void SetUpTestSuite() {
    SharedTgtdTest<ApiWithRealTargets>::SetUpTestSuite();
    isnsd_ = new IsnsdServer();
  }
  static void TearDownTestSuite() {
    delete isnsd_;
    isnsd_ = nullptr;
    SharedTgtdTest<ApiWithRealTargets>::TearDownTestSuite();
  }
  void SetUp() override {
    ApiWithRealTargets::SetUp();
    OXIM_REQUIRE_TGTD();
    if (!isnsd_->skip_reason().empty()) GTEST_SKIP() << isnsd_->skip_reason();
    ASSERT_TRUE(isnsd_->running()) << isnsd_->error();
  }
  // The adapter with tgtd behind 192.0.2.20:3260 and isnsd behind
  // 192.0.2.30:3205.
  void StartWithIsnsd() {
    nlohmann::json config =
        nlohmann::json::parse(RealTargetConfig({{kTgtdAddress, server_->port()}}));
    config["isns_servers"] = {
        {{"address", kIsnsAddress}, {"endpoint", {{"host", "127.0.0.1"}, {"port", 3205}}}}};
    Start(WriteConfig(config.dump()));
  }
  std::string TargetNamed(const std::string& name) {
    for (const std::string& group : Groups(kHba)) {
      if (group.rfind("Target", 0) == 0 && Value(Hba(group + "/TargetISCSIName")) == name) {
        return Hba(group);
      }
    }
    return "";
  }
  static inline IsnsdServer* isnsd_ = nullptr;
};

TEST_F(RealIsnsTest, RegisteredTargetsAppearAndTheInitiatorComesAndGoes) {
  const std::string portal = "127.0.0.1:" + std::to_string(server_->port());
  ASSERT_TRUE(
      isnsd_->RegisterTargets("oxim-test-lab", portal, {TgtdServer::kOpenTarget, kIsnsOnly}));
  StartWithIsnsd();
  // The initiator name the logical HBA's discovery parameters carry: the
  // function's own, as the firmware keeps it.
  const std::string initiator = Value(Hba("InitiatoriSCSIName/InitiatoriSCSIName"));
  ASSERT_FALSE(initiator.empty());
  ASSERT_EQ(Do(Isns("ConfigureiSNSServer"), {kIsnsAddress}), 0u) << LastStatus().second;
  ASSERT_EQ(SetValue(Isns("iSNSEnabled"), "Yes"), 0u) << LastStatus().second;
  ASSERT_EQ(Do(Hba("Discovery/RefreshAvailableTargets")), 0u) << LastStatus().second;

  for (const char* name : {TgtdServer::kOpenTarget, kIsnsOnly}) {
    const std::string target = TargetNamed(name);
    ASSERT_FALSE(target.empty()) << name;
    EXPECT_EQ(Value(target + "/TargetType"), "Discovered");
    EXPECT_EQ(Value(target + "/TargetPortal0/TargetIPAddress"), kTgtdAddress);
    EXPECT_EQ(Value(target + "/TargetPortal0/TargetPortNumber"), "3260");
  }
  std::vector<std::string> initiators = isnsd_->Initiators();
  EXPECT_NE(std::find(initiators.begin(), initiators.end(), initiator), initiators.end())
      << "registered: " << initiators.size();

  const std::string open = TargetNamed(TgtdServer::kOpenTarget);
  ASSERT_EQ(Do(open + "/Login"), 0u) << LastStatus().second;
  EXPECT_EQ(Do(open + "/Logout"), 0u) << LastStatus().second;

  ASSERT_EQ(SetValue(Isns("iSNSEnabled"), "No"), 0u) << LastStatus().second;
  initiators = isnsd_->Initiators();
  EXPECT_EQ(std::find(initiators.begin(), initiators.end(), initiator), initiators.end());
}

}  // namespace
}  // namespace oxim::testing
