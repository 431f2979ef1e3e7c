// A fresh temporary OXIM_ROOT for each test, so that log, configuration and
// saved files never touch the host or another test.
#ifndef OXIM_TESTS_SUPPORT_TEMP_ROOT_H_
#define OXIM_TESTS_SUPPORT_TEMP_ROOT_H_

#include <gtest/gtest.h>

#include <string>

namespace oxim::testing {

// Creates a temporary directory with /tmp and the library's directory
// (/scratch/Vallorn) in it and points OXIM_ROOT at it; removes it again.
class TempRoot {
 public:
  TempRoot();
  ~TempRoot();
  TempRoot(const TempRoot&) = delete;
  TempRoot& operator=(const TempRoot&) = delete;

  const std::string& path() const { return path_; }
  // path() + absolute_path.
  std::string file(const std::string& absolute_path) const { return path_ + absolute_path; }
  std::string read(const std::string& absolute_path) const;
  void write(const std::string& absolute_path, const std::string& content) const;

 private:
  std::string path_;
};

// Base for tests that run each case in a fresh root.
class TempRootTest : public ::testing::Test {
 protected:
  TempRoot root_;
};

}  // namespace oxim::testing

#endif  // OXIM_TESTS_SUPPORT_TEMP_ROOT_H_
