// The rules that check login options and CHAP settings before they are
// stored: the ConfigureCHAP parameters (method, names, secrets, level) and
// the pairing of a digest with the level at which it is insisted on.
// Pure functions: the command and property handlers apply their results.
#ifndef OXIM_AREAS_ISCSI_CHAP_RULES_H_
#define OXIM_AREAS_ISCSI_CHAP_RULES_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "areas/iscsi/iscsi_status.h"

namespace oxim::iscsi {

// The parameters of ConfigureCHAP as the client gave them (empty when not
// given).
struct ChapRequest {
  std::string method;  // "Mutual CHAP" or "One-Way CHAP", case ignored
  std::string initiator_name;
  std::string initiator_secret;
  std::string target_name;
  std::string target_secret;
  std::string chap_param;
};

// What ConfigureCHAP stores, or why it refuses. status is 0, 137 (the
// command goes on: the initiator name and secret of one-way CHAP are
// ignored) or a refusal (6, 8, 38, 138) with its message.
struct ChapDecision {
  bool accepted = false;
  uint32_t status = 0;
  std::string message;
  ChapRequest stored;  // the values to store when accepted
};

ChapDecision check_configure_chap(const ChapRequest& request);

// Checks a name or secret the saved files are to hold (a target name, an
// initiator name, a CHAP name or secret): valid UTF-8, without the files'
// field separator (a comma), a line end or another control character. 0, or
// 6 with "<parameter>: Invalid value. ..." in *message.
[[nodiscard]] uint32_t check_saved_text(const std::string& parameter, std::string_view text,
                                        std::string* message);

// Checks a CHAP secret: hexadecimal ("0x" and 24 to 32 digits, even in
// number) or plain text of 12 to 16 characters. 0, or 6 / 8 with the
// message (name names the parameter in the length messages).
[[nodiscard]] uint32_t check_chap_secret(const std::string& name, const std::string& secret,
                                         std::string* message);

// Checks a write of a digest property against its level and back:
// setting "HeaderParam"/"DataParam" to "Preferred" while the digest is
// "None" gives 193; setting "HeaderDigest"/"DataDigest" to "None" while the
// level is "Preferred" gives 194; else 0. other is the current value of the
// paired property.
[[nodiscard]] uint32_t check_digest_rule(const std::string& property, const std::string& value,
                                         const std::string& other, std::string* message);

}  // namespace oxim::iscsi

#endif  // OXIM_AREAS_ISCSI_CHAP_RULES_H_
