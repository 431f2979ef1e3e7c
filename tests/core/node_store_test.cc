// Node store: tags, sibling order, instance chains, lookups, links, paths
// and deletion.
#include "core/node_store.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/alloc.h"
#include "core/bitmap.h"
#include "support/temp_root.h"
#include "support/tree_builder.h"

namespace oxim {
namespace {

using testing::AddCommand;
using testing::AddGroup;
using testing::AddInstance;
using testing::AddProperty;
using testing::Root;

class NodeStoreTest : public testing::TempRootTest {
 protected:
  void SetUp() override {
    baseline_ = oxim_counter;
    ASSERT_EQ(OXIM_init(), 0u);
  }
  void TearDown() override {
    OXIM_exit();
    EXPECT_EQ(oxim_counter, baseline_) << "blocks leaked";
  }

  static std::vector<std::string> ChildNames(Node* group) {
    std::vector<std::string> names;
    for (Node* child : children_of(group)) {
      char name[kNameSize];
      display_name(child, name);
      names.push_back(name);
    }
    return names;
  }

  uint32_t baseline_ = 0;
  uint8_t map_[8] = {};
};

TEST_F(NodeStoreTest, RootAndBuiltinsHaveTagsZeroToThree) {
  EXPECT_EQ(Root()->tag, 0u);
  EXPECT_EQ(internal_get_node(Root(), "OXIMServiceVersion", 2)->tag, 1u);
  EXPECT_EQ(internal_get_node(Root(), "OXIMHierarchyVersion", 2)->tag, 2u);
  EXPECT_EQ(internal_get_node(Root(), "OXIMDebugLevel", 2)->tag, 3u);
  EXPECT_EQ(parent_of(Root()), Root());
}

TEST_F(NodeStoreTest, FreedTagIsReusedByNextNode) {
  Node* a = AddGroup(Root(), "A");
  AddGroup(Root(), "B");
  const uint32_t freed = a->tag;
  ASSERT_EQ(delete_node(a), 0u);
  EXPECT_EQ(get_node(freed), nullptr);
  EXPECT_EQ(AddGroup(Root(), "C")->tag, freed);
}

TEST_F(NodeStoreTest, InstancesStayTogetherInAscendingOrder) {
  Node* parent = AddGroup(Root(), "Parent");
  AddProperty(parent, "First", "x");
  AddInstance(parent, "Item", 2, map_);
  AddProperty(parent, "Second", "y");
  AddInstance(parent, "Item", 0, map_);
  AddInstance(parent, "Item", 1, map_);
  AddProperty(parent, "Third", "z");
  EXPECT_EQ(ChildNames(parent),
            (std::vector<std::string>{"First", "Item0", "Item1", "Item2", "Second", "Third"}));
  EXPECT_EQ(instance_numbers(parent, "Item"), (std::vector<int32_t>{0, 1, 2}));
}

TEST_F(NodeStoreTest, LookupIgnoresCaseButFirstInstanceDoesNot) {
  Node* parent = AddGroup(Root(), "Parent");
  Node* lhba = AddInstance(parent, "LogicalHBA", 0, map_);
  EXPECT_EQ(internal_get_node(parent, "logicalhba0", OXIM_KIND_GROUP), lhba);
  EXPECT_EQ(internal_get_node(parent, "LOGICALHBA0", OXIM_KIND_ANY), lhba);
  EXPECT_EQ(internal_get_node(parent, "logicalhba0", OXIM_KIND_PROPERTY), nullptr);
  EXPECT_EQ(get_first_instance(parent, "LogicalHBA"), lhba);
  EXPECT_EQ(get_first_instance(parent, "logicalhba"), nullptr);
}

TEST_F(NodeStoreTest, LookupFindsFirstOfEqualNamesInSiblingOrder) {
  Node* parent = AddGroup(Root(), "Parent");
  Node* first = AddProperty(parent, "Twin", "1");
  Node* second = AddProperty(parent, "Twin", "2");  // accepted: properties never clash
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(internal_get_node(parent, "twin", OXIM_KIND_PROPERTY), first);
  delete_node(first);
  EXPECT_EQ(internal_get_node(parent, "twin", OXIM_KIND_PROPERTY), second);
}

TEST_F(NodeStoreTest, KindFiltersSelectPropertiesByFlags) {
  Node* parent = AddGroup(Root(), "Parent");
  Node* fixed = AddProperty(parent, "Fixed", "1", OXIM_FLAG_READ_ONLY);
  Node* open = AddProperty(parent, "Open", "1", OXIM_FLAG_READ_WRITE);
  Node* hidden = AddProperty(parent, "Hidden", "1", OXIM_FLAG_READ_WRITE | 8u);
  EXPECT_EQ(internal_get_node(parent, "fixed", OXIM_KIND_READ_ONLY), fixed);
  EXPECT_EQ(internal_get_node(parent, "open", OXIM_KIND_WRITABLE), open);
  EXPECT_EQ(internal_get_node(parent, "hidden", OXIM_KIND_WRITABLE), hidden);
  EXPECT_EQ(internal_get_node(parent, "hidden", OXIM_KIND_SETTABLE), nullptr);
  EXPECT_EQ(internal_get_node(parent, "fixed", OXIM_KIND_LINK), nullptr);
}

TEST_F(NodeStoreTest, DuplicateInstanceIsRefused) {
  Node* parent = AddGroup(Root(), "Parent");
  ASSERT_NE(AddInstance(parent, "Item", 3, map_), nullptr);
  EXPECT_EQ(AddInstance(parent, "item", 3, map_), nullptr);
  EXPECT_NE(AddInstance(parent, "Item", 4, map_), nullptr);
}

TEST_F(NodeStoreTest, LastInstanceFreesTheChainAndANewOneStartsAgain) {
  Node* parent = AddGroup(Root(), "Parent");
  const uint32_t before = oxim_counter;
  Node* item = AddInstance(parent, "Item", 0, map_);
  ASSERT_EQ(delete_node(item), 0u);
  EXPECT_EQ(oxim_counter, before) << "sentinel or instance not freed";
  EXPECT_EQ(map_[0], 0u) << "instance bit not given back";
  Node* again = AddInstance(parent, "Item", 0, map_);
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(get_first_instance(parent, "Item"), again);
}

TEST_F(NodeStoreTest, NodeWithLinksIsNotDeleted) {
  Node* target = AddGroup(Root(), "Target");
  Node* holder = AddGroup(Root(), "Holder");
  Node* link = create_link(holder, "Alias", target, nullptr, nullptr, nullptr);
  ASSERT_NE(link, nullptr);
  EXPECT_EQ(delete_node(target), OXIM_STATUS_HAS_LINKS);
  EXPECT_EQ(get_node(target->tag), target);
  ASSERT_EQ(delete_node(link), 0u);
  EXPECT_EQ(delete_node(target), 0u);
}

TEST_F(NodeStoreTest, LinkSeenWithItsTargetsKindAndFollowedInPaths) {
  Node* target = AddGroup(Root(), "Target");
  Node* value = AddProperty(target, "Value", "v");
  Node* holder = AddGroup(Root(), "Holder");
  Node* link = create_link(holder, "Alias", target, nullptr, nullptr, nullptr);
  EXPECT_EQ(internal_get_node(holder, "alias", OXIM_KIND_GROUP), link);
  EXPECT_EQ(internal_get_node(link, "Value", OXIM_KIND_PROPERTY), value);
  EXPECT_EQ(internal_get_node_path("ROOT/Holder/Alias/Value", OXIM_KIND_PROPERTY), value);
  EXPECT_EQ(create_link(holder, "ALIAS", target, nullptr, nullptr, nullptr), nullptr)
      << "same name and target is a duplicate";
}

TEST_F(NodeStoreTest, DeletingSubtreeWithLinkTargetRemovesTheLinks) {
  Node* owner = AddGroup(Root(), "Owner");
  Node* inner = AddGroup(owner, "Inner");
  Node* holder = AddGroup(Root(), "Holder");
  Node* link = create_link(holder, "Alias", inner, nullptr, nullptr, nullptr);
  const uint32_t link_tag = link->tag;
  EXPECT_EQ(delete_node(owner), 0u);
  EXPECT_EQ(get_node(link_tag), nullptr) << "a link must not outlive its target";
  EXPECT_TRUE(children_of(holder).empty());
}

TEST_F(NodeStoreTest, TableGrowsBy1024KeepingTags) {
  Node* parent = AddGroup(Root(), "Parent");
  Hierarchy* h = hm_find_hierarchy("");
  std::vector<Node*> nodes;
  while (h->capacity == 1024) nodes.push_back(AddProperty(parent, "P", "v"));
  EXPECT_EQ(h->capacity, 2048);
  EXPECT_EQ(nodes.back()->tag, 1024u);
  for (Node* node : nodes) EXPECT_EQ(get_node(node->tag), node);
}

TEST_F(NodeStoreTest, PathsRoundTrip) {
  Node* card = AddInstance(Root(), "Quellfire", 0, map_);
  Node* hba = AddInstance(card, "iSCSIPhysicalHBA", 1, map_ + 2);
  Node* name = AddProperty(hba, "Name", "x");
  char path[kValueSize];
  get_full_path(name, path);
  EXPECT_STREQ(path, "ROOT/Quellfire0/iSCSIPhysicalHBA1/Name");
  get_full_path(Root(), path);
  EXPECT_STREQ(path, "ROOT");
  EXPECT_EQ(internal_get_node_path("ROOT/quellfire0/iscsiphysicalhba1/name", 2), name);
  EXPECT_EQ(internal_get_node_path("anything/Quellfire0", OXIM_KIND_GROUP), card)
      << "the first component stands for ROOT";
  EXPECT_EQ(internal_get_node_path("ROOT", OXIM_KIND_GROUP), Root());
  EXPECT_EQ(internal_get_node_path("Quellfire0", OXIM_KIND_GROUP), nullptr);
  EXPECT_EQ(internal_get_node_path("ROOT/Quellfire0/Name", 2), nullptr);
}

TEST_F(NodeStoreTest, GlobalCommandIsFoundFromEveryGroup) {
  static const CommandData kGlobal = {nullptr, 1, 0, {}};
  static const CommandData kLocal = {nullptr, 0, 0, {}};
  Node* global = AddCommand(Root(), "Everywhere", &kGlobal);
  AddCommand(Root(), "RootOnly", &kLocal);
  Node* group = AddGroup(Root(), "Group");
  EXPECT_EQ(internal_get_node(group, "everywhere", OXIM_KIND_COMMAND), global);
  EXPECT_EQ(internal_get_node(group, "everywhere", OXIM_KIND_ANY), nullptr);
  EXPECT_EQ(internal_get_node(group, "RootOnly", OXIM_KIND_COMMAND), nullptr);
}

TEST_F(NodeStoreTest, PurgeDeletesEveryInstanceConnectionsFirst) {
  Node* target = AddGroup(Root(), "Target");
  static uint8_t connection_maps[2][1];  // outlives the groups
  for (int i = 0; i < 2; ++i) {
    Node* session = AddInstance(target, "Session", i, map_);
    AddInstance(session, "Connection", 0, connection_maps[i], 1);
  }
  AddProperty(target, "Keep", "1");
  EXPECT_EQ(purge_nodes_within(target, "Session"), 0u);
  EXPECT_EQ(ChildNames(target), std::vector<std::string>{"Keep"});
  EXPECT_EQ(purge_nodes_within(target, "Session"), 0u) << "no instance left is not a failure";
}

TEST_F(NodeStoreTest, DynamicAncestorIsNearestInstancedGroup) {
  Node* card = AddInstance(Root(), "Quellfire", 0, map_);
  Node* fixed = AddGroup(card, "Fixed");
  Node* leaf = AddProperty(fixed, "Leaf", "x");
  EXPECT_EQ(get_dynamic_ancester(leaf), card);
  EXPECT_EQ(get_dynamic_ancester(card), card);
  EXPECT_EQ(get_dynamic_ancester(AddGroup(Root(), "Plain")), nullptr);
}

TEST_F(NodeStoreTest, GroupContextIsFreedWithTheGroup) {
  Node* group = AddInstance(Root(), "Holder", 0, map_);
  {
    StoreLock lock;
    group->data.group->context = oxim_dmalloc(16);
  }
  // TearDown checks the counter: the context must not leak.
  EXPECT_EQ(delete_node(group), 0u);
}

TEST(BitmapTest, ScansAndBounds) {
  uint8_t* map = alloc_bitfield(20);
  EXPECT_EQ(get_first_one(map, 20), -1);
  EXPECT_EQ(get_first_zero(map, 20), 0);
  for (int i = 0; i < 17; ++i) set_bit(map, 20, i);
  EXPECT_EQ(get_first_zero(map, 20), 17);
  EXPECT_EQ(get_first_one(map, 20), 0);
  EXPECT_EQ(clear_bit(map, 20, 9), 0);
  EXPECT_EQ(get_first_zero(map, 20), 9);
  EXPECT_EQ(set_bit(map, 20, 20), -1);
  EXPECT_EQ(is_set(map, 20, -1), -1);
  EXPECT_NE(is_set(map, 20, 16), 0);
  EXPECT_EQ(get_first_zero(map, 0), -1);
  for (int i = 0; i < 20; ++i) set_bit(map, 20, i);
  EXPECT_EQ(get_first_zero(map, 20), -1) << "bits past n in the last byte never count";
  EXPECT_EQ(alloc_bitfield(0), nullptr);
  free_bitfield(map);
}

}  // namespace
}  // namespace oxim
