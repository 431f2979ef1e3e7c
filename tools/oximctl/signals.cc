// Stop requests by signal; see signals.h.
#include "signals.h"

#include <poll.h>

#include <cerrno>
#include <cmath>
#include <ctime>

namespace oximctl {
namespace {

volatile sig_atomic_t g_caught = 0;

void on_signal(int signal_number) { g_caught = signal_number; }

}  // namespace

StopSignals::StopSignals() {
  struct sigaction action = {};
  action.sa_handler = on_signal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no SA_RESTART: a blocking wait returns at once
  sigaction(SIGINT, &action, &previous_int_);
  sigaction(SIGTERM, &action, &previous_term_);
}

StopSignals::~StopSignals() {
  sigaction(SIGINT, &previous_int_, nullptr);
  sigaction(SIGTERM, &previous_term_, nullptr);
}

int StopSignals::caught() { return g_caught; }

void StopSignals::clear() { g_caught = 0; }

int StopSignals::wait(int fd, double seconds) {
  // The signals stay blocked between the check of the flag and ppoll,
  // which unblocks them atomically: one caught in between ends the wait.
  sigset_t stop;
  sigset_t previous;
  sigemptyset(&stop);
  sigaddset(&stop, SIGINT);
  sigaddset(&stop, SIGTERM);
  sigprocmask(SIG_BLOCK, &stop, &previous);
  int result = -1;
  if (g_caught == 0) {
    pollfd ready = {fd, POLLIN, 0};
    timespec timeout = {};
    if (seconds >= 0) {
      timeout.tv_sec = static_cast<time_t>(seconds);
      timeout.tv_nsec = static_cast<long>((seconds - std::floor(seconds)) * 1e9);
    }
    sigset_t during = previous;
    sigdelset(&during, SIGINT);
    sigdelset(&during, SIGTERM);
    const int n = ppoll(&ready, fd >= 0 ? 1 : 0, seconds >= 0 ? &timeout : nullptr, &during);
    result = n > 0 ? 1 : n == 0 ? 0 : -1;
  }
  sigprocmask(SIG_SETMASK, &previous, nullptr);
  return result;
}

}  // namespace oximctl
