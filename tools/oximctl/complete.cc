// Completion; see complete.h.
#include "complete.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <ostream>

#include "adapter.h"
#include "commands.h"
#include "words.h"

namespace oximctl {
namespace {

bool starts_with_ignoring_case(const std::string& text, const std::string& prefix) {
  return text.size() >= prefix.size() &&
         strncasecmp(text.c_str(), prefix.c_str(), prefix.size()) == 0;
}

bool is_option_word(const std::string& word) {
  return word == "-h" || (word.size() > 2 && word.rfind("--", 0) == 0);
}

std::string option_name(const std::string& word) { return word.substr(0, word.find('=')); }

bool takes_value(const CommandSpec* command, const std::string& name) {
  if (command == nullptr) return name == "--adapter" || name == "--root";
  for (const OptionSpec& option : command->options) {
    if (name == option.name) return option.value_name != nullptr;
  }
  return false;
}

// Names in the directory of prefix that begin with the rest of it; with a
// "/" after directories.
std::vector<std::string> file_names(const std::string& prefix, bool directories_only) {
  std::vector<std::string> names;
  const size_t slash = prefix.rfind('/');
  const std::string directory = slash == std::string::npos ? "" : prefix.substr(0, slash + 1);
  const std::string start = slash == std::string::npos ? prefix : prefix.substr(slash + 1);
  std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(directory.empty() ? "." : directory.c_str()),
                                          closedir);
  if (!dir) return names;
  while (const dirent* entry = readdir(dir.get())) {
    const std::string name = entry->d_name;
    if (name == "." || name == ".." || name.rfind(start, 0) != 0) continue;
    if (name[0] == '.' && (start.empty() || start[0] != '.')) continue;
    struct stat info;
    const bool is_directory = stat((directory + name).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
    if (directories_only && !is_directory) continue;
    names.push_back(directory + name + (is_directory ? "/" : ""));
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Paths of the children of the typed path's directory part whose name
// begins with its last component; groups end with "/".
std::vector<std::string> paths(TreeClient* client, const std::string& typed,
                               std::initializer_list<uint32_t> kinds, bool writable_only) {
  std::vector<std::string> matches;
  if (client == nullptr) return matches;
  const size_t slash = typed.rfind('/');
  const std::string directory = slash == std::string::npos ? "" : typed.substr(0, slash);
  const std::string prefix = slash == std::string::npos ? typed : typed.substr(slash + 1);
  Resolved parent = client->resolve(directory);
  if (!parent.node || parent.node->kind != OXIM_KIND_GROUP) return matches;
  const std::string lead = slash == std::string::npos ? "" : directory + "/";
  for (uint32_t kind : {OXIM_KIND_GROUP, OXIM_KIND_PROPERTY, OXIM_KIND_COMMAND}) {
    if (std::find(kinds.begin(), kinds.end(), kind) == kinds.end() && kind != OXIM_KIND_GROUP) {
      continue;
    }
    for (const NodeInfo& child : client->children(*parent.node, kind)) {
      if (!starts_with_ignoring_case(child.name, prefix)) continue;
      if (kind == OXIM_KIND_PROPERTY && writable_only && !child.writable) continue;
      matches.push_back(lead + child.name + (kind == OXIM_KIND_GROUP ? "/" : ""));
    }
  }
  return matches;
}

std::vector<std::string> list_values(const std::string& valid_values) {
  std::vector<std::string> values;
  for (size_t start = 0; start <= valid_values.size();) {
    size_t comma = valid_values.find(',', start);
    if (comma == std::string::npos) comma = valid_values.size();
    if (comma > start) values.push_back(valid_values.substr(start, comma - start));
    start = comma + 1;
  }
  return values;
}

// Candidates for the word current at the position after the words before.
std::vector<std::string> candidates(const std::vector<std::string>& before,
                                    const std::string& current, Context context,
                                    const std::function<TreeClient*()>& client) {
  std::vector<std::string> found;
  auto offer = [&](const std::string& candidate) {
    if (starts_with_ignoring_case(candidate, current)) found.push_back(candidate);
  };
  // Walk what is typed: options before the command, the command, then its
  // options and arguments.
  const CommandSpec* command = nullptr;
  bool have_verb = false;
  bool options_ended = false;
  std::string pending;  // an option whose value the next word is
  std::vector<std::string> args;
  for (size_t i = context == Context::kCommandLine ? 1 : 0; i < before.size(); ++i) {
    const std::string& word = before[i];
    if (!pending.empty()) {
      pending.clear();
    } else if (!options_ended && have_verb && word == "--") {
      options_ended = true;
    } else if (!options_ended && is_option_word(word)) {
      if (word.find('=') == std::string::npos && takes_value(command, option_name(word))) {
        pending = word;
      }
    } else if (!have_verb) {
      have_verb = true;
      command = find_command(word);
      if (command == nullptr) return found;  // unknown command: nothing to offer
    } else {
      args.push_back(word);
    }
  }
  if (pending == "--adapter") {
    for (const char* adapter : {"host", "emulator", "emulator:"}) offer(adapter);
    if (current.rfind("emulator:", 0) == 0) {
      for (const std::string& file : file_names(current.substr(9), false)) {
        found.push_back("emulator:" + file);
      }
    }
    return found;
  }
  if (pending == "--root") return file_names(current, true);
  if (pending == "--config") return file_names(current, false);
  if (!pending.empty()) return found;  // a number
  if (!have_verb) {
    if (!current.empty() && current[0] == '-') {
      for (const OptionSpec& option : global_options()) {
        if (context == Context::kCommandLine || option.value_name == nullptr) offer(option.name);
      }
      return found;
    }
    for (const CommandSpec& candidate : commands()) {
      if (context == Context::kShell && candidate.verb == Verb::kShell) continue;
      offer(candidate.name);
    }
    if (context == Context::kShell) offer("exit");
    return found;
  }
  if (!options_ended && !current.empty() && current[0] == '-') {
    for (const OptionSpec& option : command->options) offer(option.name);
    offer("--json");
    offer("--help");
    return found;
  }
  const size_t position = args.size();
  switch (command->verb) {
    case Verb::kTree:
    case Verb::kRefresh:
      if (position == 0) return paths(client(), current, {OXIM_KIND_GROUP}, false);
      break;
    case Verb::kGet:
    case Verb::kWatch:
      if (position == 0) return paths(client(), current, {OXIM_KIND_PROPERTY}, false);
      break;
    case Verb::kDescribe:
      if (position == 0) {
        return paths(client(), current, {OXIM_KIND_PROPERTY, OXIM_KIND_COMMAND}, false);
      }
      break;
    case Verb::kSet:
      if (position == 0) return paths(client(), current, {OXIM_KIND_PROPERTY}, true);
      if (position == 1 && client() != nullptr) {
        Resolved property = client()->resolve(args[0]);
        if (property.node && property.node->kind == OXIM_KIND_PROPERTY) {
          for (const std::string& value : list_values(property.node->valid_values)) offer(value);
        }
      }
      break;
    case Verb::kRun: {
      if (position == 0) return paths(client(), current, {OXIM_KIND_COMMAND}, false);
      if (client() == nullptr) break;
      Resolved resolved = client()->resolve(args[0]);
      if (!resolved.node || resolved.node->kind != OXIM_KIND_COMMAND) break;
      const size_t equals = current.find('=');
      for (const Param& param : resolved.node->params) {
        if (equals == std::string::npos) {
          bool given = false;
          for (size_t i = 1; i < args.size(); ++i) {
            given |= starts_with_ignoring_case(args[i], param.name + "=");
          }
          if (!given) offer(param.name + "=");
        } else if (strcasecmp(current.substr(0, equals).c_str(), param.name.c_str()) == 0) {
          for (const std::string& value : list_values(param.valid_values)) {
            offer(current.substr(0, equals + 1) + value);
          }
        }
      }
      break;
    }
    case Verb::kEmulator:
      if (position == 0) {
        for (const std::string& action : emulator_actions()) offer(action);
      } else if ((position == 2 && (args[0] == "target" || args[0] == "host")) ||
                 (position == 1 && args[0] == "dhcp")) {
        offer("on");
        offer("off");
      } else if (position == 2 && args[0] == "link") {
        offer("up");
        offer("down");
      } else if (position == 2 && args[0] == "region") {
        offer("2");
        offer("3");
      }
      break;
    case Verb::kHelp:
      if (position == 0) {
        for (const CommandSpec& candidate : commands()) offer(candidate.name);
      }
      break;
    default: break;
  }
  return found;
}

}  // namespace

Completion complete_line(const std::string& line, Context context,
                         const std::function<TreeClient*()>& client) {
  SplitLine split = split_line(line);
  Completion completion;
  std::vector<std::string> words = split.words;
  if (!split.ends_in_word) words.emplace_back();
  completion.replace_from = split.last_word_start;
  const std::string current = words.back();
  words.pop_back();
  for (const std::string& candidate : candidates(words, current, context, client)) {
    completion.candidates.push_back(quote_word(candidate));
  }
  return completion;
}

bool continues(const std::string& candidate) {
  return !candidate.empty() &&
         (candidate.back() == '/' || candidate.back() == '=' || candidate.back() == ':');
}

int run_complete(const std::vector<std::string>& words, std::ostream& out) {
  const std::string line = words.empty() ? "" : words[0];
  // The adapter and root the command would use.
  SplitLine split = split_line(line);
  std::optional<std::string> adapter;
  std::optional<std::string> root;
  for (size_t i = 1; i + 1 < split.words.size() && is_option_word(split.words[i]); ++i) {
    const std::string name = option_name(split.words[i]);
    const size_t equals = split.words[i].find('=');
    std::optional<std::string>& slot = name == "--adapter" ? adapter : root;
    if (name != "--adapter" && name != "--root") continue;
    slot = equals != std::string::npos ? split.words[i].substr(equals + 1) : split.words[++i];
  }
  if (adapter && !valid_adapter(*adapter)) adapter.reset();
  std::unique_ptr<TreeClient> started;
  bool tried = false;
  auto client = [&]() -> TreeClient* {
    if (!tried) {
      tried = true;
      choose_adapter(adapter, root);
      started = std::make_unique<TreeClient>();
    }
    return started && started->ok() ? started.get() : nullptr;
  };
  Completion completion = complete_line(line, Context::kCommandLine, client);
  out << line.size() - completion.replace_from << "\n";
  for (const std::string& candidate : completion.candidates) out << candidate << "\n";
  return kExitOk;
}

}  // namespace oximctl
