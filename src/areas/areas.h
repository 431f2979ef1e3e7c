// The list of the library's areas (area_list.inc) and their descriptors.
// Start-up installs the list before it builds the tree; nothing else names
// an area.
#ifndef OXIM_AREAS_AREAS_H_
#define OXIM_AREAS_AREAS_H_

#include <span>

#include "schema/area.h"

namespace oxim {

// One descriptor per area, defined in the area's area.cc.
#define OXIM_AREA(name) extern const Area name##_area;
#include "areas/area_list.inc"
#undef OXIM_AREA

// Every area, in list order.
std::span<const Area* const> library_areas();

}  // namespace oxim

#endif  // OXIM_AREAS_AREAS_H_
