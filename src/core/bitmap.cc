// Bit maps; see bitmap.h. The scans skip whole bytes so that a 1024-bit
// instance map or a large used-tag map is searched quickly.
#include "core/bitmap.h"

#include <cstdint>
#include <cstring>

#include "core/alloc.h"

namespace oxim {

uint8_t* alloc_bitfield(int n) {
  if (n <= 0) return nullptr;
  auto* map = static_cast<uint8_t*>(oxim_dmalloc(bitmap_bytes(n)));
  if (map != nullptr) std::memset(map, 0, bitmap_bytes(n));
  return map;
}

void free_bitfield(uint8_t* map) { oxim_dfree(map); }

int is_set(const uint8_t* map, int n, int i) {
  if (map == nullptr || i < 0 || i >= n) return -1;
  return (map[i / 8] >> (i % 8)) & 1;
}

int set_bit(uint8_t* map, int n, int i) {
  if (map == nullptr || i < 0 || i >= n) return -1;
  map[i / 8] = static_cast<uint8_t>(map[i / 8] | (1u << (i % 8)));
  return 0;
}

int clear_bit(uint8_t* map, int n, int i) {
  if (map == nullptr || i < 0 || i >= n) return -1;
  map[i / 8] = static_cast<uint8_t>(map[i / 8] & ~(1u << (i % 8)));
  return 0;
}

namespace {
// First index below n whose bit equals `want`. Eight bytes with no
// candidate are skipped at once (the used-tag map of a large tree is
// scanned for every node made), then single bytes.
int find_first(const uint8_t* map, int n, int want) {
  if (map == nullptr || n < 1) return -1;
  const int bytes = bitmap_bytes(n);
  const uint64_t skip_word = want ? 0 : ~uint64_t{0};
  int byte = 0;
  for (; byte + 8 <= bytes; byte += 8) {
    uint64_t word;
    std::memcpy(&word, map + byte, sizeof word);
    if (word != skip_word) break;
  }
  const uint8_t skip = want ? 0x00 : 0xFF;
  for (; byte < bytes; ++byte) {
    if (map[byte] == skip) continue;
    for (int bit = 0; bit < 8; ++bit) {
      int i = byte * 8 + bit;
      if (i >= n) return -1;
      if (((map[byte] >> bit) & 1) == want) return i;
    }
  }
  return -1;
}
}  // namespace

int get_first_one(const uint8_t* map, int n) { return find_first(map, n, 1); }
int get_first_zero(const uint8_t* map, int n) { return find_first(map, n, 0); }

}  // namespace oxim
