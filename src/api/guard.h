// The guard every exported C call runs under. The library is loaded into
// its host's process: a C++ exception that left an exported call would
// terminate that process. guarded() runs the call's body, and any exception
// (an allocation that failed, a container that refused a size) becomes the
// call's failure value, with a log line naming the call and a last status
// that says an internal error occurred. Locks, node-use scopes and the
// new-tag list are held by objects whose destructors release them, so they
// are released on the way out.
//
//   uint32_t OXIM_get_node_tag(uint32_t parent, const char* name, uint32_t* tag,
//                              uint32_t filter) {
//     return guarded(__func__, [&] { return get_node_tag(parent, name, tag, filter); });
//   }
#ifndef OXIM_API_GUARD_H_
#define OXIM_API_GUARD_H_

#include <cstdint>
#include <exception>
#include <utility>

#include "oxim/oxim.h"

namespace oxim {

// Logs the exception (what() of a std::exception, else "unknown") for the
// exported call and sets the last status to 1 with the internal-error
// message. Never throws.
void report_exception(const char* call, const std::exception* exception) noexcept;

// Runs body and returns its result; failure when body throws.
template <typename Body>
auto guarded(const char* call, decltype(std::declval<Body&>()()) failure, Body&& body) noexcept
    -> decltype(body()) {
  try {
    return body();
  } catch (const std::exception& exception) {
    report_exception(call, &exception);
  } catch (...) {
    report_exception(call, nullptr);
  }
  return failure;
}

// The usual form: the body returns a status, and a thrown exception gives
// OXIM_STATUS_FAILURE.
template <typename Body>
uint32_t guarded(const char* call, Body&& body) noexcept {
  return guarded(call, uint32_t{OXIM_STATUS_FAILURE}, static_cast<Body&&>(body));
}

}  // namespace oxim

#endif  // OXIM_API_GUARD_H_
