// Sample values shared by the golden tests of the iSCSI records: names, a
// portal entry with its hand-written bytes, and a recognisable login-options
// record.
#ifndef OXIM_TESTS_RECORDS_ISCSI_FIXTURES_H_
#define OXIM_TESTS_RECORDS_ISCSI_FIXTURES_H_

#include <gtest/gtest.h>

#include <array>

#include "records/golden.h"
#include "records/iscsi_portal.h"
#include "records/login_options_record.h"

namespace oxim::records::fixtures {

inline constexpr char kTarget[] = "iqn.2026-01.net.oxim-lab:disk1";
inline constexpr char kInitiator[] = "iqn.1998-01.com.example:host7";

// 192.0.2.10:3260 with `tag`, as the 32 bytes at `offset`.
inline void PutPortal(golden::Bytes& bytes, size_t offset, uint32_t tag = 0x00010002) {
  golden::Put16(bytes, offset + 0, 24);
  bytes[offset + 3] = 1;
  golden::PutBytes(bytes, offset + 4, {192, 0, 2, 10});
  golden::Put16(bytes, offset + 24, 3260);
  golden::Put32(bytes, offset + 28, tag);
}

inline PortalEntry Portal(uint32_t tag = 0x00010002) {
  PortalEntry portal = PortalFromText("192.0.2.10", 3260);
  portal.tag = tag;
  return portal;
}

inline void ExpectPortal(const PortalEntry& got, const PortalEntry& want) {
  EXPECT_EQ(got.marker, want.marker);
  EXPECT_EQ(got.address_type, want.address_type);
  EXPECT_EQ(got.address, want.address);
  EXPECT_EQ(got.port, want.port);
  EXPECT_EQ(got.tag, want.tag);
}

// A recognisable 600-byte login-options record.
inline std::array<uint8_t, kLoginOptionsSize> Options() {
  std::array<uint8_t, kLoginOptionsSize> options{};
  for (size_t i = 0; i < options.size(); ++i) options[i] = static_cast<uint8_t>(i * 7 + 3);
  return options;
}

}  // namespace oxim::records::fixtures

#endif  // OXIM_TESTS_RECORDS_ISCSI_FIXTURES_H_
