// Reporting statuses; see status.h.
#include "core/status.h"

#include <cstdarg>
#include <cstdio>

#include "core/last_status.h"

namespace oxim {

uint32_t report(const StatusMessage& status) {
  oxim_set_last_status(status.code, status.message);
  return status.code;
}

uint32_t reportf(uint32_t code, const char* format, ...) {
  char message[kMessageSize];
  va_list args;
  va_start(args, format);
  std::vsnprintf(message, sizeof message, format, args);
  va_end(args);
  oxim_set_last_status(code, message);
  return code;
}

}  // namespace oxim
