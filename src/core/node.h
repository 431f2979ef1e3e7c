// The records of the tree: a Node for every group, property, command and
// link, with a kind-specific block, and the Hierarchy that maps tags to
// nodes.
//
// Thread rules. The tree interface serialises clients with the library lock,
// but property handlers run outside it, so the store has a lock of its own
// (StoreLock, node_store.h). Fields that never change after a node entered
// the tree (tag, kind, name, description, the data pointer, a property's
// flags, type, range and valid values, a command's data) may be read without
// it. The structure (parent, siblings, children, instance chains, link
// counts), property values and persistence records are read and written only
// with the StoreLock held, normally through the functions of node_store.h.
// Deleted nodes are kept until no thread is inside the library (reclaim.h),
// so a node pointer obtained under the lock stays valid memory for the rest
// of the call that obtained it.
#ifndef OXIM_CORE_NODE_H_
#define OXIM_CORE_NODE_H_

#include <cstdint>

#include "core/child_index.h"
#include "oxim/oxim.h"

namespace oxim {

struct Node;

enum NodeKind : uint32_t {
  kKindGroup = OXIM_KIND_GROUP,
  kKindProperty = OXIM_KIND_PROPERTY,
  kKindCommand = OXIM_KIND_COMMAND,
  kKindLink = OXIM_KIND_LINK,
};

inline constexpr int kNameSize = OXIM_NAME_SIZE;
inline constexpr int kDisplayNameLength = OXIM_NAME_SIZE - 1;
inline constexpr int kDescriptionSize = OXIM_DESCRIPTION_SIZE;
inline constexpr int kValueSize = OXIM_VALUE_SIZE;
inline constexpr int kParamSize = OXIM_PARAM_SIZE;
inline constexpr int kMaxParams = OXIM_MAX_PARAMS;
inline constexpr int kParamBlockSize = kParamSize * kMaxParams;  // 1536

// Handler operations.
inline constexpr uint32_t kOpRead = 0;
inline constexpr uint32_t kOpWrite = 1;

// handler(property, buffer, op): op 0 reads the value into the 256-byte
// buffer, op 1 applies the value in it. Returns a status.
using PropertyHandler = uint32_t (*)(Node* property, char* buffer, uint32_t op);
// handler(target group, command, params): params are six consecutive 256-byte
// slots in the order of the parameter definitions. Returns a status.
using CommandHandler = uint32_t (*)(Node* group, Node* command, char* params);
// handler(group): rebuilds the dynamic children of a group. Returns a status.
using RefreshHandler = uint32_t (*)(Node* group);

using ParamDef = OXIM_PARAM_DEF;

// Numbering of a group that may exist several times under one parent.
struct InstanceRecord {
  uint8_t* instance_map = nullptr;  // the template's map word for this parent path
  Node* next_instance = nullptr;
  Node* previous_instance = nullptr;
  uint16_t maximum = 0;         // bits in the map word
  uint16_t base = 0;            // instance number of bit 0
  int32_t instance_number = 0;  // -1 marks the sentinel of a chain
};

struct GroupData {
  Node* first_child = nullptr;  // the child list is circular through the group
  Node* last_child = nullptr;
  RefreshHandler refresh = nullptr;
  InstanceRecord* instance = nullptr;  // only for instanced groups
  Node* target_group = nullptr;        // for groups made by a command
  Node* creator_command = nullptr;
  char params[kMaxParams][kParamSize] = {};
  uint32_t persistence_priority = 0;
  void* context = nullptr;  // handler context, owned by the group
  ChildIndex index;         // children by display name, for lookups
};

struct PropertyData {
  char value[kValueSize] = {};
  PropertyHandler handler = nullptr;
  uint32_t flags = 0;  // 1 read-only, 2 read-write; bit 3 honoured by filter 7
  uint8_t data_type = 0;
  char valid_values[kValueSize] = {};
  int32_t minimum = 0;
  int32_t maximum = 0;
};

// Static, one per command template; never allocated or freed by the store.
struct CommandData {
  CommandHandler handler = nullptr;
  uint32_t global = 0;  // 1: found by name from every group
  int32_t param_count = 0;
  ParamDef params[kMaxParams] = {};
};

struct LinkData {
  Node* target = nullptr;
  Node* target_group = nullptr;
  Node* creator_command = nullptr;
  char params[kMaxParams][kParamSize] = {};
  uint32_t persistence_priority = 0;
};

struct Node {
  uint32_t tag = 0;
  uint32_t kind = 0;
  char* name = nullptr;
  char* description = nullptr;
  // name and description are the template's own texts, which live as long
  // as the library, rather than copies the node owns.
  bool static_text = false;
  Node* parent = nullptr;    // ROOT's parent is ROOT
  Node* next = nullptr;      // the last child's next is the parent
  Node* previous = nullptr;  // the first child's previous is the parent
  uint32_t link_count = 0;
  union {
    GroupData* group;
    PropertyData* property;
    const CommandData* command;
    LinkData* link;
  } data = {nullptr};
  // Chains deleted nodes whose memory is kept until no call can still hold
  // them (store_guard.h); its own field, so that retiring never allocates
  // and a retired node's tree links stay as a holder last saw them.
  Node* next_retired = nullptr;
};

inline bool is_group(const Node* node) { return node != nullptr && node->kind == kKindGroup; }
inline bool is_property(const Node* node) { return node != nullptr && node->kind == kKindProperty; }
inline bool is_command(const Node* node) { return node != nullptr && node->kind == kKindCommand; }
inline bool is_link(const Node* node) { return node != nullptr && node->kind == kKindLink; }
inline bool is_instanced(const Node* node) {
  return is_group(node) && node->data.group != nullptr && node->data.group->instance != nullptr;
}

// The tree limits recorded in a hierarchy.
inline constexpr uint32_t kMaximumTag = 226757528;
inline constexpr int kTableGrowth = 1024;

struct Hierarchy {
  const char* name = "";
  Node* root = nullptr;
  int capacity = 0;
  Node** node_table = nullptr;   // indexed by tag
  uint8_t* used_tags = nullptr;  // one bit per slot
  uint32_t maximum_tag = kMaximumTag;
  int description_size = kDescriptionSize;
  int name_size = kNameSize;
  int params_per_command = kMaxParams;
};

}  // namespace oxim

#endif  // OXIM_CORE_NODE_H_
