// Temporary OXIM_ROOT for tests; see temp_root.h.
#include "support/temp_root.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace oxim::testing {

TempRoot::TempRoot() {
  std::string pattern = (std::filesystem::temp_directory_path() / "oxim-test-XXXXXX").string();
  char* made = mkdtemp(pattern.data());
  EXPECT_NE(made, nullptr);
  path_ = pattern;
  std::filesystem::create_directories(path_ + "/scratch/Vallorn");
  std::filesystem::create_directories(path_ + "/tmp");
  setenv("OXIM_ROOT", path_.c_str(), 1);
#ifdef OXIM_EMULATORD_PATH
  // The library starts the emulated adapter's daemon of the root when it
  // needs one; test programs are not installed beside the library.
  setenv("OXIM_EMULATORD", OXIM_EMULATORD_PATH, 0);
#endif
}

TempRoot::~TempRoot() {
  // A daemon the root's clients started leaves when the root goes.
  unsetenv("OXIM_ROOT");
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string TempRoot::read(const std::string& absolute_path) const {
  std::ifstream in(file(absolute_path));
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

void TempRoot::write(const std::string& absolute_path, const std::string& content) const {
  std::filesystem::create_directories(std::filesystem::path(file(absolute_path)).parent_path());
  std::ofstream(file(absolute_path)) << content;
}

}  // namespace oxim::testing
