// Text helpers every layer uses: comparison that ignores ASCII case, and
// hexadecimal digits and numbers. One definition each, so that a rule (what
// counts as a hexadecimal number) is the same everywhere.
#ifndef OXIM_CORE_STRINGS_H_
#define OXIM_CORE_STRINGS_H_

#include <cstdint>
#include <optional>
#include <string_view>

namespace oxim {

// Whether a and b are equal when ASCII letters are compared without case.
bool equal_ignoring_case(std::string_view a, std::string_view b);

// The value of a hexadecimal digit (either case), or -1.
int hex_digit_value(char c);
inline bool is_hex_digit(char c) { return hex_digit_value(c) >= 0; }

// Whether text is valid UTF-8 (RFC 3629: no overlong forms, no surrogates,
// nothing above U+10FFFF).
bool is_valid_utf8(std::string_view text);
// Whether a name is one a host's network interface could have: 1 to 15
// letters, digits, ".", "-", "_" or ":", not starting with "-" (which a host
// tool given the name would take for an option). Names are checked before
// they reach a host tool.
bool is_plausible_interface_name(std::string_view name);

// A whole text of 1 to 8 hexadecimal digits, with an optional "0x" or "0X"
// in front, as a number; nullopt for anything else.
std::optional<uint32_t> parse_hex32(std::string_view text);

}  // namespace oxim

#endif  // OXIM_CORE_STRINGS_H_
