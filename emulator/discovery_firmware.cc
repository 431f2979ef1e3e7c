// The emulated firmware's SendTargets discovery; see discovery_firmware.h.
#include "discovery_firmware.h"

#include <algorithm>
#include <charconv>
#include <string>
#include <string_view>

#include "iscsi_firmware.h"
#include "real_portals.h"
#include "storage_network.h"

namespace oxim::emulator {
namespace {

using records::DiscoveredTarget;
using records::LoginRequest;

constexpr uint8_t kFwFailed = 1;
constexpr uint8_t kFwNoSuchObject = 2;

FirmwareAnswer Refuse(uint8_t status, uint16_t additional) { return {status, additional, {}}; }

// Whether two entries name the same address, whatever their ports.
bool SameAddress(const records::PortalEntry& a, records::PortalEntry b) {
  b.port = a.port;
  return SamePortal(a, b);
}

// The answer of a simulated SendTarget portal: every online target with a
// portal at its address, with all its portals.
std::vector<DiscoveredTarget> SimulatedAnswer(const std::vector<SimulatedTarget>& network,
                                              const records::PortalEntry& asked) {
  std::vector<DiscoveredTarget> answer;
  for (const SimulatedTarget& target : network) {
    if (!target.online) continue;
    DiscoveredTarget found{target.name, {}};
    bool here = false;
    for (const SimulatedPortal& portal : target.portals) {
      std::optional<records::PortalEntry> entry = PortalOf(portal);
      if (!entry) continue;
      here = here || SameAddress(*entry, asked);
      found.portals.push_back(*entry);
    }
    if (here) answer.push_back(std::move(found));
  }
  return answer;
}

// Whether a simulated target listens at the portal.
bool SimulatedPortalServes(const std::vector<SimulatedTarget>& network,
                           const records::PortalEntry& asked) {
  for (const SimulatedTarget& target : network) {
    if (!target.online) continue;
    for (const SimulatedPortal& portal : target.portals) {
      std::optional<records::PortalEntry> entry = PortalOf(portal);
      if (entry && SamePortal(*entry, asked)) return true;
    }
  }
  return false;
}

// A TargetAddress value ("host:port,tag" or "[v6]:port,tag") as the portal
// the adapter shows for that endpoint; nullopt when none is mapped there.
std::optional<records::PortalEntry> MapBack(const std::vector<RealPortal>& portals,
                                            std::string_view value) {
  uint32_t tag = 1;
  if (const size_t comma = value.rfind(','); comma != std::string_view::npos) {
    std::string_view text = value.substr(comma + 1);
    if (std::from_chars(text.data(), text.data() + text.size(), tag).ec != std::errc{}) tag = 1;
    value = value.substr(0, comma);
  }
  const size_t colon = value.rfind(':');
  if (colon == std::string_view::npos) return std::nullopt;
  std::string_view host = value.substr(0, colon);
  std::string_view port_text = value.substr(colon + 1);
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']') {
    host = host.substr(1, host.size() - 2);
  }
  uint16_t port = 0;
  if (std::from_chars(port_text.data(), port_text.data() + port_text.size(), port).ec !=
      std::errc{}) {
    return std::nullopt;
  }
  return PortalForEndpoint(portals, host, port, tag);
}

std::vector<DiscoveredTarget> RealAnswer(const std::vector<RealPortal>& portals,
                                         const std::vector<RealDiscoveredTarget>& raw) {
  std::vector<DiscoveredTarget> answer;
  for (const RealDiscoveredTarget& target : raw) {
    DiscoveredTarget mapped{target.name, {}};
    for (const std::string& address : target.addresses) {
      if (std::optional<records::PortalEntry> entry = MapBack(portals, address)) {
        mapped.portals.push_back(*entry);
      }
    }
    if (!mapped.portals.empty()) answer.push_back(std::move(mapped));
  }
  return answer;
}

DiscoverySession* FindDiscoverySession(IscsiFunctionState& f, uint32_t handle) {
  for (DiscoverySession& session : f.discovery_state.sessions) {
    if (session.handle == handle) return &session;
  }
  return nullptr;
}

FirmwareAnswer OpenAnswer(IscsiFunctionState& f, DiscoverySession session,
                          std::span<const uint8_t> request) {
  session.handle = f.next_handle++;
  records::LoginResponse response;
  response.session_handle = session.handle;
  response.state = records::kSessionOpen;
  response.connection_handle = 0x100 + session.handle;
  FirmwareAnswer answer;
  answer.payload.assign(request.begin(), request.end());
  records::EncodeLoginResponse(answer.payload, response);
  f.discovery_state.sessions.push_back(std::move(session));
  return answer;
}

// Writes targets[from..] (at most `wanted`) into a buffer of `size` bytes:
// status 4 when some of those did not fit.
FirmwareAnswer AnswerFrom(const std::vector<DiscoveredTarget>& targets, size_t from, size_t wanted,
                          size_t size) {
  FirmwareAnswer answer;
  answer.payload.assign(size, 0);
  from = std::min(from, targets.size());
  const size_t count = std::min(wanted, targets.size() - from);
  std::span<const DiscoveredTarget> rest(targets.data() + from, count);
  const size_t written = records::EncodeSendTargetsAnswer(answer.payload, rest);
  if (written < rest.size()) answer.status = kFwBufferTooSmall;
  return answer;
}

IscsiFunctionState* FunctionOf(CommandContext& context) {
  return context.model.iscsi().Function(context.function);
}

// Subsystem 6, opcode 33: the targets of a discovery session's portal.
FirmwareAnswer SendTargets(CommandContext& context, std::span<const uint8_t> request) {
  IscsiFunctionState* f = FunctionOf(context);
  if (f == nullptr) return Refuse(kFwNotSupported, 0);
  std::optional<records::SendTargetsRequest> asked = records::DecodeSendTargetsRequest(request);
  if (!asked) return Refuse(kFwFailed, 0);
  DiscoverySession* session = FindDiscoverySession(*f, asked->session_handle);
  if (session == nullptr) return Refuse(kFwNoSuchObject, 0);
  std::string_view key = asked->key;
  if (!key.starts_with(records::kSendTargetsPrefix)) return Refuse(kFwFailed, 0);
  key.remove_prefix(std::string_view(records::kSendTargetsPrefix).size());
  if (key.empty()) return Refuse(kFwFailed, 0);
  const std::string name = key == "All" ? std::string() : std::string(key);

  std::vector<DiscoveredTarget> targets;
  if (std::shared_ptr<RealSession> real = session->real) {
    const RealPortal* portal =
        FindRealPortal(context.model.iscsi().real_portals(), session->request.portal);
    const auto timeout = portal != nullptr ? portal->login_timeout : std::chrono::seconds(5);
    std::vector<RealDiscoveredTarget> raw;
    bool answered;
    {
      UnlockedScope unlocked(context);
      answered = real->SendTargets(timeout, &raw);
    }
    // Functions are never added or removed, so f stays valid; the session
    // may have been logged out meanwhile, and is not looked at again.
    if (!answered) return Refuse(kFwFailed, kLoginConnectFailure);
    targets = RealAnswer(context.model.iscsi().real_portals(), raw);
  } else {
    targets = SimulatedAnswer(context.model.iscsi().network(), session->request.portal);
  }
  if (!name.empty()) {
    std::erase_if(targets, [&](const DiscoveredTarget& target) {
      return !EqualsIgnoreCase(target.name, name);
    });
  }
  f->discovery_state.last_answer = std::move(targets);
  f->discovery_state.answered = true;
  return AnswerFrom(f->discovery_state.last_answer, 0, f->discovery_state.last_answer.size(),
                    request.size());
}

// Opcode 34: the rest of the last answer.
FirmwareAnswer SendTargetsInfo(CommandContext& context, std::span<const uint8_t> request) {
  IscsiFunctionState* f = FunctionOf(context);
  if (f == nullptr) return Refuse(kFwNotSupported, 0);
  std::optional<records::SendTargetsFollowUp> asked = records::DecodeSendTargetsFollowUp(request);
  if (!asked) return Refuse(kFwFailed, 0);
  if (!f->discovery_state.answered) return Refuse(kFwNoSuchObject, 0);
  return AnswerFrom(f->discovery_state.last_answer, asked->received, asked->wanted, request.size());
}

constexpr uint32_t kLargestRequest = records::kSendTargetsBufferSize;

constexpr HandlerEntry kDiscoveryHandlers[] = {
    {6, 33, 0, records::kSendTargetsRequestSize, kLargestRequest, SendTargets},
    {6, 34, 0, records::kFollowUpRequestSize, kLargestRequest, SendTargetsInfo},
};

}  // namespace

bool IsDiscoveryLogin(const LoginRequest& request) {
  return (request.flags & records::kLoginFlagsDiscovery) == records::kLoginFlagsDiscovery;
}

FirmwareAnswer DiscoveryLogin(CommandContext& context, IscsiFunctionState& f,
                              const LoginRequest& login, std::span<const uint8_t> request) {
  if (FirmwareAnswer reached = ReachPortalAnswer(context.model, f, login.portal);
      reached.status != kFwSuccess) {
    return reached;
  }
  DiscoverySession session{0, login, nullptr};
  const RealPortal* portal = FindRealPortal(context.model.iscsi().real_portals(), login.portal);
  if (portal == nullptr) {
    if (!SimulatedPortalServes(context.model.iscsi().network(), login.portal)) {
      return Refuse(kFwFailed, kLoginConnectFailure);
    }
    return OpenAnswer(f, std::move(session), request);
  }
  RealLoginPlan plan = PlanRealLogin(*portal, login, IsidOf(f, login.isid_qualifier));
  if (plan.status != 0) return Refuse(plan.status, plan.additional_status);
  plan.request.discovery = true;
  plan.request.target_name.clear();
  RealLoginResult result;
  std::unique_ptr<RealSession> real;
  {
    UnlockedScope unlocked(context);
    real = LoginReal(plan, &result);
  }
  if (real == nullptr) {
    return Refuse(static_cast<uint8_t>(result.firmware_status),
                  static_cast<uint16_t>(result.additional_status));
  }
  session.real = std::move(real);
  return OpenAnswer(f, std::move(session), request);
}

bool DiscoveryLogout(CommandContext& context, IscsiFunctionState& f, uint32_t handle) {
  std::vector<DiscoverySession>& sessions = f.discovery_state.sessions;
  auto session = std::find_if(sessions.begin(), sessions.end(),
                              [&](const DiscoverySession& s) { return s.handle == handle; });
  if (session == sessions.end()) return false;
  std::shared_ptr<RealSession> real = std::move(session->real);
  sessions.erase(session);
  if (real != nullptr) {
    UnlockedScope unlocked(context);
    real->Logout();
    real.reset();
  }
  return true;
}

std::span<const HandlerEntry> DiscoveryHandlers() { return kDiscoveryHandlers; }

}  // namespace oxim::emulator
