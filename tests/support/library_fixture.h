// Tests through the library's C API: each test gets a fresh root, starts
// the library on the adapter it names (the built-in emulated adapter, a
// configuration of emulator/configs, one written into the root, or the
// host), and at the end every client it started is gone and every block
// the library allocated is back. The emulated adapter of the root (a daemon
// that the library starts) runs one configuration: starting a client on
// another one stops it first, and it stops at the end of each test.
//
//   class LoginTest : public LibraryTest {};
//   TEST_F(LoginTest, ...) {
//     Start(Config("korvel.json"));
//     ...
//     Restart();  // a new start of the library over the same root
//   }
#ifndef OXIM_TESTS_SUPPORT_LIBRARY_FIXTURE_H_
#define OXIM_TESTS_SUPPORT_LIBRARY_FIXTURE_H_

#include <cstdint>
#include <string>

#include "support/temp_root.h"

namespace oxim::testing {

class LibraryTest : public TempRootTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Starts one more client of the library (OXIM_init) on the adapter
  // (OXIM_ADAPTER: "emulator", "emulator:FILE" or "host"); fails the test
  // when the start fails.
  void Start(const std::string& adapter = "emulator");
  // Starts a client and returns OXIM_init's status, for tests of failed
  // starts.
  uint32_t TryStart(const std::string& adapter);
  // One client leaves (OXIM_exit).
  void Stop();
  // Every client leaves, and the library starts again on the same adapter.
  void Restart();
  // The emulated adapter of the root stops (as if powered off); the next
  // start of a client starts it again. Waits until it is gone.
  void StopEmulator();
  // A control request to the root's emulated adapter (a JSON object); its
  // answer, which the test expects to be a success.
  std::string EmulatorControl(const std::string& request);
  // The emulated adapter power-cycles: sessions go, its flash stays, and it
  // logs its persistent entries in again on its own time.
  void RebootEmulator() { EmulatorControl(R"({"op":"reboot"})"); }

  // The OXIM_ADAPTER value of a configuration of emulator/configs.
  static std::string Config(const std::string& name);
  // Writes a configuration into the root; its OXIM_ADAPTER value.
  std::string WriteConfig(const std::string& json);

  int clients() const { return clients_; }

 private:
  uint32_t baseline_ = 0;
  int clients_ = 0;
  int written_ = 0;
  std::string adapter_ = "emulator";
};

}  // namespace oxim::testing

#endif  // OXIM_TESTS_SUPPORT_LIBRARY_FIXTURE_H_
