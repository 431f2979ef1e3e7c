// Interactive mode; see shell.h.
#include "shell.h"

#include <readline/history.h>
#include <readline/readline.h>
#include <strings.h>

#include <cstdlib>
#include <cstring>
#include <iostream>

#include "commands.h"

namespace oximctl {
namespace {

const char* const kCommands[] = {"tree", "get", "set", "describe", "run", "info", "help", "exit"};

TreeClient* g_client = nullptr;  // readline's completion callbacks take no context
std::vector<std::string> g_matches;

bool starts_with_ignoring_case(const std::string& text, const std::string& prefix) {
  return text.size() >= prefix.size() &&
         strncasecmp(text.c_str(), prefix.c_str(), prefix.size()) == 0;
}

void print_help(std::ostream& out) {
  out << "commands:\n"
         "  tree [PATH] [DEPTH]         outline of the tree below PATH\n"
         "  get PATH/Property           read a property\n"
         "  set PATH/Property VALUE     write a property\n"
         "  describe PATH               description, type, range, parameters\n"
         "  run PATH/Command [Name=Value ...]\n"
         "  info                        library and adapter summary\n"
         "  exit\n"
         "Tab completes commands, paths and parameter names.\n";
}

int dispatch(TreeClient& client, Output& output, const std::vector<std::string>& words) {
  const std::string& verb = words[0];
  auto arg = [&](size_t i) { return i < words.size() ? words[i] : std::string(); };
  if (verb == "help") {
    print_help(output.out);
    return kExitOk;
  }
  if (verb == "tree") {
    std::optional<int> depth;
    if (words.size() > 2) depth = std::atoi(words[2].c_str());
    return run_tree(client, output, words.size() > 1 ? words[1] : "ROOT", depth, true);
  }
  if (verb == "get" && words.size() == 2) return run_get(client, output, arg(1));
  if (verb == "set" && words.size() == 3) return run_set(client, output, arg(1), arg(2));
  if (verb == "describe" && words.size() == 2) return run_describe(client, output, arg(1));
  if (verb == "run" && words.size() >= 2) {
    return run_command(client, output, arg(1),
                       std::vector<std::string>(words.begin() + 2, words.end()));
  }
  if (verb == "info" && words.size() == 1) return run_info(client, output);
  output.err << "oximctl: usage: " << verb << " with " << words.size() - 1
             << " arguments; type help\n";
  return kExitUsage;
}

char* next_match(const char*, int state) {
  static size_t index = 0;
  if (state == 0) index = 0;
  if (index >= g_matches.size()) return nullptr;
  return strdup(g_matches[index++].c_str());
}

char** readline_completion(const char*, int, int end) {
  rl_attempted_completion_over = 1;
  g_matches = complete(*g_client, std::string(rl_line_buffer, static_cast<size_t>(end)));
  // Paths go on after a "/", parameters after "="; do not add a blank there.
  rl_completion_append_character = (g_matches.size() == 1 && !g_matches[0].empty() &&
                                    (g_matches[0].back() == '/' || g_matches[0].back() == '='))
                                       ? '\0'
                                       : ' ';
  return rl_completion_matches("", next_match);
}

}  // namespace

std::vector<std::string> split_words(const std::string& line) {
  std::vector<std::string> words;
  std::string word;
  bool in_word = false;
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (c == '\\' && i + 1 < line.size()) {
      word += line[++i];
      in_word = true;
    } else if (c == '"') {
      quoted = !quoted;
      in_word = true;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (in_word) words.push_back(word);
      word.clear();
      in_word = false;
    } else {
      word += c;
      in_word = true;
    }
  }
  if (in_word) words.push_back(word);
  return words;
}

std::vector<std::string> complete(TreeClient& client, const std::string& line) {
  std::vector<std::string> words = split_words(line);
  const bool new_word = line.empty() || line.back() == ' ';
  if (new_word) words.emplace_back();
  const std::string& current = words.back();
  std::vector<std::string> matches;
  if (words.size() == 1) {
    for (const char* command : kCommands) {
      if (starts_with_ignoring_case(command, current)) matches.push_back(command);
    }
    return matches;
  }
  if (words[0] == "run" && words.size() > 2) {  // parameter names of the command
    Resolved command = client.resolve(words[1]);
    if (!command.node || command.node->kind != OXIM_KIND_COMMAND) return matches;
    for (const Param& param : command.node->params) {
      if (starts_with_ignoring_case(param.name, current)) matches.push_back(param.name + "=");
    }
    return matches;
  }
  if (words.size() != 2) return matches;
  // A path: complete the last component among the children of the rest.
  const size_t slash = current.rfind('/');
  const std::string directory = slash == std::string::npos ? "" : current.substr(0, slash);
  const std::string prefix = slash == std::string::npos ? current : current.substr(slash + 1);
  Resolved parent = client.resolve(directory);
  if (!parent.node || parent.node->kind != OXIM_KIND_GROUP) return matches;
  const std::string lead = directory.empty() ? "" : directory + "/";
  for (uint32_t kind : {OXIM_KIND_GROUP, OXIM_KIND_PROPERTY, OXIM_KIND_COMMAND}) {
    for (const NodeInfo& child : client.children(*parent.node, kind)) {
      if (!starts_with_ignoring_case(child.name, prefix)) continue;
      matches.push_back(lead + child.name + (kind == OXIM_KIND_GROUP ? "/" : ""));
    }
  }
  return matches;
}

int run_shell(TreeClient& client, bool json) {
  g_client = &client;
  rl_attempted_completion_function = readline_completion;
  rl_completer_word_break_characters = const_cast<char*>(" \t");
  Output output{std::cout, std::cerr, json};
  int status = kExitOk;
  while (char* raw = readline("oximctl> ")) {
    std::string line(raw);
    std::free(raw);
    std::vector<std::string> words = split_words(line);
    if (words.empty()) continue;
    add_history(line.c_str());
    if (words[0] == "exit" || words[0] == "quit") break;
    status = dispatch(client, output, words);
    std::cout.flush();
  }
  g_client = nullptr;
  return status;
}

}  // namespace oximctl
