// The exported tree interface: thin C calls that take the library lock,
// resolve tags, check kinds and arguments, check values by their data type
// and hand over to the handlers stored in the nodes. Every failure leaves
// through the statuses and last-status messages of the interface; no
// exception crosses it.
#include <cstring>
#include <string>
#include <vector>

#include "api/guard.h"
#include "core/last_status.h"
#include "core/lock.h"
#include "core/log.h"
#include "core/node_store.h"
#include "core/status.h"
#include "core/tree_services.h"
#include "core/validate.h"
#include "oxim/oxim.h"

namespace oxim {
namespace {

// One exported call: keeps deleted nodes alive for the call's duration,
// takes the library lock (logging a time-out with the call's name) and
// resets the last status once it is held.
class TreeCall {
 public:
  explicit TreeCall(const char* name) : held_(oxim_acquire_lock() == 1) {
    if (!held_) {
      pdebug(kModuleTree, kLogError, "%s:Failed to acquire lock.\n", name);
      return;
    }
    oxim_reset_last_status();
  }
  ~TreeCall() { release(); }
  TreeCall(const TreeCall&) = delete;
  TreeCall& operator=(const TreeCall&) = delete;

  bool locked() const { return held_; }
  // Gives the lock back early (before a property handler runs); the node
  // pointers of the call stay valid.
  void release() {
    if (held_) oxim_release_lock();
    held_ = false;
  }

 private:
  NodeUseScope scope_;
  bool held_;
};

// A handler that failed without saying why gets the internal-error last
// status, so that every failure a client sees carries its status.
uint32_t with_last_status(uint32_t status) {
  if (status == OXIM_STATUS_SUCCESS) return status;
  uint32_t code = 0;
  oxim_get_last_status(&code, nullptr);
  if (code == 0) oxim_set_last_status(status, kInternalErrorSuffix);
  return status;
}

// Texts from clients must end within their buffer.
bool terminated_within(const char* text, size_t size) {
  return text != nullptr && strnlen(text, size) < size;
}

// The group a tag names, following a link; nullptr if it is not a group.
Node* resolve_group(uint32_t tag) {
  Node* group = final_target(get_node(tag));
  return is_group(group) ? group : nullptr;
}

// Records a failed value check of a property in the last status.
void report_value_check(int code, int32_t minimum, int32_t maximum, const char* parameter) {
  char prefix[kNameSize + 3] = "";
  if (parameter != nullptr) std::snprintf(prefix, sizeof prefix, "%s: ", parameter);
  switch (code) {
    case kValueOutOfRange:
      oxim_set_last_statusf(OXIM_STATUS_OUT_OF_RANGE,
                            "%sValue out of range. Valid range is from %d to %d.", prefix, minimum,
                            maximum);
      break;
    case kValueBadLength:
      oxim_set_last_statusf(OXIM_STATUS_BAD_LENGTH,
                            "%sNumber of characters should be from %d to %d.", prefix, minimum,
                            maximum);
      break;
    default: oxim_set_last_statusf(OXIM_STATUS_INVALID_VALUE, "%sInvalid value.", prefix); break;
  }
}

// A value length the interface does not take: a property value is a text of
// at most 255 characters and its NUL.
uint32_t refuse_length(uint32_t length) {
  oxim_set_last_statusf(OXIM_STATUS_FAILURE,
                        "A property value takes at most %d bytes (255 characters and the "
                        "terminating NUL); the length given is %u.",
                        kValueSize, length);
  return OXIM_STATUS_FAILURE;
}
uint32_t refuse_text_length(size_t characters) {
  oxim_set_last_statusf(OXIM_STATUS_FAILURE,
                        "A property value takes at most %d bytes (255 characters and the "
                        "terminating NUL); this one needs %zu.",
                        kValueSize, characters + 1);
  return OXIM_STATUS_FAILURE;
}

// Whether command may run on group: one of the group's own commands, or a
// global command.
bool command_belongs_to(Node* group, Node* command_node, Node* command) {
  return parent_of(command_node) == group || command->data.command->global == 1;
}

void copy_text(char* out, size_t size, const char* text) {
  std::snprintf(out, size, "%s", text != nullptr ? text : "");
}

}  // namespace
}  // namespace oxim

using namespace oxim;

extern "C" {

uint32_t OXIM_get_node_tag(uint32_t parent_tag, const char* name, uint32_t* tag,
                           uint32_t kind_filter) {
  return guarded(__func__, [&]() -> uint32_t {
    if (!terminated_within(name, kValueSize) || tag == nullptr || kind_filter > 7) {
      return OXIM_STATUS_FAILURE;
    }
    TreeCall call("OXIM_get_node_tag");
    if (!call.locked()) return OXIM_STATUS_LOCK_TIMEOUT;
    Node* parent = get_node(parent_tag);
    if (!is_group(parent)) return OXIM_STATUS_FAILURE;
    Node* node = internal_get_node(parent, name, kind_filter);
    if (node == nullptr) return OXIM_STATUS_FAILURE;
    *tag = node->tag;
    return OXIM_STATUS_SUCCESS;
  });
}

uint32_t OXIM_get_node_name(uint32_t tag, char* name, uint32_t kind_filter) {
  return guarded(__func__, [&]() -> uint32_t {
    if (name == nullptr || kind_filter > 7) return OXIM_STATUS_FAILURE;
    TreeCall call("OXIM_get_node_name");
    if (!call.locked()) return OXIM_STATUS_LOCK_TIMEOUT;
    Node* node = get_node(tag);
    Node* target = final_target(node);
    if (target == nullptr) return OXIM_STATUS_FAILURE;
    if (kind_filter != OXIM_KIND_ANY && !passes_listing_filter(target, kind_filter)) {
      return OXIM_STATUS_FAILURE;
    }
    display_name(node, name);
    return OXIM_STATUS_SUCCESS;
  });
}

uint32_t OXIM_get_parent_tag(uint32_t tag, uint32_t* parent_tag) {
  return guarded(__func__, [&]() -> uint32_t {
    if (parent_tag == nullptr) return OXIM_STATUS_FAILURE;
    TreeCall call("OXIM_get_parent_tag");
    if (!call.locked()) return OXIM_STATUS_LOCK_TIMEOUT;
    Node* node = get_node(tag);
    if (node == nullptr) return OXIM_STATUS_FAILURE;
    *parent_tag = parent_of(node)->tag;
    return OXIM_STATUS_SUCCESS;
  });
}

uint32_t OXIM_get_child_tags(uint32_t tag, uint32_t* tags, uint32_t* count, uint32_t kind_filter) {
  return guarded(__func__, [&]() -> uint32_t {
    if (tags == nullptr || count == nullptr || kind_filter > 7) return OXIM_STATUS_FAILURE;
    TreeCall call("OXIM_get_child_tags");
    if (!call.locked()) return OXIM_STATUS_LOCK_TIMEOUT;
    Node* group = resolve_group(tag);
    if (group == nullptr) return OXIM_STATUS_FAILURE;
    StoreLock lock;
    uint32_t found = 0;
    for (Node* child : children_of(group)) {
      if (passes_listing_filter(final_target(child), kind_filter)) tags[found++] = child->tag;
    }
    Node* root = hm_get_root(oxim_current_hierarchy);
    if (kind_filter == OXIM_KIND_COMMAND && group != root) {
      for (Node* child : children_of(root)) {
        Node* command = final_target(child);
        if (is_command(command) && command->data.command->global == 1) tags[found++] = child->tag;
      }
    }
    *count = found;
    return OXIM_STATUS_SUCCESS;
  });
}

uint32_t OXIM_get_property_val(uint32_t group_tag, uint32_t property_tag, char* value,
                               uint32_t length) {
  return guarded(__func__, [&]() -> uint32_t {
    if (value == nullptr) return OXIM_STATUS_FAILURE;
    TreeCall call("OXIM_get_property_val");
    if (!call.locked()) return OXIM_STATUS_LOCK_TIMEOUT;
    if (length > kValueSize) return refuse_length(length);
    Node* group = resolve_group(group_tag);
    Node* node = get_node(property_tag);
    Node* property = final_target(node);
    if (group == nullptr || !is_property(property) || parent_of(node) != group) {
      return OXIM_STATUS_FAILURE;
    }
    // Handlers write a whole value; the client gets no more than it has
    // room for.
    char read[kValueSize] = "";
    PropertyHandler handler = property->data.property->handler;
    if (handler == nullptr) {
      read_cached_value(property, read);
    } else {
      call.release();
      if (const uint32_t status = handler(property, read, kOpRead); status != OXIM_STATUS_SUCCESS) {
        // What a failing handler shows (such as "N/A") reaches the client
        // too, cut to its buffer.
        read[kValueSize - 1] = '\0';
        if (length > 0) copy_text(value, length, read);
        return with_last_status(status);
      }
    }
    read[kValueSize - 1] = '\0';
    const size_t needed = std::strlen(read) + 1;
    if (needed > length) {
      oxim_set_last_statusf(OXIM_STATUS_FAILURE,
                            "The value of %s needs a buffer of %zu bytes; %u given.",
                            property->name, needed, length);
      return OXIM_STATUS_FAILURE;
    }
    std::memcpy(value, read, needed);
    return OXIM_STATUS_SUCCESS;
  });
}

uint32_t OXIM_set_property_val(uint32_t group_tag, uint32_t property_tag, const char* value,
                               uint32_t length) {
  return guarded(__func__, [&]() -> uint32_t {
    TreeCall call("OXIM_set_property_val");
    if (!call.locked()) return OXIM_STATUS_LOCK_TIMEOUT;
    pdebug(kModuleTree, kLogDebug, "--- entering %s ---\n", "OXIM_set_property_val");
    Node* group = resolve_group(group_tag);
    Node* node = get_node(property_tag);
    Node* property = final_target(node);
    if (group == nullptr || !is_property(property) || value == nullptr ||
        parent_of(node) != group) {
      return OXIM_STATUS_FAILURE;
    }
    const PropertyData* data = property->data.property;
    if ((data->flags & OXIM_FLAG_READ_ONLY) != 0) {
      oxim_set_last_status(OXIM_STATUS_READ_ONLY, "Read only property");
      return OXIM_STATUS_FAILURE;
    }
    if (length > kValueSize) return refuse_length(length);
    // The value is the text in its first `length` bytes (up to a NUL, if
    // one comes first); nothing beyond them is read.
    const size_t size = strnlen(value, length);
    if (size >= kValueSize) return refuse_text_length(size);
    // The checks may rewrite the text (an IPv6 address into its full form);
    // the handler gets the checked text.
    char checked[kValueSize];
    std::memcpy(checked, value, size);
    checked[size] = '\0';
    int code =
        oxim_validate(checked, data->valid_values, data->data_type, data->minimum, data->maximum);
    if (code != kValueAccepted) {
      report_value_check(code, data->minimum, data->maximum, nullptr);
      return OXIM_STATUS_FAILURE;
    }
    if (data->handler == nullptr) return OXIM_STATUS_NO_HANDLER;
    PropertyHandler handler = data->handler;
    call.release();
    return with_last_status(handler(property, checked, kOpWrite));
  });
}

uint32_t OXIM_do_action(uint32_t group_tag, uint32_t command_tag, char* params,
                        uint32_t* new_tags) {
  return guarded(__func__, [&]() -> uint32_t {
    TreeCall call("OXIM_do_action");
    if (!call.locked()) return OXIM_STATUS_LOCK_TIMEOUT;
    pdebug(kModuleTree, kLogDebug, "--- entering %s ---\n", "OXIM_do_action");
    Node* group = resolve_group(group_tag);
    Node* node = get_node(command_tag);
    Node* command = final_target(node);
    if (group == nullptr || !is_command(command) || params == nullptr ||
        command->data.command == nullptr || !command_belongs_to(group, node, command)) {
      return OXIM_STATUS_FAILURE;
    }
    const CommandData* data = command->data.command;
    const int count = std::min(std::max(data->param_count, 0), kMaxParams);
    for (int i = 0; i < count; ++i) {
      const ParamDef& param = data->params[i];
      char* slot = params + i * kParamSize;
      if (static_cast<uint8_t>(slot[0]) == OXIM_PARAM_NOT_GIVEN) {
        if (param.required == 1) {
          oxim_set_last_statusf(OXIM_STATUS_PARAM_MISSING, "%s: Parameter missing.", param.name);
          return OXIM_STATUS_FAILURE;
        }
        std::memset(slot, 0, kParamSize);
        continue;
      }
      int code = terminated_within(slot, kParamSize)
                     ? oxim_validate(slot, param.valid_values, param.data_type, param.minimum,
                                     param.maximum)
                     : kValueInvalid;
      if (code != kValueAccepted) {
        report_value_check(code, param.minimum, param.maximum, param.name);
        return OXIM_STATUS_FAILURE;
      }
    }
    if (data->handler == nullptr) {
      pdebug(kModuleTree, kLogError, "Not Implimented\n");
      // The call fails as for any command without handler; the last status
      // says why, in the words a property without handler uses.
      oxim_set_last_statusf(OXIM_STATUS_NO_HANDLER, "%s: %s", command->name,
                            kNotImplementedMessage);
      return OXIM_STATUS_FAILURE;
    }
    NewTagList created(new_tags);
    const uint32_t status = with_last_status(data->handler(group, command, params));
    pdebug(kModuleTree, kLogDebug, "--- leaving %s ---\n", "OXIM_do_action");
    return status;
  });
}

uint32_t OXIM_refresh_group(uint32_t tag) {
  return guarded(__func__, [&]() -> uint32_t {
    TreeCall call("OXIM_refresh_group");
    if (!call.locked()) return OXIM_STATUS_LOCK_TIMEOUT;
    Node* node = get_node(tag);
    if (node == nullptr) return OXIM_STATUS_FAILURE;
    if (!is_group(node) || node->data.group->refresh == nullptr) return OXIM_STATUS_SUCCESS;
    return with_last_status(node->data.group->refresh(node));
  });
}

uint32_t OXIM_get_node_description(uint32_t tag, OXIM_NODE_DESCRIPTION* description) {
  return guarded(__func__, [&]() -> uint32_t {
    if (description == nullptr) return OXIM_STATUS_FAILURE;
    TreeCall call("OXIM_get_node_description");
    if (!call.locked()) return OXIM_STATUS_LOCK_TIMEOUT;
    Node* node = final_target(get_node(tag));
    if (node == nullptr) return OXIM_STATUS_FAILURE;
    copy_text(description->description, sizeof description->description, node->description);
    description->kind = static_cast<uint8_t>(node->kind);
    if (is_property(node)) {
      description->data_type = node->data.property->data_type;
      description->minimum = node->data.property->minimum;
      description->maximum = node->data.property->maximum;
    }
    return OXIM_STATUS_SUCCESS;
  });
}

uint32_t OXIM_get_param_info(uint32_t command_tag, OXIM_PARAM_INFO* info) {
  return guarded(__func__, [&]() -> uint32_t {
    if (info == nullptr) return OXIM_STATUS_FAILURE;
    TreeCall call("OXIM_get_param_info");
    if (!call.locked()) return OXIM_STATUS_LOCK_TIMEOUT;
    Node* command = final_target(get_node(command_tag));
    if (!is_command(command) || command->data.command == nullptr) return OXIM_STATUS_FAILURE;
    info->count = command->data.command->param_count;
    std::memcpy(info->params, command->data.command->params, sizeof info->params);
    return OXIM_STATUS_SUCCESS;
  });
}

uint32_t OXIM_get_property_valid_values(uint32_t property_tag, char* valid_values) {
  return guarded(__func__, [&]() -> uint32_t {
    if (valid_values == nullptr) return OXIM_STATUS_FAILURE;
    TreeCall call("OXIM_get_property_valid_values");
    if (!call.locked()) return OXIM_STATUS_LOCK_TIMEOUT;
    Node* property = final_target(get_node(property_tag));
    if (!is_property(property)) return OXIM_STATUS_FAILURE;
    copy_text(valid_values, kValueSize, property->data.property->valid_values);
    return OXIM_STATUS_SUCCESS;
  });
}

uint32_t OXIM_get_valid_instances(uint32_t group_tag, const char* base_name, uint32_t* numbers,
                                  uint32_t* count) {
  return guarded(__func__, [&]() -> uint32_t {
    if (!terminated_within(base_name, kValueSize) || numbers == nullptr || count == nullptr) {
      return OXIM_STATUS_FAILURE;
    }
    TreeCall call("OXIM_get_valid_instances");
    if (!call.locked()) return OXIM_STATUS_LOCK_TIMEOUT;
    Node* group = resolve_group(group_tag);
    if (group == nullptr) return OXIM_STATUS_FAILURE;
    *count = 0;
    for (int32_t number : instance_numbers(group, base_name)) {
      numbers[(*count)++] = static_cast<uint32_t>(number);
    }
    return OXIM_STATUS_SUCCESS;
  });
}

uint32_t OXIM_get_persistent_nodes(uint32_t* tags, int32_t* count) {
  return guarded(__func__, [&]() -> uint32_t {
    if (count == nullptr) return OXIM_STATUS_FAILURE;
    TreeCall call("OXIM_get_persistent_nodes");
    if (!call.locked()) return OXIM_STATUS_LOCK_TIMEOUT;
    const int32_t room = *count;
    std::vector<Node*> nodes = persistent_nodes();
    *count = static_cast<int32_t>(nodes.size());
    if (room < 0 || room < *count) return OXIM_STATUS_ARRAY_TOO_SMALL;
    if (tags == nullptr && !nodes.empty()) return OXIM_STATUS_FAILURE;
    for (size_t i = 0; i < nodes.size(); ++i) tags[i] = nodes[i]->tag;
    return OXIM_STATUS_SUCCESS;
  });
}

uint32_t OXIM_get_persistence_info(uint32_t tag, OXIM_PERSISTENCE_INFO* info) {
  return guarded(__func__, [&]() -> uint32_t {
    if (info == nullptr) return OXIM_STATUS_FAILURE;
    TreeCall call("OXIM_get_persistence_info");
    if (!call.locked()) return OXIM_STATUS_LOCK_TIMEOUT;
    Node* node = get_node(tag);
    StoreLock lock;
    Node* creator = nullptr;
    Node* target_group = nullptr;
    const char* params = nullptr;
    uint32_t priority = 0;
    if (is_group(node)) {
      creator = node->data.group->creator_command;
      target_group = node->data.group->target_group;
      params = &node->data.group->params[0][0];
      priority = node->data.group->persistence_priority;
    } else if (is_link(node)) {
      creator = node->data.link->creator_command;
      target_group = node->data.link->target_group;
      params = &node->data.link->params[0][0];
      priority = node->data.link->persistence_priority;
    }
    // The recorded nodes may have been deleted since; their tags then mean
    // nothing.
    if (priority == 0 || !node_is_live(creator)) return OXIM_STATUS_FAILURE;
    info->creator_command_tag = creator->tag;
    info->target_group_tag = node_is_live(target_group) ? target_group->tag : 0;
    std::memcpy(info->params, params, sizeof info->params);
    return OXIM_STATUS_SUCCESS;
  });
}

uint32_t OXIM_get_last_status(uint32_t* code, char* message) {
  return guarded(__func__, [&]() -> uint32_t {
    if (code == nullptr || message == nullptr) return OXIM_STATUS_FAILURE;
    oxim_get_last_status(code, message);
    return OXIM_STATUS_SUCCESS;
  });
}

}  // extern "C"
