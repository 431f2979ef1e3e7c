// Value checks by data type; see validate.h.
#include "core/validate.h"

#include <strings.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace oxim {
namespace {

constexpr int kIpv6Groups = 8;
constexpr int kIpv6GroupDigits = 4;

// True if the number strtol would read at text carries a minus sign. strtol
// happily reads "-1", which is no octet.
bool HasMinusSign(const char* text) {
  while (std::isspace(static_cast<unsigned char>(*text))) ++text;
  return *text == '-';
}

// Reads one dotted part at text with strtol base 10: an empty part is 0.
// Returns false for a negative part or one above 255. *end is set to the
// first character after the number (text itself when there are no digits).
bool ReadOctetPart(const char* text, long* value, const char** end) {
  char* stop = nullptr;
  errno = 0;
  long v = std::strtol(text, &stop, 10);
  *end = stop;
  if (stop == text) {
    *value = 0;
    return true;
  }
  if (errno == ERANGE || v > 255 || v < 0 || HasMinusSign(text)) return false;
  *value = v;
  return true;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Parses an IPv6 text into 8 groups. Stops at the NUL or at the first
// character that cannot belong to a valid address, so it never reads more
// than a few characters beyond the longest valid text.
bool ParseIpv6(const char* text, uint16_t groups[kIpv6Groups]) {
  if (text[0] == '\0' || text[0] == ':') return false;  // empty, "::..." or ":..."
  uint16_t head[kIpv6Groups] = {};
  uint16_t tail[kIpv6Groups] = {};
  int head_count = 0;
  int tail_count = 0;
  bool compressed = false;
  size_t i = 0;
  auto append = [&](uint16_t value) {
    if (head_count + tail_count >= kIpv6Groups) return false;
    if (compressed) {
      tail[tail_count++] = value;
    } else {
      head[head_count++] = value;
    }
    return true;
  };
  for (;;) {
    int digits = 0;
    unsigned value = 0;
    for (int d; (d = HexValue(text[i])) >= 0; ++i) {
      if (++digits > kIpv6GroupDigits) return false;
      value = value * 16 + static_cast<unsigned>(d);
    }
    if (digits == 0 || !append(static_cast<uint16_t>(value))) return false;
    if (text[i] == '\0') break;
    if (text[i] != ':') return false;
    ++i;
    if (text[i] == ':') {
      if (compressed) return false;  // a second "::"
      compressed = true;
      ++i;
      if (text[i] == '\0') break;  // "::" at the end stands for the last groups
      continue;
    }
    if (text[i] == '\0') {  // a single trailing ":" is a last group of zero
      if (!append(0)) return false;
      break;
    }
  }
  int given = head_count + tail_count;
  if (compressed ? given >= kIpv6Groups : given != kIpv6Groups) return false;
  int zeros = kIpv6Groups - given;
  int out = 0;
  for (int k = 0; k < head_count; ++k) groups[out++] = head[k];
  for (int k = 0; k < zeros; ++k) groups[out++] = 0;
  for (int k = 0; k < tail_count; ++k) groups[out++] = tail[k];
  return true;
}

int ValidateIpv4(const char* text) {
  if (strnlen(text, kIpv4TextMax + 1) > kIpv4TextMax) return kValueInvalid;
  long octets[4] = {};
  const char* part = text;
  for (int k = 0; k < 4; ++k) {
    const char* end = nullptr;
    if (!ReadOctetPart(part, &octets[k], &end)) return kValueInvalid;
    if (k < 3) {
      if (*end != '.') return kValueInvalid;  // other separator, or too few parts
      part = end + 1;
    } else if (*end != '\0') {
      return kValueInvalid;  // something after the fourth part
    }
  }
  bool all_zero = octets[0] == 0 && octets[1] == 0 && octets[2] == 0 && octets[3] == 0;
  // 255 as first octet also covers 255.255.255.255.
  if (all_zero || octets[0] == 127 || octets[0] == 255) return kValueInvalid;
  return kValueAccepted;
}

}  // namespace

int ValidateIpv6(char* text) {
  if (text == nullptr) return kValueInvalid;
  uint16_t groups[kIpv6Groups];
  if (!ParseIpv6(text, groups)) return kValueInvalid;
  char full[kIpv6TextSize];
  std::snprintf(full, sizeof full, "%04X:%04X:%04X:%04X:%04X:%04X:%04X:%04X", groups[0], groups[1],
                groups[2], groups[3], groups[4], groups[5], groups[6], groups[7]);
  std::memcpy(text, full, sizeof full);
  return kValueAccepted;
}

int oxim_validate(char* value, const char* valid_values, uint32_t type, int32_t minimum,
                  int32_t maximum) {
  switch (type) {
    case OXIM_TYPE_TEXT: return oxim_validate_val_string(value, minimum, maximum);
    case OXIM_TYPE_INTEGER: return oxim_validate_val_integer(value, minimum, maximum);
    case OXIM_TYPE_IP_ADDRESS: return oxim_validate_ip(value);
    case OXIM_TYPE_SUBNET_MASK: return oxim_validate_subnetmask(value);
    case OXIM_TYPE_LIST: return oxim_validate_list(value, valid_values);
    default: return kValueAccepted;
  }
}

int oxim_validate_val_string(const char* text, int32_t minimum, int32_t maximum) {
  if (text == nullptr) return kValueInvalid;
  // 64-bit comparison: a length never wraps against a negative minimum.
  long long length = static_cast<long long>(std::strlen(text));
  if (length > maximum || length < minimum) return kValueBadLength;
  return kValueAccepted;
}

int oxim_validate_val_integer(const char* text, int32_t minimum, int32_t maximum) {
  if (text == nullptr || text[0] == '\0') return kValueInvalid;
  char* end = nullptr;
  errno = 0;
  long long value = std::strtoll(text, &end, 0);
  if (end == text || *end != '\0') return kValueInvalid;
  if (errno == ERANGE || value > INT32_MAX || value < INT32_MIN) return kValueOutOfRange;
  if (value > maximum || value < minimum) return kValueOutOfRange;
  return kValueAccepted;
}

int oxim_validate_list(const char* text, const char* valid_values) {
  if (text == nullptr) return kValueInvalid;
  if (valid_values == nullptr) return kValueInvalid;
  size_t text_length = std::strlen(text);
  const char* item = valid_values;
  for (;;) {
    const char* comma = std::strchr(item, ',');
    size_t length = comma != nullptr ? static_cast<size_t>(comma - item) : std::strlen(item);
    if (length == text_length && strncasecmp(item, text, length) == 0) return kValueAccepted;
    if (comma == nullptr) return kValueInvalid;
    item = comma + 1;
  }
}

int oxim_validate_ip(char* text) {
  if (text == nullptr) return kValueInvalid;
  if (strnlen(text, 3) > 2 && std::strchr(text, ':') != nullptr) return ValidateIpv6(text);
  return ValidateIpv4(text);
}

int oxim_validate_subnetmask(const char* text) {
  if (text == nullptr || strnlen(text, kIpv4TextMax + 1) > kIpv4TextMax) return kValueInvalid;
  uint32_t mask = 0;
  int parts = 0;
  const char* part = text;
  for (;;) {
    if (++parts > 4) return kValueInvalid;
    long octet = 0;
    const char* end = nullptr;
    if (!ReadOctetPart(part, &octet, &end)) return kValueInvalid;
    mask = (mask << 8) | static_cast<uint32_t>(octet);
    // Whatever follows the digits up to the next "." belongs to this part.
    const char* dot = std::strchr(part, '.');
    if (dot == nullptr) break;
    part = dot + 1;
  }
  if (parts != 4 || mask == 0) return kValueInvalid;
  // Ones then zeros: the inverted mask is of the form 0...01...1.
  uint32_t inverted = ~mask;
  if ((inverted & (inverted + 1)) != 0) return kValueInvalid;
  return kValueAccepted;
}

}  // namespace oxim
