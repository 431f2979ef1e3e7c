// Completion of a partly typed line, by the grammar of cli.h: commands,
// options, --adapter values and file names, tree paths, parameter names and
// the valid values of list parameters and properties. The shell's Tab uses
// it, and so does the bash completion script through the hidden command
//
//   oximctl __complete LINE
//
// which prints the number of bytes at the end of LINE that a candidate
// replaces (the last word as typed), then one candidate per line.
#ifndef OXIM_TOOLS_OXIMCTL_COMPLETE_H_
#define OXIM_TOOLS_OXIMCTL_COMPLETE_H_

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "cli.h"
#include "tree_client.h"

namespace oximctl {

struct Completion {
  // Whole words, written so that the shell reads each back as one word.
  std::vector<std::string> candidates;
  // Offset in the line of the word the candidates replace.
  size_t replace_from = 0;
};

// On the command line the first word of line is the program's name. client
// gives the library's tree when a path is to be completed (it may start the
// library then), or nullptr.
Completion complete_line(const std::string& line, Context context,
                         const std::function<TreeClient*()>& client);

// Whether a candidate is still to be continued (a group, "Name=", or
// "emulator:"), so that no blank should follow it.
bool continues(const std::string& candidate);

// oximctl __complete LINE: the global options of LINE choose the adapter as
// they would for the command, and the library starts only for paths.
int run_complete(const std::vector<std::string>& words, std::ostream& out);

}  // namespace oximctl

#endif  // OXIM_TOOLS_OXIMCTL_COMPLETE_H_
