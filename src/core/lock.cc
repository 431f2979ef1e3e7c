// Library lock and file locks; see lock.h.
#include "core/lock.h"

#include <fcntl.h>
#include <semaphore.h>
#include <sys/time.h>

#include <atomic>
#include <cerrno>
#include <ctime>
#include <thread>

#include "core/alloc.h"
#include "core/log.h"

namespace oxim {
namespace {
// The semaphore lives in a counted block, as every library allocation. The
// pointer is atomic because a stray call may race with the last OXIM_exit.
std::atomic<sem_t*> g_lock{nullptr};
// The thread that holds the lock; a default id while it is free.
std::atomic<std::thread::id> g_owner{};
}  // namespace

int oxim_lock_init() {
  auto* sem = static_cast<sem_t*>(oxim_dmalloc(sizeof(sem_t)));
  if (sem == nullptr) return 0;
  if (sem_init(sem, 0, 1) != 0) {
    oxim_dfree(sem);
    return 0;
  }
  g_lock.store(sem, std::memory_order_release);
  return 1;
}

int oxim_acquire_lock() {
  sem_t* sem = g_lock.load(std::memory_order_acquire);
  if (sem == nullptr) return 0;
  struct timeval now;
  gettimeofday(&now, nullptr);
  struct timespec deadline;
  deadline.tv_sec = now.tv_sec + 1;
  deadline.tv_nsec = now.tv_usec * 1000L;
  int rc;
  do {
    rc = sem_timedwait(sem, &deadline);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) return 0;
  g_owner.store(std::this_thread::get_id(), std::memory_order_release);
  return 1;
}

int oxim_release_lock() {
  sem_t* sem = g_lock.load(std::memory_order_acquire);
  if (sem == nullptr) return 0;
  int value = 0;
  if (sem_getvalue(sem, &value) == 0 && value != 0) return 1;  // not held
  g_owner.store(std::thread::id(), std::memory_order_release);
  return sem_post(sem) == 0 ? 1 : 0;
}

bool oxim_lock_held_by_this_thread() {
  return g_owner.load(std::memory_order_acquire) == std::this_thread::get_id();
}

int oxim_lock_free() {
  sem_t* sem = g_lock.exchange(nullptr, std::memory_order_acq_rel);
  if (sem == nullptr) return 0;
  int rc = sem_destroy(sem);
  oxim_dfree(sem);
  return rc == 0 ? 1 : 0;
}

int oxim_lock_file(FILE* stream) {
  struct flock lock = {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  int rc;
  do {
    rc = stream != nullptr ? fcntl(fileno(stream), F_SETLKW, &lock) : -1;
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) {
    pdebug(kModuleAdapter, kLogError, "%s Failed to get file lock\n", __func__);
    return 1;
  }
  return 0;
}

int oxim_unlock_file(FILE* stream) {
  struct flock lock = {};
  lock.l_type = F_UNLCK;
  lock.l_whence = SEEK_SET;
  if (stream == nullptr || fcntl(fileno(stream), F_SETLK, &lock) != 0) {
    pdebug(kModuleAdapter, kLogError, "%s Failed to unlock file\n", __func__);
    return 1;
  }
  return 0;
}

}  // namespace oxim
