// SendTargets discovery; see sendtargets.h.
#include "areas/discovery/sendtargets.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <optional>
#include <vector>

#include "areas/discovery/discovery_status.h"
#include "areas/iscsi/iscsi_status.h"
#include "areas/iscsi/iscsi_tree.h"
#include "areas/iscsi/login.h"
#include "areas/iscsi/luns.h"
#include "areas/iscsi/sessions.h"
#include "areas/iscsi/target_restore.h"
#include "areas/iscsi/targets.h"
#include "core/address.h"
#include "core/last_status.h"
#include "core/log.h"
#include "core/node_store.h"
#include "core/strings.h"
#include "core/tree_services.h"
#include "kit/function_tree.h"
#include "records/fw_config.h"
#include "records/iscsi_login.h"
#include "records/iscsi_sessions.h"
#include "schema/handler_registry.h"
#include "transport/commands.h"

namespace oxim::discovery {
namespace {

constexpr size_t kMaxTargetsQf2Qf3 = 128;
// The SendTargets result of an answer with more targets than it holds.
constexpr uint32_t kMoreTargets = 31;

Node* logical_hba_of(Node* node) { return enclosing_group(node, "LogicalHBA"); }

bool enabled(Node* logical_hba) {
  return !equal_ignoring_case(prop_or_empty(logical_hba, "Enabled"), "False");
}

// Whether a name from an answer can name a target: the tree and the saved
// files take only valid iSCSI names (no commas or line ends).
bool acceptable_name(const std::string& name) {
  KeepLastStatus keep;
  return validateISCSIName(name.c_str(), nullptr) == 0;
}

uint32_t logout_discovery_session(const FunctionAddress& function, uint32_t handle) {
  uint8_t request[records::kSessionHandleRequestSize] = {};
  records::EncodeSessionHandleRequest(request, handle);
  return ioctl_logout_target(function, request);
}

// The largest number of targets a Tindra's discovery brings in: the sum of
// the firmware configuration's target-count limits; nullopt when it cannot
// be read.
std::optional<size_t> tindra_target_limit(const FunctionAddress& function) {
  std::array<uint8_t, records::kFwConfigSize> record{};
  if (ioctl_get_fw_config(function, record, DriverKind::kIscsi) != 0) return std::nullopt;
  std::optional<records::FwConfig> config = records::DecodeFwConfig(record);
  if (!config) return std::nullopt;
  return size_t{config->target_limits[0]} + config->target_limits[1];
}

// One answer in buffer (of a request that gave result) made into groups;
// *received counts its targets.
uint32_t take_answer(Node* portal, uint32_t result, std::span<const uint8_t> buffer,
                     size_t* received) {
  if (result != 0 && result != kMoreTargets) return report(kDiscoveryFailed);
  std::optional<records::SendTargetsAnswer> answer = records::DecodeSendTargetsAnswer(buffer);
  if (!answer) return report(kDiscoveryFailed);
  if (!answer->complete) {
    pdebug(kModuleAdapter, kLogError, "%s: the answer counts %u targets but holds %zu\n", __func__,
           answer->count, answer->targets.size());
  }
  *received = answer->targets.size();
  return BuildTargetInfoList(answer->targets, logical_hba_of(portal));
}

// The SendTargets exchange on an open discovery session, up to the groups:
// on a Tindra, an answer with more targets than fit is followed by the
// request for the rest, up to the controller's limit.
uint32_t ask_targets(Node* portal, const FunctionAddress& function, uint32_t handle,
                     const std::string& key, std::optional<size_t> limit) {
  std::vector<uint8_t> buffer;
  try {
    buffer.assign(records::kSendTargetsBufferSize, 0);
  } catch (const std::bad_alloc&) {
    return report(kNoMemory);
  }
  records::EncodeSendTargetsRequest(buffer, {.session_handle = handle, .key = key});
  const uint32_t first = ioctl_sendtargets(function, buffer, static_cast<uint32_t>(buffer.size()));
  size_t received = 0;
  if (uint32_t status = take_answer(portal, first, buffer, &received); status != 0) return status;
  if (first != kMoreTargets || !limit || *limit <= received) return 0;
  std::fill(buffer.begin(), buffer.end(), uint8_t{0});
  records::EncodeSendTargetsFollowUp(
      buffer, {.received = static_cast<uint16_t>(std::min<size_t>(received, 0xFFFF)),
               .wanted = static_cast<uint16_t>(std::min<size_t>(*limit - received, 0xFFFF))});
  const uint32_t rest =
      ioctl_sendtargets_info(function, buffer, static_cast<uint32_t>(buffer.size()));
  size_t more = 0;
  return take_answer(portal, rest, buffer, &more);
}

uint32_t do_DiscoverTargets(Node* portal, Node*, char* params) {
  Node* logical_hba = logical_hba_of(portal);
  if (logical_hba == nullptr) return 1;
  if (!enabled(logical_hba)) return report(iscsi::kIscsiNotEnabled);
  const uint32_t status = discover_targets(portal, param_text(params, 0));
  if (status == 0) clear_params(params);
  return status;
}

uint32_t do_RefreshAvailableTargets(Node* discovery, Node*, char* params) {
  Node* logical_hba = parent_of(discovery);
  if (!enabled(logical_hba)) return report(iscsi::kIscsiNotEnabled);
  if (uint32_t status = iscsi::get_all_targets(logical_hba, true); status != 0) return status;
  const std::vector<Node*> portals = instances_of(discovery, "SendTargetPortal");
  int failed = 0;
  for (Node* portal : portals) {
    KeepLastStatus keep;
    if (discover_targets(portal, "") != 0) ++failed;
  }
  if (uint32_t status = iscsi::add_target_from_file(logical_hba); status != 0) return status;
  iscsi::OXIM_sync_targets_with_file(logical_hba);
  clear_params(params);
  const uint32_t sessions = iscsi::get_all_sessions(logical_hba, nullptr, params);
  iscsi::rescan_all_luns(logical_hba);
  if (failed > 0) {
    return reportf(kStatusPortalsFailed, kPortalsFailedFormat, failed,
                   static_cast<int>(portals.size()));
  }
  return sessions;
}

}  // namespace

uint32_t discover_targets(Node* portal, const std::string& target_name) {
  Node* logical_hba = logical_hba_of(portal);
  if (logical_hba == nullptr) return 1;
  std::string key = records::kSendTargetsAll;
  if (!target_name.empty()) {
    if (validateISCSIName(target_name.c_str(), nullptr) != 0) return kStatusInvalidIscsiName;
    key = records::kSendTargetsPrefix + target_name;
  }
  const FunctionAddress function = function_address(portal);
  std::optional<size_t> limit;
  if (get_qf_type(portal) == kChipTindra) {
    limit = tindra_target_limit(function);
    if (!limit) return report(kInternalError);
  }
  records::LoginRequest request;
  request.target_name = records::kDiscoveryTargetName;
  request.portal = records::PortalFromText(
      cached_prop(portal, "IPAddress"),
      static_cast<uint16_t>(std::strtoul(cached_prop(portal, "PortNumber").c_str(), nullptr, 10)));
  request.flags = records::kLoginFlagsLogin;
  request.eto = records::kNoEto;
  iscsi::LoginInitiator initiator;
  if (!iscsi::read_login_initiator(logical_hba, &initiator)) return 1;
  request.initiator_name = std::move(initiator.name);
  request.initiator_alias = std::move(initiator.alias);
  std::vector<uint8_t> answer;
  if (uint32_t status = iscsi::OXIM_esx_discovery_login(
          portal, child_group(portal, "SendTargetPortalLoginOptions"), &request, &answer);
      status != 0) {
    return status;
  }
  std::optional<records::LoginResponse> response = records::DecodeLoginResponse(answer);
  if (!response) return report(kInternalError);
  uint32_t result = 0;
  if ((response->state & records::kSessionOpen) == 0) {
    result = report(kDiscoveryFailed);
  } else {
    result = ask_targets(portal, function, response->session_handle, key, limit);
  }
  // The discovery session is closed on every path once it was opened.
  const uint32_t logout = logout_discovery_session(function, response->session_handle);
  if (result == 0 && logout != 0) {
    pdebug(kModuleAdapter, kLogError, "%s: the discovery session could not be logged out\n",
           __func__);
    result = logout;
  }
  return result;
}

uint32_t BuildTargetInfoList(std::span<const records::DiscoveredTarget> targets,
                             Node* logical_hba) {
  const int chip = get_qf_type(logical_hba);
  if ((chip == kChipQF2 || chip == kChipQF3) && targets.size() > kMaxTargetsQf2Qf3) {
    targets = targets.first(kMaxTargetsQf2Qf3);
  }
  size_t skipped = 0;
  for (const records::DiscoveredTarget& found : targets) {
    Node* target = nullptr;
    if (acceptable_name(found.name)) {
      target = iscsi::find_target(logical_hba, found.name);
      if (target == nullptr) {
        KeepLastStatus keep;
        target = iscsi::setup_target(logical_hba, found.name, true);
      }
    }
    if (target == nullptr) {
      ++skipped;
      continue;
    }
    for (const records::PortalEntry& entry : found.portals) {
      if (entry.address_type == records::kAddressNone) continue;
      const std::string ip = CanonicalIpText(records::PortalAddressText(entry));
      const std::string port = std::to_string(entry.port);
      if (iscsi::find_target_portal(target, ip, port) != nullptr) continue;
      Node* made = iscsi::setup_portal(target, ip, port, std::to_string(entry.tag));
      if (made == nullptr) return report(kInternalError);
      if (uint32_t status = iscsi::record_target_portal(logical_hba, target, ip, port);
          status != 0) {
        (void)delete_node(made);
        return status;
      }
    }
  }
  pdebug(kModuleAdapter, kLogInfo, "%s: %zu of %zu discovered targets added or kept\n", __func__,
         targets.size() - skipped, targets.size());
  return 0;
}

void register_sendtargets_handlers(HandlerRegistry& registry) {
  registry.add_command("do_DiscoverTargets", do_DiscoverTargets);
  registry.add_command("do_RefreshAvailableTargets", do_RefreshAvailableTargets);
}

}  // namespace oxim::discovery
