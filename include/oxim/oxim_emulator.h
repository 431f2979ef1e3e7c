/*
 * oxim_emulator.h: control of the emulated adapter, for tests and demos.
 *
 * With OXIM_ADAPTER=emulator (or emulator:FILE) the library talks to the
 * emulated adapter of OXIM_ROOT, a daemon (oxim-emulatord) that every process
 * using the root shares, as every process of a host shares one adapter. The
 * library starts it when none runs. These requests start, inspect, reboot
 * and stop it, and inject faults; each is a JSON object with "op" (the
 * operations and their answers are listed in emulator/README.md):
 *
 *   char answer[4096];
 *   OXIM_emulator_control("{\"op\":\"status\"}", answer, sizeof answer);
 */
#ifndef OXIM_OXIM_EMULATOR_H_
#define OXIM_OXIM_EMULATOR_H_

#include <stdint.h>

#include "oxim/oxim.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Sends one control request to the emulated adapter of OXIM_ROOT and writes
 * its JSON answer (NUL-terminated) into answer (size bytes). 0 when the
 * request was carried out; 1 when it was refused or no emulated adapter
 * runs (the answer then holds {"error": "..."}); OXIM_STATUS_ARRAY_TOO_SMALL
 * when the answer does not fit (answer then holds as much as fits). */
OXIM_EXPORT uint32_t OXIM_emulator_control(const char* request, char* answer, uint32_t size);

#ifdef __cplusplus
}
#endif

#endif /* OXIM_OXIM_EMULATOR_H_ */
