// Host path forming under OXIM_ROOT; see host_paths.h.
#include "core/host_paths.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>

namespace oxim {

std::string RootPrefix() {
  const char* root = std::getenv("OXIM_ROOT");
  std::string prefix = root != nullptr ? root : "";
  while (!prefix.empty() && prefix.back() == '/') prefix.pop_back();
  return prefix;
}

std::string HostPath(std::string_view absolute_path) {
  return RootPrefix() + std::string(absolute_path);
}

bool MakeDirectories(const std::string& path, unsigned mode) {
  if (path.empty()) return false;
  for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
    std::string part = path.substr(0, slash);
    if (!part.empty() && mkdir(part.c_str(), mode) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) break;
  }
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

void PrepareRoot() {
  const std::string prefix = RootPrefix();
  if (prefix.empty()) return;
  for (const char* dir : {"/tmp", "/scratch", "/var/run"}) MakeDirectories(prefix + dir, 0755);
}

}  // namespace oxim
