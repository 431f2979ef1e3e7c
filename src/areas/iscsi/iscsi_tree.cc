// Tree services of the iSCSI handlers; see iscsi_tree.h.
#include "areas/iscsi/iscsi_tree.h"

#include <strings.h>

#include <algorithm>
#include <cstring>

#include "areas/iscsi/chap_rules.h"
#include "areas/iscsi/initiator_name.h"

#include "core/address.h"
#include "core/last_status.h"
#include "core/node_store.h"
#include "core/store_guard.h"
#include "core/tree_services.h"
#include "kit/function_tree.h"

namespace oxim::iscsi {

HbaPath hba_path(Node* logical_hba) {
  auto number = [&](const char* name) {
    int n = instance_number(enclosing_group(logical_hba, name));
    return static_cast<unsigned>(n < 0 ? 0 : n);
  };
  return HbaPathOf(number("Quellfire"), number("iSCSIPhysicalHBA"), number("LogicalHBA"));
}

// Through the properties' handler: the firmware's initiator name record.
bool read_initiator_name(Node* logical_hba, std::string* name) {
  Node* group = child_group(logical_hba, "InitiatoriSCSIName");
  if (group == nullptr || !read_prop(group, "InitiatoriSCSIName", name)) return false;
  return !name->empty();
}

bool read_login_initiator(Node* logical_hba, LoginInitiator* initiator) {
  records::InitiatorNameRecord record;
  if (get_name_params(function_address(logical_hba), &record) != 0) return false;
  initiator->name = std::move(record.name);
  initiator->alias = std::move(record.alias);
  return !initiator->name.empty();
}

uint32_t refuse_unsavable(const char* parameter, std::string_view text) {
  std::string message;
  const uint32_t status = check_saved_text(parameter, text, &message);
  if (status != 0) oxim_set_last_status(status, message.c_str());
  return status;
}

Node* find_target(Node* logical_hba, std::string_view name) {
  return get_matchnode_by_propvalue(logical_hba, "Target", "TargetISCSIName", name);
}

Node* find_target_portal(Node* target, std::string_view ip, std::string_view port) {
  for (Node* portal : instances_of(target, "TargetPortal")) {
    std::string address;
    std::string number;
    if (!read_prop(portal, "TargetIPAddress", &address) ||
        !read_prop(portal, "TargetPortNumber", &number)) {
      continue;
    }
    if ((ip.empty() || SameIpAddress(address, ip)) && (port.empty() || number == port)) {
      return portal;
    }
  }
  return nullptr;
}

int validate_target_portal(Node* target, int* instance, std::string_view ip,
                           std::string_view port) {
  for (Node* portal : instances_of(target, "TargetPortal")) {
    if (!SameIpAddress(prop_or_empty(portal, "TargetIPAddress"), ip)) continue;
    if (!port.empty() && prop_or_empty(portal, "TargetPortNumber") != port) continue;
    if (instance != nullptr) *instance = instance_number(portal);
    return 0;
  }
  return 1;
}

Node* get_matchnode_by_propvalue(Node* parent, const char* group_name, const char* property,
                                 std::string_view value) {
  for (Node* group : instances_of(parent, group_name)) {
    std::string current;
    if (!read_prop(group, property, &current)) return nullptr;
    if (equal_ignoring_case(current, value)) return group;
  }
  return nullptr;
}

Node* find_session(Node* target, std::string_view ip, std::string_view port) {
  for (Node* session : instances_of(target, "Session")) {
    for (Node* connection : instances_of(session, "Connection")) {
      // A connection's destination is fixed when it is made: the values
      // mirrored then are the firmware's.
      if (SameIpAddress(cached_prop(connection, "DestinationIPAddress"), ip) &&
          equal_ignoring_case(cached_prop(connection, "DestinationPortNumber"), port)) {
        return session;
      }
    }
  }
  return nullptr;
}

}  // namespace oxim::iscsi
