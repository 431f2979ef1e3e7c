// Line formats of the saved-target files, and the keys that find a line.
//
// Every line is a list of fields separated by single commas and ended by a
// newline; empty fields are kept. Fields are numbered from 1; the first three
// name the logical HBA ("Quellfire<c>", "iSCSIPhysicalHBA<p>",
// "LogicalHBA<l>").
//
//   Target line (savetgt.txt), 21 fields:
//     1-3 path | 4 target name | 5 portal IP | 6 portal port |
//     7 ISID qualifier (decimal, empty when first recorded) |
//     8 initiator name | 9 InitialR2T | 10 ImmediateData | 11 HeaderDigest |
//     12 DataDigest | 13 AuthenticationMethod | 14 InitiatorCHAPName |
//     15 InitiatorSecret | 16 TargetCHAPName | 17 TargetSecret |
//     18 TargetType | 19 CHAPParam | 20 HeaderParam | 21 DataParam
//
//   SendTarget portal line (savestp.txt), 18 fields:
//     1-3 path | 4 IPAddress | 5 PortNumber | 6 PortMacAddress |
//     7 InitialR2T | 8 ImmediateData | 9 HeaderDigest | 10 DataDigest |
//     11 AuthenticationMethod | 12 InitiatorCHAPName | 13 InitiatorSecret |
//     14 TargetCHAPName | 15 TargetSecret | 16 CHAPParam | 17 HeaderParam |
//     18 DataParam
//
//   Initiator options line (intr_logopts.txt), 15 fields:
//     1-3 path | 4 InitialR2T | 5 ImmediateData | 6 HeaderDigest |
//     7 DataDigest | 8 AuthenticationMethod | 9 InitiatorCHAPName |
//     10 InitiatorSecret | 11 TargetCHAPName | 12 TargetSecret |
//     13 CHAPParam | 14 HeaderParam | 15 DataParam
//
// A field holds at most 255 characters and never a comma, a line end or a
// NUL: such a record cannot be written back faithfully, so encoding refuses
// it instead of cutting or splitting the field.
//
// Keys compare whole leading fields, without regard to case: a key with port
// "326" does not find a line with port "3260". An address field is compared
// by value ("192.0.2.010" finds "192.0.2.10", the compressed IPv6 text the
// full one). Addresses are written in one form (CanonicalIpText).
//
// Usage:
//   oxim::iscsi::TargetLine line;
//   line.path = oxim::iscsi::HbaPathOf(0, 1, 0);
//   line.name = "iqn.2001-04.com.example:disk1";
//   ...
//   std::string text;
//   if (oxim::iscsi::EncodeTargetLine(line, &text)) write(text);
//   bool same = oxim::iscsi::KeyMatches(oxim::iscsi::TargetNameKey(line.path, line.name), text);
#ifndef OXIM_AREAS_ISCSI_SAVED_LINES_H_
#define OXIM_AREAS_ISCSI_SAVED_LINES_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace oxim::iscsi {

inline constexpr size_t kTargetFieldCount = 21;
inline constexpr size_t kSendTargetPortalFieldCount = 18;
inline constexpr size_t kInitiatorOptionsFieldCount = 15;
inline constexpr size_t kMaxFieldLength = 255;
// The qualifier that stands for any ISID qualifier in a key.
inline constexpr uint32_t kAnyIsidQualifier = 0xFFFFF;

// Fields 1 to 3 of every line.
struct HbaPath {
  std::string controller;  // "Quellfire<c>"
  std::string physical;    // "iSCSIPhysicalHBA<p>"
  std::string logical;     // "LogicalHBA<l>"
};

// The path of a logical HBA from its instance numbers.
HbaPath HbaPathOf(unsigned controller, unsigned physical_hba, unsigned logical_hba);

// The login option fields every line kind carries (named after the
// properties of the login options group).
struct LoginOptionFields {
  std::string initial_r2t;
  std::string immediate_data;
  std::string header_digest;
  std::string data_digest;
  std::string authentication_method;
  std::string initiator_chap_name;
  std::string initiator_secret;
  std::string target_chap_name;
  std::string target_secret;
  std::string chap_param;
  std::string header_param;
  std::string data_param;
};

struct TargetLine {
  HbaPath path;
  std::string name;
  std::string ip;
  std::string port;
  std::string isid_qualifier;  // decimal, or empty
  std::string initiator_name;
  LoginOptionFields options;
  std::string target_type;
};

struct SendTargetPortalLine {
  HbaPath path;
  std::string ip;
  std::string port;
  std::string mac;
  LoginOptionFields options;
};

struct InitiatorOptionsLine {
  HbaPath path;
  LoginOptionFields options;
};

// The line created for a logical HBA that has none: "Yes", "Yes", "None",
// "None", "None", four empty fields, "Prohibited", "Prohibited",
// "Prohibited".
InitiatorOptionsLine DefaultInitiatorOptionsLine(const HbaPath& path);

// Encoders: the line with its newline into *out. false (and a log entry
// naming the field, never its value) when a field is too long or holds a
// comma, a line end or a NUL; *out is then left as it was.
[[nodiscard]] bool EncodeTargetLine(const TargetLine& line, std::string* out);
[[nodiscard]] bool EncodeSendTargetPortalLine(const SendTargetPortalLine& line, std::string* out);
[[nodiscard]] bool EncodeInitiatorOptionsLine(const InitiatorOptionsLine& line, std::string* out);

// Decoders: text is one line, with or without its newline. false when the
// field count is not the line kind's, or a field is too long or holds a
// carriage return or NUL; *out is then left as it was.
[[nodiscard]] bool DecodeTargetLine(std::string_view text, TargetLine* out);
[[nodiscard]] bool DecodeSendTargetPortalLine(std::string_view text, SendTargetPortalLine* out);
[[nodiscard]] bool DecodeInitiatorOptionsLine(std::string_view text, InitiatorOptionsLine* out);

// Splits a line (a final newline is ignored) at every comma; empty fields are
// kept. The views point into text.
std::vector<std::string_view> SplitFields(std::string_view text);

// Whether every field of text is at most kMaxFieldLength characters and free
// of carriage returns and NULs, and there are exactly field_count of them.
bool FieldsWellFormed(std::string_view text, size_t field_count);

// A key: the leading fields a line must have, compared whole and without
// regard to case; the field at address_field (if any) by the address it
// names.
struct LineKey {
  std::vector<std::string> fields;
  int address_field = -1;
};

// Keys of the target file.
LineKey PathKey(const HbaPath& path);
LineKey TargetNameKey(const HbaPath& path, std::string_view name);
LineKey TargetPortalKey(const HbaPath& path, std::string_view name, std::string_view ip,
                        std::string_view port);
// The portal key followed by the qualifier in decimal; kAnyIsidQualifier
// leaves the qualifier out (any qualifier, including none, matches).
LineKey TargetSessionKey(const HbaPath& path, std::string_view name, std::string_view ip,
                         std::string_view port, uint32_t isid_qualifier);
// Key of the SendTarget portal file.
LineKey SendTargetPortalKey(const HbaPath& path, std::string_view ip, std::string_view port);

// Whether the first fields of line equal the key's fields, ignoring ASCII
// case. A line with fewer fields than the key never matches.
bool KeyMatches(const LineKey& key, std::string_view line);

}  // namespace oxim::iscsi

#endif  // OXIM_AREAS_ISCSI_SAVED_LINES_H_
