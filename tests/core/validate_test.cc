// Value checks by data type: text length, integer range, lists of valid
// values, IPv4 and IPv6 addresses and subnet masks.
#include "core/validate.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>

namespace oxim {
namespace {

// A 40-byte buffer holding text, as the callers of the IPv6 check provide.
struct AddressBuffer {
  explicit AddressBuffer(const char* text) { std::snprintf(data, sizeof data, "%s", text); }
  char data[kIpv6TextSize] = {};
};

TEST(ValidateDispatch, UnknownTypeAcceptsAnything) {
  char value[] = "anything";
  EXPECT_EQ(oxim_validate(value, nullptr, 9, 0, 0), kValueAccepted);
}

TEST(ValidateDispatch, TextTypeChecksLength) {
  char value[] = "abcd";
  EXPECT_EQ(oxim_validate(value, nullptr, OXIM_TYPE_TEXT, 1, 3), kValueBadLength);
}

TEST(ValidateDispatch, IntegerTypeChecksRange) {
  char value[] = "21";
  EXPECT_EQ(oxim_validate(value, nullptr, OXIM_TYPE_INTEGER, 0, 20), kValueOutOfRange);
}

TEST(ValidateDispatch, ListTypeUsesValidValues) {
  char value[] = "true";
  EXPECT_EQ(oxim_validate(value, "True,False", OXIM_TYPE_LIST, 0, 0), kValueAccepted);
}

TEST(ValidateDispatch, SubnetMaskTypeIgnoresRange) {
  char value[] = "255.255.0.0";
  EXPECT_EQ(oxim_validate(value, nullptr, OXIM_TYPE_SUBNET_MASK, 5, 1), kValueAccepted);
}

TEST(ValidateDispatch, IpTypeRewritesIpv6) {
  AddressBuffer value("fe80::1");
  EXPECT_EQ(oxim_validate(value.data, nullptr, OXIM_TYPE_IP_ADDRESS, 0, 0), kValueAccepted);
  EXPECT_STREQ(value.data, "FE80:0000:0000:0000:0000:0000:0000:0001");
}

TEST(ValidateDispatch, MissingValueIsInvalid) {
  EXPECT_EQ(oxim_validate(nullptr, nullptr, OXIM_TYPE_TEXT, 0, 10), kValueInvalid);
}

TEST(ValidateText, LengthInsideRangeIsAccepted) {
  EXPECT_EQ(oxim_validate_val_string("abc", 3, 3), kValueAccepted);
}

TEST(ValidateText, LengthOutsideRangeIsBadLength) {
  EXPECT_EQ(oxim_validate_val_string("ab", 3, 10), kValueBadLength);
  EXPECT_EQ(oxim_validate_val_string("abcdefghijk", 3, 10), kValueBadLength);
}

TEST(ValidateText, EmptyTextWithZeroMinimumIsAccepted) {
  EXPECT_EQ(oxim_validate_val_string("", 0, 31), kValueAccepted);
}

TEST(ValidateInteger, HexadecimalIsRead) {
  EXPECT_EQ(oxim_validate_val_integer("0x10", 0, 20), kValueAccepted);
  EXPECT_EQ(oxim_validate_val_integer("0X15", 0, 20), kValueOutOfRange);
}

TEST(ValidateInteger, DigitsThatAreNotOctalAreInvalid) {
  EXPECT_EQ(oxim_validate_val_integer("08", 0, 20), kValueInvalid);
}

TEST(ValidateInteger, OctalIsRead) {
  EXPECT_EQ(oxim_validate_val_integer("017", 15, 15), kValueAccepted);
}

TEST(ValidateInteger, BeyondThirtyTwoBitsIsOutOfRange) {
  EXPECT_EQ(oxim_validate_val_integer("2147483648", INT32_MIN, INT32_MAX), kValueOutOfRange);
  EXPECT_EQ(oxim_validate_val_integer("-2147483649", INT32_MIN, INT32_MAX), kValueOutOfRange);
  EXPECT_EQ(oxim_validate_val_integer("99999999999999999999999", 0, 1), kValueOutOfRange);
}

TEST(ValidateInteger, ThirtyTwoBitLimitsAreAccepted) {
  EXPECT_EQ(oxim_validate_val_integer("-2147483648", INT32_MIN, INT32_MAX), kValueAccepted);
  EXPECT_EQ(oxim_validate_val_integer("2147483647", INT32_MIN, INT32_MAX), kValueAccepted);
}

TEST(ValidateInteger, EmptyTextIsInvalid) {
  EXPECT_EQ(oxim_validate_val_integer("", 0, 20), kValueInvalid);
}

TEST(ValidateInteger, CharactersAfterTheNumberAreInvalid) {
  EXPECT_EQ(oxim_validate_val_integer("12abc", 0, 20), kValueInvalid);
  EXPECT_EQ(oxim_validate_val_integer("12 ", 0, 20), kValueInvalid);
  EXPECT_EQ(oxim_validate_val_integer("0x", 0, 20), kValueInvalid);
}

TEST(ValidateInteger, LeadingBlanksAndSignAreAllowed) {
  EXPECT_EQ(oxim_validate_val_integer("  -5", -10, 0), kValueAccepted);
  EXPECT_EQ(oxim_validate_val_integer("+5", 0, 10), kValueAccepted);
}

TEST(ValidateInteger, OutsideMinimumAndMaximumIsOutOfRange) {
  EXPECT_EQ(oxim_validate_val_integer("1023", 1024, 65535), kValueOutOfRange);
  EXPECT_EQ(oxim_validate_val_integer("65536", 1024, 65535), kValueOutOfRange);
}

TEST(ValidateList, ItemMatchesIgnoringCase) {
  EXPECT_EQ(oxim_validate_list("mutual chap", "Mutual CHAP,One-Way CHAP"), kValueAccepted);
  EXPECT_EQ(oxim_validate_list("ONE-WAY chap", "Mutual CHAP,One-Way CHAP"), kValueAccepted);
}

TEST(ValidateList, PartOfAnItemIsInvalid) {
  EXPECT_EQ(oxim_validate_list("Mutual", "Mutual CHAP,One-Way CHAP"), kValueInvalid);
}

TEST(ValidateList, EmptyListAcceptsOnlyEmptyText) {
  EXPECT_EQ(oxim_validate_list("", ""), kValueAccepted);
  EXPECT_EQ(oxim_validate_list("x", ""), kValueInvalid);
}

TEST(ValidateList, EmptyTextNeedsAnEmptyItem) {
  EXPECT_EQ(oxim_validate_list("", "a,b"), kValueInvalid);
  EXPECT_EQ(oxim_validate_list("", "a,,b"), kValueAccepted);
}

TEST(ValidateIpv4, HostAddressIsAccepted) {
  AddressBuffer ip("10.0.0.1");
  EXPECT_EQ(oxim_validate_ip(ip.data), kValueAccepted);
}

TEST(ValidateIpv4, ReservedAddressesAreInvalid) {
  for (const char* text : {"127.0.0.1", "0.0.0.0", "255.255.255.255", "255.1.1.1"}) {
    AddressBuffer ip(text);
    EXPECT_EQ(oxim_validate_ip(ip.data), kValueInvalid) << text;
  }
}

TEST(ValidateIpv4, EmptyPartCountsAsZero) {
  AddressBuffer ip("1..2.3");
  EXPECT_EQ(oxim_validate_ip(ip.data), kValueAccepted);
}

TEST(ValidateIpv4, MoreThanFifteenCharactersIsInvalid) {
  AddressBuffer ip("100.100.100.1001");
  EXPECT_EQ(oxim_validate_ip(ip.data), kValueInvalid);
}

TEST(ValidateIpv4, WrongShapeIsInvalid) {
  for (const char* text : {"1.2.3", "1.2.3.4.5", "1.2.3.4x", "1,2.3.4", "1.2.3.256", ""}) {
    AddressBuffer ip(text);
    EXPECT_EQ(oxim_validate_ip(ip.data), kValueInvalid) << text;
  }
}

TEST(ValidateIpv4, NegativePartIsInvalid) {
  AddressBuffer ip("10.-1.0.1");
  EXPECT_EQ(oxim_validate_ip(ip.data), kValueInvalid);
}

TEST(ValidateIpv4, ShortTextWithColonIsCheckedAsIpv4) {
  AddressBuffer ip("1:");
  EXPECT_EQ(oxim_validate_ip(ip.data), kValueInvalid);
  EXPECT_STREQ(ip.data, "1:");
}

TEST(ValidateIpv6, CompressedAddressIsRewrittenInFullForm) {
  AddressBuffer ip("fe80::1");
  EXPECT_EQ(oxim_validate_ip(ip.data), kValueAccepted);
  EXPECT_STREQ(ip.data, "FE80:0000:0000:0000:0000:0000:0000:0001");
}

TEST(ValidateIpv6, FullFormStaysTheSame) {
  AddressBuffer ip("FE80:0000:0000:0000:0000:0000:0000:0001");
  EXPECT_EQ(ValidateIpv6(ip.data), kValueAccepted);
  EXPECT_STREQ(ip.data, "FE80:0000:0000:0000:0000:0000:0000:0001");
}

TEST(ValidateIpv6, LeadingDoubleColonIsInvalid) {
  AddressBuffer ip("::1");
  EXPECT_EQ(oxim_validate_ip(ip.data), kValueInvalid);
}

TEST(ValidateIpv6, TooFewGroupsAreInvalid) {
  AddressBuffer ip("1:2:3");
  EXPECT_EQ(oxim_validate_ip(ip.data), kValueInvalid);
}

TEST(ValidateIpv6, TooManyGroupsAreInvalid) {
  AddressBuffer ip("1:2:3:4:5:6:7:8:9");
  EXPECT_EQ(ValidateIpv6(ip.data), kValueInvalid);
  AddressBuffer compressed("1:2:3:4::5:6:7:8");
  EXPECT_EQ(ValidateIpv6(compressed.data), kValueInvalid);
}

TEST(ValidateIpv6, SingleTrailingColonIsLastZeroGroup) {
  AddressBuffer ip("1:2:3:4:5:6:7:");
  EXPECT_EQ(ValidateIpv6(ip.data), kValueAccepted);
  EXPECT_STREQ(ip.data, "0001:0002:0003:0004:0005:0006:0007:0000");
}

TEST(ValidateIpv6, TrailingDoubleColonStandsForOneGroup) {
  AddressBuffer ip("1:2:3:4:5:6:7::");
  EXPECT_EQ(ValidateIpv6(ip.data), kValueAccepted);
  EXPECT_STREQ(ip.data, "0001:0002:0003:0004:0005:0006:0007:0000");
}

TEST(ValidateIpv6, ZeroGroupsAtTheEnd) {
  AddressBuffer ip("1:2::");
  EXPECT_EQ(ValidateIpv6(ip.data), kValueAccepted);
  EXPECT_STREQ(ip.data, "0001:0002:0000:0000:0000:0000:0000:0000");
}

TEST(ValidateIpv6, SecondDoubleColonIsInvalid) {
  AddressBuffer ip("1::2::3");
  EXPECT_EQ(ValidateIpv6(ip.data), kValueInvalid);
  AddressBuffer triple("1:::2");
  EXPECT_EQ(ValidateIpv6(triple.data), kValueInvalid);
}

TEST(ValidateIpv6, GroupOfFiveDigitsIsInvalid) {
  AddressBuffer ip("fe800::1");
  EXPECT_EQ(ValidateIpv6(ip.data), kValueInvalid);
}

TEST(ValidateIpv6, OtherCharactersAreInvalid) {
  for (const char* text : {"fe80::g", "fe80::1%eth0", "1.2.3.4:5", "fe80: :1", ":1:2:3:4:5:6:7"}) {
    AddressBuffer ip(text);
    EXPECT_EQ(ValidateIpv6(ip.data), kValueInvalid) << text;
  }
}

TEST(ValidateIpv6, EmptyTextIsInvalid) {
  AddressBuffer ip("");
  EXPECT_EQ(ValidateIpv6(ip.data), kValueInvalid);
}

TEST(ValidateIpv6, RefusedTextIsLeftAsItWas) {
  AddressBuffer ip("ab:cd");
  EXPECT_EQ(ValidateIpv6(ip.data), kValueInvalid);
  EXPECT_STREQ(ip.data, "ab:cd");
}

TEST(ValidateSubnetMask, ContiguousMasksAreAccepted) {
  EXPECT_EQ(oxim_validate_subnetmask("255.255.255.0"), kValueAccepted);
  EXPECT_EQ(oxim_validate_subnetmask("255.255.255.255"), kValueAccepted);
  EXPECT_EQ(oxim_validate_subnetmask("128.0.0.0"), kValueAccepted);
  EXPECT_EQ(oxim_validate_subnetmask("255.255.240.0"), kValueAccepted);
}

TEST(ValidateSubnetMask, HolesAreInvalid) {
  EXPECT_EQ(oxim_validate_subnetmask("255.0.255.0"), kValueInvalid);
  EXPECT_EQ(oxim_validate_subnetmask("255.255.253.0"), kValueInvalid);
}

TEST(ValidateSubnetMask, ZeroMaskIsInvalid) {
  EXPECT_EQ(oxim_validate_subnetmask("0.0.0.0"), kValueInvalid);
}

TEST(ValidateSubnetMask, NeedsExactlyFourPartsOfAtMost255) {
  EXPECT_EQ(oxim_validate_subnetmask("255.255.255"), kValueInvalid);
  EXPECT_EQ(oxim_validate_subnetmask("255.255.255.0.0"), kValueInvalid);
  EXPECT_EQ(oxim_validate_subnetmask("256.0.0.0"), kValueInvalid);
  EXPECT_EQ(oxim_validate_subnetmask("255.-1.0.0"), kValueInvalid);
}

TEST(ValidateSubnetMask, PartWithoutDigitsCountsAsZero) {
  EXPECT_EQ(oxim_validate_subnetmask("255.255.255."), kValueAccepted);
}

TEST(ValidateSubnetMask, MoreThanFifteenCharactersIsInvalid) {
  EXPECT_EQ(oxim_validate_subnetmask("255.255.255.0000"), kValueInvalid);
}

}  // namespace
}  // namespace oxim
