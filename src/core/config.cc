// Configuration file and log level; see config.h.
#include "core/config.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "core/host_paths.h"
#include "core/log.h"
#include "core/node_store.h"

namespace oxim {
namespace {

constexpr char kLevelKey[] = "OXIMLogLevel ";
constexpr int kConfigLineSize = 256;

// Reads the level line of an open configuration file. Returns true if the
// file asks to be rewritten (a level outside 0..6).
bool read_level(FILE* file) {
  char line[kConfigLineSize];
  bool rewrite = false;
  while (std::fgets(line, sizeof line, file) != nullptr) {
    if (std::strstr(line, kLevelKey) == nullptr) continue;
    // The level is the second blank-separated token. A line without one
    // (never written by the library) keeps the current level.
    char key[kConfigLineSize];
    char value[kConfigLineSize];
    if (std::sscanf(line, "%255s %255s", key, value) != 2) continue;
    char* end = nullptr;
    long level = std::strtol(value, &end, 10);
    if (end != value && level >= kLogOff && level <= kLogDebug) {
      set_log_level(static_cast<int>(level));
      rewrite = false;
    } else {
      rewrite = true;
    }
  }
  return rewrite;
}

}  // namespace

FILE* OXIM_file_open(const char* path, const char* mode) {
  if (path == nullptr || mode == nullptr) return nullptr;
  return std::fopen(path, mode);
}

void OXIM_file_close(FILE* stream) {
  if (stream != nullptr) std::fclose(stream);
}

int OXIM_change_permissions_file(const char* path) {
  FILE* file = OXIM_file_open(path, "r");
  if (file == nullptr || fchmod(fileno(file), 0644) != 0) {
    pdebug(kModuleAdapter, kLogError, "Failed change the permissions for %s file\n",
           path != nullptr ? path : "(null)");
    OXIM_file_close(file);
    return 1;
  }
  OXIM_file_close(file);
  return 0;
}

uint32_t handle_OXIMDebugLevel(Node* node, char* buffer, uint32_t op) {
  if (!is_property(node) || buffer == nullptr) return OXIM_STATUS_FAILURE;
  char value[kValueSize];
  if (op == kOpWrite) {
    set_log_level(static_cast<int>(std::strtol(buffer, nullptr, 10)));
    (void)write_log_level_file();
    write_cached_value(node, buffer);
    return OXIM_STATUS_SUCCESS;
  }
  (void)read_log_level_file();
  std::snprintf(value, sizeof value, "%d", log_level());
  write_cached_value(node, value);
  std::memcpy(buffer, value, sizeof value);
  return OXIM_STATUS_SUCCESS;
}

uint32_t write_log_level_file() {
  FILE* file = std::fopen(HostPath(kConfigFilePath).c_str(), "w");
  if (file == nullptr) return 1;
  std::fprintf(file,
               "#OXIMLogLevel: Control the number of messages logged to the oxim2d.log file.\n"
               "#Possible values are 0 - Disabled, 1 - FATAL, 2 - CRITICAL, 3 - ERROR, "
               "4 - WARNING, 5 - INFORMATION, 6 - DEBUG.\n"
               "OXIMLogLevel %d",
               log_level());
  std::fclose(file);
  return 0;
}

uint32_t read_log_level_file() {
  FILE* file = std::fopen(HostPath(kConfigFilePath).c_str(), "r");
  if (file == nullptr) return 1;
  bool rewrite = read_level(file);
  std::fclose(file);
  if (rewrite) (void)write_log_level_file();
  return 0;
}

uint32_t update_log_level() {
  const std::string path = HostPath(kConfigFilePath);
  if (access(path.c_str(), R_OK) == 0) {
    (void)read_log_level_file();
  } else {
    (void)write_log_level_file();
  }
  if (access(path.c_str(), R_OK) == 0) chmod(path.c_str(), 0644);
  return 0;
}

uint32_t prepare_log_directory() {
  // The directory must stay traversable (0755): a directory without the
  // execute bit cannot be entered by anyone but root.
  const std::string directory = HostPath(kLogDirectoryPath);
  if (access(directory.c_str(), R_OK) != 0) MakeDirectories(directory, 0755);
  chmod(directory.c_str(), 0755);
  const std::string log = HostPath(kLogFilePath);
  if (access(log.c_str(), F_OK) == 0) chmod(log.c_str(), 0644);
  return 0;
}

}  // namespace oxim
