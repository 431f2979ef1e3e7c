// The list of areas; see areas.h.
#include "areas/areas.h"

namespace oxim {

std::span<const Area* const> library_areas() {
  static const Area* const kAreas[] = {
#define OXIM_AREA(name) &name##_area,
#include "areas/area_list.inc"
#undef OXIM_AREA
  };
  return kAreas;
}

}  // namespace oxim
