// Splitting a line into words the way a POSIX shell quotes them, for the
// interactive shell and for completion. No expansion of any kind happens:
// "$", "*", "~" and "#" are ordinary characters.
//
//   blank (space, tab, new line)  separates words outside quotes
//   'text'                        text as it is, up to the next single quote
//   "text"                        text up to the next unescaped double quote;
//                                 inside, a backslash escapes only \ " $ `
//                                 and a new line, and is kept before anything
//                                 else
//   \c                            outside quotes: the character c itself
//
// '' and "" make an empty word. An unclosed quote and a backslash at the end
// of the line are errors.
#ifndef OXIM_TOOLS_OXIMCTL_WORDS_H_
#define OXIM_TOOLS_OXIMCTL_WORDS_H_

#include <cstddef>
#include <string>
#include <vector>

namespace oximctl {

struct SplitLine {
  std::vector<std::string> words;
  // Why the line is not complete ("unclosed single quote"); empty when it is.
  // words then holds what was read, the open word last.
  std::string error;
  // Whether the line ends inside its last word (no blank after it), and the
  // offset in the line at which that word begins: what a completion replaces.
  bool ends_in_word = false;
  size_t last_word_start = 0;
};

SplitLine split_line(const std::string& line);

// The word written so that split_line reads it back as one word: as it is
// when it holds nothing special, otherwise with backslashes before the
// special characters.
std::string quote_word(const std::string& word);

}  // namespace oximctl

#endif  // OXIM_TOOLS_OXIMCTL_WORDS_H_
