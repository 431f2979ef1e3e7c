// oximctl: manage the adapters through the library's tree from the command
// line. See README.md for the commands and the JSON documents they print.
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "adapter.h"
#include "cli.h"
#include "commands.h"
#include "complete.h"
#include "log_tail.h"
#include "shell.h"
#include "tree_client.h"

namespace {

using namespace oximctl;

// The log level the library runs at (OXIMDebugLevel), or -1.
int log_level(TreeClient& client) {
  Resolved level = client.resolve("OXIMDebugLevel");
  if (!level.node) return -1;
  auto [value, failure] = client.get(*level.node);
  return failure ? -1 : std::atoi(value.c_str());
}

bool has_controllers(TreeClient& client) {
  return !client.children(client.info(OXIM_ROOT_TAG, "ROOT"), OXIM_KIND_GROUP).empty();
}

// Starts the library for the invocation; on failure reports it and returns
// nullptr with the exit status in *exit_code.
std::unique_ptr<TreeClient> start_library(const Invocation& invocation, Output& output,
                                          int* exit_code) {
  *exit_code = kExitFailed;
  choose_adapter(invocation.adapter, invocation.root);
  if (const char* adapter = std::getenv("OXIM_ADAPTER");
      adapter != nullptr && *adapter != '\0' && !valid_adapter(adapter)) {
    report_error(output,
                 "OXIM_ADAPTER=" + std::string(adapter) + " is not host, emulator or emulator:FILE",
                 kExitFailed);
    return nullptr;
  }
  const std::optional<std::string> file = configuration_file();
  if (file) {
    if (std::string problem = check_configuration_file(*file); !problem.empty()) {
      report_error(output,
                   "cannot use the emulated adapter's configuration " + *file + ": " + problem,
                   kExitFailed);
      return nullptr;
    }
  }
  const LogTail tail;
  auto client = std::make_unique<TreeClient>();
  if (!client->ok()) {
    report_error(output, "the library did not start: " + client->init_failure().describe(),
                 kExitFailed);
    return nullptr;
  }
  // A configuration the library refused leaves the tree without controllers.
  if (file && !has_controllers(*client)) {
    std::optional<std::string> reason = refusal_in_log(tail.appended(true));
    if (!reason && log_level(*client) < 3) {
      client.reset();
      reason = probe_refusal();
      client = std::make_unique<TreeClient>();
    }
    if (reason) {
      report_error(output,
                   "the emulated adapter's configuration " + *file + " was refused: " + *reason,
                   kExitFailed);
      return nullptr;
    }
  }
  if (!client->ok()) {
    report_error(output, "the library did not start: " + client->init_failure().describe(),
                 kExitFailed);
    return nullptr;
  }
  return client;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> words(argv + 1, argv + argc);
  const Parsed parsed = parse(words, Context::kCommandLine);
  const Invocation& invocation = parsed.invocation;
  Output output{std::cout, std::cerr, invocation.json};
  if (!parsed.error.empty()) {
    output.json = asks_for_json(words);
    return report_error(output, parsed.error, kExitUsage);
  }
  if (invocation.complete) return run_complete(*invocation.complete, std::cout);
  if (invocation.help || invocation.command->verb == Verb::kHelp) {
    const CommandSpec* command = invocation.command;
    if (command != nullptr && command->verb == Verb::kHelp && !invocation.args.empty()) {
      command = find_command(invocation.args[0]);
    }
    if (command == nullptr ||
        (command->verb == Verb::kHelp && invocation.args.empty() && !invocation.help)) {
      std::cout << general_help(Context::kCommandLine);
    } else {
      std::cout << command_help(*command, Context::kCommandLine);
    }
    return kExitOk;
  }
  int exit_code = kExitOk;
  std::unique_ptr<TreeClient> client = start_library(invocation, output, &exit_code);
  if (!client) return exit_code;
  if (invocation.command->verb == Verb::kShell) return run_shell(*client, invocation.json);
  return execute(*client, output, invocation);
}
