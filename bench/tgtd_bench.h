// What the benchmarks against a real tgtd share: one tgtd for the whole
// program (stopped at exit), and the skip of a benchmark, with the reason,
// when it cannot run.
#ifndef OXIM_BENCH_TGTD_BENCH_H_
#define OXIM_BENCH_TGTD_BENCH_H_

#include <benchmark/benchmark.h>

#include <string>

#include "support/tgtd_fixture.h"

namespace oxim::bench {

inline oxim::testing::TgtdServer& Server() {
  static oxim::testing::TgtdServer server;
  return server;
}

// Whether tgtd runs; when not, the benchmark is skipped with the reason.
inline bool ServerUsable(benchmark::State& state) {
  oxim::testing::TgtdServer& server = Server();
  if (server.skip_reason().empty() && server.running()) return true;
  const std::string reason = server.skip_reason().empty() ? server.error() : server.skip_reason();
  state.SkipWithError(reason.c_str());
  return false;
}

}  // namespace oxim::bench

#endif  // OXIM_BENCH_TGTD_BENCH_H_
