// Field-by-field reading of the configuration; see config_reader.h.
#include "config_reader.h"

namespace oxim::emulator::config_parse {

std::string Join(const std::string& path, std::string_view key) {
  return path.empty() ? std::string(key) : path + "." + std::string(key);
}

std::string Index(const std::string& path, size_t i) {
  return path + "[" + std::to_string(i) + "]";
}

bool IsPrintable(const std::string& text, bool multiline) {
  for (char c : text) {
    auto u = static_cast<unsigned char>(c);
    if ((u < 0x20 || u > 0x7e) && !(multiline && (c == '\n' || c == '\t'))) return false;
  }
  return true;
}

bool Choice(Reader& reader, const json& object, const std::string& path, const char* key,
            std::initializer_list<const char*> choices, int* out) {
  auto it = object.find(key);
  if (it == object.end()) return true;
  std::string expected = "expected";
  size_t index = 0;
  for (const char* choice : choices) {
    if (it->is_string() && it->get_ref<const std::string&>() == choice) {
      *out = static_cast<int>(index);
      return true;
    }
    expected += index == 0 ? " \"" : index + 1 == choices.size() ? " or \"" : ", \"";
    expected += choice;
    expected += "\"";
    ++index;
  }
  return reader.Fail(Join(path, key), expected);
}

bool Mac(Reader& reader, const json& object, const std::string& path, const char* key,
         std::array<uint8_t, 6>* mac) {
  auto it = object.find(key);
  if (it == object.end()) return true;
  std::string field = Join(path, key);
  const char* expected = "expected a MAC address such as \"00:90:fa:4c:21:10\"";
  if (!it->is_string()) return reader.Fail(field, expected);
  const std::string& text = it->get_ref<const std::string&>();
  if (text.size() != 17) return reader.Fail(field, expected);
  for (size_t i = 0; i < 6; ++i) {
    int high = hex_digit_value(text[3 * i]);
    int low = hex_digit_value(text[3 * i + 1]);
    if (high < 0 || low < 0 || (i < 5 && text[3 * i + 2] != ':' && text[3 * i + 2] != '-')) {
      return reader.Fail(field, expected);
    }
    (*mac)[i] = static_cast<uint8_t>(high * 16 + low);
  }
  return true;
}

}  // namespace oxim::emulator::config_parse
