// Exported text services: the IPv6 address check and MAC address separators.
#include "api/guard.h"
#include "core/address.h"
#include "core/validate.h"
#include "oxim/oxim_services.h"

extern "C" {

int oxim_validate_ipv6(char* text) {
  return oxim::guarded(__func__, int{oxim::kValueInvalid},
                       [&] { return oxim::ValidateIpv6(text); });
}

int validateIPv6Address(char* text) {
  return oxim::guarded(__func__, int{oxim::kValueInvalid},
                       [&] { return oxim::ValidateIpv6(text); });
}

int OXIM_convert_mac_addr(const char* source, char from, char* destination, char to) {
  return oxim::guarded(__func__, 1,
                       [&] { return oxim::convert_mac_text(source, from, destination, to); });
}

}  // extern "C"
