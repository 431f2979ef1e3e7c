// Line and field services; see text_fields.h.
#include "core/text_fields.h"

#include <climits>
#include <cstring>

#include "core/alloc.h"
#include "core/log.h"

namespace oxim {
namespace {

bool IsSeparator(char c, const char* separators) {
  return c != '\0' && std::strchr(separators, c) != nullptr;
}

int ClampToInt(size_t value) { return value > INT_MAX ? INT_MAX : static_cast<int>(value); }

}  // namespace

int oxim_split(char* text, char separator) {
  if (text == nullptr) return 0;
  int fields = 1;
  if (separator == '\0') return fields;
  for (char* p = text; *p != '\0'; ++p) {
    if (*p == separator) {
      *p = '\0';
      ++fields;
    }
  }
  return fields;
}

int backend_split(char* text, const char* separators) {
  if (text == nullptr || separators == nullptr) return 0;
  // The length is taken first: the NULs written below must not end the walk.
  size_t length = std::strlen(text);
  int replaced = 0;
  for (size_t i = 0; i < length; ++i) {
    if (IsSeparator(text[i], separators)) {
      text[i] = '\0';
      ++replaced;
    }
  }
  return replaced;
}

char* oxim_parse(const char* text, int n, const char* separators) {
  if (text == nullptr || separators == nullptr || n < 1) return nullptr;
  int runs = 0;
  for (size_t i = 0; text[i] != '\0'; ++i) {
    if (IsSeparator(text[i], separators) && (i == 0 || !IsSeparator(text[i - 1], separators))) {
      ++runs;
    }
  }
  if (runs == 0 || runs < n - 1) return nullptr;
  int field = 0;
  const char* p = text;
  while (*p != '\0') {
    while (IsSeparator(*p, separators)) ++p;
    if (*p == '\0') break;
    const char* start = p;
    while (*p != '\0' && !IsSeparator(*p, separators)) ++p;
    if (++field < n) continue;
    size_t length = static_cast<size_t>(p - start);
    if (length > 0 && start[length - 1] == '\n') --length;
    auto* copy = static_cast<char*>(oxim_dmalloc(length + 1));
    if (copy == nullptr) return nullptr;
    std::memcpy(copy, start, length);
    copy[length] = '\0';
    return copy;
  }
  return nullptr;
}

int get_field(const char* text, char separator, char* out, size_t size) {
  if (out != nullptr && size > 0) std::memset(out, 0, size);
  if (text == nullptr || out == nullptr) return 1;
  if (text[0] == separator) return 1;
  const char* end = std::strchr(text, separator);
  size_t length = end != nullptr ? static_cast<size_t>(end - text) : std::strlen(text);
  if (length > size) {
    pdebug(kModuleAdapter, kLogError, "dest len is smaller %d %d", ClampToInt(size),
           ClampToInt(length));
    length = size;
  }
  std::memcpy(out, text, length);
  return 0;
}

int word_count(const char* text, const char* word) {
  if (text == nullptr || word == nullptr || word[0] == '\0') return 0;
  size_t length = std::strlen(word);
  int count = 0;
  for (const char* p = std::strstr(text, word); p != nullptr; p = std::strstr(p + length, word)) {
    ++count;
  }
  return count;
}

int oxim_get_line(FILE* stream, char* buffer, size_t size) {
  if (stream == nullptr || buffer == nullptr) return kLineEndOfInput;
  fpos_t line_start;
  bool can_put_back = std::fgetpos(stream, &line_start) == 0;
  size_t count = 0;
  for (;;) {
    int c = std::fgetc(stream);
    if (c == EOF && count == 0) return kLineEndOfInput;
    // Every character and the closing NUL need a byte of the buffer.
    if (count >= size) {
      if (can_put_back) std::fsetpos(stream, &line_start);
      return kLineTooLong;
    }
    if (c == EOF || c == '\n') {
      buffer[count] = '\0';
      return kLineRead;
    }
    buffer[count++] = static_cast<char>(c);
  }
}

}  // namespace oxim
