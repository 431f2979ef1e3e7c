// Fuzzes the line and field services and the comma-separated list editing.
//
// Input: byte 0 is the field number and byte 1 the output size of
// get_field; byte 2 is the separator; the rest is the text, then a NUL,
// then a second text (separators of oxim_parse, the word to count, the list
// item). The whole input is also read line by line as a stream.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/alloc.h"
#include "core/list_text.h"
#include "core/text_fields.h"
#include "fuzz_support.h"
#include "oxim/oxim.h"

namespace {

using oxim::fuzz::Check;

std::unique_ptr<char[]> Buffer(const std::string& text, size_t size) {
  auto buffer = std::make_unique<char[]>(size);
  size_t length = text.size() < size - 1 ? text.size() : size - 1;
  std::memcpy(buffer.get(), text.data(), length);
  buffer[length] = '\0';
  return buffer;
}

void CheckFields(const std::string& text, const std::string& other, int n, size_t out_size,
                 char separator) {
  auto input = Buffer(text, text.size() + 1);
  auto separators = Buffer(other, other.size() + 1);
  char* field = oxim::oxim_parse(input.get(), n, separators.get());
  if (field != nullptr) Check(std::strlen(field) <= text.size());
  oxim::oxim_dfree(field);

  auto out = std::make_unique<char[]>(out_size + 1);
  out[out_size] = '\x7f';
  oxim::get_field(input.get(), separator, out.get(), out_size);
  Check(out[out_size] == '\x7f');

  oxim::word_count(input.get(), separators.get());

  auto split = Buffer(text, text.size() + 1);
  Check(oxim::oxim_split(split.get(), separator) >= 1);
  auto split_any = Buffer(text, text.size() + 1);
  Check(oxim::backend_split(split_any.get(), separators.get()) >= 0);
}

void CheckList(const std::string& text, const std::string& item_text, int mode) {
  auto list = Buffer(text, oxim::kListSize);
  auto item = Buffer(item_text, item_text.size() + 1);
  size_t before = std::strlen(list.get());
  // An item holding a comma is stored as several items, so it cannot be
  // found whole afterwards.
  bool whole = item_text.find(',') == std::string::npos &&
               (mode == oxim::kListMatchCase || mode == oxim::kListIgnoreCase);
  if (oxim::oxim_internal_list_add(list.get(), item.get(), mode) == 0 && whole) {
    Check(oxim::oxim_internal_list_search(list.get(), item.get(), mode) != nullptr);
  }
  Check(strnlen(list.get(), oxim::kListSize) < oxim::kListSize);
  size_t middle = std::strlen(list.get());
  if (oxim::oxim_internal_list_del(list.get(), item.get(), mode) == 0) {
    Check(std::strlen(list.get()) <= middle);
  }
  Check(std::strlen(list.get()) <= (before > middle ? before : middle));
}

void CheckLines(const uint8_t* data, size_t size) {
  if (size == 0) return;
  FILE* stream = fmemopen(const_cast<uint8_t*>(data), size, "r");
  if (stream == nullptr) return;
  std::vector<char> line(1);
  for (int steps = 0; steps < 4096; ++steps) {
    int result = oxim::oxim_get_line(stream, line.data(), line.size());
    if (result == oxim::kLineEndOfInput) break;
    if (result == oxim::kLineTooLong) {
      Check(line.size() <= 2 * size + 2);
      line.resize(line.size() * 2);
      continue;
    }
    Check(result == oxim::kLineRead);
    Check(std::memchr(line.data(), '\0', line.size()) != nullptr);
  }
  std::fclose(stream);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  int n = static_cast<int>(data[0] % 16) - 1;
  size_t out_size = data[1] % 64;
  char separator = static_cast<char>(data[2]);
  std::string rest(reinterpret_cast<const char*>(data + 3), size - 3);
  size_t nul = rest.find('\0');
  std::string text = rest.substr(0, nul);
  std::string other;
  if (nul != std::string::npos) {
    other = rest.substr(nul + 1);
    other = other.substr(0, other.find('\0'));
  }
  uint32_t blocks = oxim_counter;
  CheckFields(text, other, n, out_size, separator);
  Check(oxim_counter == blocks);
  CheckList(text, other, data[0] % 3);
  CheckLines(data, size);
  return 0;
}
