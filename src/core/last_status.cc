// The process-wide last status; see last_status.h. Property handlers set it
// outside the library lock, so the record has a mutex of its own.
#include "core/last_status.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace oxim {
namespace {
std::mutex g_mutex;
uint32_t g_code = 0;
char g_message[kMessageSize] = "";
}  // namespace

void oxim_set_last_status(uint32_t code, const char* message) {
  std::lock_guard<std::mutex> guard(g_mutex);
  g_code = code;
  std::snprintf(g_message, sizeof g_message, "%s", message != nullptr ? message : "");
}

void oxim_set_last_statusf(uint32_t code, const char* format, ...) {
  char message[kMessageSize];
  va_list args;
  va_start(args, format);
  std::vsnprintf(message, sizeof message, format, args);
  va_end(args);
  oxim_set_last_status(code, message);
}

void oxim_get_last_status(uint32_t* code, char* message) {
  std::lock_guard<std::mutex> guard(g_mutex);
  if (code != nullptr) *code = g_code;
  if (message != nullptr) std::memcpy(message, g_message, sizeof g_message);
}

void oxim_reset_last_status() { oxim_set_last_status(0, ""); }

KeepLastStatus::KeepLastStatus() { oxim_get_last_status(&code_, message_); }

KeepLastStatus::~KeepLastStatus() { oxim_set_last_status(code_, message_); }

}  // namespace oxim
