// Handlers bound by name. Group templates name the handlers of their nodes
// (handle_... for properties, do_... for commands, group_... for refresh);
// the code that implements a handler registers it here under that name. A
// property whose handler is not registered fails every read and write with
// status 3 (handle_unimplemented_property), a command whose handler is not
// registered answers as a command without handler ("Not Implimented",
// status 1), a group whose refresh handler is not registered has no
// refresh.
//
// Usage:
//   void register_target_handlers(HandlerRegistry& registry) {
//     registry.add_command("do_AddTarget", do_AddTarget);
//     registry.add_property("handle_Target_ETO", handle_Target_ETO);
//   }
#ifndef OXIM_SCHEMA_HANDLER_REGISTRY_H_
#define OXIM_SCHEMA_HANDLER_REGISTRY_H_

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/node.h"

namespace oxim {

class HandlerRegistry {
 public:
  void add_property(std::string_view name, PropertyHandler handler);
  void add_command(std::string_view name, CommandHandler handler);
  void add_refresh(std::string_view name, RefreshHandler handler);

  // nullptr for a missing name or one that is not registered.
  PropertyHandler property(const char* name) const;
  CommandHandler command(const char* name) const;
  RefreshHandler refresh(const char* name) const;
  // Whether a handler of any kind is registered under name.
  bool contains(std::string_view name) const;
  // Every registered name, of all kinds, sorted.
  std::vector<std::string> names() const;

 private:
  std::unordered_map<std::string, PropertyHandler> properties_;
  std::unordered_map<std::string, CommandHandler> commands_;
  std::unordered_map<std::string, RefreshHandler> refreshes_;
};

// The registry: the tree core's handlers, and those of every installed area
// (area.h). Templates bind handlers when they create nodes, so the areas are
// installed before the tree is built (tests add their own handlers the same
// way).
HandlerRegistry& handler_registry();

}  // namespace oxim

#endif  // OXIM_SCHEMA_HANDLER_REGISTRY_H_
