// Where a firmware command goes: which of the adapter's two drivers carries
// it, and the function it is for, with the logical HBA (domain) and port its
// request header names. One value instead of positional arguments, so that
// a domain and a port can never change places at a call site.
//
//   const FunctionAddress function{.index = 1, .domain = 0, .port = 2};
//   ioctl_get_beacon_state(function, payload, DriverKind::kNic);
#ifndef OXIM_TRANSPORT_FUNCTION_ADDRESS_H_
#define OXIM_TRANSPORT_FUNCTION_ADDRESS_H_

#include <cstdint>

namespace oxim {

// The driver a firmware command travels through.
enum class DriverKind : int {
  kIscsi = 1,  // one device per iSCSI function
  kNic = 2,    // one device; the command travels in the NIC envelope
};

struct FunctionAddress {
  // Function index within its driver, counted from 1; -1 sends to every
  // function of the driver.
  int index = -1;
  uint8_t domain = 0;  // the logical HBA's instance
  uint8_t port = 0;    // the physical HBA's port number
  friend bool operator==(const FunctionAddress&, const FunctionAddress&) = default;
};

}  // namespace oxim

#endif  // OXIM_TRANSPORT_FUNCTION_ADDRESS_H_
