// One thread that keeps every real iSCSI session of the process alive: it
// waits on one epoll set for any session's connection and for the next
// session whose turn has come, and gives that session a turn (its NOP-Out,
// reading what the target sent). A session added or removed costs no thread
// and no wake-up of the service.
//
//   class Session : public KeepAliveService::Session { ... TryTurn ... };
//   KeepAliveService::Handle handle =
//       KeepAliveService::Instance().Add(&session, connection_fd, first_turn);
//   KeepAliveService::Instance().Watch(handle, 0);       // a command waits on it
//   KeepAliveService::Instance().Watch(handle, POLLIN);  // done
//   KeepAliveService::Instance().Remove(handle);
#ifndef OXIM_EMULATOR_KEEP_ALIVE_SERVICE_H_
#define OXIM_EMULATOR_KEEP_ALIVE_SERVICE_H_

#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>

namespace oxim::emulator {

class KeepAliveService {
 public:
  using Clock = std::chrono::steady_clock;

  enum class Turn {
    kTaken,  // the session wants another turn by *next_turn at the latest
    kBusy,   // a command of the session runs; it reads the connection itself
    kOver,   // the session is gone or going: the service forgets it
  };

  // What the service drives. TryTurn runs on the service's thread and must
  // not wait for the session's lock (try it, and answer kBusy).
  class Session {
   public:
    virtual Turn TryTurn(uint32_t events, Clock::time_point now, Clock::time_point* next_turn) = 0;

   protected:
    ~Session() = default;
  };

  // The connection of a session as the service watches it: a duplicate of
  // the session's descriptor, which the service owns until the session is
  // removed (so that the number cannot go to another connection meanwhile).
  struct Handle {
    uint64_t id = 0;  // 0: not added
    int fd = -1;
  };

  // The process's service; its thread starts with the first use and runs
  // until the process ends.
  static KeepAliveService& Instance();

  // Watches the connection fd of session for the events, and gives the
  // session its first turn by first_turn at the latest. A handle with id 0
  // when it cannot.
  Handle Add(Session* session, int fd, uint32_t events, Clock::time_point first_turn);

  // The events the service wakes for on the connection, from now until the
  // session's next turn; 0 while a command waits for its own answer on it
  // (the connection failing still wakes the service, once). REQUIRES: the
  // session's lock held and the handle not removed.
  void Watch(const Handle& handle, uint32_t events);

  // Once it returns the service calls the session no more. A handle the
  // service has forgotten (its session answered kOver) is no error.
  void Remove(const Handle& handle);

  KeepAliveService(const KeepAliveService&) = delete;
  KeepAliveService& operator=(const KeepAliveService&) = delete;

 private:
  struct Entry {
    Session* session;
    int fd;
    Clock::time_point next_turn;
  };

  KeepAliveService();
  void Run();
  // REQUIRES: mutex_ held.
  void Forget(std::map<uint64_t, Entry>::iterator entry);

  const int epoll_fd_;
  const int wake_fd_;  // eventfd that ends the service's wait early
  std::mutex mutex_;   // guards what follows; held by the service during its turns
  std::map<uint64_t, Entry> entries_;
  uint64_t next_id_ = 1;
  Clock::time_point wait_end_;  // when the service's present wait ends at the latest
};

}  // namespace oxim::emulator

#endif  // OXIM_EMULATOR_KEEP_ALIVE_SERVICE_H_
