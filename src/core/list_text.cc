// Comma-separated list editing; see list_text.h.
#include "core/list_text.h"

#include <strings.h>

#include <cstring>

namespace oxim {
namespace {

bool SameItem(const char* candidate, size_t length, const char* item, size_t item_length,
              int mode) {
  if (length != item_length) return false;
  if (mode == kListMatchCase) return std::strncmp(candidate, item, length) == 0;
  if (mode == kListIgnoreCase) return strncasecmp(candidate, item, length) == 0;
  return false;
}

// Length of a list held in a kListSize buffer, or kListSize if it has no NUL
// there.
size_t ListLength(const char* list) { return strnlen(list, kListSize); }

}  // namespace

const char* oxim_internal_list_search(const char* list, const char* item, int mode) {
  if (list == nullptr || item == nullptr || list[0] == '\0' || item[0] == '\0') return nullptr;
  size_t item_length = std::strlen(item);
  const char* start = list;
  for (;;) {
    const char* comma = std::strchr(start, ',');
    size_t length = comma != nullptr ? static_cast<size_t>(comma - start) : std::strlen(start);
    if (SameItem(start, length, item, item_length, mode)) return start;
    if (comma == nullptr) return nullptr;
    start = comma + 1;
  }
}

char* oxim_internal_list_search(char* list, const char* item, int mode) {
  return const_cast<char*>(oxim_internal_list_search(static_cast<const char*>(list), item, mode));
}

int oxim_internal_list_add(char* list, const char* item, int mode) {
  if (list == nullptr || item == nullptr || item[0] == '\0') return 1;
  size_t length = ListLength(list);
  if (length >= kListSize) return 1;
  if (oxim_internal_list_search(static_cast<const char*>(list), item, mode) != nullptr) return 1;
  size_t item_length = std::strlen(item);
  size_t comma = length > 0 ? 1 : 0;
  if (length + comma + item_length >= kListSize) return 1;
  if (comma != 0) list[length] = ',';
  std::memcpy(list + length + comma, item, item_length + 1);
  return 0;
}

int oxim_internal_list_del(char* list, const char* item, int mode) {
  if (list == nullptr || item == nullptr) return 1;
  size_t length = ListLength(list);
  if (length >= kListSize) return 1;
  char* found = oxim_internal_list_search(list, item, mode);
  if (found == nullptr) return 1;
  char* from = found;                    // first byte removed
  char* to = found + std::strlen(item);  // first byte kept
  if (found == list) {
    if (*to == ',') ++to;
  } else {
    --from;  // the preceding comma
  }
  std::memmove(from, to, std::strlen(to) + 1);
  return 0;
}

}  // namespace oxim
