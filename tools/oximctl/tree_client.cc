// The client's view of the tree interface; see tree_client.h.
#include "tree_client.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace oximctl {
namespace {

// Room for the children of one group (the interface takes no size).
constexpr size_t kMaxChildren = 1u << 16;

std::string lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

size_t edit_distance(const std::string& a, const std::string& b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

}  // namespace

std::string Failure::describe() const {
  if (code == OXIM_STATUS_NO_HANDLER) return kNotImplemented;
  std::string text = "status " + std::to_string(status);
  if (code != 0 || !message.empty()) {
    text += " (last status " + std::to_string(code);
    if (!message.empty()) text += ": " + message;
    text += ")";
  }
  return text;
}

const char* kind_name(uint32_t kind) {
  switch (kind) {
    case OXIM_KIND_GROUP: return "group";
    case OXIM_KIND_PROPERTY: return "property";
    case OXIM_KIND_COMMAND: return "command";
    case OXIM_KIND_LINK: return "link";
    default: return "unknown";
  }
}

const char* type_name(uint8_t data_type) {
  switch (data_type) {
    case OXIM_TYPE_TEXT: return "text";
    case OXIM_TYPE_INTEGER: return "integer";
    case OXIM_TYPE_IP_ADDRESS: return "IP address";
    case OXIM_TYPE_SUBNET_MASK: return "subnet mask";
    case OXIM_TYPE_LIST: return "list";
    default: return "any";
  }
}

std::vector<std::string> split_path(const std::string& path) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t slash = path.find('/', start);
    if (slash == std::string::npos) slash = path.size();
    if (slash > start) parts.push_back(path.substr(start, slash - start));
    start = slash + 1;
  }
  if (!parts.empty() && lower(parts.front()) == "root") parts.erase(parts.begin());
  return parts;
}

std::vector<std::string> closest_names(const std::string& name,
                                       const std::vector<std::string>& candidates) {
  const std::string wanted = lower(name);
  std::vector<std::pair<size_t, std::string>> ranked;
  for (const std::string& candidate : candidates) {
    const std::string have = lower(candidate);
    size_t distance = edit_distance(wanted, have);
    // A prefix is as good as a near miss.
    if (have.rfind(wanted, 0) == 0) distance = std::min<size_t>(distance, 1);
    if (distance <= std::max<size_t>(2, wanted.size() / 3))
      ranked.emplace_back(distance, candidate);
  }
  std::stable_sort(ranked.begin(), ranked.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<std::string> names;
  for (const auto& [distance, candidate] : ranked) {
    if (names.size() == 3) break;
    names.push_back(candidate);
  }
  return names;
}

TreeClient::TreeClient() : init_status_(OXIM_init()) {
  if (init_status_ != OXIM_STATUS_SUCCESS) init_failure_ = last_failure(init_status_);
}

TreeClient::~TreeClient() {
  if (init_status_ == OXIM_STATUS_SUCCESS) OXIM_exit();
}

Failure TreeClient::last_failure(uint32_t status) const {
  Failure failure;
  failure.status = status;
  char message[OXIM_MESSAGE_SIZE] = "";
  OXIM_get_last_status(&failure.code, message);
  failure.message = message;
  return failure;
}

std::optional<Failure> TreeClient::last_note() const {
  Failure note = last_failure(OXIM_STATUS_SUCCESS);
  if (note.code == 0) return std::nullopt;
  return note;
}

std::string TreeClient::parent_path(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? "ROOT" : path.substr(0, slash);
}

std::string TreeClient::path_of(uint32_t tag) {
  std::vector<std::string> names;
  for (int depth = 0; tag != OXIM_ROOT_TAG && depth < 64; ++depth) {
    char name[OXIM_NAME_SIZE] = "";
    OXIM_get_node_name(tag, name, OXIM_KIND_ANY);
    names.push_back(name);
    uint32_t parent = OXIM_ROOT_TAG;
    if (OXIM_get_parent_tag(tag, &parent) != OXIM_STATUS_SUCCESS) break;
    tag = parent;
  }
  std::string path = "ROOT";
  for (auto it = names.rbegin(); it != names.rend(); ++it) path += "/" + *it;
  return path;
}

NodeInfo TreeClient::info(uint32_t tag, const std::string& path) {
  NodeInfo node;
  node.tag = tag;
  node.path = path;
  char name[OXIM_NAME_SIZE] = "";
  OXIM_get_node_name(tag, name, OXIM_KIND_ANY);
  node.name = tag == OXIM_ROOT_TAG ? "ROOT" : name;
  OXIM_NODE_DESCRIPTION description = {};
  if (OXIM_get_node_description(tag, &description) == OXIM_STATUS_SUCCESS) {
    node.description = description.description;
    node.kind = description.kind;
    node.data_type = description.data_type;
    node.minimum = description.minimum;
    node.maximum = description.maximum;
  }
  if (node.kind == OXIM_KIND_PROPERTY) {
    char valid[OXIM_VALUE_SIZE] = "";
    OXIM_get_property_valid_values(tag, valid);
    node.valid_values = valid;
    char probe[OXIM_NAME_SIZE];
    node.writable = OXIM_get_node_name(tag, probe, OXIM_KIND_WRITABLE) == OXIM_STATUS_SUCCESS;
  } else if (node.kind == OXIM_KIND_COMMAND) {
    OXIM_PARAM_INFO params = {};
    if (OXIM_get_param_info(tag, &params) == OXIM_STATUS_SUCCESS) {
      for (int i = 0; i < params.count && i < OXIM_MAX_PARAMS; ++i) {
        const OXIM_PARAM_DEF& def = params.params[i];
        node.params.push_back({def.name, def.required == 1, def.description, def.data_type,
                               def.minimum, def.maximum, def.valid_values});
      }
    }
  }
  return node;
}

std::vector<NodeInfo> TreeClient::children(const NodeInfo& group, uint32_t kind) {
  std::vector<uint32_t> tags(kMaxChildren);
  uint32_t count = 0;
  std::vector<NodeInfo> nodes;
  if (OXIM_get_child_tags(group.tag, tags.data(), &count, kind) != OXIM_STATUS_SUCCESS) {
    return nodes;
  }
  for (uint32_t i = 0; i < count && i < kMaxChildren; ++i) {
    char name[OXIM_NAME_SIZE] = "";
    OXIM_get_node_name(tags[i], name, OXIM_KIND_ANY);
    nodes.push_back(info(tags[i], group.path + "/" + name));
  }
  return nodes;
}

Resolved TreeClient::resolve(const std::string& path) {
  Resolved resolved;
  NodeInfo current = info(OXIM_ROOT_TAG, "ROOT");
  const std::vector<std::string> parts = split_path(path);
  for (size_t i = 0; i < parts.size(); ++i) {
    const bool last = i + 1 == parts.size();
    uint32_t tag = 0;
    if (current.kind != OXIM_KIND_GROUP ||
        OXIM_get_node_tag(current.tag, parts[i].c_str(), &tag,
                          last ? OXIM_KIND_ANY : OXIM_KIND_GROUP) != OXIM_STATUS_SUCCESS) {
      resolved.error = "no " + std::string(last ? "node" : "group") + " '" + parts[i] + "' under " +
                       current.path;
      std::vector<std::string> names;
      if (current.kind == OXIM_KIND_GROUP) {
        for (uint32_t kind : {OXIM_KIND_GROUP, OXIM_KIND_PROPERTY, OXIM_KIND_COMMAND}) {
          if (!last && kind != OXIM_KIND_GROUP) continue;
          for (const NodeInfo& child : children(current, kind)) names.push_back(child.name);
        }
      }
      resolved.suggestions = closest_names(parts[i], names);
      return resolved;
    }
    current = info(tag, path_of(tag));
  }
  resolved.node = current;
  return resolved;
}

std::pair<std::string, std::optional<Failure>> TreeClient::get(const NodeInfo& property) {
  uint32_t group = OXIM_ROOT_TAG;
  OXIM_get_parent_tag(property.tag, &group);
  char value[OXIM_VALUE_SIZE] = "";
  uint32_t status = OXIM_get_property_val(group, property.tag, value, sizeof value);
  if (status != OXIM_STATUS_SUCCESS) return {"", last_failure(status)};
  value[OXIM_VALUE_SIZE - 1] = '\0';
  return {value, std::nullopt};
}

std::optional<Failure> TreeClient::set(const NodeInfo& property, const std::string& value) {
  uint32_t group = OXIM_ROOT_TAG;
  OXIM_get_parent_tag(property.tag, &group);
  uint32_t status =
      OXIM_set_property_val(group, property.tag, value.c_str(),
                            static_cast<uint32_t>(std::min<size_t>(value.size(), 257)));
  if (status != OXIM_STATUS_SUCCESS) return last_failure(status);
  return std::nullopt;
}

std::optional<Failure> TreeClient::refresh(const NodeInfo& group) {
  uint32_t status = OXIM_refresh_group(group.tag);
  if (status != OXIM_STATUS_SUCCESS) return last_failure(status);
  return std::nullopt;
}

std::pair<std::vector<std::string>, std::optional<Failure>> TreeClient::run(
    const NodeInfo& command, const std::vector<std::optional<std::string>>& values) {
  std::vector<char> slots(OXIM_PARAM_SIZE * OXIM_MAX_PARAMS, '\0');
  for (size_t i = 0; i < OXIM_MAX_PARAMS; ++i) {
    char* slot = slots.data() + i * OXIM_PARAM_SIZE;
    if (i >= values.size() || !values[i]) {
      slot[0] = static_cast<char>(OXIM_PARAM_NOT_GIVEN);
    } else {
      std::strncpy(slot, values[i]->c_str(), OXIM_PARAM_SIZE - 1);
    }
  }
  uint32_t group = OXIM_ROOT_TAG;
  OXIM_get_parent_tag(command.tag, &group);
  std::vector<uint32_t> new_tags(OXIM_MAX_NEW_TAGS + 1, 0);
  uint32_t status = OXIM_do_action(group, command.tag, slots.data(), new_tags.data());
  if (status != OXIM_STATUS_SUCCESS) return {{}, last_failure(status)};
  std::vector<std::string> created;
  for (size_t i = 0; i < OXIM_MAX_NEW_TAGS && new_tags[i] != 0; ++i) {
    created.push_back(path_of(new_tags[i]));
  }
  return {created, std::nullopt};
}

}  // namespace oximctl
