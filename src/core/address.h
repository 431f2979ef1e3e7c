// Address and name checks used by the handlers, and the small converters
// between address texts and their binary forms: IPv4 as four octets in text
// order, IPv6 as 16 bytes in network order, MAC addresses as six bytes, and
// hexadecimal text as bytes. None of these change the last status except
// validateISCSIName.
//
// Usage:
//   uint8_t octets[4];
//   if (oxim::validateIPAddress(text, octets, oxim::kIpModeHost) == 0) return refuse();
//   uint8_t mac[6];
//   if (oxim::validateMACAddress("00-1a-2B-3c-4D-5e", mac) == 1) use(mac);
#ifndef OXIM_CORE_ADDRESS_H_
#define OXIM_CORE_ADDRESS_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "oxim/oxim.h"

namespace oxim {

// Modes of validateIPAddress.
inline constexpr int kIpModeAddress = 0;  // refuses 0.0.0.0
inline constexpr int kIpModeHost = 1;     // also refuses 255.255.255.255, 127.x, 255.x
inline constexpr int kIpModeNetmask = 5;  // a contiguous netmask other than 0.0.0.0

// Longest MAC address text ("00:11:22:33:44:55").
inline constexpr size_t kMacTextMax = 17;
inline constexpr size_t kMacBytes = 6;

// Longest iSCSI name; the copy made by validateISCSIName needs one byte more.
inline constexpr size_t kIscsiNameMax = 223;
inline constexpr size_t kIscsiNameSize = 224;
// Last status set by validateISCSIName on a refused name.
inline constexpr uint32_t kStatusInvalidIscsiName = 30;
inline constexpr char kInvalidIscsiNameMessage[] =
    "Invalid iSCSI name. Please use valid iSCSI name as per RFC 3722.";

inline constexpr size_t kIpv6Bytes = 16;
// Size of the buffer U8IPv6ToStr writes (39 characters and the NUL).
inline constexpr size_t kIpv6StrSize = 40;

// The IPv4 check of the handlers: 1 if text (at most 15 characters, digits
// and "." only, four non-empty parts of at most 255) is acceptable for mode,
// 0 if not. octets (may be null) receives the four octets on success.
// Modes other than the named ones only check the form.
int validateIPAddress(const char* text, uint8_t* octets, int mode);

// 1 if text is a MAC address (six groups of two hexadecimal digits,
// separated by five ":" or "-": 17 characters), with the six bytes in bytes
// (may be null); else 0.
int validateMACAddress(const char* text, uint8_t* bytes);

// 0 if name is 1 to 223 characters of lower-case letters, digits, "-", "."
// and ":" or upper-case letters; copy (may be null) then receives the name in
// lower case. Else 1, with last status kStatusInvalidIscsiName and its
// message, and copy untouched. No prefix (iqn., eui.) is required.
// REQUIRES: copy, when given, holds kIscsiNameSize bytes.
int validateISCSIName(const char* name, char* copy);

// 1 if the first n characters of text are hexadecimal digits (also for
// n < 1), else 0. Stops at the NUL, which is no hexadecimal digit.
int is_hex(const char* text, int n);

// Fills 16 bytes from the hexadecimal digits of text, two per byte (first
// digit high nibble), skipping every character that is not a hexadecimal
// digit; bytes without digits stay 0. Meant for the full form written by the
// IPv6 check. An empty or missing text gives the all-zero address.
void StrToU8IPv6(const char* text, uint8_t* bytes);

// Writes the 16 bytes as a compressed IPv6 text ("fe80::1", "1:2::", "0::1")
// in lower case; the all-zero address gives the empty text.
// REQUIRES: text holds kIpv6StrSize bytes.
void U8IPv6ToStr(const uint8_t* bytes, char* text);

// An IP address by value, as the firmware's records hold it.
struct IpAddress {
  bool ipv6 = false;
  std::array<uint8_t, kIpv6Bytes> bytes{};  // IPv4 in the first 4
  bool operator==(const IpAddress&) const = default;
};

// The address an IP text stands for: dotted IPv4 (four decimal parts of at
// most 255, none empty; leading zeros are read as decimal, as the tree's
// check reads them), or IPv6 in any of its text forms (the full form the tree's check
// writes, the compressed form the firmware's records print). nullopt for
// anything else.
std::optional<IpAddress> ParseIpAddress(std::string_view text);
// The one form the library keeps addresses in, so that one address is one
// text in the tree and the saved files: dotted decimal without leading
// zeros ("192.0.2.10"), or the tree's full IPv6 form (8 groups of 4
// upper-case digits).
std::string CanonicalIpText(const IpAddress& address);
// text in that form; a text that is no address comes back unchanged.
std::string CanonicalIpText(std::string_view text);
// Whether two texts name the same address; texts that are no address are
// compared as text, ignoring case.
bool SameIpAddress(std::string_view a, std::string_view b);

// Copies the 16 bytes of an IPv6 address.
void copy_U8IP(uint8_t* dst, const uint8_t* src);
// Widens the 16 bytes of an IPv6 address into 16 32-bit values.
void copy_U32IP(uint32_t* dst, const uint8_t* src);

// Splits a dotted IPv4 text at "." (text is modified) and stores the first
// four parts, read as decimal, in numbers; a missing part is 0 and a number
// beyond 32 bits is UINT32_MAX.
void oxim_getip(char* text, uint32_t* numbers);

// Writes the 32 bits of a.b.c.d (low 8 bits of each) as 32 values of 0 or 1,
// most significant first. REQUIRES: bits holds 32 values.
void oxim_bin(uint32_t a, uint32_t b, uint32_t c, uint32_t d, int* bits);

// Turns length/2 pairs of hexadecimal digits into bytes (each pair read with
// strtoul base 16; an odd last digit is ignored). Never reads past the NUL of
// hex: a shorter text gives fewer bytes. -1 if an argument is missing, else 0.
// REQUIRES: bytes holds length/2 bytes.
int convert_hex_to_bin(const char* hex, int length, uint8_t* bytes);

// Reads text as an unsigned number in base (2 to 36; digits 0-9, then
// letters of either case), stopping at the first character that is not a
// digit of the base. Saturates at ULONG_MAX; 0 for a missing text or another
// base.
unsigned long convert(const char* text, int base);

// Shifts value left / right by n single-bit steps; n of 32 or more gives 0
// (a machine shift would be undefined).
uint32_t ULShl(uint32_t value, uint32_t n);
uint32_t ULShr(uint32_t value, uint32_t n);

// Copies source to destination, replacing every character from by to (turns
// "-" into ":" in a MAC address and back). Copies at most 17 characters (a
// MAC address) and always terminates destination. 1 if source is missing
// (or destination), else 0.
// REQUIRES: destination holds kMacTextMax + 1 bytes.
int convert_mac_text(const char* source, char from, char* destination, char to);

}  // namespace oxim

#endif  // OXIM_CORE_ADDRESS_H_
