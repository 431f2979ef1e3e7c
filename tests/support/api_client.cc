// End-to-end test client of the public C API; see api_client.h.
#include "support/api_client.h"

#include <cstring>

#include "oxim/oxim.h"

namespace oxim::testing {
namespace {

std::pair<uint32_t, uint32_t> GroupAndNode(const std::string& path) {
  const size_t slash = path.rfind('/');
  const uint32_t group = slash == std::string::npos ? OXIM_ROOT_TAG : Tag(path.substr(0, slash));
  return {group, Tag(path)};
}

}  // namespace

Status LastStatus() {
  uint32_t code = 99;
  char message[OXIM_MESSAGE_SIZE] = "";
  OXIM_get_last_status(&code, message);
  return {code, message};
}

uint32_t Tag(const std::string& path) {
  uint32_t tag = OXIM_ROOT_TAG;
  size_t start = 0;
  while (start < path.size()) {
    size_t slash = path.find('/', start);
    if (slash == std::string::npos) slash = path.size();
    const std::string name = path.substr(start, slash - start);
    uint32_t child = 0;
    if (OXIM_get_node_tag(tag, name.c_str(), &child, OXIM_KIND_ANY) != 0) return kNoTag;
    tag = child;
    start = slash + 1;
  }
  return tag;
}

std::string Value(const std::string& path) {
  auto [group, property] = GroupAndNode(path);
  char value[OXIM_VALUE_SIZE] = "";
  if (OXIM_get_property_val(group, property, value, sizeof value) != 0) return "";
  return value;
}

std::pair<uint32_t, std::string> Read(const std::string& path) {
  auto [group, property] = GroupAndNode(path);
  char value[OXIM_VALUE_SIZE] = "";
  const uint32_t status = OXIM_get_property_val(group, property, value, sizeof value);
  return {status, value};
}

uint32_t SetValue(const std::string& path, const std::string& value) {
  auto [group, property] = GroupAndNode(path);
  return OXIM_set_property_val(group, property, value.c_str(),
                               static_cast<uint32_t>(value.size() + 1));
}

std::vector<std::string> Groups(const std::string& path) {
  std::vector<uint32_t> tags(4096);
  uint32_t count = 0;
  std::vector<std::string> names;
  if (OXIM_get_child_tags(path.empty() ? OXIM_ROOT_TAG : Tag(path), tags.data(), &count,
                          OXIM_KIND_GROUP) != 0) {
    return names;
  }
  for (uint32_t i = 0; i < count; ++i) {
    char name[OXIM_NAME_SIZE] = "";
    OXIM_get_node_name(tags[i], name, OXIM_KIND_ANY);
    names.push_back(name);
  }
  return names;
}

uint32_t Do(const std::string& path, const std::vector<std::string>& params) {
  auto [group, command] = GroupAndNode(path);
  char block[OXIM_MAX_PARAMS][OXIM_PARAM_SIZE] = {};
  for (size_t i = 0; i < OXIM_MAX_PARAMS; ++i) {
    if (i < params.size() && !params[i].empty()) {
      std::strncpy(block[i], params[i].c_str(), OXIM_PARAM_SIZE - 1);
    } else {
      block[i][0] = static_cast<char>(OXIM_PARAM_NOT_GIVEN);
    }
  }
  return OXIM_do_action(group, command, &block[0][0], nullptr);
}

}  // namespace oxim::testing
