// Login and logout of a real iSCSI session with libiscsi against tgtd on
// loopback: the cost of a login to a mapped target portal, apart from the
// emulator's own handling.
#include <benchmark/benchmark.h>

#include "real_iscsi.h"
#include "support/tgtd_fixture.h"

namespace oxim::emulator {
namespace {

using oxim::testing::TgtdServer;

// One tgtd for the whole program; its destructor stops it at exit.
TgtdServer& Server() {
  static TgtdServer server;
  return server;
}

void Run(benchmark::State& state, const char* target, bool chap) {
  TgtdServer& server = Server();
  if (!server.skip_reason().empty() || !server.running()) {
    const std::string reason = server.skip_reason().empty() ? server.error() : server.skip_reason();
    state.SkipWithError(reason.c_str());
    return;
  }
  RealLoginRequest request;
  request.host = "127.0.0.1";
  request.port = server.port();
  request.target_name = target;
  request.initiator_name = "iqn.2026-01.net.oxim-test:bench";
  if (chap) {
    request.chap_user = TgtdServer::kChapUser;
    request.chap_secret = TgtdServer::kChapSecret;
  }
  RealLoginResult result;
  for (auto _ : state) {
    std::unique_ptr<RealSession> session = RealSession::Login(request, &result);
    if (session == nullptr) {
      state.SkipWithError(result.error.c_str());
      return;
    }
    benchmark::DoNotOptimize(session->Logout());
  }
}

void BM_LoginLogout(benchmark::State& state) { Run(state, TgtdServer::kOpenTarget, false); }
BENCHMARK(BM_LoginLogout)->Unit(benchmark::kMillisecond);

void BM_LoginLogoutChap(benchmark::State& state) { Run(state, TgtdServer::kOneWayTarget, true); }
BENCHMARK(BM_LoginLogoutChap)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace oxim::emulator

BENCHMARK_MAIN();
