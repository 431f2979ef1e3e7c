// The node store: hierarchy tables, insertion, instance chains, links,
// deletion and persistence priorities. Lookups and paths are in
// node_lookup.cc.
#include <strings.h>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "core/alloc.h"
#include "core/bitmap.h"
#include "core/lock.h"
#include "core/node_store.h"
#include "core/tree_services.h"

namespace oxim {

const char* oxim_current_hierarchy = "";

namespace {

Hierarchy* g_hierarchies[kMaxHierarchies] = {};
int g_hierarchy_count = 0;
// Next persistence priority to give; starts at 1 with every tree.
uint32_t g_persistency_priority = 1;

// Links node into its parent's instance chain of its base name, creating the
// chain's sentinel for the first instance. Returns the instance that follows
// node in the chain (the sentinel if node is the highest), or nullptr when
// memory runs out.
Node* join_instance_chain(Node* node) {
  GroupData* parent = node->parent->data.group;
  InstanceRecord* record = node->data.group->instance;
  Node* sentinel = parent->index.chain(node->name);
  if (sentinel == nullptr) {
    sentinel = counted_new<Node>();
    GroupData* data = counted_new<GroupData>();
    InstanceRecord* instance = counted_new<InstanceRecord>();
    if (sentinel == nullptr || data == nullptr || instance == nullptr) {
      counted_delete(sentinel);
      counted_delete(data);
      counted_delete(instance);
      return nullptr;
    }
    sentinel->kind = kKindGroup;
    sentinel->parent = node->parent;
    sentinel->data.group = data;
    data->instance = instance;
    instance->instance_number = -1;
    instance->next_instance = sentinel;
    instance->previous_instance = sentinel;
    try {
      parent->index.set_chain(node->name, sentinel);
    } catch (const std::bad_alloc&) {
      counted_delete(sentinel);
      counted_delete(data);
      counted_delete(instance);
      return nullptr;
    }
  }
  InstanceRecord* chain = sentinel->data.group->instance;
  // Most instances are added in ascending order: check the highest first.
  Node* follower = sentinel;
  Node* highest = chain->previous_instance;
  if (highest != sentinel &&
      highest->data.group->instance->instance_number > record->instance_number) {
    follower = chain->next_instance;
    while (follower != sentinel &&
           follower->data.group->instance->instance_number <= record->instance_number) {
      follower = follower->data.group->instance->next_instance;
    }
  }
  InstanceRecord* after = follower->data.group->instance;
  Node* before = after->previous_instance;
  record->next_instance = follower;
  record->previous_instance = before;
  before->data.group->instance->next_instance = node;
  after->previous_instance = node;
  return follower;
}

// Unlinks an instanced group from its chain; frees the sentinel when the
// chain is left empty.
void leave_instance_chain(Node* node) {
  InstanceRecord* record = node->data.group->instance;
  if (record->next_instance == nullptr) return;  // never joined
  Node* next = record->next_instance;
  Node* previous = record->previous_instance;
  next->data.group->instance->previous_instance = previous;
  previous->data.group->instance->next_instance = next;
  record->next_instance = record->previous_instance = nullptr;
  if (next == previous && next->data.group->instance->instance_number == -1) {
    node->parent->data.group->index.set_chain(node->name, nullptr);
    free_node_record(next);
  }
}

void insert_after(Node* node, Node* before) {
  Node* parent = node->parent;
  GroupData* group = parent->data.group;
  Node* after = before == parent ? group->first_child : before->next;
  node->previous = before;
  node->next = after;
  if (before == parent)
    group->first_child = node;
  else
    before->next = node;
  if (after == parent)
    group->last_child = node;
  else
    after->previous = node;
}

// Places node among its parent's children: appended, or for an instance that
// joined a chain next to its neighbours in the chain.
void insert_child(Node* node, Node* chain_follower) {
  Node* parent = node->parent;
  GroupData* group = parent->data.group;
  if (chain_follower != nullptr) {
    InstanceRecord* record = node->data.group->instance;
    if (chain_follower->data.group->instance->instance_number != -1) {
      insert_after(node, chain_follower->previous);
      return;
    }
    Node* highest = record->previous_instance;
    if (highest->data.group->instance->instance_number != -1) {
      insert_after(node, highest);
      return;
    }
  }
  insert_after(node, group->last_child == nullptr ? parent : group->last_child);
}

void unlink_child(Node* node) {
  Node* parent = node->parent;
  if (parent == node || parent == nullptr) return;
  GroupData* group = parent->data.group;
  group->index.erase(node);
  if (node->previous == parent)
    group->first_child = node->next;
  else
    node->previous->next = node->next;
  if (node->next == parent)
    group->last_child = node->previous;
  else
    node->next->previous = node->previous;
  if (group->first_child == parent) group->first_child = group->last_child = parent;
}

// Deletes the links whose target is node, so that none is left pointing at a
// freed node when a subtree that holds link targets goes.
void delete_links_to(Node* node, Hierarchy* h) {
  for (int tag = 0; tag < h->capacity && node->link_count > 0; ++tag) {
    Node* candidate = h->node_table[tag];
    if (is_link(candidate) && candidate->data.link->target == node) _delete_node(candidate);
  }
}

}  // namespace

void free_node_record(Node* node) {
  switch (node->kind) {
    case kKindGroup:
      if (node->data.group != nullptr) {
        oxim_dfree(node->data.group->context);
        counted_delete(node->data.group->instance);
        counted_delete(node->data.group);
      }
      break;
    case kKindProperty: counted_delete(node->data.property); break;
    case kKindLink: counted_delete(node->data.link); break;
    default: break;  // command data is static
  }
  if (!node->static_text) {
    oxim_dfree(node->name);
    oxim_dfree(node->description);
  }
  counted_delete(node);
}

Node* allocate_template_node(uint32_t kind, const char* name, const char* description,
                             Node* parent) {
  Node* node = counted_new<Node>();
  if (node == nullptr) return nullptr;
  node->kind = kind;
  node->parent = parent;
  node->static_text = true;
  // The node never writes through them.
  node->name = const_cast<char*>(name != nullptr ? name : "");
  node->description = const_cast<char*>(description != nullptr ? description : "");
  return node;
}

Node* allocate_node(uint32_t kind, const char* name, const char* description, Node* parent) {
  Node* node = counted_new<Node>();
  if (node == nullptr) return nullptr;
  node->kind = kind;
  node->parent = parent;
  node->name = oxim_dstrdup(name != nullptr ? name : "");
  node->description = oxim_dstrdup(description != nullptr ? description : "");
  if (node->name == nullptr || node->description == nullptr) {
    free_node_record(node);
    return nullptr;
  }
  return node;
}

int hm_setup_hierarchy(Hierarchy* h) {
  StoreLock lock;
  if (h == nullptr || g_hierarchy_count >= kMaxHierarchies) return 1;
  h->node_table = static_cast<Node**>(oxim_dmalloc(sizeof(Node*) * kTableGrowth));
  h->used_tags = alloc_bitfield(kTableGrowth);
  if (h->node_table == nullptr || h->used_tags == nullptr) {
    oxim_dfree(h->node_table);
    free_bitfield(h->used_tags);
    h->node_table = nullptr;
    h->used_tags = nullptr;
    return 1;
  }
  std::memset(h->node_table, 0, sizeof(Node*) * kTableGrowth);
  h->capacity = kTableGrowth;
  g_persistency_priority = 1;
  g_hierarchies[g_hierarchy_count++] = h;
  return 0;
}

Hierarchy* hm_find_hierarchy(const char* name) {
  if (name == nullptr) return nullptr;
  StoreLock lock;
  for (int i = 0; i < g_hierarchy_count; ++i) {
    if (std::strcmp(g_hierarchies[i]->name, name) == 0) return g_hierarchies[i];
  }
  return nullptr;
}

Node* hm_get_root(const char* name) {
  Hierarchy* h = hm_find_hierarchy(name);
  return h != nullptr ? h->root : nullptr;
}

Hierarchy* hm_find_hierarchy_by_node(const Node* node) {
  if (node == nullptr) return nullptr;
  StoreLock lock;
  for (int i = 0; i < g_hierarchy_count; ++i) {
    Hierarchy* h = g_hierarchies[i];
    if (node->tag < static_cast<uint32_t>(h->capacity) && h->node_table[node->tag] == node)
      return h;
  }
  return nullptr;
}

int reinit_hm(Hierarchy* h) {
  StoreLock lock;
  const int capacity = h->capacity + kTableGrowth;
  auto* table = static_cast<Node**>(oxim_dmalloc(sizeof(Node*) * capacity));
  uint8_t* used = alloc_bitfield(capacity);
  if (table == nullptr || used == nullptr) {  // the old table stays intact
    oxim_dfree(table);
    free_bitfield(used);
    return 1;
  }
  std::memset(table, 0, sizeof(Node*) * capacity);
  std::memcpy(table, h->node_table, sizeof(Node*) * h->capacity);
  std::memcpy(used, h->used_tags, bitmap_bytes(h->capacity));
  oxim_dfree(h->node_table);
  free_bitfield(h->used_tags);
  h->node_table = table;
  h->used_tags = used;
  h->capacity = capacity;
  return 0;
}

void hm_teardown_hierarchies() {
  StoreLock lock;
  while (g_hierarchy_count > 0) {
    Hierarchy* h = g_hierarchies[g_hierarchy_count - 1];
    if (h->root != nullptr) _delete_node(h->root);
    h->root = nullptr;
    --g_hierarchy_count;
    oxim_dfree(h->node_table);
    free_bitfield(h->used_tags);
    h->node_table = nullptr;
    h->used_tags = nullptr;
    h->capacity = 0;
    g_hierarchies[g_hierarchy_count] = nullptr;
  }
}

Node* get_node(uint32_t tag) {
  StoreLock lock;
  Hierarchy* h = hm_find_hierarchy(oxim_current_hierarchy);
  if (h == nullptr || tag >= static_cast<uint32_t>(h->capacity)) return nullptr;
  return h->node_table[tag];
}

bool node_exists(const Node* node) {
  // Only instanced groups and links can clash; both are found by display
  // name (name and number, or the link's name) in the parent's index.
  if (!is_instanced(node) && !is_link(node)) return false;
  StoreLock lock;
  Node* parent = node->parent;
  if (parent == nullptr || parent == node || !is_group(parent)) return false;
  char name[kNameSize];
  display_name(node, name);
  return parent->data.group->index.find_first(name, [&](const Node* child) {
    if (child->kind != node->kind || strcasecmp(child->name, node->name) != 0) return false;
    if (is_instanced(child) && is_instanced(node) &&
        child->data.group->instance->instance_number ==
            node->data.group->instance->instance_number) {
      return true;
    }
    return is_link(child) && child->data.link->target == node->data.link->target;
  }) != nullptr;
}

int64_t add_node(Node* node, Hierarchy* h) {
  if (node == nullptr || h == nullptr) return -1;
  StoreLock lock;
  const bool is_root = node->parent == node;
  if (!is_root && !is_group(node->parent)) return -1;
  int slot = get_first_zero(h->used_tags, h->capacity);
  for (;;) {
    if (node_exists(node)) return -1;
    if (slot > static_cast<int>(h->maximum_tag)) std::printf("BUG %d\n", slot);
    if (slot >= 0) break;
    if (h->capacity > static_cast<int>(kMaximumTag) - 1) {
      std::printf("Hierarchy FULL!");
      return -1;
    }
    if (reinit_hm(h) != 0) return -1;
    slot = get_first_zero(h->used_tags, h->capacity);
  }
  node->tag = static_cast<uint32_t>(slot);
  Node* chain_follower = nullptr;
  if (is_group(node)) {
    node->data.group->first_child = node->data.group->last_child = node;
    if (is_instanced(node) && !is_root) {
      chain_follower = join_instance_chain(node);
      if (chain_follower == nullptr) return -1;
    }
  }
  if (is_root) {
    node->next = node->previous = node;
  } else {
    insert_child(node, chain_follower);
    try {
      node->parent->data.group->index.insert(node);
    } catch (const std::bad_alloc&) {
      // No memory for the name index: the node goes again, as when any
      // other part of it could not be made.
      unlink_child(node);
      if (chain_follower != nullptr) leave_instance_chain(node);
      return -1;
    }
  }
  set_bit(h->used_tags, h->capacity, slot);
  h->node_table[slot] = node;
  return slot;
}

void _delete_node(Node* node) {
  if (node == nullptr) return;
  StoreLock lock;
  Hierarchy* h = hm_find_hierarchy_by_node(node);
  if (h == nullptr) return;
  if (node->link_count > 0) delete_links_to(node, h);
  if (is_link(node)) {
    Node* target = node->data.link->target;
    if (target != nullptr && target->link_count > 0) --target->link_count;
  }
  if (is_group(node)) {
    GroupData* group = node->data.group;
    // Re-read the first child every time: deleting a child may also delete
    // links among its siblings.
    while (group->first_child != node) {
      Node* child = group->first_child;
      _delete_node(child);
      if (group->first_child == child) unlink_child(child);  // not in a hierarchy
    }
    if (group->instance != nullptr) {
      InstanceRecord* instance = group->instance;
      clear_bit(instance->instance_map, instance->maximum,
                instance->instance_number - instance->base);
      if (node->parent != node) leave_instance_chain(node);
    }
  }
  if (is_group(node) && oxim_lock_held_by_this_thread()) forget_new_tag(node->tag);
  clear_bit(h->used_tags, h->capacity, static_cast<int>(node->tag));
  unlink_child(node);
  h->node_table[node->tag] = nullptr;
  if (h->root == node) h->root = nullptr;
  retire_node(node);
}

uint32_t delete_node(Node* node) {
  if (node == nullptr) return OXIM_STATUS_FAILURE;
  StoreLock lock;
  if (node->link_count != 0) return OXIM_STATUS_HAS_LINKS;
  _delete_node(node);
  return OXIM_STATUS_SUCCESS;
}

uint32_t purge_nodes_within(Node* parent, const char* base_name) {
  if (!is_group(parent) || base_name == nullptr) return OXIM_STATUS_SUCCESS;
  StoreLock lock;
  Node* sentinel = parent->data.group->index.chain(base_name);
  if (sentinel == nullptr) return OXIM_STATUS_SUCCESS;
  std::vector<Node*> instances;
  for (Node* n = sentinel->data.group->instance->next_instance; n != sentinel;
       n = n->data.group->instance->next_instance) {
    instances.push_back(n);
  }
  for (Node* instance : instances) {
    if (std::strcmp(base_name, "Session") == 0) {
      Node* connection = get_first_instance(instance, "Connection");
      if (connection != nullptr) delete_node(connection);
    }
    uint32_t status = delete_node(instance);
    if (status != OXIM_STATUS_SUCCESS) return status;
  }
  return OXIM_STATUS_SUCCESS;
}

Node* create_link(Node* parent, const char* name, Node* target, Node* target_group,
                  Node* creator_command, const char* params) {
  if (!is_group(parent) || name == nullptr || target == nullptr) return nullptr;
  StoreLock lock;
  Hierarchy* h = hm_find_hierarchy_by_node(parent);
  Node* link = allocate_node(kKindLink, name, target->description, parent);
  LinkData* data = counted_new<LinkData>();
  if (h == nullptr || link == nullptr || data == nullptr) {
    if (link != nullptr) free_node_record(link);
    counted_delete(data);
    return nullptr;
  }
  link->data.link = data;
  data->target = target;
  data->target_group = target_group;
  data->creator_command = creator_command;
  if (params != nullptr) std::memcpy(data->params, params, kParamBlockSize);
  if (add_node(link, h) < 0) {
    free_node_record(link);
    return nullptr;
  }
  if (creator_command != nullptr) data->persistence_priority = next_persistence_priority();
  ++target->link_count;
  return link;
}

uint32_t next_persistence_priority() {
  StoreLock lock;
  return g_persistency_priority++;
}

uint32_t persistence_priority_counter() {
  StoreLock lock;
  return g_persistency_priority;
}

namespace {
void collect_persistent(Node* node, std::vector<Node*>& out) {
  if (is_link(node)) {
    if (node->data.link->persistence_priority > 0) out.push_back(node);
    return;
  }
  if (!is_group(node)) return;
  if (node->data.group->persistence_priority > 0) out.push_back(node);
  for (Node* child = node->data.group->first_child; child != node; child = child->next) {
    collect_persistent(child, out);
  }
}

uint32_t priority_of(const Node* node) {
  return is_link(node) ? node->data.link->persistence_priority
                       : node->data.group->persistence_priority;
}
}  // namespace

std::vector<Node*> persistent_nodes() {
  StoreLock lock;
  std::vector<Node*> nodes;
  Node* root = hm_get_root(oxim_current_hierarchy);
  if (root != nullptr) collect_persistent(root, nodes);
  std::sort(nodes.begin(), nodes.end(),
            [](const Node* a, const Node* b) { return priority_of(a) < priority_of(b); });
  return nodes;
}

std::vector<int32_t> instance_numbers(Node* parent, const char* base_name) {
  StoreLock lock;
  std::vector<int32_t> numbers;
  for (Node* n = get_first_instance(parent, base_name); n != nullptr;) {
    InstanceRecord* record = n->data.group->instance;
    if (record->instance_number == -1) break;
    numbers.push_back(record->instance_number);
    n = record->next_instance;
  }
  return numbers;
}

bool node_is_live(const Node* node) {
  if (node == nullptr) return false;
  StoreLock lock;
  for (int i = 0; i < g_hierarchy_count; ++i) {
    const Hierarchy* h = g_hierarchies[i];
    for (int tag = 0; tag < h->capacity; ++tag) {
      if (h->node_table[tag] == node) return true;
    }
  }
  return false;
}

Node* parent_of(const Node* node) {
  StoreLock lock;
  return node != nullptr ? node->parent : nullptr;
}

std::vector<Node*> children_of(Node* group) {
  StoreLock lock;
  std::vector<Node*> children;
  if (!is_group(group)) return children;
  for (Node* child = group->data.group->first_child; child != group; child = child->next) {
    children.push_back(child);
  }
  return children;
}

void read_cached_value(const Node* property, char* buffer) {
  StoreLock lock;
  std::memcpy(buffer, property->data.property->value, kValueSize);
}

void write_cached_value(Node* property, const char* value) {
  const size_t length = value != nullptr ? strnlen(value, kValueSize - 1) : 0;
  StoreLock lock;
  char* cached = property->data.property->value;
  if (length != 0) std::memcpy(cached, value, length);
  cached[length] = '\0';
}

}  // namespace oxim
