// A loopback TCP listener that stands in for a target that does not answer:
// one that never accepts (its accept queue is full, so further connection
// attempts go unanswered until they time out), or one that completes the
// connection and then stays silent.
//
//   LoopbackListener silent(LoopbackListener::kSilent);
//   ... connect to 127.0.0.1:silent.port() ...
//   EXPECT_TRUE(silent.Connected(std::chrono::milliseconds(500)));
#ifndef OXIM_TESTS_EMULATOR_LOOPBACK_LISTENER_H_
#define OXIM_TESTS_EMULATOR_LOOPBACK_LISTENER_H_

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

namespace oxim::testing {

class LoopbackListener {
 public:
  enum Mode { kSilent, kNeverAccepts };

  explicit LoopbackListener(Mode mode) {
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = Loopback(0);
    socklen_t length = sizeof address;
    bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    // The kernel completes connections into the backlog without accept().
    listen(fd_, mode == kSilent ? 16 : 0);
    getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    if (mode == kNeverAccepts) FillQueue();
  }
  ~LoopbackListener() {
    for (int fd : fillers_) close(fd);
    close(fd_);
  }
  LoopbackListener(const LoopbackListener&) = delete;
  LoopbackListener& operator=(const LoopbackListener&) = delete;

  uint16_t port() const { return port_; }
  // Whether a connection came in (and waits to be accepted) within the bound.
  bool Connected(std::chrono::milliseconds bound) const {
    pollfd listening{fd_, POLLIN, 0};
    return poll(&listening, 1, static_cast<int>(bound.count())) == 1;
  }

 private:
  static sockaddr_in Loopback(uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    return address;
  }
  // Connections that fill the accept queue, so that further SYNs are dropped.
  void FillQueue() {
    for (int i = 0; i < 4; ++i) {
      const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
      sockaddr_in address = Loopback(port_);
      connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
      fillers_.push_back(fd);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }

  int fd_ = -1;
  uint16_t port_ = 0;
  std::vector<int> fillers_;
};

}  // namespace oxim::testing

#endif  // OXIM_TESTS_EMULATOR_LOOPBACK_LISTENER_H_
