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
  EXPECT_EQ(octets[0], 192);
  EXPECT_EQ(octets[1], 168);
  EXPECT_EQ(octets[2], 10);
  EXPECT_EQ(octets[3], 254);
}

TEST(IpAddressCheck, AddressModeRefusesOnlyAllZero) {
  EXPECT_EQ(validateIPAddress("0.0.0.0", nullptr, kIpModeAddress), 0);
  EXPECT_EQ(validateIPAddress("127.0.0.1", nullptr, kIpModeAddress), 1);
  EXPECT_EQ(validateIPAddress("255.255.255.255", nullptr, kIpModeAddress), 1);
}

TEST(IpAddressCheck, HostModeRefusesReservedAddresses) {
  for (const char* text : {"0.0.0.0", "255.255.255.255", "127.0.0.1", "255.0.0.1"}) {
    EXPECT_EQ(validateIPAddress(text, nullptr, kIpModeHost), 0) << text;
  }
  EXPECT_EQ(validateIPAddress("0.0.0.1", nullptr, kIpModeHost), 1);
}

TEST(IpAddressCheck, FormIsDigitsAndThreeDots) {
  for (const char* text :
       {"1.2.3", "1.2.3.4.5", "1.2.3.a", "1.2.3.4 ", "1.2.3.256", "", "+1.2.3.4"}) {
    EXPECT_EQ(validateIPAddress(text, nullptr, kIpModeAddress), 0) << text;
  }
}

TEST(IpAddressCheck, EmptyPartsAreRefused) {
  for (const char* text : {"1..2.3", "1.2.3.", ".1.2.3"}) {
    EXPECT_EQ(validateIPAddress(text, nullptr, kIpModeAddress), 0) << text;
  }
}

TEST(IpAddressCheck, TextLongerThanFifteenIsRefused) {
  EXPECT_EQ(validateIPAddress("100.100.100.1001", nullptr, kIpModeAddress), 0);
  EXPECT_EQ(validateIPAddress("100.100.100.100", nullptr, kIpModeAddress), 1);
}

TEST(IpAddressCheck, LeadingZerosAreRead) {
  uint8_t octets[4] = {};
  EXPECT_EQ(validateIPAddress("010.0.0.001", octets, kIpModeAddress), 1);
  EXPECT_EQ(octets[0], 10);
  EXPECT_EQ(octets[3], 1);
}

TEST(IpAddressCheck, NetmaskModeAcceptsContiguousMasks) {
  for (const char* text : {"255.255.255.0", "255.255.254.0", "255.128.0.0", "128.0.0.0",
                           "255.255.255.255", "255.255.255.252"}) {
    EXPECT_EQ(validateIPAddress(text, nullptr, kIpModeNetmask), 1) << text;
  }
}

TEST(IpAddressCheck, NetmaskModeRefusesHolesAndZero) {
  for (const char* text : {"0.0.0.0", "255.0.255.0", "255.253.0.0", "0.255.255.255"}) {
    EXPECT_EQ(validateIPAddress(text, nullptr, kIpModeNetmask), 0) << text;
  }
}

TEST(IpAddressCheck, NetmaskModeRefusesBitsAfterTheFirstPartialOctet) {
  EXPECT_EQ(validateIPAddress("255.192.192.0", nullptr, kIpModeNetmask), 0);
  EXPECT_EQ(validateIPAddress("255.254.128.0", nullptr, kIpModeNetmask), 0);
}

TEST(MacAddressCheck, DashFormWithMixedCaseFillsBytes) {
  uint8_t bytes[kMacBytes] = {};
  ASSERT_EQ(validateMACAddress("00-1a-2B-3c-4D-5e", bytes), 1);
  const uint8_t expected[kMacBytes] = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
  EXPECT_EQ(std::memcmp(bytes, expected, kMacBytes), 0);
}

TEST(MacAddressCheck, ColonFormIsAccepted) {
  EXPECT_EQ(validateMACAddress("00:0e:1e:aa:bb:cc", nullptr), 1);
}

TEST(MacAddressCheck, FiveGroupsAreRefused) {
  EXPECT_EQ(validateMACAddress("00-1a-2B-3c-4D", nullptr), 0);
}

TEST(MacAddressCheck, SevenGroupsAreRefused) {
  EXPECT_EQ(validateMACAddress("0:1:2:3:4:5:6", nullptr), 0);
}

TEST(MacAddressCheck, EmptyGroupsAreRefused) {
  for (const char* text : {"00:11:22:33:44:", ":11:22:33:44:55", "00::22:33:44:55"}) {
    EXPECT_EQ(validateMACAddress(text, nullptr), 0) << text;
  }
}

TEST(MacAddressCheck, GroupAbove255IsRefused) {
  EXPECT_EQ(validateMACAddress("100:1:2:3:4:5", nullptr), 0);
}

TEST(MacAddressCheck, NonHexadecimalCharactersAreRefused) {
  EXPECT_EQ(validateMACAddress("zz:zz:zz:zz:zz:zz", nullptr), 0);
  EXPECT_EQ(validateMACAddress("00.11.22.33.44.55", nullptr), 0);
}

TEST(MacAddressCheck, TextLongerThanSeventeenIsRefused) {
  EXPECT_EQ(validateMACAddress("00:11:22:33:44:55;reboot", nullptr), 0);
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

TEST(Ipv6Bytes, AllZeroIsEmptyText) { EXPECT_EQ(ToText(Bytes16{}), ""); }

TEST(Ipv6Bytes, ZeroLastGroupIsClosedWithTwoColons) {
  EXPECT_EQ(ToText(Groups({1, 2, 3, 4, 5, 6, 7, 0})), "1:2:3:4:5:6:7::");
}

TEST(Ipv6Bytes, FirstGroupIsWrittenEvenWhenZero) {
  EXPECT_EQ(ToText(Groups({0, 0, 0, 0, 0, 0, 0, 1})), "0::1");
}

TEST(Ipv6Bytes, TrailingZeroRunIsCompressed) {
  EXPECT_EQ(ToText(Groups({1, 2, 0, 0, 0, 0, 0, 0})), "1:2::");
}

TEST(Ipv6Bytes, MiddleZeroRunIsCompressed) {
  EXPECT_EQ(ToText(Groups({0xfe80, 0, 0, 0, 0, 0, 0, 1})), "fe80::1");
}

TEST(Ipv6Bytes, OnlyTheFirstZeroRunIsCompressed) {
  EXPECT_EQ(ToText(Groups({1, 0, 2, 0, 0, 3, 0, 0})), "1::2:0:0:3:0:0");
}

TEST(Ipv6Bytes, GroupsHaveNoLeadingZeros) {
  EXPECT_EQ(ToText(Groups({0x102, 0x1000, 0xab, 0xffff, 1, 2, 3, 4})), "102:1000:ab:ffff:1:2:3:4");
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
