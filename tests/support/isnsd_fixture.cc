// isnsd as a child of the test program; see isnsd_fixture.h. isnsd and
// isnsadm run without a shell, with argument words.
#include "support/isnsd_fixture.h"

#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "support/child_process.h"

namespace oxim::testing {
namespace {

using std::chrono::milliseconds;

constexpr milliseconds kReadyTimeout{5000};
constexpr milliseconds kToolTimeout{5000};
constexpr milliseconds kTermWait{500};

}  // namespace

IsnsdServer::IsnsdServer() {
  if (FindTool("isnsd").empty() || FindTool("isnsadm").empty()) {
    skip_reason_ = "isnsd or isnsadm not installed (packages open-isns-server, open-isns-utils)";
    return;
  }
  if (Accepts(kPort)) {
    skip_reason_ = "port 3205, which isnsd always binds, is taken by another program";
    return;
  }
  char pattern[] = "/tmp/oxim-isnsd-XXXXXX";
  if (mkdtemp(pattern) == nullptr) {
    skip_reason_ = "cannot create a temporary directory";
    return;
  }
  dir_ = pattern;
  log_path_ = dir_ + "/isnsd.log";
  std::filesystem::create_directory(dir_ + "/db");
  std::ofstream(dir_ + "/isnsd.conf")
      << "Security = 0\nSLPRegister = 0\nDefaultDiscoveryDomain = 1\n"
      << "Database = " << dir_ << "/db\n"
      << "ControlSocket = " << dir_ << "/control\n"
      << "PIDFile = " << dir_ << "/isnsd.pid\n";
  std::ofstream(dir_ + "/isnsadm.conf") << "Security = 0\nControlSocket = " << dir_ << "/control\n";
  pid_ = Spawn({FindTool("isnsd"), "-f", "-c", dir_ + "/isnsd.conf"}, log_path_);
  if (pid_ < 0) {
    error_ = "cannot start isnsd";
    return;
  }
  const auto deadline = std::chrono::steady_clock::now() + kReadyTimeout;
  while (!Accepts(kPort) || !std::filesystem::exists(dir_ + "/control")) {
    if (const int status = WaitFor(pid_, milliseconds(0)); status >= 0) {
      error_ = "isnsd ended with " + Describe(status) + ": " + Tail(log_path_);
      pid_ = -1;
      return;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      error_ = "isnsd did not answer within 5 s: " + Tail(log_path_);
      return;
    }
    std::this_thread::sleep_for(milliseconds(20));
  }
}

IsnsdServer::~IsnsdServer() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    if (WaitFor(pid_, kTermWait) < 0) {
      kill(pid_, SIGKILL);
      WaitFor(pid_, kToolTimeout);
    }
  }
  if (!dir_.empty()) std::filesystem::remove_all(dir_);
}

bool IsnsdServer::Isnsadm(const std::vector<std::string>& args, std::string* output) {
  std::vector<std::string> argv = {FindTool("isnsadm"), "-c", dir_ + "/isnsadm.conf", "--local"};
  argv.insert(argv.end(), args.begin(), args.end());
  std::string ignored;
  return RunTool(argv, dir_ + "/isnsadm.out", output != nullptr ? output : &ignored, kToolTimeout);
}

bool IsnsdServer::RegisterTargets(const std::string& entity, const std::string& portal,
                                  const std::vector<std::string>& names) {
  std::vector<std::string> args = {"--register", "entity=" + entity, "portal=" + portal};
  for (const std::string& name : names) args.push_back("target=" + name);
  return Isnsadm(args);
}

std::vector<std::string> IsnsdServer::Initiators() {
  std::string output;
  std::vector<std::string> names;
  if (!Isnsadm({"--list", "nodes"}, &output)) return names;
  // Each node prints its name, then its type on a later line.
  std::istringstream in(output);
  std::string name;
  for (std::string line; std::getline(in, line);) {
    const size_t at = line.find("iSCSI name = \"");
    if (at != std::string::npos) {
      name = line.substr(at + 14, line.rfind('"') - at - 14);
    } else if (line.find("iSCSI node type = Initiator") != std::string::npos) {
      names.push_back(name);
    }
  }
  return names;
}

}  // namespace oxim::testing
