// A C++ view of the library's public tree interface for the command-line
// client: paths of display names, node details, property values, commands
// with named parameters, and the last status. It links only liboxim.so and
// its public header.
#ifndef OXIM_TOOLS_OXIMCTL_TREE_CLIENT_H_
#define OXIM_TOOLS_OXIMCTL_TREE_CLIENT_H_

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "oxim/oxim.h"

namespace oximctl {

// A failed library call: its status, and the last status code and message.
struct Failure {
  uint32_t status = 0;
  uint32_t code = 0;
  std::string message;
  // "status 1 (last status 6: Invalid value.)"; for a property or command
  // whose handler the library does not implement yet (last status 3),
  // kNotImplemented.
  std::string describe() const;
};

inline constexpr char kNotImplemented[] = "not available (handler not implemented yet)";

struct Param {
  std::string name;
  bool required = false;
  std::string description;
  uint8_t data_type = 0;
  int32_t minimum = 0;
  int32_t maximum = 0;
  std::string valid_values;
};

struct NodeInfo {
  uint32_t tag = 0;
  uint32_t kind = 0;
  std::string name;  // display name
  std::string path;  // "ROOT/Quellfire0/..."
  std::string description;
  uint8_t data_type = 0;  // properties only
  int32_t minimum = 0;
  int32_t maximum = 0;
  std::string valid_values;
  bool writable = false;
  std::vector<Param> params;  // commands only
};

// Names of kinds and data types as the client prints them.
const char* kind_name(uint32_t kind);
const char* type_name(uint8_t data_type);

// The outcome of resolving a path: the node, or what went wrong with the
// closest existing names.
struct Resolved {
  std::optional<NodeInfo> node;
  std::string error;
  std::vector<std::string> suggestions;
};

class TreeClient {
 public:
  // Initialises the library (one client); check ok() afterwards.
  TreeClient();
  ~TreeClient();
  TreeClient(const TreeClient&) = delete;
  TreeClient& operator=(const TreeClient&) = delete;

  bool ok() const { return init_status_ == OXIM_STATUS_SUCCESS; }
  const Failure& init_failure() const { return init_failure_; }

  // Paths are display names joined by "/", from the root, case ignored,
  // with or without a leading "ROOT".
  Resolved resolve(const std::string& path);
  NodeInfo info(uint32_t tag, const std::string& path);
  // Children by kind (OXIM_KIND_GROUP, _PROPERTY, _COMMAND), in tree order.
  std::vector<NodeInfo> children(const NodeInfo& group, uint32_t kind);

  // Reads / writes a property; the group is the property's parent.
  std::pair<std::string, std::optional<Failure>> get(const NodeInfo& property);
  std::optional<Failure> set(const NodeInfo& property, const std::string& value);
  // Runs a group's refresh, which rebuilds its dynamic children.
  std::optional<Failure> refresh(const NodeInfo& group);
  // Runs a command; values[i] is the text of parameter i or nullopt for
  // "not given". On success, the paths of the groups it created.
  std::pair<std::vector<std::string>, std::optional<Failure>> run(
      const NodeInfo& command, const std::vector<std::optional<std::string>>& values);

  static std::string parent_path(const std::string& path);

  // What a call that succeeded left in the last status (a note such as
  // "nothing changed" or "reboot for the change to take effect"); nullopt
  // when it left none.
  std::optional<Failure> last_note() const;

 private:
  Failure last_failure(uint32_t status) const;
  std::string path_of(uint32_t tag);

  uint32_t init_status_;
  Failure init_failure_;
};

// Splits a path into its components, dropping a leading "ROOT" and empty
// components.
std::vector<std::string> split_path(const std::string& path);

// The names among candidates closest to name (edit distance, case ignored),
// at most three, closest first.
std::vector<std::string> closest_names(const std::string& name,
                                       const std::vector<std::string>& candidates);

}  // namespace oximctl

#endif  // OXIM_TOOLS_OXIMCTL_TREE_CLIENT_H_
