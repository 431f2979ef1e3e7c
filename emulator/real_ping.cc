// Real ICMP and ICMPv6 echo; see real_ping.h.
#include "real_ping.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <random>

namespace oxim::emulator {
namespace {

constexpr uint8_t kEchoRequest4 = 8;
constexpr uint8_t kEchoReply4 = 0;
constexpr uint8_t kEchoRequest6 = 128;
constexpr uint8_t kEchoReply6 = 129;
constexpr size_t kHeaderSize = 8;
constexpr size_t kCookieSize = 16;

class Socket {
 public:
  explicit Socket(int fd) : fd_(fd) {}
  ~Socket() {
    if (fd_ >= 0) close(fd_);
  }
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

uint16_t Checksum(const uint8_t* data, size_t size) {
  uint32_t sum = 0;
  for (size_t i = 0; i + 1 < size; i += 2) sum += static_cast<uint32_t>(data[i] << 8 | data[i + 1]);
  if (size % 2 != 0) sum += static_cast<uint32_t>(data[size - 1] << 8);
  while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<uint16_t>(~sum);
}

// A raw ICMP socket of the family, else an unprivileged ping socket; -1
// with errno when neither may be opened.
int OpenIcmp(int family) {
  const int protocol = family == AF_INET ? int{IPPROTO_ICMP} : int{IPPROTO_ICMPV6};
  int fd = socket(family, SOCK_RAW | SOCK_CLOEXEC, protocol);
  if (fd >= 0 || (errno != EPERM && errno != EACCES)) return fd;
  return socket(family, SOCK_DGRAM | SOCK_CLOEXEC, protocol);
}

// Whether a received datagram is the reply to our request: its ICMP
// header after the IPv4 header a raw IPv4 socket delivers, with our
// sequence number and cookie.
bool IsOurReply(const uint8_t* data, size_t size, int family, uint16_t sequence,
                const std::array<uint8_t, kCookieSize>& cookie) {
  if (family == AF_INET && size > 0 && (data[0] >> 4) == 4) {
    const size_t header = static_cast<size_t>(data[0] & 0x0F) * 4;
    if (header > size) return false;
    data += header;
    size -= header;
  }
  if (size < kHeaderSize + kCookieSize) return false;
  const uint8_t reply = family == AF_INET ? kEchoReply4 : kEchoReply6;
  if (data[0] != reply || data[1] != 0) return false;
  if ((data[6] << 8 | data[7]) != sequence) return false;
  return std::memcmp(data + kHeaderSize, cookie.data(), kCookieSize) == 0;
}

}  // namespace

PingOutcome RealPing(const std::string& numeric_host, std::chrono::milliseconds bound) {
  sockaddr_storage address{};
  socklen_t address_size = 0;
  int family = AF_INET;
  auto* v4 = reinterpret_cast<sockaddr_in*>(&address);
  auto* v6 = reinterpret_cast<sockaddr_in6*>(&address);
  if (inet_pton(AF_INET, numeric_host.c_str(), &v4->sin_addr) == 1) {
    v4->sin_family = AF_INET;
    address_size = sizeof *v4;
  } else if (inet_pton(AF_INET6, numeric_host.c_str(), &v6->sin6_addr) == 1) {
    family = AF_INET6;
    v6->sin6_family = AF_INET6;
    address_size = sizeof *v6;
  } else {
    return PingOutcome::kNoAnswer;
  }
  Socket icmp(OpenIcmp(family));
  if (icmp.get() < 0) {
    return errno == EPERM || errno == EACCES ? PingOutcome::kNotPermitted : PingOutcome::kNoAnswer;
  }

  static std::atomic<uint16_t> next_sequence{1};
  const uint16_t sequence = next_sequence++;
  std::array<uint8_t, kCookieSize> cookie;
  std::random_device random;
  for (uint8_t& byte : cookie) byte = static_cast<uint8_t>(random());
  std::array<uint8_t, kHeaderSize + kCookieSize> request{};
  request[0] = family == AF_INET ? kEchoRequest4 : kEchoRequest6;
  const uint16_t identifier = static_cast<uint16_t>(random());
  request[4] = static_cast<uint8_t>(identifier >> 8);
  request[5] = static_cast<uint8_t>(identifier);
  request[6] = static_cast<uint8_t>(sequence >> 8);
  request[7] = static_cast<uint8_t>(sequence);
  std::copy(cookie.begin(), cookie.end(), request.begin() + kHeaderSize);
  if (family == AF_INET) {
    // ICMPv6 checksums cover a pseudo-header; the kernel computes them.
    const uint16_t sum = Checksum(request.data(), request.size());
    request[2] = static_cast<uint8_t>(sum >> 8);
    request[3] = static_cast<uint8_t>(sum);
  }
  if (sendto(icmp.get(), request.data(), request.size(), 0,
             reinterpret_cast<const sockaddr*>(&address), address_size) < 0) {
    return PingOutcome::kNoAnswer;
  }

  const auto deadline = std::chrono::steady_clock::now() + bound;
  std::array<uint8_t, 1500> answer;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return PingOutcome::kNoAnswer;
    pollfd wait{icmp.get(), POLLIN, 0};
    const int ready = poll(&wait, 1, static_cast<int>(left.count()));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return PingOutcome::kNoAnswer;
    const ssize_t got = recv(icmp.get(), answer.data(), answer.size(), 0);
    if (got < 0) {
      if (errno == EINTR || errno == EAGAIN) continue;
      return PingOutcome::kNoAnswer;
    }
    if (IsOurReply(answer.data(), static_cast<size_t>(got), family, sequence, cookie)) {
      return PingOutcome::kAnswered;
    }
  }
}

}  // namespace oxim::emulator
