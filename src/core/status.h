// Statuses as the library reports them: a numeric code and the message the
// last status carries with it. Each area names its statuses once, as
// constants, and reports them through report():
//
//   inline constexpr StatusMessage kPortalNotFound{29, "Portal not found."};
//   ...
//   if (portal == nullptr) return report(kPortalNotFound);
//
// Messages of failures inside the library or the firmware end with the
// internal-error sentence, written once here (OXIM_INTERNAL_ERROR joins a
// message literal at compile time).
#ifndef OXIM_CORE_STATUS_H_
#define OXIM_CORE_STATUS_H_

#include <cstdint>

#define OXIM_INTERNAL_ERROR \
  "Application internal error occurred. Please check oxim2d.log file for more information."

namespace oxim {

struct StatusMessage {
  uint32_t code;
  const char* message;
};

inline constexpr char kInternalErrorSuffix[] = OXIM_INTERNAL_ERROR;
// A failure inside the library: no memory, a group or record that could
// not be made, an answer that could not be read.
inline constexpr StatusMessage kInternalError{1, OXIM_INTERNAL_ERROR};

// Records status as the last status and returns its code.
uint32_t report(const StatusMessage& status);
// Records code with a formatted message (for messages that name something)
// and returns code.
uint32_t reportf(uint32_t code, const char* format, ...) __attribute__((format(printf, 2, 3)));

}  // namespace oxim

#endif  // OXIM_CORE_STATUS_H_
