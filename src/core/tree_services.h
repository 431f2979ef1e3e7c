// Services that handlers use on the tree: reading and setting properties by
// name, direct writes of a property's cached value, parameter lookup, the
// default property handler, and the new-tag list of the running command.
#ifndef OXIM_CORE_TREE_SERVICES_H_
#define OXIM_CORE_TREE_SERVICES_H_

#include <cstdint>

#include "core/node.h"

namespace oxim {

// The default property handler: op 0 copies the cached value into buffer,
// op 1 replaces it with buffer (cut to 255 characters). Returns 0.
uint32_t handle_internal_property(Node* node, char* buffer, uint32_t op);

// The handler of a property whose template names a handler that is not
// built yet: a read or a write fails with OXIM_STATUS_NO_HANDLER and a last
// status that names the property, and nothing is stored. (A property whose
// template names no handler at all holds a value the library sets itself
// and has handle_internal_property.)
uint32_t handle_unimplemented_property(Node* node, char* buffer, uint32_t op);
// The message of its last status, and of a command without handler:
// "<name>: " followed by this text.
inline constexpr char kNotImplementedMessage[] = "not available (handler not implemented yet).";

// Calls the handler of group's property name with op 0 (into buffer, 256
// bytes) / op 1 (with value). 1 if there is no such property, else the
// handler's status (0 for a property without handler).
uint32_t internal_get_property(Node* group, const char* name, char* buffer);
uint32_t internal_set_property(Node* group, const char* name, const char* value);

// The parameter definition of a command whose name equals name ignoring
// case; nullptr if none or if command is not a command.
const ParamDef* oxim_internal_get_param(const Node* command, const char* name);

// Formats into a property's cached value (at most 255 characters) without
// calling its handler; returns the formatted length.
int SET_CACHE_PROP_VAL(Node* property, const char* format, ...)
    __attribute__((format(printf, 2, 3)));
// Finds group's property name and formats into its cached value; 1 if there
// is no such property, else 0.
int set_prop_val(Node* group, const char* name, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

// The new-tag list of the command that is running (OXIM_do_action): group
// templates append the tag of every group they create. REQUIRES: library
// lock held.
inline constexpr int kMaxNewTags = OXIM_MAX_NEW_TAGS;
void start_new_tag_list(uint32_t* tags);
void end_new_tag_list();
// The new-tag list of one command, ended however the command leaves.
class NewTagList {
 public:
  explicit NewTagList(uint32_t* tags) { start_new_tag_list(tags); }
  ~NewTagList() { end_new_tag_list(); }
  NewTagList(const NewTagList&) = delete;
  NewTagList& operator=(const NewTagList&) = delete;
};
bool new_tag_list_active();
// Appends a tag and, where there is room, a 0 after it; false (nothing appended) when the list
// already holds more than 4096 entries.
bool append_new_tag(uint32_t tag);
// Takes a group the running command deleted again out of its new-tag list:
// the list names only groups that exist when the command returns (a tag
// freed here may name another group by then). The node store calls it for
// every group it deletes. REQUIRES: library lock held by this thread when
// a list is active.
void forget_new_tag(uint32_t tag);

}  // namespace oxim

#endif  // OXIM_CORE_TREE_SERVICES_H_
