// Fuzzes the address and name checks and the converters, and checks that
// the IPv6 text written for any 16 bytes is accepted by the IPv6 check and
// reads back to the same bytes.
//
// Input: the first 16 bytes (zero-padded) are an IPv6 address; the whole
// input, up to its first NUL, is the text given to the checks.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "core/address.h"
#include "core/validate.h"
#include "fuzz_support.h"

namespace {

using oxim::fuzz::Check;

// A heap block of exactly size bytes holding text cut to size - 1 characters.
std::unique_ptr<char[]> Buffer(const std::string& text, size_t size) {
  auto buffer = std::make_unique<char[]>(size);
  size_t length = text.size() < size - 1 ? text.size() : size - 1;
  std::memcpy(buffer.get(), text.data(), length);
  buffer[length] = '\0';
  return buffer;
}

bool IsContiguousMask(const uint8_t octets[4]) {
  uint32_t mask = static_cast<uint32_t>(octets[0]) << 24 | static_cast<uint32_t>(octets[1]) << 16 |
                  static_cast<uint32_t>(octets[2]) << 8 | octets[3];
  uint32_t inverted = ~mask;
  return mask != 0 && (inverted & (inverted + 1)) == 0;
}

void CheckIpv4(const std::string& text) {
  auto input = Buffer(text, text.size() + 1);
  for (int mode : {oxim::kIpModeAddress, oxim::kIpModeHost, oxim::kIpModeNetmask, 3}) {
    uint8_t octets[4] = {};
    if (oxim::validateIPAddress(input.get(), octets, mode) != 1) continue;
    Check(octets[0] != 0 || octets[1] != 0 || octets[2] != 0 || octets[3] != 0);
    if (mode == oxim::kIpModeNetmask) Check(IsContiguousMask(octets));
    if (mode == oxim::kIpModeHost) {
      // A host address the handlers accept passes the value check too.
      auto copy = Buffer(text, oxim::kIpv6TextSize);
      Check(oxim::oxim_validate_ip(copy.get()) == oxim::kValueAccepted);
    }
    char again[16];
    std::snprintf(again, sizeof again, "%u.%u.%u.%u", octets[0], octets[1], octets[2], octets[3]);
    uint8_t reread[4] = {};
    Check(oxim::validateIPAddress(again, reread, oxim::kIpModeAddress) == 1);
    Check(std::memcmp(octets, reread, 4) == 0);
  }
  auto getip = Buffer(text, text.size() + 1);
  uint32_t numbers[4];
  oxim::oxim_getip(getip.get(), numbers);
}

void CheckMac(const std::string& text) {
  auto input = Buffer(text, text.size() + 1);
  uint8_t bytes[oxim::kMacBytes] = {};
  if (oxim::validateMACAddress(input.get(), bytes) == 1) {
    char again[oxim::kMacTextMax + 1];
    std::snprintf(again, sizeof again, "%02x-%02x-%02x-%02x-%02x-%02x", bytes[0], bytes[1],
                  bytes[2], bytes[3], bytes[4], bytes[5]);
    uint8_t reread[oxim::kMacBytes] = {};
    Check(oxim::validateMACAddress(again, reread) == 1);
    Check(std::memcmp(bytes, reread, sizeof bytes) == 0);
  }
  auto destination = std::make_unique<char[]>(oxim::kMacTextMax + 1);
  Check(oxim::convert_mac_text(input.get(), '-', destination.get(), ':') == 0);
  Check(std::strlen(destination.get()) <= oxim::kMacTextMax);
}

void CheckIscsiName(const std::string& text) {
  auto input = Buffer(text, text.size() + 1);
  auto copy = std::make_unique<char[]>(oxim::kIscsiNameSize);
  if (oxim::validateISCSIName(input.get(), copy.get()) == 0) {
    Check(std::strlen(copy.get()) == std::strlen(input.get()));
  }
}

void CheckHex(const std::string& text) {
  auto input = Buffer(text, text.size() + 1);
  int n = static_cast<int>(text.size() % 64) - 2;
  oxim::is_hex(input.get(), n);
  oxim::convert(input.get(), static_cast<int>(text.size() % 40));
  int length = static_cast<int>(text.size() % 48);
  auto bytes = std::make_unique<uint8_t[]>(static_cast<size_t>(length / 2) + 1);
  Check(oxim::convert_hex_to_bin(input.get(), length, bytes.get()) == 0);
}

void CheckIpv6RoundTrip(const uint8_t* data, size_t size) {
  uint8_t address[oxim::kIpv6Bytes] = {};
  std::memcpy(address, data, size < sizeof address ? size : sizeof address);
  auto text = std::make_unique<char[]>(oxim::kIpv6StrSize);
  oxim::U8IPv6ToStr(address, text.get());
  Check(std::strlen(text.get()) < oxim::kIpv6StrSize);
  uint8_t back[oxim::kIpv6Bytes];
  if (text[0] != '\0') {
    Check(oxim::ValidateIpv6(text.get()) == oxim::kValueAccepted);
  }
  // The empty text stands for the all-zero address on the way back too.
  oxim::StrToU8IPv6(text.get(), back);
  Check(std::memcmp(address, back, sizeof address) == 0);
}

// An address in the library's one text form reads back as itself, and the
// firmware's compressed IPv6 text of any 16 bytes is the same address.
void CheckOneForm(const std::string& text, const uint8_t* data, size_t size) {
  if (std::optional<oxim::IpAddress> address = oxim::ParseIpAddress(text)) {
    const std::string canonical = oxim::CanonicalIpText(*address);
    Check(oxim::ParseIpAddress(canonical) == address);
    Check(oxim::SameIpAddress(text, canonical));
  }
  oxim::IpAddress v6{.ipv6 = true};
  std::memcpy(v6.bytes.data(), data, size < v6.bytes.size() ? size : v6.bytes.size());
  auto compressed = std::make_unique<char[]>(oxim::kIpv6StrSize);
  oxim::U8IPv6ToStr(v6.bytes.data(), compressed.get());
  if (compressed[0] != '\0') Check(oxim::ParseIpAddress(compressed.get()) == v6);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  text = text.substr(0, text.find('\0'));
  CheckIpv4(text);
  CheckMac(text);
  CheckIscsiName(text);
  CheckHex(text);
  CheckIpv6RoundTrip(data, size);
  CheckOneForm(text, data, size);
  auto ipv6 = Buffer(text, oxim::kIpv6TextSize);
  uint8_t bytes[oxim::kIpv6Bytes];
  oxim::StrToU8IPv6(ipv6.get(), bytes);
  return 0;
}
