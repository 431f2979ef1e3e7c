// JSON documents that are always valid: property values, names and messages
// are byte strings that need not be UTF-8, and a JSON text must be. Every
// document oximctl prints goes through print_json.
#ifndef OXIM_TOOLS_OXIMCTL_JSON_TEXT_H_
#define OXIM_TOOLS_OXIMCTL_JSON_TEXT_H_

#include <iosfwd>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

namespace oximctl {

// Keys stay in the order written, so documents read like the outline.
using json = nlohmann::ordered_json;

// The text with every byte that is not part of a valid UTF-8 sequence
// (RFC 3629: no overlong forms, no surrogates, nothing above U+10FFFF)
// written as the four characters \xHH, H an upper-case hexadecimal digit.
// Valid UTF-8 comes back unchanged.
std::string valid_utf8(std::string_view text);

// Writes the document with every key and string value made valid UTF-8;
// indented by two (a document per command) or on one line (compact, for
// documents that follow one another line by line).
void print_json(std::ostream& out, const json& document, bool compact = false);

}  // namespace oximctl

#endif  // OXIM_TOOLS_OXIMCTL_JSON_TEXT_H_
