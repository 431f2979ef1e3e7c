// Arbitrary bytes as a login-options record (decoded and encoded back) and
// as CHAP parameters (secret encoding and the ConfigureCHAP rules).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "areas/iscsi/chap_rules.h"
#include "records/login_options_record.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace oxim::iscsi;
  namespace records = oxim::records;
  if (std::optional<records::LoginOptions> decoded = records::DecodeLoginOptions({data, size})) {
    std::vector<uint8_t> again(records::kLoginOptionsSize);
    if (!records::EncodeLoginOptions(again, *decoded)) __builtin_trap();
    std::optional<records::LoginOptions> twice = records::DecodeLoginOptions(again);
    if (!twice || twice->target_secret != decoded->target_secret ||
        twice->initiator_chap_name != decoded->initiator_chap_name) {
      __builtin_trap();
    }
  }
  // Fields of a ConfigureCHAP request separated by NUL bytes.
  std::vector<std::string> fields(1);
  for (size_t i = 0; i < size && fields.size() <= 6; ++i) {
    if (data[i] == 0) {
      fields.emplace_back();
    } else {
      fields.back() += static_cast<char>(data[i]);
    }
  }
  fields.resize(6);
  ChapRequest request{fields[0], fields[1], fields[2], fields[3], fields[4], fields[5]};
  ChapDecision decision = check_configure_chap(request);
  if (decision.accepted) {
    // An accepted secret always fits the record.
    if (!records::EncodeSecret(decision.stored.target_secret)) __builtin_trap();
  }
  records::EncodeSecret(fields[2]);
  return 0;
}
