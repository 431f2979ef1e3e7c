// Address and name checks and converters; see address.h.
#include "core/address.h"

#include <arpa/inet.h>

#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/last_status.h"
#include "core/log.h"
#include "core/strings.h"
#include "core/validate.h"

namespace oxim {
namespace {

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'z') return c - 'a' + 10;
  if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
  return -1;
}

// A netmask is 255 up to the first octet that is not, which is one of
// 254, 252, ..., 128, 0; every octet after it is 0.
bool IsNetmask(const uint8_t octets[4]) {
  int k = 0;
  while (k < 4 && octets[k] == 255) ++k;
  if (k == 4) return true;
  uint8_t candidate = 254;
  int doublings = 0;
  while (candidate != octets[k]) {
    if (++doublings > 7) return false;  // 254 doubled seven times reaches 0
    candidate = static_cast<uint8_t>(candidate << 1);
  }
  for (++k; k < 4; ++k) {
    if (octets[k] != 0) return false;
  }
  return true;
}

// One IPv6 group of U8IPv6ToStr: lower case, no leading zeros.
void AppendGroup(char* text, size_t size, const char* prefix, uint8_t high, uint8_t low) {
  size_t used = std::strlen(text);
  if (high != 0) {
    std::snprintf(text + used, size - used, "%s%x%02x", prefix, high, low);
  } else {
    std::snprintf(text + used, size - used, "%s%01x", prefix, low);
  }
}

void Append(char* text, size_t size, const char* suffix) {
  size_t used = std::strlen(text);
  std::snprintf(text + used, size - used, "%s", suffix);
}

bool EndsWithColon(const char* text) {
  size_t used = std::strlen(text);
  return used > 0 && text[used - 1] == ':';
}

}  // namespace

std::optional<IpAddress> ParseIpAddress(std::string_view text) {
  IpAddress address;
  if (text.find(':') != std::string_view::npos) {
    // inet_pton takes every IPv6 text form, and only those.
    if (text.size() >= 64) return std::nullopt;
    char copy[64] = {};
    std::memcpy(copy, text.data(), text.size());
    if (inet_pton(AF_INET6, copy, address.bytes.data()) != 1) return std::nullopt;
    address.ipv6 = true;
    return address;
  }
  size_t part = 0;
  unsigned value = 0;
  size_t digits = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || text[i] == '.') {
      if (digits == 0 || part > 3) return std::nullopt;
      address.bytes[part++] = static_cast<uint8_t>(value);
      value = 0;
      digits = 0;
      continue;
    }
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    ++digits;
    value = value * 10 + static_cast<unsigned>(text[i] - '0');
    if (value > 255) return std::nullopt;
  }
  if (part != 4) return std::nullopt;
  return address;
}

std::string CanonicalIpText(const IpAddress& address) {
  char text[kIpv6StrSize];
  const uint8_t* b = address.bytes.data();
  if (!address.ipv6) {
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
  } else {
    std::snprintf(text, sizeof text,
                  "%02X%02X:%02X%02X:%02X%02X:%02X%02X:%02X%02X:%02X%02X:%02X%02X:%02X%02X", b[0],
                  b[1], b[2], b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10], b[11], b[12], b[13],
                  b[14], b[15]);
  }
  return text;
}

std::string CanonicalIpText(std::string_view text) {
  std::optional<IpAddress> address = ParseIpAddress(text);
  return address ? CanonicalIpText(*address) : std::string(text);
}

bool SameIpAddress(std::string_view a, std::string_view b) {
  std::optional<IpAddress> first = ParseIpAddress(a);
  std::optional<IpAddress> second = ParseIpAddress(b);
  if (first && second) return *first == *second;
  return !first && !second && equal_ignoring_case(a, b);
}

int validateIPAddress(const char* text, uint8_t* octets, int mode) {
  if (text == nullptr) return 0;
  // Longer texts are refused rather than cut: "100.100.100.1001" is not
  // 100.100.100.100.
  size_t length = strnlen(text, kIpv4TextMax + 1);
  if (length > kIpv4TextMax) return 0;
  uint8_t parsed[4] = {};
  int part = 0;
  int digits = 0;
  unsigned value = 0;
  for (size_t i = 0; i <= length; ++i) {
    char c = text[i];
    if (c >= '0' && c <= '9') {
      value = value * 10 + static_cast<unsigned>(c - '0');
      if (value > 255) return 0;  // checked per digit, so value never grows past 2559
      ++digits;
      continue;
    }
    if (c != '.' && c != '\0') return 0;
    if (digits == 0 || part > 3) return 0;  // empty part, or a fifth one
    parsed[part++] = static_cast<uint8_t>(value);
    value = 0;
    digits = 0;
  }
  if (part != 4) return 0;
  bool all_zero = parsed[0] == 0 && parsed[1] == 0 && parsed[2] == 0 && parsed[3] == 0;
  if (all_zero) return 0;
  if (mode == kIpModeHost) {
    // 255 as first octet also covers 255.255.255.255.
    if (parsed[0] == 127 || parsed[0] == 255) return 0;
  } else if (mode == kIpModeNetmask) {
    if (!IsNetmask(parsed)) return 0;
  }
  if (octets != nullptr) std::memcpy(octets, parsed, sizeof parsed);
  return 1;
}

int validateMACAddress(const char* text, uint8_t* bytes) {
  if (text == nullptr) return 0;
  // Exactly six groups of two hexadecimal digits and five separators:
  // anything longer is refused rather than cut, so that nothing rides along
  // behind an address that passed the check, and a group such as "1" or
  // "001" is no byte of a MAC address.
  if (strnlen(text, kMacTextMax + 1) != kMacTextMax) return 0;
  uint8_t parsed[kMacBytes] = {};
  for (size_t group = 0; group < kMacBytes; ++group) {
    const char* at = text + 3 * group;
    const int high = hex_digit_value(at[0]);
    const int low = hex_digit_value(at[1]);
    if (high < 0 || low < 0) return 0;
    if (group + 1 < kMacBytes && at[2] != ':' && at[2] != '-') return 0;
    parsed[group] = static_cast<uint8_t>(high * 16 + low);
  }
  if (bytes != nullptr) std::memcpy(bytes, parsed, sizeof parsed);
  return 1;
}

int validateISCSIName(const char* name, char* copy) {
  size_t length = name != nullptr ? strnlen(name, kIscsiNameMax + 1) : 0;
  bool ok = length >= 1 && length <= kIscsiNameMax;
  for (size_t i = 0; ok && i < length; ++i) {
    char c = name[i];
    ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == ':';
  }
  if (!ok) {
    oxim_set_last_status(kStatusInvalidIscsiName, kInvalidIscsiNameMessage);
    return 1;
  }
  if (copy != nullptr) {
    for (size_t i = 0; i < length; ++i) {
      copy[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(name[i])));
    }
    copy[length] = '\0';
  }
  return 0;
}

int is_hex(const char* text, int n) {
  if (n < 1) return 1;
  if (text == nullptr) return 0;
  for (int i = 0; i < n; ++i) {
    if (!is_hex_digit(text[i])) return 0;  // also stops at the NUL
  }
  return 1;
}

void StrToU8IPv6(const char* text, uint8_t* bytes) {
  std::memset(bytes, 0, kIpv6Bytes);
  if (text == nullptr || text[0] == '\0') text = "0::";
  size_t nibble = 0;
  for (const char* p = text; *p != '\0' && nibble < kIpv6Bytes * 2; ++p) {
    if (!is_hex_digit(*p)) continue;
    auto value = static_cast<uint8_t>(DigitValue(*p));
    if (nibble % 2 == 0) {
      bytes[nibble / 2] = static_cast<uint8_t>(value << 4);
    } else {
      bytes[nibble / 2] |= value;
    }
    ++nibble;
  }
}

void U8IPv6ToStr(const uint8_t* bytes, char* text) {
  constexpr size_t kSize = kIpv6StrSize;
  constexpr int kGroups = 8;
  std::memset(text, 0, kSize);
  AppendGroup(text, kSize, "", bytes[0], bytes[1]);
  bool run_started = false;  // the one zero run written as "::" has begun
  for (int g = 1; g < kGroups; ++g) {
    uint8_t high = bytes[2 * g];
    uint8_t low = bytes[2 * g + 1];
    bool last = g == kGroups - 1;
    if (high != 0 || low != 0) {
      AppendGroup(text, kSize, ":", high, low);
    } else if (!run_started) {
      run_started = true;
      Append(text, kSize, ":");
      if (last) Append(text, kSize, ":");  // a run of the last group alone
    } else if (EndsWithColon(text)) {
      if (last) Append(text, kSize, ":");  // inside the run: close it at the end
    } else {
      Append(text, kSize, ":0");  // the run has ended already
    }
  }
  if (std::strcmp(text, "0::") == 0) text[0] = '\0';
}

void copy_U8IP(uint8_t* dst, const uint8_t* src) { std::memcpy(dst, src, kIpv6Bytes); }

void copy_U32IP(uint32_t* dst, const uint8_t* src) {
  for (size_t i = 0; i < kIpv6Bytes; ++i) dst[i] = src[i];
}

void oxim_getip(char* text, uint32_t* numbers) {
  for (int k = 0; k < 4; ++k) numbers[k] = 0;
  if (text == nullptr) return;
  char* part = text;
  for (int k = 0; k < 4 && part != nullptr; ++k) {
    char* dot = std::strchr(part, '.');
    if (dot != nullptr) *dot = '\0';
    unsigned long value = std::strtoul(part, nullptr, 10);
    numbers[k] = value > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(value);
    part = dot != nullptr ? dot + 1 : nullptr;
  }
  // Split the rest too, so the text reads the same whatever its length.
  for (char* p = part; p != nullptr && *p != '\0'; ++p) {
    if (*p == '.') *p = '\0';
  }
}

void oxim_bin(uint32_t a, uint32_t b, uint32_t c, uint32_t d, int* bits) {
  uint32_t address = (a & 0xFF) << 24 | (b & 0xFF) << 16 | (c & 0xFF) << 8 | (d & 0xFF);
  for (int i = 0; i < 32; ++i) bits[i] = static_cast<int>((address >> (31 - i)) & 1);
}

int convert_hex_to_bin(const char* hex, int length, uint8_t* bytes) {
  if (hex == nullptr || bytes == nullptr) return -1;
  size_t available = length > 0 ? strnlen(hex, static_cast<size_t>(length)) : 0;
  for (size_t i = 0; i + 1 < available; i += 2) {
    // A pair that is not two digits keeps the value of its leading digits.
    const int high = hex_digit_value(hex[i]);
    const int low = hex_digit_value(hex[i + 1]);
    bytes[i / 2] = static_cast<uint8_t>(high < 0 ? 0 : low < 0 ? high : high * 16 + low);
  }
  return 0;
}

unsigned long convert(const char* text, int base) {
  if (text == nullptr || base < 2 || base > 36) return 0;
  unsigned long value = 0;
  for (const char* p = text;; ++p) {
    int digit = DigitValue(*p);
    if (digit < 0 || digit >= base) break;
    auto d = static_cast<unsigned long>(digit);
    auto b = static_cast<unsigned long>(base);
    if (value > (ULONG_MAX - d) / b) return ULONG_MAX;
    value = value * b + d;
  }
  return value;
}

uint32_t ULShl(uint32_t value, uint32_t n) { return n >= 32 ? 0 : value << n; }

uint32_t ULShr(uint32_t value, uint32_t n) { return n >= 32 ? 0 : value >> n; }

int convert_mac_text(const char* source, char from, char* destination, char to) {
  if (source == nullptr || destination == nullptr) return 1;
  pdebug(kModuleAdapter, kLogDebug, "%s:source mac = %s\n", __func__, source);
  size_t length = strnlen(source, kMacTextMax);
  for (size_t i = 0; i < length; ++i) destination[i] = source[i] == from ? to : source[i];
  destination[length] = '\0';
  pdebug(kModuleAdapter, kLogDebug, "%s:destination mac = %s\n", __func__, destination);
  return 0;
}

}  // namespace oxim
