// Editing of comma-separated lists kept in 256-byte text buffers (property
// values such as lists of names or addresses). Items are compared whole, with
// or without case; an empty list text holds no item, and an empty item
// counts as a missing one (it could not be told apart from no item).
//
// Usage:
//   char list[oxim::kListSize] = "a,b";
//   oxim::oxim_internal_list_add(list, "c", oxim::kListMatchCase);  // "a,b,c"
//   oxim::oxim_internal_list_del(list, "A", oxim::kListIgnoreCase); // "b,c"
#ifndef OXIM_CORE_LIST_TEXT_H_
#define OXIM_CORE_LIST_TEXT_H_

#include <cstddef>

namespace oxim {

// Comparison modes; any other mode matches nothing.
inline constexpr int kListMatchCase = 0;
inline constexpr int kListIgnoreCase = 1;

// Size of a list buffer: at most 255 characters and the NUL.
inline constexpr size_t kListSize = 256;

// The start of the first item of list equal to item (by mode) inside the list
// text, or nullptr (also for a missing list or item, or an empty list or
// item).
const char* oxim_internal_list_search(const char* list, const char* item, int mode);
char* oxim_internal_list_search(char* list, const char* item, int mode);

// Appends item (after a "," unless the list is empty). 1 without change if
// list or item is missing, the item is already in the list (by mode), list
// is not terminated within kListSize bytes, or the result would not fit
// kListSize bytes; else 0. REQUIRES: list holds kListSize bytes.
int oxim_internal_list_add(char* list, const char* item, int mode);

// Removes the first item equal to item (by mode) together with one adjoining
// comma: the following one for the first item, the preceding one otherwise.
// 1 without change if list or item is missing, list is not terminated within
// kListSize bytes, or the item is not found; else 0.
int oxim_internal_list_del(char* list, const char* item, int mode);

}  // namespace oxim

#endif  // OXIM_CORE_LIST_TEXT_H_
