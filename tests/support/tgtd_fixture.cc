// tgtd as a child of the test program, configured with tgtadm. Both run
// without a shell, with argument words.
#include "support/tgtd_fixture.h"

#include "support/child_process.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <random>
#include <sstream>
#include <string_view>
#include <thread>

namespace oxim::testing {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr off_t kLunBytes = 16 << 20;
constexpr size_t kPatternBytes = 1 << 20;
constexpr milliseconds kReadyTimeout{5000};
constexpr milliseconds kToolTimeout{5000};
constexpr milliseconds kTermWait{500};
constexpr int kStartAttempts = 3;

// tgtd's control "port" names its socket /var/run/tgtd/socket.N; N must be at
// most 32767. A random one not in use, so that instances can run side by side.
int PickControlPort() {
  static std::mutex mutex;
  static std::mt19937 random(std::random_device{}());
  std::lock_guard lock(mutex);
  std::uniform_int_distribution<int> pick(1024, 32767);
  for (;;) {
    const int number = pick(random);
    const std::string socket = "/var/run/tgtd/socket." + std::to_string(number);
    if (access(socket.c_str(), F_OK) != 0 && access((socket + ".lock").c_str(), F_OK) != 0) {
      return number;
    }
  }
}

}  // namespace

TgtdServer::TgtdServer() {
  if (geteuid() != 0) {
    skip_reason_ = "tgtd needs root";
    return;
  }
  if (FindTool("tgtd").empty() || FindTool("tgtadm").empty()) {
    skip_reason_ = "tgtd or tgtadm not installed (package tgt)";
    return;
  }
  char pattern[] = "/tmp/oxim-tgtd-XXXXXX";
  if (mkdtemp(pattern) == nullptr) {
    skip_reason_ = "cannot create a temporary directory";
    return;
  }
  dir_ = pattern;
  log_path_ = dir_ + "/tgtd.log";
  for (int lun = 1; lun <= 3; ++lun) {
    luns_.push_back(dir_ + "/lun" + std::to_string(lun) + ".img");
    std::vector<uint8_t> pattern(kPatternBytes);
    for (size_t i = 0; i < pattern.size(); ++i) pattern[i] = PatternByte(i);
    const int fd = open(luns_.back().c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0 || ftruncate(fd, kLunBytes) != 0 ||
        write(fd, pattern.data(), pattern.size()) != static_cast<ssize_t>(pattern.size())) {
      error_ = "cannot create " + luns_.back();
    }
    if (fd >= 0) close(fd);
  }
  if (!error_.empty()) return;
  // A port taken between FreePort() and tgtd's bind makes tgtd give up; pick
  // again. tgtd failing every time means it cannot run here at all.
  for (int attempt = 0; attempt < kStartAttempts; ++attempt) {
    port_ = FreePort();
    control_port_ = PickControlPort();
    if (Launch() && WaitReady()) {
      Configure();
      return;
    }
    Stop();
  }
  skip_reason_ = "tgtd does not start here: " + error_;
}

TgtdServer::~TgtdServer() {
  Stop();
  for (const std::string& lun : luns_) unlink(lun.c_str());
  for (const std::string& lun : extra_luns_) unlink(lun.c_str());
  if (!log_path_.empty()) unlink(log_path_.c_str());
  if (!dir_.empty()) rmdir(dir_.c_str());
}

bool TgtdServer::Start() {
  if (!skip_reason_.empty()) return false;
  Stop();
  // The old listening port may take a moment to be free again.
  const auto deadline = Clock::now() + kReadyTimeout;
  do {
    if (Launch() && WaitReady()) return Configure();
    Stop();
    std::this_thread::sleep_for(milliseconds(100));
  } while (Clock::now() < deadline);
  return false;
}

void TgtdServer::Stop() {
  if (pid_ <= 0) return;
  kill(pid_, SIGCONT);  // a paused tgtd would not see SIGTERM
  kill(pid_, SIGTERM);
  if (WaitFor(pid_, kTermWait) < 0) {
    kill(pid_, SIGKILL);
    WaitFor(pid_, kToolTimeout);
  }
  pid_ = -1;
  RemoveControlFiles();
}

void TgtdServer::Pause() {
  if (pid_ > 0) kill(pid_, SIGSTOP);
}

void TgtdServer::Resume() {
  if (pid_ > 0) kill(pid_, SIGCONT);
}

bool TgtdServer::Launch() {
  error_.clear();
  const std::string portal = "portal=127.0.0.1:" + std::to_string(port_);
  pid_ = Spawn({FindTool("tgtd"), "-f", "-C", std::to_string(control_port_), "--iscsi", portal},
               log_path_);
  if (pid_ <= 0) error_ = "cannot start tgtd";
  return pid_ > 0;
}

bool TgtdServer::WaitReady() {
  const auto deadline = Clock::now() + kReadyTimeout;
  while (Clock::now() < deadline) {
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      error_ = "tgtd ended with " + Describe(status) + ": " + Tail(log_path_);
      return false;
    }
    if (Tgtadm({"--op", "show", "--mode", "sys"}) && Accepts(port_)) return true;
    std::this_thread::sleep_for(milliseconds(20));
  }
  error_ = "tgtd did not answer within 5 s: " + Tail(log_path_);
  return false;
}

bool TgtdServer::Configure() {
  const std::vector<std::string> iscsi = {"--lld", "iscsi"};
  const char* names[] = {kOpenTarget, kOneWayTarget, kMutualTarget};
  bool ok = true;
  auto run = [&](std::vector<std::string> args) {
    args.insert(args.begin(), iscsi.begin(), iscsi.end());
    if (ok && !Tgtadm(args)) {
      ok = false;
      error_ = "tgtadm failed: " + Tail(log_path_);
    }
  };
  for (int tid = 1; tid <= 3; ++tid) {
    const std::string id = std::to_string(tid);
    run({"--mode", "target", "--op", "new", "--tid", id, "--targetname", names[tid - 1]});
    run({"--mode", "logicalunit", "--op", "new", "--tid", id, "--lun", "1", "--backing-store",
         luns_[tid - 1]});
    run({"--mode", "target", "--op", "bind", "--tid", id, "--initiator-address", "ALL"});
  }
  // The open target also offers a CRC32C header digest (tgtd's default is
  // None only), so that both outcomes can be seen.
  run({"--mode", "target", "--op", "update", "--tid", "1", "--name", "HeaderDigest", "--value",
       "CRC32C,None"});
  run({"--mode", "account", "--op", "new", "--user", kChapUser, "--password", kChapSecret});
  run({"--mode", "account", "--op", "new", "--user", kMutualUser, "--password", kMutualSecret});
  run({"--mode", "account", "--op", "bind", "--tid", "2", "--user", kChapUser});
  run({"--mode", "account", "--op", "bind", "--tid", "3", "--user", kChapUser});
  run({"--mode", "account", "--op", "bind", "--tid", "3", "--user", kMutualUser, "--outgoing"});
  return ok;
}

bool TgtdServer::Tgtadm(const std::vector<std::string>& args, std::string* output) {
  std::vector<std::string> argv = {FindTool("tgtadm"), "-C", std::to_string(control_port_)};
  argv.insert(argv.end(), args.begin(), args.end());
  return RunTool(argv, output != nullptr ? dir_ + "/tgtadm.out" : log_path_, output, kToolTimeout);
}

std::vector<int> TgtdServer::Sessions() {
  std::string shown;
  std::vector<int> sessions;
  if (!Tgtadm({"--lld", "iscsi", "--op", "show", "--mode", "target"}, &shown)) return sessions;
  std::istringstream lines(shown);
  constexpr std::string_view kNexus = "I_T nexus: ";
  for (std::string line; std::getline(lines, line);) {
    const size_t at = line.find(kNexus);
    if (at != std::string::npos) sessions.push_back(std::atoi(line.c_str() + at + kNexus.size()));
  }
  return sessions;
}

uint8_t TgtdServer::PatternByte(uint64_t offset) {
  if (offset >= kPatternBytes) return 0;
  // Never zero, and different in every byte of a block and from block to
  // block.
  return static_cast<uint8_t>(1 + (offset * 7 + offset / 512) % 251);
}

bool TgtdServer::AddLun(int tid, int lun, uint64_t bytes) {
  const std::string path = dir_ + "/extra" + std::to_string(tid) + "-" + std::to_string(lun);
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
  const bool made = fd >= 0 && ftruncate(fd, static_cast<off_t>(bytes)) == 0;
  if (fd >= 0) close(fd);
  if (!made) return false;
  extra_luns_.push_back(path);
  return Tgtadm({"--lld", "iscsi", "--mode", "logicalunit", "--op", "new", "--tid",
                 std::to_string(tid), "--lun", std::to_string(lun), "--backing-store", path});
}

bool TgtdServer::RemoveLun(int tid, int lun) {
  return Tgtadm({"--lld", "iscsi", "--mode", "logicalunit", "--op", "delete", "--tid",
                 std::to_string(tid), "--lun", std::to_string(lun)});
}

std::string TgtdServer::LunSerial(int tid, int lun) {
  std::string shown;
  if (!Tgtadm({"--lld", "iscsi", "--op", "show", "--mode", "target"}, &shown)) return {};
  std::istringstream lines(shown);
  const std::string target_line = "Target " + std::to_string(tid) + ":";
  const std::string lun_line = "LUN: " + std::to_string(lun);
  constexpr std::string_view kSerial = "SCSI SN: ";
  bool in_target = false;
  bool in_lun = false;
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("Target ", 0) == 0) in_target = line.rfind(target_line, 0) == 0;
    const size_t lun_at = line.find("LUN: ");
    if (lun_at != std::string::npos) in_lun = in_target && line.substr(lun_at) == lun_line;
    const size_t at = line.find(kSerial);
    if (in_lun && at != std::string::npos) return line.substr(at + kSerial.size());
  }
  return {};
}

void TgtdServer::RemoveControlFiles() const {
  const std::string socket = "/var/run/tgtd/socket." + std::to_string(control_port_);
  unlink(socket.c_str());
  unlink((socket + ".lock").c_str());
}

}  // namespace oxim::testing
