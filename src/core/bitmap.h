// Bit maps: n bits in (n + 7) / 8 bytes; bit i is bit (i mod 8) of byte
// i / 8, bit 0 the least significant. Used for the used-tag map of a
// hierarchy and for the instance map words of the group templates.
#ifndef OXIM_CORE_BITMAP_H_
#define OXIM_CORE_BITMAP_H_

#include <cstdint>

namespace oxim {

// Bytes a map of n bits occupies.
inline constexpr int bitmap_bytes(int n) { return n > 0 ? (n + 7) / 8 : 0; }

// A zeroed, counted map of n bits; nullptr for n <= 0 or when memory runs out.
uint8_t* alloc_bitfield(int n);
void free_bitfield(uint8_t* map);

// Each answers -1 when i is not in [0, n). is_set answers nonzero for a set
// bit; set_bit and clear_bit answer 0.
int is_set(const uint8_t* map, int n, int i);
int set_bit(uint8_t* map, int n, int i);
int clear_bit(uint8_t* map, int n, int i);

// The lowest index below n whose bit is set (clear); -1 if none or n < 1.
int get_first_one(const uint8_t* map, int n);
int get_first_zero(const uint8_t* map, int n);

}  // namespace oxim

#endif  // OXIM_CORE_BITMAP_H_
