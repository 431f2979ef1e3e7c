// Reference-counted start and stop for the IMA plug-in.
#include <gtest/gtest.h>

#include "oxim/oxim.h"
#include "support/temp_root.h"
#include "transport/driver_open.h"

namespace oxim::testing {
namespace {

using DriverOpen = TempRootTest;

TEST_F(DriverOpen, FirstOpenStartsAndLastCloseStops) {
  const uint32_t start = oxim_counter;
  EXPECT_EQ(driver_open(), 0u);
  const uint32_t started = oxim_counter;
  EXPECT_GT(started, start);
  EXPECT_EQ(driver_open(), 0u);
  EXPECT_EQ(oxim_counter, started);  // no second tree
  EXPECT_EQ(driver_close(), 0u);
  EXPECT_EQ(oxim_counter, started);  // one user left
  EXPECT_EQ(driver_close(), 0u);
  EXPECT_EQ(oxim_counter, start);
  EXPECT_EQ(driver_close(), 0u);  // without a user: nothing
  EXPECT_EQ(oxim_counter, start);
  EXPECT_EQ(root_.read("/tmp/ima.log"), "");
}

}  // namespace
}  // namespace oxim::testing
