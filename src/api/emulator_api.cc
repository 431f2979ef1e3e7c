// Exported control of the emulated adapter.
#include <cstring>
#include <string>

#include "api/guard.h"
#include "oxim/oxim_emulator.h"
#include "platform/socket_backend.h"

namespace {

uint32_t emulator_control(const char* request, char* answer, uint32_t size) {
  if (request == nullptr || answer == nullptr || size == 0) return OXIM_STATUS_FAILURE;
  std::string text;
  const uint32_t status = oxim::platform::EmulatorControl(request, &text);
  if (text.size() >= size) {
    std::memcpy(answer, text.data(), size - 1);
    answer[size - 1] = '\0';
    return OXIM_STATUS_ARRAY_TOO_SMALL;
  }
  std::memcpy(answer, text.c_str(), text.size() + 1);
  return status;
}

}  // namespace

extern "C" uint32_t OXIM_emulator_control(const char* request, char* answer, uint32_t size) {
  return oxim::guarded(__func__, [&] { return emulator_control(request, answer, size); });
}
