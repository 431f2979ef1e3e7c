// liboxim.so is the whole of oxim_internal; the version script oxim.map
// decides which of its symbols other programs see. This file only gives the
// shared library target a source of its own.
#include "oxim/oxim.h"
