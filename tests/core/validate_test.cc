// Value checks by data type: text length, integer range, lists of valid
// values, IPv4 and IPv6 addresses and subnet masks. One table per check;
// each row is a text, the range or list it is checked against, and the
// answer.
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

TEST(Validate, DispatchesByDataType) {
  const struct {
    const char* value;
    const char* valid_values;
    uint32_t type;
    int32_t minimum, maximum;
    int expected;
  } kCases[] = {
      {"anything", nullptr, 9, 0, 0, kValueAccepted},  // unknown type: no check
      {"abcd", nullptr, OXIM_TYPE_TEXT, 1, 3, kValueBadLength},
      {"21", nullptr, OXIM_TYPE_INTEGER, 0, 20, kValueOutOfRange},
      {"true", "True,False", OXIM_TYPE_LIST, 0, 0, kValueAccepted},
      {"255.255.0.0", nullptr, OXIM_TYPE_SUBNET_MASK, 5, 1, kValueAccepted},  // range ignored
  };
  for (const auto& c : kCases) {
    AddressBuffer value(c.value);
    EXPECT_EQ(oxim_validate(value.data, c.valid_values, c.type, c.minimum, c.maximum), c.expected)
        << c.value;
  }
  EXPECT_EQ(oxim_validate(nullptr, nullptr, OXIM_TYPE_TEXT, 0, 10), kValueInvalid);
  AddressBuffer ipv6("fe80::1");
  EXPECT_EQ(oxim_validate(ipv6.data, nullptr, OXIM_TYPE_IP_ADDRESS, 0, 0), kValueAccepted);
  EXPECT_STREQ(ipv6.data, "FE80:0000:0000:0000:0000:0000:0000:0001") << "rewritten in full";
}

TEST(Validate, TextLengthInBytes) {
  const struct {
    const char* text;
    int32_t minimum, maximum;
    int expected;
  } kCases[] = {
      {"abc", 3, 3, kValueAccepted},           {"ab", 3, 10, kValueBadLength},
      {"abcdefghijk", 3, 10, kValueBadLength}, {"", 0, 31, kValueAccepted},
      {"\xc3\xa9", 2, 2, kValueAccepted},  // two bytes
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(oxim_validate_val_string(c.text, c.minimum, c.maximum), c.expected) << c.text;
  }
}

TEST(Validate, IntegersInTheNotationOfStrtolBase0) {
  const struct {
    const char* text;
    int32_t minimum, maximum;
    int expected;
  } kCases[] = {
      {"0x10", 0, 20, kValueAccepted},
      {"0X15", 0, 20, kValueOutOfRange},
      {"017", 15, 15, kValueAccepted},  // octal
      {"08", 0, 20, kValueInvalid},     // not an octal number
      {"2147483648", INT32_MIN, INT32_MAX, kValueOutOfRange},
      {"-2147483649", INT32_MIN, INT32_MAX, kValueOutOfRange},
      {"99999999999999999999999", 0, 1, kValueOutOfRange},
      {"-2147483648", INT32_MIN, INT32_MAX, kValueAccepted},
      {"2147483647", INT32_MIN, INT32_MAX, kValueAccepted},
      {"", 0, 20, kValueInvalid},
      {"12abc", 0, 20, kValueInvalid},
      {"12 ", 0, 20, kValueInvalid},
      {"0x", 0, 20, kValueInvalid},
      {"  -5", -10, 0, kValueAccepted},
      {"+5", 0, 10, kValueAccepted},
      {"1023", 1024, 65535, kValueOutOfRange},
      {"65536", 1024, 65535, kValueOutOfRange},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(oxim_validate_val_integer(c.text, c.minimum, c.maximum), c.expected)
        << '"' << c.text << '"';
  }
}

TEST(Validate, ListItemsAreWholeAndCaseIsIgnored) {
  const struct {
    const char* text;
    const char* valid_values;
    int expected;
  } kCases[] = {
      {"mutual chap", "Mutual CHAP,One-Way CHAP", kValueAccepted},
      {"ONE-WAY chap", "Mutual CHAP,One-Way CHAP", kValueAccepted},
      {"Mutual", "Mutual CHAP,One-Way CHAP", kValueInvalid},
      {"", "", kValueAccepted},
      {"x", "", kValueInvalid},
      {"", "a,b", kValueInvalid},
      {"", "a,,b", kValueAccepted},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(oxim_validate_list(c.text, c.valid_values), c.expected)
        << '"' << c.text << "\" in " << c.valid_values;
  }
}

TEST(Validate, Ipv4Addresses) {
  const struct {
    const char* text;
    int expected;
  } kCases[] = {
      {"10.0.0.1", kValueAccepted},
      {"1..2.3", kValueAccepted},  // an empty part counts as 0
      {"127.0.0.1", kValueInvalid},
      {"0.0.0.0", kValueInvalid},
      {"255.255.255.255", kValueInvalid},
      {"255.1.1.1", kValueInvalid},
      {"100.100.100.1001", kValueInvalid},  // more than 15 characters
      {"1.2.3", kValueInvalid},
      {"1.2.3.4.5", kValueInvalid},
      {"1.2.3.4x", kValueInvalid},
      {"1,2.3.4", kValueInvalid},
      {"1.2.3.256", kValueInvalid},
      {"", kValueInvalid},
      {"10.-1.0.1", kValueInvalid},
      {"1:", kValueInvalid},  // too short for IPv6: checked as IPv4
  };
  for (const auto& c : kCases) {
    AddressBuffer ip(c.text);
    EXPECT_EQ(oxim_validate_ip(ip.data), c.expected) << '"' << c.text << '"';
    if (c.expected != kValueAccepted) {
      EXPECT_STREQ(ip.data, c.text) << "left as it was";
    }
  }
}

TEST(Validate, Ipv6AddressesAreRewrittenInFullForm) {
  const struct {
    const char* text;
    const char* full;  // nullptr: refused, and left as it was
  } kCases[] = {
      {"fe80::1", "FE80:0000:0000:0000:0000:0000:0000:0001"},
      {"FE80:0000:0000:0000:0000:0000:0000:0001", "FE80:0000:0000:0000:0000:0000:0000:0001"},
      {"1:2:3:4:5:6:7:", "0001:0002:0003:0004:0005:0006:0007:0000"},  // a last zero group
      {"1:2:3:4:5:6:7::", "0001:0002:0003:0004:0005:0006:0007:0000"},
      {"1:2::", "0001:0002:0000:0000:0000:0000:0000:0000"},
      {"::1", nullptr},
      {"1:2:3", nullptr},
      {"1:2:3:4:5:6:7:8:9", nullptr},
      {"1:2:3:4::5:6:7:8", nullptr},
      {"1::2::3", nullptr},
      {"1:::2", nullptr},
      {"fe800::1", nullptr},
      {"fe80::g", nullptr},
      {"fe80::1%eth0", nullptr},
      {"1.2.3.4:5", nullptr},
      {"fe80: :1", nullptr},
      {":1:2:3:4:5:6:7", nullptr},
      {"", nullptr},
      {"ab:cd", nullptr},
  };
  for (const auto& c : kCases) {
    AddressBuffer ip(c.text);
    EXPECT_EQ(ValidateIpv6(ip.data), c.full != nullptr ? kValueAccepted : kValueInvalid)
        << '"' << c.text << '"';
    EXPECT_STREQ(ip.data, c.full != nullptr ? c.full : c.text);
  }
}

TEST(Validate, SubnetMasksAreRunsOfOnes) {
  const struct {
    const char* text;
    int expected;
  } kCases[] = {
      {"255.255.255.0", kValueAccepted},
      {"255.255.255.255", kValueAccepted},
      {"128.0.0.0", kValueAccepted},
      {"255.255.240.0", kValueAccepted},
      {"255.255.255.", kValueAccepted},  // a part without digits counts as 0
      {"255.0.255.0", kValueInvalid},
      {"255.255.253.0", kValueInvalid},
      {"0.0.0.0", kValueInvalid},
      {"255.255.255", kValueInvalid},
      {"255.255.255.0.0", kValueInvalid},
      {"256.0.0.0", kValueInvalid},
      {"255.-1.0.0", kValueInvalid},
      {"255.255.255.0000", kValueInvalid},  // more than 15 characters
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(oxim_validate_subnetmask(c.text), c.expected) << '"' << c.text << '"';
  }
}

}  // namespace
}  // namespace oxim
