// Address and name checks of the handlers and the converters between address
// texts and binary forms.
#include "core/address.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstdint>
#include <cstring>
#include <string>

#include "core/last_status.h"
#include "core/validate.h"

namespace oxim {
namespace {

using Bytes16 = std::array<uint8_t, kIpv6Bytes>;

std::string ToText(const Bytes16& bytes) {
  char text[kIpv6StrSize];
  U8IPv6ToStr(bytes.data(), text);
  return text;
}

Bytes16 Groups(std::array<uint16_t, 8> groups) {
  Bytes16 bytes{};
  for (size_t g = 0; g < 8; ++g) {
    bytes[2 * g] = static_cast<uint8_t>(groups[g] >> 8);
    bytes[2 * g + 1] = static_cast<uint8_t>(groups[g] & 0xFF);
  }
  return bytes;
}

TEST(IpAddressCheck, AcceptedAddressFillsOctets) {
  uint8_t octets[4] = {};
  EXPECT_EQ(validateIPAddress("192.168.10.254", octets, kIpModeHost), 1);
  EXPECT_EQ(std::to_array(octets), (std::array<uint8_t, 4>{192, 168, 10, 254}));
  EXPECT_EQ(validateIPAddress("010.0.0.001", octets, kIpModeAddress), 1) << "leading zeros";
  EXPECT_EQ(std::to_array(octets), (std::array<uint8_t, 4>{10, 0, 0, 1}));
}

// validateIPAddress answers 1 for accepted, 0 for refused, by mode.
TEST(IpAddressCheck, EachModeRefusesItsOwnAddresses) {
  const struct {
    const char* text;
    int mode;
    int expected;
  } kCases[] = {
      // Address mode refuses only 0.0.0.0 among well-formed texts.
      {"0.0.0.0", kIpModeAddress, 0},
      {"127.0.0.1", kIpModeAddress, 1},
      {"255.255.255.255", kIpModeAddress, 1},
      {"100.100.100.100", kIpModeAddress, 1},
      {"100.100.100.1001", kIpModeAddress, 0},  // longer than 15
      {"1.2.3", kIpModeAddress, 0},
      {"1.2.3.4.5", kIpModeAddress, 0},
      {"1.2.3.a", kIpModeAddress, 0},
      {"1.2.3.4 ", kIpModeAddress, 0},
      {"1.2.3.256", kIpModeAddress, 0},
      {"", kIpModeAddress, 0},
      {"+1.2.3.4", kIpModeAddress, 0},
      {"1..2.3", kIpModeAddress, 0},
      {"1.2.3.", kIpModeAddress, 0},
      {".1.2.3", kIpModeAddress, 0},
      // Host mode refuses the reserved ones too.
      {"0.0.0.0", kIpModeHost, 0},
      {"255.255.255.255", kIpModeHost, 0},
      {"127.0.0.1", kIpModeHost, 0},
      {"255.0.0.1", kIpModeHost, 0},
      {"0.0.0.1", kIpModeHost, 1},
      // Netmask mode wants a run of ones.
      {"255.255.255.0", kIpModeNetmask, 1},
      {"255.255.254.0", kIpModeNetmask, 1},
      {"255.128.0.0", kIpModeNetmask, 1},
      {"128.0.0.0", kIpModeNetmask, 1},
      {"255.255.255.255", kIpModeNetmask, 1},
      {"255.255.255.252", kIpModeNetmask, 1},
      {"0.0.0.0", kIpModeNetmask, 0},
      {"255.0.255.0", kIpModeNetmask, 0},
      {"255.253.0.0", kIpModeNetmask, 0},
      {"0.255.255.255", kIpModeNetmask, 0},
      {"255.192.192.0", kIpModeNetmask, 0},  // bits after the first partial octet
      {"255.254.128.0", kIpModeNetmask, 0},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(validateIPAddress(c.text, nullptr, c.mode), c.expected)
        << '"' << c.text << "\" mode " << c.mode;
  }
}

TEST(MacAddressCheck, SixHexadecimalGroups) {
  uint8_t bytes[kMacBytes] = {};
  ASSERT_EQ(validateMACAddress("00-1a-2B-3c-4D-5e", bytes), 1);
  EXPECT_EQ(std::to_array(bytes),
            (std::array<uint8_t, kMacBytes>{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}));
  const struct {
    const char* text;
    int expected;
  } kCases[] = {
      {"00:0e:1e:aa:bb:cc", 1},
      {"00-1a-2B-3c-4D", 0},  // five groups
      {"0:1:2:3:4:5:6", 0},   // seven
      {"00:11:22:33:44:", 0},
      {":11:22:33:44:55", 0},
      {"00::22:33:44:55", 0},
      {"100:1:2:3:4:5", 0},  // above 255
      {"0:1:2:3:4:5", 0},    // one digit a group
      {"00:11:22:33:44:5", 0},
      {"000:11:22:33:44:5", 0},
      {"00:11:22:33:44:5z", 0},
      {"00-11:22-33:44-55", 1},
      {"zz:zz:zz:zz:zz:zz", 0},
      {"00.11.22.33.44.55", 0},
      {"00:11:22:33:44:55;reboot", 0},  // longer than 17
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(validateMACAddress(c.text, nullptr), c.expected) << '"' << c.text << '"';
  }
}

TEST(IscsiNameCheck, UpperCaseNameIsCopiedInLowerCase) {
  char copy[kIscsiNameSize];
  EXPECT_EQ(validateISCSIName("IQN.2001-04.COM.EXAMPLE:STORAGE.DISK1", copy), 0);
  EXPECT_STREQ(copy, "iqn.2001-04.com.example:storage.disk1");
}

TEST(IscsiNameCheck, NoPrefixIsRequired) {
  char copy[kIscsiNameSize];
  EXPECT_EQ(validateISCSIName("qz", copy), 0);
  EXPECT_STREQ(copy, "qz");
}

TEST(IscsiNameCheck, UnderscoreOrBlankSetsStatus30) {
  for (const char* name : {"iqn.a_b", "iqn.a b"}) {
    oxim_reset_last_status();
    char copy[kIscsiNameSize];
    EXPECT_EQ(validateISCSIName(name, copy), 1) << name;
    uint32_t code = 0;
    char message[kMessageSize];
    oxim_get_last_status(&code, message);
    EXPECT_EQ(code, kStatusInvalidIscsiName);
    EXPECT_STREQ(message, "Invalid iSCSI name. Please use valid iSCSI name as per RFC 3722.");
  }
}

TEST(IscsiNameCheck, EmptyNameIsRefused) {
  char copy[kIscsiNameSize];
  EXPECT_EQ(validateISCSIName("", copy), 1);
}

TEST(IscsiNameCheck, NameMustFitItsCopyWithTerminator) {
  char copy[kIscsiNameSize];
  EXPECT_EQ(validateISCSIName(std::string(223, 'a').c_str(), copy), 0);
  EXPECT_EQ(std::strlen(copy), 223u);
  EXPECT_EQ(validateISCSIName(std::string(224, 'a').c_str(), copy), 1);
}

TEST(IscsiNameCheck, AcceptedNameLeavesLastStatus) {
  oxim_reset_last_status();
  char copy[kIscsiNameSize];
  ASSERT_EQ(validateISCSIName("iqn.x", copy), 0);
  uint32_t code = 99;
  oxim_get_last_status(&code, nullptr);
  EXPECT_EQ(code, 0u);
}

TEST(HexText, AllHexadecimalDigits) {
  EXPECT_EQ(is_hex("09afAF", 6), 1);
  EXPECT_EQ(is_hex("12g4", 2), 1);
}

TEST(HexText, OtherCharacterInTheFirstN) { EXPECT_EQ(is_hex("12g4", 3), 0); }

TEST(HexText, NotPositiveCountIsHex) {
  EXPECT_EQ(is_hex("zz", 0), 1);
  EXPECT_EQ(is_hex("zz", -3), 1);
}

TEST(HexText, TextShorterThanCountIsNotHex) { EXPECT_EQ(is_hex("ab", 3), 0); }

TEST(Ipv6Bytes, TextCompressesTheFirstZeroRun) {
  const struct {
    std::array<uint16_t, 8> groups;
    const char* text;
  } kCases[] = {
      {{0, 0, 0, 0, 0, 0, 0, 0}, ""},  // all zero: no address
      {{1, 2, 3, 4, 5, 6, 7, 0}, "1:2:3:4:5:6:7::"},
      {{0, 0, 0, 0, 0, 0, 0, 1}, "0::1"},  // the first group even when zero
      {{1, 2, 0, 0, 0, 0, 0, 0}, "1:2::"},
      {{0xfe80, 0, 0, 0, 0, 0, 0, 1}, "fe80::1"},
      {{1, 0, 2, 0, 0, 3, 0, 0}, "1::2:0:0:3:0:0"},  // only the first run
      {{0x102, 0x1000, 0xab, 0xffff, 1, 2, 3, 4}, "102:1000:ab:ffff:1:2:3:4"},
  };
  for (const auto& c : kCases) EXPECT_EQ(ToText(Groups(c.groups)), c.text);
}

TEST(Ipv6Bytes, FullFormGivesBytes) {
  uint8_t bytes[kIpv6Bytes];
  StrToU8IPv6("FE80:0000:0000:0000:0000:0000:0000:0A01", bytes);
  EXPECT_EQ(Bytes16(std::to_array(bytes)), Groups({0xfe80, 0, 0, 0, 0, 0, 0, 0x0a01}));
}

TEST(Ipv6Bytes, EmptyTextGivesZeroAddress) {
  uint8_t bytes[kIpv6Bytes];
  std::memset(bytes, 0xEE, sizeof bytes);
  StrToU8IPv6("", bytes);
  EXPECT_EQ(Bytes16(std::to_array(bytes)), Bytes16{});
}

TEST(Ipv6Bytes, TextRoundTripsThroughTheCheck) {
  Bytes16 original = Groups({0x2001, 0xdb8, 0, 0, 0, 0, 0xa, 0});
  char text[kIpv6TextSize];
  U8IPv6ToStr(original.data(), text);
  ASSERT_EQ(ValidateIpv6(text), kValueAccepted);
  uint8_t bytes[kIpv6Bytes];
  StrToU8IPv6(text, bytes);
  EXPECT_EQ(Bytes16(std::to_array(bytes)), original);
}

TEST(Ipv6Bytes, CopiesKeepOrder) {
  Bytes16 src = Groups({0x0102, 0x0304, 0, 0, 0, 0, 0, 0xfffe});
  uint8_t copy[kIpv6Bytes];
  uint32_t wide[kIpv6Bytes];
  copy_U8IP(copy, src.data());
  copy_U32IP(wide, src.data());
  EXPECT_EQ(Bytes16(std::to_array(copy)), src);
  EXPECT_EQ(wide[0], 1u);
  EXPECT_EQ(wide[3], 4u);
  EXPECT_EQ(wide[14], 0xffu);
  EXPECT_EQ(wide[15], 0xfeu);
}

TEST(Ipv4Numbers, DottedTextGivesFourNumbers) {
  char text[] = "192.168.1.20";
  uint32_t numbers[4] = {};
  oxim_getip(text, numbers);
  EXPECT_EQ(numbers[0], 192u);
  EXPECT_EQ(numbers[1], 168u);
  EXPECT_EQ(numbers[2], 1u);
  EXPECT_EQ(numbers[3], 20u);
  EXPECT_STREQ(text, "192");
}

TEST(Ipv4Numbers, MissingPartsAreZero) {
  char text[] = "10.1";
  uint32_t numbers[4] = {9, 9, 9, 9};
  oxim_getip(text, numbers);
  EXPECT_EQ(numbers[1], 1u);
  EXPECT_EQ(numbers[2], 0u);
  EXPECT_EQ(numbers[3], 0u);
}

TEST(Ipv4Numbers, BitsAreMostSignificantFirst) {
  int bits[32];
  oxim_bin(128, 0, 1, 3, bits);
  EXPECT_EQ(bits[0], 1);
  EXPECT_EQ(bits[1], 0);
  EXPECT_EQ(bits[23], 1);
  EXPECT_EQ(bits[30], 1);
  EXPECT_EQ(bits[31], 1);
  int ones = 0;
  for (int bit : bits) ones += bit;
  EXPECT_EQ(ones, 4);
}

TEST(MacConvert, ReplacesSeparators) {
  char out[kMacTextMax + 1];
  EXPECT_EQ(convert_mac_text("00-1a-2b-3c-4d-5e", '-', out, ':'), 0);
  EXPECT_STREQ(out, "00:1a:2b:3c:4d:5e");
}

TEST(MacConvert, MissingSourceFails) {
  char out[kMacTextMax + 1];
  EXPECT_EQ(convert_mac_text(nullptr, '-', out, ':'), 1);
}

TEST(MacConvert, CopiesAtMostOneAddress) {
  char out[kMacTextMax + 1];
  EXPECT_EQ(convert_mac_text("00-1a-2b-3c-4d-5e-ff-ff", '-', out, ':'), 0);
  EXPECT_STREQ(out, "00:1a:2b:3c:4d:5e");
}

TEST(HexToBin, PairsBecomeBytes) {
  uint8_t bytes[3] = {};
  EXPECT_EQ(convert_hex_to_bin("0aFF10", 6, bytes), 0);
  EXPECT_EQ(bytes[0], 0x0A);
  EXPECT_EQ(bytes[1], 0xFF);
  EXPECT_EQ(bytes[2], 0x10);
}

TEST(HexToBin, OddLastDigitIsIgnored) {
  uint8_t bytes[2] = {0x55, 0x55};
  EXPECT_EQ(convert_hex_to_bin("abc", 3, bytes), 0);
  EXPECT_EQ(bytes[0], 0xAB);
  EXPECT_EQ(bytes[1], 0x55);
}

TEST(HexToBin, StopsAtTheEndOfTheText) {
  uint8_t bytes[4] = {0x55, 0x55, 0x55, 0x55};
  EXPECT_EQ(convert_hex_to_bin("12", 8, bytes), 0);
  EXPECT_EQ(bytes[0], 0x12);
  EXPECT_EQ(bytes[1], 0x55);
}

TEST(HexToBin, MissingArgumentFails) {
  uint8_t bytes[1];
  EXPECT_EQ(convert_hex_to_bin(nullptr, 2, bytes), -1);
  EXPECT_EQ(convert_hex_to_bin("12", 2, nullptr), -1);
}

TEST(NumberConvert, StopsAtFirstNonDigitOfBase) {
  EXPECT_EQ(convert("1aZ", 16), 0x1AUL);
  EXPECT_EQ(convert("129", 8), 10UL);
  EXPECT_EQ(convert("x", 10), 0UL);
}

TEST(NumberConvert, LettersOfEitherCase) { EXPECT_EQ(convert("zZ", 36), 35UL * 36 + 35); }

TEST(NumberConvert, SaturatesInsteadOfWrapping) {
  EXPECT_EQ(convert("ffffffffffffffffff", 16), ULONG_MAX);
}

// One address, one text: every spelling the tree or the firmware's records
// give an address comes out in one form, and compares equal by value.
TEST(IpAddressText, EverySpellingHasOneForm) {
  const std::pair<const char*, const char*> kForms[] = {
      {"192.0.2.10", "192.0.2.10"},
      {"192.0.2.010", "192.0.2.10"},
      {"192.000.002.0010", "192.0.2.10"},
      {"2001:db8::10", "2001:0DB8:0000:0000:0000:0000:0000:0010"},
      {"2001:0DB8:0000:0000:0000:0000:0000:0010", "2001:0DB8:0000:0000:0000:0000:0000:0010"},
      {"2001:DB8:0:0::10", "2001:0DB8:0000:0000:0000:0000:0000:0010"},
      {"0::1", "0000:0000:0000:0000:0000:0000:0000:0001"},
      {"1:2::", "0001:0002:0000:0000:0000:0000:0000:0000"},
  };
  for (const auto& [text, canonical] : kForms) {
    EXPECT_EQ(CanonicalIpText(std::string_view(text)), canonical) << text;
    EXPECT_TRUE(SameIpAddress(text, canonical)) << text;
  }
  EXPECT_FALSE(SameIpAddress("192.0.2.10", "192.0.2.11"));
  EXPECT_FALSE(SameIpAddress("2001:db8::10", "2001:db8::1"));
  EXPECT_FALSE(SameIpAddress("0.0.0.1", "::1")) << "an IPv4 address is no IPv6 address";
}

TEST(IpAddressText, TextsThatAreNoAddressStayAsTheyAre) {
  for (const char* text : {"", "1..2.3", "1.2.3", "1.2.3.4.5", "256.1.1.1", "1.2.3.x", "a:b:c",
                           "2001:db8::10::1", "host.example"}) {
    EXPECT_FALSE(ParseIpAddress(text).has_value()) << text;
    EXPECT_EQ(CanonicalIpText(std::string_view(text)), text);
  }
  EXPECT_TRUE(SameIpAddress("host.example", "HOST.example"));
  EXPECT_FALSE(SameIpAddress("host.example", "192.0.2.1"));
}

TEST(BitShift, ShiftsOfThirtyTwoOrMoreGiveZero) {
  EXPECT_EQ(ULShl(0xFFFFFFFFu, 32), 0u);
  EXPECT_EQ(ULShr(0xFFFFFFFFu, 40), 0u);
}

TEST(BitShift, SmallerShiftsAreMachineShifts) {
  EXPECT_EQ(ULShl(1u, 31), 0x80000000u);
  EXPECT_EQ(ULShr(0x80000000u, 31), 1u);
  EXPECT_EQ(ULShl(5u, 0), 5u);
}

}  // namespace
}  // namespace oxim
