// The grammar of oximctl, one for the command line and the interactive
// shell: the commands, their arguments and options, their help, and the
// parser that turns words into an invocation or names what is wrong.
//
//   oximctl [--adapter A] [--root DIR] [--json] COMMAND [ARGUMENT | OPTION]...
//   oximctl> COMMAND [ARGUMENT | OPTION]...
//
// Options of a command may stand anywhere after it, as "--name value" or
// "--name=value"; "--" ends the options, so that a value may begin with "--".
// --json and --help belong to every command. An option that takes a value
// may be given once.
#ifndef OXIM_TOOLS_OXIMCTL_CLI_H_
#define OXIM_TOOLS_OXIMCTL_CLI_H_

#include <optional>
#include <string>
#include <vector>

namespace oximctl {

enum class Verb {
  kTree,
  kGet,
  kSet,
  kDescribe,
  kRun,
  kRefresh,
  kWatch,
  kInfo,
  kShell,
  kEmulator,
  kHelp,
  kExit
};

// Where words come from: the command line (global options allowed before
// the command) or a line of the shell (where exit and quit end it).
enum class Context { kCommandLine, kShell };

struct OptionSpec {
  const char* name;        // "--depth"
  const char* value_name;  // "N", or nullptr for a flag
  const char* help;
};

struct CommandSpec {
  const char* name;
  Verb verb;
  const char* arguments;  // "PATH/Property VALUE"
  const char* summary;    // one line
  const char* details;    // what it prints, in a few lines
  const char* example;    // a command line, without "oximctl "
  size_t min_args;
  size_t max_args;  // SIZE_MAX: any number
  std::vector<OptionSpec> options;
};

// Every command, in the order help lists them.
const std::vector<CommandSpec>& commands();
// The command of this name (exact), or nullptr.
const CommandSpec* find_command(const std::string& name);

// The actions of the emulator command, in the order help lists them.
std::vector<std::string> emulator_actions();

// Options of oximctl itself, before the command.
const std::vector<OptionSpec>& global_options();

struct Invocation {
  // Before the command (command line only).
  std::optional<std::string> adapter;
  std::optional<std::string> root;
  bool json = false;
  // --help or -h: the help of the command, or the general help without one.
  bool help = false;
  const CommandSpec* command = nullptr;
  std::vector<std::string> args;
  std::optional<int> depth;
  bool values = false;
  std::optional<double> interval;  // seconds
  std::optional<int> count;
  std::optional<std::string> config;  // emulator start --config FILE
  // The words after the hidden __complete command.
  std::optional<std::vector<std::string>> complete;
};

struct Parsed {
  Invocation invocation;
  std::string error;  // a usage error, naming what is wrong; empty when none
};

// words: the arguments after the program's name, or the words of a shell
// line.
Parsed parse(const std::vector<std::string>& words, Context context);

// Whether --json stands among the words before any "--": the form of a
// usage error's report, when the words could not be parsed.
bool asks_for_json(const std::vector<std::string>& words);

// Whether the --adapter value is one of host, emulator and emulator:FILE.
bool valid_adapter(const std::string& adapter);

// Help texts: the general one (commands and options), and one command's
// (usage, what it does, options, an example). In the shell, without the
// program's name and its own options.
std::string general_help(Context context);
std::string command_help(const CommandSpec& command, Context context);
std::string usage_line(const CommandSpec& command, Context context);

}  // namespace oximctl

#endif  // OXIM_TOOLS_OXIMCTL_CLI_H_
