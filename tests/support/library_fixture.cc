// The library test fixture; see library_fixture.h.
#include "support/library_fixture.h"

#include <chrono>
#include <cstdlib>
#include <thread>

#include "oxim/oxim.h"
#include "oxim/oxim_emulator.h"

namespace oxim::testing {

void LibraryTest::SetUp() { baseline_ = oxim_counter; }

void LibraryTest::TearDown() {
  while (clients_ > 0) Stop();
  EXPECT_EQ(oxim_counter, baseline_) << "blocks the library did not give back";
  StopEmulator();
  unsetenv("OXIM_ADAPTER");
}

void LibraryTest::StopEmulator() {
  char answer[4096];
  (void)OXIM_emulator_control(R"({"op":"stop"})", answer, sizeof answer);
  for (int waited = 0; waited < 5000; waited += 10) {
    if (OXIM_emulator_control(R"({"op":"status"})", answer, sizeof answer) == 0 &&
        std::string(answer).find(R"("running":false)") != std::string::npos) {
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ADD_FAILURE() << "the emulated adapter did not stop: " << answer;
}

std::string LibraryTest::EmulatorControl(const std::string& request) {
  std::string answer(1 << 16, '\0');
  EXPECT_EQ(
      OXIM_emulator_control(request.c_str(), answer.data(), static_cast<uint32_t>(answer.size())),
      0u)
      << request << ": " << answer.c_str();
  answer.resize(answer.find('\0'));
  return answer;
}

uint32_t LibraryTest::TryStart(const std::string& adapter) {
  // One root, one adapter: an emulated adapter of another configuration
  // goes first, as a test changes the hardware of its host.
  if (clients_ == 0 && adapter != adapter_) StopEmulator();
  adapter_ = adapter;
  setenv("OXIM_ADAPTER", adapter.c_str(), 1);
  const uint32_t status = OXIM_init();
  if (status == OXIM_STATUS_SUCCESS) ++clients_;
  return status;
}

void LibraryTest::Start(const std::string& adapter) {
  const uint32_t status = TryStart(adapter);
  if (status == OXIM_STATUS_SUCCESS) return;
  uint32_t code = 0;
  char message[OXIM_MESSAGE_SIZE] = "";
  (void)OXIM_get_last_status(&code, message);
  FAIL() << "OXIM_init on " << adapter << ": " << status << " (last status " << code << ": "
         << message << ")";
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
