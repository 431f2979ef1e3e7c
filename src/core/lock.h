// The library lock, which serialises every tree call and every command and
// refresh handler of the process, and advisory whole-file locks for files
// that other processes share.
//
// The library lock is a process-private POSIX semaphore used as a mutex. It
// is not recursive: a second acquire from the holder waits out the
// one-second time-out and fails. It exists from the first OXIM_init to the
// last OXIM_exit.
#ifndef OXIM_CORE_LOCK_H_
#define OXIM_CORE_LOCK_H_

#include <cstdio>

namespace oxim {

// Creates the semaphore with value 1. 1 on success, 0 on failure.
int oxim_lock_init();
// Waits at most one second. 1 if obtained, 0 on time-out, error, or when no
// lock exists.
int oxim_acquire_lock();
// Posts the semaphore if it is held (value 0); releasing a free lock does
// nothing. 1, or 0 if the post fails.
int oxim_release_lock();
// Whether the calling thread took the library lock and has not released
// it (code that may run with or without the lock, such as the NIC refresh,
// asks before taking it).
bool oxim_lock_held_by_this_thread();
// Destroys the semaphore. 0 if there is none or destroying fails, else 1.
int oxim_lock_free();

// Blocking exclusive write lock / unlock over the whole file. 0 on success;
// 1 (and a log entry) on failure.
int oxim_lock_file(FILE* stream);
int oxim_unlock_file(FILE* stream);

}  // namespace oxim

#endif  // OXIM_CORE_LOCK_H_
