// Handler registry; see handler_registry.h.
#include "schema/handler_registry.h"

#include <mutex>

#include "areas/iscsi/login.h"
#include "areas/iscsi/login_options.h"
#include "areas/iscsi/sessions.h"
#include "areas/iscsi/target_restore.h"
#include "areas/iscsi/targets.h"
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

HandlerRegistry& handler_registry() {
  static HandlerRegistry registry;
  static std::once_flag built;
  std::call_once(built, [] { register_all_handlers(registry); });
  return registry;
}

void register_all_handlers(HandlerRegistry& registry) {
  // The tree core.
  registry.add_property("handle_internal_property", handle_internal_property);
  registry.add_property("handle_OXIMDebugLevel", handle_OXIMDebugLevel);
  // The iSCSI initiator.
  iscsi::register_login_option_handlers(registry);
  iscsi::register_target_handlers(registry);
  iscsi::register_session_handlers(registry);
  iscsi::register_login_handlers(registry);
  iscsi::register_target_restore_handlers(registry);
}

}  // namespace oxim
