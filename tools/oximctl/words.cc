// POSIX-style word splitting; see words.h.
#include "words.h"

#include <cstring>

namespace oximctl {
namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\n'; }

}  // namespace

SplitLine split_line(const std::string& line) {
  SplitLine split;
  std::string word;
  bool in_word = false;
  size_t start = 0;
  auto begin_word = [&](size_t at) {
    if (!in_word) start = at;
    in_word = true;
  };
  size_t i = 0;
  while (i < line.size()) {
    const char c = line[i];
    if (is_blank(c)) {
      if (in_word) split.words.push_back(word);
      word.clear();
      in_word = false;
      ++i;
    } else if (c == '\\') {
      begin_word(i);
      if (i + 1 == line.size()) {
        split.error = "the line ends with a backslash";
        ++i;
        break;
      }
      word += line[i + 1];
      i += 2;
    } else if (c == '\'') {
      begin_word(i);
      const size_t close = line.find('\'', i + 1);
      if (close == std::string::npos) {
        word += line.substr(i + 1);
        split.error = "unclosed single quote";
        i = line.size();
        break;
      }
      word += line.substr(i + 1, close - i - 1);
      i = close + 1;
    } else if (c == '"') {
      begin_word(i);
      bool closed = false;
      for (++i; i < line.size(); ++i) {
        const char d = line[i];
        if (d == '"') {
          closed = true;
          ++i;
          break;
        }
        if (d == '\\' && i + 1 < line.size() && std::strchr("\\\"$`\n", line[i + 1]) != nullptr) {
          word += line[++i];
        } else {
          word += d;
        }
      }
      if (!closed) {
        split.error = "unclosed double quote";
        break;
      }
    } else {
      begin_word(i);
      word += c;
      ++i;
    }
  }
  if (in_word) split.words.push_back(word);
  split.ends_in_word = in_word;
  split.last_word_start = in_word ? start : line.size();
  return split;
}

std::string quote_word(const std::string& word) {
  if (word.empty()) return "''";
  std::string quoted;
  for (char c : word) {
    if (is_blank(c) || std::strchr("'\"\\$`;&|<>()*?[]#~!{}", c) != nullptr) quoted += '\\';
    quoted += c;
  }
  return quoted;
}

}  // namespace oximctl
