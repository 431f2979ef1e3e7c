// Background jobs of the emulated adapter; see job_runner.h.
#include "job_runner.h"

#include <algorithm>

namespace oxim::emulator {

JobRunner::~JobRunner() { Stop(); }

void JobRunner::Run(std::vector<std::function<void()>> jobs, size_t threads) {
  if (jobs.empty()) return;
  const size_t count = std::clamp<size_t>(threads, 1, jobs.size());
  {
    std::lock_guard lock(mutex_);
    for (std::function<void()>& job : jobs) jobs_.push_back(std::move(job));
  }
  for (size_t i = 0; i < count; ++i) threads_.emplace_back(&JobRunner::Work, this);
}

void JobRunner::Stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    jobs_.clear();
  }
  for (std::thread& thread : threads_) thread.join();
  threads_.clear();
}

void JobRunner::Work() {
  for (;;) {
    std::function<void()> job;
    {
      std::lock_guard lock(mutex_);
      if (stopping_ || jobs_.empty()) return;
      job = std::move(jobs_.front());
      jobs_.pop_front();
    }
    job();
  }
}

}  // namespace oxim::emulator
