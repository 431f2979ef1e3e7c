// Host paths: every absolute path the library uses on the host (log file,
// configuration, saved files, lock files, device nodes) is formed here, with
// the directory named by OXIM_ROOT put in front of it. With OXIM_ROOT unset
// or empty the real paths are used.
#ifndef OXIM_CORE_HOST_PATHS_H_
#define OXIM_CORE_HOST_PATHS_H_

#include <string>
#include <string_view>

namespace oxim {

// The root prefix (OXIM_ROOT without trailing slashes), empty for the host.
std::string RootPrefix();

// OXIM_ROOT + absolute_path. REQUIRES: absolute_path starts with "/".
std::string HostPath(std::string_view absolute_path);

// Creates a directory and its missing parents with the given mode (no shell
// involved). Returns true if the directory exists afterwards.
bool MakeDirectories(const std::string& path, unsigned mode);

// Under a non-empty OXIM_ROOT, creates the directories every host has and
// the library writes into ("/tmp", "/scratch", "/var/run"), so that a fresh
// root behaves like a host. Does nothing for the real host.
void PrepareRoot();

}  // namespace oxim

#endif  // OXIM_CORE_HOST_PATHS_H_
