// Exported calls of the configuration file and the log directory.
#include "api/guard.h"
#include "core/config.h"
#include "oxim/oxim.h"

extern "C" {

uint32_t OXIM_set_debug_level(void) {
  return oxim::guarded(__func__, [] { return oxim::write_log_level_file(); });
}

uint32_t OXIM_get_debug_level(void) {
  return oxim::guarded(__func__, [] { return oxim::read_log_level_file(); });
}

uint32_t OXIM_update_loglevel(void) {
  return oxim::guarded(__func__, [] { return oxim::update_log_level(); });
}

uint32_t OXIM_config_log_dir_permissions(void) {
  return oxim::guarded(__func__, [] { return oxim::prepare_log_directory(); });
}

// Performs no work: the library neither saves nor replays its tree by
// itself (save_node and restore_hm serve whoever chooses the stream).
uint32_t OXIM_save_file_configuration(void) { return 0; }

}  // extern "C"
