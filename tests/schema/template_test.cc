// Group templates: instance numbering from the map words, children in
// template order, handlers bound by name, origin records, the new-tag list,
// and clean failure at any allocation.
#include "schema/template.h"
#include "areas/areas.h"
#include "schema/area.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/node_store.h"
#include "core/tree_services.h"
#include "oxim/oxim.h"
#include "schema/handler_registry.h"
#include "support/temp_root.h"

// Every malloc of the library's own code passes here (the test is linked
// with --wrap=malloc): a test arms a countdown to make the n-th one fail.
std::atomic<int> g_fail_countdown{0};
extern "C" void* __real_malloc(size_t size);
extern "C" void* __wrap_malloc(size_t size) {
  if (g_fail_countdown.load() > 0 && g_fail_countdown.fetch_sub(1) == 1) return nullptr;
  return __real_malloc(size);
}

namespace oxim {
namespace {

uint32_t TestEcho(Node* node, char* buffer, uint32_t op) {
  if (op == kOpRead) std::snprintf(buffer, kValueSize, "echo:%s", node->name);
  return 0;
}
uint32_t TestRefresh(Node*) { return 7; }

std::string cached_value(const Node* property) {
  char buffer[kValueSize];
  read_cached_value(property, buffer);
  return buffer;
}

const PropertyTemplate kLeafProperties[] = {
    {.name = "Depth", .description = "depth", .default_value = "2"},
};
const GroupTemplate kLeaf = {.name = "Leaf", .properties = kLeafProperties};
const GroupTemplate* const kBranchChildren[] = {&kLeaf};
const PropertyTemplate kBranchProperties[] = {
    {.name = "Depth", .description = "depth", .default_value = "1"},
};
const GroupTemplate kBranch = {.name = "Branch",
                               .refresh = "group_TestRefresh",
                               .properties = kBranchProperties,
                               .subgroups = kBranchChildren};

const PropertyTemplate kItemProperties[] = {
    {.name = "Name", .description = "read-only, no handler", .default_value = "N/A"},
    {.name = "Echo", .description = "bound handler", .handler = "handle_TestEcho"},
    {.name = "Mode",
     .description = "writable list with an unregistered handler",
     .flags = OXIM_FLAG_READ_WRITE,
     .handler = "handle_TestMissing",
     .data_type = OXIM_TYPE_LIST,
     .default_value = "Off",
     .valid_values = "On,Off"},
};
const CommandTemplate kItemCommands[] = {
    {.name = "Make",
     .description = "creates items",
     .handler = "do_TestMake",
     .params = {{.name = "Count",
                 .description = "how many",
                 .required = true,
                 .data_type = OXIM_TYPE_INTEGER,
                 .minimum = 1,
                 .maximum = 5000},
                {.name = "Note", .description = "free text", .maximum = 16}}},
    {.name = "Absent", .description = "not implemented", .handler = "do_TestMissing"},
};
const GroupTemplate* const kItemChildren[] = {&kBranch};
const GroupTemplate kItem = {.name = "TargetPortal",
                             .template_name = "initialize_TestItem",
                             .description = "a test item",
                             .maximum = 64,
                             .parent = "ROOT",
                             .properties = kItemProperties,
                             .commands = kItemCommands,
                             .subgroups = kItemChildren};
const GroupTemplate kMany = {.name = "Many", .maximum = 1024};
const GroupTemplate kNested = {.name = "Nested", .maximum = 8};

// Creates Count groups (Many under the target group's Branch) as a command
// handler does.
uint32_t TestMake(Node* group, Node* command, char* params) {
  Node* branch = internal_get_node(group, "Branch", OXIM_KIND_GROUP);
  for (int i = std::atoi(params); i > 0; --i) {
    if (instantiate(kMany, branch, group, command, params) == nullptr) return 1;
  }
  return 0;
}

class TemplateTest : public testing::TempRootTest {
 protected:
  void SetUp() override {
    HandlerRegistry& registry = handler_registry();
    registry.add_property("handle_TestEcho", TestEcho);
    registry.add_command("do_TestMake", TestMake);
    registry.add_refresh("group_TestRefresh", TestRefresh);
    baseline_ = oxim_counter;
    ASSERT_EQ(OXIM_init(), 0u);
    root_node_ = hm_get_root("");
  }
  void TearDown() override {
    OXIM_exit();
    EXPECT_EQ(oxim_counter, baseline_);
  }

  std::vector<std::string> Names(Node* group) {
    std::vector<std::string> names;
    for (Node* child : children_of(group)) {
      char name[kNameSize];
      display_name(child, name);
      names.push_back(name);
    }
    return names;
  }

  uint32_t baseline_ = 0;
  Node* root_node_ = nullptr;
};

TEST_F(TemplateTest, InstancesAreNumberedUpToTheMaximumAndReused) {
  std::vector<Node*> items;
  for (int i = 0; i < 64; ++i)
    items.push_back(instantiate(kItem, root_node_, nullptr, nullptr, nullptr));
  EXPECT_NE(items.back(), nullptr);
  EXPECT_EQ(instantiate(kItem, root_node_, nullptr, nullptr, nullptr), nullptr) << "65th";
  ASSERT_EQ(delete_node(items[5]), 0u);
  Node* again = instantiate(kItem, root_node_, nullptr, nullptr, nullptr);
  ASSERT_NE(again, nullptr);
  char name[kNameSize];
  display_name(again, name);
  EXPECT_STREQ(name, "TargetPortal5");
}

TEST_F(TemplateTest, EachParentHasItsOwnInstanceWord) {
  Node* first = instantiate(kItem, root_node_, nullptr, nullptr, nullptr);
  Node* second = instantiate(kItem, root_node_, nullptr, nullptr, nullptr);
  EXPECT_NE(instance_word_index(first), instance_word_index(second));
  Node* under_first = instantiate(kNested, first, nullptr, nullptr, nullptr);
  Node* under_second = instantiate(kNested, second, nullptr, nullptr, nullptr);
  ASSERT_NE(under_first, nullptr);
  ASSERT_NE(under_second, nullptr);
  EXPECT_EQ(under_first->data.group->instance->instance_number, 0);
  EXPECT_EQ(under_second->data.group->instance->instance_number, 0);
  EXPECT_EQ(instance_word_index(root_node_), 0u);
}

TEST_F(TemplateTest, ChildrenFollowTemplateOrderWithDefaults) {
  Node* item = instantiate(kItem, root_node_, nullptr, nullptr, nullptr);
  EXPECT_EQ(Names(item),
            (std::vector<std::string>{"Name", "Echo", "Mode", "Make", "Absent", "Branch"}));
  Node* branch = internal_get_node(item, "Branch", OXIM_KIND_GROUP);
  EXPECT_EQ(Names(branch), (std::vector<std::string>{"Depth", "Leaf"}));
  char value[kValueSize];
  EXPECT_EQ(internal_get_property(item, "Name", value), 0u);
  EXPECT_STREQ(value, "N/A");
  EXPECT_EQ(internal_get_property(item, "Echo", value), 0u);
  EXPECT_STREQ(value, "echo:Echo") << "handler bound by name";
  EXPECT_EQ(OXIM_refresh_group(branch->tag), 7u) << "sub-group refresh handler bound";
}

// A handler a template names that is not built yet never pretends: the
// property neither takes a value nor shows its template default, and the
// command fails; the last status says which node is not available.
TEST_F(TemplateTest, UnregisteredHandlersFailVisibly) {
  Node* item = instantiate(kItem, root_node_, nullptr, nullptr, nullptr);
  Node* mode = internal_get_node(item, "Mode", OXIM_KIND_PROPERTY);
  uint32_t code = 0;
  char message[OXIM_MESSAGE_SIZE];
  EXPECT_EQ(OXIM_set_property_val(item->tag, mode->tag, "on", 3), OXIM_STATUS_NO_HANDLER);
  ASSERT_EQ(OXIM_get_last_status(&code, message), 0u);
  EXPECT_EQ(code, OXIM_STATUS_NO_HANDLER);
  EXPECT_STREQ(message, "Mode: not available (handler not implemented yet).");
  char value[OXIM_VALUE_SIZE] = "untouched";
  EXPECT_EQ(OXIM_get_property_val(item->tag, mode->tag, value, sizeof value),
            OXIM_STATUS_NO_HANDLER);
  ASSERT_EQ(OXIM_get_last_status(&code, message), 0u);
  EXPECT_EQ(code, OXIM_STATUS_NO_HANDLER);
  EXPECT_STREQ(message, "Mode: not available (handler not implemented yet).");
  EXPECT_STREQ(value, "") << "no template default stands in for the value";
  EXPECT_EQ(cached_value(mode), "Off") << "the refused write stored nothing";

  // A property whose template names no handler holds what the library
  // sets, as before.
  Node* name = internal_get_node(item, "Name", OXIM_KIND_PROPERTY);
  ASSERT_EQ(OXIM_get_property_val(item->tag, name->tag, value, sizeof value), 0u);
  EXPECT_STREQ(value, "N/A");

  Node* absent = internal_get_node(item, "Absent", OXIM_KIND_COMMAND);
  char params[kParamBlockSize] = {};
  EXPECT_EQ(OXIM_do_action(item->tag, absent->tag, params, nullptr), 1u);
  ASSERT_EQ(OXIM_get_last_status(&code, message), 0u);
  EXPECT_EQ(code, OXIM_STATUS_NO_HANDLER);
  EXPECT_STREQ(message, "Absent: not available (handler not implemented yet).");

  const GroupTemplate* const mine[] = {&kItem};
  EXPECT_EQ(unregistered_handlers(mine),
            (std::vector<std::string>{"do_TestMissing", "handle_TestMissing"}));
}

TEST_F(TemplateTest, ParameterDefinitionsReachClientsByteForByte) {
  Node* item = instantiate(kItem, root_node_, nullptr, nullptr, nullptr);
  Node* make = internal_get_node(item, "Make", OXIM_KIND_COMMAND);
  OXIM_PARAM_INFO info;
  std::memset(&info, 0xEE, sizeof info);
  ASSERT_EQ(OXIM_get_param_info(make->tag, &info), 0u);
  OXIM_PARAM_INFO expected = {};
  expected.count = 2;
  expected.params[0].required = 1;
  std::strcpy(expected.params[0].name, "Count");
  std::strcpy(expected.params[0].description, "how many");
  expected.params[0].data_type = OXIM_TYPE_INTEGER;
  expected.params[0].minimum = 1;
  expected.params[0].maximum = 5000;
  std::strcpy(expected.params[1].name, "Note");
  std::strcpy(expected.params[1].description, "free text");
  expected.params[1].maximum = 16;
  // Padding bytes are not part of the record's meaning; compare fields.
  EXPECT_EQ(info.count, expected.count);
  for (int i = 0; i < kMaxParams; ++i) {
    EXPECT_EQ(info.params[i].required, expected.params[i].required);
    EXPECT_EQ(0, std::memcmp(info.params[i].name, expected.params[i].name, kNameSize));
    EXPECT_EQ(0, std::memcmp(info.params[i].description, expected.params[i].description,
                             kDescriptionSize));
    EXPECT_EQ(info.params[i].data_type, expected.params[i].data_type);
    EXPECT_EQ(
        0, std::memcmp(info.params[i].valid_values, expected.params[i].valid_values, kValueSize));
    EXPECT_EQ(info.params[i].minimum, expected.params[i].minimum);
    EXPECT_EQ(info.params[i].maximum, expected.params[i].maximum);
  }
}

TEST_F(TemplateTest, CommandMadeGroupsArePersistentAndReported) {
  Node* item = instantiate(kItem, root_node_, nullptr, nullptr, nullptr);
  EXPECT_EQ(item->data.group->persistence_priority, 0u) << "made by start-up";
  Node* make = internal_get_node(item, "Make", OXIM_KIND_COMMAND);
  char params[kParamBlockSize] = {};
  std::strcpy(params, "3");
  std::strcpy(params + kParamSize, "note");
  uint32_t new_tags[OXIM_MAX_NEW_TAGS];
  ASSERT_EQ(OXIM_do_action(item->tag, make->tag, params, new_tags), 0u);
  Node* branch = internal_get_node(item, "Branch", OXIM_KIND_GROUP);
  std::vector<uint32_t> made;
  for (Node* child : children_of(branch)) {
    if (is_instanced(child)) made.push_back(child->tag);
  }
  ASSERT_EQ(made.size(), 3u);
  EXPECT_EQ(std::vector<uint32_t>(new_tags, new_tags + 3), made);
  OXIM_PERSISTENCE_INFO info;
  ASSERT_EQ(OXIM_get_persistence_info(made[2], &info), 0u);
  EXPECT_EQ(info.creator_command_tag, make->tag);
  EXPECT_EQ(info.target_group_tag, item->tag);
  EXPECT_STREQ(info.params[0], "3");
  EXPECT_STREQ(info.params[1], "note");
  int32_t count = 8;
  uint32_t tags[8];
  ASSERT_EQ(OXIM_get_persistent_nodes(tags, &count), 0u);
  EXPECT_EQ(std::vector<uint32_t>(tags, tags + count), made) << "in order of creation";
}

TEST_F(TemplateTest, AnActionReportsAtMost4097Groups) {
  // Instance words and command data live until the tree goes; make them first.
  ASSERT_EQ(delete_node(instantiate(kItem, root_node_, nullptr, nullptr, nullptr)), 0u);
  static uint32_t new_tags[OXIM_MAX_NEW_TAGS];
  start_new_tag_list(new_tags);
  for (int i = 0; i < OXIM_MAX_NEW_TAGS; ++i) ASSERT_TRUE(append_new_tag(1000 + i));
  const uint32_t before = oxim_counter;
  const size_t children = children_of(root_node_).size();
  EXPECT_EQ(instantiate(kItem, root_node_, nullptr, nullptr, nullptr), nullptr);
  end_new_tag_list();
  EXPECT_EQ(oxim_counter, before) << "the refused group is deleted again";
  EXPECT_EQ(children_of(root_node_).size(), children);
  EXPECT_EQ(new_tags[OXIM_MAX_NEW_TAGS - 1], 1000u + OXIM_MAX_NEW_TAGS - 1);
}

TEST_F(TemplateTest, FailureAtAnyAllocationLeavesNothingBehind) {
  // The parent's instance map word lives until the tree goes; make it first.
  ASSERT_EQ(delete_node(instantiate(kItem, root_node_, nullptr, nullptr, nullptr)), 0u);
  for (int failing = 1; failing < 40; ++failing) {
    const uint32_t before = oxim_counter;
    const size_t children = children_of(root_node_).size();
    g_fail_countdown = failing;
    Node* item = instantiate(kItem, root_node_, nullptr, nullptr, nullptr);
    const bool failed = g_fail_countdown.load() == 0;
    g_fail_countdown = 0;
    if (failed) {
      EXPECT_EQ(item, nullptr) << "allocation " << failing;
      EXPECT_EQ(oxim_counter, before) << "allocation " << failing;
      EXPECT_EQ(children_of(root_node_).size(), children);
    } else {
      ASSERT_NE(item, nullptr);
      EXPECT_EQ(delete_node(item), 0u);
    }
  }
  EXPECT_NE(instantiate(kItem, root_node_, nullptr, nullptr, nullptr), nullptr);
}

TEST_F(TemplateTest, CatalogueTemplatesHaveNamesAndMaxima) {
  install_areas(library_areas());
  for (const GroupTemplate* group_template : template_catalogue()) {
    EXPECT_NE(group_template->template_name, nullptr);
    EXPECT_GT(group_template->maximum, 0) << group_template->name;
    EXPECT_LE(std::strlen(group_template->name) + 4, static_cast<size_t>(kDisplayNameLength))
        << group_template->name << " with its largest number must fit a display name";
  }
}

}  // namespace
}  // namespace oxim
