// What the library wrote to its log during a call. The library logs the
// cause of many failures only there (the last status then says "Please
// check oxim2d.log"), so oximctl notes where the log ends before a call and
// reads what this process appended after it.
//
// The log is $OXIM_ROOT/tmp/oxim2d.log (/tmp/oxim2d.log without OXIM_ROOT);
// an entry is "<time>,<pid>,   <label><message>", the labels "FATAL:",
// "CRITICAL:", "ERROR:", "Warning:", "INFO:" and none for debug. Entries
// are written only as far as the log level (OXIMDebugLevel) allows.
#ifndef OXIM_TOOLS_OXIMCTL_LOG_TAIL_H_
#define OXIM_TOOLS_OXIMCTL_LOG_TAIL_H_

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <vector>

namespace oximctl {

class LogTail {
 public:
  // Notes the log's current end.
  LogTail();

  // The path of the library's log file.
  static std::string path();

  // Messages (from the label on) of the entries this process appended since
  // construction; all of them, or only the error-level ones (FATAL,
  // CRITICAL, ERROR).
  std::vector<std::string> appended(bool errors_only) const;

 private:
  std::string path_;
  off_t start_ = 0;
};

// The error-level lines a failed call left in the log, at most this many.
inline constexpr size_t kMaxLogLines = 5;

}  // namespace oximctl

#endif  // OXIM_TOOLS_OXIMCTL_LOG_TAIL_H_
