// Handler registry; see handler_registry.h.
#include "schema/handler_registry.h"

#include <algorithm>
#include <mutex>

#include "core/config.h"
#include "core/tree_services.h"

namespace oxim {

void HandlerRegistry::add_property(std::string_view name, PropertyHandler handler) {
  properties_.insert_or_assign(std::string(name), handler);
}
void HandlerRegistry::add_command(std::string_view name, CommandHandler handler) {
  commands_.insert_or_assign(std::string(name), handler);
}
void HandlerRegistry::add_refresh(std::string_view name, RefreshHandler handler) {
  refreshes_.insert_or_assign(std::string(name), handler);
}

namespace {
template <class Map>
typename Map::mapped_type find_in(const Map& map, const char* name) {
  if (name == nullptr) return nullptr;
  auto found = map.find(name);
  return found == map.end() ? nullptr : found->second;
}
}  // namespace

PropertyHandler HandlerRegistry::property(const char* name) const {
  return find_in(properties_, name);
}
CommandHandler HandlerRegistry::command(const char* name) const { return find_in(commands_, name); }
RefreshHandler HandlerRegistry::refresh(const char* name) const {
  return find_in(refreshes_, name);
}

bool HandlerRegistry::contains(std::string_view name) const {
  std::string key(name);
  return properties_.contains(key) || commands_.contains(key) || refreshes_.contains(key);
}

std::vector<std::string> HandlerRegistry::names() const {
  std::vector<std::string> all;
  for (const auto& [name, handler] : properties_) all.push_back(name);
  for (const auto& [name, handler] : commands_) all.push_back(name);
  for (const auto& [name, handler] : refreshes_) all.push_back(name);
  std::sort(all.begin(), all.end());
  return all;
}

HandlerRegistry& handler_registry() {
  static HandlerRegistry registry;
  static std::once_flag built;
  std::call_once(built, [] {
    // The tree core's own handlers; the areas add theirs when they are
    // installed (area.h).
    registry.add_property("handle_internal_property", handle_internal_property);
    registry.add_property("handle_OXIMDebugLevel", handle_OXIMDebugLevel);
  });
  return registry;
}

}  // namespace oxim
