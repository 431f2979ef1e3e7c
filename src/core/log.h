// The library's log file ("/tmp/oxim2d.log" under OXIM_ROOT): one entry per
// call of pdebug, written when the module is in the module mask and the log
// level is at least the entry's level. Entry format:
//   <ctime without line end>,<pid>,   <label><message>
// with the labels "FATAL:", "CRITICAL:", "ERROR:", "Warning:", "INFO:" and
// none for debug. The message carries its own line end.
#ifndef OXIM_CORE_LOG_H_
#define OXIM_CORE_LOG_H_

#include <cstdint>

namespace oxim {

// Modules: the tree interface, and everything that talks to the adapter.
inline constexpr uint32_t kModuleTree = 1;
inline constexpr uint32_t kModuleAdapter = 2;

// Levels.
inline constexpr int kLogOff = 0;
inline constexpr int kLogFatal = 1;
inline constexpr int kLogCritical = 2;
inline constexpr int kLogError = 3;
inline constexpr int kLogWarning = 4;
inline constexpr int kLogInfo = 5;
inline constexpr int kLogDebug = 6;

inline constexpr char kLogFilePath[] = "/tmp/oxim2d.log";

// Writes one entry (see above). Safe from any thread.
void pdebug(uint32_t module, int level, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

// The process-wide log level, 0 to 6.
int log_level();
void set_log_level(int level);

// Opens the log file for appending if it is not open; logging stays off
// silently when it cannot be opened.
void open_log_file();
void close_log_file();

}  // namespace oxim

#endif  // OXIM_CORE_LOG_H_
