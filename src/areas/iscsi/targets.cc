// Targets and target portals; see targets.h.
#include "areas/iscsi/targets.h"

#include <cstring>
#include <memory>
#include <vector>

#include "areas/iscsi/boot_regions.h"
#include "areas/iscsi/catalogue.h"
#include "areas/iscsi/chap_rules.h"
#include "areas/iscsi/iscsi_tree.h"
#include "areas/iscsi/login.h"
#include "areas/iscsi/login_options.h"
#include "areas/iscsi/luns.h"
#include "areas/iscsi/saved_files.h"
#include "areas/iscsi/sessions.h"
#include "core/address.h"
#include "core/last_status.h"
#include "core/log.h"
#include "core/node_store.h"
#include "core/persistence.h"
#include "core/status.h"
#include "core/store_guard.h"
#include "core/tree_services.h"
#include "kit/function_tree.h"
#include "kit/pending_group.h"
#include "records/controller_attributes.h"
#include "records/discovery_params.h"
#include "records/driver_records.h"
#include "records/iscsi_targets.h"
#include "schema/handler_registry.h"
#include "transport/commands.h"

namespace oxim::iscsi {
namespace {

constexpr char kDefaultPort[] = "3260";
constexpr size_t kMaxTargetsQf2Qf3 = 128;

bool is_qf2_or_qf3(Node* node) {
  const int chip = get_qf_type(node);
  return chip == kChipQF2 || chip == kChipQF3;
}

// The controller's default ETO (attributes offset 92), or nullopt.
std::optional<uint32_t> default_eto(Node* node) {
  std::array<uint8_t, records::kControllerAttributesSize> attributes{};
  const FunctionAddress address = function_address(node);
  if (ioctl_fetch_controller_attribs(address, attributes, DriverKind::kIscsi) != 0) {
    return std::nullopt;
  }
  std::optional<records::ControllerAttributes> decoded =
      records::DecodeControllerAttributes(attributes);
  if (!decoded) return std::nullopt;
  return decoded->default_eto;
}

Node* logical_hba_of(Node* node) { return enclosing_group(node, "LogicalHBA"); }

// A portal address as the tree and the saved files keep it: one address,
// one text. false when the text names no address (the tree's own check
// lets a few such through, "1..2.3").
bool canonical_portal_address(std::string* ip) {
  std::optional<IpAddress> address = ParseIpAddress(*ip);
  if (!address) return false;
  *ip = CanonicalIpText(*address);
  return true;
}

// Deletes the saved lines that match key and then the persistent entries
// recorded with a qualifier in them, so that a deleted target or portal does
// not come back at the adapter's next start. 0, or kSavedFileFailure (the
// last status names the file) with nothing deleted.
uint32_t delete_saved_target(Node* target, const LineKey& key) {
  std::vector<TargetLine> lines;
  if (ReadTargetLines(hba_path(logical_hba_of(target)), &lines) == ReadResult::kFailed ||
      RemoveLinesIfAny(SavedFile::kTargets, key) != 0) {
    return kSavedFileFailure;
  }
  for (const TargetLine& line : lines) {
    std::string text;
    if (line.isid_qualifier.empty() || !EncodeTargetLine(line, &text) || !KeyMatches(key, text)) {
      continue;
    }
    char* end = nullptr;
    const unsigned long qualifier = std::strtoul(line.isid_qualifier.c_str(), &end, 10);
    if (end == nullptr || *end != '\0' || qualifier > 0xFFFF) continue;
    // The entry may be gone already (its closed session was cleaned up).
    (void)remove_persistent_entry(target, line.name, line.ip, line.port,
                                  static_cast<uint32_t>(qualifier), line.initiator_name);
  }
  return 0;
}

uint32_t do_AddTarget(Node* logical_hba, Node* command, char* params) {
  const std::string name = param_text(params, 0);
  std::string ip = param_text(params, 1);
  std::string port = param_text(params, 2);
  const std::string boot = param_text(params, 3);
  if (name.empty() || ip.empty()) return 1;
  if (uint32_t status = refuse_unsavable("TargetName", name); status != 0) return status;
  if (!canonical_portal_address(&ip)) return report(kInvalidIpAddress);
  Node* controller = enclosing_group(logical_hba, "Quellfire");
  if (controller == nullptr) return 1;
  const int chip = get_qf_type(controller);
  if (chip == kChipUndetermined) return 1;
  if (chip == kChipQF2 || chip == kChipQF3) {
    if (ip.size() > 15) {
      return report(kIpv6NotSupported);
    }
    if (instances_of(logical_hba, "Target").size() >= kMaxTargetsQf2Qf3) {
      return report(kTooManyTargets);
    }
  }
  LoginInitiator initiator;
  if (!read_login_initiator(logical_hba, &initiator)) return 1;
  if (find_target(logical_hba, name) != nullptr) {
    return report(kDuplicateTarget);
  }
  if (port.empty()) port = kDefaultPort;
  // Until the target is saved and persistent, a failure takes it away again
  // with everything made for it.
  PendingGroup pending(setup_target(logical_hba, name, false));
  if (!pending) return 1;
  if (setup_portal(pending.get(), ip, port, "0") == nullptr) return report(kInternalError);
  if (uint32_t status = record_target_portal(logical_hba, pending.get(), ip, port); status != 0) {
    return status;
  }
  const uint32_t qualifier = generate_isid_qualifier(name, initiator.name) & 0xFFFF;
  const std::string persistence = equal_ignoring_case(boot, "True") ? "True" : "False";
  if (uint32_t status = make_session_persistent(pending.get(), ip, port, qualifier, nullptr,
                                                persistence, initiator, 0);
      status != 0) {
    KeepLastStatus keep;
    (void)RemoveLinesIfAny(SavedFile::kTargets, TargetNameKey(hba_path(logical_hba), name));
    return status;
  }
  // Made by a command: replaying the command with its parameters makes it
  // again (tree persistence).
  (void)backend_make_persistent(pending.get(), logical_hba, command, params);
  Node* target = pending.release();
  clear_params(params);
  {
    // A session the firmware opened at once is shown; not seeing one is no
    // failure of the command.
    KeepLastStatus keep;
    (void)get_all_sessions(logical_hba, target, params);
  }
  // Such a session of a boot target is the boot code's on a Tindra.
  std::vector<Node*> sessions = instances_of(target, "Session");
  if (persistence == "True" && !sessions.empty()) return add_boot_tlv_on_tindra(sessions.front());
  return 0;
}

uint32_t do_AddTargetPortal(Node* target, Node* command, char* params) {
  std::string ip = param_text(params, 0);
  std::string port = param_text(params, 1);
  if (ip.empty()) return 1;
  if (!canonical_portal_address(&ip)) return report(kInvalidIpAddress);
  if (is_qf2_or_qf3(target) && ip.size() > 15) {
    return report(kIpv6NotSupported);
  }
  if (port.empty()) port = kDefaultPort;
  Node* logical_hba = logical_hba_of(target);
  std::string name;
  LoginInitiator initiator;
  if (!read_prop(target, "TargetISCSIName", &name) ||
      !read_login_initiator(logical_hba, &initiator)) {
    return 1;
  }
  if (find_target_portal(target, ip, port) != nullptr) return report(kDuplicatePortal);
  PendingGroup portal(setup_portal(target, ip, port, "0"));
  if (!portal) return 1;
  if (uint32_t status = record_target_portal(logical_hba, target, ip, port); status != 0) {
    return status;
  }
  const uint32_t qualifier = generate_isid_qualifier(name, initiator.name) & 0xFFFF;
  if (uint32_t status =
          make_session_persistent(target, ip, port, qualifier, nullptr, "False", initiator, 0);
      status != 0) {
    KeepLastStatus keep;
    (void)RemoveLinesIfAny(SavedFile::kTargets,
                           TargetPortalKey(hba_path(logical_hba), name, ip, port));
    return status;
  }
  (void)backend_make_persistent(portal.get(), target, command, params);
  portal.release();
  clear_params(params);
  KeepLastStatus keep;
  (void)get_all_sessions(logical_hba, target, params);
  return 0;
}

// The child named base + the InstanceNumber parameter, or null with status 20.
Node* instance_from_param(Node* parent, const char* base, const char* params) {
  const std::string wanted = std::string(base) + param_text(params, 0);
  Node* found = child_group(parent, wanted.c_str());
  if (found == nullptr || !is_instanced(found)) {
    report(kInvalidInstance);
    return nullptr;
  }
  return found;
}

uint32_t refuse_if_logged_in(Node* target, Node* portal) {
  bool logged_in = false;
  const uint32_t status = OXIM_check_session_status(target, &logged_in, portal);
  if (status != 0) return status;
  if (logged_in) {
    return report(kTargetLoggedIn);
  }
  return 0;
}

uint32_t do_DeleteTarget(Node* logical_hba, Node*, char* params) {
  Node* target = instance_from_param(logical_hba, "Target", params);
  if (target == nullptr) return kInvalidInstance.code;
  std::string name;
  if (!read_prop(target, "TargetISCSIName", &name)) return 1;
  if (uint32_t status = refuse_if_logged_in(target, nullptr); status != 0) return status;
  const HbaPath path = hba_path(logical_hba);
  if (uint32_t status = delete_saved_target(target, TargetNameKey(path, name)); status != 0) {
    return status;
  }
  (void)delete_node(target);
  return 0;
}

uint32_t do_DeleteTargetPortal(Node* target, Node*, char* params) {
  Node* portal = instance_from_param(target, "TargetPortal", params);
  if (portal == nullptr) return kInvalidInstance.code;
  std::string name;
  if (!read_prop(target, "TargetISCSIName", &name)) return 1;
  if (uint32_t status = refuse_if_logged_in(target, portal); status != 0) return status;
  const std::string ip = prop_or_empty(portal, "TargetIPAddress");
  const std::string port = prop_or_empty(portal, "TargetPortNumber");
  const HbaPath path = hba_path(logical_hba_of(target));
  if (uint32_t status = delete_saved_target(target, TargetPortalKey(path, name, ip, port));
      status != 0) {
    return status;
  }
  (void)delete_node(portal);
  return 0;
}

// TargetType: the type recorded in the target's saved line.
uint32_t handle_target_type(Node* property, char* buffer, uint32_t op) {
  if (op == kOpWrite) {
    write_cached_value(property, buffer);
    return 0;
  }
  if (op != kOpRead) return 0;
  Node* target = parent_of(property);
  const std::string name = cached_prop(target, "TargetISCSIName");
  std::vector<TargetLine> lines;
  (void)ReadTargetLines(hba_path(logical_hba_of(target)), &lines);
  for (const TargetLine& line : lines) {
    if (equal_ignoring_case(line.name, name) && !line.target_type.empty()) {
      write_cached_value(property, line.target_type.substr(0, 34).c_str());
      break;
    }
  }
  read_cached_value(property, buffer);
  return 0;
}

// TargetAlias: the alias the lowest-numbered session reports.
uint32_t handle_TargetAlias(Node* property, char* buffer, uint32_t op) {
  if (op == kOpWrite) {
    write_cached_value(property, buffer);
    return 0;
  }
  if (op != kOpRead) return 0;
  Node* target = parent_of(property);
  std::vector<Node*> sessions = instances_of(target, "Session");
  std::string alias;
  if (!sessions.empty()) {
    Node* statistics = child_group(sessions.front(), "iSCSISessionStatistics");
    if (statistics == nullptr || !read_prop(statistics, "SessionTargetAlias", &alias)) return 1;
  }
  write_cached_value(property, alias.c_str());
  read_cached_value(property, buffer);
  return 0;
}

uint32_t handle_LogicalHBA_Enabled(Node* property, char* buffer, uint32_t op) {
  if (op == kOpRead) {
    read_cached_value(property, buffer);
    return 0;
  }
  if (op != kOpWrite) return 0;
  if (equal_ignoring_case(std::string(buffer, strnlen(buffer, kValueSize)), "False")) {
    report(kLogicalHbaAlwaysEnabled);
    return 1;
  }
  write_cached_value(property, buffer);
  return 0;
}

// Refresh of a Target: sessions from the firmware (sessions the firmware no
// longer knows are removed), then its LUNs; the host rescans when LUNs
// appeared or went.
uint32_t group_Target(Node* target) {
  KeepLastStatus keep;
  char params[kParamBlockSize] = {};
  (void)get_all_sessions(logical_hba_of(target), target, params);
  for (Node* session : instances_of(target, "Session")) {
    if (session_record(session) && get_session_attribs(session) != 0) {
      (void)OXIM_cleanup_sessions(target, session);
    }
  }
  bool changed = false;
  const uint32_t luns = get_all_luns(target, &changed);
  if ((luns == 0 || luns == 90) && changed) (void)scan_from_os();
  return 0;
}

}  // namespace

void OXIM_refresh_backend_client_iscsi_targets(Node* root) {
  for (Node* controller : instances_of(root, "Quellfire")) {
    for (Node* function : instances_of(controller, "iSCSIPhysicalHBA")) {
      for (Node* logical_hba : instances_of(function, "LogicalHBA")) {
        if (get_all_targets(logical_hba, false) != 0) {
          pdebug(kModuleAdapter, kLogError, "%s: the firmware's targets could not be read\n",
                 __func__);
        }
        for (Node* target : instances_of(logical_hba, "Target")) (void)group_Target(target);
      }
    }
  }
}

Node* setup_portal(Node* target, const std::string& ip, const std::string& port,
                   const std::string& portal_group_tag) {
  PendingGroup portal(instantiate(templates::kTargetPortal, target, nullptr, nullptr, nullptr));
  if (!portal) return nullptr;
  if (!write_prop(portal.get(), "TargetIPAddress", ip) ||
      !write_prop(portal.get(), "TargetPortNumber", port) ||
      !write_prop(portal.get(), "PortalGroupTag", portal_group_tag)) {
    return nullptr;
  }
  return portal.release();
}

Node* setup_target(Node* logical_hba, const std::string& name, bool discovered) {
  if (find_target(logical_hba, name) != nullptr) return nullptr;
  PendingGroup target(instantiate(templates::kTarget, logical_hba, nullptr, nullptr, nullptr));
  if (!target) {
    report(kMaxTargetsReached);
    return nullptr;
  }
  std::optional<uint32_t> eto;
  const bool ok = write_prop(target.get(), "TargetISCSIName", name) &&
                  write_prop(target.get(), "TargetType", discovered ? "Discovered" : "Static") &&
                  (eto = default_eto(target.get())).has_value() &&
                  write_prop(target.get(), "ETO", std::to_string(*eto)) &&
                  child_group(target.get(), "TargetLoginOptions") != nullptr &&
                  child_group(logical_hba, "InitiatorLoginOptions") != nullptr;
  if (!ok) return nullptr;
  return target.release();
}

uint32_t record_target_portal(Node* logical_hba, Node* target, const std::string& ip,
                              const std::string& port) {
  const HbaPath path = hba_path(logical_hba);
  TargetLine line;
  line.path = path;
  line.name = cached_prop(target, "TargetISCSIName");
  line.ip = ip;
  line.port = port;
  (void)read_initiator_name(logical_hba, &line.initiator_name);
  line.target_type = cached_prop(target, "TargetType");
  Node* target_options = child_group(target, "TargetLoginOptions");
  const bool first_line =
      OXIM_check_for_duplicate_entry_in_file(TargetNameKey(path, line.name), 0) == 0;
  if (first_line) {
    line.options = options_of_group(child_group(logical_hba, "InitiatorLoginOptions"));
  } else {
    line.options = options_of_group(target_options);
  }
  if (OXIM_add_target_into_file(line) != 0) {
    pdebug(kModuleAdapter, kLogError, "%s: failed to record the target portal\n", __func__);
    return kSavedFileFailure;
  }
  if (first_line) set_group_options(target_options, line.options);
  return 0;
}

uint32_t get_all_targets(Node* logical_hba, bool discovered) {
  const FunctionAddress address = function_address(logical_hba);
  std::array<uint8_t, records::kDiscoveryParamsSize> old_params{};
  std::optional<records::DiscoveryParams> old;
  if (ioctl_get_discoveryparams(address, old_params) != 0 ||
      !(old = records::DecodeDiscoveryParams(old_params))) {
    return report(kDiscoveryParamsNotRead);
  }
  // A fresh record: the iSNS switch carried over, and the initiator's name.
  records::DiscoveryParams fresh;
  fresh.flags = old->flags & records::kDiscoveryIsnsEnabled;
  (void)read_initiator_name(logical_hba, &fresh.initiator_name);
  std::array<uint8_t, records::kDiscoveryParamsSize> new_params{};
  records::EncodeDiscoveryParams(new_params, fresh);
  uint32_t selector = discovered ? 1 : 0;
  const uint32_t set = ioctl_set_discoveryparams(address, new_params);
  if (set == 32) {
    selector = 0;
  } else if (set != 0) {
    return report(kDiscoveryParamsNotSet);
  }
  std::vector<uint8_t> list(records::kTargetIdListSize, 0);
  records::EncodeTargetIdRequest(list, selector, records::kTargetIdListFlags);
  if (ioctl_get_all_tgt_id(address, list, static_cast<uint32_t>(list.size())) != 0) {
    return report(kTargetIdsNotRead);
  }
  {
    StoreLock lock;
    if (internal_get_node(logical_hba, "AddTarget", kKindCommand) == nullptr) return 1;
  }
  std::optional<std::vector<uint32_t>> ids = records::DecodeTargetIdList(list);
  if (!ids) return 82;
  for (uint32_t id : *ids) {
    std::array<uint8_t, records::kTargetSizeRequestSize> query{};
    records::EncodeTargetRequest(query, id);
    uint16_t size = 0;
    if (ioctl_get_a_target_size(address, query, &size) != 0 || size == 0) {
      return report(kInsufficientBuffer);
    }
    std::vector<uint8_t> record(std::max<size_t>(size, records::kPortalGroupsOffset), 0);
    records::EncodeTargetRequest(record, id);
    if (ioctl_get_a_target(address, record, size) != 0) {
      return report(kTargetNotRead);
    }
    std::optional<records::FirmwareTarget> decoded = records::DecodeTargetRecord(record);
    if (!decoded || decoded->name.empty() || decoded->groups.empty() ||
        decoded->groups.front().portals.empty() ||
        decoded->groups.front().portals.front().address_type == records::kAddressNone) {
      continue;
    }
    Node* target = setup_target(logical_hba, decoded->name, discovered);
    if (target == nullptr) target = find_target(logical_hba, decoded->name);
    if (target == nullptr) continue;
    for (const records::PortalGroup& group : decoded->groups) {
      bool deleted = false;
      for (const records::PortalEntry& portal : group.portals) {
        const std::string ip = CanonicalIpText(records::PortalAddressText(portal));
        const std::string port = std::to_string(portal.port);
        if (find_target_portal(target, ip, port) != nullptr) continue;
        Node* made = setup_portal(target, ip, port, std::to_string(group.tag));
        if (made == nullptr) {
          (void)delete_node(target);
          deleted = true;
          break;
        }
        // A portal that cannot be saved would be gone at the next start.
        if (uint32_t status = record_target_portal(logical_hba, target, ip, port); status != 0) {
          (void)delete_node(made);
          return status;
        }
      }
      if (deleted) break;
    }
  }
  return 0;
}

void register_target_handlers(HandlerRegistry& registry) {
  registry.add_command("do_AddTarget", do_AddTarget);
  registry.add_command("do_DeleteTarget", do_DeleteTarget);
  registry.add_command("do_AddTargetPortal", do_AddTargetPortal);
  registry.add_command("do_DeleteTargetPortal", do_DeleteTargetPortal);
  registry.add_property("handle_target_type", handle_target_type);
  registry.add_property("handle_TargetAlias", handle_TargetAlias);
  registry.add_property("handle_iSCSIPhysicalHBA_LogicalHBA_Enabled", handle_LogicalHBA_Enabled);
  registry.add_refresh("group_Target", group_Target);
}

}  // namespace oxim::iscsi
