// The operations of oximctl, shared by the command line and the interactive
// shell: each writes its result to out (text or one JSON document), its
// complaints to err (one line, followed by the error lines the library
// logged when a get, set, run or refresh failed), and returns the exit
// status: 0 success, 1 a refused or failed operation, 2 a usage error.
#ifndef OXIM_TOOLS_OXIMCTL_COMMANDS_H_
#define OXIM_TOOLS_OXIMCTL_COMMANDS_H_

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "cli.h"
#include "tree_client.h"

namespace oximctl {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

struct Output {
  std::ostream& out;
  std::ostream& err;
  bool json = false;
};

// Runs the command of a parsed invocation (any but shell, help and exit).
int execute(TreeClient& client, Output& output, const Invocation& invocation);

// Reports a failure that is not the library's: one line on err, and with
// JSON the error document {"error": what} on out. Returns exit_code.
int report_error(Output& output, const std::string& what, int exit_code);

int run_tree(TreeClient& client, Output& output, const std::string& path, std::optional<int> depth,
             bool values);
int run_get(TreeClient& client, Output& output, const std::string& path);
int run_set(TreeClient& client, Output& output, const std::string& path, const std::string& value);
int run_describe(TreeClient& client, Output& output, const std::string& path);
// assignments are "Name=Value" texts.
int run_command(TreeClient& client, Output& output, const std::string& path,
                const std::vector<std::string>& assignments);
int run_info(TreeClient& client, Output& output);
int run_refresh(TreeClient& client, Output& output, const std::string& path);
// Prints the changes below path every interval seconds until SIGINT or
// SIGTERM, or for count rounds; with values, also the values at the start
// and those of groups as they appear (see watch.cc).
int run_watch(TreeClient& client, Output& output, const std::string& path, double interval,
              std::optional<int> count, bool values);

}  // namespace oximctl

#endif  // OXIM_TOOLS_OXIMCTL_COMMANDS_H_
