// The login-options record byte for byte, CHAP secret encoding, and the
// rules that check CHAP settings and digest levels.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "areas/iscsi/chap_rules.h"
#include "records/login_options_record.h"

namespace oxim::iscsi {
namespace {

void Put16(std::vector<uint8_t>& bytes, size_t offset, uint16_t value) {
  bytes[offset] = static_cast<uint8_t>(value);
  bytes[offset + 1] = static_cast<uint8_t>(value >> 8);
}
void Put32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

// The default record, written by hand from the offset table.
std::vector<uint8_t> GoldenDefault() {
  std::vector<uint8_t> bytes(600, 0);
  bytes[0] = 0x0F;
  Put32(bytes, 4, 8192);
  Put32(bytes, 8, 262144);
  Put16(bytes, 12, 1);
  Put16(bytes, 14, 1);
  Put16(bytes, 16, 2);
  Put16(bytes, 18, 20);
  Put32(bytes, 24, 65536);
  Put32(bytes, 28, 65536);
  Put32(bytes, 36, 16000);
  bytes[304] = ' ';
  bytes[576] = ' ';
  Put16(bytes, 594, 1);
  Put16(bytes, 598, 1);
  return bytes;
}

TEST(LoginOptionsRecordTest, DefaultRecordMatchesTheTable) {
  std::vector<uint8_t> record(600, 0xAA);
  ASSERT_TRUE(records::EncodeLoginOptions(record, records::DefaultLoginOptions()));
  EXPECT_EQ(record, GoldenDefault());
}

TEST(LoginOptionsRecordTest, MutualChapWithDigestsRoundTrips) {
  std::vector<uint8_t> golden = GoldenDefault();
  golden[0] = 0x0C;  // InitialR2T and ImmediateData cleared
  golden[21] = 1;
  golden[22] = 1;
  Put32(golden, 40, 1);
  Put32(golden, 44, 1);
  const std::string initiator = "iqn.host";
  const std::string target = "tgt";
  std::copy(initiator.begin(), initiator.end(), golden.begin() + 48);
  const std::vector<uint8_t> initiator_secret = {0xde, 0xad, 0xbe, 0xef};
  std::copy(initiator_secret.begin(), initiator_secret.end(), golden.begin() + 304);
  std::copy(target.begin(), target.end(), golden.begin() + 320);
  const std::string target_secret = "secret123456";
  std::copy(target_secret.begin(), target_secret.end(), golden.begin() + 576);
  Put16(golden, 592, 8);
  Put16(golden, 594, 4);
  Put16(golden, 596, 3);
  Put16(golden, 598, 12);

  records::LoginOptions options = records::DefaultLoginOptions();
  options.flags = 0x0C;
  options.header_digest = 1;
  options.data_digest = 1;
  options.authentication_method = 1;
  options.mutual_chap = 1;
  options.initiator_chap_name = initiator;
  options.initiator_secret = initiator_secret;
  options.target_chap_name = target;
  options.target_secret.assign(target_secret.begin(), target_secret.end());
  std::vector<uint8_t> record(600);
  ASSERT_TRUE(records::EncodeLoginOptions(record, options));
  EXPECT_EQ(record, golden);

  std::optional<records::LoginOptions> decoded = records::DecodeLoginOptions(golden);
  ASSERT_TRUE(decoded.has_value());
  EXPECT_EQ(decoded->initiator_chap_name, initiator);
  EXPECT_EQ(decoded->initiator_secret, initiator_secret);
  EXPECT_EQ(decoded->target_secret.size(), 12u);
  EXPECT_EQ(decoded->max_burst_length, 262144u);
  EXPECT_EQ(decoded->mutual_chap, 1u);
}

TEST(LoginOptionsRecordTest, ShortOrInconsistentRecordsAreRefused) {
  EXPECT_FALSE(records::DecodeLoginOptions(std::vector<uint8_t>(599, 0)).has_value());
  std::vector<uint8_t> bad = GoldenDefault();
  Put16(bad, 598, 17);  // more than the 16-byte field
  EXPECT_FALSE(records::DecodeLoginOptions(bad).has_value());
  records::LoginOptions options = records::DefaultLoginOptions();
  options.target_secret.assign(17, 'x');
  std::vector<uint8_t> record(600);
  EXPECT_FALSE(records::EncodeLoginOptions(record, options));
  EXPECT_FALSE(records::EncodeLoginOptions(std::span<uint8_t>(record).first(599),
                                           records::DefaultLoginOptions()));
}

TEST(LoginOptionsRecordTest, SecretsAreHexadecimalAfter0xOrTakenAsText) {
  std::optional<std::vector<uint8_t>> hex = records::EncodeSecret("0x" + std::string(24, 'a'));
  ASSERT_TRUE(hex.has_value());
  EXPECT_EQ(hex->size(), 12u);
  EXPECT_EQ((*hex)[0], 0xAA);
  EXPECT_EQ(records::EncodeSecret("0X0102")->size(), 2u);
  EXPECT_FALSE(records::EncodeSecret("0x" + std::string(23, 'a')).has_value()) << "odd";
  EXPECT_FALSE(records::EncodeSecret("0x12g4").has_value());
  EXPECT_EQ(records::EncodeSecret("plainsecret12")->size(), 13u);
  EXPECT_FALSE(records::EncodeSecret(std::string(17, 's')).has_value());
}

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
