// The emulated firmware's iSCSI initiator; see iscsi_firmware.h.
#include "iscsi_firmware.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <functional>

#include "iscsi_store.h"
#include "network_model.h"
#include "real_isns.h"
#include "records/coding.h"

namespace oxim::emulator {
namespace {

using records::FirmwareTarget;
using records::LoginRequest;

// Firmware statuses and additional statuses of refused commands.
constexpr uint8_t kFwFailed = 1;
constexpr uint8_t kFwNoSuchObject = 2;  // with additional status 0
constexpr uint8_t kFwTooManyTargets = 20;
constexpr uint16_t kAddSessionsOpen = 16;
constexpr uint16_t kAddNoSession = 18;
// IDs of the targets an iSNS server answers (the store's count from 1).
constexpr uint32_t kIsnsTargetIds = 0x10000;
// The iSNS port a DHCP-offered server is asked at.
constexpr uint16_t kIsnsPort = 3205;

// Request sizes the table checks besides the records' own.
constexpr uint32_t kLargestRequest = 64000;

// The ISID of every session starts with these (OUI format); the fourth byte
// is the function's instance and the last two the qualifier.
constexpr uint8_t kIsidPrefix[] = {0x00, 0x02, 0x3d};
// Connections leave from the function's address (network_model.h), from
// ephemeral ports.
constexpr uint16_t kFirstSourcePort = 49152;
constexpr uint16_t kSourcePortsPerFunction = 1024;
// Background logins of persistent entries to mapped portals at once.
constexpr size_t kRestoreThreads = 4;

FirmwareAnswer Refuse(uint8_t status, uint16_t additional) { return {status, additional, {}}; }
FirmwareAnswer NoSuchObject() { return Refuse(kFwNoSuchObject, 0); }
FirmwareAnswer NotIscsi() { return Refuse(kFwNotSupported, 0); }

// Persistent entries and sessions are told apart by target, portal,
// qualifier and initiator (names ignoring case).
bool SameKey(const LoginRequest& a, const LoginRequest& b) {
  return EqualsIgnoreCase(a.target_name, b.target_name) && SamePortal(a.portal, b.portal) &&
         a.isid_qualifier == b.isid_qualifier &&
         EqualsIgnoreCase(a.initiator_name, b.initiator_name);
}

bool LoggingIn(const IscsiFunctionState& f, const LoginRequest& request) {
  return std::any_of(f.logging_in.begin(), f.logging_in.end(),
                     [&](const LoginRequest& r) { return SameKey(r, request); });
}

void DoneLoggingIn(IscsiFunctionState& f, const LoginRequest& request) {
  std::erase_if(f.logging_in, [&](const LoginRequest& r) { return SameKey(r, request); });
}

// ---- Statistics -------------------------------------------------------------

// A session that was open is lost: its connection timed out.
void CountLostSession(IscsiFunctionState& f) {
  ++f.instance_statistics.session_failures;
  ++f.instance_statistics.connection_timeouts;
  f.instance_statistics.last_failure_type = records::kSessionFailureTimeout;
}

// A login's outcome in the initiator's counters.
void CountLogin(IscsiFunctionState& f, const LoginRequest& request, uint8_t status,
                uint16_t additional_status) {
  records::InstanceStatistics& instance = f.instance_statistics;
  records::LoginStatistics& login = f.login_statistics;
  if (status == kFwSuccess) {
    ++instance.sessions;
    instance.last_remote_node = request.target_name;
    ++login.accept_responses;
    return;
  }
  ++login.failures;
  login.last_failure_time = static_cast<uint32_t>(std::time(nullptr));
  login.failed_target = request.target_name;
  login.failed_address_type = request.portal.address_type;
  login.failed_address = request.portal.address;
  switch (additional_status) {
    case kLoginAuthenticationFailure:
      login.last_failure_type = records::kLoginFailureAuthentication;
      ++login.authentication_failure_responses;
      ++login.authentication_failures;
      break;
    case kLoginDigestMismatch:
      login.last_failure_type = records::kLoginFailureNegotiation;
      ++login.negotiation_failures;
      break;
    case kLoginUnknownTarget:
    case kLoginServiceUnavailable:
      login.last_failure_type = records::kLoginFailureOther;
      ++login.other_failure_responses;
      break;
    default:  // no response from a target: unreachable, refused, link down
      login.last_failure_type = records::kLoginFailureOther;
      break;
  }
}

// ---- Sessions ---------------------------------------------------------------

// A real session whose target went away (connection lost, keep-alive
// unanswered) shows as closed from now on.
void NoteLostConnections(IscsiFunctionState& f) {
  for (EmulatedSession& session : f.sessions) {
    if (session.real == nullptr || session.state != records::kSessionOpen ||
        session.real->connected()) {
      continue;
    }
    session.state = records::kSessionClosed;
    session.connection_bits &= ~records::kConnectionLoggedIn;
    CountLostSession(f);
  }
}

EmulatedSession* FindSession(IscsiFunctionState& f, uint32_t handle) {
  for (EmulatedSession& session : f.sessions) {
    if (session.handle == handle) return &session;
  }
  return nullptr;
}

EmulatedSession* FindSession(IscsiFunctionState& f, const LoginRequest& request) {
  for (EmulatedSession& session : f.sessions) {
    if (SameKey(session.request, request)) return &session;
  }
  return nullptr;
}

const LoginRequest* FindPersistent(const IscsiFunctionState& f, const LoginRequest& request) {
  for (const LoginRequest& entry : f.persistent) {
    if (SameKey(entry, request)) return &entry;
  }
  return nullptr;
}

int OpenSessionsTo(const IscsiState& state, std::string_view target_name) {
  int open = 0;
  for (const IscsiFunctionState& f : state.functions()) {
    for (const EmulatedSession& session : f.sessions) {
      open += session.real == nullptr && session.state == records::kSessionOpen &&
              EqualsIgnoreCase(session.request.target_name, target_name);
    }
  }
  return open;
}

// The session for a request: the existing one of the same key (re-opened
// with its handle), else a new one.
EmulatedSession& SessionFor(AdapterModel& model, IscsiFunctionState& f,
                            const LoginRequest& request) {
  EmulatedSession* session = FindSession(f, request);
  if (session == nullptr) {
    f.sessions.emplace_back();
    session = &f.sessions.back();
    session->handle = f.next_handle++;
    session->connection_handle = 0x100 + session->handle;
    session->config.handle = session->handle;
  }
  session->request = request;
  session->config.eto =
      request.eto != records::kNoEto ? request.eto : model.controller(f.function).default_eto;
  return *session;
}

// Opens a session with a new connection (a real one when `real` is given:
// the replaced connection of a closed session is gone by then, so dropping
// it does not wait on the network).
void MarkOpen(IscsiFunctionState& f, EmulatedSession& session,
              const std::array<uint8_t, records::kLoginOptionsSize>& negotiated,
              uint16_t source_port, std::shared_ptr<RealSession> real = nullptr) {
  session.state = records::kSessionOpen;
  session.connection_bits = records::kConnectionLoggedIn;
  if (f.next_tsih == 0) f.next_tsih = 1;
  session.tsih = f.next_tsih++;
  session.source_port = source_port;
  session.negotiated = negotiated;
  session.real = std::move(real);
}

void MarkLoginFailed(EmulatedSession& session) {
  session.state = records::kSessionLoginFailed;
  session.connection_bits = 0;
  session.real.reset();
}

uint16_t NextSourcePort(IscsiFunctionState& f) {
  return static_cast<uint16_t>(kFirstSourcePort + kSourcePortsPerFunction * (f.instance % 16) +
                               f.next_source_port++ % kSourcePortsPerFunction);
}

struct LoginOutcome {
  uint8_t status = kFwSuccess;
  uint16_t additional_status = 0;
  EmulatedSession* session = nullptr;
  bool targets_changed = false;  // the target store needs saving
};

// Whether the function reaches a portal's address by its network's rules
// (network_model.h); status 0 when it does.
LoginOutcome ReachPortal(AdapterModel& model, const IscsiFunctionState& f,
                         const records::PortalEntry& portal) {
  NetworkFunction* network = model.network().Function(f.function);
  if (network == nullptr) return {};
  NetAddress destination;
  destination.ipv6 = portal.address_type == records::kAddressIpv6;
  std::copy_n(portal.address.begin(), destination.ipv6 ? 16 : 4, destination.bytes.begin());
  Reach reach = model.network().Contact(*network, destination);
  return {reach.status, reach.additional_status};
}

LoginOutcome Decide(AdapterModel& model, IscsiFunctionState& f, const LoginRequest& request) {
  LoginOutcome reached = ReachPortal(model, f, request.portal);
  if (reached.status != kFwSuccess) return reached;
  IscsiState& state = model.iscsi();
  LoginDecision decision = EvaluateLogin(state.network(), request);
  // A host answers at the address, but no target listens there.
  if (decision.additional_status == kLoginUnreachable) return {kFwFailed, kLoginConnectFailure};
  if (decision.additional_status != 0) return {kFwFailed, decision.additional_status};
  const SimulatedTarget& target = state.network()[decision.target];
  if (OpenSessionsTo(state, target.name) >= target.max_sessions) {
    return {kFwFailed, kLoginServiceUnavailable};
  }
  EmulatedSession* existing = FindSession(f, request);
  if (existing != nullptr && existing->state == records::kSessionOpen) {
    return {kFwFailed, kLoginSessionAlreadyOpen};
  }
  std::array<uint8_t, records::kLoginOptionsSize> negotiated{};
  records::EncodeLoginOptions(negotiated, decision.negotiated);
  EmulatedSession& session = SessionFor(model, f, request);
  MarkOpen(f, session, negotiated, NextSourcePort(f));
  bool changed = StoreTarget(f, state.network(), request);
  return {kFwSuccess, 0, &session, changed};
}

LoginOutcome Login(AdapterModel& model, IscsiFunctionState& f, const LoginRequest& request) {
  LoginOutcome outcome = Decide(model, f, request);
  CountLogin(f, request, outcome.status, outcome.additional_status);
  return outcome;
}

// The negotiated options with the CHAP names and secrets the login
// offered: the session record carries them (the boot code logs in with
// them), the login answer does not.
std::array<uint8_t, records::kLoginOptionsSize> WithCredentials(const EmulatedSession& s) {
  std::array<uint8_t, records::kLoginOptionsSize> bytes = s.negotiated;
  std::optional<records::LoginOptions> negotiated = records::DecodeLoginOptions(s.negotiated);
  std::optional<records::LoginOptions> offered = records::DecodeLoginOptions(s.request.options);
  if (!negotiated || !offered || negotiated->authentication_method == 0) return bytes;
  negotiated->target_chap_name = offered->target_chap_name;
  negotiated->target_secret = offered->target_secret;
  negotiated->initiator_chap_name = offered->initiator_chap_name;
  negotiated->initiator_secret = offered->initiator_secret;
  if (!records::EncodeLoginOptions(bytes, *negotiated)) return s.negotiated;
  return bytes;
}

records::FirmwareSession SessionRecord(AdapterModel& model, const IscsiFunctionState& f,
                                       const EmulatedSession& s) {
  records::FirmwareSession record;
  record.handle = s.handle;
  record.state = s.state;
  record.isid = IsidOf(f, s.request.isid_qualifier);
  record.tsih = s.tsih;
  record.flags = records::kSessionNotPersistent;
  if (const LoginRequest* entry = FindPersistent(f, s.request)) {
    record.flags = (entry->flags & records::kLoginFlagBootTarget) != 0 ? records::kSessionBoot : 0;
  }
  if (s.boot) record.flags |= records::kSessionBoot;
  record.target_name = s.request.target_name;
  record.initiator_name = s.request.initiator_name;
  const std::array<uint8_t, records::kLoginOptionsSize> options = WithCredentials(s);
  std::copy_n(options.begin(), records::kLoginSessionPartSize, record.session_part.begin());

  records::FirmwareConnection c;
  c.handle = s.connection_handle;
  c.bits = s.connection_bits;
  c.source_port = s.source_port;
  c.destination_port = s.request.portal.port;
  c.connection_id = 1;
  NetAddress destination;
  destination.ipv6 = s.request.portal.address_type == records::kAddressIpv6;
  destination.bytes = s.request.portal.address;
  NetworkState& network = model.network();
  if (const NetworkFunction* own = network.Function(f.function)) {
    const NetAddress source = network.SourceFor(*own, destination);
    c.source_type = destination.ipv6 ? records::kAddressIpv6 : records::kAddressIpv4;
    std::copy_n(source.bytes.begin(), destination.ipv6 ? 16 : 4, c.source_address.begin());
  }
  c.destination_type = s.request.portal.address_type;
  c.destination_address = s.request.portal.address;
  std::copy(options.begin() + records::kLoginSessionPartSize, options.end(),
            c.connection_part.begin());
  record.connections.push_back(c);
  return record;
}

// ---- Handlers ---------------------------------------------------------------

IscsiFunctionState* FunctionOf(CommandContext& context) {
  IscsiFunctionState* f = context.model.iscsi().Function(context.function);
  if (f != nullptr) NoteLostConnections(*f);
  return f;
}

// The session handle a request starts with (the table makes every such
// request at least that long).
uint32_t HandleOf(std::span<const uint8_t> request) {
  return records::DecodeSessionHandleRequest(request).value_or(0);
}

// Subsystem 2, opcode 28: the discovery parameters kept in flash.
FirmwareAnswer GetDiscoveryParams(CommandContext& context, std::span<const uint8_t>) {
  IscsiFunctionState* f = FunctionOf(context);
  if (f == nullptr) return NotIscsi();
  return {kFwSuccess, 0, f->discovery};
}

// The iSNS server a discovery parameters record names while iSNS discovery
// is on, as a portal entry; nullopt when it names none or discovery is off.
std::optional<records::PortalEntry> IsnsServerOf(const std::vector<uint8_t>& discovery) {
  std::optional<records::DiscoveryParams> params = records::DecodeDiscoveryParams(discovery);
  if (!params || (params->flags & records::kDiscoveryIsnsEnabled) == 0 ||
      params->server_count == 0) {
    return std::nullopt;
  }
  records::PortalEntry server;
  server.address_type = params->server.address_type;
  server.address = params->server.address;
  server.port = params->server.port;
  return server;
}

const SimulatedIsnsServer* FindIsnsServer(const IscsiState& state,
                                          const records::PortalEntry& server) {
  for (const SimulatedIsnsServer& known : state.isns_servers()) {
    std::optional<records::PortalEntry> entry = PortalOf({known.address, known.port, 1});
    if (entry && SamePortal(*entry, server)) return &known;
  }
  return nullptr;
}

// A target of a real iSNS server as the adapter shows it: portals on
// loopback become the portals mapped to them (those mapped to nothing are
// dropped), the others stay as registered.
FirmwareTarget FromRealIsns(const IscsiState& state, const RealIsnsTarget& target, uint32_t id) {
  FirmwareTarget record{id, target.name, "", {}};
  for (const RealIsnsPortal& portal : target.portals) {
    const bool loopback = portal.address.starts_with("127.") || portal.address == "::1";
    std::optional<records::PortalEntry> entry =
        loopback ? PortalForEndpoint(state.real_portals(), portal.address, portal.port, portal.tag)
                 : PortalOf({portal.address, portal.port, static_cast<uint16_t>(portal.tag)});
    if (entry) record.groups.push_back({static_cast<uint16_t>(portal.tag), {*entry}});
  }
  return record;
}

// The targets the function's iSNS server knows while iSNS discovery is on
// and the server is reached, with IDs from kIsnsTargetIds on: the online
// simulated targets registered there, or what a real isnsd answers (asked
// without the adapter's lock, the initiator registering first). Kept in the
// function for the target records that follow.
const std::vector<FirmwareTarget>& IsnsTargets(CommandContext& context, IscsiFunctionState& f) {
  f.isns_targets.clear();
  std::optional<records::PortalEntry> asked = IsnsServerOf(f.discovery);
  if (!asked || ReachPortal(context.model, f, *asked).status != kFwSuccess) return f.isns_targets;
  IscsiState& state = context.model.iscsi();
  const SimulatedIsnsServer* server = FindIsnsServer(state, *asked);
  if (server == nullptr) return f.isns_targets;
  if (server->endpoint) {
    const RealIsnsEndpoint endpoint = *server->endpoint;
    const std::string initiator = records::DecodeDiscoveryParams(f.discovery)->initiator_name;
    std::vector<RealIsnsTarget> found;
    std::string error;
    bool answered;
    {
      UnlockedScope unlocked(context);
      answered = RegisterAndQuery(endpoint, initiator, &found, &error);
    }
    for (size_t i = 0; answered && i < found.size(); ++i) {
      f.isns_targets.push_back(
          FromRealIsns(state, found[i], kIsnsTargetIds + static_cast<uint32_t>(i)));
    }
    return f.isns_targets;
  }
  for (const std::string& name : server->targets) {
    const SimulatedTarget* target = FindSimulatedTarget(state.network(), name);
    if (target == nullptr || !target->online) continue;
    FirmwareTarget record{kIsnsTargetIds + static_cast<uint32_t>(f.isns_targets.size()),
                          target->name,
                          target->alias,
                          {}};
    for (const SimulatedPortal& portal : target->portals) {
      if (std::optional<records::PortalEntry> p = PortalOf(portal)) {
        record.groups.push_back({portal.group_tag, {*p}});
      }
    }
    f.isns_targets.push_back(std::move(record));
  }
  return f.isns_targets;
}

// A real iSNS server that a write stops using (iSNS discovery turned off,
// the server deleted or changed) forgets the initiator, without the
// adapter's lock.
void DeregisterIfLeft(CommandContext& context, const std::vector<uint8_t>& before,
                      const std::vector<uint8_t>& after) {
  std::optional<records::PortalEntry> old_server = IsnsServerOf(before);
  if (!old_server) return;
  std::optional<records::PortalEntry> new_server = IsnsServerOf(after);
  if (new_server && SamePortal(*new_server, *old_server)) return;
  const SimulatedIsnsServer* server = FindIsnsServer(context.model.iscsi(), *old_server);
  if (server == nullptr || !server->endpoint) return;
  const RealIsnsEndpoint endpoint = *server->endpoint;
  const std::string initiator = records::DecodeDiscoveryParams(before)->initiator_name;
  std::string error;
  UnlockedScope unlocked(context);
  (void)Deregister(endpoint, initiator, &error);
}

// The iSNS server a write leaves in the record: the one written with the
// manual bit, the DHCP server's option 83 with the DHCP bit (none when it
// offers none), else the one recorded before with its bit (a write of only
// the enable bit and the name keeps the server).
void ApplyServerRules(NetworkFunction* network, const records::DiscoveryParams& old,
                      records::DiscoveryParams* written) {
  constexpr uint32_t kModes =
      records::kDiscoveryUseConfiguredServer | records::kDiscoveryServerThroughDhcp;
  if ((written->flags & kModes) == 0) {
    written->flags |= old.flags & kModes;
    written->server_count = old.server_count;
    written->server = old.server;
    return;
  }
  if ((written->flags & records::kDiscoveryServerThroughDhcp) == 0) return;
  written->flags &= ~records::kDiscoveryUseConfiguredServer;
  written->server = {};
  written->server_count = 0;
  if (network == nullptr || !network->network.dhcp || !network->network.dhcp->on ||
      !network->network.dhcp->isns) {
    return;
  }
  const NetAddress& offered = *network->network.dhcp->isns;
  written->server_count = 1;
  written->server.address_type = offered.ipv6 ? records::kAddressIpv6 : records::kAddressIpv4;
  std::copy_n(offered.bytes.begin(), offered.ipv6 ? 16 : 4, written->server.address.begin());
  written->server.port = kIsnsPort;
}

// Subsystem 2, opcode 29: writes the discovery parameters to flash. A
// recorded iSNS server the function cannot reach is kept and answered with
// 1/19.
FirmwareAnswer SetDiscoveryParams(CommandContext& context, std::span<const uint8_t> request) {
  IscsiFunctionState* f = FunctionOf(context);
  if (f == nullptr) return NotIscsi();
  std::optional<records::DiscoveryParams> written = records::DecodeDiscoveryParams(request);
  std::optional<records::DiscoveryParams> old = records::DecodeDiscoveryParams(f->discovery);
  if (!written || !old) return Refuse(kFwFailed, 0);
  NetworkFunction* network = context.model.network().Function(f->function);
  ApplyServerRules(network, *old, &*written);
  const std::vector<uint8_t> before = f->discovery;
  f->discovery.assign(request.begin(), request.begin() + records::kDiscoveryParamsSize);
  records::EncodeDiscoveryParams(f->discovery, *written);
  if (!SaveDiscovery(context.model, *f)) return Refuse(kFwFailed, 0);
  DeregisterIfLeft(context, before, f->discovery);
  if (written->server_count == 0 || network == nullptr) return {};
  NetAddress server;
  server.ipv6 = written->server.address_type == records::kAddressIpv6;
  std::copy_n(written->server.address.begin(), server.ipv6 ? 16 : 4, server.bytes.begin());
  if (context.model.network().Contact(*network, server).status != kFwSuccess) {
    return Refuse(kFwFailed, kNetUnreachable);
  }
  return {};
}

// Opcode 30: the IDs of the target store; with selector 1 also those of the
// targets the iSNS server knows.
FirmwareAnswer GetTargetIds(CommandContext& context, std::span<const uint8_t> request) {
  IscsiFunctionState* f = FunctionOf(context);
  if (f == nullptr) return NotIscsi();
  std::vector<uint32_t> ids;
  for (const FirmwareTarget& target : f->targets) ids.push_back(target.id);
  if (records::DecodeTargetIdSelector(request) == records::kTargetIdSelectorDiscovered) {
    for (const FirmwareTarget& target : IsnsTargets(context, *f)) ids.push_back(target.id);
  }
  FirmwareAnswer answer;
  answer.payload.assign(records::TargetIdListSize(ids.size()), 0);
  records::EncodeTargetIdList(answer.payload, ids);
  return answer;
}

// Opcode 32: one target record of the store (or of the iSNS server's last
// answer), by the ID at 0.
FirmwareAnswer GetTarget(CommandContext& context, std::span<const uint8_t> request) {
  IscsiFunctionState* f = FunctionOf(context);
  if (f == nullptr) return NotIscsi();
  std::optional<uint32_t> id = records::DecodeTargetRequest(request);
  if (!id) return NoSuchObject();
  for (const FirmwareTarget& target : *id >= kIsnsTargetIds ? f->isns_targets : f->targets) {
    if (target.id != *id) continue;
    FirmwareAnswer answer;
    answer.payload.assign(records::TargetRecordSize(target), 0);
    records::EncodeTargetRecord(answer.payload, target);
    return answer;
  }
  return NoSuchObject();
}

// Opcode 27: adds or replaces a persistent entry and enters its target in
// the store.
FirmwareAnswer AddPersistentTarget(CommandContext& context, std::span<const uint8_t> request) {
  IscsiFunctionState* f = FunctionOf(context);
  if (f == nullptr) return NotIscsi();
  std::optional<LoginRequest> entry = records::DecodeLoginRequest(request);
  if (!entry || entry->target_name.empty()) return NoSuchObject();
  auto same = std::find_if(f->persistent.begin(), f->persistent.end(),
                           [&](const LoginRequest& e) { return SameKey(e, *entry); });
  if (same != f->persistent.end()) {
    *same = *entry;
  } else if (f->persistent.size() >= kMaxPersistentTargets) {
    return Refuse(kFwTooManyTargets, 0);
  } else {
    f->persistent.push_back(*entry);
  }
  StoreTarget(*f, context.model.iscsi().network(), *entry);
  if (!SavePersistent(context.model, *f) || !SaveTargets(context.model, *f)) {
    return Refuse(kFwFailed, 0);
  }
  return {};
}

// Opcode 28: removes the persistent entry the request names (the qualifier
// rides in the portal's tag word).
FirmwareAnswer DeletePersistentTarget(CommandContext& context, std::span<const uint8_t> request) {
  IscsiFunctionState* f = FunctionOf(context);
  if (f == nullptr) return NotIscsi();
  std::optional<records::DeletePersistentRequest> deletion =
      records::DecodeDeletePersistent(request);
  if (!deletion) return NoSuchObject();
  LoginRequest key;
  key.target_name = deletion->target_name;
  key.portal = deletion->portal;
  key.isid_qualifier = static_cast<uint16_t>(deletion->portal.tag & 0xFFFF);
  key.initiator_name = deletion->initiator_name;
  size_t removed =
      std::erase_if(f->persistent, [&](const LoginRequest& e) { return SameKey(e, key); });
  if (removed == 0) return NoSuchObject();
  bool saved = SavePersistent(context.model, *f);
  if (PruneTargets(*f)) saved = SaveTargets(context.model, *f) && saved;
  return saved ? FirmwareAnswer{} : Refuse(kFwFailed, 0);
}

// The login response, over the request.
FirmwareAnswer LoginAnswer(const EmulatedSession& session, std::span<const uint8_t> request) {
  records::LoginResponse response;
  response.session_handle = session.handle;
  response.state = session.state;
  response.connection_handle = session.connection_handle;
  response.negotiated = session.negotiated;
  FirmwareAnswer answer;
  answer.payload.assign(request.begin(), request.end());
  records::EncodeLoginResponse(answer.payload, response);
  return answer;
}

// A login to a mapped portal. It runs without the adapter's lock; its key is
// marked meanwhile, so that a second login of it is refused and the
// configuration is not erased under it. Functions are never added or
// removed after the start, so f stays valid; its sessions may not.
FirmwareAnswer RealLoginTarget(CommandContext& context, IscsiFunctionState& f,
                               const LoginRequest& login, const RealPortal& portal,
                               std::span<const uint8_t> request) {
  const EmulatedSession* existing = FindSession(f, login);
  if ((existing != nullptr && existing->state == records::kSessionOpen) || LoggingIn(f, login)) {
    return Refuse(kFwFailed, kLoginSessionAlreadyOpen);
  }
  if (LoginOutcome reached = ReachPortal(context.model, f, login.portal); reached.status != 0) {
    CountLogin(f, login, reached.status, reached.additional_status);
    return Refuse(reached.status, reached.additional_status);
  }
  RealLoginPlan plan = PlanRealLogin(portal, login, IsidOf(f, login.isid_qualifier));
  if (plan.status != 0) return Refuse(plan.status, plan.additional_status);
  f.logging_in.push_back(login);
  RealLoginResult result;
  std::unique_ptr<RealSession> real;
  {
    UnlockedScope unlocked(context);
    real = LoginReal(plan, &result);
  }
  DoneLoggingIn(f, login);
  CountLogin(f, login, real == nullptr ? static_cast<uint8_t>(result.firmware_status) : 0,
             static_cast<uint16_t>(result.additional_status));
  if (real == nullptr) {
    return Refuse(static_cast<uint8_t>(result.firmware_status),
                  static_cast<uint16_t>(result.additional_status));
  }
  EmulatedSession& session = SessionFor(context.model, f, login);
  MarkOpen(f, session, NegotiatedRecord(plan.offered, result), result.local_port, std::move(real));
  if (StoreTarget(f, context.model.iscsi().network(), login)) SaveTargets(context.model, f);
  return LoginAnswer(session, request);
}

// Opcode 23: logs in and answers the session over the request.
FirmwareAnswer LoginTarget(CommandContext& context, std::span<const uint8_t> request) {
  IscsiFunctionState* f = FunctionOf(context);
  if (f == nullptr) return NotIscsi();
  std::optional<LoginRequest> login = records::DecodeLoginRequest(request);
  if (!login) return NoSuchObject();
  if (IsDiscoveryLogin(*login)) return DiscoveryLogin(context, *f, *login, request);
  if (const RealPortal* portal =
          FindRealPortal(context.model.iscsi().real_portals(), login->portal)) {
    return RealLoginTarget(context, *f, *login, *portal, request);
  }
  LoginOutcome outcome = Login(context.model, *f, *login);
  if (outcome.status != kFwSuccess) return Refuse(outcome.status, outcome.additional_status);
  if (outcome.targets_changed) SaveTargets(context.model, *f);
  return LoginAnswer(*outcome.session, request);
}

// Opcode 24: ends the session with the handle at 0. A real session logs out
// after it left the list, without the adapter's lock.
FirmwareAnswer LogoutTarget(CommandContext& context, std::span<const uint8_t> request) {
  IscsiFunctionState* f = FunctionOf(context);
  if (f == nullptr) return NotIscsi();
  uint32_t handle = HandleOf(request);
  auto session = std::find_if(f->sessions.begin(), f->sessions.end(),
                              [&](const EmulatedSession& s) { return s.handle == handle; });
  if (session == f->sessions.end()) {
    return DiscoveryLogout(context, *f, handle) ? FirmwareAnswer{} : NoSuchObject();
  }
  std::shared_ptr<RealSession> real = std::move(session->real);
  ++f->login_statistics.normal_logouts;
  f->sessions.erase(session);
  if (PruneTargets(*f)) SaveTargets(context.model, *f);
  if (real != nullptr) {
    UnlockedScope unlocked(context);
    real->Logout();
    real.reset();
  }
  return {};
}

// Opcode 29: the handles of every session of the function, whatever its
// state.
FirmwareAnswer GetActiveSessions(CommandContext& context, std::span<const uint8_t>) {
  IscsiFunctionState* f = FunctionOf(context);
  if (f == nullptr) return NotIscsi();
  std::vector<uint32_t> handles;
  for (const EmulatedSession& session : f->sessions) handles.push_back(session.handle);
  FirmwareAnswer answer;
  answer.payload.assign(records::ActiveSessionListSize(handles.size()), 0);
  records::EncodeActiveSessionList(answer.payload, handles);
  return answer;
}

// Opcode 14: the session record of the handle at 0.
FirmwareAnswer GetSession(CommandContext& context, std::span<const uint8_t> request) {
  IscsiFunctionState* f = FunctionOf(context);
  if (f == nullptr) return NotIscsi();
  EmulatedSession* session = FindSession(*f, HandleOf(request));
  if (session == nullptr) return NoSuchObject();
  ++session->activity;
  records::FirmwareSession record = SessionRecord(context.model, *f, *session);
  FirmwareAnswer answer;
  answer.payload.assign(records::SessionRecordSize(record), 0);
  records::EncodeSessionRecord(answer.payload, record);
  return answer;
}

// Opcode 16: the session configuration record of the handle at 0.
FirmwareAnswer GetSessionConfig(CommandContext& context, std::span<const uint8_t> request) {
  IscsiFunctionState* f = FunctionOf(context);
  if (f == nullptr) return NotIscsi();
  EmulatedSession* session = FindSession(*f, HandleOf(request));
  if (session == nullptr) return NoSuchObject();
  // The two numbers a LUN's name shows: bus 0 and the target's ID in the
  // store (a set request carries them back as read).
  records::SessionConfig config = session->config;
  const FirmwareTarget* target = FindStoredTarget(*f, session->request.target_name);
  records::SetConfigNameValues(&config, 0,
                               target != nullptr ? static_cast<uint16_t>(target->id) : 0);
  FirmwareAnswer answer;
  answer.payload.assign(records::kSessionConfigSize, 0);
  records::EncodeSessionConfig(answer.payload, config);
  return answer;
}

// Opcode 17: a new time-out, with the fields the read gave carried back.
FirmwareAnswer SetSessionConfig(CommandContext& context, std::span<const uint8_t> request) {
  IscsiFunctionState* f = FunctionOf(context);
  if (f == nullptr) return NotIscsi();
  std::optional<records::SessionConfig> set = records::DecodeSetSessionConfig(request);
  EmulatedSession* session = set ? FindSession(*f, set->handle) : nullptr;
  if (session == nullptr) return NoSuchObject();
  session->config = *set;
  return {};
}

// Opcode 53: marks a session as boot session (bit 8 of the flags word at
// offset 4) or unmarks it. The mark is kept with the session's persistent
// entry, in flash, as the boot code reads it from there.
FirmwareAnswer SetBootTarget(CommandContext& context, std::span<const uint8_t> request) {
  IscsiFunctionState* f = FunctionOf(context);
  if (f == nullptr) return NotIscsi();
  std::optional<records::BootMark> mark = records::DecodeBootMark(request);
  EmulatedSession* session = mark ? FindSession(*f, mark->session_handle) : nullptr;
  if (session == nullptr) return NoSuchObject();
  const bool boot = (mark->flags & records::kSessionBoot) != 0;
  for (LoginRequest& entry : f->persistent) {
    if (!SameKey(entry, session->request)) continue;
    entry.flags = boot ? (entry.flags | records::kLoginFlagBootTarget)
                       : (entry.flags & ~records::kLoginFlagBootTarget);
    session->boot = false;
    return SavePersistent(context.model, *f) ? FirmwareAnswer{} : Refuse(kFwFailed, 0);
  }
  session->boot = boot;
  return {};
}

// Opcode 48: traffic counters of the requested sessions that exist.
FirmwareAnswer GetSessionAttributes(CommandContext& context, std::span<const uint8_t> request) {
  IscsiFunctionState* f = FunctionOf(context);
  if (f == nullptr) return NotIscsi();
  std::optional<std::vector<uint32_t>> handles = records::DecodeSessionAttributesRequest(request);
  if (!handles) return NoSuchObject();
  std::vector<records::SessionAttributes> counters;
  for (uint32_t handle : *handles) {
    EmulatedSession* session = FindSession(*f, handle);
    if (session == nullptr) continue;
    uint32_t activity = ++session->activity;
    records::SessionAttributes r;
    r.handle = handle;
    r.direction = 1;
    r.command_pdus = 24 + 16 * activity;
    r.response_pdus = 24 + 16 * activity;
    r.tx_data_octets_high = activity;
    r.rx_data_octets_high = 2 * activity;
    const SimulatedTarget* target =
        FindSimulatedTarget(context.model.iscsi().network(), session->request.target_name);
    if (target != nullptr) r.target_alias = target->alias;
    counters.push_back(std::move(r));
  }
  if (counters.empty()) return Refuse(kFwFailed, kAddNoSession);
  FirmwareAnswer answer;
  answer.payload.assign(records::SessionAttributesSize(counters.size()), 0);
  records::EncodeSessionAttributes(answer.payload, counters);
  return answer;
}

}  // namespace

FirmwareAnswer EraseIscsiConfiguration(CommandContext& context) {
  IscsiFunctionState* f = FunctionOf(context);
  if (f == nullptr) return NotIscsi();
  if (!f->logging_in.empty() ||
      std::any_of(f->sessions.begin(), f->sessions.end(),
                  [](const EmulatedSession& s) { return s.state == records::kSessionOpen; })) {
    return Refuse(kFwFailed, kAddSessionsOpen);
  }
  f->sessions.clear();
  f->persistent.clear();
  f->targets.clear();
  f->discovery.assign(records::kDiscoveryParamsSize, 0);
  bool saved = SavePersistent(context.model, *f);
  saved = SaveTargets(context.model, *f) && saved;
  saved = SaveDiscovery(context.model, *f) && saved;
  return saved ? FirmwareAnswer{} : Refuse(kFwFailed, 0);
}

namespace {

constexpr HandlerEntry kIscsiHandlers[] = {
    {2, 28, 0, records::kDiscoveryParamsSize, records::kDiscoveryParamsSize, GetDiscoveryParams},
    {2, 29, 0, records::kDiscoveryParamsSize, records::kDiscoveryParamsSize, SetDiscoveryParams},
    {6, 14, 0, records::kSessionHandleRequestSize, kLargestRequest, GetSession},
    {6, 16, 0, records::kSessionHandleRequestSize, kLargestRequest, GetSessionConfig},
    {6, 17, 0, records::kSetSessionConfigSize, records::kSetSessionConfigSize, SetSessionConfig},
    {6, 23, 0, records::kLoginRequestSize, records::kLoginRequestSize, LoginTarget},
    {6, 24, 0, records::kSessionHandleRequestSize, records::kSessionHandleRequestSize,
     LogoutTarget},
    {6, 27, 0, records::kLoginRequestSize, records::kLoginRequestSize, AddPersistentTarget},
    {6, 28, 0, records::kDeletePersistentSize, records::kDeletePersistentSize,
     DeletePersistentTarget},
    {6, 29, 0, records::kSessionHandleRequestSize, kLargestRequest, GetActiveSessions},
    {6, 30, 0, records::kTargetIdRequestSize, kLargestRequest, GetTargetIds},
    {6, 32, 0, records::kSessionHandleRequestSize, kLargestRequest, GetTarget},
    {6, 48, 0, records::kSessionAttributesRecordsOffset, kLargestRequest, GetSessionAttributes},
    {6, 53, 0, records::kBootMarkSize, records::kBootMarkSize, SetBootTarget},
};

}  // namespace

std::array<uint8_t, 6> IsidOf(const IscsiFunctionState& f, uint16_t qualifier) {
  return {kIsidPrefix[0],
          kIsidPrefix[1],
          kIsidPrefix[2],
          static_cast<uint8_t>(f.instance),
          static_cast<uint8_t>(qualifier >> 8),
          static_cast<uint8_t>(qualifier)};
}

FirmwareAnswer ReachPortalAnswer(AdapterModel& model, const IscsiFunctionState& f,
                                 const records::PortalEntry& portal) {
  LoginOutcome reached = ReachPortal(model, f, portal);
  return Refuse(reached.status, reached.additional_status);
}

IscsiState::~IscsiState() { StopRealLogins(); }

void IscsiState::Start(AdapterModel& model) {
  model_ = &model;
  network_ = model.config().targets;
  real_portals_ = model.config().real_portals;
  isns_servers_ = model.config().isns_servers;
  functions_.clear();
  const std::vector<FunctionRef>& refs = model.iscsi_functions();
  for (size_t i = 0; i < refs.size(); ++i) {
    IscsiFunctionState& f = functions_.emplace_back();
    f.function = refs[i];
    f.instance = static_cast<int>(i);
    LoadPersistent(model, f);
    LoadTargets(model, f);
    LoadDiscovery(model, f);
  }
  // Only once every function's entries are known: logins count sessions to
  // a target over all functions.
  for (IscsiFunctionState& f : functions_) {
    bool changed = false;
    for (const LoginRequest& entry : f.persistent) {
      if (const RealPortal* portal = FindRealPortal(real_portals_, entry.portal)) {
        changed = StoreTarget(f, network_, entry) || changed;
        RealLoginPlan plan = PlanRealLogin(*portal, entry, IsidOf(f, entry.isid_qualifier));
        if (plan.status != 0 || ReachPortal(model, f, entry.portal).status != 0) {
          MarkLoginFailed(SessionFor(model, f, entry));
          continue;
        }
        f.logging_in.push_back(entry);
        waiting_.push_back({f.instance, entry, std::move(plan)});
        continue;
      }
      LoginOutcome outcome = Login(model, f, entry);
      changed = outcome.targets_changed || changed;
      if (outcome.status == kFwSuccess) continue;
      MarkLoginFailed(SessionFor(model, f, entry));
      changed = StoreTarget(f, network_, entry) || changed;
    }
    // Targets only the last run's sessions referred to are gone with them.
    changed = PruneTargets(f) || changed;
    if (changed) SaveTargets(model, f);
  }
}

void IscsiState::StartRealLogins(std::mutex& guard) {
  std::vector<std::function<void()>> jobs;
  for (WaitingLogin& waiting : waiting_) {
    jobs.push_back(
        [this, &guard, waiting = std::move(waiting)] { RestoreRealLogin(guard, waiting); });
  }
  waiting_.clear();
  restorer_.Run(std::move(jobs), kRestoreThreads);
}

void IscsiState::StopRealLogins() { restorer_.Stop(); }

void IscsiState::RestoreRealLogin(std::mutex& guard, const WaitingLogin& waiting) {
  RealLoginResult result;
  std::shared_ptr<RealSession> real = LoginReal(waiting.plan, &result);
  // Declared before the lock, so logged out after it is released.
  std::shared_ptr<RealSession> unwanted;
  std::lock_guard lock(guard);
  IscsiFunctionState& f = functions_[waiting.instance];
  DoneLoggingIn(f, waiting.entry);
  if (FindPersistent(f, waiting.entry) == nullptr) {
    // The entry was deleted meanwhile: nothing to restore.
    unwanted = std::move(real);
    if (PruneTargets(f)) SaveTargets(*model_, f);
    return;
  }
  CountLogin(f, waiting.entry, real == nullptr ? static_cast<uint8_t>(result.firmware_status) : 0,
             static_cast<uint16_t>(result.additional_status));
  EmulatedSession& session = SessionFor(*model_, f, waiting.entry);
  if (real != nullptr) {
    MarkOpen(f, session, NegotiatedRecord(waiting.plan.offered, result), result.local_port,
             std::move(real));
  } else {
    MarkLoginFailed(session);
  }
  if (StoreTarget(f, network_, waiting.entry)) SaveTargets(*model_, f);
}

IscsiFunctionState* IscsiState::Function(const FunctionRef& function) {
  for (IscsiFunctionState& f : functions_) {
    if (f.function == function) return &f;
  }
  return nullptr;
}

IscsiFunctionState* IscsiState::Instance(int instance) {
  if (instance < 0 || static_cast<size_t>(instance) >= functions_.size()) return nullptr;
  return &functions_[instance];
}

bool IscsiState::SetTargetOnline(const std::string& name, bool online) {
  bool found = false;
  for (SimulatedTarget& target : network_) {
    if (!EqualsIgnoreCase(target.name, name)) continue;
    target.online = online;
    found = true;
  }
  if (!found || online) return found;
  for (IscsiFunctionState& f : functions_) {
    for (EmulatedSession& session : f.sessions) {
      if (session.real != nullptr || session.state != records::kSessionOpen ||
          !EqualsIgnoreCase(session.request.target_name, name)) {
        continue;
      }
      session.state = records::kSessionClosed;
      session.connection_bits &= ~records::kConnectionLoggedIn;
      CountLostSession(f);
    }
  }
  return true;
}

std::span<const HandlerEntry> IscsiHandlers() { return kIscsiHandlers; }

}  // namespace oxim::emulator
