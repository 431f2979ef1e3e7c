// Building the root of the tree; see root.h.
#include "startup/tree_builder.h"

#include <cstdio>
#include <cstring>

#include "areas/areas.h"
#include "core/alloc.h"
#include "core/last_status.h"
#include "core/log.h"
#include "core/node_store.h"
#include "core/status.h"
#include "core/tree_services.h"
#include "schema/area.h"
#include "schema/template.h"
#include "startup/discovery.h"

namespace oxim {
namespace {

// The library's one hierarchy, named "".
Hierarchy g_hierarchy;

// Start-ups begun before the tree is given up when the host's NIC functions
// keep changing under discovery.
constexpr int kStartUpAttempts = 4;
constexpr StatusMessage kFunctionsKeptChanging{
    1, "The adapter's NIC functions kept changing during start-up. " OXIM_INTERNAL_ERROR};

const PropertyTemplate kRootProperties[] = {
    {.name = "OXIMServiceVersion",
     .description = "This property specifies the version number of the OximService.",
     .minimum = 5,
     .maximum = 32,
     .default_value = "0"},
    {.name = "OXIMHierarchyVersion",
     .description = "This property specifies the version number of the OXIM hierarchy.",
     .minimum = 3,
     .maximum = 32,
     .default_value = "0"},
    {.name = "OXIMDebugLevel",
     .description =
         "This property specifies the OXIMDebugLevel. Possible values are 0 - Disabled, 1 - "
         "FATAL, 2 - CRITICAL, 3 - ERROR, 4 - WARNING, 5 - INFORMATION, 6 - DEBUG. By default "
         "OXIMDebugLevel is 3 - Error. If OXIM or system is restarted OXIMDebugLevel will be the "
         "default value.",
     .flags = OXIM_FLAG_READ_WRITE,
     .handler = "handle_OXIMDebugLevel",
     .data_type = OXIM_TYPE_LIST,
     .minimum = 5,
     .maximum = 11,
     .default_value = "3",
     .valid_values = "0,1,2,3,4,5,6"},
};

// ROOT: its own parent, tag 0. nullptr when memory runs out.
Node* new_root() {
  Node* root = allocate_node(kKindGroup, "ROOT", " ", nullptr);
  GroupData* data = counted_new<GroupData>();
  if (root == nullptr || data == nullptr) {
    if (root != nullptr) free_node_record(root);
    counted_delete(data);
    return nullptr;
  }
  root->parent = root;
  root->data.group = data;
  return root;
}

}  // namespace

uint32_t init_hm() {
  // The areas' handlers and templates, before any group is made from them.
  install_areas(library_areas());
  for (int attempt = 1;; ++attempt) {
    const uint32_t status = init_hm_data();
    if (status != OXIM_STATUS_SUCCESS || !discovery_saw_change()) return status;
    // The host's NIC functions changed while they were enumerated: what was
    // built mixes two sets of functions. Start again from nothing.
    exit_hm();
    oxim_reset_last_status();
    if (attempt == kStartUpAttempts) {
      pdebug(kModuleAdapter, kLogCritical, "%s:NIC functions changed during %d start-ups.\n",
             __func__, attempt);
      return report(kFunctionsKeptChanging);
    }
    pdebug(kModuleAdapter, kLogError, "%s:NIC functions changed during start-up; again.\n",
           __func__);
  }
}

void exit_hm() {
  exit_hm_data();
  hm_teardown_hierarchies();
  release_template_state();
}

uint32_t init_hm_data() {
  g_hierarchy = Hierarchy{};
  g_hierarchy.name = "";
  if (hm_setup_hierarchy(&g_hierarchy) != 0) return OXIM_STATUS_FAILURE;
  Node* root = new_root();
  if (root == nullptr || add_node(root, &g_hierarchy) != 0) {
    if (root != nullptr) free_node_record(root);
    hm_teardown_hierarchies();
    return OXIM_STATUS_FAILURE;
  }
  g_hierarchy.root = root;
  for (const PropertyTemplate& property : kRootProperties) {
    if (add_property_from_template(root, property) == nullptr) {
      exit_hm();
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
  // The adapter part of the tree: controllers and their functions.
  if (backend_init() != OXIM_STATUS_SUCCESS) {
    exit_hm();
    return OXIM_STATUS_FAILURE;
  }
  return OXIM_STATUS_SUCCESS;
}

void exit_hm_data() { backend_exit(); }

}  // namespace oxim
