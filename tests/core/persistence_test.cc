// Tree persistence: the records save_node writes (exact text), their order,
// the property mask, replay by restore_hm onto a rebuilt tree, lines of any
// length, and the lines the reader skips.
#include "core/persistence.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/bitmap.h"
#include "core/node_store.h"
#include "core/tree_services.h"
#include "oxim/oxim.h"
#include "support/temp_root.h"
#include "support/tree_builder.h"

namespace oxim {
namespace {

using testing::AddCommand;
using testing::AddGroup;
using testing::AddInstance;
using testing::AddProperty;
using testing::Param;
using testing::Root;

uint8_t g_target_map[8];
// Parameters and the Speed value that Apply saw, one entry per call.
std::vector<std::string> g_applied;

// Records a command-made group's origin, as the group templates do.
void RecordOrigin(Node* made, Node* group, Node* command, const char* params) {
  StoreLock lock;
  made->data.group->target_group = group;
  made->data.group->creator_command = command;
  std::memcpy(made->data.group->params, params, kParamBlockSize);
  made->data.group->persistence_priority = next_persistence_priority();
}

// Makes Target<lowest free number> with Address (read-only, parameter 1)
// and Alias (writable).
uint32_t AddTargetHandler(Node* group, Node* command, char* params) {
  Node* made = AddInstance(group, "Target", get_first_zero(g_target_map, 64), g_target_map);
  if (made == nullptr) return 1;
  AddProperty(made, "Address", params, OXIM_FLAG_READ_ONLY, handle_internal_property);
  AddProperty(made, "Alias", "", OXIM_FLAG_READ_WRITE, handle_internal_property);
  RecordOrigin(made, group, command, params);
  return 0;
}

// Links parameter 1 (a name) to the group's Target named by parameter 2.
uint32_t ShareHandler(Node* group, Node* command, char* params) {
  Node* target = internal_get_node(group, params + kParamSize, OXIM_KIND_GROUP);
  return create_link(group, params, target, group, command, params) != nullptr ? 0 : 1;
}

uint32_t ApplyHandler(Node* group, Node*, char* params) {
  char speed[kValueSize] = {};
  internal_get_property(internal_get_node(group, "Port", OXIM_KIND_GROUP), "Speed", speed);
  g_applied.push_back(std::string(params) + "@" + speed);
  return 0;
}

uint32_t FailingRead(Node*, char*, uint32_t) { return 1; }

const CommandData kAddTarget = {
    AddTargetHandler, 0, 2, {Param("Address", true), Param("Port", false)}};
const CommandData kShare = {ShareHandler, 0, 2, {Param("Name", true), Param("Target", true)}};
const CommandData kApply = {ApplyHandler, 0, 1, {Param("When", false)}};

class PersistenceTest : public testing::TempRootTest {
 protected:
  void SetUp() override {
    baseline_ = oxim_counter;
    ASSERT_EQ(OXIM_init(), 0u);
    BuildStatic();
  }
  void TearDown() override {
    OXIM_exit();
    EXPECT_EQ(oxim_counter, baseline_);
  }

  // The part of the tree that start-up makes.
  void BuildStatic() {
    std::memset(g_target_map, 0, sizeof g_target_map);
    g_applied.clear();
    adapter_ = AddGroup(Root(), "Adapter");
    AddProperty(adapter_, "Mode", "auto", OXIM_FLAG_READ_WRITE, handle_internal_property);
    AddProperty(adapter_, "Serial", "SN1", OXIM_FLAG_READ_ONLY);
    add_target_ = AddCommand(adapter_, "AddTarget", &kAddTarget);
    share_ = AddCommand(adapter_, "Share", &kShare);
    apply_ = AddCommand(adapter_, "Apply", &kApply);
    port_ = AddGroup(adapter_, "Port");
    AddProperty(port_, "Speed", "10G", OXIM_FLAG_READ_WRITE, handle_internal_property);
  }

  // Tears the tree down and builds its static part again.
  void Rebuild() {
    ASSERT_EQ(OXIM_exit(), 0u);
    ASSERT_EQ(OXIM_init(), 0u);
    BuildStatic();
  }

  // Runs command on adapter_ with the given parameters.
  void Run(Node* command, std::vector<std::string> params) {
    char slots[kMaxParams][kParamSize] = {};
    for (size_t i = 0; i < params.size(); ++i) {
      std::snprintf(slots[i], kParamSize, "%s", params[i].c_str());
    }
    ASSERT_EQ(command->data.command->handler(adapter_, command, &slots[0][0]), 0u);
  }

  static std::string Save(Node* root, uint32_t mask, uint32_t expected_status = 0) {
    char* data = nullptr;
    size_t size = 0;
    FILE* stream = open_memstream(&data, &size);
    EXPECT_EQ(save_node(root, stream, mask), expected_status);
    std::fclose(stream);
    std::string text(data, size);
    std::free(data);
    return text;
  }

  static uint32_t Restore(std::string text) {
    FILE* stream = fmemopen(text.data(), text.size(), "r");
    uint32_t status = restore_hm(stream);
    std::fclose(stream);
    return status;
  }

  static void SetValue(Node* group, const char* name, const char* value) {
    ASSERT_EQ(internal_set_property(group, name, value), 0u);
  }
  // The cached value (every test property with a handler keeps its value there).
  static std::string Value(Node* group, const char* name) {
    Node* property = internal_get_node(group, name, OXIM_KIND_PROPERTY);
    if (property == nullptr) return "<none>";
    char value[kValueSize];
    read_cached_value(property, value);
    return value;
  }
  Node* Target(int number) {
    return internal_get_node(adapter_, ("Target" + std::to_string(number)).c_str(),
                             OXIM_KIND_GROUP);
  }

  uint32_t baseline_ = 0;
  Node* adapter_ = nullptr;
  Node* port_ = nullptr;
  Node* add_target_ = nullptr;
  Node* share_ = nullptr;
  Node* apply_ = nullptr;
};

// ------------------------------------------------------------ writing

TEST_F(PersistenceTest, TreeWithoutCreatedGroupsIsPropertiesOnly) {
  EXPECT_EQ(Save(adapter_, OXIM_FLAG_READ_ONLY | OXIM_FLAG_READ_WRITE),
            "PROPERTY|ROOT/Adapter/Mode|auto\n"
            "PROPERTY|ROOT/Adapter/Serial|SN1\n"
            "PROPERTY|ROOT/Adapter/Port/Speed|10G\n");
}

TEST_F(PersistenceTest, MaskSelectsReadOnlyOrWritableProperties) {
  EXPECT_EQ(Save(adapter_, OXIM_FLAG_READ_ONLY), "PROPERTY|ROOT/Adapter/Serial|SN1\n");
  EXPECT_EQ(Save(adapter_, OXIM_FLAG_READ_WRITE),
            "PROPERTY|ROOT/Adapter/Mode|auto\n"
            "PROPERTY|ROOT/Adapter/Port/Speed|10G\n");
  EXPECT_EQ(Save(adapter_, 0), "");
}

TEST_F(PersistenceTest, PropertyWhoseReadFailsIsLeftOut) {
  AddProperty(port_, "Broken", "x", OXIM_FLAG_READ_WRITE, FailingRead);
  EXPECT_EQ(Save(port_, OXIM_FLAG_READ_WRITE), "PROPERTY|ROOT/Adapter/Port/Speed|10G\n");
}

TEST_F(PersistenceTest, CreatedGroupsAndLinksComeFirstOldestFirst) {
  Run(add_target_, {"10.0.0.1", "3260"});
  Run(add_target_, {"10.0.0.2"});
  SetValue(Target(1), "Alias", "second");
  Run(share_, {"Shared", "Target0"});
  EXPECT_EQ(Save(adapter_, OXIM_FLAG_READ_WRITE),
            "GROUP|ROOT/Adapter/Target0|ROOT/Adapter|ROOT/Adapter/AddTarget|10.0.0.1|3260\n"
            "PROPERTY|ROOT/Adapter/Target0/Alias|\n"
            "GROUP|ROOT/Adapter/Target1|ROOT/Adapter|ROOT/Adapter/AddTarget|10.0.0.2\n"
            "PROPERTY|ROOT/Adapter/Target1/Alias|second\n"
            "SYMLINK|Shared|ROOT/Adapter|ROOT/Adapter/Target0\n"
            "PROPERTY|ROOT/Adapter/Mode|auto\n"
            "PROPERTY|ROOT/Adapter/Port/Speed|10G\n");
}

TEST_F(PersistenceTest, EmptyParameterDoesNotHideLaterOnes) {
  Run(add_target_, {"10.0.0.3", "", "tail"});
  EXPECT_EQ(Save(adapter_, 0),
            "GROUP|ROOT/Adapter/Target0|ROOT/Adapter|ROOT/Adapter/AddTarget|10.0.0.3||tail\n");
}

TEST_F(PersistenceTest, DeletedGroupLeavesOthersInPriorityOrder) {
  Run(add_target_, {"a"});
  Run(add_target_, {"b"});
  Run(add_target_, {"c"});
  ASSERT_EQ(delete_node(Target(0)), 0u);
  Run(add_target_, {"d"});  // takes number 0 again, but the newest priority
  EXPECT_EQ(Save(adapter_, 0),
            "GROUP|ROOT/Adapter/Target1|ROOT/Adapter|ROOT/Adapter/AddTarget|b\n"
            "GROUP|ROOT/Adapter/Target2|ROOT/Adapter|ROOT/Adapter/AddTarget|c\n"
            "GROUP|ROOT/Adapter/Target0|ROOT/Adapter|ROOT/Adapter/AddTarget|d\n");
}

TEST_F(PersistenceTest, FieldWithSeparatorOrLineEndIsNotWritten) {
  SetValue(adapter_, "Mode", "a|b");
  Run(add_target_, {"x\nGROUP"});
  EXPECT_EQ(Save(adapter_, OXIM_FLAG_READ_WRITE, OXIM_STATUS_FAILURE),
            "PROPERTY|ROOT/Adapter/Target0/Alias|\n"
            "PROPERTY|ROOT/Adapter/Port/Speed|10G\n");
}

TEST_F(PersistenceTest, GroupWhoseCreatorWasDeletedIsNotWritten) {
  Run(add_target_, {"a"});
  ASSERT_EQ(delete_node(add_target_), 0u);
  EXPECT_EQ(Save(port_, 0, OXIM_STATUS_FAILURE), "");
}

TEST_F(PersistenceTest, EnumerateNodesPlacesNodesByPriority) {
  Run(add_target_, {"a"});
  Run(add_target_, {"b"});
  std::vector<Node*> nodes(3, nullptr);
  enumerate_nodes(nodes, Root());
  EXPECT_EQ(nodes, (std::vector<Node*>{Target(0), Target(1), nullptr}));
  std::vector<Node*> short_array(1, nullptr);
  enumerate_nodes(short_array, Root());
  EXPECT_EQ(short_array, std::vector<Node*>{Target(0)});
}

TEST_F(PersistenceTest, SaveRefusesMissingArguments) {
  EXPECT_EQ(save_node(adapter_, nullptr, 3), OXIM_STATUS_FAILURE);
  EXPECT_EQ(Save(nullptr, 3, OXIM_STATUS_FAILURE), "");
}

// ------------------------------------------------------------ replay

TEST_F(PersistenceTest, RoundTripRebuildsGroupsParametersAndValues) {
  Run(add_target_, {"10.0.0.1", "3260"});
  Run(add_target_, {"10.0.0.2", "", "tail"});
  Run(share_, {"Shared", "Target1"});
  SetValue(Target(1), "Alias", "second");
  SetValue(adapter_, "Mode", "manual");
  const std::string saved = Save(adapter_, OXIM_FLAG_READ_WRITE);

  Rebuild();
  ASSERT_EQ(Target(0), nullptr);
  EXPECT_EQ(Restore(saved), 0u);

  ASSERT_NE(Target(1), nullptr);
  EXPECT_STREQ(Target(1)->data.group->params[0], "10.0.0.2");
  EXPECT_STREQ(Target(1)->data.group->params[2], "tail");
  EXPECT_EQ(Value(Target(1), "Alias"), "second");
  EXPECT_EQ(Value(adapter_, "Mode"), "manual");
  Node* link = internal_get_node(adapter_, "Shared", OXIM_KIND_GROUP);
  ASSERT_TRUE(is_link(link));
  EXPECT_EQ(link->data.link->target, Target(1));
  EXPECT_EQ(persistent_nodes(), (std::vector<Node*>{Target(0), Target(1), link}));
  EXPECT_EQ(Save(adapter_, OXIM_FLAG_READ_WRITE), saved) << "the replayed tree saves the same";
}

TEST_F(PersistenceTest, MadePersistentGroupReplaysPropertiesBeforeItsCommand) {
  char params[kMaxParams][kParamSize] = {"now"};
  EXPECT_EQ(backend_make_persistent(adapter_, adapter_, apply_, &params[0][0]), 0u);
  EXPECT_EQ(backend_make_persistent(port_, adapter_, apply_, &params[0][0]), 0u);
  const uint32_t priority = port_->data.group->persistence_priority;
  EXPECT_EQ(priority, 2u);
  EXPECT_EQ(backend_make_persistent(port_, adapter_, apply_, nullptr), 0u);
  EXPECT_EQ(port_->data.group->persistence_priority, priority) << "keeps its priority";
  EXPECT_STREQ(port_->data.group->params[0], "now") << "params kept when none are given";
  EXPECT_EQ(backend_make_persistent(apply_, adapter_, apply_, nullptr), OXIM_STATUS_FAILURE);
  EXPECT_EQ(backend_make_persistent(nullptr, adapter_, apply_, nullptr), OXIM_STATUS_FAILURE);

  SetValue(port_, "Speed", "25G");
  const std::string saved = Save(port_, OXIM_FLAG_READ_WRITE);
  EXPECT_EQ(saved,
            "PROPERTY|ROOT/Adapter/Mode|auto\n"
            "GROUP|ROOT/Adapter|ROOT/Adapter|ROOT/Adapter/Apply|now\n"
            "PROPERTY|ROOT/Adapter/Port/Speed|25G\n"
            "GROUP|ROOT/Adapter/Port|ROOT/Adapter|ROOT/Adapter/Apply|now\n");
  Rebuild();
  EXPECT_EQ(Restore(saved), 0u);
  EXPECT_EQ(g_applied, (std::vector<std::string>{"now@10G", "now@25G"}));
}

TEST_F(PersistenceTest, GroupLineNamingAPropertyAsCreatorIsSkipped) {
  EXPECT_EQ(Restore("GROUP|ROOT/Adapter/Target0|ROOT/Adapter|ROOT/Adapter/Mode|10.0.0.1\n"), 0u);
  EXPECT_EQ(Target(0), nullptr);
}

TEST_F(PersistenceTest, GroupLineWithCommandOfAnotherGroupIsSkipped) {
  EXPECT_EQ(Restore("GROUP|ROOT/Adapter/Port/Target0|ROOT/Adapter/Port|ROOT/Adapter/AddTarget|a\n"),
            0u);
  EXPECT_EQ(internal_get_node(port_, "Target0", OXIM_KIND_GROUP), nullptr);
}

TEST_F(PersistenceTest, LongLinesAreReadWhole) {
  const std::string value(240, 'v');
  const std::string param(200, 'p');
  std::string group = "GROUP|ROOT/Adapter/Target0|ROOT/Adapter|ROOT/Adapter/AddTarget";
  for (int i = 0; i < kMaxParams; ++i) group += "|" + param;
  EXPECT_EQ(Restore("PROPERTY|ROOT/Adapter/Mode|" + value + "\n" + group + "\n"), 0u);
  EXPECT_EQ(Value(adapter_, "Mode"), value);
  ASSERT_NE(Target(0), nullptr);
  EXPECT_EQ(std::string(Target(0)->data.group->params[5]), param);
}

TEST_F(PersistenceTest, LongLineFromAPipeIsReadWhole) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  // What follows the first 251 characters must not be replayed on its own.
  const std::string text = "NOTE|" + std::string(246, 'n') +
                           "PROPERTY|ROOT/Adapter/Mode|bad\n"
                           "PROPERTY|ROOT/Adapter/Port/Speed|" +
                           std::string(240, 's') + "\n";
  ASSERT_EQ(write(fds[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
  close(fds[1]);
  FILE* stream = fdopen(fds[0], "r");
  EXPECT_EQ(restore_hm(stream), 0u);
  std::fclose(stream);
  EXPECT_EQ(Value(adapter_, "Mode"), "auto");
  EXPECT_EQ(Value(port_, "Speed"), std::string(240, 's'));
}

TEST_F(PersistenceTest, GarbageUnknownKeywordsAndMissingFieldsAreSkipped) {
  static constexpr char kWithNul[] = "PROPERTY\0|ROOT/Adapter/Mode|x";
  const std::string lines[] = {
      "",
      "|||",
      "garbage",
      "property|ROOT/Adapter/Mode|lower-case keyword",
      "PROPERTYX|ROOT/Adapter/Mode|x",
      "PROPERTY",
      "PROPERTY|ROOT/Adapter/Mode",
      "PROPERTY|ROOT/Adapter/Nothing|x",
      "PROPERTY|ROOT/Adapter/Serial|no handler",
      "PROPERTY|Adapter/Mode|x",
      std::string(kWithNul, sizeof kWithNul - 1),
      "GROUP|ROOT/Adapter/Target0|ROOT/Adapter",
      "GROUP|||",
      "GROUP|ROOT/Adapter/Target0|ROOT/Nowhere|ROOT/Adapter/AddTarget|a",
      "SYMLINK|L|ROOT/Adapter",
      "SYMLINK|L|ROOT/Adapter|ROOT/Adapter/Mode",
      "SYMLINK|L|ROOT/Nowhere|ROOT/Adapter/Port",
  };
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  text += "PROPERTY|ROOT/Adapter/Mode|last";  // no final line end
  EXPECT_EQ(Restore(text), 0u);
  EXPECT_EQ(Value(adapter_, "Mode"), "last");
  EXPECT_EQ(Value(adapter_, "Serial"), "SN1");
  EXPECT_EQ(children_of(adapter_).size(), 6u) << "no group or link was made";
  EXPECT_EQ(persistence_priority_counter(), 1u);
}

TEST_F(PersistenceTest, FailingHandlerDoesNotStopReplay) {
  EXPECT_EQ(Restore("GROUP|ROOT/Adapter/Shared|ROOT/Adapter|ROOT/Adapter/Share|L|Target9\n"
                    "PROPERTY|ROOT/Adapter/Mode|after\n"),
            0u);
  EXPECT_EQ(Value(adapter_, "Mode"), "after");
}

TEST_F(PersistenceTest, FieldsLongerThanASlotAreSkippedNotCut) {
  const std::string too_long(kParamSize, 'x');
  EXPECT_EQ(Restore("PROPERTY|ROOT/Adapter/Mode|" + too_long + "\n" +
                    "GROUP|ROOT/Adapter/Target0|ROOT/Adapter|ROOT/Adapter/AddTarget|a|" + too_long +
                    "\n"),
            0u);
  EXPECT_EQ(Value(adapter_, "Mode"), "auto");
  EXPECT_EQ(Target(0), nullptr);
}

TEST_F(PersistenceTest, RestoreRefusesMissingStream) {
  EXPECT_EQ(restore_hm(nullptr), OXIM_STATUS_FAILURE);
}

TEST_F(PersistenceTest, SaveFileConfigurationDoesNothing) {
  EXPECT_EQ(OXIM_save_file_configuration(), 0u);
}

}  // namespace
}  // namespace oxim
