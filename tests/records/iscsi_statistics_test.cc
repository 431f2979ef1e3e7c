// Initiator statistics records against bytes written by hand from their
// offset tables.
#include "records/iscsi_statistics.h"

#include <gtest/gtest.h>

#include "records/golden.h"

namespace oxim::records {
namespace {

using golden::Bytes;

TEST(StatisticsRecords, InstanceStatistics) {
  Bytes want(264, 0);
  golden::Put32(want, 8, 3);
  golden::Put32(want, 12, 1);
  golden::Put32(want, 16, 2);
  golden::PutText(want, 20, "iqn.2026-01.net.oxim-lab:open");
  golden::Put32(want, 244, 4);
  golden::Put32(want, 248, 5);
  golden::Put32(want, 252, 6);
  InstanceStatistics stats;
  stats.sessions = 3;
  stats.session_failures = 1;
  stats.last_failure_type = kSessionFailureTimeout;
  stats.last_remote_node = "iqn.2026-01.net.oxim-lab:open";
  stats.digest_errors = 4;
  stats.connection_timeouts = 5;
  stats.format_errors = 6;
  Bytes got(264, 0xEE);
  ASSERT_TRUE(EncodeInstanceStatistics(got, stats));
  EXPECT_EQ(got, want);
  std::optional<InstanceStatistics> decoded = DecodeInstanceStatistics(want);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->last_remote_node, stats.last_remote_node);
  EXPECT_EQ(decoded->connection_timeouts, 5u);
  EXPECT_FALSE(DecodeInstanceStatistics(Bytes(263, 0)));
}

TEST(StatisticsRecords, LoginStatistics) {
  Bytes want(520, 0);
  golden::Put32(want, 224, 2);
  golden::Put32(want, 228, 77);
  golden::Put32(want, 232, 5);
  golden::PutText(want, 236, "iqn.2026-01.net.oxim-lab:oneway");
  want[467] = 1;
  golden::PutBytes(want, 468, {192, 0, 2, 11});
  for (uint32_t k = 0; k < 8; ++k) golden::Put32(want, 488 + 4 * k, 10 + k);
  LoginStatistics stats;
  stats.failures = 2;
  stats.last_failure_time = 77;
  stats.last_failure_type = kLoginFailureAuthentication;
  stats.failed_target = "iqn.2026-01.net.oxim-lab:oneway";
  stats.failed_address_type = kAddressIpv4;
  stats.failed_address = {192, 0, 2, 11};
  stats.accept_responses = 10;
  stats.other_failure_responses = 11;
  stats.redirect_responses = 12;
  stats.authentication_failure_responses = 13;
  stats.authentication_failures = 14;
  stats.negotiation_failures = 15;
  stats.normal_logouts = 16;
  stats.other_logouts = 17;
  Bytes got(520, 0xEE);
  ASSERT_TRUE(EncodeLoginStatistics(got, stats));
  EXPECT_EQ(got, want);
  std::optional<LoginStatistics> decoded = DecodeLoginStatistics(want);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->failed_target, stats.failed_target);
  EXPECT_EQ(decoded->failed_address, stats.failed_address);
  EXPECT_EQ(decoded->normal_logouts, 16u);
  EXPECT_EQ(decoded->other_logouts, 17u);
  EXPECT_FALSE(DecodeLoginStatistics(Bytes(519, 0)));
}

}  // namespace
}  // namespace oxim::records
