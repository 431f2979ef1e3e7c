// What the benchmarks against a real target share: one tgtd on loopback for
// the whole program (support/tgtd_fixture.h), the emulated adapter that maps
// an address to it, and the skip of a benchmark when it cannot run, with the
// reason.
#ifndef OXIM_BENCH_TGTD_BENCH_H_
#define OXIM_BENCH_TGTD_BENCH_H_

#include <benchmark/benchmark.h>

#include <string>

#include "emulator.h"
#include "support/tgtd_fixture.h"

namespace oxim::bench {

// The address the emulated adapter shows for the tgtd.
inline constexpr char kMappedAddress[] = "192.0.2.20";

// Started on first use; its destructor stops it at exit.
inline testing::TgtdServer& Server() {
  static testing::TgtdServer server;
  return server;
}

// The built-in adapter with kMappedAddress leading to the tgtd.
inline emulator::AdapterConfig ConfigWithMappedTgtd() {
  emulator::AdapterConfig config = emulator::DefaultConfig();
  emulator::RealPortal portal;
  portal.address = kMappedAddress;
  portal.endpoint_host = "127.0.0.1";
  portal.endpoint_port = Server().port();
  config.real_portals.push_back(portal);
  return config;
}

// True when tgtd runs; otherwise the benchmark is skipped with the reason.
inline bool ServerUsable(benchmark::State& state) {
  testing::TgtdServer& server = Server();
  if (server.skip_reason().empty() && server.running()) return true;
  const std::string reason = server.skip_reason().empty() ? server.error() : server.skip_reason();
  state.SkipWithError(reason.c_str());
  return false;
}

}  // namespace oxim::bench

#endif  // OXIM_BENCH_TGTD_BENCH_H_
