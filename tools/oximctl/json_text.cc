// Valid JSON from arbitrary bytes; see json_text.h.
#include "json_text.h"

#include <ostream>

namespace oximctl {
namespace {

// Length of the valid UTF-8 sequence at text[i], or 0 when the byte there
// does not begin one.
size_t sequence_length(std::string_view text, size_t i) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(i);
  if (lead < 0x80) return 1;
  size_t length = 0;
  unsigned char low = 0x80;  // range of the second byte
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // no overlong forms
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;   // no overlong forms
    if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  if (byte(i + 1) < low || byte(i + 1) > high) return 0;
  for (size_t k = 2; k < length; ++k) {
    if (byte(i + k) < 0x80 || byte(i + k) > 0xBF) return 0;
  }
  return length;
}

json sanitized(const json& value) {
  if (value.is_string()) return valid_utf8(value.get_ref<const std::string&>());
  if (value.is_array()) {
    json copy = json::array();
    for (const json& item : value) copy.push_back(sanitized(item));
    return copy;
  }
  if (value.is_object()) {
    json copy = json::object();
    for (auto it = value.begin(); it != value.end(); ++it) {
      copy[valid_utf8(it.key())] = sanitized(it.value());
    }
    return copy;
  }
  return value;
}

}  // namespace

std::string valid_utf8(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const size_t length = sequence_length(text, i);
    if (length == 0) {
      const auto bad = static_cast<unsigned char>(text[i]);
      out += "\\x";
      out += kHex[bad >> 4];
      out += kHex[bad & 0xF];
      ++i;
    } else {
      out.append(text.substr(i, length));
      i += length;
    }
  }
  return out;
}

void print_json(std::ostream& out, const json& document, bool compact) {
  out << sanitized(document).dump(compact ? -1 : 2) << "\n";
}

}  // namespace oximctl
