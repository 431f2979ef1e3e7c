// The library lock and file locks.
#include "core/lock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "core/log.h"
#include "support/temp_root.h"

namespace oxim {
namespace {

TEST(LibraryLockTest, IsNotRecursiveAndDoubleReleaseKeepsOneHolder) {
  ASSERT_EQ(oxim_lock_init(), 1);
  ASSERT_EQ(oxim_acquire_lock(), 1);
  EXPECT_EQ(oxim_release_lock(), 1);
  EXPECT_EQ(oxim_release_lock(), 1) << "releasing a free lock does nothing";
  ASSERT_EQ(oxim_acquire_lock(), 1);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(oxim_acquire_lock(), 0) << "a second holder must not get in";
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GE(waited, std::chrono::milliseconds(900));
  EXPECT_LT(waited, std::chrono::seconds(3));
  oxim_release_lock();
  EXPECT_EQ(oxim_lock_free(), 1);
  EXPECT_EQ(oxim_lock_free(), 0) << "no lock left to free";
  EXPECT_EQ(oxim_acquire_lock(), 0) << "no lock exists";
}

TEST(FileLockTest, LocksAndUnlocksWholeFile) {
  FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(oxim_lock_file(file), 0);
  EXPECT_EQ(oxim_unlock_file(file), 0);
  std::fclose(file);
  EXPECT_EQ(oxim_lock_file(nullptr), 1);
  EXPECT_EQ(oxim_unlock_file(nullptr), 1);
}

}  // namespace
}  // namespace oxim
