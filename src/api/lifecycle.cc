// OXIM_init and OXIM_exit: the client count, the library lock's life, and
// building and tearing down the tree for the first and the last client.
#include <mutex>

#include "api/guard.h"
#include "core/config.h"
#include "core/host_paths.h"
#include "core/last_status.h"
#include "core/lock.h"
#include "core/log.h"
#include "core/node_store.h"
#include "core/store_guard.h"
#include "oxim/oxim.h"
#include "startup/discovery.h"
#include "startup/tree_builder.h"

namespace oxim {
namespace {

// Clients counted by OXIM_init and not yet by OXIM_exit. The lifecycle mutex
// makes the count and the creation and destruction of the lock one step.
std::mutex g_lifecycle;
int g_clients = 0;

// The library lock, released however the holder leaves.
class LibraryLock {
 public:
  explicit LibraryLock(const char* call) : held_(oxim_acquire_lock() == 1) {
    if (!held_) pdebug(kModuleTree, kLogError, "%s:Failed to acquire lock.\n", call);
  }
  ~LibraryLock() {
    if (held_) oxim_release_lock();
  }
  LibraryLock(const LibraryLock&) = delete;
  LibraryLock& operator=(const LibraryLock&) = delete;
  bool held() const { return held_; }

 private:
  bool held_;
};

// Builds the tree for the first client. An exception on the way tears down
// what was built before it leaves. REQUIRES: the library lock is held.
uint32_t build_tree() {
  oxim_reset_last_status();
  oxim_current_hierarchy = "";
  try {
    return init_hm();
  } catch (...) {
    exit_hm();
    throw;
  }
}

uint32_t init_client() {
  PrepareRoot();
  open_log_file();
  (void)update_log_level();
  std::lock_guard<std::mutex> lifecycle(g_lifecycle);
  const bool first = ++g_clients == 1;
  pdebug(kModuleTree, kLogInfo, "New client #%d!\n", g_clients);
  if (first && oxim_lock_init() != 1) {
    --g_clients;
    close_log_file();
    return OXIM_STATUS_FAILURE;
  }
  uint32_t status = OXIM_STATUS_SUCCESS;
  try {
    // Start-up deletes groups while it walks the tree (a rebuild when the
    // host's functions changed): they stay readable until it is done.
    NodeUseScope scope;
    LibraryLock lock("OXIM_init");
    if (!lock.held()) return OXIM_STATUS_LOCK_TIMEOUT;
    if (first) {
      status = build_tree();
    } else {
      oxim_reset_last_status();
      status = attach_later_client();
      if (status != OXIM_STATUS_SUCCESS) --g_clients;
    }
  } catch (...) {
    status = OXIM_STATUS_FAILURE;
    --g_clients;
    if (g_clients == 0) {
      oxim_lock_free();
      close_log_file();
    }
    throw;
  }
  if (first && status != OXIM_STATUS_SUCCESS) --g_clients;
  if (g_clients == 0) {
    oxim_lock_free();
    close_log_file();
  }
  return status;
}

uint32_t exit_client() {
  oxim_reset_last_status();
  std::lock_guard<std::mutex> lifecycle(g_lifecycle);
  if (g_clients == 0) return OXIM_STATUS_SUCCESS;
  {
    LibraryLock lock("OXIM_exit");
    if (!lock.held()) return OXIM_STATUS_LOCK_TIMEOUT;
    pdebug(kModuleTree, kLogInfo, "Client disconnecting #%d\n", g_clients);
    if (--g_clients > 0) return OXIM_STATUS_SUCCESS;
    exit_hm();
    close_log_file();
  }
  oxim_lock_free();
  return OXIM_STATUS_SUCCESS;
}

}  // namespace
}  // namespace oxim

extern "C" {

uint32_t OXIM_init(void) {
  return oxim::guarded(__func__, [] { return oxim::init_client(); });
}

uint32_t OXIM_exit(void) {
  return oxim::guarded(__func__, [] { return oxim::exit_client(); });
}

}  // extern "C"
