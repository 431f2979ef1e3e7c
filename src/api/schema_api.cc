// Exported calls about the tree's schema.
#include <cstring>
#include <string>

#include "api/guard.h"
#include "areas/areas.h"
#include "oxim/oxim.h"
#include "schema/area.h"
#include "schema/template.h"

namespace {

uint32_t list_unimplemented_handlers(char* names, uint32_t size, uint32_t* count) {
  if (names == nullptr || count == nullptr || size == 0) return OXIM_STATUS_FAILURE;
  oxim::install_areas(oxim::library_areas());
  const std::vector<std::string> missing = oxim::unregistered_handlers(oxim::template_catalogue());
  *count = static_cast<uint32_t>(missing.size());
  std::string text;
  uint32_t status = OXIM_STATUS_SUCCESS;
  for (const std::string& name : missing) {
    if (text.size() + name.size() + 1 >= size) {
      status = OXIM_STATUS_ARRAY_TOO_SMALL;
      break;
    }
    text += name + "\n";
  }
  std::memcpy(names, text.c_str(), text.size() + 1);
  return status;
}

}  // namespace

extern "C" uint32_t OXIM_get_unimplemented_handlers(char* names, uint32_t size, uint32_t* count) {
  return oxim::guarded(__func__, [&] { return list_unimplemented_handlers(names, size, count); });
}
