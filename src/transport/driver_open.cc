// Plug-in start and stop; see driver_open.h.
#include "transport/driver_open.h"

#include <cstdio>
#include <mutex>

#include "core/host_paths.h"
#include "oxim/oxim.h"

namespace oxim {
namespace {

std::mutex g_mutex;
int g_users = 0;

}  // namespace

uint32_t driver_open() {
  std::lock_guard<std::mutex> guard(g_mutex);
  if (g_users++ > 0) return 0;
  uint32_t status = OXIM_init();
  if (status != 0) {
    if (FILE* log = std::fopen(HostPath(kImaLogPath).c_str(), "a")) {
      std::fprintf(log, "OXIM_init status is %d\n", static_cast<int>(status));
      std::fclose(log);
    }
  }
  return status;
}

uint32_t driver_close() {
  std::lock_guard<std::mutex> guard(g_mutex);
  if (g_users == 0) return 0;
  if (--g_users > 0) return 0;
  return OXIM_exit();
}

}  // namespace oxim
