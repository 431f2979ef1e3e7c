// Line formats of the saved-target files; see saved_lines.h.
#include "areas/iscsi/saved_lines.h"

#include <array>
#include <string>
#include <utility>

#include "core/address.h"
#include "core/log.h"
#include "core/strings.h"

namespace oxim::iscsi {
namespace {

// One field of a record: its name for the log, and where it lives.
struct FieldRef {
  const char* name;
  std::string* value;
};

// The fields of each record in line order. The records are taken non-const
// so that one table serves encoding and decoding.
std::array<FieldRef, kTargetFieldCount> FieldsOf(TargetLine& l) {
  LoginOptionFields& o = l.options;
  return {{{"path (controller)", &l.path.controller},
           {"path (physical HBA)", &l.path.physical},
           {"path (logical HBA)", &l.path.logical},
           {"target name", &l.name},
           {"IP address", &l.ip},
           {"port", &l.port},
           {"ISID qualifier", &l.isid_qualifier},
           {"initiator name", &l.initiator_name},
           {"InitialR2T", &o.initial_r2t},
           {"ImmediateData", &o.immediate_data},
           {"HeaderDigest", &o.header_digest},
           {"DataDigest", &o.data_digest},
           {"AuthenticationMethod", &o.authentication_method},
           {"InitiatorCHAPName", &o.initiator_chap_name},
           {"InitiatorSecret", &o.initiator_secret},
           {"TargetCHAPName", &o.target_chap_name},
           {"TargetSecret", &o.target_secret},
           {"TargetType", &l.target_type},
           {"CHAPParam", &o.chap_param},
           {"HeaderParam", &o.header_param},
           {"DataParam", &o.data_param}}};
}

std::array<FieldRef, kSendTargetPortalFieldCount> FieldsOf(SendTargetPortalLine& l) {
  LoginOptionFields& o = l.options;
  return {{{"path (controller)", &l.path.controller},
           {"path (physical HBA)", &l.path.physical},
           {"path (logical HBA)", &l.path.logical},
           {"IPAddress", &l.ip},
           {"PortNumber", &l.port},
           {"PortMacAddress", &l.mac},
           {"InitialR2T", &o.initial_r2t},
           {"ImmediateData", &o.immediate_data},
           {"HeaderDigest", &o.header_digest},
           {"DataDigest", &o.data_digest},
           {"AuthenticationMethod", &o.authentication_method},
           {"InitiatorCHAPName", &o.initiator_chap_name},
           {"InitiatorSecret", &o.initiator_secret},
           {"TargetCHAPName", &o.target_chap_name},
           {"TargetSecret", &o.target_secret},
           {"CHAPParam", &o.chap_param},
           {"HeaderParam", &o.header_param},
           {"DataParam", &o.data_param}}};
}

std::array<FieldRef, kInitiatorOptionsFieldCount> FieldsOf(InitiatorOptionsLine& l) {
  LoginOptionFields& o = l.options;
  return {{{"path (controller)", &l.path.controller},
           {"path (physical HBA)", &l.path.physical},
           {"path (logical HBA)", &l.path.logical},
           {"InitialR2T", &o.initial_r2t},
           {"ImmediateData", &o.immediate_data},
           {"HeaderDigest", &o.header_digest},
           {"DataDigest", &o.data_digest},
           {"AuthenticationMethod", &o.authentication_method},
           {"InitiatorCHAPName", &o.initiator_chap_name},
           {"InitiatorSecret", &o.initiator_secret},
           {"TargetCHAPName", &o.target_chap_name},
           {"TargetSecret", &o.target_secret},
           {"CHAPParam", &o.chap_param},
           {"HeaderParam", &o.header_param},
           {"DataParam", &o.data_param}}};
}

// A field that can be written as it is and read back the same.
bool WritableField(std::string_view value) {
  if (value.size() > kMaxFieldLength) return false;
  return value.find_first_of(std::string_view(",\n\r\0", 4)) == std::string_view::npos;
}

// A field as it may appear in a file (the splitting already removed commas
// and the newline).
bool ReadableField(std::string_view value) {
  if (value.size() > kMaxFieldLength) return false;
  return value.find_first_of(std::string_view("\n\r\0", 3)) == std::string_view::npos;
}

template <class Record>
bool Encode(const char* kind, const Record& record, std::string* out) {
  Record copy = record;  // FieldsOf needs a modifiable record
  std::string text;
  bool first = true;
  for (const FieldRef& field : FieldsOf(copy)) {
    if (!WritableField(*field.value)) {
      pdebug(kModuleAdapter, kLogError,
             "%s: %s field %s is longer than %zu characters or holds a comma or line end; "
             "line not written\n",
             __func__, kind, field.name, kMaxFieldLength);
      return false;
    }
    if (!first) text += ',';
    first = false;
    text += *field.value;
  }
  text += '\n';
  *out = std::move(text);
  return true;
}

template <class Record>
bool Decode(const char* kind, std::string_view text, Record* out) {
  std::vector<std::string_view> parts = SplitFields(text);
  Record record;
  auto fields = FieldsOf(record);
  if (parts.size() != fields.size()) {
    pdebug(kModuleAdapter, kLogDebug, "%s: %s line has %zu fields, not %zu\n", __func__, kind,
           parts.size(), fields.size());
    return false;
  }
  for (size_t i = 0; i < fields.size(); ++i) {
    if (!ReadableField(parts[i])) {
      pdebug(kModuleAdapter, kLogDebug, "%s: %s line: field %s is malformed\n", __func__, kind,
             fields[i].name);
      return false;
    }
    fields[i].value->assign(parts[i]);
  }
  *out = std::move(record);
  return true;
}

}  // namespace

HbaPath HbaPathOf(unsigned controller, unsigned physical_hba, unsigned logical_hba) {
  return {"Quellfire" + std::to_string(controller),
          "iSCSIPhysicalHBA" + std::to_string(physical_hba),
          "LogicalHBA" + std::to_string(logical_hba)};
}

InitiatorOptionsLine DefaultInitiatorOptionsLine(const HbaPath& path) {
  InitiatorOptionsLine line;
  line.path = path;
  line.options.initial_r2t = "Yes";
  line.options.immediate_data = "Yes";
  line.options.header_digest = "None";
  line.options.data_digest = "None";
  line.options.authentication_method = "None";
  line.options.chap_param = "Prohibited";
  line.options.header_param = "Prohibited";
  line.options.data_param = "Prohibited";
  return line;
}

bool EncodeTargetLine(const TargetLine& line, std::string* out) {
  return Encode("target", line, out);
}
bool EncodeSendTargetPortalLine(const SendTargetPortalLine& line, std::string* out) {
  return Encode("SendTarget portal", line, out);
}
bool EncodeInitiatorOptionsLine(const InitiatorOptionsLine& line, std::string* out) {
  return Encode("initiator options", line, out);
}

bool DecodeTargetLine(std::string_view text, TargetLine* out) {
  return Decode("target", text, out);
}
bool DecodeSendTargetPortalLine(std::string_view text, SendTargetPortalLine* out) {
  return Decode("SendTarget portal", text, out);
}
bool DecodeInitiatorOptionsLine(std::string_view text, InitiatorOptionsLine* out) {
  return Decode("initiator options", text, out);
}

std::vector<std::string_view> SplitFields(std::string_view text) {
  if (!text.empty() && text.back() == '\n') text.remove_suffix(1);
  std::vector<std::string_view> parts;
  size_t start = 0;
  for (;;) {
    size_t comma = text.find(',', start);
    if (comma == std::string_view::npos) {
      parts.push_back(text.substr(start));
      return parts;
    }
    parts.push_back(text.substr(start, comma - start));
    start = comma + 1;
  }
}

bool FieldsWellFormed(std::string_view text, size_t field_count) {
  std::vector<std::string_view> parts = SplitFields(text);
  if (parts.size() != field_count) return false;
  for (std::string_view part : parts) {
    if (!ReadableField(part)) return false;
  }
  return true;
}

LineKey PathKey(const HbaPath& path) { return {{path.controller, path.physical, path.logical}}; }

LineKey TargetNameKey(const HbaPath& path, std::string_view name) {
  LineKey key = PathKey(path);
  key.fields.emplace_back(name);
  return key;
}

LineKey TargetPortalKey(const HbaPath& path, std::string_view name, std::string_view ip,
                        std::string_view port) {
  LineKey key = TargetNameKey(path, name);
  key.address_field = static_cast<int>(key.fields.size());
  key.fields.emplace_back(ip);
  key.fields.emplace_back(port);
  return key;
}

LineKey TargetSessionKey(const HbaPath& path, std::string_view name, std::string_view ip,
                         std::string_view port, uint32_t isid_qualifier) {
  LineKey key = TargetPortalKey(path, name, ip, port);
  if (isid_qualifier != kAnyIsidQualifier) key.fields.push_back(std::to_string(isid_qualifier));
  return key;
}

LineKey SendTargetPortalKey(const HbaPath& path, std::string_view ip, std::string_view port) {
  LineKey key = PathKey(path);
  key.address_field = static_cast<int>(key.fields.size());
  key.fields.emplace_back(ip);
  key.fields.emplace_back(port);
  return key;
}

bool KeyMatches(const LineKey& key, std::string_view line) {
  if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
  size_t start = 0;
  for (size_t i = 0; i < key.fields.size(); ++i) {
    if (start > line.size()) return false;  // the line has run out of fields
    size_t comma = line.find(',', start);
    size_t end = comma == std::string_view::npos ? line.size() : comma;
    const std::string_view field = line.substr(start, end - start);
    const bool same = static_cast<int>(i) == key.address_field
                          ? SameIpAddress(field, key.fields[i])
                          : equal_ignoring_case(field, key.fields[i]);
    if (!same) return false;
    start = end + 1;
  }
  return true;
}

}  // namespace oxim::iscsi
