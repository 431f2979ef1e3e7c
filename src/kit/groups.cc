// Groups of the tree; see groups.h.
#include "kit/groups.h"

#include <algorithm>
#include <cstring>

#include "core/node_store.h"

namespace oxim {

Node* child_group(Node* parent, const char* name) {
  StoreLock lock;
  return parent == nullptr ? nullptr : internal_get_node(parent, name, kKindGroup);
}

Node* instance_named(Node* parent, const char* base, const std::string& number) {
  Node* found = child_group(parent, (base + number).c_str());
  return is_instanced(found) ? found : nullptr;
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

std::vector<Node*> groups_named(Node* parent, const char* name) {
  std::vector<Node*> found;
  if (parent == nullptr) return found;
  for (Node* child : children_of(parent)) {
    if (is_group(child) && std::strcmp(child->name, name) == 0) found.push_back(child);
  }
  return found;
}

Node* enclosing_group(Node* node, const char* name) {
  StoreLock lock;
  for (; node != nullptr && node->parent != node; node = node->parent) {
    if (is_group(node) && std::strcmp(node->name, name) == 0) return node;
  }
  return nullptr;
}

std::vector<Node*> controllers() {
  std::vector<Node*> found;
  for (Node* child : children_of(hm_get_root(oxim_current_hierarchy))) {
    if (is_instanced(child) && std::strcmp(child->name, "Quellfire") == 0) found.push_back(child);
  }
  return found;
}

bool is_physical_hba(const Node* node) {
  return is_group(node) && (std::strcmp(node->name, "iSCSIPhysicalHBA") == 0 ||
                            std::strcmp(node->name, "NICPhysicalHBA") == 0);
}

std::vector<Node*> physical_hbas(Node* controller) {
  std::vector<Node*> found;
  if (controller == nullptr) return found;
  for (Node* child : children_of(controller)) {
    if (is_physical_hba(child)) found.push_back(child);
  }
  return found;
}

}  // namespace oxim
