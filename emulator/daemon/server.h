// The daemon's service of one root: accepts clients on the listening
// socket, refuses a peer of another user by its credentials, and answers
// each client's requests from the one emulated adapter, each client on a
// thread of its own, so that a slow real login of one client never holds up
// another client's requests to other functions.
//
// A client must say hello (protocol version and configuration digest)
// before it opens devices; control requests need none. The driver handles a
// client opens are its own, as a process's file descriptors are: another
// client's handle answers EBADF, and they are closed when the client goes.
// A malformed request or a frame above the limit ends that client's
// connection, nobody else's.
//
//   Server server(adapter, identity, listening_fd, {.idle = std::chrono::minutes(30)});
//   server.Run();  // until Stop(), the idle time with no client, or the root goes
#ifndef OXIM_EMULATOR_DAEMON_SERVER_H_
#define OXIM_EMULATOR_DAEMON_SERVER_H_

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "emulator.h"
#include "platform/emulator_wire.h"

namespace oxim::emulator {

// What the daemon runs: its root and configuration as clients name them.
struct DaemonIdentity {
  std::string root;
  std::string config_file;  // "" for the built-in configuration
  std::string digest;       // wire::ConfigurationDigest of the file, "" built-in
  std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();

  // "built-in" or the file.
  std::string Description() const { return config_file.empty() ? "built-in" : config_file; }
};

struct ServerOptions {
  // The daemon ends after this long without a client connected.
  std::chrono::seconds idle{1800};
  // The socket it listens on: the daemon ends when it is removed or
  // replaced (nobody could reach it any more). "": not watched.
  std::string socket_path;
};

// One line to the daemon's log (its standard error: the terminal in the
// foreground, DIR/var/run/oxim-emulator/log once detached).
void DaemonLog(const char* format, ...) __attribute__((format(printf, 1, 2)));

class Server {
 public:
  // listening_fd: a listening Unix socket, which the server closes, or -1
  // for a server whose Run() is never called (the fuzz target drives
  // Handle() alone).
  Server(std::shared_ptr<EmulatedAdapter> adapter, DaemonIdentity identity, int listening_fd,
         ServerOptions options);
  // Ends and waits for the client threads.
  ~Server();
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  // Serves until Stop(), until no client has been connected for the idle
  // time, or until the root directory or the socket is gone. Then stops
  // listening (and removes the socket if it is still this daemon's), so
  // that a client arriving now starts a new daemon instead of waiting on
  // this one, ends every connection and waits for the client threads.
  void Run();
  // Makes Run() return soon. Safe from a signal handler.
  void Stop();

  // The device handles one client process opened and has not closed yet.
  // They belong to the process, as descriptors do, not to the connection
  // that opened them: a process may send requests on several connections at
  // once (property reads run on its callers' threads), each using any of
  // its handles. They are closed when the process's last connection ends.
  struct ProcessHandles {
    std::mutex mutex;
    std::set<int> handles;
  };
  // What one client's connection holds.
  struct ClientState {
    bool greeted = false;
    // Shared by the connections of one process; made on first use for a
    // connection the server did not accept itself (the fuzz target's).
    std::shared_ptr<ProcessHandles> process;
  };
  // What to do after a request.
  struct Reply {
    std::optional<std::vector<uint8_t>> frame;  // the answer; nullopt ends the connection
    bool stop_after = false;                    // the daemon ends once it is sent
  };
  // Answers one request of a client.
  Reply Handle(ClientState& client, const wire::Request& request);
  // Closes the handles a client left open.
  void Release(ClientState& client);

  int clients() const { return clients_; }
  const DaemonIdentity& identity() const { return identity_; }
  EmulatedAdapter& adapter() { return *adapter_; }

 private:
  struct Client {
    int fd = -1;
    std::thread thread;
    bool done = false;  // guarded by threads_mutex_; set once fd is closed
  };
  // Answers one client until it goes, then closes its descriptor.
  void Serve(Client& client);
  // Joins the threads of clients that are gone. REQUIRES: threads_mutex_.
  void ReapLocked();
  void Accept();
  void StopListening();
  // Why the daemon should end now ("" while it serves).
  std::string EndReason(std::chrono::steady_clock::time_point last_client) const;

  std::shared_ptr<EmulatedAdapter> adapter_;
  DaemonIdentity identity_;
  int listening_fd_;
  ServerOptions options_;
  ino_t socket_inode_ = 0;
  int wake_[2] = {-1, -1};  // Stop() writes a byte so that Run() wakes at once
  std::atomic<bool> stopping_{false};
  std::atomic<int> clients_{0};
  std::mutex threads_mutex_;
  std::list<Client> clients_list_;  // guarded by threads_mutex_
  // The handle sets of the processes connected now, by process ID.
  std::mutex processes_mutex_;
  std::map<pid_t, std::weak_ptr<ProcessHandles>> processes_;  // guarded by processes_mutex_
};

}  // namespace oxim::emulator

#endif  // OXIM_EMULATOR_DAEMON_SERVER_H_
