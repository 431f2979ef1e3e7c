// The last status: one process-wide pair of a status code and a message of
// at most 599 characters. Every exported tree call resets it when it holds
// the lock; handlers set it when they fail; clients read it with
// OXIM_get_last_status right after a failing call.
#ifndef OXIM_CORE_LAST_STATUS_H_
#define OXIM_CORE_LAST_STATUS_H_

#include <cstdint>

namespace oxim {

inline constexpr int kMessageSize = 600;

// Stores code and message (cut to 599 characters; null means empty).
void oxim_set_last_status(uint32_t code, const char* message);
// Like oxim_set_last_status with a printf format.
void oxim_set_last_statusf(uint32_t code, const char* format, ...)
    __attribute__((format(printf, 2, 3)));
// Copies the record out. REQUIRES: message holds kMessageSize bytes; either
// pointer may be null.
void oxim_get_last_status(uint32_t* code, char* message);
// Code 0 and an empty message.
void oxim_reset_last_status();

// Keeps the last status as it was across the calls made while it lives:
// for a best-effort step (a clean-up, a refresh of what is shown) whose
// failure is no failure of the command that makes it, so that a command
// that succeeds leaves no status of that step behind.
//
//   {
//     KeepLastStatus keep;
//     (void)get_session_attribs(session);  // may fail: the session is gone
//   }
class KeepLastStatus {
 public:
  KeepLastStatus();
  ~KeepLastStatus();
  KeepLastStatus(const KeepLastStatus&) = delete;
  KeepLastStatus& operator=(const KeepLastStatus&) = delete;

 private:
  uint32_t code_ = 0;
  char message_[kMessageSize];
};

}  // namespace oxim

#endif  // OXIM_CORE_LAST_STATUS_H_
