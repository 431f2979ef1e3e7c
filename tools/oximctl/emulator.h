// oximctl emulator: start, stop, inspect and disturb the emulated adapter of
// a root through the library's control call (oxim/oxim_emulator.h), without
// starting the library's tree.
#ifndef OXIM_TOOLS_OXIMCTL_EMULATOR_H_
#define OXIM_TOOLS_OXIMCTL_EMULATOR_H_

#include <string>

#include "cli.h"
#include "commands.h"

namespace oximctl {

// Carries out `emulator ACTION ...` (the action and its arguments checked by
// the parser); prints the daemon's answer as text, or as its JSON document.
int run_emulator(const Invocation& invocation, Output& output);

// Whether the emulated adapter of OXIM_ROOT answers.
bool emulator_running();

}  // namespace oximctl

#endif  // OXIM_TOOLS_OXIMCTL_EMULATOR_H_
