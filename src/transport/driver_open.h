// Reference-counted start and stop of the library for the IMA plug-in: the
// first driver_open starts the library (OXIM_init), the driver_close that
// brings the count back to zero stops it (OXIM_exit).
#ifndef OXIM_TRANSPORT_DRIVER_OPEN_H_
#define OXIM_TRANSPORT_DRIVER_OPEN_H_

#include <cstdint>

namespace oxim {

// The plug-in's trace file, appended to when the start fails.
inline constexpr char kImaLogPath[] = "/tmp/ima.log";

// Counts a user. The first one calls OXIM_init; a failure is appended to
// the plug-in's trace file ("OXIM_init status is %d\n"), and the library
// counts as started whatever the result. Returns OXIM_init's status for the
// first user, else 0.
uint32_t driver_open();
// Uncounts a user; the one that brings the count to zero calls OXIM_exit.
// Without a user it does nothing. Returns OXIM_exit's status, else 0.
uint32_t driver_close();

}  // namespace oxim

#endif  // OXIM_TRANSPORT_DRIVER_OPEN_H_
