// Login option and CHAP rules; see chap_rules.h.
#include "areas/iscsi/chap_rules.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "core/strings.h"
#include "oxim/oxim.h"

namespace oxim::iscsi {
namespace {

constexpr uint32_t kStatusInvalid = OXIM_STATUS_INVALID_VALUE;
constexpr uint32_t kStatusLength = OXIM_STATUS_BAD_LENGTH;

bool is_hex_form(const std::string& secret) {
  return secret.size() >= 2 && secret[0] == '0' && (secret[1] == 'x' || secret[1] == 'X');
}

}  // namespace

uint32_t check_chap_secret(const std::string& name, const std::string& secret,
                           std::string* message) {
  if (is_hex_form(secret)) {
    const std::string digits = secret.substr(2);
    // Digits and their parity first: a secret of 23 digits is refused for
    // its odd number, one with a "g" for the letter, whatever their length.
    for (char c : digits) {
      if (!is_hex_digit(c)) {
        *message = "Invalid value. The valid values are 0-9, a-f and A-F.";
        return kStatusInvalid;
      }
    }
    if (digits.size() % 2 != 0) {
      *message = "Invalid value. Odd number of characters are not allowed.";
      return kStatusInvalid;
    }
    if (digits.size() < 24 || digits.size() > 32) {
      *message = name + ": Number of characters should be from 24 to 32.";
      return kStatusLength;
    }
    return 0;
  }
  if (secret.size() < 12 || secret.size() > 16) {
    *message = name + ": Number of characters should be from 12 to 16.";
    return kStatusLength;
  }
  return 0;
}

uint32_t check_saved_text(const std::string& parameter, std::string_view text,
                          std::string* message) {
  const bool control = std::any_of(text.begin(), text.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F || c == ',';
  });
  if (!control && is_valid_utf8(text)) return 0;
  *message = parameter +
             ": Invalid value. It cannot hold a comma, a line end or another control character, "
             "and must be UTF-8 text.";
  return kStatusInvalid;
}

ChapDecision check_configure_chap(const ChapRequest& request) {
  ChapDecision decision;
  const bool mutual = equal_ignoring_case(request.method, "Mutual CHAP");
  const bool one_way = equal_ignoring_case(request.method, "One-Way CHAP");
  // What is stored must fit the saved line it goes to; the initiator's
  // name and secret are stored for mutual CHAP only.
  const std::pair<const char*, const std::string*> kStored[] = {
      {"TargetCHAPName", &request.target_name},
      {"TargetSecret", &request.target_secret},
      {"InitiatorCHAPName", mutual ? &request.initiator_name : nullptr},
      {"InitiatorSecret", mutual ? &request.initiator_secret : nullptr},
  };
  for (const auto& [parameter, value] : kStored) {
    if (value == nullptr) continue;
    if (uint32_t status = check_saved_text(parameter, *value, &decision.message)) {
      decision.status = status;
      return decision;
    }
  }
  if (mutual && (request.initiator_name.empty() || request.initiator_secret.empty())) {
    decision.status = kStatusChapInitiatorRequired;
    decision.message =
        "InitiatorCHAPName and InitiatorSecret are required in case of Mutual CHAP authentication "
        "method. Either InitiatorCHAPName and InitiatorSecret are not provided or invalid values "
        "are given to them. Please provide valid values for InitiatorCHAPName and "
        "InitiatorSecret.";
    return decision;
  }
  if (uint32_t status =
          check_chap_secret("TargetSecret", request.target_secret, &decision.message)) {
    decision.status = status;
    return decision;
  }
  decision.stored = request;
  if (one_way && (!request.initiator_name.empty() || !request.initiator_secret.empty())) {
    decision.status = kStatusChapIgnoredInitiator;
    decision.message =
        "InitiatorCHAPName and InitiatorSecret are not required in case of One way CHAP "
        "authentication method. Ignoring the values.";
  }
  if (!mutual) {
    decision.stored.initiator_name.clear();
    decision.stored.initiator_secret.clear();
  } else {
    std::string message;
    if (uint32_t status =
            check_chap_secret("InitiatorSecret", request.initiator_secret, &message)) {
      decision.status = status;
      decision.message = message;
      return decision;
    }
  }
  if (decision.stored.initiator_secret == decision.stored.target_secret) {
    decision.status = kStatusChapSameSecrets;
    decision.message =
        "Initiator CHAP secret is same as target CHAP secret. Please set a different initiator "
        "CHAP secret from the target CHAP secret.";
    return decision;
  }
  if (decision.stored.chap_param.empty()) {
    decision.stored.chap_param = (mutual || one_way) ? "Prohibited" : "Required";
  }
  decision.accepted = true;
  return decision;
}

uint32_t check_digest_rule(const std::string& property, const std::string& value,
                           const std::string& other, std::string* message) {
  const bool level = property == "HeaderParam" || property == "DataParam";
  const bool digest = property == "HeaderDigest" || property == "DataDigest";
  if (level && equal_ignoring_case(value, "Preferred") && equal_ignoring_case(other, "None")) {
    *message = kDigestLevelWithoutDigest.message;
    return kDigestLevelWithoutDigest.code;
  }
  if (digest && equal_ignoring_case(value, "None") && equal_ignoring_case(other, "Preferred")) {
    *message = kDigestResetWithLevel.message;
    return kDigestResetWithLevel.code;
  }
  return 0;
}

}  // namespace oxim::iscsi
