// SIGINT and SIGTERM as requests to stop: while a StopSignals lives, the two
// signals set a flag instead of ending the process, so that a long-running
// command (watch) or the shell can stop cleanly, leaving the library with
// OXIM_exit and the terminal as it was.
#ifndef OXIM_TOOLS_OXIMCTL_SIGNALS_H_
#define OXIM_TOOLS_OXIMCTL_SIGNALS_H_

#include <signal.h>

namespace oximctl {

class StopSignals {
 public:
  StopSignals();   // installs the handlers, without SA_RESTART
  ~StopSignals();  // puts the previous ones back
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  // The last signal caught (SIGINT or SIGTERM), or 0.
  static int caught();
  static void clear();

  // Waits until fd (if not -1) is readable, seconds pass (if >= 0) or a
  // signal is caught, whichever comes first; a signal that arrives just
  // before the wait is not missed. Returns 1 readable, 0 time out, -1 a
  // signal (or an error of the wait).
  static int wait(int fd, double seconds);

 private:
  struct sigaction previous_int_;
  struct sigaction previous_term_;
};

}  // namespace oximctl

#endif  // OXIM_TOOLS_OXIMCTL_SIGNALS_H_
