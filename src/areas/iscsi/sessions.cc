// Sessions, connections, ETO and the boot flag; see sessions.h.
#include "areas/iscsi/sessions.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "areas/iscsi/boot_regions.h"
#include "areas/iscsi/catalogue.h"
#include "areas/iscsi/login_options.h"
#include "areas/iscsi/luns.h"
#include "core/address.h"
#include "core/alloc.h"
#include "core/last_status.h"
#include "core/log.h"
#include "core/node_store.h"
#include "core/store_guard.h"
#include "core/tree_services.h"
#include "kit/function_tree.h"
#include "records/iscsi_login.h"
#include "schema/handler_registry.h"
#include "transport/commands.h"

namespace oxim::iscsi {
namespace {

std::string session_status_text(uint32_t state) {
  if (state & records::kSessionOpen) return "Open";
  if (state & records::kSessionClosed) return "Closed";
  if (state & records::kSessionLoginInProgress) return "Login in Progress";
  if (state & records::kSessionLoginFailed) return "Login failed";
  if (state & records::kSessionLogoutFailed) return "Logout failed";
  if (state & (records::kSessionRecovery12 | records::kSessionRecovery6)) return "In Recovery";
  if (state & records::kSessionDeleted) return "Deleted";
  return "Unknown";
}

std::string hex_qualifier(const std::array<uint8_t, records::kIsidSize>& isid) {
  char text[8];
  std::snprintf(text, sizeof text, "%04x", records::IsidQualifier(isid));
  return text;
}

std::string secret_text(const std::vector<uint8_t>& bytes) {
  bool printable = !bytes.empty();
  for (uint8_t b : bytes) printable = printable && b >= 0x20 && b < 0x7f && b != ',';
  if (printable || bytes.empty()) return std::string(bytes.begin(), bytes.end());
  std::string text = "0x";
  char digits[3];
  for (uint8_t b : bytes) {
    std::snprintf(digits, sizeof digits, "%02x", b);
    text += digits;
  }
  return text;
}

std::string method_text(const records::LoginOptions& options) {
  if (options.authentication_method != 1) return "None";
  return options.mutual_chap == 1 ? "Mutual CHAP" : "One-Way CHAP";
}

records::LoginOptions negotiated_of(const records::FirmwareSession& session,
                                    const records::FirmwareConnection* connection) {
  std::array<uint8_t, records::kLoginOptionsSize> bytes{};
  std::memcpy(bytes.data(), session.session_part.data(), records::kLoginSessionPartSize);
  if (connection != nullptr) {
    std::memcpy(bytes.data() + records::kLoginSessionPartSize, connection->connection_part.data(),
                connection->connection_part.size());
  }
  std::optional<records::LoginOptions> decoded = records::DecodeLoginOptions(bytes);
  return decoded ? *decoded : records::LoginOptions{};
}

// Fills a Connection group from its firmware entry.
void apply_connection(Node* connection, const records::FirmwareConnection& entry) {
  cache_prop(connection, "iSCSIConnectionID", std::to_string(entry.connection_id));
  cache_prop(connection, "Status",
             (entry.bits & records::kConnectionLoggedIn) ? "Logged-in" : "Connection closed");
  cache_prop(connection, "SourcePortNumber", std::to_string(entry.source_port));
  cache_prop(connection, "DestinationPortNumber", std::to_string(entry.destination_port));
  cache_prop(connection, "SourceIPAddress",
             records::FormatAddress(entry.source_type, entry.source_address));
  cache_prop(connection, "DestinationIPAddress",
             records::FormatAddress(entry.destination_type, entry.destination_address));
  if (entry.bits & records::kConnectionRedirected) {
    cache_prop(connection, "RedirectedDestinationPort", std::to_string(entry.redirected_port));
    cache_prop(connection, "RedirectedDestinationIPAddress",
               records::FormatAddress(entry.redirected_type, entry.redirected_address));
  } else {
    cache_prop(connection, "RedirectedDestinationPort", "N/A");
    cache_prop(connection, "RedirectedDestinationIPAddress", "N/A");
  }
}

// Fills a Session group (and its connections, matched by handle) from its
// firmware record.
void apply_session(Node* session, const records::FirmwareSession& record, bool domain_zero) {
  for (Node* connection : instances_of(session, "Connection")) {
    std::optional<uint32_t> handle = connection_handle(connection);
    for (const records::FirmwareConnection& entry : record.connections) {
      if (handle && *handle == entry.handle) apply_connection(connection, entry);
    }
  }
  cache_prop(session, "SessionTSIH", std::to_string(record.tsih));
  cache_prop(session, "ISIDQualifier", hex_qualifier(record.isid));
  char isid[16];
  std::snprintf(isid, sizeof isid, "%02x%02x%02x%02x%02x%02x", record.isid[0], record.isid[1],
                record.isid[2], record.isid[3], record.isid[4], record.isid[5]);
  cache_prop(session, "ISID", isid);
  cache_prop(session, "SessionStatus", session_status_text(record.state));
  cache_prop(session, "SessionInitiatorName", record.initiator_name);
  // The boot flag as handle_boot_session reads it, from the same record.
  cache_prop(session, "iSCSIBoot", (record.flags & records::kSessionBoot) ? "True" : "False");
  if (domain_zero) {
    cache_prop(session, "Persistent",
               (record.flags & records::kSessionNotPersistent) ? "False" : "True");
  }
}

// The active session handles of the function (statuses 31 and 84).
uint32_t active_sessions(const FunctionAddress& address, std::vector<uint32_t>* handles) {
  std::array<uint8_t, records::kActiveSessionSizeRequest> query{};
  records::EncodeActiveSessionQuery(query, records::kActiveSessionSelector);
  uint16_t size = 0;
  if (ioctl_get_activesessionidbuffersize(address, query, &size) != 0 || size == 0) {
    return report(kInsufficientBuffer);
  }
  std::vector<uint8_t> list(std::max<size_t>(size, records::kActiveSessionHandlesOffset), 0);
  records::EncodeActiveSessionQuery(list, records::kActiveSessionSelector);
  std::optional<std::vector<uint32_t>> decoded;
  if (ioctl_get_activesessionid(address, list, size) != 0 ||
      !(decoded = records::DecodeActiveSessionList(list))) {
    return report(kActiveSessionIdsNotRead);
  }
  *handles = std::move(*decoded);
  return 0;
}

// The session of target that is the same as a firmware session: a
// connection with the same handle, destination, qualifier and initiator.
Node* OXIM_check_for_duplicate_session(Node* target, const records::FirmwareSession& record,
                                       const records::FirmwareConnection& entry,
                                       const std::string& ip, const std::string& port) {
  const std::string qualifier = hex_qualifier(record.isid);
  for (Node* session : instances_of(target, "Session")) {
    for (Node* connection : instances_of(session, "Connection")) {
      std::optional<uint32_t> handle = connection_handle(connection);
      if (!handle || *handle != entry.handle) continue;
      if (SameIpAddress(cached_prop(connection, "DestinationIPAddress"), ip) &&
          cached_prop(connection, "DestinationPortNumber") == port &&
          cached_prop(session, "ISIDQualifier") == qualifier &&
          equal_ignoring_case(cached_prop(session, "SessionInitiatorName"),
                              record.initiator_name)) {
        return session;
      }
    }
  }
  return nullptr;
}

void set_login_options_of_session(Node* session, const records::LoginOptions& negotiated) {
  Node* options = child_group(session, "SessionLoginOptions");
  setup_initiator_target_loginopts(options, negotiated);
  cache_prop(options, "InitialR2T", (negotiated.flags & records::kFlagInitialR2T) ? "Yes" : "No");
  cache_prop(options, "ImmediateData",
             (negotiated.flags & records::kFlagImmediateData) ? "Yes" : "No");
}

uint32_t handle_cached(Node* property, char* buffer, uint32_t op) {
  if (op == kOpRead) read_cached_value(property, buffer);
  if (op == kOpWrite) write_cached_value(property, buffer);
  return 0;
}

uint32_t group_Session(Node* session) { return get_session_attribs(session); }

// Session and connection properties: the firmware's session record, read
// again on every read (the session may have been lost since the last one).
// A session the firmware no longer knows fails the read.
uint32_t handle_session_properties(Node* property, char* buffer, uint32_t op) {
  if (op != kOpRead) return handle_cached(property, buffer, op);
  if (get_session_attribs(parent_of(property)) != 0) return OXIM_STATUS_FAILURE;
  read_cached_value(property, buffer);
  return OXIM_STATUS_SUCCESS;
}

uint32_t handle_connection_properties(Node* property, char* buffer, uint32_t op) {
  if (op != kOpRead) return handle_cached(property, buffer, op);
  Node* connection = parent_of(property);
  if (get_session_attribs(parent_of(connection)) != 0) return OXIM_STATUS_FAILURE;
  read_cached_value(property, buffer);
  return OXIM_STATUS_SUCCESS;
}

uint32_t handle_Target_ETO(Node* property, char* buffer, uint32_t op) {
  Node* target = parent_of(property);
  const bool has_sessions = !instances_of(target, "Session").empty();
  if (op == kOpRead) {
    std::string eto;
    if (has_sessions && get_eto_prop(target, &eto) == 0) write_cached_value(property, eto.c_str());
    read_cached_value(property, buffer);
    return 0;
  }
  if (op != kOpWrite) return 0;
  const std::string value(buffer, strnlen(buffer, kValueSize - 1));
  if (has_sessions) {
    if (uint32_t status = set_eto_prop(target, value, 0); status != 0) return status;
    std::string eto;
    if (get_eto_prop(target, &eto) == 0) {
      write_cached_value(property, eto.c_str());
      return 0;
    }
  }
  write_cached_value(property, value.c_str());
  return 0;
}

uint32_t handle_boot_session(Node* property, char* buffer, uint32_t op) {
  Node* session = parent_of(property);
  if (op == kOpRead) {
    records::FirmwareSession firmware;
    std::string value = "False";
    if (read_session_record(session, &firmware) == 0) {
      value = (firmware.flags & records::kSessionBoot) ? "True" : "False";
    }
    write_cached_value(property, value.c_str());
    read_cached_value(property, buffer);
    return 0;
  }
  if (op != kOpWrite) return 0;
  {
    // Whether it is marked now the firmware says.
    KeepLastStatus keep;
    (void)get_session_attribs(session);
  }
  return set_boot_session(session, std::string(buffer, strnlen(buffer, kValueSize)));
}

// Session statistics from the firmware's session attributes.
uint32_t handle_SsnAttr_properties(Node* property, char* buffer, uint32_t op) {
  if (op != kOpRead) return handle_cached(property, buffer, op);
  Node* statistics = parent_of(property);
  Node* session = parent_of(statistics);
  std::optional<SessionRecord> record = session_record(session);
  if (!record) return 1;
  const FunctionAddress address = function_address(session);
  std::vector<uint32_t> handles;
  if (uint32_t status = active_sessions(address, &handles); status != 0) return status;
  std::vector<uint8_t> request(records::kSessionAttributesSize, 0);
  if (!records::EncodeSessionAttributesRequest(request, handles)) return 1;
  const uint32_t status =
      ioctl_get_SsnAttr_params(address, request, static_cast<uint32_t>(request.size()));
  std::optional<std::vector<records::SessionAttributes>> records;
  if (status != 0 || !(records = records::DecodeSessionAttributes(request))) {
    if (status == 35) return 35;
    return report(kSessionAttributesNotRead);
  }
  for (const records::SessionAttributes& attributes : *records) {
    if (attributes.handle != record->handle) continue;
    cache_prop(statistics, "SessionTargetAlias", attributes.target_alias);
    cache_prop(statistics, "SessionDirection", std::to_string(attributes.direction));
    cache_prop(statistics, "CmdPdus", std::to_string(attributes.command_pdus));
    cache_prop(statistics, "RspPdus", std::to_string(attributes.response_pdus));
    cache_prop(statistics, "TxDataOctetsHigh", std::to_string(attributes.tx_data_octets_high));
    cache_prop(statistics, "RxDataOctetsHigh", std::to_string(attributes.rx_data_octets_high));
    cache_prop(statistics, "DigestErrors", std::to_string(attributes.digest_errors));
    cache_prop(statistics, "CxnTimeoutErrors", std::to_string(attributes.connection_timeouts));
  }
  read_cached_value(property, buffer);
  return 0;
}

}  // namespace

constexpr size_t kPrivateRecordSize = 16;

bool attach_private_record(Node* group, const uint32_t (&words)[4]) {
  auto* record = static_cast<uint8_t*>(oxim_dmalloc(kPrivateRecordSize));
  if (record == nullptr) return false;
  std::memcpy(record, words, kPrivateRecordSize);
  StoreLock lock;
  oxim_dfree(group->data.group->context);
  group->data.group->context = record;
  return true;
}

std::optional<std::array<uint32_t, 4>> private_record(Node* group) {
  StoreLock lock;
  if (!is_group(group) || group->data.group->context == nullptr) return std::nullopt;
  std::array<uint32_t, 4> words{};
  std::memcpy(words.data(), group->data.group->context, kPrivateRecordSize);
  return words;
}

// The configuration of a session (statuses 31 and 86).
uint32_t read_session_config(const FunctionAddress& address, uint32_t handle,
                             records::SessionConfig* config) {
  std::array<uint8_t, records::kSessionConfigSize> query{};
  records::EncodeSessionHandleRequest(query, handle);
  uint16_t size = 0;
  if (ioctl_get_sessionconfig_size(address, query, &size) != 0 || size == 0) {
    return report(kInsufficientBuffer);
  }
  std::vector<uint8_t> record(std::max<size_t>(size, records::kSessionConfigSize), 0);
  records::EncodeSessionHandleRequest(record, handle);
  std::optional<records::SessionConfig> decoded;
  if (ioctl_get_session_conf(address, record, size) != 0 ||
      !(decoded = records::DecodeSessionConfig(record))) {
    return report(kSessionConfigNotRead);
  }
  *config = *decoded;
  return 0;
}

std::optional<SessionRecord> session_record(Node* session) {
  std::optional<std::array<uint32_t, 4>> words = private_record(session);
  if (!words) return std::nullopt;
  return SessionRecord{(*words)[0], (*words)[1], (*words)[2], (*words)[3]};
}

std::optional<uint32_t> connection_handle(Node* connection) {
  std::optional<std::array<uint32_t, 4>> words = private_record(connection);
  if (!words) return std::nullopt;
  return (*words)[1];
}

uint32_t OXIM_get_session_params(uint32_t handle, const FunctionAddress& address,
                                 records::FirmwareSession* session) {
  std::vector<uint8_t> record(records::kSessionRecordSize, 0);
  records::EncodeSessionHandleRequest(record, handle);
  std::optional<records::FirmwareSession> decoded;
  if (ioctl_get_a_session(address, record, static_cast<uint32_t>(record.size())) != 0 ||
      !(decoded = records::DecodeSessionRecord(record))) {
    return report(kSessionNotRead);
  }
  *session = std::move(*decoded);
  return 0;
}

void set_session_login_options(Node* group, const records::LoginOptions& negotiated) {
  const bool initial_r2t = negotiated.flags & records::kFlagInitialR2T;
  const bool immediate = negotiated.flags & records::kFlagImmediateData;
  auto yes_no = [](bool value) { return value ? "Yes" : "No"; };
  cache_prop(group, "InitialR2T", yes_no(initial_r2t));
  cache_prop(group, "ImmediateData", yes_no(immediate));
  cache_prop(group, "DataPDUInOrder", yes_no(negotiated.flags & records::kFlagDataPduInOrder));
  cache_prop(group, "DataSequenceInOrder",
             yes_no(negotiated.flags & records::kFlagDataSequenceInOrder));
  cache_prop(group, "FirstBurstLength",
             (!immediate && initial_r2t) ? std::string("Irrelevant")
                                         : std::to_string(negotiated.first_burst_length));
  cache_prop(group, "MaxConnections", std::to_string(negotiated.max_connections));
  cache_prop(group, "MaxBurstLength", std::to_string(negotiated.max_burst_length));
  cache_prop(group, "MaxOutstandingR2T", std::to_string(negotiated.max_outstanding_r2t));
  cache_prop(group, "DefaultTime2Wait", std::to_string(negotiated.default_time2wait));
  cache_prop(group, "DefaultTime2Retain", std::to_string(negotiated.default_time2retain));
  cache_prop(group, "ErrorRecoveryLevel", std::to_string(negotiated.error_recovery_level));
}

void set_connection_login_options(Node* group, const records::LoginOptions& negotiated) {
  cache_prop(group, "HeaderDigest", negotiated.header_digest == 1 ? "CRC32C" : "None");
  cache_prop(group, "DataDigest", negotiated.data_digest == 1 ? "CRC32C" : "None");
  cache_prop(group, "MaxRecvDataSegmentLength",
             std::to_string(negotiated.max_recv_data_segment_length));
  cache_prop(group, "MaxSendDataSegmentLength",
             std::to_string(negotiated.max_recv_data_segment_length));
  cache_prop(group, "TCPWindowSize", std::to_string(negotiated.tcp_window_size));
  cache_prop(group, "TCPMSS", std::to_string(negotiated.tcp_mss));
  cache_prop(group, "AuthenticationMethod", method_text(negotiated));
}

void setup_initiator_target_loginopts(Node* options_group,
                                      const records::LoginOptions& negotiated) {
  if (options_group == nullptr) return;
  cache_prop(options_group, "HeaderDigest", negotiated.header_digest == 1 ? "CRC32C" : "None");
  cache_prop(options_group, "DataDigest", negotiated.data_digest == 1 ? "CRC32C" : "None");
  Node* authentication = child_group(options_group, "Authentication");
  cache_prop(authentication, "AuthenticationMethod", method_text(negotiated));
  cache_prop(authentication, "InitiatorCHAPName", negotiated.initiator_chap_name);
  cache_prop(authentication, "InitiatorSecret", secret_text(negotiated.initiator_secret));
  cache_prop(authentication, "TargetCHAPName", negotiated.target_chap_name);
  cache_prop(authentication, "TargetSecret", secret_text(negotiated.target_secret));
}

Node* setup_session(Node* target, uint32_t handle, uint32_t portal_group_tag,
                    uint32_t connection_handle_value) {
  const FunctionAddress address = function_address(target);
  records::FirmwareSession record;
  if (OXIM_get_session_params(handle, address, &record) != 0) return nullptr;
  Node* session = instantiate(templates::kSession, target, nullptr, nullptr, nullptr);
  if (session == nullptr) return nullptr;
  const uint32_t session_words[4] = {static_cast<uint32_t>(address.index), handle, 0,
                                     portal_group_tag};
  Node* connection = nullptr;
  if (!attach_private_record(session, session_words) ||
      (connection = instantiate(templates::kConnection, session, nullptr, nullptr, nullptr)) ==
          nullptr) {
    (void)delete_node(session);
    return nullptr;
  }
  const uint32_t connection_words[4] = {0, connection_handle_value, 0, 0};
  if (!attach_private_record(connection, connection_words)) {
    (void)delete_node(session);
    return nullptr;
  }
  const records::FirmwareConnection* first =
      record.connections.empty() ? nullptr : &record.connections[0];
  const records::LoginOptions negotiated = negotiated_of(record, first);
  set_session_login_options(child_group(session, "SessionNegotiatedLoginOptions"), negotiated);
  set_login_options_of_session(session, negotiated);
  set_connection_login_options(child_group(connection, "ConnectionNegotiatedLoginOptions"),
                               negotiated);
  cache_prop(session, "iSCSIBoot", (record.flags & records::kSessionBoot) ? "True" : "False");
  apply_session(session, record, address.domain == 0);
  return session;
}

uint32_t read_session_record(Node* session, records::FirmwareSession* record) {
  std::optional<SessionRecord> own = session_record(session);
  if (!own) return 1;
  return OXIM_get_session_params(own->handle, function_address(session), record);
}

uint32_t get_session_attribs(Node* session) {
  records::FirmwareSession firmware;
  if (read_session_record(session, &firmware) != 0) return 1;
  apply_session(session, firmware, function_address(session).domain == 0);
  return 0;
}

uint32_t get_all_sessions(Node* logical_hba, Node* target, char* params) {
  const FunctionAddress address = function_address(logical_hba);
  std::vector<uint32_t> handles;
  if (uint32_t status = active_sessions(address, &handles); status != 0) return status;
  if (handles.empty() && target != nullptr) {
    for (Node* session : instances_of(target, "Session")) {
      (void)OXIM_cleanup_sessions(target, session);
    }
    return 0;
  }
  const std::string target_name = target ? cached_prop(target, "TargetISCSIName") : "";
  for (uint32_t handle : handles) {
    records::FirmwareSession record;
    if (uint32_t status = OXIM_get_session_params(handle, address, &record); status != 0) {
      return status;
    }
    Node* owner = target;
    if (target != nullptr) {
      if (!equal_ignoring_case(record.target_name, target_name)) continue;
    } else if ((owner = find_target(logical_hba, record.target_name)) == nullptr) {
      return report(kTargetNotFound);
    }
    for (size_t c = 0; c < record.connections.size(); ++c) {
      const records::FirmwareConnection& entry = record.connections[c];
      const std::string ip =
          records::FormatAddress(entry.destination_type, entry.destination_address);
      const std::string port = std::to_string(entry.destination_port);
      if (params != nullptr) {
        clear_params(params);
        const std::string fields[4] = {ip, port, record.initiator_name, hex_qualifier(record.isid)};
        for (int i = 0; i < 4; ++i) {
          std::snprintf(params + i * kParamSize, kParamSize, "%s", fields[i].c_str());
        }
      }
      Node* portal = find_target_portal(owner, ip, port);
      if (portal == nullptr) return 1;
      const uint32_t tag = static_cast<uint32_t>(
          std::strtoul(prop_or_empty(portal, "PortalGroupTag").c_str(), nullptr, 10));
      const records::LoginOptions negotiated = negotiated_of(record, &entry);
      if (Node* same = OXIM_check_for_duplicate_session(owner, record, entry, ip, port)) {
        if (c == 0) {
          std::vector<Node*> connections = instances_of(same, "Connection");
          if (!connections.empty()) {
            set_connection_login_options(
                child_group(connections.front(), "ConnectionNegotiatedLoginOptions"), negotiated);
          }
          set_login_options_of_session(same, negotiated);
        }
        continue;
      }
      if (c != 0) continue;  // a session group is made for the first connection
      if (record.state & records::kSessionOpen) {
        setup_initiator_target_loginopts(child_group(owner, "TargetLoginOptions"), negotiated);
      }
      Node* session = setup_session(owner, handle, tag, entry.handle);
      if (session == nullptr) return 1;
      std::string eto;
      KeepLastStatus keep;  // the target keeps the ETO it shows
      (void)get_eto_prop(owner, &eto);
    }
  }
  return 0;
}

uint32_t OXIM_cleanup_sessions(Node* target, Node* session) {
  if (session != nullptr) (void)delete_node(session);
  if (target == nullptr) return 0;
  // The LUNs the session reported go with it.
  KeepLastStatus keep;
  bool changed = false;
  return get_all_luns(target, &changed);
}

uint32_t get_eto_prop(Node* target, std::string* eto) {
  for (Node* session : instances_of(target, "Session")) {
    std::optional<SessionRecord> record = session_record(session);
    if (!record) continue;
    records::SessionConfig config;
    if (uint32_t status = read_session_config(function_address(session), record->handle, &config);
        status != 0) {
      return status;
    }
    *eto = std::to_string(config.eto);
    cache_prop(target, "ETO", *eto);
    return 0;
  }
  return 1;
}

uint32_t set_eto_prop(Node* target, const std::string& eto, uint32_t handle) {
  char* end = nullptr;
  const unsigned long value = std::strtoul(eto.c_str(), &end, 10);
  if (eto.empty() || *end != '\0') return 1;
  for (Node* session : instances_of(target, "Session")) {
    std::optional<SessionRecord> record = session_record(session);
    if (!record || (handle != 0 && record->handle != handle)) continue;
    const FunctionAddress address = function_address(session);
    records::SessionConfig config;
    if (uint32_t status = read_session_config(address, record->handle, &config); status != 0) {
      return status;
    }
    // Nothing to write when the session has that time-out already (a
    // login's session starts with the controller's default, which a
    // target's ETO usually is).
    if (config.eto == value) continue;
    // The configuration as read goes back with the new time-out.
    config.eto = static_cast<uint32_t>(value);
    std::array<uint8_t, records::kSetSessionConfigSize> request{};
    records::EncodeSetSessionConfig(request, config);
    if (ioctl_set_session_conf(address, request) != 0) {
      return report(kSessionConfigNotSet);
    }
  }
  return 0;
}

uint32_t OXIM_configure_boot_target(Node* session, const std::string& value) {
  if (cached_prop(session, "iSCSIBoot") == value) {
    pdebug(kModuleAdapter, kLogInfo, "%s: Given value is already configured.\n", __func__);
    return 0;
  }
  records::FirmwareSession firmware;
  if (uint32_t status = read_session_record(session, &firmware); status != 0) return status;
  const FunctionAddress address = function_address(session);
  uint32_t flags = firmware.flags;
  if (equal_ignoring_case(value, "True")) {
    flags |= records::kSessionBoot;
  } else {
    flags &= ~records::kSessionBoot;
  }
  std::array<uint8_t, records::kBootMarkSize> request{};
  records::EncodeBootMark(request, {firmware.handle, flags});
  if (ioctl_set_boot_target_params(address, request) != 0) {
    return report(kBootTargetNotSet);
  }
  cache_prop(session, "iSCSIBoot", (flags & records::kSessionBoot) ? "True" : "False");
  return 0;
}

int check_for_boot_session(Node* node) {
  std::vector<Node*> pending = {node};
  while (!pending.empty()) {
    Node* group = pending.back();
    pending.pop_back();
    for (Node* child : children_of(group)) {
      if (!is_group(child)) continue;
      if (instance_number(child) >= 0 && cached_prop(child, "iSCSIBoot") == "True") {
        report(kBootSessionActive);
        return 1;
      }
      pending.push_back(child);
    }
  }
  return 0;
}

void register_session_handlers(HandlerRegistry& registry) {
  registry.add_property("handle_session_properties", handle_session_properties);
  registry.add_property("handle_connection_properties", handle_connection_properties);
  registry.add_property("handle_Target_ETO", handle_Target_ETO);
  registry.add_property("handle_boot_session", handle_boot_session);
  registry.add_property("handle_SsnAttr_properties", handle_SsnAttr_properties);
  registry.add_refresh("group_Session", group_Session);
}

}  // namespace oxim::iscsi
