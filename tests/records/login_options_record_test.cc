// The login-options record byte for byte, against bytes written by hand
// from its offset table, and the CHAP secret encoding.
#include "records/login_options_record.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "records/golden.h"

namespace oxim::records {
namespace {

using golden::Put16;
using golden::Put32;

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

TEST(LoginOptionsRecord, DefaultRecordMatchesTheTable) {
  std::vector<uint8_t> record(600, 0xAA);
  ASSERT_TRUE(EncodeLoginOptions(record, DefaultLoginOptions()));
  EXPECT_EQ(record, GoldenDefault());
}

TEST(LoginOptionsRecord, MutualChapWithDigestsRoundTrips) {
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

  LoginOptions options = DefaultLoginOptions();
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
  ASSERT_TRUE(EncodeLoginOptions(record, options));
  EXPECT_EQ(record, golden);

  std::optional<LoginOptions> decoded = DecodeLoginOptions(golden);
  ASSERT_TRUE(decoded.has_value());
  EXPECT_EQ(decoded->initiator_chap_name, initiator);
  EXPECT_EQ(decoded->initiator_secret, initiator_secret);
  EXPECT_EQ(decoded->target_secret.size(), 12u);
  EXPECT_EQ(decoded->max_burst_length, 262144u);
  EXPECT_EQ(decoded->mutual_chap, 1u);
}

TEST(LoginOptionsRecord, ShortOrInconsistentRecordsAreRefused) {
  EXPECT_FALSE(DecodeLoginOptions(std::vector<uint8_t>(599, 0)).has_value());
  std::vector<uint8_t> bad = GoldenDefault();
  Put16(bad, 598, 17);  // more than the 16-byte field
  EXPECT_FALSE(DecodeLoginOptions(bad).has_value());
  LoginOptions options = DefaultLoginOptions();
  options.target_secret.assign(17, 'x');
  std::vector<uint8_t> record(600);
  EXPECT_FALSE(EncodeLoginOptions(record, options));
  EXPECT_FALSE(EncodeLoginOptions(std::span<uint8_t>(record).first(599), DefaultLoginOptions()));
}

TEST(LoginOptionsRecord, SecretsAreHexadecimalAfter0xOrTakenAsText) {
  std::optional<std::vector<uint8_t>> hex = EncodeSecret("0x" + std::string(24, 'a'));
  ASSERT_TRUE(hex.has_value());
  EXPECT_EQ(hex->size(), 12u);
  EXPECT_EQ((*hex)[0], 0xAA);
  EXPECT_EQ(EncodeSecret("0X0102")->size(), 2u);
  EXPECT_FALSE(EncodeSecret("0x" + std::string(23, 'a')).has_value()) << "odd";
  EXPECT_FALSE(EncodeSecret("0x12g4").has_value());
  EXPECT_EQ(EncodeSecret("plainsecret12")->size(), 13u);
  EXPECT_FALSE(EncodeSecret(std::string(17, 's')).has_value());
}

}  // namespace
}  // namespace oxim::records
