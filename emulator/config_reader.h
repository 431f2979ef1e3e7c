// Reading the emulated adapter's configuration file (config_json.h) one
// JSON value at a time, for the parsers of its sections: every check names
// the field it refuses ("controllers[1].functions[0].pci.bus: expected an
// integer 0..255"), and the first problem ends the parse.
//
//   Reader reader(&error);
//   if (!reader.Object(value, path, {"address", "port"}) ||
//       !reader.Int(value, path, "port", 1, 65535, &port)) return false;
#ifndef OXIM_EMULATOR_CONFIG_READER_H_
#define OXIM_EMULATOR_CONFIG_READER_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

#include "core/strings.h"

namespace oxim::emulator::config_parse {

using nlohmann::json;

// Field paths: "path.key" ("key" at the top level) and "path[i]".
std::string Join(const std::string& path, std::string_view key);
std::string Index(const std::string& path, size_t i);
// Printable ASCII; with multiline also newlines and tabs.
bool IsPrintable(const std::string& text, bool multiline);

// Reads one JSON value at a time into the configuration; the first problem
// is kept and ends the parse.
class Reader {
 public:
  explicit Reader(std::string* error) : error_(error) {}

  bool Fail(const std::string& path, const std::string& problem) {
    if (error_ != nullptr) *error_ = (path.empty() ? "(top level)" : path) + ": " + problem;
    return false;
  }

  // An object whose keys are all among `known`.
  bool Object(const json& value, const std::string& path,
              std::initializer_list<const char*> known) {
    if (!value.is_object()) return Fail(path, "expected an object");
    for (const auto& item : value.items()) {
      bool found = false;
      for (const char* key : known) found = found || item.key() == key;
      if (!found) return Fail(Join(path, item.key()), "unknown field");
    }
    return true;
  }

  // The member `key` of an object, or null when absent (a missing required
  // member fails).
  const json* Member(const json& object, const std::string& path, const char* key, bool required) {
    auto it = object.find(key);
    if (it == object.end()) {
      if (required) Fail(Join(path, key), "missing (required)");
      return nullptr;
    }
    return &*it;
  }

  bool Integer(const json& value, const std::string& path, int64_t low, int64_t high,
               int64_t* out) {
    std::string range = "expected an integer " + std::to_string(low) + ".." + std::to_string(high);
    if (!value.is_number_integer()) return Fail(path, range);
    if (value.is_number_unsigned()) {
      uint64_t v = value.get<uint64_t>();
      if (v > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) return Fail(path, range);
      *out = static_cast<int64_t>(v);
    } else {
      *out = value.get<int64_t>();
    }
    if (*out < low || *out > high) return Fail(path, range);
    return true;
  }

  // An optional integer member; `out` keeps its value when absent.
  template <class T>
  bool Int(const json& object, const std::string& path, const char* key, int64_t low, int64_t high,
           T* out, bool required = false) {
    const json* value = Member(object, path, key, required);
    if (value == nullptr) return !required;
    int64_t v = 0;
    if (!Integer(*value, Join(path, key), low, high, &v)) return false;
    *out = static_cast<T>(v);
    return true;
  }

  // A 16-bit or 32-bit identifier: an integer or a hexadecimal text "0x...".
  template <class T>
  bool Id(const json& object, const std::string& path, const char* key, T* out) {
    const json* value = Member(object, path, key, false);
    if (value == nullptr) return true;
    constexpr uint64_t kMax = std::numeric_limits<T>::max();
    std::string field = Join(path, key);
    std::string expected = "expected an integer 0.." + std::to_string(kMax) +
                           " or a hexadecimal text such as \"0x1d7e\"";
    if (value->is_string()) {
      const std::string& text = value->get_ref<const std::string&>();
      if (text.size() < 3 || text.size() > 2 + 2 * sizeof(T) || text[0] != '0' ||
          (text[1] != 'x' && text[1] != 'X')) {
        return Fail(field, expected);
      }
      uint64_t v = 0;
      for (size_t i = 2; i < text.size(); ++i) {
        int digit = hex_digit_value(text[i]);
        if (digit < 0) return Fail(field, expected);
        v = v * 16 + static_cast<uint64_t>(digit);
      }
      *out = static_cast<T>(v);
      return true;
    }
    int64_t v = 0;
    if (!value->is_number_integer()) return Fail(field, expected);
    if (!Integer(*value, field, 0, static_cast<int64_t>(kMax), &v)) return Fail(field, expected);
    *out = static_cast<T>(v);
    return true;
  }

  bool Bool(const json& object, const std::string& path, const char* key, bool* out) {
    const json* value = Member(object, path, key, false);
    if (value == nullptr) return true;
    if (!value->is_boolean()) return Fail(Join(path, key), "expected true or false");
    *out = value->get<bool>();
    return true;
  }

  bool TextValue(const json& value, const std::string& path, size_t low, size_t high,
                 std::string* out, bool multiline = false) {
    std::string expected = "expected a text of " + std::to_string(low) + ".." +
                           std::to_string(high) + " printable ASCII characters";
    if (!value.is_string()) return Fail(path, expected);
    const std::string& text = value.get_ref<const std::string&>();
    if (text.size() < low || text.size() > high || !IsPrintable(text, multiline)) {
      return Fail(path, expected);
    }
    *out = text;
    return true;
  }

  bool Text(const json& object, const std::string& path, const char* key, size_t low, size_t high,
            std::string* out, bool required = false) {
    const json* value = Member(object, path, key, required);
    if (value == nullptr) return !required;
    return TextValue(*value, Join(path, key), low, high, out);
  }

  // A text member that may be null (nullopt).
  bool NullableText(const json& object, const std::string& path, const char* key, size_t high,
                    std::optional<std::string>* out, bool multiline = false) {
    const json* value = Member(object, path, key, false);
    if (value == nullptr) return true;
    if (value->is_null()) {
      out->reset();
      return true;
    }
    std::string text;
    if (!TextValue(*value, Join(path, key), 0, high, &text, multiline)) {
      return Fail(Join(path, key), "expected null or a text of at most " + std::to_string(high) +
                                       " printable ASCII characters");
    }
    *out = text;
    return true;
  }

  // An array member; nullptr (and, when required, a failure) when absent
  // or not an array. `failed` tells the two apart.
  const json* Array(const json& object, const std::string& path, const char* key, bool required,
                    bool* failed) {
    *failed = false;
    const json* value = Member(object, path, key, required);
    if (value == nullptr) {
      *failed = required;
      return nullptr;
    }
    if (!value->is_array()) {
      *failed = true;
      Fail(Join(path, key), "expected an array");
      return nullptr;
    }
    return value;
  }

 private:
  std::string* error_;
};

// An optional MAC address member ("00:90:fa:4c:21:10", ":" or "-");
// `mac` keeps its value when absent.
bool Mac(Reader& reader, const json& object, const std::string& path, const char* key,
         std::array<uint8_t, 6>* mac);

// One text of a fixed set: the index of `value` in `choices`.
bool Choice(Reader& reader, const json& object, const std::string& path, const char* key,
            std::initializer_list<const char*> choices, int* out);

}  // namespace oxim::emulator::config_parse

#endif  // OXIM_EMULATOR_CONFIG_READER_H_
