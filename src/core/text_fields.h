// Line and field services for configuration text and the library's saved
// files: splitting a text in place, picking the n-th field of a line, copying
// a field into a fixed buffer, counting words, and reading lines of any
// length from a stream into a buffer that the caller grows.
//
// Usage:
//   char* port = oxim::oxim_parse("10.0.0.1 3260 iqn.x\n", 2, " ");  // "3260"
//   ...
//   oxim::oxim_dfree(port);
//
//   char line[250];
//   while (oxim::oxim_get_line(file, line, sizeof line) == oxim::kLineRead) use(line);
#ifndef OXIM_CORE_TEXT_FIELDS_H_
#define OXIM_CORE_TEXT_FIELDS_H_

#include <cstddef>
#include <cstdio>

namespace oxim {

// Results of oxim_get_line.
inline constexpr int kLineEndOfInput = 0;  // nothing left to read
inline constexpr int kLineRead = 1;        // one line, its line end replaced by NUL
inline constexpr int kLineTooLong = 2;     // the line does not fit; stream put back

// Replaces every separator in text by NUL; returns the number of fields
// (1 for an empty text, 0 for a missing one).
int oxim_split(char* text, char separator);

// Replaces every character of text that occurs in separators by NUL; returns
// how many were replaced (0 if either argument is missing).
int backend_split(char* text, const char* separators);

// A new copy (free with oxim_dfree) of the n-th field (from 1) of text split
// at any of separators, runs of separators counting as one and leading ones
// skipped; a final "\n" of the field is removed. nullptr if text holds no
// separator, fewer than n - 1 separator runs, no n-th field, or an argument
// is missing.
char* oxim_parse(const char* text, int n, const char* separators);

// Clears out (size bytes) and copies the characters of text up to separator
// or the end, at most size of them (so a field that fills out is not
// terminated: pass a size one below the buffer for a terminated text). A
// longer field is cut and logged ("dest len is smaller"). Returns 1 if text
// starts with separator (or an argument is missing), else 0.
int get_field(const char* text, char separator, char* out, size_t size);

// Non-overlapping occurrences of word in text; 0 for a missing text or a
// missing or empty word.
int word_count(const char* text, const char* word);

// Reads one line from stream into buffer. kLineEndOfInput at end of input
// before any character; kLineTooLong when the line and its terminating NUL
// need more than size bytes, after putting the stream back to where the line
// began (retry with a larger buffer; a stream that cannot be repositioned,
// such as a pipe, loses what was read); else kLineRead, with the line end (or
// the end of input) replaced by NUL. A missing stream or buffer gives
// kLineEndOfInput. REQUIRES: buffer holds size bytes.
int oxim_get_line(FILE* stream, char* buffer, size_t size);

}  // namespace oxim

#endif  // OXIM_CORE_TEXT_FIELDS_H_
