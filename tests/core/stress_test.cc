// Several threads read properties (whose handlers walk the tree outside the
// library lock) and walk the tree while others add and delete groups, both
// from a command under the lock and from a property handler outside it.
// Run under ThreadSanitizer and AddressSanitizer: no data race, no use of a
// freed node.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "core/bitmap.h"
#include "core/node_store.h"
#include "core/tree_services.h"
#include "oxim/oxim.h"
#include "support/temp_root.h"
#include "support/tree_builder.h"

namespace oxim {
namespace {

using testing::AddGroup;
using testing::AddInstance;
using testing::AddProperty;
using testing::Root;

constexpr int kRounds = 300;
constexpr int kMaximum = 64;
uint8_t g_map[kMaximum / 8];
Node* g_stress = nullptr;

// Reads like an adapter handler: finds its group, its siblings and its path.
uint32_t WalkingHandler(Node* node, char* buffer, uint32_t op) {
  Node* group = parent_of(node);
  char value[kValueSize];
  for (Node* sibling : children_of(group)) {
    if (is_property(sibling)) read_cached_value(sibling, value);
  }
  get_dynamic_ancester(node);
  if (op == kOpRead) get_full_path(node, buffer);
  return 0;
}

// Adds one instance with a few properties and deletes the lowest one.
void Churn() {
  StoreLock lock;
  int number = get_first_zero(g_map, kMaximum);
  if (number >= 0) {
    Node* item = AddInstance(g_stress, "Item", number, g_map, kMaximum);
    if (item != nullptr) {
      for (const char* name : {"A", "B", "C"}) {
        AddProperty(item, name, "v", OXIM_FLAG_READ_WRITE, WalkingHandler);
      }
    }
  }
  if (number < 0 || number % 3 == 2) {
    while (Node* first = get_first_instance(g_stress, "Item")) {
      delete_node(first);
      if (get_first_zero(g_map, kMaximum) > 8) break;
    }
  }
}

uint32_t ChurnCommand(Node*, Node*, char*) {
  Churn();
  return 0;
}

uint32_t ChurnHandler(Node* node, char* buffer, uint32_t op) {
  if (op == kOpWrite) Churn();
  return handle_internal_property(node, buffer, op);
}

const CommandData kChurn = {ChurnCommand, 0, 0, {}};

class StressTest : public testing::TempRootTest {};

TEST_F(StressTest, ReadersAndWritersShareTheTree) {
  const uint32_t baseline = oxim_counter;
  ASSERT_EQ(OXIM_init(), 0u);
  std::memset(g_map, 0, sizeof g_map);
  g_stress = AddGroup(Root(), "Stress");
  Node* churn_property = AddProperty(g_stress, "Churn", "0", OXIM_FLAG_READ_WRITE, ChurnHandler);
  Node* churn_command = testing::AddCommand(g_stress, "Churn", &kChurn);
  const uint32_t stress_tag = g_stress->tag;
  std::atomic<int> failures{0};

  auto reader = [&] {
    for (int round = 0; round < kRounds; ++round) {
      uint32_t groups[kMaximum + 8];
      uint32_t count = 0;
      if (OXIM_get_child_tags(stress_tag, groups, &count, OXIM_KIND_GROUP) != 0) ++failures;
      for (uint32_t i = 0; i < count; ++i) {
        char name[OXIM_NAME_SIZE];
        OXIM_get_node_name(groups[i], name, OXIM_KIND_ANY);
        uint32_t properties[8];
        uint32_t found = 0;
        if (OXIM_get_child_tags(groups[i], properties, &found, OXIM_KIND_PROPERTY) != 0) continue;
        for (uint32_t p = 0; p < found && p < 8; ++p) {
          char value[OXIM_VALUE_SIZE];
          OXIM_get_property_val(groups[i], properties[p], value, sizeof value);
        }
      }
    }
  };
  auto command_writer = [&] {
    char params[OXIM_PARAM_SIZE * OXIM_MAX_PARAMS] = {};
    for (int round = 0; round < kRounds; ++round) {
      if (OXIM_do_action(stress_tag, churn_command->tag, params, nullptr) != 0) ++failures;
    }
  };
  auto handler_writer = [&] {
    for (int round = 0; round < kRounds; ++round) {
      if (OXIM_set_property_val(stress_tag, churn_property->tag, "1", 1) != 0) ++failures;
    }
  };

  std::vector<std::thread> threads;
  threads.emplace_back(command_writer);
  threads.emplace_back(handler_writer);
  for (int i = 0; i < 3; ++i) threads.emplace_back(reader);
  for (std::thread& thread : threads) thread.join();

  EXPECT_EQ(failures.load(), 0);
  EXPECT_EQ(OXIM_exit(), 0u);
  EXPECT_EQ(oxim_counter, baseline);
}

}  // namespace
}  // namespace oxim
