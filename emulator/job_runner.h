// A few threads that work through a list of jobs, for what the emulated
// adapter does on its own time (the logins of its persistent entries after a
// start), so that no caller waits for them.
//
//   JobRunner runner;
//   runner.Run({[] { ... }, [] { ... }}, 4);
//   ...
//   runner.Stop();  // the running jobs finish, the others are dropped
#ifndef OXIM_EMULATOR_JOB_RUNNER_H_
#define OXIM_EMULATOR_JOB_RUNNER_H_

#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace oxim::emulator {

class JobRunner {
 public:
  JobRunner() = default;
  // Stop().
  ~JobRunner();
  JobRunner(const JobRunner&) = delete;
  JobRunner& operator=(const JobRunner&) = delete;

  // Starts up to `threads` threads (at least one) that run each job once, in
  // order of the list as threads come free. REQUIRES: not called before.
  void Run(std::vector<std::function<void()>> jobs, size_t threads);
  // Drops the jobs not started yet and waits for the running ones.
  // REQUIRES: not called from a job.
  void Stop();

 private:
  void Work();

  std::mutex mutex_;  // guards jobs_ and stopping_
  std::deque<std::function<void()>> jobs_;
  bool stopping_ = false;
  std::vector<std::thread> threads_;
};

}  // namespace oxim::emulator

#endif  // OXIM_EMULATOR_JOB_RUNNER_H_
