// The OEM parameters answer in both chip layouts, against bytes written by
// hand from its offset table, and the "no serial" rules.
#include "records/oem_params.h"

#include <gtest/gtest.h>

#include <vector>

#include "records/golden.h"

namespace oxim::records {
namespace {

using golden::Bytes;

TEST(OemParams, KorvelLayoutHasFourBinaryBytes) {
  Bytes want(44, 0);
  golden::PutText(want, 0, "KV");
  golden::PutBytes(want, 2, {0x0a, 0x1b, 0x2c, 0x3d});
  golden::PutText(want, 12, "KVOEM0001");
  golden::Put32(want, 36, 0x11);

  OemParams oem;
  oem.prefix = {'K', 'V'};
  oem.binary = {0x0a, 0x1b, 0x2c, 0x3d, 0x4e};  // one more than the field holds
  oem.serial = "KVOEM0001";
  oem.personality_word = 0x11;
  Bytes got(44, 0xEE);
  ASSERT_TRUE(EncodeOemParams(got, oem, OemChip::kKorvel));
  EXPECT_EQ(got, want);

  std::optional<OemParams> decoded = DecodeOemParams(want, OemChip::kKorvel);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->prefix, oem.prefix);
  EXPECT_EQ(decoded->binary, (std::vector<uint8_t>{0x0a, 0x1b, 0x2c, 0x3d}));
  EXPECT_EQ(decoded->serial, "KVOEM0001");
  EXPECT_EQ(decoded->personality_word, 0x11u);
}

TEST(OemParams, OtherChipsHaveTenBinaryBytesAndTheMarkerForNoSerial) {
  Bytes want(44, 0);
  golden::PutText(want, 0, "VN");
  golden::PutBytes(want, 2, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
  std::fill(want.begin() + 12, want.begin() + 36, 255);
  golden::Put32(want, 36, 3);

  OemParams oem;
  oem.prefix = {'V', 'N'};
  oem.binary = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  oem.personality_word = 3;
  Bytes got(44, 0xEE);
  ASSERT_TRUE(EncodeOemParams(got, oem, OemChip::kOther));
  EXPECT_EQ(got, want);

  std::optional<OemParams> decoded = DecodeOemParams(want, OemChip::kOther);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->binary, oem.binary);
  EXPECT_FALSE(decoded->serial);
  EXPECT_EQ(decoded->personality_word, 3u);
}

TEST(OemParams, SerialTextEndsAtZeroOrMarkerAndKorvelNeedsTwoCharacters) {
  const struct {
    Bytes serial;  // bytes 12 on
    OemChip chip;
    std::optional<std::string> want;
  } kCases[] = {
      {{'A', 'B', 255, 'C'}, OemChip::kKorvel, "AB"},
      {{'A', 'B', 0, 'C'}, OemChip::kOther, "AB"},
      {{255, 'B'}, OemChip::kOther, std::nullopt},
      {{'A', 0}, OemChip::kKorvel, std::nullopt},  // byte 13 is 0
      {{'A', 0}, OemChip::kOther, "A"},
      {{0, 'B'}, OemChip::kKorvel, ""},
  };
  for (const auto& c : kCases) {
    Bytes answer(44, 0);
    std::copy(c.serial.begin(), c.serial.end(), answer.begin() + 12);
    EXPECT_EQ(DecodeOemParams(answer, c.chip)->serial, c.want);
  }
  Bytes full(44, 0);
  std::fill(full.begin() + 12, full.begin() + 36, 'S');
  full[36] = 'X';
  EXPECT_EQ(DecodeOemParams(full, OemChip::kKorvel)->serial, std::string(24, 'S'));
}

TEST(OemParams, ShortAnswersAreRefused) {
  Bytes answer(43, 0);
  EXPECT_FALSE(DecodeOemParams(answer, OemChip::kKorvel));
  EXPECT_FALSE(EncodeOemParams(answer, OemParams{}, OemChip::kOther));
}

}  // namespace
}  // namespace oxim::records
