// The emulated adapter's SendTargets discovery through the library's command
// wrappers: discovery sessions to simulated SendTarget portals, the answer
// and a named request, portals that cannot be reached or refuse the
// connection, an answer too long for one buffer and its follow-up, and the
// logout of a discovery session; and the iSNS servers of the configuration.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "config_json.h"
#include "core/last_status.h"
#include "emulator.h"
#include "records/iscsi_login.h"
#include "records/iscsi_sessions.h"
#include "records/login_options_record.h"
#include "records/sendtargets.h"
#include "storage_network.h"
#include "transport/commands.h"
#include "transport/emulated_fixture.h"

namespace oxim::emulator {
namespace {

constexpr char kInitiator[] = "iqn.1998-01.com.example:host7";
constexpr char kManyAddress[] = "192.0.2.50";

uint32_t LastCode() {
  uint32_t code = 0;
  oxim_get_last_status(&code, nullptr);
  return code;
}

class DiscoveryFirmwareTest : public testing::EmulatedTest {
 protected:
  // Opens a discovery session; its handle, or 0 with *status set.
  uint32_t Open(const char* address, uint16_t port, uint32_t* status) {
    records::LoginRequest request;
    request.target_name = records::kDiscoveryTargetName;
    request.portal = records::PortalFromText(address, port);
    request.flags = records::kLoginFlagsLogin | records::kLoginFlagsDiscovery;
    request.initiator_name = kInitiator;
    records::EncodeLoginOptions(request.options, records::DefaultLoginOptions());
    std::array<uint8_t, records::kLoginRequestSize> buffer{};
    records::EncodeLoginRequest(buffer, request);
    *status = ioctl_login_target({.index = 1}, buffer);
    if (*status != 0) return 0;
    records::LoginResponse response = records::DecodeLoginResponse(buffer).value();
    EXPECT_EQ(response.state & records::kSessionOpen, records::kSessionOpen);
    return response.session_handle;
  }
  uint32_t Open(const char* address, uint16_t port = kIscsiPort) {
    uint32_t status = 0;
    const uint32_t handle = Open(address, port, &status);
    EXPECT_EQ(status, 0u);
    return handle;
  }
  uint32_t Ask(uint32_t handle, const std::string& key, records::SendTargetsAnswer* answer) {
    std::vector<uint8_t> buffer(records::kSendTargetsBufferSize, 0);
    records::EncodeSendTargetsRequest(buffer, {.session_handle = handle, .key = key});
    const uint32_t status =
        ioctl_sendtargets({.index = 1}, buffer, static_cast<uint32_t>(buffer.size()));
    *answer = records::DecodeSendTargetsAnswer(buffer).value();
    return status;
  }
  uint32_t Logout(uint32_t handle) {
    uint8_t request[records::kSessionHandleRequestSize];
    records::EncodeSessionHandleRequest(request, handle);
    return ioctl_logout_target({.index = 1}, request);
  }
};

TEST_F(DiscoveryFirmwareTest, APortalAnswersItsTargetsWithEveryPortalAndTag) {
  const uint32_t handle = Open(kOpenTargetAddress);
  records::SendTargetsAnswer answer;
  ASSERT_EQ(Ask(handle, records::kSendTargetsAll, &answer), 0u);
  ASSERT_EQ(answer.targets.size(), 1u);
  EXPECT_EQ(answer.targets[0].name, kOpenTargetName);
  ASSERT_EQ(answer.targets[0].portals.size(), 2u);
  EXPECT_EQ(answer.targets[0].portals[1].port, kOpenTargetSecondPort);
  EXPECT_EQ(answer.targets[0].portals[1].tag, 2u);

  // A named request answers that target only, whatever the case of its name.
  ASSERT_EQ(Ask(handle, "SendTargets=IQN.2026-01.net.oxim-lab:OPEN", &answer), 0u);
  EXPECT_EQ(answer.targets.size(), 1u);
  ASSERT_EQ(Ask(handle, "SendTargets=iqn.2026-01.net.oxim-lab:none", &answer), 0u);
  EXPECT_TRUE(answer.targets.empty());

  // Once logged out, the handle is gone.
  EXPECT_EQ(Logout(handle), 0u);
  EXPECT_NE(Ask(handle, records::kSendTargetsAll, &answer), 0u);
  EXPECT_NE(Logout(handle), 0u);
}

TEST_F(DiscoveryFirmwareTest, PortalsThatCannotBeReachedOrRefuseAreRefused) {
  uint32_t status = 0;
  // A host answers at the address, but nothing listens at that port.
  EXPECT_EQ(Open(kOpenTargetAddress, 3999, &status), 0u);
  EXPECT_NE(status, 0u);
  EXPECT_EQ(LastCode(), 23u);
  // Nobody at the address.
  EXPECT_EQ(Open("192.0.2.99", kIscsiPort, &status), 0u);
  EXPECT_NE(status, 0u);
}

TEST_F(DiscoveryFirmwareTest, ALongAnswerIsCutAndTheRestComesWithTheFollowUp) {
  AdapterConfig config = DefaultConfig();
  for (int i = 0; i < 256; ++i) {
    SimulatedTarget target;
    target.name = "iqn.2026-01.net.oxim-lab:many." + std::to_string(i);
    target.portals = {{kManyAddress, kIscsiPort, 1}};
    config.targets.push_back(target);
  }
  TearDown();
  Start(config);
  const uint32_t handle = Open(kManyAddress);
  records::SendTargetsAnswer answer;
  EXPECT_EQ(Ask(handle, records::kSendTargetsAll, &answer), 31u);  // firmware status 4
  const size_t fit = (records::kSendTargetsBufferSize - 4) / records::SendTargetsRecordSize(1);
  ASSERT_EQ(answer.targets.size(), fit);
  EXPECT_EQ(answer.targets.back().name, "iqn.2026-01.net.oxim-lab:many." + std::to_string(fit - 1));

  std::vector<uint8_t> buffer(records::kSendTargetsBufferSize, 0);
  records::EncodeSendTargetsFollowUp(
      buffer, {.received = static_cast<uint16_t>(fit), .wanted = static_cast<uint16_t>(256 - fit)});
  ASSERT_EQ(ioctl_sendtargets_info({.index = 1}, buffer, static_cast<uint32_t>(buffer.size())), 0u);
  std::optional<records::SendTargetsAnswer> rest = records::DecodeSendTargetsAnswer(buffer);
  ASSERT_TRUE(rest);
  ASSERT_EQ(rest->targets.size(), 256 - fit);
  EXPECT_EQ(rest->targets.front().name, "iqn.2026-01.net.oxim-lab:many." + std::to_string(fit));
  EXPECT_EQ(Logout(handle), 0u);
}

TEST(DiscoveryConfig, IsnsServersNameTargetsOfTheNetwork) {
  const std::string head =
      R"({"controllers": [{"chip": 3, "serial_number": "VN3Q00000001", "functions": [
              {"kind": "iscsi", "port": 0, "pci": {"bus": 3, "device": 0, "function": 2}}]}],
          "targets": [{"name": "iqn.2026-01.test:a", "portals": [{"address": "192.0.2.61"}]}],
          "isns_servers": )";
  std::string error;
  std::optional<AdapterConfig> config = ParseAdapterConfig(
      head + R"([{"address": "192.0.2.30", "targets": ["IQN.2026-01.test:A"]}]})", &error);
  ASSERT_TRUE(config) << error;
  ASSERT_EQ(config->isns_servers.size(), 1u);
  EXPECT_EQ(config->isns_servers[0].port, 3205);
  EXPECT_FALSE(ParseAdapterConfig(
      head + R"([{"address": "192.0.2.30", "targets": ["iqn.2026-01.test:b"]}]})", &error));
  EXPECT_NE(error.find("isns_servers[0].targets[0]"), std::string::npos) << error;
  EXPECT_FALSE(ParseAdapterConfig(head + R"([{"address": "not-an-address"}]})", &error));
}

}  // namespace
}  // namespace oxim::emulator
