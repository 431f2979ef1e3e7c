// Exported calls about the host: its kind and version, its network
// interfaces, file deletion, and the library's directories.
#include "api/guard.h"
#include "oxim/oxim.h"
#include "oxim/oxim_services.h"
#include "startup/discovery.h"
#include "startup/host_facts.h"

extern "C" {

uint32_t OXIM_get_esx_version(void) {
  return oxim::guarded(__func__, oxim::kHostOther, [] { return oxim::esx_version(); });
}

uint32_t OXIM_get_os_info(uint32_t* major, uint32_t* minor, char* name) {
  return oxim::guarded(__func__, [&] { return oxim::os_info(major, minor, name); });
}

uint32_t OXIM_check_valid_interface(const char* name) {
  return oxim::guarded(__func__, [&] { return oxim::check_valid_interface(name); });
}

uint32_t OXIM_delete_file(const char* path) {
  return oxim::guarded(__func__, [&] { return oxim::delete_readable_file(path); });
}

uint32_t OXIM_config_dir_permssions(void) {
  return oxim::guarded(__func__, oxim::kHostOther,
                       [] { return oxim::prepare_library_directories(); });
}

}  // extern "C"
