// Test tree builder; see tree_builder.h.
#include "support/tree_builder.h"

#include <cstdio>
#include <cstdlib>

#include "core/alloc.h"
#include "core/bitmap.h"
#include "core/node_store.h"

namespace oxim::testing {
namespace {

Node* NewNode(uint32_t kind, Node* parent, const char* name) {
  Node* node = counted_new<Node>();
  node->kind = kind;
  node->parent = parent;
  node->name = oxim_dstrdup(name);
  node->description = oxim_dstrdup("test node");
  return node;
}

Node* Enter(Node* node) {
  if (add_node(node, hm_find_hierarchy("")) < 0) {
    free_node_record(node);
    return nullptr;
  }
  return node;
}

}  // namespace

Node* Root() { return hm_get_root(""); }

Node* AddGroup(Node* parent, const char* name) {
  Node* node = NewNode(kKindGroup, parent, name);
  node->data.group = counted_new<GroupData>();
  return Enter(node);
}

Node* AddInstance(Node* parent, const char* name, int number, uint8_t* map, int maximum) {
  Node* node = NewNode(kKindGroup, parent, name);
  node->data.group = counted_new<GroupData>();
  InstanceRecord* instance = counted_new<InstanceRecord>();
  instance->instance_map = map;
  instance->maximum = static_cast<uint16_t>(maximum);
  instance->instance_number = number;
  node->data.group->instance = instance;
  if (Enter(node) == nullptr) return nullptr;
  set_bit(map, maximum, number);
  return node;
}

Node* AddProperty(Node* parent, const char* name, const char* value, uint32_t flags,
                  PropertyHandler handler, uint8_t data_type, int32_t minimum, int32_t maximum,
                  const char* valid_values) {
  Node* node = NewNode(kKindProperty, parent, name);
  PropertyData* data = counted_new<PropertyData>();
  if (data == nullptr) std::abort();
  std::snprintf(data->value, sizeof data->value, "%s", value);
  data->handler = handler;
  data->flags = flags;
  data->data_type = data_type;
  data->minimum = minimum;
  data->maximum = maximum;
  std::snprintf(data->valid_values, sizeof data->valid_values, "%s", valid_values);
  node->data.property = data;
  return Enter(node);
}

Node* AddCommand(Node* parent, const char* name, const CommandData* data) {
  Node* node = NewNode(kKindCommand, parent, name);
  node->data.command = data;
  return Enter(node);
}

ParamDef Param(const char* name, bool required, uint8_t data_type, int32_t minimum, int32_t maximum,
               const char* valid_values) {
  ParamDef param = {};
  param.required = required ? 1 : 0;
  std::snprintf(param.name, sizeof param.name, "%s", name);
  std::snprintf(param.description, sizeof param.description, "%s parameter", name);
  param.data_type = data_type;
  std::snprintf(param.valid_values, sizeof param.valid_values, "%s", valid_values);
  param.minimum = minimum;
  param.maximum = maximum;
  return param;
}

}  // namespace oxim::testing
