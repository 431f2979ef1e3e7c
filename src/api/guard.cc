// The exported calls' guard; see guard.h.
#include "api/guard.h"

#include "core/last_status.h"
#include "core/log.h"
#include "core/status.h"

namespace oxim {

void report_exception(const char* call, const std::exception* exception) noexcept {
  // Neither step allocates: the log line and the last status are formatted
  // into fixed buffers.
  pdebug(kModuleTree, kLogError, "%s: internal error: %s\n", call,
         exception != nullptr ? exception->what() : "unknown exception");
  (void)report(kInternalError);
}

}  // namespace oxim
