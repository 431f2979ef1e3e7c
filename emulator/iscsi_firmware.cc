// The emulated firmware's iSCSI initiator; see iscsi_firmware.h.
#include "iscsi_firmware.h"

#include <algorithm>
#include <cstring>

#include "transport/coding.h"

namespace oxim::emulator {
namespace {

using iscsi::FirmwareTarget;
using iscsi::LoginRequest;
using iscsi::PortalEntry;
using transport::DecodeFixed32;
using transport::EncodeFixed32;

// Firmware statuses and additional statuses of refused commands.
constexpr uint8_t kFwFailed = 1;
constexpr uint8_t kFwNoSuchObject = 2;  // with additional status 0
constexpr uint8_t kFwTooManyTargets = 20;
constexpr uint16_t kAddSessionsOpen = 16;
constexpr uint16_t kAddNoSession = 18;

// Request sizes the table checks.
constexpr uint32_t kHandleRequestSize = 4;
constexpr uint32_t kTargetIdRequestSize = 8;
constexpr uint32_t kEraseRequestSize = 20;
constexpr uint32_t kLargestRequest = 64000;

// Session configuration fields a set request changes (offsets in the set
// request, then in the configuration record).
constexpr size_t kSetEtoOffset = 8;
constexpr size_t kSetByteOffset = 12;
constexpr size_t kSetWordOffset = 16;
constexpr size_t kSetBlockOffset = 244;
constexpr size_t kSetLastWordOffset = 276;
constexpr size_t kConfigByteOffset = 8;
constexpr size_t kConfigWordOffset = 12;
constexpr size_t kConfigBlockOffset = 240;
constexpr size_t kConfigBlockSize = 32;
constexpr size_t kConfigLastWordOffset = 272;

// The ISID of every session starts with these (OUI format); the fourth byte
// is the function's instance and the last two the qualifier.
constexpr uint8_t kIsidPrefix[] = {0x00, 0x02, 0x3d};
// The function's own address: 192.0.2.100 + instance, or 2001:db8::100 +
// instance towards an IPv6 portal; connections use ephemeral ports.
constexpr uint8_t kSourceIpv4[] = {192, 0, 2, 100};
constexpr uint8_t kSourceIpv6[] = {0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0};
constexpr uint16_t kFirstSourcePort = 49152;
constexpr uint16_t kSourcePortsPerFunction = 1024;

FirmwareAnswer Refuse(uint8_t status, uint16_t additional) { return {status, additional, {}}; }
FirmwareAnswer NoSuchObject() { return Refuse(kFwNoSuchObject, 0); }
FirmwareAnswer NotIscsi() { return Refuse(kFwNotSupported, 0); }

std::string FlashKey(const IscsiFunctionState& f, const char* record) {
  return "iscsi-c" + std::to_string(f.function.controller) + "f" +
         std::to_string(f.function.function) + "-" + record;
}

// Persistent entries and sessions are told apart by target, portal,
// qualifier and initiator (names ignoring case).
bool SameKey(const LoginRequest& a, const LoginRequest& b) {
  return EqualsIgnoreCase(a.target_name, b.target_name) && SamePortal(a.portal, b.portal) &&
         a.isid_qualifier == b.isid_qualifier &&
         EqualsIgnoreCase(a.initiator_name, b.initiator_name);
}

// ---- Flash records ----------------------------------------------------------
// Persistent entries: their login requests back to back. Target store: per
// target a u32 length and its target record. Discovery parameters: the 888
// bytes as set.

bool SavePersistent(AdapterModel& model, const IscsiFunctionState& f) {
  std::vector<uint8_t> bytes(f.persistent.size() * iscsi::kLoginRequestSize);
  for (size_t i = 0; i < f.persistent.size(); ++i) {
    iscsi::EncodeLoginRequest(
        std::span(bytes).subspan(i * iscsi::kLoginRequestSize, iscsi::kLoginRequestSize),
        f.persistent[i]);
  }
  return model.flash().Save(FlashKey(f, "persistent"), bytes);
}

void LoadPersistent(AdapterModel& model, IscsiFunctionState& f) {
  std::vector<uint8_t> bytes =
      model.flash().Load(FlashKey(f, "persistent")).value_or(std::vector<uint8_t>{});
  for (size_t at = 0;
       at + iscsi::kLoginRequestSize <= bytes.size() && f.persistent.size() < kMaxPersistentTargets;
       at += iscsi::kLoginRequestSize) {
    if (auto request = iscsi::DecodeLoginRequest(std::span(bytes).subspan(at))) {
      f.persistent.push_back(std::move(*request));
    }
  }
}

bool SaveTargets(AdapterModel& model, const IscsiFunctionState& f) {
  std::vector<uint8_t> bytes;
  for (const FirmwareTarget& target : f.targets) {
    size_t at = bytes.size();
    size_t size = iscsi::TargetRecordSize(target);
    bytes.resize(at + 4 + size);
    EncodeFixed32(bytes.data() + at, static_cast<uint32_t>(size));
    iscsi::EncodeTargetRecord(std::span(bytes).subspan(at + 4), target);
  }
  return model.flash().Save(FlashKey(f, "targets"), bytes);
}

void LoadTargets(AdapterModel& model, IscsiFunctionState& f) {
  std::vector<uint8_t> bytes =
      model.flash().Load(FlashKey(f, "targets")).value_or(std::vector<uint8_t>{});
  size_t at = 0;
  while (at + 4 <= bytes.size()) {
    size_t size = DecodeFixed32(bytes.data() + at);
    if (size > bytes.size() - at - 4) break;
    std::optional<FirmwareTarget> target =
        iscsi::DecodeTargetRecord(std::span(bytes).subspan(at + 4, size));
    if (!target) break;
    f.targets.push_back(std::move(*target));
    at += 4 + size;
  }
}

bool SaveDiscovery(AdapterModel& model, const IscsiFunctionState& f) {
  return model.flash().Save(FlashKey(f, "discovery"), f.discovery);
}

void LoadDiscovery(AdapterModel& model, IscsiFunctionState& f) {
  f.discovery = model.flash().Load(FlashKey(f, "discovery")).value_or(std::vector<uint8_t>{});
  if (f.discovery.size() != iscsi::kDiscoveryParamsSize) {
    f.discovery.assign(iscsi::kDiscoveryParamsSize, 0);
  }
}

// ---- Target store -----------------------------------------------------------

FirmwareTarget* FindStoredTarget(IscsiFunctionState& f, std::string_view name) {
  for (FirmwareTarget& target : f.targets) {
    if (EqualsIgnoreCase(target.name, name)) return &target;
  }
  return nullptr;
}

// Enters the target of a login or persistent entry, its portal in a group
// of its own tagged with the simulated portal's tag (1 for a portal the
// network does not know). True when the store changed.
bool StoreTarget(IscsiFunctionState& f, const std::vector<SimulatedTarget>& network,
                 const LoginRequest& request) {
  const SimulatedTarget* simulated = FindSimulatedTarget(network, request.target_name);
  FirmwareTarget* target = FindStoredTarget(f, request.target_name);
  if (target == nullptr) {
    uint32_t id = 1;
    for (const FirmwareTarget& t : f.targets) id = std::max(id, t.id + 1);
    f.targets.push_back({id, request.target_name, simulated ? simulated->alias : "", {}});
    target = &f.targets.back();
  }
  uint16_t tag = 1;
  if (simulated != nullptr) {
    for (const SimulatedPortal& portal : simulated->portals) {
      std::optional<PortalEntry> entry = PortalOf(portal);
      if (entry && SamePortal(*entry, request.portal)) tag = portal.group_tag;
    }
  }
  PortalEntry portal = request.portal;
  portal.marker = iscsi::kPortalEntryMarker;
  portal.tag = tag;
  for (const iscsi::PortalGroup& group : target->groups) {
    for (const PortalEntry& p : group.portals) {
      if (SamePortal(p, portal)) return false;
    }
  }
  // One portal per group: in the record a group's second portal would lie
  // where the next group begins.
  target->groups.push_back({tag, {portal}});
  return true;
}

// Drops the targets that no persistent entry and no session refers to.
// True when one went.
bool PruneTargets(IscsiFunctionState& f) {
  size_t before = f.targets.size();
  std::erase_if(f.targets, [&](const FirmwareTarget& target) {
    auto named = [&](const LoginRequest& r) {
      return EqualsIgnoreCase(r.target_name, target.name);
    };
    return std::none_of(f.persistent.begin(), f.persistent.end(), named) &&
           std::none_of(f.sessions.begin(), f.sessions.end(),
                        [&](const EmulatedSession& s) { return named(s.request); });
  });
  return f.targets.size() != before;
}

// ---- Sessions ---------------------------------------------------------------

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
      open += session.state == iscsi::kSessionOpen &&
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
    EncodeFixed32(session->config.data(), session->handle);
  }
  session->request = request;
  uint32_t eto =
      request.eto != iscsi::kNoEto ? request.eto : model.controller(f.function).default_eto;
  EncodeFixed32(session->config.data() + iscsi::kSessionConfigEtoOffset, eto);
  return *session;
}

struct LoginOutcome {
  uint8_t status = kFwSuccess;
  uint16_t additional_status = 0;
  EmulatedSession* session = nullptr;
  bool targets_changed = false;  // the target store needs saving
};

LoginOutcome Login(AdapterModel& model, IscsiFunctionState& f, const LoginRequest& request) {
  IscsiState& state = model.iscsi();
  LoginDecision decision = EvaluateLogin(state.network(), request);
  if (decision.additional_status != 0) return {kFwFailed, decision.additional_status};
  const SimulatedTarget& target = state.network()[decision.target];
  if (OpenSessionsTo(state, target.name) >= target.max_sessions) {
    return {kFwFailed, kLoginServiceUnavailable};
  }
  EmulatedSession* existing = FindSession(f, request);
  if (existing != nullptr && existing->state == iscsi::kSessionOpen) {
    return {kFwFailed, kLoginSessionAlreadyOpen};
  }
  EmulatedSession& session = SessionFor(model, f, request);
  session.state = iscsi::kSessionOpen;
  session.connection_bits = iscsi::kConnectionLoggedIn;
  if (f.next_tsih == 0) f.next_tsih = 1;
  session.tsih = f.next_tsih++;
  session.source_port =
      static_cast<uint16_t>(kFirstSourcePort + kSourcePortsPerFunction * (f.instance % 16) +
                            f.next_source_port++ % kSourcePortsPerFunction);
  session.negotiated = {};
  iscsi::EncodeLoginOptions(session.negotiated, decision.negotiated);
  bool changed = StoreTarget(f, state.network(), request);
  return {kFwSuccess, 0, &session, changed};
}

iscsi::FirmwareSession SessionRecord(const IscsiFunctionState& f, const EmulatedSession& s) {
  iscsi::FirmwareSession record;
  record.handle = s.handle;
  record.state = s.state;
  record.isid = {kIsidPrefix[0],
                 kIsidPrefix[1],
                 kIsidPrefix[2],
                 static_cast<uint8_t>(f.instance),
                 static_cast<uint8_t>(s.request.isid_qualifier >> 8),
                 static_cast<uint8_t>(s.request.isid_qualifier)};
  record.tsih = s.tsih;
  record.flags = iscsi::kSessionNotPersistent;
  if (const LoginRequest* entry = FindPersistent(f, s.request)) {
    record.flags = (entry->flags & iscsi::kLoginFlagBootTarget) != 0 ? iscsi::kSessionBoot : 0;
  }
  if (s.boot) record.flags |= iscsi::kSessionBoot;
  record.target_name = s.request.target_name;
  record.initiator_name = s.request.initiator_name;
  std::copy_n(s.negotiated.begin(), iscsi::kLoginSessionPartSize, record.session_part.begin());

  iscsi::FirmwareConnection c;
  c.handle = s.connection_handle;
  c.bits = s.connection_bits;
  c.source_port = s.source_port;
  c.destination_port = s.request.portal.port;
  c.connection_id = 1;
  if (s.request.portal.address_type == iscsi::kAddressIpv6) {
    c.source_type = iscsi::kAddressIpv6;
    std::copy(std::begin(kSourceIpv6), std::end(kSourceIpv6), c.source_address.begin());
    c.source_address[15] = static_cast<uint8_t>(f.instance);
  } else {
    c.source_type = iscsi::kAddressIpv4;
    std::copy(std::begin(kSourceIpv4), std::end(kSourceIpv4), c.source_address.begin());
    c.source_address[3] = static_cast<uint8_t>(kSourceIpv4[3] + f.instance);
  }
  c.destination_type = s.request.portal.address_type;
  c.destination_address = s.request.portal.address;
  std::copy(s.negotiated.begin() + iscsi::kLoginSessionPartSize, s.negotiated.end(),
            c.connection_part.begin());
  record.connections.push_back(c);
  return record;
}

// ---- Handlers ---------------------------------------------------------------

IscsiFunctionState* FunctionOf(CommandContext& context) {
  return context.model.iscsi().Function(context.function);
}

uint32_t HandleOf(std::span<const uint8_t> request) { return DecodeFixed32(request.data()); }

// Subsystem 2, opcode 28: the discovery parameters kept in flash.
FirmwareAnswer GetDiscoveryParams(CommandContext& context, std::span<const uint8_t>) {
  IscsiFunctionState* f = FunctionOf(context);
  if (f == nullptr) return NotIscsi();
  return {kFwSuccess, 0, f->discovery};
}

// Subsystem 2, opcode 29: writes the discovery parameters to flash.
FirmwareAnswer SetDiscoveryParams(CommandContext& context, std::span<const uint8_t> request) {
  IscsiFunctionState* f = FunctionOf(context);
  if (f == nullptr) return NotIscsi();
  f->discovery.assign(request.begin(), request.begin() + iscsi::kDiscoveryParamsSize);
  if (!SaveDiscovery(context.model, *f)) return Refuse(kFwFailed, 0);
  return {};
}

// Opcode 30: the IDs of the target store.
FirmwareAnswer GetTargetIds(CommandContext& context, std::span<const uint8_t>) {
  IscsiFunctionState* f = FunctionOf(context);
  if (f == nullptr) return NotIscsi();
  std::vector<uint32_t> ids;
  for (const FirmwareTarget& target : f->targets) ids.push_back(target.id);
  FirmwareAnswer answer;
  answer.payload.assign(4 + iscsi::kTargetIdEntrySize * ids.size(), 0);
  iscsi::EncodeTargetIdList(answer.payload, ids);
  return answer;
}

// Opcode 32: one target record of the store, by the ID at 0.
FirmwareAnswer GetTarget(CommandContext& context, std::span<const uint8_t> request) {
  IscsiFunctionState* f = FunctionOf(context);
  if (f == nullptr) return NotIscsi();
  uint32_t id = DecodeFixed32(request.data());
  for (const FirmwareTarget& target : f->targets) {
    if (target.id != id) continue;
    FirmwareAnswer answer;
    answer.payload.assign(iscsi::TargetRecordSize(target), 0);
    iscsi::EncodeTargetRecord(answer.payload, target);
    return answer;
  }
  return NoSuchObject();
}

// Opcode 27: adds or replaces a persistent entry and enters its target in
// the store.
FirmwareAnswer AddPersistentTarget(CommandContext& context, std::span<const uint8_t> request) {
  IscsiFunctionState* f = FunctionOf(context);
  if (f == nullptr) return NotIscsi();
  std::optional<LoginRequest> entry = iscsi::DecodeLoginRequest(request);
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
  std::optional<iscsi::DeletePersistentRequest> deletion = iscsi::DecodeDeletePersistent(request);
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

// Opcode 23: logs in and answers the session over the request.
FirmwareAnswer LoginTarget(CommandContext& context, std::span<const uint8_t> request) {
  IscsiFunctionState* f = FunctionOf(context);
  if (f == nullptr) return NotIscsi();
  std::optional<LoginRequest> login = iscsi::DecodeLoginRequest(request);
  if (!login) return NoSuchObject();
  LoginOutcome outcome = Login(context.model, *f, *login);
  if (outcome.status != kFwSuccess) return Refuse(outcome.status, outcome.additional_status);
  if (outcome.targets_changed) SaveTargets(context.model, *f);
  iscsi::LoginResponse response;
  response.session_handle = outcome.session->handle;
  response.state = outcome.session->state;
  response.connection_handle = outcome.session->connection_handle;
  response.negotiated = outcome.session->negotiated;
  FirmwareAnswer answer;
  answer.payload.assign(request.begin(), request.end());
  iscsi::EncodeLoginResponse(answer.payload, response);
  return answer;
}

// Opcode 24: ends the session with the handle at 0.
FirmwareAnswer LogoutTarget(CommandContext& context, std::span<const uint8_t> request) {
  IscsiFunctionState* f = FunctionOf(context);
  if (f == nullptr) return NotIscsi();
  uint32_t handle = HandleOf(request);
  if (std::erase_if(f->sessions, [&](const EmulatedSession& s) { return s.handle == handle; }) ==
      0) {
    return NoSuchObject();
  }
  if (PruneTargets(*f)) SaveTargets(context.model, *f);
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
  answer.payload.assign(iscsi::ActiveSessionListSize(handles.size()), 0);
  iscsi::EncodeActiveSessionList(answer.payload, handles);
  return answer;
}

// Opcode 14: the session record of the handle at 0.
FirmwareAnswer GetSession(CommandContext& context, std::span<const uint8_t> request) {
  IscsiFunctionState* f = FunctionOf(context);
  if (f == nullptr) return NotIscsi();
  EmulatedSession* session = FindSession(*f, HandleOf(request));
  if (session == nullptr) return NoSuchObject();
  ++session->activity;
  iscsi::FirmwareSession record = SessionRecord(*f, *session);
  FirmwareAnswer answer;
  answer.payload.assign(iscsi::SessionRecordSize(record), 0);
  iscsi::EncodeSessionRecord(answer.payload, record);
  return answer;
}

// Opcode 16: the session configuration record of the handle at 0.
FirmwareAnswer GetSessionConfig(CommandContext& context, std::span<const uint8_t> request) {
  IscsiFunctionState* f = FunctionOf(context);
  if (f == nullptr) return NotIscsi();
  EmulatedSession* session = FindSession(*f, HandleOf(request));
  if (session == nullptr) return NoSuchObject();
  return {kFwSuccess, 0, {session->config.begin(), session->config.end()}};
}

// Opcode 17: a new time-out, with the fields the read gave carried back.
FirmwareAnswer SetSessionConfig(CommandContext& context, std::span<const uint8_t> request) {
  IscsiFunctionState* f = FunctionOf(context);
  if (f == nullptr) return NotIscsi();
  EmulatedSession* session = FindSession(*f, HandleOf(request));
  if (session == nullptr) return NoSuchObject();
  uint8_t* config = session->config.data();
  EncodeFixed32(config + iscsi::kSessionConfigEtoOffset,
                DecodeFixed32(request.data() + kSetEtoOffset));
  config[kConfigByteOffset] = request[kSetByteOffset];
  EncodeFixed32(config + kConfigWordOffset, DecodeFixed32(request.data() + kSetWordOffset));
  std::copy_n(request.begin() + kSetBlockOffset, kConfigBlockSize, config + kConfigBlockOffset);
  EncodeFixed32(config + kConfigLastWordOffset, DecodeFixed32(request.data() + kSetLastWordOffset));
  return {};
}

// Opcode 53: marks a session as boot session (bit 8 of the flags word at
// offset 4) or unmarks it. The mark is kept with the session's persistent
// entry, in flash, as the boot code reads it from there.
FirmwareAnswer SetBootTarget(CommandContext& context, std::span<const uint8_t> request) {
  IscsiFunctionState* f = FunctionOf(context);
  if (f == nullptr) return NotIscsi();
  EmulatedSession* session = FindSession(*f, HandleOf(request));
  if (session == nullptr) return NoSuchObject();
  const bool boot =
      (DecodeFixed32(request.data() + iscsi::kBootMarkFlagsOffset) & iscsi::kSessionBoot) != 0;
  for (LoginRequest& entry : f->persistent) {
    if (!SameKey(entry, session->request)) continue;
    entry.flags = boot ? (entry.flags | iscsi::kLoginFlagBootTarget)
                       : (entry.flags & ~iscsi::kLoginFlagBootTarget);
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
  std::optional<std::vector<uint32_t>> handles = iscsi::DecodeSessionAttributesRequest(request);
  if (!handles) return NoSuchObject();
  std::vector<iscsi::SessionAttributes> records;
  for (uint32_t handle : *handles) {
    EmulatedSession* session = FindSession(*f, handle);
    if (session == nullptr) continue;
    uint32_t activity = ++session->activity;
    iscsi::SessionAttributes r;
    r.handle = handle;
    r.direction = 1;
    r.command_pdus = 24 + 16 * activity;
    r.response_pdus = 24 + 16 * activity;
    r.tx_data_octets_high = activity;
    r.rx_data_octets_high = 2 * activity;
    const SimulatedTarget* target =
        FindSimulatedTarget(context.model.iscsi().network(), session->request.target_name);
    if (target != nullptr) r.target_alias = target->alias;
    records.push_back(std::move(r));
  }
  if (records.empty()) return Refuse(kFwFailed, kAddNoSession);
  FirmwareAnswer answer;
  answer.payload.assign(
      iscsi::kSessionAttributesRecordsOffset + iscsi::kSessionAttributesRecordSize * records.size(),
      0);
  iscsi::EncodeSessionAttributes(answer.payload, records);
  return answer;
}

// Subsystem 1, opcode 7 on an iSCSI function: forgets the iSCSI
// configuration (flash too); refused while a session is open.
FirmwareAnswer EraseIscsiConfig(CommandContext& context, std::span<const uint8_t>) {
  IscsiFunctionState* f = FunctionOf(context);
  if (f == nullptr) return NotIscsi();
  if (std::any_of(f->sessions.begin(), f->sessions.end(),
                  [](const EmulatedSession& s) { return s.state == iscsi::kSessionOpen; })) {
    return Refuse(kFwFailed, kAddSessionsOpen);
  }
  f->sessions.clear();
  f->persistent.clear();
  f->targets.clear();
  f->discovery.assign(iscsi::kDiscoveryParamsSize, 0);
  bool saved = SavePersistent(context.model, *f);
  saved = SaveTargets(context.model, *f) && saved;
  saved = SaveDiscovery(context.model, *f) && saved;
  return saved ? FirmwareAnswer{} : Refuse(kFwFailed, 0);
}

constexpr HandlerEntry kIscsiHandlers[] = {
    {1, 7, 0, kEraseRequestSize, kEraseRequestSize, EraseIscsiConfig},
    {2, 28, 0, iscsi::kDiscoveryParamsSize, iscsi::kDiscoveryParamsSize, GetDiscoveryParams},
    {2, 29, 0, iscsi::kDiscoveryParamsSize, iscsi::kDiscoveryParamsSize, SetDiscoveryParams},
    {6, 14, 0, kHandleRequestSize, kLargestRequest, GetSession},
    {6, 16, 0, kHandleRequestSize, kLargestRequest, GetSessionConfig},
    {6, 17, 0, iscsi::kSetSessionConfigSize, iscsi::kSetSessionConfigSize, SetSessionConfig},
    {6, 23, 0, iscsi::kLoginRequestSize, iscsi::kLoginRequestSize, LoginTarget},
    {6, 24, 0, kHandleRequestSize, kHandleRequestSize, LogoutTarget},
    {6, 27, 0, iscsi::kLoginRequestSize, iscsi::kLoginRequestSize, AddPersistentTarget},
    {6, 28, 0, iscsi::kDeletePersistentSize, iscsi::kDeletePersistentSize, DeletePersistentTarget},
    {6, 29, 0, kHandleRequestSize, kLargestRequest, GetActiveSessions},
    {6, 30, 0, kTargetIdRequestSize, kLargestRequest, GetTargetIds},
    {6, 32, 0, kHandleRequestSize, kLargestRequest, GetTarget},
    {6, 48, 0, iscsi::kSessionAttributesRecordsOffset, kLargestRequest, GetSessionAttributes},
    {6, 53, 0, iscsi::kBootMarkSize, iscsi::kBootMarkSize, SetBootTarget},
};

}  // namespace

void IscsiState::Start(AdapterModel& model) {
  network_ = model.config().targets;
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
      LoginOutcome outcome = Login(model, f, entry);
      changed = outcome.targets_changed || changed;
      if (outcome.status == kFwSuccess) continue;
      EmulatedSession& failed = SessionFor(model, f, entry);
      failed.state = iscsi::kSessionLoginFailed;
      failed.connection_bits = 0;
      changed = StoreTarget(f, network_, entry) || changed;
    }
    // Targets only the last run's sessions referred to are gone with them.
    changed = PruneTargets(f) || changed;
    if (changed) SaveTargets(model, f);
  }
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
      if (session.state != iscsi::kSessionOpen ||
          !EqualsIgnoreCase(session.request.target_name, name)) {
        continue;
      }
      session.state = iscsi::kSessionClosed;
      session.connection_bits &= ~iscsi::kConnectionLoggedIn;
    }
  }
  return true;
}

std::span<const HandlerEntry> IscsiHandlers() { return kIscsiHandlers; }

}  // namespace oxim::emulator
