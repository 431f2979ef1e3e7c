// Properties by name; see properties.h.
#include "kit/properties.h"

#include <algorithm>
#include <cstring>

#include "core/node_store.h"
#include "core/tree_services.h"

namespace oxim {

bool read_prop(Node* group, const char* name, std::string* value) {
  char buffer[kValueSize] = "";
  if (group == nullptr || internal_get_property(group, name, buffer) != OXIM_STATUS_SUCCESS) {
    return false;
  }
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
  return internal_set_property(group, name, text.c_str()) == OXIM_STATUS_SUCCESS;
}

bool cache_prop(Node* group, const char* name, std::string_view value) {
  if (group == nullptr) return false;
  char text[kValueSize];
  const size_t length = std::min(value.size(), static_cast<size_t>(kValueSize - 1));
  std::memcpy(text, value.data(), length);
  text[length] = '\0';
  StoreLock lock;
  Node* property = final_target(internal_get_node(group, name, kKindProperty));
  if (!is_property(property)) return false;
  write_cached_value(property, text);
  return true;
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

uint32_t copy_out(Node* property, char* buffer) {
  read_cached_value(property, buffer);
  return 0;
}

uint32_t show(Node* property, char* buffer, std::string_view value) {
  write_cached_value(property, std::string(value.substr(0, kValueSize - 1)).c_str());
  return copy_out(property, buffer);
}

std::string written_value(const char* buffer) {
  return std::string(buffer, strnlen(buffer, kValueSize));
}

}  // namespace oxim
