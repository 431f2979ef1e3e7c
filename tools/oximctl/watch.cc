// oximctl watch: the changes below a path, seen by refreshing the groups
// and re-reading every property value each round. The adapter changes on
// its own (a session is lost, a NIC function goes away), and the library
// shows it only after a refresh of the group that holds it.
//
// Nodes are known by path, never by tag: a refresh rebuilds children and
// tags are reused.
#include <ctime>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "commands.h"
#include "json_text.h"
#include "signals.h"

namespace oximctl {
namespace {

// What is below the path in one round: group paths (with a trailing "/")
// and property paths with their values, in outline order (a group before
// what it holds).
struct Snapshot {
  std::vector<std::string> order;
  std::map<std::string, std::string> values;
  size_t groups = 0;

  void add(const std::string& key, std::string value) {
    if (values.emplace(key, std::move(value)).second) order.push_back(key);
  }
};

bool is_group_key(const std::string& key) { return !key.empty() && key.back() == '/'; }

std::string read_value(TreeClient& client, const NodeInfo& property) {
  auto [value, failure] = client.get(property);
  return failure ? "<" + failure->describe() + ">" : value;
}

enum class Walk { kDone, kStopped, kRebuilt };

// Refreshes the group at path and walks what it holds. A read can make the
// library rebuild the tree (when the adapter's functions changed), which
// leaves the tags in hand naming other nodes: the group's tag is checked
// again after its properties are read, and a changed one means the round
// must start over.
Walk walk(TreeClient& client, const std::string& path, Snapshot& snapshot) {
  Resolved group = client.resolve(path);
  if (!group.node) return Walk::kDone;  // gone since its parent was listed
  // A group whose refresh fails still shows what it holds.
  client.refresh(*group.node);
  group = client.resolve(path);
  if (!group.node) return Walk::kDone;
  snapshot.add(path + "/", "");
  ++snapshot.groups;
  for (const NodeInfo& property : client.children(*group.node, OXIM_KIND_PROPERTY)) {
    if (StopSignals::caught() != 0) return Walk::kStopped;
    snapshot.add(property.path, read_value(client, property));
  }
  const std::vector<NodeInfo> children = client.children(*group.node, OXIM_KIND_GROUP);
  Resolved again = client.resolve(path);
  if (!again.node || again.node->tag != group.node->tag) return Walk::kRebuilt;
  for (const NodeInfo& child : children) {
    if (StopSignals::caught() != 0) return Walk::kStopped;
    if (Walk result = walk(client, child.path, snapshot); result != Walk::kDone) return result;
  }
  return Walk::kDone;
}

// One round: false when a stop signal cut it short. An empty snapshot when
// the path is gone.
bool take(TreeClient& client, const std::string& path, Snapshot& snapshot) {
  constexpr int kAttempts = 3;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    snapshot = Snapshot();
    Resolved resolved = client.resolve(path);
    if (!resolved.node) return true;
    const NodeInfo& node = *resolved.node;
    if (node.kind == OXIM_KIND_PROPERTY) {
      Resolved parent = client.resolve(TreeClient::parent_path(node.path));
      if (parent.node) client.refresh(*parent.node);
      if (Resolved again = client.resolve(path); again.node) {
        snapshot.add(again.node->path, read_value(client, *again.node));
      }
      return true;
    }
    if (node.kind != OXIM_KIND_GROUP) return true;
    const Walk result = walk(client, node.path, snapshot);
    if (result != Walk::kRebuilt) return result == Walk::kDone;
  }
  return true;  // the tree kept changing: what the last attempt saw
}

class Reporter {
 public:
  explicit Reporter(Output& output) : output_(output) {
    const std::time_t now = std::time(nullptr);
    std::tm local = {};
    std::tm utc = {};
    localtime_r(&now, &local);
    gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%H:%M:%S", &local);
    clock_ = text;
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    timestamp_ = text;
  }

  void value(const std::string& path, const std::string& before, const std::string& after) {
    if (output_.json) {
      print_json(output_.out,
                 json({{"time", timestamp_},
                       {"change", "changed"},
                       {"path", path},
                       {"old", before},
                       {"new", after}}),
                 true);
    } else {
      output_.out << clock_ << " " << path << ": " << before << " -> " << after << "\n";
    }
  }

  // A value as it is (--values).
  void current(const std::string& key, const std::string& value) {
    if (is_group_key(key)) return;
    if (output_.json) {
      print_json(
          output_.out,
          json({{"time", timestamp_}, {"change", "current"}, {"path", key}, {"value", value}}),
          true);
    } else {
      output_.out << clock_ << " " << key << " = " << value << "\n";
    }
  }

  void node(const std::string& key, bool added) {
    const bool group = is_group_key(key);
    const std::string path = group ? key.substr(0, key.size() - 1) : key;
    if (output_.json) {
      print_json(output_.out,
                 json({{"time", timestamp_},
                       {"change", added ? "added" : "removed"},
                       {"path", path},
                       {"kind", group ? "group" : "property"}}),
                 true);
    } else {
      output_.out << clock_ << " " << (added ? "+ " : "- ") << key << "\n";
    }
  }

 private:
  Output& output_;
  std::string clock_;
  std::string timestamp_;
};

// Prints what differs between two rounds: what went away, then what
// appeared or changed, in outline order. Of a group that appears or goes
// away, only the group is named; with values, the values of one that
// appears follow it.
void report(Output& output, const Snapshot& before, const Snapshot& after, bool values) {
  Reporter reporter(output);
  std::string gone_group;
  for (const std::string& key : before.order) {
    if (after.values.count(key) != 0) continue;
    if (!gone_group.empty() && key.rfind(gone_group, 0) == 0) continue;
    reporter.node(key, false);
    if (is_group_key(key)) gone_group = key;
  }
  std::string new_group;
  for (const std::string& key : after.order) {
    auto old = before.values.find(key);
    if (old == before.values.end()) {
      if (!new_group.empty() && key.rfind(new_group, 0) == 0) {
        if (values) reporter.current(key, after.values.at(key));
        continue;
      }
      reporter.node(key, true);
      if (is_group_key(key)) new_group = key;
    } else if (!is_group_key(key) && old->second != after.values.at(key)) {
      reporter.value(key, old->second, after.values.at(key));
    }
  }
  output.out.flush();
}

}  // namespace

int run_watch(TreeClient& client, Output& output, const std::string& path, double interval,
              std::optional<int> count, bool values) {
  Resolved resolved = client.resolve(path);
  if (!resolved.node) {
    std::string what = resolved.error;
    if (!resolved.suggestions.empty()) what += "; did you mean " + resolved.suggestions[0] + "?";
    return report_error(output, what, kExitFailed);
  }
  if (resolved.node->kind != OXIM_KIND_GROUP && resolved.node->kind != OXIM_KIND_PROPERTY) {
    return report_error(output,
                        resolved.node->path + " is a " + kind_name(resolved.node->kind) +
                            "; watch takes a group or a property",
                        kExitFailed);
  }
  const std::string watched = resolved.node->path;
  StopSignals stop;
  StopSignals::clear();
  Snapshot current;
  if (!take(client, watched, current)) return kExitOk;
  output.err << "oximctl: watching " << watched;
  if (current.groups > 0) {
    output.err << " (" << current.values.size() - current.groups << " properties in "
               << current.groups << " groups)";
  }
  output.err << " every " << interval << " s; Ctrl-C stops\n";
  output.err.flush();
  if (values) {
    Reporter reporter(output);
    for (const std::string& key : current.order) reporter.current(key, current.values.at(key));
    output.out.flush();
  }
  for (int round = 0; !count || round < *count; ++round) {
    if (StopSignals::wait(-1, interval) < 0 || StopSignals::caught() != 0) break;
    Snapshot next;
    if (!take(client, watched, next)) break;
    report(output, current, next, values);
    current = std::move(next);
  }
  return kExitOk;
}

}  // namespace oximctl
