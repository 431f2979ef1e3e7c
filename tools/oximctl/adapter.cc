// Adapter choice and configuration checks; see adapter.h.
#include "adapter.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <nlohmann/json.hpp>
#include <string_view>

#include "emulator.h"
#include "oxim/oxim.h"

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
                    const std::optional<std::string>& root, bool note) {
  if (root) setenv("OXIM_ROOT", root->c_str(), 1);
  bool defaulted = false;
  if (adapter) {
    setenv("OXIM_ADAPTER", adapter->c_str(), 1);
  } else if (std::getenv("OXIM_ADAPTER") == nullptr && !host_has_adapter()) {
    setenv("OXIM_ADAPTER", "emulator", 1);
    defaulted = true;
  }
  // The emulated adapter's files (and the library's) never go to the host's
  // own paths: without a root, they are kept per user.
  const char* chosen = std::getenv("OXIM_ADAPTER");
  if (chosen == nullptr || std::string_view(chosen).rfind("emulator", 0) != 0) return;
  if (const char* given = std::getenv("OXIM_ROOT"); given == nullptr || *given == '\0') {
    const std::string directory = per_user_root();
    make_directories(directory);
    setenv("OXIM_ROOT", directory.c_str(), 1);
  }
  if (defaulted && note && !emulator_running()) {
    std::cerr << "oximctl: no adapter on this host; starting the built-in emulated adapter (files "
                 "in "
              << std::getenv("OXIM_ROOT") << ")\n";
  }
}

std::optional<std::string> configuration_file() {
  const char* adapter = std::getenv("OXIM_ADAPTER");
  if (adapter == nullptr || std::strncmp(adapter, "emulator:", 9) != 0) return std::nullopt;
  return std::string(adapter + 9);
}

std::string check_configuration_file(const std::string& file) {
  struct stat info;
  if (stat(file.c_str(), &info) != 0) return std::strerror(errno);
  if (S_ISDIR(info.st_mode)) return "is a directory";
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::strerror(errno);
  try {
    const nlohmann::json document = nlohmann::json::parse(in);
    if (!document.is_object()) return "not a JSON object";
  } catch (const nlohmann::json::parse_error& error) {
    // "[json.exception.parse_error.101] parse error at line 2, column 3: ..."
    std::string what = error.what();
    const size_t at = what.find("] ");
    return "not JSON: " + (at == std::string::npos ? what : what.substr(at + 2));
  }
  return "";
}

std::string start_failure_text(const std::string& library_message,
                               const std::optional<std::string>& root) {
  std::string text = library_message;
  // "The adapter cannot be used: the emulated adapter did not start:
  //  configuration FILE refused: REASON."
  constexpr std::string_view kConfiguration = "configuration ";
  const size_t refused = text.find(" refused: ");
  const size_t configuration = text.rfind(kConfiguration, refused);
  if (refused != std::string::npos && configuration != std::string::npos) {
    std::string reason = text.substr(refused + 10);
    if (!reason.empty() && reason.back() == '.') reason.pop_back();
    return "the emulated adapter's configuration " +
           text.substr(configuration + kConfiguration.size(),
                       refused - configuration - kConfiguration.size()) +
           " was refused: " + reason;
  }
  if (text.find("runs another configuration") != std::string::npos) {
    text += " To use this configuration, restart the emulated adapter: oximctl";
    if (root) text += " --root " + *root;
    text += " emulator stop, then run the command again (its flash stays).";
  }
  return "the library did not start: " + text;
}

}  // namespace oximctl
