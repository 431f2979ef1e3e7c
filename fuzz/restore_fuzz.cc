// Fuzzes the reader of the saved tree, and the writer on what it built.
//
// A small tree is built once: ROOT/Fz with properties, a static group and
// commands that create, link and delete instanced groups. Each input is
// replayed by restore_hm as a stream; the tree is then saved (every written
// line must start with a record keyword) and brought back to its starting
// shape, with no counted block left over.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "core/bitmap.h"
#include "core/log.h"
#include "core/node_store.h"
#include "core/persistence.h"
#include "core/tree_services.h"
#include "fuzz_support.h"
#include "oxim/oxim.h"
#include "support/tree_builder.h"

namespace {

using oxim::fuzz::Check;

using oxim::Node;
using oxim::testing::AddCommand;
using oxim::testing::AddGroup;
using oxim::testing::AddInstance;
using oxim::testing::AddProperty;
using oxim::testing::Param;

uint8_t g_target_map[8];  // 64 instances at most
Node* g_fz = nullptr;
Node* g_port = nullptr;

uint32_t AddTargetHandler(Node* group, Node* command, char* params) {
  int number = oxim::get_first_zero(g_target_map, 64);
  if (number < 0) return 1;
  Node* made = AddInstance(group, "Target", number, g_target_map);
  if (made == nullptr) return 1;
  AddProperty(made, "Address", params, OXIM_FLAG_READ_ONLY, oxim::handle_internal_property);
  AddProperty(made, "Alias", params + oxim::kParamSize, OXIM_FLAG_READ_WRITE,
              oxim::handle_internal_property);
  oxim::StoreLock lock;
  made->data.group->target_group = group;
  made->data.group->creator_command = command;
  std::memcpy(made->data.group->params, params, oxim::kParamBlockSize);
  made->data.group->persistence_priority = oxim::next_persistence_priority();
  return 0;
}

uint32_t ShareHandler(Node* group, Node* command, char* params) {
  Node* target = oxim::internal_get_node(group, params + oxim::kParamSize, OXIM_KIND_GROUP);
  return oxim::create_link(group, params, target, group, command, params) != nullptr ? 0 : 1;
}

uint32_t DropHandler(Node* group, Node*, char* params) {
  Node* target = oxim::internal_get_node(group, params, OXIM_KIND_GROUP);
  return oxim::is_instanced(target) ? oxim::delete_node(target) : 1;
}

uint32_t TouchHandler(Node* group, Node*, char* params) {
  return oxim::internal_set_property(group, "Mode", params);
}

const oxim::CommandData kAddTarget = {
    AddTargetHandler, 0, 2, {Param("Address", true), Param("Alias", false)}};
const oxim::CommandData kShare = {ShareHandler, 0, 2, {Param("Name", true), Param("Target", true)}};
const oxim::CommandData kDrop = {DropHandler, 0, 1, {Param("Name", true)}};
const oxim::CommandData kTouch = {TouchHandler, 1, 1, {Param("Mode", true)}};

// Starting values of the writable properties, restored after each input.
struct Default {
  Node** group;
  const char* name;
  const char* value;
};
const Default kDefaults[] = {{&g_fz, "Mode", "auto"}, {&g_port, "Speed", "10G"}};

char g_root[] = "/tmp/oxim-restore-fuzz-XXXXXX";  // OXIM_ROOT of the run
uint32_t g_blocks = 0;
int g_log_level = 0;

void BuildOnce() {
  static bool built = false;
  if (built) return;
  built = true;
  Check(mkdtemp(g_root) != nullptr);
  setenv("OXIM_ROOT", g_root, 1);
  std::atexit([] {
    std::error_code ignored;
    std::filesystem::remove_all(g_root, ignored);
  });
  Check(OXIM_init() == 0);
  g_fz = AddGroup(oxim::testing::Root(), "Fz");
  AddProperty(g_fz, "Mode", "auto", OXIM_FLAG_READ_WRITE, oxim::handle_internal_property);
  AddProperty(g_fz, "Serial", "SN1", OXIM_FLAG_READ_ONLY);
  AddCommand(g_fz, "AddTarget", &kAddTarget);
  AddCommand(g_fz, "Share", &kShare);
  AddCommand(g_fz, "Drop", &kDrop);
  AddCommand(oxim::testing::Root(), "Touch", &kTouch);
  g_port = AddGroup(g_fz, "Port");
  AddProperty(g_port, "Speed", "10G", OXIM_FLAG_READ_WRITE, oxim::handle_internal_property);
  g_blocks = oxim_counter;
  g_log_level = oxim::log_level();
}

// Deletes every link and every Target that the input made (a replay gives
// no static group a persistence record).
void Reset(Node* group) {
  // Deleting a Target also deletes the links to it elsewhere, so look again
  // after every deletion.
  for (bool deleted = true; deleted;) {
    deleted = false;
    for (Node* child : oxim::children_of(group)) {
      if (oxim::is_link(child) || oxim::is_instanced(child)) {
        oxim::_delete_node(child);
        deleted = true;
        break;
      }
    }
  }
  for (Node* child : oxim::children_of(group)) {
    if (oxim::is_group(child)) Reset(child);
  }
}

void CheckSaved() {
  char* data = nullptr;
  size_t size = 0;
  FILE* stream = open_memstream(&data, &size);
  Check(stream != nullptr);
  oxim::save_node(oxim::testing::Root(), stream, OXIM_FLAG_READ_ONLY | OXIM_FLAG_READ_WRITE);
  std::fclose(stream);
  std::string text(data, size);
  std::free(data);
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find('\n', start);
    Check(end != std::string::npos);
    std::string line = text.substr(start, end - start);
    Check(line.rfind("GROUP|", 0) == 0 || line.rfind("PROPERTY|", 0) == 0 ||
          line.rfind("SYMLINK|", 0) == 0);
    start = end + 1;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  BuildOnce();
  if (size == 0) return 0;
  FILE* stream = fmemopen(const_cast<uint8_t*>(data), size, "r");
  if (stream == nullptr) return 0;
  oxim::restore_hm(stream);
  std::fclose(stream);
  CheckSaved();

  Reset(oxim::testing::Root());
  for (const Default& entry : kDefaults) {
    Check(oxim::internal_set_property(*entry.group, entry.name, entry.value) == 0);
  }
  oxim::set_log_level(g_log_level);
  Check(oxim::get_first_one(g_target_map, 64) == -1);
  Check(oxim_counter == g_blocks);
  return 0;
}
