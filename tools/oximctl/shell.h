// The interactive mode of oximctl: a prompt with history and Tab completion
// (GNU readline). Lines are split as a POSIX shell splits them (words.h) and
// parsed by the grammar of the command line (cli.h). Ctrl-C cancels the
// line being typed or stops a watch; Ctrl-D, exit and quit leave, and so
// does SIGTERM.
#ifndef OXIM_TOOLS_OXIMCTL_SHELL_H_
#define OXIM_TOOLS_OXIMCTL_SHELL_H_

#include "tree_client.h"

namespace oximctl {

// Runs the prompt until it is left; returns the exit status of the last
// command.
int run_shell(TreeClient& client, bool json);

}  // namespace oximctl

#endif  // OXIM_TOOLS_OXIMCTL_SHELL_H_
