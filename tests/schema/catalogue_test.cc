// The catalogue of group templates, checked for what can go wrong in tables
// written by hand: every template instantiates under a group of its parent's
// name and holds its maximum, list defaults are valid values, display names
// fit, writable properties and commands name handlers, every path resolves,
// and parameter definitions reach clients as the tables hold them.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "areas/areas.h"
#include "core/node_store.h"
#include "core/validate.h"
#include "oxim/oxim.h"
#include "schema/area.h"
#include "schema/handler_registry.h"
#include "schema/template.h"
#include "support/temp_root.h"

namespace oxim {
namespace {

// Calls visit for every template reachable from the catalogue (fixed
// sub-groups included), each once.
void ForEachTemplate(const std::function<void(const GroupTemplate&)>& visit) {
  std::set<const GroupTemplate*> seen;
  std::function<void(const GroupTemplate&)> walk = [&](const GroupTemplate& group) {
    if (!seen.insert(&group).second) return;
    visit(group);
    for (const GroupTemplate* sub : group.subgroups) walk(*sub);
  };
  install_areas(library_areas());
  for (const GroupTemplate* group : template_catalogue()) walk(*group);
}

int Digits(int number) { return number < 10 ? 1 : 1 + Digits(number / 10); }

// Defaults the catalogue gives outside their own checks; kept as given.
const std::set<std::string> kDefaultsOutsideChecks = {
    "Quellfire/FFVName",                  // "0", text of 4..32 characters
    "TCPIPConfiguration/DefaultGateway",  // "0.0.0.0", which the address check refuses
};

TEST(CatalogueTableTest, DefaultsPassTheirOwnChecks) {
  ForEachTemplate([](const GroupTemplate& group) {
    for (const PropertyTemplate& property : group.properties) {
      if (property.flags != OXIM_FLAG_READ_WRITE && property.data_type != OXIM_TYPE_LIST) continue;
      const std::string key = std::string(group.name) + "/" + property.name;
      char value[kValueSize];
      std::snprintf(value, sizeof value, "%s", property.default_value);
      const bool valid = oxim_validate(value, property.valid_values, property.data_type,
                                       property.minimum, property.maximum) == 0;
      EXPECT_EQ(valid, !kDefaultsOutsideChecks.contains(key))
          << key << " default \"" << property.default_value << "\"";
    }
  });
}

TEST(CatalogueTableTest, DisplayNamesFit) {
  ForEachTemplate([](const GroupTemplate& group) {
    const int number = group.maximum > 0 ? Digits(group.maximum - 1) : 0;
    EXPECT_LE(std::strlen(group.name) + number, static_cast<size_t>(kDisplayNameLength))
        << group.name;
    for (const PropertyTemplate& property : group.properties) {
      EXPECT_LE(std::strlen(property.name), static_cast<size_t>(kDisplayNameLength))
          << property.name;
      EXPECT_LT(std::strlen(property.default_value), static_cast<size_t>(kValueSize));
      EXPECT_LT(std::strlen(property.valid_values), static_cast<size_t>(kValueSize));
    }
    for (const CommandTemplate& command : group.commands) {
      EXPECT_LE(std::strlen(command.name), static_cast<size_t>(kDisplayNameLength)) << command.name;
    }
  });
}

TEST(CatalogueTableTest, WritablePropertiesAndCommandsNameHandlers) {
  ForEachTemplate([](const GroupTemplate& group) {
    for (const PropertyTemplate& property : group.properties) {
      if (property.flags == OXIM_FLAG_READ_WRITE) {
        ASSERT_NE(property.handler, nullptr) << group.name << "/" << property.name;
        EXPECT_EQ(std::strncmp(property.handler, "handle_", 7), 0) << property.handler;
      } else {
        EXPECT_EQ(property.flags, OXIM_FLAG_READ_ONLY) << group.name << "/" << property.name;
      }
    }
    for (const CommandTemplate& command : group.commands) {
      ASSERT_NE(command.handler, nullptr) << group.name << "/" << command.name;
      EXPECT_EQ(std::strncmp(command.handler, "do_", 3), 0) << command.handler;
    }
    if (group.refresh != nullptr) {
      EXPECT_EQ(std::strncmp(group.refresh, "group_", 6), 0) << group.refresh;
    }
  });
}

// The handler names a template refers to, its fixed sub-groups included
// unless another area defines them (shared).
void CollectHandlerNames(const GroupTemplate& group, const std::set<const GroupTemplate*>& shared,
                         std::set<std::string>& names) {
  if (group.refresh != nullptr) names.insert(group.refresh);
  for (const PropertyTemplate& property : group.properties) {
    if (property.handler != nullptr) names.insert(property.handler);
  }
  for (const CommandTemplate& command : group.commands) {
    if (command.handler != nullptr) names.insert(command.handler);
  }
  for (const GroupTemplate* sub : group.subgroups) {
    if (!shared.contains(sub)) CollectHandlerNames(*sub, shared, names);
  }
}

std::string Joined(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) text += "\n    \"" + name + "\",";
  return text;
}

// A typo in a registration, in a template or in an area's list of handlers
// still to build shows here rather than as a handler that silently never
// runs.
TEST(AreaHandlerTest, EveryNamedHandlerIsRegisteredOrPendingAndEveryRegistrationIsUsed) {
  std::set<std::string> registered;
  for (const Area* area : library_areas()) {
    if (area->register_handlers == nullptr) continue;
    HandlerRegistry own;
    area->register_handlers(own);
    for (const std::string& name : own.names()) {
      EXPECT_TRUE(registered.insert(name).second) << name << " is registered by two areas";
    }
  }
  std::set<const GroupTemplate*> shared;
  for (const Area* area : library_areas()) {
    shared.insert(area->shared_groups.begin(), area->shared_groups.end());
  }
  std::set<std::string> used;
  for (const Area* area : library_areas()) {
    std::set<std::string> named;
    for (const GroupTemplate* group : area->templates) CollectHandlerNames(*group, shared, named);
    for (const GroupTemplate* group : area->shared_groups) {
      CollectHandlerNames(*group, shared, named);
    }
    used.insert(named.begin(), named.end());
    const std::set<std::string> pending(area->pending_handlers.begin(),
                                        area->pending_handlers.end());
    for (const std::string& name : pending) {
      EXPECT_TRUE(named.contains(name))
          << area->name << " lists " << name << " as pending, but none of its templates names it";
      EXPECT_FALSE(registered.contains(name))
          << name << " is implemented now: take it off the pending list of " << area->name;
    }
    std::vector<std::string> missing;
    for (const std::string& name : named) {
      if (!registered.contains(name) && !pending.contains(name)) missing.push_back(name);
    }
    EXPECT_TRUE(missing.empty()) << "the templates of " << area->name
                                 << " name handlers that nothing registers:" << Joined(missing);
  }
  for (const std::string& name : registered) {
    EXPECT_TRUE(used.contains(name)) << name << " is registered, but no template names it";
  }
}

class CatalogueTreeTest : public testing::TempRootTest {
 protected:
  void SetUp() override {
    baseline_ = oxim_counter;
    ASSERT_EQ(OXIM_init(), 0u);
    root_node_ = hm_get_root("");
  }
  void TearDown() override {
    OXIM_exit();
    EXPECT_EQ(oxim_counter, baseline_);
  }

  // The first group named name in the tree (depth first) that holds no
  // group named child yet, or nullptr. Two templates of one group name may
  // share a parent name (Function under the Port of the active and of the
  // configured profile): each gets its own parent.
  Node* FindParent(Node* from, const char* name, const char* child) {
    if (std::strcmp(from->name, name) == 0 && get_first_instance(from, child) == nullptr) {
      return from;
    }
    for (Node* node : children_of(from)) {
      if (!is_group(node)) continue;
      if (Node* found = FindParent(node, name, child)) return found;
    }
    return nullptr;
  }

  // Places one instance of every catalogue template under a group of its
  // parent's name, repeating until nothing more can be placed. Returns the
  // templates that found no parent.
  std::vector<std::string> PlaceEveryTemplate() {
    install_areas(library_areas());
    for (bool progress = true; progress;) {
      progress = false;
      for (const GroupTemplate* group : template_catalogue()) {
        if (parents_.contains(group)) continue;
        Node* parent = FindParent(root_node_, group->parent, group->name);
        if (parent == nullptr) continue;
        EXPECT_NE(instantiate(*group, parent, nullptr, nullptr, nullptr), nullptr)
            << group->template_name;
        parents_[group] = parent;
        progress = true;
      }
    }
    std::vector<std::string> missing;
    for (const GroupTemplate* group : template_catalogue()) {
      if (!parents_.contains(group)) missing.push_back(group->template_name);
    }
    return missing;
  }

  std::map<const GroupTemplate*, Node*> parents_;
  uint32_t baseline_ = 0;
  Node* root_node_ = nullptr;
};

TEST_F(CatalogueTreeTest, EveryTemplateInstantiatesUnderItsParentUpToItsMaximum) {
  EXPECT_EQ(PlaceEveryTemplate(), std::vector<std::string>{});
  for (const auto& [group, parent] : parents_) {
    int count = static_cast<int>(instance_numbers(parent, group->name).size());
    while (instantiate(*group, parent, nullptr, nullptr, nullptr) != nullptr) ++count;
    EXPECT_EQ(count, group->maximum) << group->template_name;
  }
}

// The parameter definitions a client reads equal the template's, field by
// field, and unused definitions are empty.
void ExpectParamsAsTable(const OXIM_PARAM_INFO& info, const CommandTemplate& command,
                         const char* path) {
  int count = 0;
  while (count < kMaxParams && command.params[count].name != nullptr) ++count;
  EXPECT_EQ(info.count, count) << path;
  for (int i = 0; i < kMaxParams; ++i) {
    const OXIM_PARAM_DEF& def = info.params[i];
    const ParamTemplate& param = command.params[i];
    const bool used = i < count;
    EXPECT_EQ(def.required, used && param.required ? 1 : 0) << path << " " << i;
    EXPECT_STREQ(def.name, used ? param.name : "") << path;
    EXPECT_STREQ(def.description, used ? param.description : "") << path;
    EXPECT_EQ(def.data_type, used ? param.data_type : 0) << path << " " << i;
    EXPECT_STREQ(def.valid_values, used ? param.valid_values : "") << path;
    EXPECT_EQ(def.minimum, used ? param.minimum : 0) << path << " " << i;
    EXPECT_EQ(def.maximum, used ? param.maximum : 0) << path << " " << i;
  }
}

TEST_F(CatalogueTreeTest, EveryPathResolvesAndParametersReachClients) {
  PlaceEveryTemplate();
  std::map<const CommandData*, const CommandTemplate*> commands;
  ForEachTemplate([&](const GroupTemplate& group) {
    for (const CommandTemplate& command : group.commands)
      commands[command_data(command)] = &command;
  });
  std::function<void(Node*)> check = [&](Node* node) {
    char path[kValueSize];
    get_full_path(node, path);
    EXPECT_EQ(internal_get_node_path(path, node->kind), node) << path;
    if (is_command(node)) {
      OXIM_PARAM_INFO info;
      ASSERT_EQ(OXIM_get_param_info(node->tag, &info), 0u);
      ASSERT_TRUE(commands.contains(node->data.command)) << path;
      ExpectParamsAsTable(info, *commands[node->data.command], path);
    }
    for (Node* child : children_of(node)) check(child);
  };
  check(root_node_);
}

}  // namespace
}  // namespace oxim
