// The keep-alive thread of every real session; see keep_alive_service.h.
#include "keep_alive_service.h"

#include <fcntl.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <thread>
#include <vector>

namespace oxim::emulator {
namespace {

// The wake-up eventfd's id in the epoll set; sessions' ids start at 1.
constexpr uint64_t kWakeId = 0;
// Longest wait, so that a session whose turn was put off (it was busy) or
// whose clock moved is looked at again.
constexpr std::chrono::milliseconds kLongestWait{500};
// A busy session's turn comes again after this.
constexpr std::chrono::milliseconds kBusyRetry{100};

// Each event fires once, until the session arms its connection again for
// its next turn: a connection that fails while a command waits on it wakes
// the service once, not over and over.
epoll_event EventFor(uint64_t id, uint32_t events) {
  epoll_event event{};
  event.events = events | EPOLLONESHOT;
  event.data.u64 = id;
  return event;
}

}  // namespace

KeepAliveService& KeepAliveService::Instance() {
  // Never destroyed: its thread may still run while the process ends.
  static KeepAliveService* const service = new KeepAliveService;
  return *service;
}

KeepAliveService::KeepAliveService()
    : epoll_fd_(epoll_create1(EPOLL_CLOEXEC)), wake_fd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
  if (epoll_fd_ < 0 || wake_fd_ < 0) return;  // Add fails from then on
  epoll_event wake{};
  wake.events = EPOLLIN;
  wake.data.u64 = kWakeId;
  if (epoll_ctl(epoll_fd_, EPOLL_CTL_ADD, wake_fd_, &wake) != 0) return;
  wait_end_ = Clock::now();
  std::thread(&KeepAliveService::Run, this).detach();
}

KeepAliveService::Handle KeepAliveService::Add(Session* session, int fd, uint32_t events,
                                               Clock::time_point first_turn) {
  if (epoll_fd_ < 0 || wake_fd_ < 0 || fd < 0) return {};
  const int own = fcntl(fd, F_DUPFD_CLOEXEC, 0);
  if (own < 0) return {};
  std::lock_guard lock(mutex_);
  const uint64_t id = next_id_++;
  epoll_event event = EventFor(id, events);
  if (epoll_ctl(epoll_fd_, EPOLL_CTL_ADD, own, &event) != 0) {
    close(own);
    return {};
  }
  entries_[id] = {session, own, first_turn};
  if (first_turn < wait_end_) {
    const uint64_t one = 1;
    (void)!write(wake_fd_, &one, sizeof one);
  }
  return {id, own};
}

void KeepAliveService::Watch(const Handle& handle, uint32_t events) {
  if (handle.id == 0) return;
  epoll_event event = EventFor(handle.id, events);
  // Fails only when the connection is closed, which the session's turn or
  // command sees.
  (void)epoll_ctl(epoll_fd_, EPOLL_CTL_MOD, handle.fd, &event);
}

void KeepAliveService::Remove(const Handle& handle) {
  if (handle.id == 0) return;
  std::lock_guard lock(mutex_);
  if (auto entry = entries_.find(handle.id); entry != entries_.end()) Forget(entry);
}

void KeepAliveService::Forget(std::map<uint64_t, Entry>::iterator entry) {
  (void)epoll_ctl(epoll_fd_, EPOLL_CTL_DEL, entry->second.fd, nullptr);
  close(entry->second.fd);
  entries_.erase(entry);
}

void KeepAliveService::Run() {
  std::array<epoll_event, 32> ready{};
  std::vector<std::pair<uint64_t, uint32_t>> events;
  for (;;) {
    int timeout_ms;
    {
      std::lock_guard lock(mutex_);
      const Clock::time_point now = Clock::now();
      wait_end_ = now + kLongestWait;
      for (const auto& [id, entry] : entries_) wait_end_ = std::min(wait_end_, entry.next_turn);
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(wait_end_ - now);
      timeout_ms = static_cast<int>(std::max<long>(left.count(), 0));
    }
    const int count =
        epoll_wait(epoll_fd_, ready.data(), static_cast<int>(ready.size()), timeout_ms);
    if (count < 0 && errno != EINTR) continue;  // EBADF and EINVAL cannot happen here
    events.clear();
    for (int i = 0; i < count; ++i) {
      if (ready[i].data.u64 == kWakeId) {
        uint64_t wakes;
        (void)!read(wake_fd_, &wakes, sizeof wakes);
      } else {
        const uint64_t id = ready[i].data.u64;  // epoll_event is packed: copy, do not bind
        const uint32_t bits = ready[i].events;
        events.emplace_back(id, bits);
      }
    }
    std::lock_guard lock(mutex_);
    const Clock::time_point now = Clock::now();
    for (auto entry = entries_.begin(); entry != entries_.end();) {
      uint32_t fired = 0;
      for (const auto& [id, bits] : events) {
        if (id == entry->first) fired |= bits;
      }
      if (fired == 0 && now < entry->second.next_turn) {
        ++entry;
        continue;
      }
      switch (entry->second.session->TryTurn(fired, now, &entry->second.next_turn)) {
        case Turn::kTaken: ++entry; break;
        case Turn::kBusy:
          entry->second.next_turn = now + kBusyRetry;
          ++entry;
          break;
        case Turn::kOver: {
          auto over = entry++;
          Forget(over);
          break;
        }
      }
    }
  }
}

}  // namespace oxim::emulator
