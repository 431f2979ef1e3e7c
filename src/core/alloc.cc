// Counted allocation wrappers; see alloc.h.
#include "core/alloc.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

#include "oxim/oxim.h"

// Exported: the number of live library blocks. Property handlers allocate
// outside the library lock, so the count is changed atomically.
uint32_t oxim_counter = 0;

namespace oxim {
namespace {
void count(int delta) {
  std::atomic_ref<uint32_t>(oxim_counter)
      .fetch_add(static_cast<uint32_t>(delta), std::memory_order_relaxed);
}
}  // namespace

void* oxim_dmalloc(size_t size) {
  void* block = std::malloc(size);
  if (block != nullptr) count(1);
  return block;
}

char* oxim_dstrdup(const char* text) {
  if (text == nullptr) return nullptr;
  char* copy = strdup(text);
  if (copy != nullptr) count(1);
  return copy;
}

void oxim_dfree(void* block) {
  if (block == nullptr) return;
  std::free(block);
  count(-1);
}

}  // namespace oxim
