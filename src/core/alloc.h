// Counted allocation: every block the library owns goes through these calls,
// so oxim_counter tells how many blocks are alive. A client (and the tests)
// check that the count is back where it started after the last OXIM_exit.
#ifndef OXIM_CORE_ALLOC_H_
#define OXIM_CORE_ALLOC_H_

#include <cstddef>
#include <new>
#include <utility>

namespace oxim {

// malloc, counted. Returns nullptr when memory runs out (or for size 0 where
// malloc does); the count changes only when a block was returned.
void* oxim_dmalloc(size_t size);
// strdup, counted; nullptr for a missing text.
char* oxim_dstrdup(const char* text);
// free, counted; a null block is ignored.
void oxim_dfree(void* block);

// Allocates and value-initialises a T in a counted block; nullptr when
// memory runs out. T's constructor must not throw.
template <class T, class... Args>
T* counted_new(Args&&... args) {
  void* block = oxim_dmalloc(sizeof(T));
  if (block == nullptr) return nullptr;
  return new (block) T(std::forward<Args>(args)...);
}

// Destroys and frees a T made by counted_new; null is ignored.
template <class T>
void counted_delete(T* object) {
  if (object == nullptr) return;
  object->~T();
  oxim_dfree(object);
}

}  // namespace oxim

#endif  // OXIM_CORE_ALLOC_H_
