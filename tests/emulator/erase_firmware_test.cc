// The emulated adapter's erase and factory profile commands through the
// library's command wrappers: the port and discovery erase on either driver
// of a port, an unknown erase selector, and the factory profile restore
// that only Tindra firmware offers.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>

#include "config_json.h"
#include "records/erase_rom.h"
#include "records/factory_profile.h"
#include "transport/commands.h"
#include "transport/emulated_fixture.h"

namespace oxim::emulator {
namespace {

AdapterConfig WithChip(int chip) {
  AdapterConfig config = DefaultConfig();
  config.controllers[0].chip = chip;
  return config;
}

class EraseFirmwareTest : public testing::EmulatedTest {
 protected:
  uint32_t Erase(const records::EraseSelector& selector, DriverKind kind) {
    std::array<uint8_t, records::kEraseRequestSize> request{};
    records::EncodeEraseRequest(request, selector);
    return ioctl_erase_ROM({.index = 1}, request, kind);
  }
  uint32_t RestoreFactoryProfile() {
    std::array<uint8_t, records::kFactoryProfileRequestSize> request{};
    records::EncodeFactoryProfileRequest(request);
    return ioctl_set_factory_profile_config({.index = 1}, request, DriverKind::kIscsi);
  }
};

TEST_F(EraseFirmwareTest, ThePortEraseIsAcceptedOnEitherDriverAndAnUnknownSelectorIsNot) {
  EXPECT_EQ(Erase(records::kErasePortConfiguration, DriverKind::kIscsi), 0u);
  EXPECT_EQ(Erase(records::kErasePortConfiguration, DriverKind::kNic), 0u);
  EXPECT_NE(Erase({3, 16}, DriverKind::kIscsi), 0u);
  EXPECT_NE(Erase({4, 13}, DriverKind::kIscsi), 0u);
}

TEST_F(EraseFirmwareTest, OnlyTindraFirmwareRestoresTheFactoryProfile) {
  for (int chip : {2, 3, 4}) {
    TearDown();
    Start(WithChip(chip));
    EXPECT_EQ(RestoreFactoryProfile(), 213u) << "chip " << chip;
  }
  TearDown();
  Start(WithChip(5));
  EXPECT_EQ(RestoreFactoryProfile(), 0u);
}

}  // namespace
}  // namespace oxim::emulator
