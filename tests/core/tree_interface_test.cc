// The tree interface with test groups, properties and commands: argument and
// kind checks, value checks and their messages, command parameters, the
// new-tag list, persistence records and the lock time-out.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/alloc.h"
#include "core/bitmap.h"
#include "core/last_status.h"
#include "core/lock.h"
#include "core/log.h"
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

// What the last command handler saw.
std::vector<std::string> g_seen_params;
uint8_t g_created_map[8];

uint32_t RecordParams(Node*, Node* command, char* params) {
  g_seen_params.clear();
  for (int i = 0; i < command->data.command->param_count; ++i) {
    g_seen_params.emplace_back(params + i * kParamSize);
  }
  return 0;
}

// Creates two instanced groups under the target group, as a template does.
uint32_t CreateTwo(Node* group, Node* command, char* params) {
  for (int i = 0; i < 2; ++i) {
    Node* made = AddInstance(group, "Made", get_first_zero(g_created_map, 64), g_created_map);
    if (made == nullptr) return 1;
    StoreLock lock;
    made->data.group->target_group = group;
    made->data.group->creator_command = command;
    std::memcpy(made->data.group->params, params, kParamBlockSize);
    made->data.group->persistence_priority = next_persistence_priority();
    append_new_tag(made->tag);
  }
  return 0;
}

// Creates two groups and deletes the first again, as a handler that gives
// up on a group does.
uint32_t CreateTwoKeepOne(Node* group, Node* command, char* params) {
  if (CreateTwo(group, command, params) != 0) return 1;
  return delete_node(internal_get_node(group, "Made0", OXIM_KIND_GROUP));
}

uint32_t CountingRefresh(Node*) { return 42; }

const CommandData kParamsCommand = {
    RecordParams,
    0,
    4,
    {Param("Address", true, OXIM_TYPE_IP_ADDRESS),
     Param("Port", false, OXIM_TYPE_INTEGER, 1, 65535),
     Param("Mode", false, OXIM_TYPE_LIST, 0, 0, "Mutual CHAP,One-Way CHAP"),
     Param("Alias", false, OXIM_TYPE_TEXT, 2, 8)},
};
const CommandData kCreateCommand = {CreateTwo, 0, 0, {}};
const CommandData kCreateKeepOneCommand = {CreateTwoKeepOne, 0, 0, {}};
const CommandData kNoHandler = {nullptr, 0, 0, {}};

class TreeInterfaceTest : public testing::TempRootTest {
 protected:
  void SetUp() override {
    baseline_ = oxim_counter;
    ASSERT_EQ(OXIM_init(), 0u);
    group_ = AddGroup(Root(), "Group");
    value_ = AddProperty(group_, "Value", "cached", OXIM_FLAG_READ_WRITE, handle_internal_property,
                         OXIM_TYPE_INTEGER, 0, 20);
    fixed_ = AddProperty(group_, "Fixed", "ro", OXIM_FLAG_READ_ONLY);
    bare_ = AddProperty(group_, "Bare", "none", OXIM_FLAG_READ_WRITE, nullptr);
    params_ = AddCommand(group_, "Connect", &kParamsCommand);
    create_ = AddCommand(group_, "Create", &kCreateCommand);
    std::memset(g_created_map, 0, sizeof g_created_map);
    std::memset(slots_, 0, sizeof slots_);
  }
  void TearDown() override {
    OXIM_exit();
    EXPECT_EQ(oxim_counter, baseline_);
  }

  // Sets parameter slot i; nullptr marks it as not given.
  void Slot(int i, const char* text) {
    char* slot = slots_ + i * kParamSize;
    if (text == nullptr) {
      slot[0] = static_cast<char>(OXIM_PARAM_NOT_GIVEN);
    } else {
      std::snprintf(slot, kParamSize, "%s", text);
    }
  }

  static std::pair<uint32_t, std::string> LastStatus() {
    uint32_t code = 99;
    char message[OXIM_MESSAGE_SIZE];
    EXPECT_EQ(OXIM_get_last_status(&code, message), 0u);
    return {code, message};
  }

  uint32_t baseline_ = 0;
  Node* group_ = nullptr;
  Node* value_ = nullptr;
  Node* fixed_ = nullptr;
  Node* bare_ = nullptr;
  Node* params_ = nullptr;
  Node* create_ = nullptr;
  char slots_[kParamBlockSize];
};

using Status = std::pair<uint32_t, std::string>;

TEST_F(TreeInterfaceTest, SetPropertyChecksValuesWithTheirMessages) {
  EXPECT_EQ(OXIM_set_property_val(group_->tag, value_->tag, "0x10", 4), 0u);
  char value[OXIM_VALUE_SIZE];
  EXPECT_EQ(OXIM_get_property_val(group_->tag, value_->tag, value, sizeof value), 0u);
  EXPECT_STREQ(value, "0x10");
  EXPECT_EQ(LastStatus(), Status(0, ""));

  EXPECT_EQ(OXIM_set_property_val(group_->tag, value_->tag, "21", 2), 1u);
  EXPECT_EQ(LastStatus(), Status(7, "Value out of range. Valid range is from 0 to 20."));
  EXPECT_EQ(OXIM_set_property_val(group_->tag, value_->tag, "08", 2), 1u);
  EXPECT_EQ(LastStatus(), Status(6, "Invalid value."));
  EXPECT_EQ(OXIM_set_property_val(group_->tag, fixed_->tag, "x", 1), 1u);
  EXPECT_EQ(LastStatus(), Status(10, "Read only property"));
  EXPECT_EQ(OXIM_set_property_val(group_->tag, bare_->tag, "x", 1), OXIM_STATUS_NO_HANDLER);
  EXPECT_EQ(OXIM_get_property_val(group_->tag, bare_->tag, value, sizeof value), 0u);
  EXPECT_STREQ(value, "none") << "nothing stored without a handler";
}

TEST_F(TreeInterfaceTest, PropertyMustSitInTheGivenGroup) {
  Node* other = AddGroup(Root(), "Other");
  char value[OXIM_VALUE_SIZE];
  EXPECT_EQ(OXIM_get_property_val(other->tag, value_->tag, value, sizeof value), 1u);
  EXPECT_EQ(OXIM_set_property_val(other->tag, value_->tag, "1", 1), 1u);
  EXPECT_EQ(OXIM_get_property_val(group_->tag, group_->tag, value, sizeof value), 1u);
  EXPECT_EQ(OXIM_get_property_val(group_->tag, value_->tag, value, 257), 1u);
  EXPECT_EQ(OXIM_get_property_val(group_->tag, 999999, value, sizeof value), 1u);
}

TEST_F(TreeInterfaceTest, OverlongValueIsRefusedWithoutReadingPastIt) {
  char unterminated[OXIM_VALUE_SIZE];
  std::memset(unterminated, '1', sizeof unterminated);
  EXPECT_EQ(OXIM_set_property_val(group_->tag, value_->tag, unterminated, 256), 1u);
  EXPECT_EQ(OXIM_set_property_val(group_->tag, value_->tag, "1", 300), 1u);
}

TEST_F(TreeInterfaceTest, CommandParametersAreCheckedInOrderWithNames) {
  Slot(0, "10.0.0.1");
  Slot(1, nullptr);
  Slot(2, "mutual chap");
  Slot(3, nullptr);
  EXPECT_EQ(OXIM_do_action(group_->tag, params_->tag, slots_, nullptr), 0u);
  EXPECT_EQ(g_seen_params, (std::vector<std::string>{"10.0.0.1", "", "mutual chap", ""}))
      << "optional parameters not given arrive empty";

  Slot(0, nullptr);
  EXPECT_EQ(OXIM_do_action(group_->tag, params_->tag, slots_, nullptr), 1u);
  EXPECT_EQ(LastStatus(), Status(9, "Address: Parameter missing."));
  Slot(0, "127.0.0.1");
  EXPECT_EQ(OXIM_do_action(group_->tag, params_->tag, slots_, nullptr), 1u);
  EXPECT_EQ(LastStatus(), Status(6, "Address: Invalid value."));
  Slot(0, "10.0.0.1");
  Slot(1, "70000");
  EXPECT_EQ(OXIM_do_action(group_->tag, params_->tag, slots_, nullptr), 1u);
  EXPECT_EQ(LastStatus(), Status(7, "Port: Value out of range. Valid range is from 1 to 65535."));
  Slot(1, "3260");
  Slot(3, "x");
  EXPECT_EQ(OXIM_do_action(group_->tag, params_->tag, slots_, nullptr), 1u);
  EXPECT_EQ(LastStatus(), Status(8, "Alias: Number of characters should be from 2 to 8."));
}

TEST_F(TreeInterfaceTest, IPv6ParameterReachesHandlerInFullForm) {
  Slot(0, "fe80::1");
  Slot(1, nullptr);
  Slot(2, nullptr);
  Slot(3, nullptr);
  EXPECT_EQ(OXIM_do_action(group_->tag, params_->tag, slots_, nullptr), 0u);
  EXPECT_EQ(g_seen_params[0], "FE80:0000:0000:0000:0000:0000:0000:0001");
}

TEST_F(TreeInterfaceTest, UnterminatedParameterIsRefused) {
  std::memset(slots_, 'a', kParamSize);
  EXPECT_EQ(OXIM_do_action(group_->tag, params_->tag, slots_, nullptr), 1u);
  EXPECT_EQ(LastStatus().first, 6u);
}

TEST_F(TreeInterfaceTest, CommandWithoutHandlerFails) {
  Node* none = AddCommand(group_, "Nothing", &kNoHandler);
  EXPECT_EQ(OXIM_do_action(group_->tag, none->tag, slots_, nullptr), 1u);
}

TEST_F(TreeInterfaceTest, CommandRunsOnlyOnItsOwnGroup) {
  Node* other = AddGroup(Root(), "Other");
  EXPECT_EQ(OXIM_do_action(other->tag, create_->tag, slots_, nullptr), 1u);
  EXPECT_EQ(OXIM_do_action(group_->tag, value_->tag, slots_, nullptr), 1u);
  EXPECT_EQ(OXIM_do_action(group_->tag, create_->tag, nullptr, nullptr), 1u);
}

TEST_F(TreeInterfaceTest, NewTagsAndPersistenceOfCreatedGroups) {
  uint32_t new_tags[OXIM_MAX_NEW_TAGS];
  std::memset(new_tags, 0xAB, sizeof new_tags);
  Slot(0, "first");
  ASSERT_EQ(OXIM_do_action(group_->tag, create_->tag, slots_, new_tags), 0u);
  Node* made0 = internal_get_node(group_, "Made0", OXIM_KIND_GROUP);
  Node* made1 = internal_get_node(group_, "Made1", OXIM_KIND_GROUP);
  EXPECT_EQ(new_tags[0], made0->tag);
  EXPECT_EQ(new_tags[1], made1->tag);
  EXPECT_EQ(new_tags[2], 0u) << "the list ends with 0";

  int32_t count = 0;
  EXPECT_EQ(OXIM_get_persistent_nodes(nullptr, &count), OXIM_STATUS_ARRAY_TOO_SMALL);
  EXPECT_EQ(count, 2);
  uint32_t tags[2];
  EXPECT_EQ(OXIM_get_persistent_nodes(tags, &count), 0u);
  EXPECT_EQ(tags[0], made0->tag);
  EXPECT_EQ(tags[1], made1->tag);

  OXIM_PERSISTENCE_INFO info;
  ASSERT_EQ(OXIM_get_persistence_info(made1->tag, &info), 0u);
  EXPECT_EQ(info.creator_command_tag, create_->tag);
  EXPECT_EQ(info.target_group_tag, group_->tag);
  EXPECT_STREQ(info.params[0], "first");
  EXPECT_EQ(OXIM_get_persistence_info(group_->tag, &info), 1u) << "made at start-up";
}

TEST_F(TreeInterfaceTest, NewTagsNameOnlyGroupsThatExistWhenTheCommandReturns) {
  Node* keep_one = AddCommand(group_, "CreateKeepOne", &kCreateKeepOneCommand);
  uint32_t new_tags[OXIM_MAX_NEW_TAGS];
  std::memset(new_tags, 0xAB, sizeof new_tags);
  ASSERT_EQ(OXIM_do_action(group_->tag, keep_one->tag, slots_, new_tags), 0u);
  Node* made1 = internal_get_node(group_, "Made1", OXIM_KIND_GROUP);
  ASSERT_NE(made1, nullptr);
  EXPECT_EQ(internal_get_node(group_, "Made0", OXIM_KIND_GROUP), nullptr);
  EXPECT_EQ(new_tags[0], made1->tag);
  EXPECT_EQ(new_tags[1], 0u) << "the deleted group is not reported";
}

TEST_F(TreeInterfaceTest, PersistenceInfoOfDeletedCreatorIsRefused) {
  ASSERT_EQ(OXIM_do_action(group_->tag, create_->tag, slots_, nullptr), 0u);
  Node* made0 = internal_get_node(group_, "Made0", OXIM_KIND_GROUP);
  ASSERT_EQ(delete_node(create_), 0u);
  OXIM_PERSISTENCE_INFO info;
  EXPECT_EQ(OXIM_get_persistence_info(made0->tag, &info), 1u);
}

TEST_F(TreeInterfaceTest, ChildTagsByFilterWithGlobalCommands) {
  static const CommandData kGlobal = {nullptr, 1, 0, {}};
  Node* global = AddCommand(Root(), "Everywhere", &kGlobal);
  uint32_t tags[16];
  uint32_t count = 0;
  ASSERT_EQ(OXIM_get_child_tags(group_->tag, tags, &count, OXIM_KIND_COMMAND), 0u);
  EXPECT_EQ(std::vector<uint32_t>(tags, tags + count),
            (std::vector<uint32_t>{params_->tag, create_->tag, global->tag}));
  ASSERT_EQ(OXIM_get_child_tags(group_->tag, tags, &count, OXIM_KIND_READ_ONLY), 0u);
  EXPECT_EQ(std::vector<uint32_t>(tags, tags + count), std::vector<uint32_t>{fixed_->tag});
  ASSERT_EQ(OXIM_get_child_tags(group_->tag, tags, &count, OXIM_KIND_WRITABLE), 0u);
  EXPECT_EQ(count, 2u);
  uint32_t found = 0;
  EXPECT_EQ(OXIM_get_node_tag(group_->tag, "EVERYWHERE", &found, OXIM_KIND_COMMAND), 0u);
  EXPECT_EQ(found, global->tag);
}

TEST_F(TreeInterfaceTest, LinksAreFollowedByTheCalls) {
  Node* holder = AddGroup(Root(), "Holder");
  Node* link = create_link(holder, "Alias", group_, nullptr, nullptr, nullptr);
  uint32_t tags[16];
  uint32_t count = 0;
  ASSERT_EQ(OXIM_get_child_tags(link->tag, tags, &count, OXIM_KIND_PROPERTY), 0u);
  EXPECT_EQ(count, 3u);
  char value[OXIM_VALUE_SIZE];
  EXPECT_EQ(OXIM_get_property_val(link->tag, fixed_->tag, value, sizeof value), 0u);
  EXPECT_STREQ(value, "ro");
  OXIM_NODE_DESCRIPTION description;
  ASSERT_EQ(OXIM_get_node_description(link->tag, &description), 0u);
  EXPECT_EQ(description.kind, OXIM_KIND_GROUP);
  char name[OXIM_NAME_SIZE];
  EXPECT_EQ(OXIM_get_node_name(link->tag, name, OXIM_KIND_GROUP), 0u);
  EXPECT_STREQ(name, "Alias");
  EXPECT_EQ(OXIM_get_node_name(link->tag, name, OXIM_KIND_LINK), 1u);
  uint32_t found;
  EXPECT_EQ(OXIM_get_node_tag(link->tag, "Value", &found, OXIM_KIND_PROPERTY), 1u)
      << "the parent of a lookup must be a group, not a link";
}

TEST_F(TreeInterfaceTest, RefreshRunsOnlyGroupHandlers) {
  EXPECT_EQ(OXIM_refresh_group(value_->tag), 0u);
  EXPECT_EQ(OXIM_refresh_group(group_->tag), 0u);
  {
    StoreLock lock;
    group_->data.group->refresh = CountingRefresh;
  }
  EXPECT_EQ(OXIM_refresh_group(group_->tag), 42u);
}

TEST_F(TreeInterfaceTest, ValidInstancesInAscendingOrder) {
  // The instance map outlives the groups: TearDown deletes them and clears
  // their bits.
  static uint8_t map[8];
  for (int n : {5, 1, 3}) AddInstance(group_, "Item", n, map);
  uint32_t numbers[8];
  uint32_t count = 99;
  ASSERT_EQ(OXIM_get_valid_instances(group_->tag, "Item", numbers, &count), 0u);
  EXPECT_EQ(std::vector<uint32_t>(numbers, numbers + count), (std::vector<uint32_t>{1, 3, 5}));
  ASSERT_EQ(OXIM_get_valid_instances(group_->tag, "None", numbers, &count), 0u);
  EXPECT_EQ(count, 0u);
}

TEST_F(TreeInterfaceTest, LockTimeoutIsLoggedWithTheCallsName) {
  set_log_level(kLogError);
  ASSERT_EQ(oxim_acquire_lock(), 1);
  uint32_t tag = 0;
  EXPECT_EQ(OXIM_get_node_tag(0, "OXIMDebugLevel", &tag, 2), OXIM_STATUS_LOCK_TIMEOUT);
  oxim_release_lock();
  EXPECT_NE(root_.read("/tmp/oxim2d.log").find("ERROR:OXIM_get_node_tag:Failed to acquire lock.\n"),
            std::string::npos);
  set_log_level(kLogOff);
}

}  // namespace
}  // namespace oxim
