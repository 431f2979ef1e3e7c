// The library test fixture; see library_fixture.h.
#include "support/library_fixture.h"

#include <cstdlib>

#include "oxim/oxim.h"

namespace oxim::testing {

void LibraryTest::SetUp() { baseline_ = oxim_counter; }

void LibraryTest::TearDown() {
  while (clients_ > 0) Stop();
  EXPECT_EQ(oxim_counter, baseline_) << "blocks the library did not give back";
  unsetenv("OXIM_ADAPTER");
}

uint32_t LibraryTest::TryStart(const std::string& adapter) {
  adapter_ = adapter;
  setenv("OXIM_ADAPTER", adapter.c_str(), 1);
  const uint32_t status = OXIM_init();
  if (status == OXIM_STATUS_SUCCESS) ++clients_;
  return status;
}

void LibraryTest::Start(const std::string& adapter) {
  ASSERT_EQ(TryStart(adapter), OXIM_STATUS_SUCCESS) << "OXIM_init on " << adapter;
}

void LibraryTest::Stop() {
  if (clients_ == 0) return;
  EXPECT_EQ(OXIM_exit(), OXIM_STATUS_SUCCESS);
  --clients_;
}

void LibraryTest::Restart() {
  while (clients_ > 0) Stop();
  Start(adapter_);
}

std::string LibraryTest::Config(const std::string& name) {
  return std::string("emulator:") + OXIM_CONFIG_DIR + "/" + name;
}

std::string LibraryTest::WriteConfig(const std::string& json) {
  const std::string path = "/adapter" + std::to_string(++written_) + ".json";
  root_.write(path, json);
  return "emulator:" + root_.file(path);
}

}  // namespace oxim::testing
