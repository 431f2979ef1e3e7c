// Properties of a group by name, as handlers read and write them: through
// the property's handler (read_prop, write_prop), or straight from and into
// its cached value (cached_prop, cache_prop) where a handler must not run
// again. Texts are cut to a property value's 255 characters.
//
// Each takes the store's lock for its tree access and may be called from
// handlers with or without the library lock.
#ifndef OXIM_KIT_PROPERTIES_H_
#define OXIM_KIT_PROPERTIES_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "core/node.h"

namespace oxim {

// Reads group's property name through its handler into *value. false when
// the group or property is missing or the handler fails.
bool read_prop(Node* group, const char* name, std::string* value);
// The value, or empty text when it cannot be read.
std::string prop_or_empty(Node* group, const char* name);
// Sets group's property name through its handler. false on failure.
bool write_prop(Node* group, const char* name, std::string_view value);
// Writes the cached value of group's property name without its handler.
bool cache_prop(Node* group, const char* name, std::string_view value);
// Reads the cached value of group's property name without its handler.
std::string cached_prop(Node* group, const char* name);

// What a property handler ends a read with: the property's cached value
// copied into the caller's 256-byte buffer (copy_out), after the value is
// made the cached value (show). Both return 0.
uint32_t copy_out(Node* property, char* buffer);
uint32_t show(Node* property, char* buffer, std::string_view value);
// The text a property handler is given to write (at most 255 characters
// before its NUL).
std::string written_value(const char* buffer);

}  // namespace oxim

#endif  // OXIM_KIT_PROPERTIES_H_
