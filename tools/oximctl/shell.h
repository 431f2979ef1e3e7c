// The interactive mode of oximctl: a prompt with history and tab completion
// of commands, paths and parameter names (GNU readline).
#ifndef OXIM_TOOLS_OXIMCTL_SHELL_H_
#define OXIM_TOOLS_OXIMCTL_SHELL_H_

#include <string>
#include <vector>

#include "tree_client.h"

namespace oximctl {

// Runs the prompt until end of input or "exit"; returns the exit status of
// the last command.
int run_shell(TreeClient& client, bool json);

// Splits a line into words; double quotes group words and a backslash
// escapes the next character.
std::vector<std::string> split_words(const std::string& line);

// The completions of the last word of a line (for tests and readline).
std::vector<std::string> complete(TreeClient& client, const std::string& line);

}  // namespace oximctl

#endif  // OXIM_TOOLS_OXIMCTL_SHELL_H_
