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
#include "emulator.h"
#include "shell.h"
#include "tree_client.h"

namespace {

using namespace oximctl;

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
  auto client = std::make_unique<TreeClient>();
  if (!client->ok()) {
    const Failure& failure = client->init_failure();
    report_error(output,
                 failure.message.empty() ? "the library did not start: " + failure.describe()
                                         : start_failure_text(failure.message, invocation.root),
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
  if (invocation.command->verb == Verb::kEmulator) {
    choose_adapter(invocation.adapter, invocation.root, /*note=*/false);
    return run_emulator(invocation, output);
  }
  int exit_code = kExitOk;
  std::unique_ptr<TreeClient> client = start_library(invocation, output, &exit_code);
  if (!client) return exit_code;
  if (invocation.command->verb == Verb::kShell) return run_shell(*client, invocation.json);
  return execute(*client, output, invocation);
}
