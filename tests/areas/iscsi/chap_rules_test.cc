// The rules that check CHAP settings and digest levels.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "areas/iscsi/chap_rules.h"

namespace oxim::iscsi {
namespace {

ChapRequest OneWay(const std::string& target_secret) {
  ChapRequest request;
  request.method = "One-Way CHAP";
  request.target_name = "target";
  request.target_secret = target_secret;
  return request;
}

TEST(ChapRulesTest, TargetSecretLengthsAndForms) {
  EXPECT_EQ(check_configure_chap(OneWay(std::string(11, 's'))).status, 8u);
  EXPECT_EQ(check_configure_chap(OneWay(std::string(17, 's'))).message,
            "TargetSecret: Number of characters should be from 12 to 16.");
  EXPECT_TRUE(check_configure_chap(OneWay(std::string(12, 's'))).accepted);
  EXPECT_TRUE(check_configure_chap(OneWay(std::string(16, 's'))).accepted);
  EXPECT_TRUE(check_configure_chap(OneWay("0x" + std::string(24, 'f'))).accepted);
  ChapDecision odd = check_configure_chap(OneWay("0x" + std::string(23, 'f')));
  EXPECT_EQ(odd.status, 6u);
  EXPECT_EQ(odd.message, "Invalid value. Odd number of characters are not allowed.");
  ChapDecision letter = check_configure_chap(OneWay("0x" + std::string(23, 'f') + "g"));
  EXPECT_EQ(letter.status, 6u);
  EXPECT_EQ(letter.message, "Invalid value. The valid values are 0-9, a-f and A-F.");
  EXPECT_EQ(check_configure_chap(OneWay("0x" + std::string(34, 'f'))).message,
            "TargetSecret: Number of characters should be from 24 to 32.");
}

TEST(ChapRulesTest, OneWayIgnoresInitiatorValuesAndDefaultsToProhibited) {
  ChapRequest request = OneWay("targetsecret1");
  request.initiator_name = "iqn.host";
  request.initiator_secret = "initsecret12";
  ChapDecision decision = check_configure_chap(request);
  EXPECT_TRUE(decision.accepted);
  EXPECT_EQ(decision.status, kStatusChapIgnoredInitiator);
  EXPECT_EQ(decision.stored.initiator_name, "");
  EXPECT_EQ(decision.stored.initiator_secret, "");
  EXPECT_EQ(decision.stored.chap_param, "Prohibited");
}

TEST(ChapRulesTest, MutualChapNeedsDistinctInitiatorCredentials) {
  ChapRequest request = OneWay("targetsecret1");
  request.method = "mutual chap";
  ChapDecision missing = check_configure_chap(request);
  EXPECT_EQ(missing.status, kStatusChapInitiatorRequired);
  request.initiator_name = "iqn.host";
  request.initiator_secret = "short";
  EXPECT_EQ(check_configure_chap(request).message,
            "InitiatorSecret: Number of characters should be from 12 to 16.");
  request.initiator_secret = "targetsecret1";
  EXPECT_EQ(check_configure_chap(request).status, kStatusChapSameSecrets);
  request.initiator_secret = "initsecret12";
  request.chap_param = "Required";
  ChapDecision accepted = check_configure_chap(request);
  EXPECT_TRUE(accepted.accepted);
  EXPECT_EQ(accepted.status, 0u);
  EXPECT_EQ(accepted.stored.initiator_secret, "initsecret12");
  EXPECT_EQ(accepted.stored.chap_param, "Required");
}

TEST(ChapRulesTest, DigestLevelAndDigestGoTogether) {
  std::string message;
  EXPECT_EQ(check_digest_rule("HeaderParam", "Preferred", "None", &message), 193u);
  EXPECT_EQ(message, "Cannot set the digest level to Preferred when the digest is default value.");
  EXPECT_EQ(check_digest_rule("HeaderParam", "Preferred", "CRC32C", &message), 0u);
  EXPECT_EQ(check_digest_rule("DataDigest", "none", "Preferred", &message), 194u);
  EXPECT_EQ(message, "Cannot set the digest to default when level is set to Preferred.");
  EXPECT_EQ(check_digest_rule("DataDigest", "None", "Prohibited", &message), 0u);
}

}  // namespace
}  // namespace oxim::iscsi
