// Tree services for handlers; see tree_services.h.
#include "core/tree_services.h"

#include <strings.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <string>

#include "core/last_status.h"
#include "core/node_store.h"
#include "core/store_guard.h"

namespace oxim {
namespace {
uint32_t* g_new_tags = nullptr;  // guarded by the library lock
int g_new_tag_index = 0;

uint32_t call_property_handler(Node* property, char* buffer, uint32_t op) {
  PropertyHandler handler = property->data.property->handler;
  return handler != nullptr ? handler(property, buffer, op) : OXIM_STATUS_SUCCESS;
}
}  // namespace

uint32_t handle_internal_property(Node* node, char* buffer, uint32_t op) {
  if (!is_property(node) || buffer == nullptr) return OXIM_STATUS_FAILURE;
  if (op == kOpWrite) {
    char value[kValueSize];
    std::snprintf(value, sizeof value, "%s", buffer);
    write_cached_value(node, value);
  } else {
    read_cached_value(node, buffer);
  }
  return OXIM_STATUS_SUCCESS;
}

uint32_t handle_unimplemented_property(Node* node, char* /*buffer*/, uint32_t /*op*/) {
  if (!is_property(node)) return OXIM_STATUS_FAILURE;
  std::string name;
  {
    StoreLock lock;
    name = node->name != nullptr ? node->name : "";
  }
  oxim_set_last_statusf(OXIM_STATUS_NO_HANDLER, "%s: %s", name.c_str(), kNotImplementedMessage);
  return OXIM_STATUS_NO_HANDLER;
}

uint32_t internal_get_property(Node* group, const char* name, char* buffer) {
  Node* property = final_target(internal_get_node(group, name, OXIM_KIND_PROPERTY));
  if (!is_property(property) || buffer == nullptr) return OXIM_STATUS_FAILURE;
  return call_property_handler(property, buffer, kOpRead);
}

uint32_t internal_set_property(Node* group, const char* name, const char* value) {
  Node* property = final_target(internal_get_node(group, name, OXIM_KIND_PROPERTY));
  if (!is_property(property) || value == nullptr) return OXIM_STATUS_FAILURE;
  // Handlers take a writable 256-byte buffer.
  char buffer[kValueSize];
  std::snprintf(buffer, sizeof buffer, "%s", value);
  return call_property_handler(property, buffer, kOpWrite);
}

const ParamDef* oxim_internal_get_param(const Node* command, const char* name) {
  if (!is_command(command) || command->data.command == nullptr || name == nullptr) return nullptr;
  const CommandData* data = command->data.command;
  for (int i = 0; i < data->param_count && i < kMaxParams; ++i) {
    if (strcasecmp(data->params[i].name, name) == 0) return &data->params[i];
  }
  return nullptr;
}

int SET_CACHE_PROP_VAL(Node* property, const char* format, ...) {
  if (!is_property(property) || format == nullptr) return 0;
  char value[kValueSize];
  va_list args;
  va_start(args, format);
  int length = std::vsnprintf(value, sizeof value, format, args);
  va_end(args);
  write_cached_value(property, value);
  return length;
}

int set_prop_val(Node* group, const char* name, const char* format, ...) {
  Node* property = final_target(internal_get_node(group, name, OXIM_KIND_PROPERTY));
  if (!is_property(property) || format == nullptr) return 1;
  char value[kValueSize];
  va_list args;
  va_start(args, format);
  std::vsnprintf(value, sizeof value, format, args);
  va_end(args);
  write_cached_value(property, value);
  return 0;
}

void start_new_tag_list(uint32_t* tags) {
  g_new_tags = tags;
  g_new_tag_index = 0;
  if (tags != nullptr) tags[0] = 0;
}

void end_new_tag_list() {
  g_new_tags = nullptr;
  g_new_tag_index = 0;
}

bool new_tag_list_active() { return g_new_tags != nullptr; }

bool append_new_tag(uint32_t tag) {
  if (g_new_tags == nullptr) return true;
  if (g_new_tag_index > kMaxNewTags - 1) return false;
  g_new_tags[g_new_tag_index++] = tag;
  // Tag 0 (ROOT) is never new, so a 0 after the last entry ends the list for
  // clients that do not count; the client's array holds 4097 entries.
  if (g_new_tag_index < kMaxNewTags) g_new_tags[g_new_tag_index] = 0;
  return true;
}

void forget_new_tag(uint32_t tag) {
  if (g_new_tags == nullptr) return;
  for (int i = 0; i < g_new_tag_index; ++i) {
    if (g_new_tags[i] != tag) continue;
    std::copy(g_new_tags + i + 1, g_new_tags + g_new_tag_index, g_new_tags + i);
    g_new_tags[--g_new_tag_index] = 0;
    return;
  }
}

}  // namespace oxim
