// The names of the IPL files the controllers' boot images are built from,
// by IPL file number, for the additional attributes that give a number
// rather than a name; see controller_update.h.
#include <cstdio>
#include <string>

#include "areas/controller/controller_update.h"
#include "kit/function_tree.h"

namespace oxim {
namespace {

// The IPL table: entry 0 is "UNKNOWNIPL"; entries 1 to 113 name the QF3
// images, 114 to 151 the Tindra images (Tindra numbers 256 to 293).
constexpr int kIplEntries = 152;
constexpr int kLastQf3Entry = 113;
constexpr int kTindraFirstNumber = 256;
constexpr int kTindraOffset = 142;

std::string ipl_table_entry(int entry) {
  if (entry == 0) return "UNKNOWNIPL";
  char name[35];
  if (entry <= kLastQf3Entry) {
    std::snprintf(name, sizeof name, "QF3_IPL%03d_", entry);
  } else {
    std::snprintf(name, sizeof name, "TD_IPL%03d_", entry);
  }
  return name;
}

}  // namespace

std::string ipl_file_name(int chip, uint16_t number, uint16_t suffix, const std::string& name) {
  if (!name.empty()) return name;
  int entry = -1;
  if (chip == kChipQF3 && number >= 1 && number <= kLastQf3Entry) entry = number;
  if (chip == kChipTindra && number >= kTindraFirstNumber) entry = number - kTindraOffset;
  if (entry < 0 || entry >= kIplEntries) return "N/A";
  char text[48];
  std::snprintf(text, sizeof text, "%s%X", ipl_table_entry(entry).c_str(), suffix);
  return text;
}

}  // namespace oxim
