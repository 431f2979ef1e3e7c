// Blocking I/O on the Unix stream socket between the library and the
// emulated adapter's daemon, shared by both ends: whole sends and reads,
// length-prefixed frames, connecting by path, and the peer's user.
#ifndef OXIM_PLATFORM_UNIX_SOCKET_H_
#define OXIM_PLATFORM_UNIX_SOCKET_H_

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace oxim::platform {

// Sends every byte (retrying after signals; no SIGPIPE). False when the
// connection broke.
bool SendAll(int fd, std::span<const uint8_t> bytes);

// Reads exactly size bytes. While nothing has come, it keeps checking for
// up to spin (yielding the CPU to any other thread that wants it) before it
// sleeps until something comes (*slept set, when given). False at the end
// of the stream or on an error.
bool ReceiveAll(int fd, uint8_t* out, size_t size, std::chrono::microseconds spin = {},
                bool* slept = nullptr);

// The payload of the next frame of the wire (emulator_wire.h). nullopt at
// the end of the stream, on an error, or (with *too_large set when given)
// for a header announcing more than the wire allows; nothing of such a
// payload is read. spin as for ReceiveAll: a frame that comes within it
// costs no wake-up of this thread, and waking a thread whose CPU has gone
// idle costs more than most requests to the daemon do (much more in a
// virtual machine, where the idle CPU must be woken by an interrupt).
std::optional<std::vector<uint8_t>> ReceiveFrame(int fd, bool* too_large = nullptr,
                                                 std::chrono::microseconds spin = {},
                                                 bool* slept = nullptr);

// A stream socket connected to the Unix socket at path, or -1 with errno
// (ENAMETOOLONG for a path that does not fit an address).
int ConnectUnixSocket(const std::string& path);

// Whether the peer of a connected Unix socket runs as this process's
// effective user; its user in *uid when known.
bool PeerIsThisUser(int fd, uid_t* uid = nullptr);

}  // namespace oxim::platform

#endif  // OXIM_PLATFORM_UNIX_SOCKET_H_
