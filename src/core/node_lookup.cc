// Lookups in the node store: a child by display name, instances, ancestors,
// and path texts.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/node_store.h"

namespace oxim {
namespace {

// Follows links; a chain of links longer than the tree could hold is
// treated as broken.
constexpr int kMaxLinkHops = 64;

bool passes_lookup_filter(const Node* node, uint32_t kind_filter) {
  if (kind_filter == OXIM_KIND_ANY) return node != nullptr;
  return passes_listing_filter(node, kind_filter);
}

}  // namespace

Node* final_target(Node* node) {
  StoreLock lock;
  for (int hop = 0; is_link(node); ++hop) {
    if (hop == kMaxLinkHops) return nullptr;
    node = node->data.link->target;
  }
  return node;
}

bool passes_listing_filter(const Node* node, uint32_t kind_filter) {
  if (node == nullptr) return false;
  switch (kind_filter) {
    case OXIM_KIND_GROUP:
    case OXIM_KIND_PROPERTY:
    case OXIM_KIND_COMMAND: return node->kind == kind_filter;
    case OXIM_KIND_READ_ONLY: return is_property(node) && (node->data.property->flags & 1u) != 0;
    case OXIM_KIND_WRITABLE: return is_property(node) && (node->data.property->flags & 1u) == 0;
    case OXIM_KIND_SETTABLE:
      return is_property(node) && (node->data.property->flags & (1u | 8u)) == 0;
    default: return false;
  }
}

Node* internal_get_node(Node* parent, const char* name, uint32_t kind_filter) {
  if (parent == nullptr || name == nullptr) return nullptr;
  StoreLock lock;
  parent = final_target(parent);
  if (!is_group(parent)) return nullptr;
  if (Node* child = parent->data.group->index.find_first(name, [&](Node* candidate) {
        return passes_lookup_filter(final_target(candidate), kind_filter);
      })) {
    return child;
  }
  if (kind_filter == OXIM_KIND_COMMAND) {
    Node* root = hm_get_root(oxim_current_hierarchy);
    if (root == nullptr) return nullptr;
    return root->data.group->index.find_first(name, [](Node* candidate) {
      Node* command = final_target(candidate);
      return is_command(command) && command->data.command->global == 1;
    });
  }
  return nullptr;
}

Node* get_first_instance(Node* parent, const char* base_name) {
  if (!is_group(parent) || base_name == nullptr) return nullptr;
  StoreLock lock;
  Node* sentinel = parent->data.group->index.chain(base_name);
  if (sentinel == nullptr) return nullptr;
  Node* first = sentinel->data.group->instance->next_instance;
  return first == sentinel ? nullptr : first;
}

Node* get_dynamic_ancester(Node* node) {
  StoreLock lock;
  for (; node != nullptr && node->parent != node; node = node->parent) {
    if (is_instanced(node)) return node;
  }
  return nullptr;
}

Node* internal_get_node_path(const char* path, uint32_t kind_filter) {
  if (path == nullptr) return nullptr;
  StoreLock lock;
  Node* node = hm_get_root(oxim_current_hierarchy);
  if (node == nullptr) return nullptr;
  if (std::strcmp(path, "ROOT") == 0) return node;
  const char* slash = std::strchr(path, '/');
  if (slash == nullptr) return nullptr;  // one component other than ROOT
  const char* component = slash + 1;
  for (;;) {
    const char* end = std::strchr(component, '/');
    std::string name(
        component, end != nullptr ? static_cast<size_t>(end - component) : std::strlen(component));
    node = internal_get_node(node, name.c_str(), end != nullptr ? OXIM_KIND_GROUP : kind_filter);
    if (node == nullptr || end == nullptr) return node;
    component = end + 1;
  }
}

std::string full_path(const Node* node) {
  StoreLock lock;
  std::vector<const Node*> chain;
  for (; node != nullptr && node->parent != node; node = node->parent) chain.push_back(node);
  std::string path = "ROOT";
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    char name[kNameSize];
    display_name(*it, name);
    path += '/';
    path += name;
  }
  return path;
}

void get_full_path(const Node* node, char* buffer) {
  std::snprintf(buffer, kValueSize, "%s", full_path(node).c_str());
}

}  // namespace oxim
