// Instantiation of group templates; see template.h.
#include "schema/template.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <set>
#include <unordered_map>

#include "core/alloc.h"
#include "core/bitmap.h"
#include "core/node_store.h"
#include "core/tree_services.h"
#include "schema/handler_registry.h"

namespace oxim {
namespace {

// Copies text (none: empty) into out, cut to fit with its NUL.
void copy_cut(char* out, size_t size, const char* text) {
  const size_t length = text != nullptr ? strnlen(text, size - 1) : 0;
  std::memcpy(out, text != nullptr ? text : "", length);
  out[length] = '\0';
}

// Run-time state of the templates: instance map words by (template, word
// index), created when first needed, and the bound command data blocks.
// Only the words that parents actually use exist, so a template deep in the
// tree (a Connection under Session, Target, LogicalHBA, iSCSIPhysicalHBA and
// Quellfire) does not hold millions of empty words.
std::mutex g_state_mutex;
std::unordered_map<const GroupTemplate*, std::unordered_map<uint64_t, uint8_t*>> g_words;
std::unordered_map<const CommandTemplate*, CommandData*> g_commands;

uint8_t* instance_word(const GroupTemplate& group_template, uint64_t index) {
  std::lock_guard<std::mutex> guard(g_state_mutex);
  uint8_t*& word = g_words[&group_template][index];
  if (word == nullptr) word = alloc_bitfield(group_template.maximum);
  return word;
}

Hierarchy* hierarchy_of(Node* node) { return hm_find_hierarchy_by_node(node); }

// Enters node into the parent's hierarchy; frees it on failure.
Node* enter(Node* node, Node* parent) {
  if (node == nullptr) return nullptr;
  if (add_node(node, hierarchy_of(parent)) < 0) {
    free_node_record(node);
    return nullptr;
  }
  return node;
}

Node* new_group(const GroupTemplate& group_template, Node* parent, InstanceRecord* instance) {
  // Looked up first: a lookup that runs out of memory throws, and nothing
  // is allocated yet.
  RefreshHandler refresh = handler_registry().refresh(group_template.refresh);
  Node* group =
      allocate_template_node(kKindGroup, group_template.name, group_template.description, parent);
  GroupData* data = counted_new<GroupData>();
  if (group == nullptr || data == nullptr) {
    if (group != nullptr) free_node_record(group);
    counted_delete(data);
    counted_delete(instance);
    return nullptr;
  }
  group->data.group = data;
  data->instance = instance;
  data->refresh = refresh;
  return group;
}

bool add_children(Node* group, const GroupTemplate& group_template);

bool add_command(Node* group, const CommandTemplate& command) {
  const CommandData* data = command_data(command);
  if (data == nullptr) return false;
  Node* node = allocate_template_node(kKindCommand, command.name, command.description, group);
  if (node == nullptr) return false;
  node->data.command = data;
  return enter(node, group) != nullptr;
}

bool add_fixed_group(Node* parent, const GroupTemplate& group_template) {
  Node* group = enter(new_group(group_template, parent, nullptr), parent);
  return group != nullptr && add_children(group, group_template);
}

// The template's children in its order: properties, commands, then the
// fixed sub-groups with their own children.
bool add_children(Node* group, const GroupTemplate& group_template) {
  for (const PropertyTemplate& property : group_template.properties) {
    if (add_property_from_template(group, property) == nullptr) return false;
  }
  for (const CommandTemplate& command : group_template.commands) {
    if (!add_command(group, command)) return false;
  }
  for (const GroupTemplate* subgroup : group_template.subgroups) {
    if (!add_fixed_group(group, *subgroup)) return false;
  }
  return true;
}

void collect_handlers(const GroupTemplate& group_template, std::set<std::string>& names) {
  if (group_template.refresh != nullptr) names.insert(group_template.refresh);
  for (const PropertyTemplate& property : group_template.properties) {
    if (property.handler != nullptr) names.insert(property.handler);
  }
  for (const CommandTemplate& command : group_template.commands) {
    if (command.handler != nullptr) names.insert(command.handler);
  }
  for (const GroupTemplate* subgroup : group_template.subgroups) collect_handlers(*subgroup, names);
}

}  // namespace

// instantiate, letting an allocation failure out as std::bad_alloc once what
// it built is deleted again.
Node* instantiate_or_throw(const GroupTemplate& group_template, Node* parent, Node* target_group,
                           Node* creator_command, const char* params);

Node* add_property_from_template(Node* parent, const PropertyTemplate& property) {
  PropertyHandler handler = handler_registry().property(property.handler);
  Node* node = allocate_template_node(kKindProperty, property.name, property.description, parent);
  PropertyData* data = counted_new<PropertyData>();
  if (node == nullptr || data == nullptr) {
    if (node != nullptr) free_node_record(node);
    counted_delete(data);
    return nullptr;
  }
  node->data.property = data;
  data->flags = property.flags;
  // A handler the template names but no area has built yet fails every
  // read and write rather than showing and keeping values as its own.
  data->handler = handler != nullptr            ? handler
                  : property.handler != nullptr ? handle_unimplemented_property
                                                : handle_internal_property;
  data->data_type = property.data_type;
  data->minimum = property.minimum;
  data->maximum = property.maximum;
  copy_cut(data->value, sizeof data->value, property.default_value);
  if (property.data_type == OXIM_TYPE_LIST && property.valid_values != nullptr) {
    copy_cut(data->valid_values, sizeof data->valid_values, property.valid_values);
  }
  return enter(node, parent);
}

uint64_t instance_word_index(Node* parent) {
  StoreLock lock;
  uint64_t index = 0;
  uint64_t multiplier = 1;
  for (Node* node = parent; node != nullptr && node->parent != node; node = node->parent) {
    if (!is_instanced(node)) continue;
    const InstanceRecord* instance = node->data.group->instance;
    index += static_cast<uint64_t>(instance->instance_number - instance->base) * multiplier;
    multiplier *= instance->maximum;
  }
  return index;
}

Node* instantiate(const GroupTemplate& group_template, Node* parent, Node* target_group,
                  Node* creator_command, const char* params) {
  try {
    return instantiate_or_throw(group_template, parent, target_group, creator_command, params);
  } catch (const std::bad_alloc&) {
    // Out of memory: nothing is left behind (see instantiate_or_throw).
    return nullptr;
  }
}

Node* instantiate_or_throw(const GroupTemplate& group_template, Node* parent, Node* target_group,
                           Node* creator_command, const char* params) {
  if (!is_group(parent) || group_template.maximum == 0) return nullptr;
  StoreLock lock;
  const int maximum = group_template.maximum;
  uint8_t* word = instance_word(group_template, instance_word_index(parent));
  const int bit = get_first_zero(word, maximum);
  if (bit < 0) return nullptr;  // parent full (or no memory for the word)

  InstanceRecord* instance = counted_new<InstanceRecord>();
  if (instance == nullptr) return nullptr;
  instance->instance_map = word;
  instance->maximum = static_cast<uint16_t>(maximum);
  instance->base = 0;
  instance->instance_number = bit;
  Node* group = enter(new_group(group_template, parent, instance), parent);
  if (group == nullptr) return nullptr;
  bool complete = false;
  try {
    complete = add_children(group, group_template);
  } catch (...) {
    delete_node(group);
    throw;
  }
  if (!complete) {
    delete_node(group);
    return nullptr;
  }

  GroupData* data = group->data.group;
  data->target_group = target_group;
  data->creator_command = creator_command;
  if (params != nullptr) std::memcpy(data->params, params, kParamBlockSize);
  if (creator_command != nullptr) data->persistence_priority = next_persistence_priority();
  set_bit(word, maximum, bit);

  if (!append_new_tag(group->tag)) {
    std::printf("Too many groups added in this action\n");
    delete_node(group);
    return nullptr;
  }
  return group;
}

const CommandData* command_data(const CommandTemplate& command) {
  std::lock_guard<std::mutex> guard(g_state_mutex);
  CommandData*& data = g_commands[&command];
  if (data != nullptr) return data;
  data = counted_new<CommandData>();
  if (data == nullptr) return nullptr;
  data->handler = handler_registry().command(command.handler);
  data->global = command.global ? 1 : 0;
  for (const ParamTemplate& param : command.params) {
    if (param.name == nullptr) break;
    ParamDef& def = data->params[data->param_count++];
    def.required = param.required ? 1 : 0;
    std::snprintf(def.name, sizeof def.name, "%s", param.name);
    std::snprintf(def.description, sizeof def.description, "%s", param.description);
    def.data_type = param.data_type;
    std::snprintf(def.valid_values, sizeof def.valid_values, "%s", param.valid_values);
    def.minimum = param.minimum;
    def.maximum = param.maximum;
  }
  return data;
}

void release_template_state() {
  std::lock_guard<std::mutex> guard(g_state_mutex);
  for (auto& [group_template, words] : g_words) {
    for (auto& [index, word] : words) free_bitfield(word);
  }
  g_words.clear();
  for (auto& [command, data] : g_commands) counted_delete(data);
  g_commands.clear();
}

std::vector<std::string> unregistered_handlers(std::span<const GroupTemplate* const> templates) {
  std::set<std::string> names;
  for (const GroupTemplate* group_template : templates) collect_handlers(*group_template, names);
  std::vector<std::string> missing;
  const HandlerRegistry& registry = handler_registry();
  for (const std::string& name : names) {
    if (!registry.contains(name)) missing.push_back(name);
  }
  return missing;
}

}  // namespace oxim
