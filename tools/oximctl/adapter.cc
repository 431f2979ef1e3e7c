// Adapter choice; see adapter.h.
#include "adapter.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <iostream>

namespace oximctl {
namespace {

bool exists(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0;
}

// Whether the host (under OXIM_ROOT, if set) has a device node of the
// adapter's drivers.
bool host_has_adapter() {
  const char* root = std::getenv("OXIM_ROOT");
  const std::string prefix = root != nullptr ? root : "";
  return exists(prefix + "/vmfs/devices/char/vmkdriver/qf_esx_nic") ||
         exists(prefix + "/vmfs/devices/char/vmkdriver/qf2iscsi_0");
}

std::string per_user_root() {
  if (const char* state = std::getenv("XDG_STATE_HOME"); state != nullptr && *state != '\0') {
    return std::string(state) + "/oxim/root";
  }
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
    return std::string(home) + "/.local/state/oxim/root";
  }
  return "/tmp/oxim-" + std::to_string(getuid()) + "/root";
}

void make_directories(const std::string& path) {
  for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
    mkdir(path.substr(0, slash).c_str(), 0700);
    if (slash == std::string::npos) break;
  }
}

}  // namespace

void choose_adapter(const std::optional<std::string>& adapter,
                    const std::optional<std::string>& root) {
  if (root) setenv("OXIM_ROOT", root->c_str(), 1);
  if (adapter) {
    setenv("OXIM_ADAPTER", adapter->c_str(), 1);
    return;
  }
  if (std::getenv("OXIM_ADAPTER") != nullptr || host_has_adapter()) return;
  setenv("OXIM_ADAPTER", "emulator", 1);
  if (std::getenv("OXIM_ROOT") == nullptr) {
    const std::string directory = per_user_root();
    make_directories(directory);
    setenv("OXIM_ROOT", directory.c_str(), 1);
  }
  std::cerr << "oximctl: no adapter on this host; using the built-in emulated adapter (files in "
            << std::getenv("OXIM_ROOT") << ")\n";
}

}  // namespace oximctl
