// The parameter slots of a command as its handler reads them: six
// consecutive 256-byte texts in the order of the command's parameter
// definitions (a slot the client left out arrives as an empty text).
#ifndef OXIM_KIT_PARAMS_H_
#define OXIM_KIT_PARAMS_H_

#include <string>

namespace oxim {

// Slot i of a command's parameter block (text up to its NUL or the slot's
// end); empty for a null block or a slot out of range.
std::string param_text(const char* params, int i);
// Clears a command's parameter block (1536 bytes).
void clear_params(char* params);

}  // namespace oxim

#endif  // OXIM_KIT_PARAMS_H_
