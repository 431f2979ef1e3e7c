// Group templates: every group of the tree except ROOT is created from a
// template, a table that lists the group's properties, commands and fixed
// sub-groups in the order they are created. One routine, instantiate(),
// reads any template: it numbers the new instance from the template's
// instance map word for the parent, creates all children, records how the
// group came to be (target group, creator command, parameters, persistence
// priority) and reports the new group in the running command's new-tag list.
//
// Templates are plain data so that a person can review them against the
// catalogue line by line. The nodes made from a template use its names and
// descriptions as they are (no copies): a template must outlive the groups
// made from it, as the catalogue's static tables do.
//
//   const PropertyTemplate kPortalProperties[] = {
//       {.name = "TargetIPAddress", .description = "...", .default_value = "0.0.0.0"},
//       {.name = "ETO", .description = "...", .flags = OXIM_FLAG_READ_WRITE,
//        .handler = "handle_Target_ETO", .data_type = OXIM_TYPE_INTEGER,
//        .minimum = 0, .maximum = 3600, .default_value = "30"},
//   };
//   const GroupTemplate kTargetPortal = {
//       .name = "TargetPortal", .template_name = "initialize_TargetPortal",
//       .description = "...", .maximum = 64, .properties = kPortalProperties};
//
//   Node* portal = instantiate(kTargetPortal, target, nullptr, nullptr, nullptr);
#ifndef OXIM_SCHEMA_TEMPLATE_H_
#define OXIM_SCHEMA_TEMPLATE_H_

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/node.h"

namespace oxim {

struct PropertyTemplate {
  const char* name;
  const char* description;
  uint32_t flags = OXIM_FLAG_READ_ONLY;
  const char* handler = nullptr;  // handle_...; none: handle_internal_property
  uint8_t data_type = OXIM_TYPE_TEXT;
  int32_t minimum = 0;
  int32_t maximum = 0;
  const char* default_value = "";
  const char* valid_values = "";  // for OXIM_TYPE_LIST
};

struct ParamTemplate {
  const char* name = nullptr;  // none ends the list
  const char* description = "";
  bool required = false;
  uint8_t data_type = OXIM_TYPE_TEXT;
  int32_t minimum = 0;
  int32_t maximum = 0;
  const char* valid_values = "";
};

struct CommandTemplate {
  const char* name;
  const char* description;
  const char* handler = nullptr;  // do_...
  ParamTemplate params[kMaxParams] = {};
  bool global = false;  // found by name from every group (none in the catalogue)
};

struct GroupTemplate {
  const char* name;                     // group name, "Target"
  const char* template_name = nullptr;  // "initialize_Target"; none for fixed sub-groups
  const char* description = "";
  // Instances per parent; 0 for a fixed sub-group, which exists once and
  // carries no number.
  uint16_t maximum = 0;
  const char* parent = nullptr;   // name of the group it is created under
  const char* refresh = nullptr;  // group_...
  std::span<const PropertyTemplate> properties = {};
  std::span<const CommandTemplate> commands = {};
  std::span<const GroupTemplate* const> subgroups = {};
};

// Creates an instance of an instanced group template under parent, with all
// its children. target_group and creator_command are the group a command
// ran on and the command node (both null for groups made by start-up or by
// refresh handlers); params are the command's 1536 bytes of parameter slots
// or null. Returns the new group, or nullptr when the parent already holds
// the maximum number of instances, memory runs out, or the running command
// has reported 4097 groups already; nothing is left behind on failure.
// REQUIRES: the library lock is held (or the tree is being built).
Node* instantiate(const GroupTemplate& group_template, Node* parent, Node* target_group,
                  Node* creator_command, const char* params);

// Creates one property from its template under parent (a group). Returns
// the node, or nullptr (nothing left behind) when memory runs out or
// add_node refuses it.
Node* add_property_from_template(Node* parent, const PropertyTemplate& property);

// The index of the instance map word for a new instance under parent: a
// mixed-radix number over the instanced groups from parent up to ROOT, the
// nearest being the least significant digit.
uint64_t instance_word_index(Node* parent);

// The command data of a command template, with its handler bound (or none).
// The block lives until release_template_state().
const CommandData* command_data(const CommandTemplate& command);

// Frees the instance maps and command data of every template; run when the
// tree is torn down.
void release_template_state();

// The handler names that the templates reachable from `templates` (sub-groups
// included) refer to but nobody has registered, sorted and without repeats.
std::vector<std::string> unregistered_handlers(std::span<const GroupTemplate* const> templates);

}  // namespace oxim

#endif  // OXIM_SCHEMA_TEMPLATE_H_
