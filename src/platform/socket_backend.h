// The emulated adapter as a device: the backend that OXIM_ADAPTER=emulator
// and emulator:FILE choose talks to the root's adapter daemon
// (oxim-emulatord) over a Unix socket, as every process of a host talks to
// the one adapter through its drivers. When no daemon answers for the root,
// the backend starts one and waits for it at most 2 seconds; a daemon that
// runs another configuration than the one the process names is refused,
// and so is a socket of another user. A daemon that goes away makes driver
// calls fail with EIO, as a driver does; the next device open starts a new
// one.
//
// Where things are, under OXIM_ROOT:
//   /var/run/oxim-emulator/         0700, the daemon's socket and lock
//   /var/lib/oxim-emulator/         0700, the adapter's flash (files 0600)
//
// The daemon program is the one OXIM_EMULATORD names, else oxim-emulatord
// beside the library (or in ../libexec from it).
#ifndef OXIM_PLATFORM_SOCKET_BACKEND_H_
#define OXIM_PLATFORM_SOCKET_BACKEND_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/device_backend.h"
#include "platform/emulator_wire.h"

namespace oxim::platform {

using wire::kDaemonStartWaitMs;
using wire::kEmulatorLockPath;
using wire::kEmulatorRunDirectory;
using wire::kEmulatorSocketPath;
using wire::kEmulatorStateDirectory;

// A backend for "emulator" (config_file empty: the built-in configuration)
// or "emulator:FILE". nullptr when FILE cannot be read (the reason is then
// the emulator problem).
std::unique_ptr<DeviceBackend> MakeSocketBackend(std::string_view config_file);

// Why the emulated adapter of this root could not be used, in words for the
// log and the last status ("" once a daemon accepted this process).
std::string EmulatorProblem();

// A control request to the daemon of this root (JSON text, see
// emulator/README.md), whose JSON answer goes to *answer. {"op":"start"}
// (with "config": FILE) starts a daemon when none runs. 0, or 1 with the
// reason in *answer (no daemon runs, the request was refused).
uint32_t EmulatorControl(std::string_view request, std::string* answer);

}  // namespace oxim::platform

#endif  // OXIM_PLATFORM_SOCKET_BACKEND_H_
