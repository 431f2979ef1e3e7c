// Tree persistence: the writer and the reader of the saved tree; see
// persistence.h.
#include "core/persistence.h"

#include <sys/types.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "core/alloc.h"
#include "core/log.h"
#include "core/node_store.h"
#include "core/store_guard.h"
#include "core/text_fields.h"

namespace oxim {
namespace {

// ---------------------------------------------------------------- writing

// Paths are written whole (get_full_path stops at 255 characters, and a cut
// path would replay onto another node or none).
std::string node_path(const Node* node) { return full_path(node); }

// A field must not hold the separator or a line end: the record would read
// back as other fields or another record.
bool writable_field(std::string_view field) {
  return field.find(kFieldSeparator) == std::string_view::npos &&
         field.find('\n') == std::string_view::npos;
}

// Writes keyword and fields as one line. Returns 0, or 1 (nothing written)
// when a field cannot be written faithfully or the write fails.
uint32_t write_record(FILE* stream, const char* keyword, const std::vector<std::string>& fields) {
  std::string line = keyword;
  for (const std::string& field : fields) {
    if (!writable_field(field)) {
      pdebug(kModuleTree, kLogError, "%s record of %s not saved: a field holds '|' or a line end\n",
             keyword, fields.empty() ? "" : fields[0].c_str());
      return OXIM_STATUS_FAILURE;
    }
    line += kFieldSeparator;
    line += field;
  }
  line += '\n';
  if (std::fwrite(line.data(), 1, line.size(), stream) != line.size()) {
    pdebug(kModuleTree, kLogError, "%s record not saved: write failed\n", keyword);
    return OXIM_STATUS_FAILURE;
  }
  return OXIM_STATUS_SUCCESS;
}

uint32_t dump_link(Node* link, FILE* stream) {
  std::vector<std::string> fields;
  {
    StoreLock lock;
    Node* target = link->data.link->target;
    if (!node_is_live(target)) return OXIM_STATUS_FAILURE;
    fields = {link->name != nullptr ? link->name : "", node_path(link->parent), node_path(target)};
  }
  return write_record(stream, kLinkRecord, fields);
}

// The persistence record of a group, read under the StoreLock.
struct GroupRecord {
  Node* creator_command = nullptr;
  bool instanced = false;
  uint32_t priority = 0;
};

GroupRecord group_record(const Node* group) {
  StoreLock lock;
  const GroupData* data = group->data.group;
  return {data->creator_command, data->instance != nullptr, data->persistence_priority};
}

// ---------------------------------------------------------------- reading

// Splits line at every separator in place; the first field is the keyword.
std::vector<char*> split_fields(char* line) {
  std::vector<char*> fields{line};
  for (char* p = std::strchr(line, kFieldSeparator); p != nullptr;
       p = std::strchr(p, kFieldSeparator)) {
    *p++ = '\0';
    fields.push_back(p);
  }
  return fields;
}

// A path resolved as kind_filter, links followed.
Node* resolve(const char* path, uint32_t kind_filter) {
  return final_target(internal_get_node_path(path, kind_filter));
}

// Whether text fits a 256-byte slot with its terminating NUL.
bool fits_slot(const char* text) { return std::strlen(text) < static_cast<size_t>(kParamSize); }

void replay_group(const std::vector<char*>& fields) {
  if (fields.size() < 4) return;
  Node* target = resolve(fields[2], OXIM_KIND_GROUP);
  Node* command_node = internal_get_node_path(fields[3], OXIM_KIND_COMMAND);
  Node* command = final_target(command_node);
  if (!is_group(target) || !is_command(command) || command->data.command == nullptr ||
      command->data.command->handler == nullptr) {
    return;
  }
  // A command runs only on its own group (or is global), as OXIM_do_action
  // requires: handlers rely on the kind of group they are given.
  if (parent_of(command_node) != target && command->data.command->global != 1) {
    pdebug(kModuleTree, kLogWarning, "GROUP %s skipped: %s does not belong to %s\n", fields[1],
           fields[3], fields[2]);
    return;
  }
  char params[kMaxParams][kParamSize] = {};
  for (size_t i = 4; i < fields.size() && i < 4 + kMaxParams; ++i) {
    if (!fits_slot(fields[i])) {
      pdebug(kModuleTree, kLogWarning, "GROUP %s skipped: parameter %zu too long\n", fields[1],
             i - 3);
      return;
    }
    // Handlers never see the "not given" mark; OXIM_do_action clears it too.
    if (static_cast<uint8_t>(fields[i][0]) == OXIM_PARAM_NOT_GIVEN) continue;
    std::strcpy(params[i - 4], fields[i]);
  }
  command->data.command->handler(target, command, &params[0][0]);
}

void replay_property(const std::vector<char*>& fields) {
  if (fields.size() < 3) return;
  Node* property = resolve(fields[1], OXIM_KIND_PROPERTY);
  if (!is_property(property) || property->data.property->handler == nullptr) return;
  if (!fits_slot(fields[2])) {
    pdebug(kModuleTree, kLogWarning, "PROPERTY %s skipped: value too long\n", fields[1]);
    return;
  }
  char value[kValueSize] = {};
  std::strcpy(value, fields[2]);
  property->data.property->handler(property, value, kOpWrite);
}

void replay_link(const std::vector<char*>& fields) {
  if (fields.size() < 4) return;
  Node* parent = resolve(fields[2], OXIM_KIND_GROUP);
  Node* target = resolve(fields[3], OXIM_KIND_GROUP);
  if (!is_group(parent) || !is_group(target)) return;
  Node* link = create_link(parent, fields[1], target, nullptr, nullptr, nullptr);
  if (link == nullptr) return;
  // The record names no creator command, but the link must stay persistent,
  // or the next save would drop it.
  StoreLock lock;
  link->data.link->persistence_priority = next_persistence_priority();
}

void replay_line(char* line) {
  std::vector<char*> fields = split_fields(line);
  if (std::strcmp(fields[0], kGroupRecord) == 0) {
    replay_group(fields);
  } else if (std::strcmp(fields[0], kPropertyRecord) == 0) {
    replay_property(fields);
  } else if (std::strcmp(fields[0], kLinkRecord) == 0) {
    replay_link(fields);
  }
}

// Reads past the end of the current line.
void skip_line(FILE* stream) {
  for (int c = std::fgetc(stream); c != EOF && c != '\n'; c = std::fgetc(stream)) {
  }
}

// Replays a stream that can be put back to the start of a line.
uint32_t replay_stream(FILE* stream) {
  size_t size = kRestoreLineSize;
  char* buffer = static_cast<char*>(oxim_dmalloc(size));
  if (buffer == nullptr) return OXIM_STATUS_FAILURE;
  uint32_t status = OXIM_STATUS_SUCCESS;
  for (;;) {
    const off_t line_start = ftello(stream);
    std::memset(buffer, 0, size);
    const int result = oxim_get_line(stream, buffer, size);
    if (result == kLineEndOfInput) break;
    if (result == kLineRead) {
      replay_line(buffer);
      continue;
    }
    // The line does not fit: read it again into a buffer twice as large.
    if (line_start < 0 || ftello(stream) != line_start) {
      pdebug(kModuleTree, kLogError, "restore: stream could not be put back; stopped\n");
      status = OXIM_STATUS_FAILURE;
      break;
    }
    char* larger = size <= SIZE_MAX / 2 ? static_cast<char*>(oxim_dmalloc(size * 2)) : nullptr;
    if (larger == nullptr) {
      pdebug(kModuleTree, kLogError, "restore: line longer than %zu bytes skipped\n", size);
      skip_line(stream);
      status = OXIM_STATUS_FAILURE;
      continue;
    }
    oxim_dfree(buffer);
    buffer = larger;
    size *= 2;
  }
  if (std::ferror(stream)) status = OXIM_STATUS_FAILURE;
  oxim_dfree(buffer);
  return status;
}

}  // namespace

uint32_t dump_group(Node* group, FILE* stream) {
  if (!is_group(group) || stream == nullptr) return OXIM_STATUS_FAILURE;
  std::vector<std::string> fields;
  {
    StoreLock lock;
    const GroupData* data = group->data.group;
    if (data->creator_command == nullptr) return OXIM_STATUS_SUCCESS;
    // The recorded nodes may have been deleted since the group was made; a
    // record naming them would replay onto whatever now has that path.
    if (!node_is_live(data->target_group) || !node_is_live(data->creator_command)) {
      pdebug(kModuleTree, kLogError,
             "GROUP record of %s not saved: its target group or creator command is gone\n",
             group->name);
      return OXIM_STATUS_FAILURE;
    }
    fields = {node_path(group), node_path(data->target_group), node_path(data->creator_command)};
    // Parameters up to the last non-empty one, so that an empty optional
    // parameter does not hide the ones after it.
    int count = kMaxParams;
    while (count > 0 && data->params[count - 1][0] == '\0') --count;
    for (int i = 0; i < count; ++i) {
      fields.emplace_back(data->params[i], strnlen(data->params[i], kParamSize));
    }
  }
  return write_record(stream, kGroupRecord, fields);
}

uint32_t dump_properties(Node* group, FILE* stream, uint32_t mask) {
  if (!is_group(group) || stream == nullptr) return OXIM_STATUS_FAILURE;
  uint32_t status = OXIM_STATUS_SUCCESS;
  for (Node* child : children_of(group)) {
    if (!is_property(child) || (child->data.property->flags & mask) == 0) continue;
    // Read as OXIM_get_property_val does, but without the library lock,
    // which the caller may hold; no StoreLock is held while the handler runs.
    char value[kValueSize] = {};
    PropertyHandler handler = child->data.property->handler;
    if (handler == nullptr) {
      read_cached_value(child, value);
    } else if (handler(child, value, kOpRead) != OXIM_STATUS_SUCCESS) {
      continue;
    }
    value[kValueSize - 1] = '\0';
    if (write_record(stream, kPropertyRecord, {node_path(child), value}) != 0) {
      status = OXIM_STATUS_FAILURE;
    }
  }
  return status;
}

uint32_t dump_node(Node* node, FILE* stream, uint32_t mask) {
  if (stream == nullptr) return OXIM_STATUS_FAILURE;
  if (is_link(node)) return dump_link(node, stream);
  if (!is_group(node)) return OXIM_STATUS_FAILURE;
  const GroupRecord record = group_record(node);
  if (record.creator_command == nullptr) return dump_properties(node, stream, mask);
  uint32_t status = OXIM_STATUS_SUCCESS;
  if (record.instanced) {
    status |= dump_group(node, stream);
    status |= dump_properties(node, stream, mask);
  } else {
    status |= dump_properties(node, stream, mask);
    status |= dump_group(node, stream);
  }
  return status;
}

uint32_t dump_static_groups(Node* group, FILE* stream, uint32_t mask) {
  if (!is_group(group) || stream == nullptr) return OXIM_STATUS_FAILURE;
  uint32_t status = OXIM_STATUS_SUCCESS;
  if (group_record(group).priority == 0) status |= dump_properties(group, stream, mask);
  for (Node* child : children_of(group)) {
    if (is_group(child) && group_record(child).creator_command == nullptr) {
      status |= dump_static_groups(child, stream, mask);
    }
  }
  return status;
}

void enumerate_nodes(std::vector<Node*>& array, Node* node) {
  StoreLock lock;
  uint32_t priority = 0;
  if (is_link(node)) {
    priority = node->data.link->persistence_priority;
  } else if (is_group(node)) {
    priority = node->data.group->persistence_priority;
    for (Node* child = node->data.group->first_child; child != node; child = child->next) {
      enumerate_nodes(array, child);
    }
  }
  if (priority > 0 && priority <= array.size()) array[priority - 1] = node;
}

uint32_t save_node(Node* root, FILE* stream, uint32_t mask) {
  if (!is_group(root) || stream == nullptr) return OXIM_STATUS_FAILURE;
  NodeUseScope scope;
  // Oldest first. The store sorts them by priority: the same order as the
  // positional array of enumerate_nodes, in memory that grows with the
  // number of persistent nodes rather than with the priority counter, which
  // only ever grows while groups come and go.
  const std::vector<Node*> persistent = persistent_nodes();
  uint32_t status = OXIM_STATUS_SUCCESS;
  for (Node* node : persistent) {
    if (node != nullptr) status |= dump_node(node, stream, mask);
  }
  status |= dump_static_groups(root, stream, mask);
  if (std::fflush(stream) != 0 || std::ferror(stream)) status = OXIM_STATUS_FAILURE;
  return status != OXIM_STATUS_SUCCESS ? OXIM_STATUS_FAILURE : OXIM_STATUS_SUCCESS;
}

uint32_t restore_hm(FILE* stream) {
  if (stream == nullptr) return OXIM_STATUS_FAILURE;
  NodeUseScope scope;
  if (ftello(stream) >= 0) return replay_stream(stream);
  // A pipe cannot be put back to the start of a long line; read it whole
  // first and replay the copy.
  std::string content;
  for (int c = std::fgetc(stream); c != EOF; c = std::fgetc(stream)) {
    content += static_cast<char>(c);
  }
  if (content.empty()) return std::ferror(stream) ? OXIM_STATUS_FAILURE : OXIM_STATUS_SUCCESS;
  FILE* copy = fmemopen(content.data(), content.size(), "r");
  if (copy == nullptr) return OXIM_STATUS_FAILURE;
  uint32_t status = replay_stream(copy);
  std::fclose(copy);
  if (std::ferror(stream)) status = OXIM_STATUS_FAILURE;
  return status;
}

uint32_t backend_make_persistent(Node* group, Node* target_group, Node* creator_command,
                                 const char* params) {
  if (!is_group(group)) return OXIM_STATUS_FAILURE;
  StoreLock lock;
  GroupData* data = group->data.group;
  if (data->persistence_priority == 0) data->persistence_priority = next_persistence_priority();
  data->target_group = target_group;
  data->creator_command = creator_command;
  if (params != nullptr) std::memcpy(data->params, params, kParamBlockSize);
  return OXIM_STATUS_SUCCESS;
}

}  // namespace oxim
