// Tree services of the iSCSI handlers; see iscsi_tree.h.
#include "areas/iscsi/iscsi_tree.h"

#include <strings.h>
#include <algorithm>
#include <cstring>

#include "core/last_status.h"
#include "core/node_store.h"
#include "core/store_guard.h"
#include "core/tree_services.h"
#include "kit/function_tree.h"

namespace oxim::iscsi {

bool equal_ignoring_case(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

uint32_t report(uint32_t status, const char* message) {
  oxim_set_last_status(status, message);
  return status;
}

std::string param_text(const char* params, int i) {
  if (params == nullptr || i < 0 || i >= kMaxParams) return {};
  const char* slot = params + static_cast<size_t>(i) * kParamSize;
  return std::string(slot, strnlen(slot, kParamSize));
}

void clear_params(char* params) {
  if (params != nullptr) std::memset(params, 0, kParamBlockSize);
}

bool read_prop(Node* group, const char* name, std::string* value) {
  char buffer[kValueSize] = "";
  if (group == nullptr || internal_get_property(group, name, buffer) != 0) return false;
  buffer[kValueSize - 1] = '\0';
  *value = buffer;
  return true;
}

std::string prop_or_empty(Node* group, const char* name) {
  std::string value;
  return read_prop(group, name, &value) ? value : std::string();
}

bool write_prop(Node* group, const char* name, std::string_view value) {
  if (group == nullptr) return false;
  std::string text(value.substr(0, kValueSize - 1));
  return internal_set_property(group, name, text.c_str()) == 0;
}

bool cache_prop(Node* group, const char* name, std::string_view value) {
  if (group == nullptr) return false;
  std::string text(value.substr(0, kValueSize - 1));
  return set_prop_val(group, name, "%s", text.c_str()) == 0;
}

std::string cached_prop(Node* group, const char* name) {
  StoreLock lock;
  Node* property = group == nullptr ? nullptr : internal_get_node(group, name, kKindProperty);
  if (property == nullptr) return {};
  char buffer[kValueSize] = "";
  read_cached_value(property, buffer);
  buffer[kValueSize - 1] = '\0';
  return buffer;
}

Node* child_group(Node* parent, const char* name) {
  StoreLock lock;
  return parent == nullptr ? nullptr : internal_get_node(parent, name, kKindGroup);
}

int instance_number(const Node* group) {
  StoreLock lock;
  return is_instanced(group) ? group->data.group->instance->instance_number : -1;
}

std::vector<Node*> instances_of(Node* parent, const char* name) {
  std::vector<Node*> found;
  if (parent == nullptr) return found;
  for (Node* child : children_of(parent)) {
    if (is_instanced(child) && std::strcmp(child->name, name) == 0) found.push_back(child);
  }
  std::stable_sort(found.begin(), found.end(), [](const Node* a, const Node* b) {
    return instance_number(a) < instance_number(b);
  });
  return found;
}

Node* group_above(Node* node, const char* name) { return enclosing_group(node, name); }

HbaPath hba_path(Node* logical_hba) {
  auto number = [&](const char* name) {
    int n = instance_number(group_above(logical_hba, name));
    return static_cast<unsigned>(n < 0 ? 0 : n);
  };
  return HbaPathOf(number("Quellfire"), number("iSCSIPhysicalHBA"), number("LogicalHBA"));
}

bool read_initiator_name(Node* logical_hba, std::string* name) {
  return read_prop(child_group(logical_hba, "InitiatoriSCSIName"), "InitiatoriSCSIName", name);
}

std::string initiator_alias(Node* logical_hba) {
  return prop_or_empty(child_group(logical_hba, "InitiatoriSCSIName"), "InitiatorAlias");
}

FunctionAddress function_address(Node* node) {
  FunctionAddress address;
  address.index = get_port_number(node);
  address.domain = static_cast<uint8_t>(get_domain_id(node));
  address.port = static_cast<uint8_t>(get_phba_port_number(node));
  return address;
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
    if ((ip.empty() || address == ip) && (port.empty() || number == port)) return portal;
  }
  return nullptr;
}

int validate_target_portal(Node* target, int* instance, std::string_view ip,
                           std::string_view port) {
  for (Node* portal : instances_of(target, "TargetPortal")) {
    if (prop_or_empty(portal, "TargetIPAddress") != ip) continue;
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
      std::string address;
      std::string number;
      if (!read_prop(connection, "DestinationIPAddress", &address) ||
          !read_prop(connection, "DestinationPortNumber", &number)) {
        return nullptr;
      }
      if (equal_ignoring_case(address, ip) && equal_ignoring_case(number, port)) return session;
    }
  }
  return nullptr;
}

}  // namespace oxim::iscsi
