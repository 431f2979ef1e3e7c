// Login, logout, ISID qualifiers and persistent entries; see login.h.
#include "areas/iscsi/login.h"

#include <cstdlib>
#include <set>
#include <vector>

#include "areas/iscsi/boot_regions.h"
#include "areas/iscsi/iscsi_tree.h"
#include "areas/iscsi/login_options.h"
#include "areas/iscsi/luns.h"
#include "areas/iscsi/saved_files.h"
#include "areas/iscsi/sessions.h"
#include "core/address.h"
#include "core/last_status.h"
#include "core/log.h"
#include "core/node_store.h"
#include "core/store_guard.h"
#include "core/strings.h"
#include "core/tree_services.h"
#include "records/iscsi_login.h"
#include "records/iscsi_sessions.h"
#include "schema/handler_registry.h"
#include "transport/commands.h"

namespace oxim::iscsi {
namespace {

constexpr uint32_t kMaxSessionsPerTarget = 64;
constexpr int kLogoutAttempts = 3;

Node* logical_hba_of(Node* node) { return enclosing_group(node, "LogicalHBA"); }

bool closed_or_failed(const std::string& status) {
  return equal_ignoring_case(status, "Closed") || equal_ignoring_case(status, "Login Failed");
}

// The first connection's destination of a session.
bool first_destination(Node* session, std::string* ip, std::string* port) {
  std::vector<Node*> connections = instances_of(session, "Connection");
  if (connections.empty()) return false;
  *ip = cached_prop(connections.front(), "DestinationIPAddress");
  *port = cached_prop(connections.front(), "DestinationPortNumber");
  return true;
}

uint32_t hex_value(const std::string& text) { return parse_hex32(text).value_or(0); }

// The qualifier parameter: decimal, hexadecimal after "0x", octal after "0".
std::optional<uint32_t> parse_qualifier(const std::string& text) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  errno = 0;
  const long long value = std::strtoll(text.c_str(), &end, 0);
  if (errno != 0 || end == text.c_str() || *end != '\0' || value < 0 || value > 65535) {
    return std::nullopt;
  }
  return static_cast<uint32_t>(value);
}

// The login request for target at ip:port (everything but the options).
records::LoginRequest build_request(Node* target, const std::string& ip, const std::string& port,
                                    uint32_t qualifier, uint32_t flags, uint32_t eto,
                                    const LoginInitiator& initiator) {
  records::LoginRequest request;
  request.target_name = cached_prop(target, "TargetISCSIName");
  request.portal =
      records::PortalFromText(ip, static_cast<uint16_t>(std::strtoul(port.c_str(), nullptr, 10)));
  request.flags = flags;
  request.eto = eto == 0 ? records::kNoEto : eto;
  request.isid_qualifier = static_cast<uint16_t>(qualifier);
  request.initiator_name = initiator.name;
  request.initiator_alias = initiator.alias;
  return request;
}

// The initiator a login request names.
LoginInitiator initiator_of(const records::LoginRequest& request) {
  return {request.initiator_name, request.initiator_alias};
}

uint32_t target_eto(Node* target) {
  return static_cast<uint32_t>(std::strtoul(cached_prop(target, "ETO").c_str(), nullptr, 10));
}

// OXIM_get_isid: the qualifier of a login and the closed session it reuses.
uint32_t OXIM_get_isid(Node* target, const std::string& parameter, const std::string& ip,
                       const std::string& port, const std::string& initiator, uint32_t* qualifier,
                       Node** reused) {
  *reused = nullptr;
  const std::string name = cached_prop(target, "TargetISCSIName");
  std::vector<Node*> sessions = instances_of(target, "Session");
  auto reusable = [&](Node* session, std::optional<uint32_t> wanted) {
    std::string address;
    std::string number;
    return closed_or_failed(cached_prop(session, "SessionStatus")) &&
           first_destination(session, &address, &number) && SameIpAddress(address, ip) &&
           equal_ignoring_case(number, port) &&
           (!wanted || hex_value(cached_prop(session, "ISIDQualifier")) == *wanted);
  };
  if (parameter.empty()) {
    for (Node* session : sessions) {
      if (reusable(session, std::nullopt)) {
        *reused = session;
        *qualifier = hex_value(cached_prop(session, "ISIDQualifier"));
        return 0;
      }
    }
    *qualifier = generate_isid_qualifier(name, initiator);
    return 0;
  }
  std::optional<uint32_t> wanted = parse_qualifier(parameter);
  if (!wanted) {
    return report(kIsidOutOfRange);
  }
  for (Node* session : sessions) {
    if (reusable(session, wanted)) {
      *reused = session;
      *qualifier = *wanted;
      return 0;
    }
  }
  if (check_for_isid_existence(*wanted, name, initiator) != 0) {
    return report(kIsidInUse);
  }
  *qualifier = *wanted;
  return 0;
}

enum class Attempt { kWith, kWithout };

std::vector<Attempt> chap_attempts(const std::string& level, bool* valid) {
  *valid = true;
  if (level == "Preferred") return {Attempt::kWith, Attempt::kWithout};
  if (level == "Discouraged") return {Attempt::kWithout, Attempt::kWith};
  if (level == "Prohibited") return {Attempt::kWithout};
  if (level == "Required") return {Attempt::kWith};
  *valid = false;
  return {};
}

std::vector<Attempt> digest_attempts(const std::string& level) {
  if (level == "Preferred") return {Attempt::kWith, Attempt::kWithout};
  return {Attempt::kWithout};
}

// One login attempt's choices.
struct Combination {
  bool chap = false;
  bool header_digest = false;
  bool data_digest = false;
};

// The attempts the levels of an options group allow, in order: each CHAP
// attempt, within it each header digest attempt, within that each data
// digest attempt. Empty for a CHAP level that is none of the four.
std::vector<Combination> login_combinations(const LoginOptionFields& fields) {
  bool valid = false;
  const std::vector<Attempt> chap = chap_attempts(fields.chap_param, &valid);
  std::vector<Combination> combinations;
  for (Attempt with_chap : chap) {
    for (Attempt header : digest_attempts(fields.header_param)) {
      for (Attempt data : digest_attempts(fields.data_param)) {
        combinations.push_back(
            {with_chap == Attempt::kWith, header == Attempt::kWith, data == Attempt::kWith});
      }
    }
  }
  return combinations;
}

// Puts one attempt's options record into the request; the record, or
// nullopt when it cannot be encoded.
std::optional<records::LoginOptions> set_attempt_options(const LoginOptionFields& fields,
                                                         const Combination& attempt,
                                                         records::LoginRequest* request) {
  records::LoginOptions options = get_default_login_options();
  apply_login_attempt(fields, &options, attempt.chap, attempt.header_digest, attempt.data_digest);
  if (!records::EncodeLoginOptions(request->options, options)) return std::nullopt;
  return options;
}

// The negotiation loop of a normal login (mode 1). request carries the
// qualifier and is answered in place by the firmware on success.
uint32_t OXIM_esx_login(Node* target, Node* options_group, records::LoginRequest* request,
                        const std::string& ip, const std::string& port, bool session_found,
                        const std::string& boot, std::vector<uint8_t>* answer) {
  const LoginOptionFields fields = options_of_group(options_group);
  const std::vector<Combination> combinations = login_combinations(fields);
  if (combinations.empty()) return 1;
  const bool chap_may_vary = fields.chap_param == "Discouraged" || fields.chap_param == "Preferred";
  const FunctionAddress address = function_address(target);
  const std::string name = request->target_name;
  std::set<uint32_t> tried;
  size_t attempt_number = 0;
  for (const Combination& attempt : combinations) {
    ++attempt_number;
    std::optional<records::LoginOptions> options = set_attempt_options(fields, attempt, request);
    if (!options) return 1;
    if (!session_found) {
      const uint32_t status = make_session_persistent(target, ip, port, request->isid_qualifier,
                                                      &*options, boot, initiator_of(*request), 0);
      if (status != 0) return status;
    }
    answer->assign(records::kLoginRequestSize, 0);
    records::EncodeLoginRequest(*answer, *request);
    const uint32_t result = ioctl_login_target(address, *answer);
    if (result == 0) return 0;
    if (!session_found || (result != 32 && result != 144 && chap_may_vary)) {
      KeepLastStatus keep;
      (void)delete_persistent(target, false, name, ip, port, request->isid_qualifier,
                              request->initiator_name, false);
    }
    if (result != kAuthenticationFailed.code && result != kDigestMismatch.code) {
      return report(kLoginFailed);
    }
    if (attempt_number == combinations.size()) {
      return report(result == kAuthenticationFailed.code ? kAuthenticationFailed : kDigestMismatch);
    }
    // The next attempt uses a qualifier of its own.
    tried.insert(request->isid_qualifier);
    uint32_t next = 0;
    while (next < 65535 && (tried.contains(next) ||
                            check_for_isid_existence(next, name, request->initiator_name))) {
      ++next;
    }
    request->isid_qualifier = static_cast<uint16_t>(next);
    if (session_found) {
      KeepLastStatus keep;
      (void)make_session_persistent(target, ip, port, next, nullptr, boot, initiator_of(*request),
                                    target_eto(target));
    }
  }
  return 1;
}

// The qualifier of the next discovery login, shared by every logical HBA.
uint16_t next_discovery_qualifier = 0;

uint32_t do_Login(Node* target, Node*, char* params) {
  Node* controller = enclosing_group(target, "Quellfire");
  if (controller == nullptr) return 1;
  std::vector<Node*> sessions = instances_of(target, "Session");
  // Which session is closed (and so re-opened by this login) the firmware
  // says now.
  {
    KeepLastStatus keep;
    for (Node* session : sessions) (void)get_session_attribs(session);
  }
  if (sessions.size() >= kMaxSessionsPerTarget) {
    return report(kMaxSessions);
  }
  std::vector<Node*> portals = instances_of(target, "TargetPortal");
  if (portals.empty()) {
    return report(kPortalNotFound);
  }
  std::string ip = param_text(params, 0);
  std::string port = param_text(params, 1);
  Node* portal = nullptr;
  if (!ip.empty() || !port.empty()) {
    for (Node* candidate : portals) {
      if (SameIpAddress(prop_or_empty(candidate, "TargetIPAddress"), ip) &&
          (port.empty() || prop_or_empty(candidate, "TargetPortNumber") == port)) {
        portal = candidate;
        break;
      }
    }
  } else {
    for (Node* candidate : portals) {
      if (instance_number(candidate) == 0) portal = candidate;
    }
  }
  if (portal == nullptr) {
    return report(kPortalNotFound);
  }
  ip = prop_or_empty(portal, "TargetIPAddress");
  port = prop_or_empty(portal, "TargetPortNumber");
  const uint32_t tag = static_cast<uint32_t>(
      std::strtoul(prop_or_empty(portal, "PortalGroupTag").c_str(), nullptr, 10));
  Node* existing = find_session(target, ip, port);
  const bool existing_boot = existing != nullptr && cached_prop(existing, "iSCSIBoot") == "True";
  LoginInitiator login_initiator;
  login_initiator.name = param_text(params, 2);
  if (uint32_t status = refuse_unsavable("SessionInitiatorName", login_initiator.name);
      status != 0) {
    return status;
  }
  if (login_initiator.name.empty() && existing != nullptr) {
    login_initiator.name = cached_prop(existing, "SessionInitiatorName");
  }
  // The alias always, and the name when neither the parameter nor the
  // session gives it: the firmware's record, read once.
  {
    LoginInitiator firmware;
    (void)read_login_initiator(logical_hba_of(target), &firmware);
    if (login_initiator.name.empty()) login_initiator.name = std::move(firmware.name);
    login_initiator.alias = std::move(firmware.alias);
  }
  const std::string& initiator = login_initiator.name;
  const std::string boot = param_text(params, 4);
  uint32_t qualifier = 0;
  Node* reused = nullptr;
  if (uint32_t status =
          OXIM_get_isid(target, param_text(params, 3), ip, port, initiator, &qualifier, &reused);
      status != 0) {
    return status;
  }
  // A closed session reused by its qualifier is the session this login
  // re-opens. A session open at the portal under another qualifier stays
  // as it is: this login makes a session of its own, with a persistent
  // entry of its own.
  if (reused != nullptr) {
    existing = reused;
  } else if (existing != nullptr &&
             (hex_value(cached_prop(existing, "ISIDQualifier")) != qualifier ||
              !equal_ignoring_case(cached_prop(existing, "SessionInitiatorName"), initiator))) {
    existing = nullptr;
  }
  records::LoginRequest request =
      build_request(target, ip, port, qualifier, records::kLoginFlagsLogin, 0, login_initiator);
  std::vector<uint8_t> answer;
  const std::string persistence = equal_ignoring_case(boot, "True") ? "True" : "False";
  if (uint32_t status = OXIM_esx_login(target, child_group(target, "TargetLoginOptions"), &request,
                                       ip, port, existing != nullptr, persistence, &answer);
      status != 0) {
    return status;
  }
  std::optional<records::LoginResponse> response = records::DecodeLoginResponse(answer);
  if (!response || (response->state & records::kSessionLoginFailed)) return 1;
  std::optional<records::LoginOptions> negotiated =
      records::DecodeLoginOptions(response->negotiated);
  Node* session = existing;
  if (session != nullptr && session_record(session) &&
      session_record(session)->handle == response->session_handle) {
    if (negotiated) {
      set_session_login_options(child_group(session, "SessionNegotiatedLoginOptions"), *negotiated);
      std::vector<Node*> connections = instances_of(session, "Connection");
      if (!connections.empty()) {
        set_connection_login_options(
            child_group(connections.front(), "ConnectionNegotiatedLoginOptions"), *negotiated);
      }
    }
    KeepLastStatus keep;
    (void)get_session_attribs(session);
  } else {
    // A new firmware session (another qualifier than the session found),
    // made from the firmware's record of it.
    session = setup_session(target, response->session_handle, tag, response->connection_handle);
    if (session == nullptr) return 1;
  }
  clear_params(params);
  bool changed = false;
  // Every session of the target was read by this login, the new one last.
  if (get_all_luns(target, &changed, SessionStatuses::kCurrent) == 90) report(kLoginLunsNotRead);
  if (set_eto_prop(target, cached_prop(target, "ETO"), response->session_handle) != 0) {
    report(kEtoNotSet);
  }
  // Persistent is what the firmware's record of the session says
  // (get_session_attribs): the entry made before the login, or the one the
  // re-opened session has.
  if (existing_boot || persistence == "True") return add_boot_tlv_on_tindra(session);
  return 0;
}

uint32_t do_Logout(Node* target, Node*, char* params) {
  std::vector<Node*> sessions = instances_of(target, "Session");
  const std::string instance = param_text(params, 0);
  Node* session = nullptr;
  if (instance.empty()) {
    if (sessions.empty()) {
      return report(kNoActiveSessions);
    }
    session = sessions.front();
  } else {
    session = child_group(target, ("Session" + instance).c_str());
    if (session == nullptr || !is_instanced(session)) {
      return report(kInvalidInstance);
    }
  }
  // Whether the session is open now, and a boot session, the firmware says
  // (its session record, read once).
  {
    KeepLastStatus keep;
    (void)get_session_attribs(session);
  }
  const std::string status_text = cached_prop(session, "SessionStatus");
  if (cached_prop(session, "iSCSIBoot") == "True") {
    if (status_text == "Open") {
      return report(kBootSessionLogout);
    }
    if (uint32_t status = set_boot_session(session, "False"); status != 0) return status;
  }
  const std::string name = cached_prop(target, "TargetISCSIName");
  const bool persistent = cached_prop(session, "Persistent") == "True";
  std::string ip;
  std::string port;
  (void)first_destination(session, &ip, &port);
  const uint32_t qualifier = hex_value(cached_prop(session, "ISIDQualifier"));
  const std::string initiator = cached_prop(session, "SessionInitiatorName");
  std::optional<SessionRecord> record = session_record(session);
  if (!record) return 1;
  for (Node* lun : instances_of(target, "LUN")) {
    if (os_prepare_device_for_removal(cached_prop(lun, "DeviceVendorName"),
                                      cached_prop(lun, "DeviceModelNumber")) != 0) {
      pdebug(kModuleAdapter, kLogError, "%s: the host keeps a device of the target\n", __func__);
    }
  }
  const FunctionAddress address = function_address(session);
  uint32_t result = 1;
  for (int attempt = 0; attempt < kLogoutAttempts && result != 0; ++attempt) {
    std::array<uint8_t, records::kSessionHandleRequestSize> request{};
    records::EncodeSessionHandleRequest(request, record->handle);
    result = ioctl_logout_target(address, request);
  }
  if (result != 0) return result;
  const uint32_t luns = OXIM_cleanup_sessions(target, session);
  clear_params(params);
  if (persistent) {
    if (uint32_t status =
            delete_persistent(target, false, name, ip, port, qualifier, initiator, false);
        status != 0) {
      return status;
    }
  }
  if (luns == 90) report(kLogoutLunsNotRead);
  return 0;
}

}  // namespace

uint32_t OXIM_esx_discovery_login(Node* command_node, Node* options_group,
                                  records::LoginRequest* request, std::vector<uint8_t>* answer) {
  const LoginOptionFields fields = options_of_group(options_group);
  const std::vector<Combination> combinations = login_combinations(fields);
  if (combinations.empty()) return 1;
  const FunctionAddress address = function_address(command_node);
  request->flags |= records::kLoginFlagsDiscovery;
  uint32_t result = 1;
  for (const Combination& attempt : combinations) {
    if (!set_attempt_options(fields, attempt, request)) return 1;
    request->isid_qualifier = next_discovery_qualifier++;
    answer->assign(records::kLoginRequestSize, 0);
    records::EncodeLoginRequest(*answer, *request);
    result = ioctl_login_target(address, *answer);
    if (result == 0) return 0;
    if (result != kAuthenticationFailed.code && result != kDigestMismatch.code) return result;
  }
  return report(result == kAuthenticationFailed.code ? kAuthenticationFailed : kDigestMismatch);
}

int check_for_isid_existence(uint32_t qualifier, const std::string& target_name,
                             const std::string& initiator_name) {
  const uint32_t wanted = qualifier & 0xFFFF;
  Node* root = hm_get_root(oxim_current_hierarchy);
  for (Node* controller : instances_of(root, "Quellfire")) {
    for (Node* physical : instances_of(controller, "iSCSIPhysicalHBA")) {
      for (Node* logical : instances_of(physical, "LogicalHBA")) {
        for (Node* target : instances_of(logical, "Target")) {
          if (!equal_ignoring_case(cached_prop(target, "TargetISCSIName"), target_name)) continue;
          for (Node* session : instances_of(target, "Session")) {
            // A session's qualifier and initiator never change: the values
            // mirrored when it was made are the firmware's.
            const std::string initiator = cached_prop(session, "SessionInitiatorName");
            const std::string text = cached_prop(session, "ISIDQualifier");
            if (initiator.empty() || text.empty()) return 1;
            if (equal_ignoring_case(initiator, initiator_name) && hex_value(text) == wanted) {
              return 1;
            }
          }
        }
      }
    }
  }
  return 0;
}

uint32_t generate_isid_qualifier(const std::string& target_name,
                                 const std::string& initiator_name) {
  for (uint32_t qualifier = 0; qualifier < 65535; ++qualifier) {
    if (check_for_isid_existence(qualifier, target_name, initiator_name) == 0) return qualifier;
  }
  return 65535;
}

uint32_t make_session_persistent(Node* target, const std::string& ip, const std::string& port,
                                 uint32_t isid_qualifier, const records::LoginOptions* options,
                                 const std::string& persistence, const LoginInitiator& initiator,
                                 uint32_t eto) {
  uint32_t flags = records::kLoginFlagsPersistent;
  if (equal_ignoring_case(persistence, "True")) flags |= records::kLoginFlagBootTarget;
  records::LoginRequest request =
      build_request(target, ip, port, isid_qualifier, flags, eto, initiator);
  Node* target_options = child_group(target, "TargetLoginOptions");
  const LoginOptionFields fields = options_of_group(target_options);
  records::LoginOptions record = get_default_login_options();
  if (options != nullptr) {
    record = *options;
  } else {
    // The options the login loop would try first, so that the adapter logs
    // the entry in as a Login would: with CHAP only at a level that offers
    // it first (Required, Preferred), with a digest only when its level is
    // Preferred.
    bool valid = false;
    const std::vector<Attempt> chap = chap_attempts(fields.chap_param, &valid);
    apply_login_attempt(fields, &record, valid && chap.front() == Attempt::kWith,
                        digest_attempts(fields.header_param).front() == Attempt::kWith,
                        digest_attempts(fields.data_param).front() == Attempt::kWith);
  }
  if (!records::EncodeLoginOptions(request.options, record)) return 1;
  std::array<uint8_t, records::kLoginRequestSize> buffer{};
  records::EncodeLoginRequest(buffer, request);
  const FunctionAddress address = function_address(target);
  if (uint32_t status = ioctl_add_persistent_target(address, buffer); status != 0) {
    return status;
  }
  TargetLine line;
  line.path = hba_path(logical_hba_of(target));
  line.name = request.target_name;
  line.ip = ip;
  line.port = port;
  line.isid_qualifier = std::to_string(isid_qualifier & 0xFFFF);
  line.initiator_name = initiator.name;
  line.options = fields;
  line.target_type = cached_prop(target, "TargetType");
  if (OXIM_update_tgt_entry(line) != 0) {
    // An entry the saved files do not know could not be deleted with its
    // target: it goes again.
    pdebug(kModuleAdapter, kLogError, "%s: failed to record the persistent entry\n", __func__);
    (void)remove_persistent_entry(target, request.target_name, ip, port, isid_qualifier,
                                  initiator.name);
    return kSavedFileFailure;
  }
  return 0;
}

uint32_t remove_persistent_entry(Node* target, const std::string& name, const std::string& ip,
                                 const std::string& port, uint32_t isid_qualifier,
                                 const std::string& initiator_name) {
  KeepLastStatus keep;
  records::DeletePersistentRequest request;
  request.target_name = name;
  request.portal =
      records::PortalFromText(ip, static_cast<uint16_t>(std::strtoul(port.c_str(), nullptr, 10)));
  request.portal.tag = (isid_qualifier & 0xFFFF) | records::kIsidWordFlag;
  request.initiator_name = initiator_name;
  std::array<uint8_t, records::kDeletePersistentSize> buffer{};
  records::EncodeDeletePersistent(buffer, request);
  return ioctl_del_persistent_target(function_address(target), buffer);
}

uint32_t delete_persistent(Node* target, bool skip, const std::string& name, const std::string& ip,
                           const std::string& port, uint32_t isid_qualifier,
                           const std::string& initiator_name, bool keep_file) {
  if (!skip &&
      remove_persistent_entry(target, name, ip, port, isid_qualifier, initiator_name) != 0) {
    return report(kPersistencyNotDeleted);
  }
  // A line left behind would log the session in again at a refresh.
  if (!keep_file && RemoveLinesIfAny(SavedFile::kTargets,
                                     TargetSessionKey(hba_path(logical_hba_of(target)), name, ip,
                                                      port, isid_qualifier & 0xFFFF)) != 0) {
    return kSavedFileFailure;
  }
  return 0;
}

uint32_t OXIM_check_session_status(Node* target, bool* logged_in, Node* portal) {
  *logged_in = false;
  const std::string portal_ip = portal ? prop_or_empty(portal, "TargetIPAddress") : "";
  const std::string portal_port = portal ? prop_or_empty(portal, "TargetPortNumber") : "";
  const std::string name = cached_prop(target, "TargetISCSIName");
  // A boot session that could not be unmarked (its boot target TLV not
  // removed) is kept, and the deletion that asked fails with its status.
  uint32_t unmarking = 0;
  char unmarking_message[kMessageSize] = "";
  {
    // Cleaning up what is closed is best effort otherwise: a step that
    // fails leaves no status behind for the deletion that asked.
    KeepLastStatus keep;
    for (Node* session : instances_of(target, "Session")) {
      std::string ip;
      std::string port;
      const bool has_destination = first_destination(session, &ip, &port);
      if (portal != nullptr && (!has_destination || !SameIpAddress(ip, portal_ip) ||
                                !equal_ignoring_case(port, portal_port))) {
        continue;
      }
      if (get_session_attribs(session) != 0) {
        // The firmware no longer knows the session.
        (void)OXIM_cleanup_sessions(target, session);
        continue;
      }
      if (!closed_or_failed(cached_prop(session, "SessionStatus"))) {
        *logged_in = true;
        continue;
      }
      if (cached_prop(session, "iSCSIBoot") == "True") {
        if (const uint32_t status = set_boot_session(session, "False"); status != 0) {
          oxim_get_last_status(&unmarking, unmarking_message);
          if (unmarking == 0) {
            unmarking = status;
            std::snprintf(unmarking_message, sizeof unmarking_message, "%s", kInternalErrorSuffix);
          }
          continue;
        }
      }
      (void)remove_persistent_entry(target, name, ip, port,
                                    hex_value(cached_prop(session, "ISIDQualifier")),
                                    cached_prop(session, "SessionInitiatorName"));
      // The firmware keeps a closed session (and with it its target and
      // portal) until it is logged out: what is deleted stays deleted.
      if (std::optional<SessionRecord> record = session_record(session)) {
        std::array<uint8_t, records::kSessionHandleRequestSize> request{};
        records::EncodeSessionHandleRequest(request, record->handle);
        (void)ioctl_logout_target(function_address(session), request);
      }
      (void)OXIM_cleanup_sessions(target, session);
    }
  }
  if (unmarking != 0) oxim_set_last_status(unmarking, unmarking_message);
  return unmarking;
}

uint32_t OXIM_update_session_authentication(Node* target) {
  const std::string name = cached_prop(target, "TargetISCSIName");
  bool remade = false;
  uint32_t result = 0;
  // The alias the entries made again carry, read at the first of them.
  std::optional<std::string> alias;
  for (Node* session : instances_of(target, "Session")) {
    {
      KeepLastStatus keep;
      (void)get_session_attribs(session);
    }
    if (!closed_or_failed(cached_prop(session, "SessionStatus"))) continue;
    std::string ip;
    std::string port;
    if (!first_destination(session, &ip, &port)) continue;
    const bool boot = cached_prop(session, "iSCSIBoot") == "True";
    const uint32_t qualifier = hex_value(cached_prop(session, "ISIDQualifier"));
    const std::string initiator = cached_prop(session, "SessionInitiatorName");
    // A boot session that cannot be unmarked (its TLV removed) keeps its
    // entry as it is.
    if (boot) {
      if (uint32_t status = set_boot_session(session, "False"); status != 0) {
        result = status;
        continue;
      }
    }
    {
      KeepLastStatus keep;
      (void)remove_persistent_entry(target, name, ip, port, qualifier, initiator);
    }
    (void)OXIM_cleanup_sessions(target, session);
    if (!alias) {
      LoginInitiator firmware;
      (void)read_login_initiator(logical_hba_of(target), &firmware);
      alias = std::move(firmware.alias);
    }
    const uint32_t status =
        make_session_persistent(target, ip, port, qualifier, nullptr, boot ? "True" : "False",
                                {initiator, *alias}, target_eto(target));
    if (status != 0) {
      result = status;
      continue;
    }
    remade = true;
  }
  if (remade) {
    {
      KeepLastStatus keep;
      (void)get_all_sessions(logical_hba_of(target), target, nullptr);
    }
    // The boot target TLVs of the entries made again.
    for (Node* session : instances_of(target, "Session")) {
      if (!closed_or_failed(cached_prop(session, "SessionStatus")) ||
          cached_prop(session, "iSCSIBoot") != "True") {
        continue;
      }
      if (uint32_t status = add_boot_tlv_on_tindra(session); status != 0) result = status;
    }
  }
  return result;
}

void register_login_handlers(HandlerRegistry& registry) {
  registry.add_command("do_Login", do_Login);
  registry.add_command("do_Logout", do_Logout);
}

}  // namespace oxim::iscsi
