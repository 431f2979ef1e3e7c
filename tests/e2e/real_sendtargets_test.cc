// SendTargets discovery against tgtd on loopback, behind the portal
// 192.0.2.20:3260 that the emulated adapter shows: the answer's addresses
// (tgtd names its own 127.0.0.1 endpoint) come back as the adapter's
// portal, a named discovery keeps only that target, a discovered target
// logs in, the portal's CHAP is offered and insisted on, and a mapped portal
// where nothing listens refuses the discovery.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e/real_target_fixture.h"
#include "oxim/oxim.h"
#include "support/api_client.h"
#include "support/tgtd_fixture.h"

namespace oxim::testing {
namespace {

class RealSendTargetsTest : public SharedTgtdTest<ApiWithRealTargets> {
 protected:
  void SetUp() override {
    ApiWithRealTargets::SetUp();
    OXIM_REQUIRE_TGTD();
  }
  std::string TargetNamed(const std::string& name) {
    for (const std::string& group : Groups(kHba)) {
      if (group.rfind("Target", 0) == 0 && Value(Hba(group + "/TargetISCSIName")) == name) {
        return Hba(group);
      }
    }
    return "";
  }
  size_t TargetCount() {
    size_t count = 0;
    for (const std::string& group : Groups(kHba)) count += group.rfind("Target", 0) == 0;
    return count;
  }
};

TEST_F(RealSendTargetsTest, TgtdsTargetsAreDiscoveredAtTheAdaptersPortal) {
  StartOn(server_->port());
  ASSERT_EQ(Do(Hba("Discovery/AddSendTargetPortal"), {kTgtdAddress, "3260"}), 0u)
      << LastStatus().second;
  ASSERT_EQ(Do(Hba("Discovery/SendTargetPortal0/DiscoverTargets")), 0u) << LastStatus().second;
  for (const char* name :
       {TgtdServer::kOpenTarget, TgtdServer::kOneWayTarget, TgtdServer::kMutualTarget}) {
    const std::string target = TargetNamed(name);
    ASSERT_FALSE(target.empty()) << name;
    EXPECT_EQ(Value(target + "/TargetType"), "Discovered");
    EXPECT_EQ(Value(target + "/TargetPortal0/TargetIPAddress"), kTgtdAddress);
    EXPECT_EQ(Value(target + "/TargetPortal0/TargetPortNumber"), "3260");
    EXPECT_EQ(Value(target + "/TargetPortal0/PortalGroupTag"), "1");
  }
  const std::string open = TargetNamed(TgtdServer::kOpenTarget);
  ASSERT_EQ(Do(open + "/Login"), 0u) << LastStatus().second;
  EXPECT_EQ(Value(open + "/Session0/SessionStatus"), "Open");
  EXPECT_EQ(Do(open + "/Logout"), 0u) << LastStatus().second;
}

TEST_F(RealSendTargetsTest, ANamedDiscoveryKeepsOnlyThatTarget) {
  StartOn(server_->port());
  ASSERT_EQ(Do(Hba("Discovery/AddSendTargetPortal"), {kTgtdAddress, "3260"}), 0u);
  ASSERT_EQ(Do(Hba("Discovery/SendTargetPortal0/DiscoverTargets"), {TgtdServer::kOneWayTarget}), 0u)
      << LastStatus().second;
  EXPECT_EQ(TargetCount(), 1u);
  EXPECT_FALSE(TargetNamed(TgtdServer::kOneWayTarget).empty());
}

// tgtd asks no CHAP of discovery sessions; the adapter insists on the CHAP
// that the portal's options require, as for a login.
TEST_F(RealSendTargetsTest, ThePortalsRequiredChapIsOfferedAndInsistedOn) {
  StartOn(server_->port());
  ASSERT_EQ(Do(Hba("Discovery/AddSendTargetPortal"), {kTgtdAddress, "3260"}), 0u);
  ASSERT_EQ(
      Do(Hba("Discovery/SendTargetPortal0/SendTargetPortalLoginOptions/Authentication/"
             "ConfigureCHAP"),
         {"One-Way CHAP", "", "", TgtdServer::kChapUser, TgtdServer::kChapSecret, "Required"}),
      0u)
      << LastStatus().second;
  EXPECT_EQ(Do(Hba("Discovery/SendTargetPortal0/DiscoverTargets")), 25u);
  EXPECT_EQ(LastStatus().first, 25u);
  EXPECT_EQ(TargetCount(), 0u);
  // Preferred falls back to no CHAP.
  ASSERT_EQ(
      Do(Hba("Discovery/SendTargetPortal0/SendTargetPortalLoginOptions/Authentication/"
             "ConfigureCHAP"),
         {"One-Way CHAP", "", "", TgtdServer::kChapUser, TgtdServer::kChapSecret, "Preferred"}),
      0u);
  EXPECT_EQ(Do(Hba("Discovery/SendTargetPortal0/DiscoverTargets")), 0u) << LastStatus().second;
  EXPECT_EQ(TargetCount(), 3u);
}

TEST_F(RealSendTargetsTest, AMappedPortalWhereNothingListensRefusesTheConnection) {
  // A port of loopback with nobody behind it.
  StartOn(server_->port(), std::chrono::milliseconds(3000), {{"192.0.2.21", 1}});
  ASSERT_EQ(Do(Hba("Discovery/AddSendTargetPortal"), {"192.0.2.21", "3260"}), 0u);
  EXPECT_NE(Do(Hba("Discovery/SendTargetPortal0/DiscoverTargets")), 0u);
  EXPECT_EQ(LastStatus().first, 23u) << LastStatus().second;
  EXPECT_EQ(TargetCount(), 0u);
}

}  // namespace
}  // namespace oxim::testing
