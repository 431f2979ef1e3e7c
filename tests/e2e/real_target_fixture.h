// End-to-end tests with real iSCSI targets: the emulated adapter of the
// test's root shows 192.0.2.20:3260 (and any further portals a test asks
// for) and logs in to the tgtd or listener behind it on loopback.
//
//   class LoginTest : public SharedTgtdTest<ApiWithRealTargets> {};
//   TEST_F(LoginTest, ...) {
//     StartOn(server_->port());
//     const std::string target = AddTarget(TgtdServer::kOpenTarget);
//     ASSERT_EQ(Do(target + "/Login"), 0u);
//   }
#ifndef OXIM_TESTS_E2E_REAL_TARGET_FIXTURE_H_
#define OXIM_TESTS_E2E_REAL_TARGET_FIXTURE_H_

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "support/library_fixture.h"
#include "support/tgtd_suite.h"

namespace oxim::testing {

inline constexpr char kHba[] = "Quellfire0/iSCSIPhysicalHBA0/LogicalHBA0";
inline constexpr char kTgtdAddress[] = "192.0.2.20";
// A simulated target of the adapter, open to any initiator.
inline constexpr char kSimulatedTarget[] = "iqn.2026-01.net.oxim-lab:open";
inline constexpr char kSimulatedPortal[] = "192.0.2.10";

// A path below the first logical HBA.
std::string Hba(const std::string& rest);

// A portal the adapter shows for a real target on 127.0.0.1.
struct RealPortalSpec {
  std::string address;
  uint16_t endpoint_port = 0;
  std::chrono::milliseconds connect_timeout{3000};
};

// The built-in adapter (emulator/configs/real_target.json) with these real
// portals and the simulated target, as JSON.
std::string RealTargetConfig(const std::vector<RealPortalSpec>& portals);

// The Session groups of a target.
std::vector<std::string> Sessions(const std::string& target);

// Refreshes the target until its first session's status is `status`, within
// 10 seconds; the last status seen.
std::string AwaitSessionStatus(const std::string& target, const std::string& status);

class ApiWithRealTargets : public LibraryTest {
 protected:
  // Starts the library on an adapter whose 192.0.2.20:3260 leads to
  // 127.0.0.1:port, with any further portals.
  void StartOn(uint16_t port,
               std::chrono::milliseconds connect_timeout = std::chrono::milliseconds(3000),
               const std::vector<RealPortalSpec>& more = {});
  // The OXIM_ADAPTER value of the adapter StartOn chose.
  const std::string& adapter() const { return adapter_; }
  // Adds a target on the portal; its path (the first target is Target0).
  std::string AddTarget(const std::string& name, const char* address = kTgtdAddress);
  uint32_t ConfigureChap(const std::string& target, const std::vector<std::string>& params);

 private:
  std::string adapter_;
  int targets_ = 0;
};

}  // namespace oxim::testing

#endif  // OXIM_TESTS_E2E_REAL_TARGET_FIXTURE_H_
