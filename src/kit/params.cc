// Parameter slots; see params.h.
#include "kit/params.h"

#include <cstring>

#include "core/node.h"

namespace oxim {

std::string param_text(const char* params, int i) {
  if (params == nullptr || i < 0 || i >= kMaxParams) return {};
  const char* slot = params + static_cast<size_t>(i) * kParamSize;
  return std::string(slot, strnlen(slot, kParamSize));
}

void clear_params(char* params) {
  if (params != nullptr) std::memset(params, 0, kParamBlockSize);
}

}  // namespace oxim
