// The grammar of oximctl; see cli.h.
#include "cli.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "tree_client.h"

namespace oximctl {
namespace {

constexpr double kMinInterval = 0.1;
constexpr double kMaxInterval = 86400;

const OptionSpec kJsonOption = {"--json", nullptr, "print JSON"};
const OptionSpec kHelpOption = {"--help", nullptr, "this help (also -h)"};

std::string command_names() {
  std::string names;
  for (const CommandSpec& command : commands()) {
    names += (names.empty() ? "" : ", ") + std::string(command.name);
  }
  return names;
}

std::string did_you_mean(const std::string& word, const std::vector<std::string>& candidates) {
  const std::vector<std::string> close = closest_names(word, candidates);
  if (close.empty()) return "";
  std::string text = "; did you mean";
  for (size_t i = 0; i < close.size(); ++i) text += (i == 0 ? " " : " or ") + close[i];
  return text + "?";
}

// "--depth=2" is "--depth" with the value "2".
std::pair<std::string, std::optional<std::string>> split_option(const std::string& word) {
  const size_t equals = word.find('=');
  if (equals == std::string::npos) return {word, std::nullopt};
  return {word.substr(0, equals), word.substr(equals + 1)};
}

// A whole number in [low, high] written with decimal digits only.
std::optional<long> whole_number(const std::string& text, long low, long high) {
  if (text.empty() || text.size() > 18) return std::nullopt;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
  }
  const long value = std::strtol(text.c_str(), nullptr, 10);
  if (value < low || value > high) return std::nullopt;
  return value;
}

std::optional<double> seconds(const std::string& text) {
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  errno = 0;
  const double value = std::strtod(text.c_str(), &end);
  if (errno != 0 || end != text.c_str() + text.size() || !std::isfinite(value) ||
      value < kMinInterval || value > kMaxInterval) {
    return std::nullopt;
  }
  return value;
}

bool is_option_word(const std::string& word) {
  return word == "-h" || (word.size() > 2 && word.rfind("--", 0) == 0);
}

std::string program(Context context) { return context == Context::kShell ? "" : "oximctl "; }

// Reads the option at words[i] (advancing i past its value) into the
// invocation; returns the usage error, or "".
std::string take_command_option(const CommandSpec& command, const std::vector<std::string>& words,
                                size_t& i, Context context, Invocation& invocation) {
  auto [name, inline_value] = split_option(words[i]);
  const OptionSpec* option = nullptr;
  if (name == "--json") option = &kJsonOption;
  if (name == "--help" || name == "-h") option = &kHelpOption;
  for (const OptionSpec& candidate : command.options) {
    if (name == candidate.name) option = &candidate;
  }
  if (option == nullptr) {
    if (name == "--adapter" || name == "--root") {
      return context == Context::kShell
                 ? name + " is chosen when oximctl starts, not in the shell"
                 : name + " goes before the command: oximctl " + name + " ... " + command.name;
    }
    std::vector<std::string> names = {"--json", "--help"};
    for (const OptionSpec& candidate : command.options) names.push_back(candidate.name);
    std::string known;
    for (const std::string& known_name : names) known += (known.empty() ? "" : ", ") + known_name;
    return "unknown option '" + name + "' for " + command.name + did_you_mean(name, names) +
           " (options of " + command.name + ": " + known +
           "; -- before a value that begins with --)";
  }
  if (option->value_name == nullptr) {
    if (inline_value) return name + " takes no value";
    if (option == &kJsonOption) invocation.json = true;
    if (option == &kHelpOption) invocation.help = true;
    if (name == "--values") invocation.values = true;
    return "";
  }
  std::string value;
  if (inline_value) {
    value = *inline_value;
  } else if (i + 1 < words.size()) {
    value = words[++i];
  } else {
    return name + " needs a value (" + option->value_name + ")";
  }
  if (name == "--depth") {
    if (invocation.depth) return "--depth given twice";
    std::optional<long> depth = whole_number(value, 0, INT_MAX);
    if (!depth) {
      return "--depth takes a whole number from 0 to " + std::to_string(INT_MAX) + ", not '" +
             value + "'";
    }
    invocation.depth = static_cast<int>(*depth);
  } else if (name == "--count") {
    if (invocation.count) return "--count given twice";
    std::optional<long> count = whole_number(value, 1, INT_MAX);
    if (!count) {
      return "--count takes a whole number from 1 to " + std::to_string(INT_MAX) + ", not '" +
             value + "'";
    }
    invocation.count = static_cast<int>(*count);
  } else if (name == "--config") {
    if (invocation.config) return "--config given twice";
    invocation.config = value;
  } else if (name == "--interval") {
    if (invocation.interval) return "--interval given twice";
    invocation.interval = seconds(value);
    if (!invocation.interval)
      return "--interval takes seconds from 0.1 to 86400, not '" + value + "'";
  }
  return "";
}

// The emulator command's actions and how many arguments each takes.
const std::vector<std::pair<std::string, size_t>>& emulator_action_table() {
  static const std::vector<std::pair<std::string, size_t>> kActions = {
      {"start", 0},        {"stop", 0},  {"status", 0},        {"reboot", 0},
      {"clear-faults", 0}, {"fault", 1}, {"nic-functions", 1}, {"target", 2},
      {"link", 2},         {"host", 2},  {"dhcp", 1},          {"region", 2}};
  return kActions;
}

}  // namespace

std::vector<std::string> emulator_actions() {
  std::vector<std::string> names;
  for (const auto& [name, count] : emulator_action_table()) names.push_back(name);
  return names;
}

namespace {

// The emulator command's action and its arguments; the usage error, or "".
std::string check_emulator_action(const std::vector<std::string>& args) {
  const std::vector<std::string> names = emulator_actions();
  for (const auto& [name, count] : emulator_action_table()) {
    if (args[0] != name) continue;
    if (args.size() - 1 != count) {
      return "emulator " + name + " takes " +
             (count == 0   ? std::string("no argument")
              : count == 1 ? std::string("one argument")
                           : std::string("two arguments"));
    }
    if (name == "target" && args[2] != "on" && args[2] != "off") {
      return "emulator target NAME takes on or off, not '" + args[2] + "'";
    }
    if (name == "link" && args[2] != "up" && args[2] != "down") {
      return "emulator link FUNCTION takes up or down, not '" + args[2] + "'";
    }
    if (name == "host" && args[2] != "on" && args[2] != "off") {
      return "emulator host ADDRESS takes on or off, not '" + args[2] + "'";
    }
    if (name == "dhcp" && args[1] != "on" && args[1] != "off") {
      return "emulator dhcp takes on or off, not '" + args[1] + "'";
    }
    if (name == "region" && args[2] != "2" && args[2] != "3") {
      return "emulator region FUNCTION takes the region 2 or 3, not '" + args[2] + "'";
    }
    return "";
  }
  return "no emulator action '" + args[0] + "'" + did_you_mean(args[0], names);
}

std::string check_arguments(const CommandSpec& command, const Invocation& invocation,
                            Context context) {
  const std::vector<std::string>& args = invocation.args;
  const std::string usage = "usage: " + usage_line(command, context);
  if (args.size() < command.min_args) {
    return std::string(command.name) + " needs " + command.arguments + "; " + usage;
  }
  if (args.size() > command.max_args) {
    const std::string& extra = args[command.max_args];
    std::string error = "unexpected argument '" + extra + "' for " + command.name;
    if (command.verb == Verb::kTree && !extra.empty() &&
        extra.find_first_not_of("0123456789") == std::string::npos) {
      error += " (a depth is given as --depth " + extra + ")";
    }
    return error + "; " + usage;
  }
  if (command.verb == Verb::kEmulator) {
    if (std::string error = check_emulator_action(args); !error.empty()) {
      return error + "; " + usage;
    }
  }
  if (command.verb == Verb::kHelp && !args.empty() && find_command(args[0]) == nullptr &&
      !(context == Context::kShell && (args[0] == "exit" || args[0] == "quit"))) {
    std::vector<std::string> names;
    for (const CommandSpec& candidate : commands()) names.push_back(candidate.name);
    return "no command '" + args[0] + "'" + did_you_mean(args[0], names) +
           " (commands: " + command_names() + ")";
  }
  return "";
}

const CommandSpec kExitCommand = {
    "exit", Verb::kExit, "", "leave the shell (also quit, or Ctrl-D)", "", "exit", 0, 0, {}};

}  // namespace

const std::vector<CommandSpec>& commands() {
  static const std::vector<CommandSpec> kCommands = {
      {"tree",
       Verb::kTree,
       "[PATH]",
       "outline of the tree below PATH",
       "Prints the groups (Name/), properties ([rw] when writable, = value with --values) and\n"
       "commands (with their parameters, * when required) below PATH, ROOT by default.",
       "tree Quellfire0/iSCSIPhysicalHBA0 --depth 1 --values",
       0,
       1,
       {{"--depth", "N", "levels of groups to show (0: the group alone; default: all)"},
        {"--values", nullptr, "show property values"}}},
      {"get",
       Verb::kGet,
       "PATH/Property",
       "read a property",
       "Prints the property's value.",
       "get Quellfire0/iSCSIPhysicalHBA0/PCI/DeviceID",
       1,
       1,
       {}},
      {"set",
       Verb::kSet,
       "PATH/Property VALUE",
       "write a property",
       "Writes the value; the library checks it against the property's type and range.",
       "set OXIMDebugLevel 3",
       2,
       2,
       {}},
      {"describe",
       Verb::kDescribe,
       "PATH",
       "description, type, range, parameters",
       "Prints a node's description; for a property its type, range or valid values, for a\n"
       "command its parameters.",
       "describe Quellfire0/iSCSIPhysicalHBA0/LogicalHBA0/AddTarget",
       1,
       1,
       {}},
      {"run",
       Verb::kRun,
       "PATH/Command [Name=Value ...]",
       "run a command with named parameters",
       "Parameters are given by name (case ignored), each once; unknown or missing required ones\n"
       "are refused before the call. Prints the paths of the groups the command created.",
       "run Quellfire0/iSCSIPhysicalHBA0/LogicalHBA0/AddTarget "
       "TargetName=iqn.2026-01.net.oxim-lab:open IPAddress=192.0.2.10",
       1,
       SIZE_MAX,
       {}},
      {"refresh",
       Verb::kRefresh,
       "PATH",
       "run a group's refresh",
       "Runs the group's refresh, which rebuilds its dynamic children from the adapter (the\n"
       "sessions of a target, for example). Prints nothing.",
       "refresh Quellfire0/iSCSIPhysicalHBA0/LogicalHBA0/Target0",
       1,
       1,
       {}},
      {"watch",
       Verb::kWatch,
       "PATH",
       "print what changes below PATH",
       "Refreshes the groups below PATH (a group or a property) and re-reads their property\n"
       "values every interval, and prints each change: a value (old -> new), a group that\n"
       "appeared (+) or went away (-). Runs until Ctrl-C or SIGTERM, or for --count rounds.",
       "watch Quellfire0/iSCSIPhysicalHBA0/LogicalHBA0/Target0 --values --interval 5",
       1,
       1,
       {{"--interval", "S", "seconds between rounds, 0.1 to 86400 (default 2)"},
        {"--count", "N", "stop after N rounds"},
        {"--values", nullptr, "print the values at the start, and those of groups that appear"}}},
      {"info",
       Verb::kInfo,
       "",
       "library and adapter summary",
       "Prints the library's versions and log level, the controllers and their functions, and\n"
       "the number of handlers not implemented yet.",
       "--json info",
       0,
       0,
       {}},
      {"shell",
       Verb::kShell,
       "",
       "interactive mode with completion",
       "Reads commands at a prompt, with history and Tab completion of commands, options, paths\n"
       "and parameter names. Lines are split as a POSIX shell splits them ('...', \"...\", \\).\n"
       "Ctrl-C cancels the line, Ctrl-D or exit leaves.",
       "shell",
       0,
       0,
       {}},
      {"emulator",
       Verb::kEmulator,
       "ACTION [ARGUMENT...]",
       "start, stop, inspect or disturb the emulated adapter",
       "The emulated adapter of a root is a daemon that every process using the root shares;\n"
       "the library starts it when it needs one. ACTION is one of:\n"
       "  start [--config FILE]   start it (with the configuration of --adapter emulator:FILE\n"
       "                          when --config is not given)\n"
       "  stop                    stop it (its flash stays; the next start powers it on again)\n"
       "  status                  configuration, uptime, clients and sessions\n"
       "  reboot                  drop sessions and connections, keep the flash, log the\n"
       "                          persistent entries in again\n"
       "  fault JSON              arm faults, as a configuration's \"faults\" object\n"
       "  clear-faults            disarm every fault\n"
       "  target NAME on|off      a simulated target comes back or goes off line\n"
       "  nic-functions N         the NIC driver shows N NIC functions\n"
       "  link FUNCTION up|down   the link of an iSCSI function's port (FUNCTION: its host\n"
       "                          adapter name, vmhba64, or all)\n"
       "  host ADDRESS on|off     a host of the iSCSI ports' networks comes back or goes\n"
       "  dhcp on|off             the iSCSI ports' DHCP servers answer or stop answering\n"
       "  region FUNCTION 2|3     the bytes of an iSCSI region of the function's port, in\n"
       "                          hexadecimal (Tindra: 2 the initiator's CHAP TLVs, 3 the\n"
       "                          boot target TLV)",
       "emulator fault '{\"commands\": [{\"subsystem\": 6, \"opcode\": 23, \"status\": 1}]}'",
       1,
       3,
       {{"--config", "FILE", "the configuration to start with (start)"}}},
      {"help",
       Verb::kHelp,
       "[COMMAND]",
       "the commands, or one command's help",
       "Without COMMAND, lists the commands and options; with it, the command's help (as\n"
       "COMMAND --help).",
       "help run",
       0,
       1,
       {}},
  };
  return kCommands;
}

const CommandSpec* find_command(const std::string& name) {
  for (const CommandSpec& command : commands()) {
    if (name == command.name) return &command;
  }
  return nullptr;
}

const std::vector<OptionSpec>& global_options() {
  static const std::vector<OptionSpec> kOptions = {
      {"--adapter", "A", "host, emulator or emulator:FILE (sets OXIM_ADAPTER)"},
      {"--root", "DIR", "directory put in front of every host path (sets OXIM_ROOT)"},
      {"--json", nullptr, "print JSON documents (an option of every command too)"},
      {"--help", nullptr, "this help (also -h); COMMAND --help: the command's"},
  };
  return kOptions;
}

bool valid_adapter(const std::string& adapter) {
  return adapter == "host" || adapter == "emulator" ||
         (adapter.rfind("emulator:", 0) == 0 && adapter.size() > 9);
}

bool asks_for_json(const std::vector<std::string>& words) {
  for (const std::string& word : words) {
    if (word == "--") return false;
    if (word == "--json") return true;
  }
  return false;
}

Parsed parse(const std::vector<std::string>& words, Context context) {
  Parsed parsed;
  Invocation& invocation = parsed.invocation;
  auto fail = [&](std::string error) {
    parsed.error = std::move(error);
    return parsed;
  };
  size_t i = 0;
  // Options before the command.
  for (; i < words.size() && is_option_word(words[i]); ++i) {
    auto [name, inline_value] = split_option(words[i]);
    if (name == "--json" || name == "--help" || name == "-h") {
      if (inline_value) return fail(name + " takes no value");
      (name == "--json" ? invocation.json : invocation.help) = true;
      continue;
    }
    if (name != "--adapter" && name != "--root") {
      std::vector<std::string> names;
      for (const OptionSpec& option : global_options()) names.push_back(option.name);
      return fail("unknown option '" + name + "'" + did_you_mean(name, names) +
                  (context == Context::kShell
                       ? " (type help)"
                       : " (options before the command: --adapter, --root, --json, --help)"));
    }
    if (context == Context::kShell) {
      return fail(name + " is chosen when oximctl starts, not in the shell");
    }
    std::optional<std::string>& slot = name == "--adapter" ? invocation.adapter : invocation.root;
    if (slot) return fail(name + " given twice");
    if (inline_value) {
      slot = *inline_value;
    } else if (i + 1 < words.size()) {
      slot = words[++i];
    } else {
      return fail(name + (name == "--adapter" ? " needs a value: host, emulator or emulator:FILE"
                                              : " needs a directory"));
    }
    if (name == "--adapter" && !valid_adapter(*slot)) {
      return fail("--adapter takes host, emulator or emulator:FILE, not '" + *slot + "'");
    }
    if (name == "--root" && slot->empty()) return fail("--root needs a directory");
  }
  if (i == words.size()) {
    if (invocation.help) return parsed;
    return fail("a command is required: " + command_names() + " (oximctl help)");
  }
  const std::string& verb = words[i++];
  if (context == Context::kCommandLine && verb == "__complete") {
    invocation.complete =
        std::vector<std::string>(words.begin() + static_cast<long>(i), words.end());
    return parsed;
  }
  const CommandSpec* command = find_command(verb);
  if (context == Context::kShell && (verb == "exit" || verb == "quit")) command = &kExitCommand;
  if (command == nullptr) {
    std::vector<std::string> names;
    for (const CommandSpec& candidate : commands()) names.push_back(candidate.name);
    return fail("unknown command '" + verb + "'" + did_you_mean(verb, names) +
                " (commands: " + command_names() + ")");
  }
  if (context == Context::kShell && command->verb == Verb::kShell) {
    return fail("already in the shell");
  }
  invocation.command = command;
  bool options_ended = false;
  for (; i < words.size(); ++i) {
    if (!options_ended && words[i] == "--") {
      options_ended = true;
    } else if (!options_ended && is_option_word(words[i])) {
      std::string error = take_command_option(*command, words, i, context, invocation);
      if (!error.empty()) return fail(error);
    } else {
      invocation.args.push_back(words[i]);
    }
  }
  if (invocation.help) return parsed;
  std::string error = check_arguments(*command, invocation, context);
  if (!error.empty()) return fail(error);
  return parsed;
}

std::string usage_line(const CommandSpec& command, Context context) {
  std::string line = program(context) + command.name;
  if (*command.arguments != '\0') line += std::string(" ") + command.arguments;
  for (const OptionSpec& option : command.options) {
    line += std::string(" [") + option.name;
    if (option.value_name != nullptr) line += std::string(" ") + option.value_name;
    line += "]";
  }
  return line;
}

namespace {

std::string option_lines(const std::vector<OptionSpec>& options) {
  std::string text;
  for (const OptionSpec& option : options) {
    std::string left = option.name;
    if (option.value_name != nullptr) left += std::string(" ") + option.value_name;
    left.resize(std::max<size_t>(left.size() + 2, 16), ' ');
    text += "  " + left + option.help + "\n";
  }
  return text;
}

}  // namespace

std::string general_help(Context context) {
  std::string text;
  if (context == Context::kCommandLine) {
    text +=
        "usage: oximctl [--adapter host|emulator|emulator:FILE] [--root DIR] [--json] COMMAND "
        "[ARGUMENTS]\n\n"
        "Manages the adapters through the library's tree of groups, properties and commands.\n";
  }
  text +=
      "Paths are display names joined by \"/\", from ROOT or without it, case ignored.\n\n"
      "commands:\n";
  std::vector<const CommandSpec*> listed;
  for (const CommandSpec& command : commands()) {
    if (context == Context::kShell && command.verb == Verb::kShell) continue;
    listed.push_back(&command);
  }
  if (context == Context::kShell) listed.push_back(&kExitCommand);
  for (const CommandSpec* command : listed) {
    std::string left = command->name;
    if (*command->arguments != '\0') left += std::string(" ") + command->arguments;
    left.resize(std::max<size_t>(left.size() + 2, 36), ' ');
    text += "  " + left + command->summary + "\n";
  }
  if (context == Context::kCommandLine) {
    text += "\noptions before the command:\n" + option_lines(global_options());
    text +=
        "\nexit status: 0 success, 1 a refused or failed operation, 2 a usage error\n"
        "oximctl help COMMAND (or oximctl COMMAND --help): a command's options and an example\n";
  } else {
    text +=
        "\nhelp COMMAND (or COMMAND --help): a command's options and an example. Words are\n"
        "quoted as in a POSIX shell ('...', \"...\", \\). Tab completes; Ctrl-C cancels the "
        "line.\n";
  }
  return text;
}

std::string command_help(const CommandSpec& command, Context context) {
  std::string text = "usage: " + usage_line(command, context) + "\n";
  text += std::string(command.summary) + "\n";
  if (*command.details != '\0') text += "\n" + std::string(command.details) + "\n";
  if (command.verb != Verb::kExit) {
    std::vector<OptionSpec> options = command.options;
    options.push_back(kJsonOption);
    options.push_back(kHelpOption);
    text += "\noptions:\n" + option_lines(options);
  }
  text += "\nexample:\n  " + program(context) + command.example + "\n";
  return text;
}

}  // namespace oximctl
