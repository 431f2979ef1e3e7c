// Socket I/O between the library and the emulated adapter's daemon; see
// unix_socket.h.
#include "platform/unix_socket.h"

#include <poll.h>
#include <sched.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

#include "platform/emulator_wire.h"

namespace oxim::platform {

bool SendAll(int fd, std::span<const uint8_t> bytes) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    sent += static_cast<size_t>(n);
  }
  return true;
}

bool ReceiveAll(int fd, uint8_t* out, size_t size, std::chrono::microseconds spin, bool* slept) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point spin_end = Clock::now() + spin;
  size_t got = 0;
  while (got < size) {
    const ssize_t n = recv(fd, out + got, size - got, MSG_DONTWAIT);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      if (got == 0 && Clock::now() < spin_end) {
        sched_yield();  // still looking; any other thread may have the CPU
        continue;
      }
      // Wait in poll, not in a blocking recv: a reader sleeping in recv is
      // woken (and scheduled, often on the other CPU) each time its peer
      // takes a frame off the socket, which is once per request and once
      // per answer; poll sleeps until there is something to read.
      if (slept != nullptr) *slept = true;
      pollfd readable{fd, POLLIN, 0};
      if (poll(&readable, 1, -1) < 0 && errno != EINTR) return false;
      continue;
    }
    if (n <= 0) return false;
    got += static_cast<size_t>(n);
  }
  return true;
}

std::optional<std::vector<uint8_t>> ReceiveFrame(int fd, bool* too_large,
                                                 std::chrono::microseconds spin, bool* slept) {
  if (too_large != nullptr) *too_large = false;
  if (slept != nullptr) *slept = false;
  std::array<uint8_t, wire::kFrameHeaderSize> header{};
  if (!ReceiveAll(fd, header.data(), header.size(), spin, slept)) return std::nullopt;
  const std::optional<size_t> length = wire::DecodeFrameLength(header);
  if (!length) {
    if (too_large != nullptr) *too_large = true;
    return std::nullopt;
  }
  std::vector<uint8_t> payload(*length);
  if (!ReceiveAll(fd, payload.data(), payload.size())) return std::nullopt;
  return payload;
}

int ConnectUnixSocket(const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) {
    errno = ENAMETOOLONG;
    return -1;
  }
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    const int error = errno;
    close(fd);
    errno = error;
    return -1;
  }
  return fd;
}

bool PeerIsThisUser(int fd, uid_t* uid) {
  ucred peer{};
  socklen_t length = sizeof peer;
  if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0) return false;
  if (uid != nullptr) *uid = peer.uid;
  return peer.uid == geteuid();
}

}  // namespace oxim::platform
