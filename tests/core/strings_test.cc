// Text helpers shared by every layer.
#include "core/strings.h"

#include <gtest/gtest.h>

#include <string>

namespace oxim {
namespace {

TEST(Strings, CaseIsIgnoredForAsciiLettersOnly) {
  EXPECT_TRUE(equal_ignoring_case("iqn.2026-01.Net:Disk", "IQN.2026-01.net:disk"));
  EXPECT_TRUE(equal_ignoring_case("", ""));
  EXPECT_FALSE(equal_ignoring_case("abc", "abcd"));
  EXPECT_FALSE(equal_ignoring_case("a-b", "a_b"));
  EXPECT_FALSE(equal_ignoring_case("\xc3\xa9", "\xc3\x89")) << "only ASCII letters fold";
}

TEST(Strings, HexNumbersAreWholeTextsOfOneToEightDigits) {
  const struct {
    const char* text;
    std::optional<uint32_t> value;
  } kCases[] = {
      {"714", 0x714},        {"0x714", 0x714},
      {"0XE220", 0xE220},    {"ffffffff", 0xFFFFFFFF},
      {"", std::nullopt},    {"0x", std::nullopt},
      {"12g", std::nullopt}, {" 12", std::nullopt},
      {"-1", std::nullopt},  {"123456789", std::nullopt},
  };
  for (const auto& c : kCases) EXPECT_EQ(parse_hex32(c.text), c.value) << '"' << c.text << '"';
}

TEST(Strings, Utf8IsCheckedAsRfc3629DefinesIt) {
  for (const char* valid : {"", "iqn.2026-01.net:disk", "\xc3\xa9", "\xe2\x82\xac",
                            "\xf0\x9f\x98\x80", "\xf4\x8f\xbf\xbf"}) {
    EXPECT_TRUE(is_valid_utf8(valid)) << valid;
  }
  const char* kInvalid[] = {
      "\xff",              // no lead byte
      "\x80",              // a continuation alone
      "\xc3",              // cut short
      "\xc3\x28",          // a continuation missing
      "\xc0\xaf",          // overlong "/"
      "\xe0\x80\xaf",      // overlong, three bytes
      "\xed\xa0\x80",      // a surrogate
      "\xf4\x90\x80\x80",  // above U+10FFFF
      "\xf8\x88\x80\x80\x80",
  };
  for (const char* invalid : kInvalid) {
    EXPECT_FALSE(is_valid_utf8(std::string("ok") + invalid)) << ::testing::PrintToString(invalid);
  }
}

TEST(Strings, HexDigitsInEitherCase) {
  EXPECT_EQ(hex_digit_value('0'), 0);
  EXPECT_EQ(hex_digit_value('a'), 10);
  EXPECT_EQ(hex_digit_value('F'), 15);
  EXPECT_EQ(hex_digit_value('g'), -1);
  EXPECT_FALSE(is_hex_digit(':'));
}

TEST(Strings, InterfaceNamesAHostToolCannotMistakeForAnOption) {
  for (const char* name : {"vmnic0", "vmnic12.100", "eth_0:1", "a-b", "abcdefghijklmno"}) {
    EXPECT_TRUE(is_plausible_interface_name(name)) << name;
  }
  for (const char* name :
       {"", "-i", "--help", "vmnic0; true", "vm nic", "abcdefghijklmnop", "vmnic/0"}) {
    EXPECT_FALSE(is_plausible_interface_name(name)) << name;
  }
}

}  // namespace
}  // namespace oxim
