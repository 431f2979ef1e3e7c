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

}  // namespace oxim::emulator::config_parse
