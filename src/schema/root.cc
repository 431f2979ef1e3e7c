// Building the root of the tree; see root.h.
#include "schema/root.h"

#include <cstdio>
#include <cstring>

#include "core/alloc.h"
#include "core/config.h"
#include "core/node_store.h"
#include "core/tree_services.h"

namespace oxim {
namespace {

// The library's one hierarchy, named "".
Hierarchy g_hierarchy;

struct BuiltinProperty {
  const char* name;
  const char* description;
  const char* value;
  uint32_t flags;
  PropertyHandler handler;
  uint8_t data_type;
  int32_t minimum;
  int32_t maximum;
  const char* valid_values;
};

const BuiltinProperty kBuiltins[] = {
    {"OXIMServiceVersion", "This property specifies the version number of the OximService.", "0",
     OXIM_FLAG_READ_ONLY, handle_internal_property, OXIM_TYPE_TEXT, 5, 32, ""},
    {"OXIMHierarchyVersion", "This property specifies the version number of the OXIM hierarchy.",
     "0", OXIM_FLAG_READ_ONLY, handle_internal_property, OXIM_TYPE_TEXT, 3, 32, ""},
    {"OXIMDebugLevel",
     "This property specifies the OXIMDebugLevel. Possible values are 0 - Disabled, 1 - FATAL, "
     "2 - CRITICAL, 3 - ERROR, 4 - WARNING, 5 - INFORMATION, 6 - DEBUG. By default OXIMDebugLevel "
     "is 3 - Error. If OXIM or system is restarted OXIMDebugLevel will be the default value.",
     "3", OXIM_FLAG_READ_WRITE, handle_OXIMDebugLevel, OXIM_TYPE_LIST, 5, 11, "0,1,2,3,4,5,6"},
};

// Makes a node with copies of name and description; nullptr when memory
// runs out.
Node* new_node(uint32_t kind, const char* name, const char* description, Node* parent) {
  Node* node = counted_new<Node>();
  if (node == nullptr) return nullptr;
  node->kind = kind;
  node->parent = parent != nullptr ? parent : node;
  node->name = oxim_dstrdup(name);
  node->description = oxim_dstrdup(description);
  if (node->name == nullptr || node->description == nullptr) {
    free_node_record(node);
    return nullptr;
  }
  return node;
}

bool add_builtin(Node* root, const BuiltinProperty& builtin) {
  Node* node = new_node(kKindProperty, builtin.name, builtin.description, root);
  PropertyData* data = counted_new<PropertyData>();
  if (node == nullptr || data == nullptr) {
    if (node != nullptr) free_node_record(node);
    counted_delete(data);
    return false;
  }
  node->data.property = data;
  data->handler = builtin.handler;
  data->flags = builtin.flags;
  data->data_type = builtin.data_type;
  data->minimum = builtin.minimum;
  data->maximum = builtin.maximum;
  std::snprintf(data->value, sizeof data->value, "%s", builtin.value);
  std::snprintf(data->valid_values, sizeof data->valid_values, "%s", builtin.valid_values);
  if (add_node(node, &g_hierarchy) < 0) {
    free_node_record(node);
    return false;
  }
  return true;
}

}  // namespace

uint32_t init_hm() { return init_hm_data(); }

void exit_hm() {
  exit_hm_data();
  hm_teardown_hierarchies();
}

uint32_t init_hm_data() {
  g_hierarchy = Hierarchy{};
  g_hierarchy.name = "";
  if (hm_setup_hierarchy(&g_hierarchy) != 0) return OXIM_STATUS_FAILURE;
  Node* root = new_node(kKindGroup, "ROOT", " ", nullptr);
  GroupData* data = counted_new<GroupData>();
  if (root == nullptr || data == nullptr) {
    if (root != nullptr) free_node_record(root);
    counted_delete(data);
    hm_teardown_hierarchies();
    return OXIM_STATUS_FAILURE;
  }
  root->data.group = data;
  if (add_node(root, &g_hierarchy) != 0) {
    free_node_record(root);
    hm_teardown_hierarchies();
    return OXIM_STATUS_FAILURE;
  }
  g_hierarchy.root = root;
  for (const BuiltinProperty& builtin : kBuiltins) {
    if (!add_builtin(root, builtin)) {
      hm_teardown_hierarchies();
      return OXIM_STATUS_FAILURE;
    }
  }
  g_hierarchy.description_size = kDescriptionSize;
  g_hierarchy.name_size = kNameSize;
  g_hierarchy.params_per_command = kMaxParams;

  // The versions the adapter start-up announces.
  set_prop_val(root, "OXIMServiceVersion", kServiceVersionFormat, kServiceVersion[0],
               kServiceVersion[1], kServiceVersion[2], kServiceVersion[3]);
  set_prop_val(root, "OXIMHierarchyVersion", kHierarchyVersionFormat, kHierarchyVersion[0],
               kHierarchyVersion[1]);
  // The adapter start-up (controller discovery, which builds the adapter
  // part of the tree) is called here once it exists; its failure tears the
  // tree down like any other failed step.
  return OXIM_STATUS_SUCCESS;
}

void exit_hm_data() {
  // The adapter shut-down (closing the driver handles) is called here once
  // the adapter start-up exists.
}

}  // namespace oxim
