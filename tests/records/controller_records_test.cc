// The small controller-level records (configuration signature, the
// firmware's PCI configuration read, core-dump properties), against bytes
// written by hand from their offset tables.
#include <gtest/gtest.h>

#include <vector>

#include "records/config_signature.h"
#include "records/coredump_properties.h"
#include "records/golden.h"
#include "records/pci_config_command.h"

namespace oxim::records {
namespace {

using golden::Bytes;

TEST(ConfigSignature, WordThreeThenZeros) {
  Bytes want(132, 0);
  want[0] = 3;
  Bytes got(132, 0xEE);
  ASSERT_TRUE(EncodeConfigSignature(got, kConfigSignatureConfigured));
  EXPECT_EQ(got, want);
  EXPECT_EQ(DecodeConfigSignature(want), 3u);
  EXPECT_FALSE(EncodeConfigSignature(std::span(got).first(131), 3));
  EXPECT_FALSE(DecodeConfigSignature(std::span(want).first(131)));
}

TEST(PciConfigCommand, RequestThenDataFromEight) {
  Bytes want(264, 0);
  golden::Put32(want, 0, 0x40);
  golden::Put32(want, 4, 64);
  Bytes got(264, 0xEE);
  ASSERT_TRUE(EncodePciConfigCommand(got, {.config_offset = 0x40, .length = 64}));
  EXPECT_EQ(got, want);
  std::optional<PciConfigCommand> command = DecodePciConfigCommand(want);
  ASSERT_TRUE(command);
  EXPECT_EQ(command->config_offset, 0x40u);
  EXPECT_EQ(command->length, 64u);

  ASSERT_TRUE(EncodePciConfigAnswer(got, Bytes{0x10, 0x00, 0x02}));
  golden::PutBytes(want, 8, {0x10, 0x00, 0x02});
  EXPECT_EQ(got, want);  // the request part stays
  std::optional<std::vector<uint8_t>> data = DecodePciConfigAnswer(want);
  ASSERT_TRUE(data);
  ASSERT_EQ(data->size(), 256u);
  EXPECT_EQ((*data)[0], 0x10);
  EXPECT_EQ((*data)[2], 0x02);
}

TEST(PciConfigCommand, LengthZeroOrAbove256Reads256) {
  const struct {
    uint32_t asked;
    uint32_t read;
  } kCases[] = {{0, 256}, {1, 1}, {256, 256}, {257, 256}, {0xFFFFFFFF, 256}};
  for (const auto& c : kCases) EXPECT_EQ(PciCommandReadLength(c.asked), c.read) << c.asked;
}

TEST(PciConfigCommand, ShortBuffersAndLongDataAreRefused) {
  Bytes buffer(263, 0);
  EXPECT_FALSE(EncodePciConfigCommand(buffer, {}));
  EXPECT_FALSE(DecodePciConfigCommand(buffer));
  EXPECT_FALSE(DecodePciConfigAnswer(buffer));
  Bytes full(264, 0);
  EXPECT_FALSE(EncodePciConfigAnswer(full, Bytes(257, 0)));
}

TEST(CoredumpProperties, EveryFieldAtItsOffset) {
  Bytes want(20, 0);
  want[0] = 1;
  want[1] = 2;
  want[2] = kChipDead;
  golden::Put32(want, 4, 0x30);
  golden::Put32(want, 8, 0x0b03);
  golden::Put32(want, 16, 7);
  CoredumpProperties props{.low_version = 1,
                           .high_version = 2,
                           .chip_state = kChipDead,
                           .sli_interface = 0x30,
                           .asic_id = 0x0b03,
                           .component_count = 7};
  Bytes got(20, 0xEE);
  ASSERT_TRUE(EncodeCoredumpProperties(got, props));
  EXPECT_EQ(got, want);
  std::optional<CoredumpProperties> decoded = DecodeCoredumpProperties(want);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->low_version, 1);
  EXPECT_EQ(decoded->high_version, 2);
  EXPECT_EQ(decoded->chip_state, kChipDead);
  EXPECT_EQ(decoded->sli_interface, 0x30u);
  EXPECT_EQ(decoded->asic_id, 0x0b03u);
  EXPECT_EQ(decoded->component_count, 7u);
  EXPECT_FALSE(DecodeCoredumpProperties(std::span(want).first(19)));
  EXPECT_FALSE(EncodeCoredumpProperties(std::span(got).first(19), props));
}

}  // namespace
}  // namespace oxim::records
