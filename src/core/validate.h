// Value checks by data type. Every property write and every given command
// parameter passes through oxim_validate before a handler sees it; the result
// is one of the codes below, which the tree interface turns into the last
// status ("Invalid value.", "Value out of range. ...", "Number of characters
// should be ...").
//
// Usage:
//   char value[OXIM_VALUE_SIZE] = "fe80::1";
//   int code = oxim::oxim_validate(value, "", OXIM_TYPE_IP_ADDRESS, 0, 0);
//   // code == oxim::kValueAccepted and value now holds
//   // "FE80:0000:0000:0000:0000:0000:0000:0001".
#ifndef OXIM_CORE_VALIDATE_H_
#define OXIM_CORE_VALIDATE_H_

#include <cstddef>
#include <cstdint>

#include "oxim/oxim.h"

namespace oxim {

// Results of the value checks.
inline constexpr int kValueAccepted = 0;
inline constexpr int kValueInvalid = 6;     // "Invalid value."
inline constexpr int kValueOutOfRange = 7;  // integer outside minimum..maximum
inline constexpr int kValueBadLength = 8;   // text length outside minimum..maximum

static_assert(kValueInvalid == OXIM_STATUS_INVALID_VALUE);
static_assert(kValueOutOfRange == OXIM_STATUS_OUT_OF_RANGE);
static_assert(kValueBadLength == OXIM_STATUS_BAD_LENGTH);

// Longest dotted IPv4 text ("255.255.255.255").
inline constexpr size_t kIpv4TextMax = 15;
// Size of a buffer that holds the full IPv6 form: 8 groups of 4 upper-case
// hexadecimal digits, 7 colons and the NUL.
inline constexpr size_t kIpv6TextSize = 40;

// Checks value by data type (OXIM_TYPE_*): text length, integer range, IP
// address, subnet mask or membership of the comma-separated valid_values.
// Unknown types accept everything. A missing value is refused with
// kValueInvalid for every known type. valid_values may be null (no items).
// An accepted IPv6 address is rewritten in place into its full form.
// REQUIRES: for OXIM_TYPE_IP_ADDRESS, value is writable and its buffer holds
// at least kIpv6TextSize bytes.
int oxim_validate(char* value, const char* valid_values, uint32_t type, int32_t minimum,
                  int32_t maximum);

// kValueBadLength if the length of text in bytes is below minimum or above
// maximum, else kValueAccepted.
int oxim_validate_val_string(const char* text, int32_t minimum, int32_t maximum);

// Reads text as a signed 32-bit number in strtol base-0 notation (decimal,
// 0x/0X hexadecimal, leading-0 octal; leading blanks and a sign allowed).
// kValueInvalid for an empty text or characters after the number;
// kValueOutOfRange for a number beyond 32 bits or outside minimum..maximum.
int oxim_validate_val_integer(const char* text, int32_t minimum, int32_t maximum);

// kValueAccepted if text equals, ignoring case, one item of the
// comma-separated valid_values (items as they stand, blanks included); else
// kValueInvalid. An empty list has one empty item: it accepts only "".
int oxim_validate_list(const char* text, const char* valid_values);

// An IP address: the IPv6 check below when the text is longer than 2
// characters and holds ":"; otherwise a dotted IPv4 host address (at most 15
// characters, four parts 0..255, an empty part counting as 0; 0.0.0.0 and
// first octets 127 and 255 are refused). kValueAccepted or kValueInvalid.
// REQUIRES: text is writable and its buffer holds kIpv6TextSize bytes.
int oxim_validate_ip(char* text);

// A subnet mask: four dotted parts 0..255 (at most 15 characters; a part
// without digits counts as 0) whose 32 bits are a run of ones followed by
// zeros, with 1 to 32 ones. kValueAccepted or kValueInvalid.
int oxim_validate_subnetmask(const char* text);

// The IPv6 address check: groups of 1 to 4 hexadecimal digits separated by
// ":", with at most one "::" (not at the start) for one or more zero groups
// and a single trailing ":" counting as a last zero group, coming to exactly
// 8 groups. On success the text is rewritten into the 39-character full
// form (upper case) and 0 is returned; otherwise 6.
// REQUIRES: text is NUL-terminated and its buffer holds kIpv6TextSize bytes.
int ValidateIpv6(char* text);

}  // namespace oxim

#endif  // OXIM_CORE_VALIDATE_H_
