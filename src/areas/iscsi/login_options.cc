// Login options and CHAP; see login_options.h.
#include "areas/iscsi/login_options.h"

#include <cstring>
#include <string>

#include "areas/iscsi/chap_rules.h"
#include "areas/iscsi/iscsi_tree.h"
#include "areas/iscsi/saved_files.h"
#include "core/address.h"
#include "core/last_status.h"
#include "core/log.h"
#include "core/node_store.h"
#include "core/store_guard.h"
#include "core/tree_services.h"
#include "schema/handler_registry.h"

namespace oxim::iscsi {
namespace {

enum class Level { kInitiator, kTarget, kSendTargetPortal, kOther };

// The field of a line that holds the property name, or null.
std::string* field_of(LoginOptionFields& fields, std::string_view name) {
  if (name == "InitialR2T") return &fields.initial_r2t;
  if (name == "ImmediateData") return &fields.immediate_data;
  if (name == "HeaderDigest") return &fields.header_digest;
  if (name == "DataDigest") return &fields.data_digest;
  if (name == "AuthenticationMethod") return &fields.authentication_method;
  if (name == "InitiatorCHAPName") return &fields.initiator_chap_name;
  if (name == "InitiatorSecret") return &fields.initiator_secret;
  if (name == "TargetCHAPName") return &fields.target_chap_name;
  if (name == "TargetSecret") return &fields.target_secret;
  if (name == "CHAPParam") return &fields.chap_param;
  if (name == "HeaderParam") return &fields.header_param;
  if (name == "DataParam") return &fields.data_param;
  return nullptr;
}

constexpr const char* kOptionProperties[] = {"InitialR2T", "ImmediateData", "HeaderDigest",
                                             "DataDigest", "HeaderParam",   "DataParam"};
constexpr const char* kAuthenticationProperties[] = {"AuthenticationMethod", "InitiatorCHAPName",
                                                     "InitiatorSecret",      "TargetCHAPName",
                                                     "TargetSecret",         "CHAPParam"};

std::string name_of(const Node* node) {
  StoreLock lock;
  return node != nullptr && node->name != nullptr ? node->name : "";
}

// The options group of an options group or of its Authentication child.
Node* options_group_of(Node* group) {
  if (name_of(group) == "Authentication") return parent_of(group);
  return group;
}

Level level_of(Node* options_group) {
  const std::string name = name_of(options_group);
  if (name == "InitiatorLoginOptions") return Level::kInitiator;
  if (name == "TargetLoginOptions") return Level::kTarget;
  if (name == "SendTargetPortalLoginOptions") return Level::kSendTargetPortal;
  return Level::kOther;
}

LoginOptionFields cached_options(Node* options_group) {
  LoginOptionFields fields;
  Node* authentication = child_group(options_group, "Authentication");
  for (const char* name : kOptionProperties)
    *field_of(fields, name) = cached_prop(options_group, name);
  for (const char* name : kAuthenticationProperties) {
    *field_of(fields, name) = cached_prop(authentication, name);
  }
  return fields;
}

bool is_chap(std::string_view method) {
  return equal_ignoring_case(method, "One-Way CHAP") || equal_ignoring_case(method, "Mutual CHAP");
}

std::vector<uint8_t> secret_bytes(const std::string& text) {
  std::optional<std::vector<uint8_t>> bytes = records::EncodeSecret(text);
  return bytes ? *bytes : std::vector<uint8_t>{};
}

void apply_authentication(const LoginOptionFields& fields, records::LoginOptions* record) {
  record->authentication_method = is_chap(fields.authentication_method) ? 1 : 0;
  record->mutual_chap = equal_ignoring_case(fields.authentication_method, "Mutual CHAP") ? 1 : 0;
  record->initiator_chap_name = fields.initiator_chap_name.substr(0, records::kChapNameSize);
  record->target_chap_name = fields.target_chap_name.substr(0, records::kChapNameSize);
  record->initiator_secret = secret_bytes(fields.initiator_secret);
  record->target_secret = secret_bytes(fields.target_secret);
}

void apply_switches(const LoginOptionFields& fields, records::LoginOptions* record) {
  auto set = [&](uint8_t bit, const std::string& value) {
    if (value == "Yes") {
      record->flags |= bit;
    } else {
      record->flags &= static_cast<uint8_t>(~bit);
    }
  };
  set(records::kFlagInitialR2T, fields.initial_r2t);
  set(records::kFlagImmediateData, fields.immediate_data);
}

// The CHAP part of one login attempt: the authentication fields, or no CHAP
// offered; InitialR2T and ImmediateData either way.
void apply_chap(const LoginOptionFields& fields, records::LoginOptions* record, bool with_chap) {
  if (with_chap) {
    apply_authentication(fields, record);
  } else {
    record->authentication_method = 0;
    record->mutual_chap = 0;
  }
  apply_switches(fields, record);
}

Node* owner_of(Node* options_group) { return parent_of(options_group); }

// The saved line's options of the group; false when there is none.
bool saved_options(Node* options_group, LoginOptionFields* fields) {
  Node* owner = owner_of(options_group);
  switch (level_of(options_group)) {
    case Level::kInitiator: {
      InitiatorOptionsLine line;
      if (ReadInitiatorOptionsLine(hba_path(owner), &line) != ReadResult::kRead) return false;
      *fields = line.options;
      return true;
    }
    case Level::kTarget: {
      const std::string name = cached_prop(owner, "TargetISCSIName");
      std::vector<TargetLine> lines;
      (void)ReadTargetLines(hba_path(owner), &lines);
      for (const TargetLine& line : lines) {
        if (equal_ignoring_case(line.name, name)) {
          *fields = line.options;
          return true;
        }
      }
      return false;
    }
    case Level::kSendTargetPortal: {
      const std::string ip = cached_prop(owner, "IPAddress");
      const std::string port = cached_prop(owner, "PortNumber");
      std::vector<SendTargetPortalLine> lines;
      (void)ReadSendTargetPortalLines(hba_path(owner), &lines);
      for (const SendTargetPortalLine& line : lines) {
        if (SameIpAddress(line.ip, ip) && line.port == port) {
          *fields = line.options;
          return true;
        }
      }
      return false;
    }
    case Level::kOther: return false;
  }
  return false;
}

// Handler of every option and authentication property at the three levels:
// reads come from the saved line, writes are checked and stored there.
uint32_t handle_login_option(Node* property, char* buffer, uint32_t op) {
  if (op != kOpRead && op != kOpWrite) return 0;
  Node* group = parent_of(property);
  Node* options = options_group_of(group);
  const std::string name = name_of(property);
  LoginOptionFields fields = options_of_group(options);
  std::string* field = field_of(fields, name);
  if (op == kOpRead) {
    if (field != nullptr) write_cached_value(property, field->c_str());
    read_cached_value(property, buffer);
    return 0;
  }
  std::string value(buffer, strnlen(buffer, kValueSize - 1));
  if (field == nullptr) {
    write_cached_value(property, value.c_str());
    return 0;
  }
  std::string message;
  const char* other = name == "HeaderParam"    ? "HeaderDigest"
                      : name == "HeaderDigest" ? "HeaderParam"
                      : name == "DataParam"    ? "DataDigest"
                      : name == "DataDigest"   ? "DataParam"
                                               : nullptr;
  if (other != nullptr) {
    const uint32_t status = check_digest_rule(name, value, *field_of(fields, other), &message);
    if (status != 0) {
      oxim_set_last_status(status, message.c_str());
      return status;
    }
  }
  if (store_group_options(
          options, [&](LoginOptionFields* saved) { *field_of(*saved, name) = value; }) != 0) {
    pdebug(kModuleAdapter, kLogError, "%s: failed to save %s\n", __func__, name.c_str());
    return 1;
  }
  write_cached_value(property, value.c_str());
  return 0;
}

// ConfigureCHAP on an Authentication group of any level.
uint32_t do_ConfigureCHAP(Node* group, Node*, char* params) {
  ChapRequest request;
  request.method = param_text(params, 0);
  request.initiator_name = param_text(params, 1);
  request.initiator_secret = param_text(params, 2);
  request.target_name = param_text(params, 3);
  request.target_secret = param_text(params, 4);
  request.chap_param = param_text(params, 5);
  ChapDecision decision = check_configure_chap(request);
  if (!decision.accepted) {
    oxim_set_last_status(decision.status, decision.message.c_str());
    return decision.status;
  }
  if (decision.status != 0) oxim_set_last_status(decision.status, decision.message.c_str());
  Node* options = options_group_of(group);
  const ChapRequest& stored = decision.stored;
  auto change = [&](LoginOptionFields* fields) {
    fields->authentication_method = stored.method;
    fields->initiator_chap_name = stored.initiator_name;
    fields->initiator_secret = stored.initiator_secret;
    fields->target_chap_name = stored.target_name;
    fields->target_secret = stored.target_secret;
    fields->chap_param = stored.chap_param;
  };
  if (store_group_options(options, change) != 0) {
    pdebug(kModuleAdapter, kLogError, "%s: failed to save the CHAP settings\n", __func__);
    return 1;
  }
  LoginOptionFields fields = cached_options(options);
  change(&fields);
  set_group_options(options, fields);
  if (level_of(options) == Level::kTarget)
    return OXIM_update_session_authentication(owner_of(options));
  return 0;
}

uint32_t do_DeleteCHAP(Node* group, Node*, char*) {
  Node* options = options_group_of(group);
  auto change = [](LoginOptionFields* fields) {
    fields->authentication_method = "None";
    fields->initiator_chap_name.clear();
    fields->initiator_secret.clear();
    fields->target_chap_name.clear();
    fields->target_secret.clear();
    fields->chap_param = "Prohibited";
  };
  if (store_group_options(options, change) != 0) return 1;
  LoginOptionFields fields = cached_options(options);
  change(&fields);
  set_group_options(options, fields);
  if (level_of(options) == Level::kTarget)
    return OXIM_update_session_authentication(owner_of(options));
  return 0;
}

}  // namespace

records::LoginOptions get_default_login_options() { return records::DefaultLoginOptions(); }

LoginOptionFields options_of_group(Node* options_group) {
  LoginOptionFields fields;
  if (saved_options(options_group, &fields)) return with_levels(fields);
  return cached_options(options_group);
}

LoginOptionFields with_levels(LoginOptionFields fields) {
  for (std::string* level : {&fields.chap_param, &fields.header_param, &fields.data_param}) {
    if (level->empty()) *level = "Prohibited";
  }
  return fields;
}

void set_group_options(Node* options_group, const LoginOptionFields& fields) {
  LoginOptionFields copy = fields;
  Node* authentication = child_group(options_group, "Authentication");
  for (const char* name : kOptionProperties) cache_prop(options_group, name, *field_of(copy, name));
  for (const char* name : kAuthenticationProperties) {
    cache_prop(authentication, name, *field_of(copy, name));
  }
}

int store_group_options(Node* options_group,
                        const std::function<void(LoginOptionFields*)>& change) {
  Node* owner = owner_of(options_group);
  const HbaPath path = hba_path(owner);
  switch (level_of(options_group)) {
    case Level::kInitiator: {
      InitiatorOptionsLine line;
      if (ReadInitiatorOptionsLine(path, &line) != ReadResult::kRead) {
        line = DefaultInitiatorOptionsLine(path);
      }
      change(&line.options);
      return WriteInitiatorOptionsLine(line);
    }
    case Level::kTarget:
      return UpdateTargetLines(TargetNameKey(path, cached_prop(owner, "TargetISCSIName")),
                               [&](TargetLine* line) { change(&line->options); });
    case Level::kSendTargetPortal: {
      const std::string ip = cached_prop(owner, "IPAddress");
      const std::string port = cached_prop(owner, "PortNumber");
      std::vector<SendTargetPortalLine> lines;
      (void)ReadSendTargetPortalLines(path, &lines);
      for (SendTargetPortalLine& line : lines) {
        if (SameIpAddress(line.ip, ip) && line.port == port) {
          change(&line.options);
          return ReplaceSendTargetPortalLine(SendTargetPortalKey(path, ip, port), line);
        }
      }
      return 0;  // a portal without a line keeps its options in the tree only
    }
    case Level::kOther: return 1;
  }
  return 1;
}

int get_login_options(Node* options_group, records::LoginOptions* record, int level) {
  if (record == nullptr || level > 3) return 1;
  Node* options = options_group_of(options_group);
  if (child_group(options, "Authentication") == nullptr) return 1;
  if (level <= 1) return 0;
  LoginOptionFields fields = options_of_group(options);
  apply_authentication(fields, record);
  if (level == 2) {
    record->data_digest = fields.data_digest == "CRC32C" ? 1 : 0;
    record->header_digest = fields.header_digest == "CRC32C" ? 1 : 0;
    apply_switches(fields, record);
  }
  return 0;
}

void apply_login_attempt(const LoginOptionFields& fields, records::LoginOptions* record,
                         bool with_chap, bool with_header_digest, bool with_data_digest) {
  apply_chap(fields, record, with_chap);
  record->header_digest = with_header_digest && fields.header_digest == "CRC32C" ? 1 : 0;
  record->data_digest = with_data_digest && fields.data_digest == "CRC32C" ? 1 : 0;
}

void update_chap_details(Node* options_group, records::LoginOptions* record, bool with_chap) {
  apply_chap(options_of_group(options_group_of(options_group)), record, with_chap);
}

void update_header_digest_details(Node* options_group, records::LoginOptions* record,
                                  bool with_digest) {
  LoginOptionFields fields = options_of_group(options_group_of(options_group));
  record->header_digest = with_digest && fields.header_digest == "CRC32C" ? 1 : 0;
}

void update_data_digest_details(Node* options_group, records::LoginOptions* record,
                                bool with_digest) {
  LoginOptionFields fields = options_of_group(options_group_of(options_group));
  record->data_digest = with_digest && fields.data_digest == "CRC32C" ? 1 : 0;
}

int copy_login_options(Node* from, Node* to) {
  Node* source = options_group_of(from);
  Node* destination = options_group_of(to);
  if (source == nullptr || destination == nullptr ||
      child_group(destination, "Authentication") == nullptr) {
    return 1;
  }
  LoginOptionFields fields = options_of_group(source);
  LoginOptionFields target = cached_options(destination);
  target.authentication_method = fields.authentication_method;
  target.initiator_chap_name = fields.initiator_chap_name;
  target.initiator_secret = fields.initiator_secret;
  target.target_chap_name = fields.target_chap_name;
  target.target_secret = fields.target_secret;
  target.initial_r2t = fields.initial_r2t;
  target.immediate_data = fields.immediate_data;
  target.data_digest = fields.data_digest;
  target.header_digest = fields.header_digest;
  set_group_options(destination, target);
  return 0;
}

void register_login_option_handlers(HandlerRegistry& registry) {
  for (const char* name :
       {"handle_initiator_loginoptions", "handle_target_loginoptions", "handle_stploginoptions",
        "handle_authentication_initiator_loginoptions", "handle_authentication_target_loginopts",
        "handle_authentication_stploginoptions"}) {
    registry.add_property(name, handle_login_option);
  }
  registry.add_command("do_ConfigureCHAP", do_ConfigureCHAP);
  registry.add_command("do_DeleteCHAP", do_DeleteCHAP);
}

}  // namespace oxim::iscsi
