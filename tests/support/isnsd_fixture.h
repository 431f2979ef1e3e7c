// A real iSNS server for tests: isnsd (open-isns) on its port 3205 (it binds
// 0.0.0.0:3205 whatever its configuration says), with a database, control
// socket and configuration of its own, and the default discovery domain, so
// that a registered initiator sees every registered target. Targets are
// registered through isnsadm on the control socket.
//
//   IsnsdServer isnsd;
//   if (!isnsd.skip_reason().empty()) GTEST_SKIP() << isnsd.skip_reason();
//   ASSERT_TRUE(isnsd.running()) << isnsd.error();
//   ASSERT_TRUE(isnsd.RegisterTargets("lab", "127.0.0.1:3260", {"iqn.2026-01.test:a"}));
//
// isnsd runs as a child that dies with the test program; the destructor
// stops it and removes its files.
#ifndef OXIM_TESTS_SUPPORT_ISNSD_FIXTURE_H_
#define OXIM_TESTS_SUPPORT_ISNSD_FIXTURE_H_

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace oxim::testing {

class IsnsdServer {
 public:
  static constexpr uint16_t kPort = 3205;

  IsnsdServer();
  ~IsnsdServer();
  IsnsdServer(const IsnsdServer&) = delete;
  IsnsdServer& operator=(const IsnsdServer&) = delete;

  // Registers target nodes in a network entity with one portal ("host:port").
  bool RegisterTargets(const std::string& entity, const std::string& portal,
                       const std::vector<std::string>& names);
  // The names of the initiator nodes isnsd holds now (through isnsadm).
  std::vector<std::string> Initiators();

  bool running() const { return pid_ > 0 && error_.empty(); }
  // Why isnsd cannot run here (not installed, port 3205 taken): the only
  // case in which a test should skip. Empty otherwise.
  const std::string& skip_reason() const { return skip_reason_; }
  const std::string& error() const { return error_; }

 private:
  bool Isnsadm(const std::vector<std::string>& args, std::string* output = nullptr);

  std::string dir_;
  std::string log_path_;
  pid_t pid_ = -1;
  std::string skip_reason_;
  std::string error_;
};

}  // namespace oxim::testing

#endif  // OXIM_TESTS_SUPPORT_ISNSD_FIXTURE_H_
