// Real targets behind the emulated adapter; see real_target_fixture.h.
#include "e2e/real_target_fixture.h"

#include <fstream>
#include <nlohmann/json.hpp>
#include <thread>

#include "oxim/oxim.h"
#include "support/api_client.h"

namespace oxim::testing {

using Clock = std::chrono::steady_clock;

std::string Hba(const std::string& rest) { return std::string(kHba) + "/" + rest; }

std::string RealTargetConfig(const std::vector<RealPortalSpec>& portals) {
  std::ifstream example(std::string(OXIM_CONFIG_DIR) + "/real_target.json");
  nlohmann::json config = nlohmann::json::parse(example);
  nlohmann::json listed = nlohmann::json::array();
  for (const RealPortalSpec& portal : portals) {
    listed.push_back({{"address", portal.address},
                      {"port", 3260},
                      {"endpoint", {{"host", "127.0.0.1"}, {"port", portal.endpoint_port}}},
                      {"connect_timeout_ms", portal.connect_timeout.count()}});
  }
  config["real_portals"] = listed;
  // A simulated target beside them, for what a real one should not hold up.
  config["targets"] = nlohmann::json::array(
      {{{"name", kSimulatedTarget}, {"portals", {{{"address", kSimulatedPortal}}}}}});
  return config.dump(2);
}

std::vector<std::string> Sessions(const std::string& target) {
  std::vector<std::string> sessions;
  for (const std::string& group : Groups(target)) {
    if (group.rfind("Session", 0) == 0) sessions.push_back(group);
  }
  return sessions;
}

std::string AwaitSessionStatus(const std::string& target, const std::string& status) {
  const auto deadline = Clock::now() + std::chrono::seconds(10);
  std::string seen;
  while (Clock::now() < deadline) {
    EXPECT_EQ(OXIM_refresh_group(Tag(target)), 0u);
    if (!Sessions(target).empty()) seen = Value(target + "/Session0/SessionStatus");
    if (seen == status) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return seen;
}

void ApiWithRealTargets::StartOn(uint16_t port, std::chrono::milliseconds connect_timeout,
                                 const std::vector<RealPortalSpec>& more) {
  std::vector<RealPortalSpec> portals = {{kTgtdAddress, port, connect_timeout}};
  portals.insert(portals.end(), more.begin(), more.end());
  adapter_ = WriteConfig(RealTargetConfig(portals));
  Start(adapter_);
}

std::string ApiWithRealTargets::AddTarget(const std::string& name, const char* address) {
  EXPECT_EQ(Do(Hba("AddTarget"), {name, address}), 0u) << LastStatus().second;
  return Hba("Target" + std::to_string(targets_++));
}

uint32_t ApiWithRealTargets::ConfigureChap(const std::string& target,
                                           const std::vector<std::string>& params) {
  return Do(target + "/TargetLoginOptions/Authentication/ConfigureCHAP", params);
}

}  // namespace oxim::testing
