// The operations of oximctl; see commands.h.
#include "commands.h"

#include <strings.h>

#include <cstdlib>
#include <ostream>

#include "json_text.h"
#include "log_tail.h"

namespace oximctl {
namespace {

// What a failed library call left in the log: its error-level lines, at
// most kMaxLogLines of them, and a hint when the log level kept the cause
// out of a log the library's message points to.
struct LogReport {
  std::vector<std::string> lines;
  size_t more = 0;
  std::string hint;
};

LogReport read_log(TreeClient& client, const LogTail& tail, const Failure& failure) {
  LogReport report;
  std::vector<std::string> lines = tail.appended(true);
  if (lines.size() > kMaxLogLines) {
    report.more = lines.size() - kMaxLogLines;
    lines.resize(kMaxLogLines);
  }
  report.lines = std::move(lines);
  if (report.lines.empty() && failure.message.find("oxim2d.log") != std::string::npos) {
    Resolved level = client.resolve("OXIMDebugLevel");
    std::string value = level.node ? client.get(*level.node).first : "";
    if (!value.empty() && std::strtol(value.c_str(), nullptr, 10) < 3) {
      report.hint = "the library logs the causes of failures at log level 3 or more; it is " +
                    value + " (oximctl set OXIMDebugLevel 3)";
    }
  }
  return report;
}

// Prints a failure: one line on err, and with JSON the error document on
// out; a failed library call adds its last status and what it logged.
int fail(Output& output, const std::string& what, const std::optional<Failure>& failure = {},
         int exit_code = kExitFailed, const LogReport* log = nullptr) {
  if (output.json) {
    json error = {{"error", what}};
    if (failure) {
      error["status"] = failure->status;
      error["code"] = failure->code;
      error["message"] = failure->message;
    }
    if (log != nullptr) error["log"] = log->lines;
    print_json(output.out, error);
  }
  output.err << "oximctl: " << what;
  if (failure) output.err << ": " << failure->describe();
  output.err << "\n";
  if (log != nullptr) {
    for (const std::string& line : log->lines) output.err << "oximctl: log: " << line << "\n";
    if (log->more > 0) {
      output.err << "oximctl: log: " << log->more << " more error lines in " << LogTail::path()
                 << "\n";
    }
    if (!log->hint.empty()) output.err << "oximctl: " << log->hint << "\n";
  }
  return exit_code;
}

// A failed get, set, run or refresh.
// After a set or run that succeeded: the note its handler left in the last
// status (that a reboot is needed, say), on standard error, and in the JSON
// document.
void add_note(TreeClient& client, Output& output, json* doc) {
  std::optional<Failure> note = client.last_note();
  if (!note) return;
  output.err << "oximctl: note: " << note->message << " (status " << note->code << ")\n";
  (*doc)["note"] = {{"code", note->code}, {"message", note->message}};
}

int fail_call(TreeClient& client, Output& output, const std::string& what, const Failure& failure,
              const LogTail& tail) {
  LogReport log = read_log(client, tail, failure);
  return fail(output, what, failure, kExitFailed, &log);
}

// Resolves a path or reports the unknown part with the closest names.
std::optional<NodeInfo> resolve(TreeClient& client, Output& output, const std::string& path) {
  Resolved resolved = client.resolve(path);
  if (resolved.node) return resolved.node;
  std::string what = resolved.error;
  if (!resolved.suggestions.empty()) {
    what += "; did you mean";
    for (size_t i = 0; i < resolved.suggestions.size(); ++i) {
      what += (i == 0 ? " " : ", ") + resolved.suggestions[i];
    }
    what += "?";
  }
  fail(output, what);
  return std::nullopt;
}

std::string range_text(const Param& param) {
  switch (param.data_type) {
    case OXIM_TYPE_TEXT:
      return "text of " + std::to_string(param.minimum) + ".." + std::to_string(param.maximum) +
             " characters";
    case OXIM_TYPE_INTEGER:
      return "integer " + std::to_string(param.minimum) + ".." + std::to_string(param.maximum);
    case OXIM_TYPE_LIST: return "one of \"" + param.valid_values + "\"";
    default: return type_name(param.data_type);
  }
}

Param as_param(const NodeInfo& property) {
  return {property.name,        false,
          property.description, property.data_type,
          property.minimum,     property.maximum,
          property.valid_values};
}

json param_json(const Param& param) {
  return {{"name", param.name},
          {"required", param.required},
          {"description", param.description},
          {"data_type", type_name(param.data_type)},
          {"minimum", param.minimum},
          {"maximum", param.maximum},
          {"valid_values", param.valid_values}};
}

std::string signature(const NodeInfo& command) {
  std::string text = command.name + "(";
  for (size_t i = 0; i < command.params.size(); ++i) {
    if (i > 0) text += ", ";
    text += command.params[i].name + (command.params[i].required ? "*" : "");
  }
  return text + ")";
}

// One node of the outline, as JSON and as indented text.
json outline(TreeClient& client, const NodeInfo& group, int depth_left, bool values,
             std::ostream* text, int indent) {
  json node = {{"name", group.name}, {"path", group.path}, {"kind", "group"}};
  json children = json::array();
  const std::string pad(static_cast<size_t>(indent) * 2, ' ');
  for (const NodeInfo& property : client.children(group, OXIM_KIND_PROPERTY)) {
    json item = {{"name", property.name},
                 {"path", property.path},
                 {"kind", "property"},
                 {"writable", property.writable}};
    std::string line = pad + property.name + (property.writable ? " [rw]" : "");
    if (values) {
      auto [value, failure] = client.get(property);
      if (failure) {
        item["error"] = failure->describe();
        line += " = <" + failure->describe() + ">";
      } else {
        item["value"] = value;
        line += " = " + value;
      }
    }
    if (text != nullptr) *text << line << "\n";
    children.push_back(item);
  }
  for (const NodeInfo& command : client.children(group, OXIM_KIND_COMMAND)) {
    json params = json::array();
    for (const Param& param : command.params) params.push_back(param_json(param));
    children.push_back(
        {{"name", command.name}, {"path", command.path}, {"kind", "command"}, {"params", params}});
    if (text != nullptr) *text << pad << signature(command) << "\n";
  }
  for (const NodeInfo& child : client.children(group, OXIM_KIND_GROUP)) {
    if (text != nullptr) *text << pad << child.name << "/\n";
    if (depth_left == 0) {
      children.push_back({{"name", child.name}, {"path", child.path}, {"kind", "group"}});
    } else {
      children.push_back(outline(client, child, depth_left - 1, values, text, indent + 1));
    }
  }
  node["children"] = children;
  return node;
}

}  // namespace

int report_error(Output& output, const std::string& what, int exit_code) {
  return fail(output, what, {}, exit_code);
}

int run_tree(TreeClient& client, Output& output, const std::string& path, std::optional<int> depth,
             bool values) {
  std::optional<NodeInfo> group = resolve(client, output, path);
  if (!group) return kExitFailed;
  if (group->kind != OXIM_KIND_GROUP) return fail(output, group->path + " is not a group");
  const int levels = depth ? *depth - 1 : -1;  // depth 1: the group's own children
  if (depth && *depth == 0) {
    if (output.json) {
      print_json(output.out,
                 json({{"name", group->name}, {"path", group->path}, {"kind", "group"}}));
    } else {
      output.out << group->path << "/\n";
    }
    return kExitOk;
  }
  if (output.json) {
    print_json(output.out, outline(client, *group, levels, values, nullptr, 0));
  } else {
    output.out << group->path << "/\n";
    outline(client, *group, levels, values, &output.out, 1);
  }
  return kExitOk;
}

int run_get(TreeClient& client, Output& output, const std::string& path) {
  std::optional<NodeInfo> property = resolve(client, output, path);
  if (!property) return kExitFailed;
  if (property->kind != OXIM_KIND_PROPERTY)
    return fail(output, property->path + " is not a property");
  const LogTail tail;
  auto [value, failure] = client.get(*property);
  if (failure) return fail_call(client, output, "cannot read " + property->path, *failure, tail);
  if (output.json) {
    print_json(output.out, json({{"path", property->path}, {"value", value}}));
  } else {
    output.out << value << "\n";
  }
  return kExitOk;
}

int run_set(TreeClient& client, Output& output, const std::string& path, const std::string& value) {
  if (value.size() >= OXIM_VALUE_SIZE) {
    return fail(output, "value longer than 255 characters", {}, kExitUsage);
  }
  std::optional<NodeInfo> property = resolve(client, output, path);
  if (!property) return kExitFailed;
  if (property->kind != OXIM_KIND_PROPERTY)
    return fail(output, property->path + " is not a property");
  const LogTail tail;
  if (std::optional<Failure> failure = client.set(*property, value)) {
    return fail_call(client, output, "cannot set " + property->path, *failure, tail);
  }
  json doc = {{"path", property->path}, {"value", value}};
  add_note(client, output, &doc);
  if (output.json) print_json(output.out, doc);
  return kExitOk;
}

int run_describe(TreeClient& client, Output& output, const std::string& path) {
  std::optional<NodeInfo> node = resolve(client, output, path);
  if (!node) return kExitFailed;
  if (output.json) {
    json doc = {{"path", node->path},
                {"name", node->name},
                {"kind", kind_name(node->kind)},
                {"description", node->description}};
    if (node->kind == OXIM_KIND_PROPERTY) {
      doc["data_type"] = type_name(node->data_type);
      doc["minimum"] = node->minimum;
      doc["maximum"] = node->maximum;
      doc["valid_values"] = node->valid_values;
      doc["writable"] = node->writable;
    } else if (node->kind == OXIM_KIND_COMMAND) {
      json params = json::array();
      for (const Param& param : node->params) params.push_back(param_json(param));
      doc["params"] = params;
    }
    print_json(output.out, doc);
    return kExitOk;
  }
  output.out << node->path << " (" << kind_name(node->kind) << ")\n";
  output.out << "  " << node->description << "\n";
  if (node->kind == OXIM_KIND_PROPERTY) {
    output.out << "  " << (node->writable ? "read-write" : "read-only") << ", "
               << range_text(as_param(*node)) << "\n";
  } else if (node->kind == OXIM_KIND_COMMAND) {
    if (node->params.empty()) output.out << "  no parameters\n";
    for (const Param& param : node->params) {
      output.out << "  " << param.name << (param.required ? " (required)" : "") << ": "
                 << range_text(param) << "\n      " << param.description << "\n";
    }
  }
  return kExitOk;
}

int run_command(TreeClient& client, Output& output, const std::string& path,
                const std::vector<std::string>& assignments) {
  std::optional<NodeInfo> command = resolve(client, output, path);
  if (!command) return kExitFailed;
  if (command->kind != OXIM_KIND_COMMAND) return fail(output, command->path + " is not a command");
  std::string expected = "parameters of " + command->name + ":";
  for (const Param& param : command->params) {
    expected += " " + param.name + (param.required ? "*" : "");
  }
  if (command->params.empty()) expected += " none";
  std::vector<std::optional<std::string>> values(command->params.size());
  for (const std::string& assignment : assignments) {
    const size_t equals = assignment.find('=');
    if (equals == std::string::npos) {
      return fail(output, "'" + assignment + "' is not Name=Value; " + expected, {}, kExitUsage);
    }
    const std::string name = assignment.substr(0, equals);
    size_t index = 0;
    while (index < command->params.size() &&
           strcasecmp(command->params[index].name.c_str(), name.c_str()) != 0) {
      ++index;
    }
    if (index == command->params.size()) {
      return fail(output, "unknown parameter '" + name + "'; " + expected, {}, kExitUsage);
    }
    if (values[index]) {
      return fail(output, command->params[index].name + " given twice; give each parameter once",
                  {}, kExitUsage);
    }
    values[index] = assignment.substr(equals + 1);
    if (values[index]->size() >= OXIM_PARAM_SIZE) {
      return fail(output, name + " longer than 255 characters", {}, kExitUsage);
    }
  }
  for (size_t i = 0; i < command->params.size(); ++i) {
    if (command->params[i].required && !values[i]) {
      return fail(output, "missing parameter " + command->params[i].name + "; " + expected, {},
                  kExitUsage);
    }
  }
  const LogTail tail;
  auto [created, failure] = client.run(*command, values);
  if (failure) return fail_call(client, output, command->path + " failed", *failure, tail);
  json doc = {{"path", command->path}, {"created", created}};
  add_note(client, output, &doc);
  if (output.json) {
    print_json(output.out, doc);
  } else {
    for (const std::string& path_created : created) output.out << path_created << "\n";
  }
  return kExitOk;
}

int run_info(TreeClient& client, Output& output) {
  NodeInfo root = client.info(OXIM_ROOT_TAG, "ROOT");
  json library = json::object();
  for (const NodeInfo& property : client.children(root, OXIM_KIND_PROPERTY)) {
    auto [value, failure] = client.get(property);
    if (!failure) library[property.name] = value;
  }
  json controllers = json::array();
  for (const NodeInfo& controller : client.children(root, OXIM_KIND_GROUP)) {
    json entry = {{"path", controller.path}};
    for (const NodeInfo& property : client.children(controller, OXIM_KIND_PROPERTY)) {
      for (const char* wanted : {"Description", "ModelNumber", "SerialNumber",
                                 "ActiveFirmwareVersion", "ControllerStatus"}) {
        if (property.name != wanted) continue;
        auto [value, failure] = client.get(property);
        if (!failure) entry[property.name] = value;
      }
    }
    json functions = json::array();
    for (const NodeInfo& function : client.children(controller, OXIM_KIND_GROUP)) {
      if (function.name.find("PhysicalHBA") != std::string::npos)
        functions.push_back(function.name);
    }
    entry["functions"] = functions;
    controllers.push_back(entry);
  }
  // What the library does not implement yet: the commands and properties
  // that answer "not available (handler not implemented yet)".
  std::vector<char> names(1 << 16);
  uint32_t count = 0;
  json unimplemented = json::array();
  if (OXIM_get_unimplemented_handlers(names.data(), static_cast<uint32_t>(names.size()), &count) !=
      OXIM_STATUS_FAILURE) {
    std::string all(names.data());
    for (size_t start = 0, end; (end = all.find('\n', start)) != std::string::npos;
         start = end + 1) {
      unimplemented.push_back(all.substr(start, end - start));
    }
  }
  if (output.json) {
    print_json(output.out, json({{"library", library},
                                 {"controllers", controllers},
                                 {"unimplemented_handlers", unimplemented}}));
    return kExitOk;
  }
  for (auto& [name, value] : library.items()) {
    output.out << name << ": " << value.get<std::string>() << "\n";
  }
  if (controllers.empty()) output.out << "no adapter controllers found\n";
  for (const json& controller : controllers) {
    output.out << controller["path"].get<std::string>() << "\n";
    for (auto& [name, value] : controller.items()) {
      if (name == "path" || name == "functions") continue;
      output.out << "  " << name << ": " << value.get<std::string>() << "\n";
    }
    std::string functions;
    for (const json& function : controller["functions"]) {
      functions += (functions.empty() ? "" : ", ") + function.get<std::string>();
    }
    output.out << "  functions: " << (functions.empty() ? "none" : functions) << "\n";
  }
  output.out << "handlers not implemented yet: " << count << " (oximctl --json info lists them)\n";
  return kExitOk;
}

int run_refresh(TreeClient& client, Output& output, const std::string& path) {
  std::optional<NodeInfo> group = resolve(client, output, path);
  if (!group) return kExitFailed;
  if (group->kind != OXIM_KIND_GROUP) return fail(output, group->path + " is not a group");
  const LogTail tail;
  if (std::optional<Failure> failure = client.refresh(*group)) {
    return fail_call(client, output, "cannot refresh " + group->path, *failure, tail);
  }
  if (output.json) print_json(output.out, json({{"path", group->path}}));
  return kExitOk;
}

int execute(TreeClient& client, Output& output, const Invocation& invocation) {
  const std::vector<std::string>& args = invocation.args;
  auto arg = [&](size_t i) { return i < args.size() ? args[i] : std::string(); };
  switch (invocation.command->verb) {
    case Verb::kTree:
      return run_tree(client, output, args.empty() ? "ROOT" : args[0], invocation.depth,
                      invocation.values);
    case Verb::kGet: return run_get(client, output, arg(0));
    case Verb::kSet: return run_set(client, output, arg(0), arg(1));
    case Verb::kDescribe: return run_describe(client, output, arg(0));
    case Verb::kRun:
      return run_command(client, output, arg(0),
                         std::vector<std::string>(args.begin() + 1, args.end()));
    case Verb::kRefresh: return run_refresh(client, output, arg(0));
    case Verb::kWatch:
      return run_watch(client, output, arg(0), invocation.interval.value_or(2.0), invocation.count,
                       invocation.values);
    case Verb::kInfo: return run_info(client, output);
    default: return report_error(output, "not a command to run here", kExitUsage);
  }
}

}  // namespace oximctl
