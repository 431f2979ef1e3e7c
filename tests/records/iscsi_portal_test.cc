// Address texts and the portal entry, against bytes written by hand from
// the entry's offset table.
#include "records/iscsi_portal.h"

#include <gtest/gtest.h>

#include "records/iscsi_fixtures.h"

namespace oxim::records {
namespace {

using fixtures::ExpectPortal;
using fixtures::Portal;
using fixtures::PutPortal;

TEST(IscsiAddresses, TextsByType) {
  std::array<uint8_t, 16> v4{192, 0, 2, 77};
  EXPECT_EQ(FormatAddress(kAddressIpv4, v4), "192.0.2.77");
  EXPECT_EQ(FormatAddress(0x06, v4), "192.0.2.77");  // any of the three low bits
  EXPECT_EQ(FormatAddress(kAddressNone, v4), "0.0.0.0");
  EXPECT_EQ(FormatAddress(0x40, v4), "0.0.0.0");
  std::array<uint8_t, 16> v6{0xfe, 0x80};
  v6[15] = 1;
  EXPECT_EQ(FormatAddress(kAddressIpv6, v6), "fe80::1");
}

TEST(IscsiAddresses, PortalFromTextPicksTheTypeByItsForm) {
  PortalEntry v4 = PortalFromText("10.1.2.3", 3261);
  EXPECT_EQ(v4.address_type, kAddressIpv4);
  EXPECT_EQ(v4.address, (std::array<uint8_t, 16>{10, 1, 2, 3}));
  EXPECT_EQ(v4.port, 3261);
  EXPECT_EQ(v4.marker, kPortalEntryMarker);
  EXPECT_EQ(PortalAddressText(v4), "10.1.2.3");

  PortalEntry junk = PortalFromText("host.example", 3260);
  EXPECT_EQ(junk.address_type, kAddressIpv4);
  EXPECT_EQ(junk.address, (std::array<uint8_t, 16>{}));

  PortalEntry v6 = PortalFromText("FE80:0000:0000:0000:0000:0000:0000:0001", 3260);
  EXPECT_EQ(v6.address_type, kAddressIpv6);
  EXPECT_EQ(v6.address[0], 0xfe);
  EXPECT_EQ(v6.address[15], 1);
  EXPECT_EQ(PortalAddressText(v6), "fe80::1");
  // The compressed form the records print, shorter than 16 characters, is
  // the same IPv6 address.
  PortalEntry compressed = PortalFromText("fe80::1", 3260);
  EXPECT_EQ(compressed.address_type, kAddressIpv6);
  EXPECT_EQ(compressed.address, v6.address);
  // Leading zeros of an IPv4 part are decimal, as the tree reads them.
  EXPECT_EQ(PortalFromText("10.01.002.3", 3260).address, (std::array<uint8_t, 16>{10, 1, 2, 3}));
}

TEST(IscsiPortalEntry, GoldenBytes) {
  golden::Bytes want(kPortalEntrySize, 0);
  PutPortal(want, 0);
  golden::Bytes got(kPortalEntrySize, 0xEE);
  ASSERT_TRUE(EncodePortalEntry(got, Portal()));
  EXPECT_EQ(got, want);
  std::optional<PortalEntry> decoded = DecodePortalEntry(want);
  ASSERT_TRUE(decoded);
  ExpectPortal(*decoded, Portal());
  EXPECT_FALSE(DecodePortalEntry(std::span(want).first(31)));
  EXPECT_FALSE(EncodePortalEntry(std::span(got).first(31), Portal()));
}

}  // namespace
}  // namespace oxim::records
