// A real iSCSI target for tests: tgtd on a free loopback port with three
// targets (no CHAP, one-way CHAP, mutual CHAP), each with a 16 MiB file LUN
// (LUN 1; tgtd's own controller is LUN 0) whose first MiB holds a pattern
// (PatternByte), so that a test can see which bytes a write changed.
//
//   TgtdServer tgtd;
//   if (!tgtd.skip_reason().empty()) GTEST_SKIP() << tgtd.skip_reason();
//   ASSERT_TRUE(tgtd.running()) << tgtd.error();
//   ... log in to 127.0.0.1:tgtd.port() ...
//   tgtd.Stop();   // the target goes away
//   tgtd.Start();  // and comes back on the same port
//
// tgtd runs as a child that dies with the test program even if the program
// is killed; the destructor stops it and removes its files.
#ifndef OXIM_TESTS_SUPPORT_TGTD_FIXTURE_H_
#define OXIM_TESTS_SUPPORT_TGTD_FIXTURE_H_

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace oxim::testing {

class TgtdServer {
 public:
  static constexpr const char* kOpenTarget = "iqn.2026-01.net.oxim-test:open";
  static constexpr const char* kOneWayTarget = "iqn.2026-01.net.oxim-test:oneway";
  static constexpr const char* kMutualTarget = "iqn.2026-01.net.oxim-test:mutual";
  // The initiator's CHAP account (bound to the one-way and mutual targets).
  static constexpr const char* kChapUser = "oxim-initiator";
  static constexpr const char* kChapSecret = "init-secret-42";
  // The target's own account for mutual CHAP (outgoing on the mutual target).
  static constexpr const char* kMutualUser = "oxim-target";
  static constexpr const char* kMutualSecret = "target-secret7";

  // Starts tgtd on a free port and configures the targets.
  TgtdServer();
  ~TgtdServer();
  TgtdServer(const TgtdServer&) = delete;
  TgtdServer& operator=(const TgtdServer&) = delete;

  // Starts tgtd again (on the port of the first start) and configures it.
  // Returns running().
  bool Start();
  // SIGTERM, a short wait, then SIGKILL.
  void Stop();
  // Freezes tgtd (SIGSTOP): connections stay open but nothing answers.
  void Pause();
  void Resume();

  bool running() const { return pid_ > 0 && error_.empty(); }
  uint16_t port() const { return port_; }
  // Why tgtd could not run at all (not installed, not permitted): the only
  // case in which a test should skip. Empty otherwise.
  const std::string& skip_reason() const { return skip_reason_; }
  // What went wrong with the last Start(), for the failure message.
  const std::string& error() const { return error_; }
  const std::string& log_path() const { return log_path_; }
  // The backing file of target tid's LUN 1 (tid 1 open, 2 one-way, 3
  // mutual).
  const std::string& lun_path(int tid) const { return luns_.at(tid - 1); }
  // The byte at offset of a fresh backing file (offsets from 1 MiB on are 0).
  static uint8_t PatternByte(uint64_t offset);
  // Adds LUN lun to target tid, backed by a new sparse file of `bytes`;
  // removes it again. True when tgtadm agreed.
  bool AddLun(int tid, int lun, uint64_t bytes);
  bool RemoveLun(int tid, int lun);
  // The unit serial number tgtd gives LUN lun of target tid ("SCSI SN" of
  // tgtadm's listing); empty when it cannot be read.
  std::string LunSerial(int tid, int lun);

  // The I_T nexus numbers of the sessions tgtd holds now, over all targets.
  // tgtd numbers sessions from 1 in the order they were made, so the
  // largest tells how many were ever made. Empty when tgtadm fails.
  std::vector<int> Sessions();

 private:
  bool Launch();
  bool WaitReady();
  bool Configure();
  // Runs tgtadm against this instance with a bounded wait; true on exit 0.
  bool Tgtadm(const std::vector<std::string>& args, std::string* output = nullptr);
  void RemoveControlFiles() const;

  std::string dir_;
  std::string log_path_;
  std::vector<std::string> luns_;
  std::vector<std::string> extra_luns_;
  uint16_t port_ = 0;
  int control_port_ = 0;
  pid_t pid_ = -1;
  std::string skip_reason_;
  std::string error_;
};

}  // namespace oxim::testing

#endif  // OXIM_TESTS_SUPPORT_TGTD_FIXTURE_H_
