// Interactive mode; see shell.h.
#include "shell.h"

#include <readline/history.h>
#include <readline/readline.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "cli.h"
#include "commands.h"
#include "complete.h"
#include "signals.h"
#include "words.h"

namespace oximctl {
namespace {

// readline's callbacks take no context.
TreeClient* g_client = nullptr;
bool g_json = false;
int g_status = kExitOk;
bool g_leave = false;
std::vector<std::string> g_matches;

void leave() {
  g_leave = true;
  rl_callback_handler_remove();
}

int run_line(const std::string& line) {
  const SplitLine split = split_line(line);
  Output output{std::cout, std::cerr, g_json};
  if (!split.error.empty()) {
    output.json = g_json || asks_for_json(split.words);
    return report_error(output, split.error, kExitUsage);
  }
  const Parsed parsed = parse(split.words, Context::kShell);
  const Invocation& invocation = parsed.invocation;
  output.json = g_json || invocation.json;
  if (!parsed.error.empty()) {
    output.json = output.json || asks_for_json(split.words);
    return report_error(output, parsed.error, kExitUsage);
  }
  const CommandSpec* command = invocation.command;
  if (invocation.help || command->verb == Verb::kHelp) {
    if (command != nullptr && command->verb == Verb::kHelp && !invocation.args.empty()) {
      const std::string& name = invocation.args[0];
      command = find_command(name);
      if (command == nullptr) {  // exit or quit
        std::cout << "exit, quit or Ctrl-D leave the shell\n";
        return kExitOk;
      }
    } else if (command != nullptr && command->verb == Verb::kHelp && !invocation.help) {
      command = nullptr;
    }
    std::cout << (command == nullptr ? general_help(Context::kShell)
                                     : command_help(*command, Context::kShell));
    return kExitOk;
  }
  if (command->verb == Verb::kExit) {
    leave();
    return g_status;
  }
  return execute(*g_client, output, invocation);
}

void on_line(char* raw) {
  if (raw == nullptr) {  // end of input
    if (isatty(STDOUT_FILENO)) std::cout << "\n";
    leave();
    return;
  }
  const std::string line(raw);
  std::free(raw);
  if (line.find_first_not_of(" \t") == std::string::npos) return;
  add_history(line.c_str());
  g_status = run_line(line);
  std::cout.flush();
  // A Ctrl-C while a command ran has done its part (stopped a watch, or
  // nothing); a SIGTERM still ends the shell.
  if (StopSignals::caught() == SIGINT) StopSignals::clear();
}

// Ctrl-C at the prompt: drop what was typed and start a new line.
void cancel_line() {
  rl_free_line_state();
  rl_callback_sigcleanup();
  rl_replace_line("", 0);
  std::fputs("^C", rl_outstream != nullptr ? rl_outstream : stdout);
  rl_crlf();
  rl_on_new_line();
  rl_redisplay();
}

char* next_match(const char*, int state) {
  static size_t index = 0;
  if (state == 0) index = 0;
  if (index >= g_matches.size()) return nullptr;
  return strdup(g_matches[index++].c_str());
}

char** readline_completion(const char* text, int start, int end) {
  rl_attempted_completion_over = 1;
  Completion completion = complete_line(std::string(rl_line_buffer, static_cast<size_t>(end)),
                                        Context::kShell, [] { return g_client; });
  // readline replaces the text after the last blank; a word with quoted
  // blanks in it begins earlier, and is left alone.
  g_matches.clear();
  if (completion.replace_from == static_cast<size_t>(start)) g_matches = completion.candidates;
  rl_completion_append_character = g_matches.size() == 1 && continues(g_matches[0]) ? '\0' : ' ';
  return rl_completion_matches(text, next_match);
}

}  // namespace

int run_shell(TreeClient& client, bool json) {
  g_client = &client;
  g_json = json;
  g_status = kExitOk;
  g_leave = false;
  StopSignals stop;
  StopSignals::clear();
  rl_catch_signals = 0;  // the signals are ours (StopSignals)
  rl_attempted_completion_function = readline_completion;
  rl_completer_word_break_characters = const_cast<char*>(" \t");
  rl_callback_handler_install("oximctl> ", on_line);
  const int input = fileno(rl_instream != nullptr ? rl_instream : stdin);
  while (!g_leave) {
    const int ready = StopSignals::wait(input, -1);
    if (StopSignals::caught() == SIGTERM) break;
    if (StopSignals::caught() == SIGINT) {
      StopSignals::clear();
      cancel_line();
    } else if (ready > 0) {
      rl_callback_read_char();
    } else if (ready < 0 && errno != EINTR) {
      break;  // the input is gone
    }
  }
  if (!g_leave) {
    rl_callback_handler_remove();
    std::cout << "\n";
  }
  g_client = nullptr;
  return g_status;
}

}  // namespace oximctl
