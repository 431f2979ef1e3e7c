// Log file and levels; see log.h.
#include "core/log.h"

#include <unistd.h>

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>

#include "core/host_paths.h"

namespace oxim {
namespace {

constexpr uint32_t kModuleMask = kModuleTree | kModuleAdapter;

std::atomic<int> g_level{kLogOff};
// Guards the stream: entries come from property handlers on any thread while
// the last client may be closing the file.
std::mutex g_file_mutex;
FILE* g_file = nullptr;

const char* LevelLabel(int level) {
  switch (level) {
    case kLogFatal: return "FATAL:";
    case kLogCritical: return "CRITICAL:";
    case kLogError: return "ERROR:";
    case kLogWarning: return "Warning:";
    case kLogInfo: return "INFO:";
    default: return "";
  }
}

}  // namespace

int log_level() { return g_level.load(std::memory_order_relaxed); }
void set_log_level(int level) { g_level.store(level, std::memory_order_relaxed); }

void open_log_file() {
  std::lock_guard<std::mutex> guard(g_file_mutex);
  if (g_file == nullptr) g_file = std::fopen(HostPath(kLogFilePath).c_str(), "a+");
}

void close_log_file() {
  std::lock_guard<std::mutex> guard(g_file_mutex);
  if (g_file != nullptr) std::fclose(g_file);
  g_file = nullptr;
}

void pdebug(uint32_t module, int level, const char* format, ...) {
  if ((module & kModuleMask) == 0 || log_level() < level) return;
  std::lock_guard<std::mutex> guard(g_file_mutex);
  if (g_file == nullptr) return;
  char when[64];
  time_t now = time(nullptr);
  if (ctime_r(&now, when) == nullptr) when[0] = '\0';
  when[strcspn(when, "\n")] = '\0';
  std::fprintf(g_file, "%s,%d,   %s", when, static_cast<int>(getpid()), LevelLabel(level));
  va_list args;
  va_start(args, format);
  std::vfprintf(g_file, format, args);
  va_end(args);
  std::fflush(g_file);
}

}  // namespace oxim
