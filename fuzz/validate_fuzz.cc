// Fuzzes the value checks by data type with values, valid-value lists and
// ranges from the input, and the IPv6 and subnet mask checks on buffers of
// exactly the size their callers give.
//
// Input: byte 0 selects the first data type; bytes 1-4 and 5-8 are the
// minimum and maximum (little-endian); the rest is the value, then a NUL,
// then the valid values.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "core/validate.h"
#include "fuzz_support.h"
#include "oxim/oxim.h"

namespace {

using oxim::fuzz::Check;

constexpr uint32_t kTypes = 6;  // the five data types and one without check

int32_t LoadI32(const uint8_t* p) {
  uint32_t v = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
               static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
  return static_cast<int32_t>(v);
}

bool IsCheckResult(int code) {
  return code == oxim::kValueAccepted || code == oxim::kValueInvalid ||
         code == oxim::kValueOutOfRange || code == oxim::kValueBadLength;
}

// A heap copy of text cut to size - 1 characters in a block of exactly size
// bytes, so that any write or read beyond it is caught.
std::unique_ptr<char[]> Buffer(const std::string& text, size_t size) {
  auto buffer = std::make_unique<char[]>(size);
  size_t length = text.size() < size - 1 ? text.size() : size - 1;
  std::memcpy(buffer.get(), text.data(), length);
  buffer[length] = '\0';
  return buffer;
}

bool IsFullIpv6(const char* text) {
  if (std::strlen(text) != 39) return false;
  for (size_t i = 0; i < 39; ++i) {
    bool colon = i % 5 == 4;
    char c = text[i];
    if (colon ? c != ':' : !((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) return false;
  }
  return true;
}

void CheckIpv6(const std::string& value) {
  auto text = Buffer(value, oxim::kIpv6TextSize);
  std::string before = text.get();
  int code = oxim::ValidateIpv6(text.get());
  Check(code == oxim::kValueAccepted || code == oxim::kValueInvalid);
  if (code != oxim::kValueAccepted) {
    Check(before == text.get());
    return;
  }
  Check(IsFullIpv6(text.get()));
  // The full form is itself accepted and stays the same.
  std::string full = text.get();
  Check(oxim::ValidateIpv6(text.get()) == oxim::kValueAccepted);
  Check(full == text.get());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 9) return 0;
  uint32_t first_type = data[0] % kTypes;
  int32_t minimum = LoadI32(data + 1);
  int32_t maximum = LoadI32(data + 5);
  std::string rest(reinterpret_cast<const char*>(data + 9), size - 9);
  size_t nul = rest.find('\0');
  std::string value = rest.substr(0, nul);
  std::string valid = nul == std::string::npos ? "" : rest.substr(nul + 1);
  auto valid_values = Buffer(valid, OXIM_VALUE_SIZE);

  for (uint32_t k = 0; k < kTypes; ++k) {
    uint32_t type = (first_type + k) % kTypes;
    auto buffer = Buffer(value, OXIM_VALUE_SIZE);
    int code = oxim::oxim_validate(buffer.get(), valid_values.get(), type, minimum, maximum);
    Check(IsCheckResult(code));
    if (type == OXIM_TYPE_TEXT)
      Check(code == oxim::kValueAccepted || code == oxim::kValueBadLength);
    if (type > OXIM_TYPE_LIST) Check(code == oxim::kValueAccepted);
  }

  auto ip = Buffer(value, oxim::kIpv6TextSize);
  Check(IsCheckResult(oxim::oxim_validate_ip(ip.get())));
  auto mask = Buffer(value, value.size() + 1);
  int mask_code = oxim::oxim_validate_subnetmask(mask.get());
  Check(mask_code == oxim::kValueAccepted || mask_code == oxim::kValueInvalid);
  CheckIpv6(value);
  return 0;
}
