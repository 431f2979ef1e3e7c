// The firmware commands of the emulated iSCSI functions' IP stacks
// (network_model.h): the interface list and information, address records,
// DHCP, VLAN, default gateways, the route and ARP tables and ping; the MAC
// query, network parameters and link status of every function; and the
// initiator and login statistics. QF2 and QF3 have no IPv6 stack: their
// IPv6 requests answer 66. Registered in the firmware's table (firmware.cc).
#ifndef OXIM_EMULATOR_NETWORK_FIRMWARE_H_
#define OXIM_EMULATOR_NETWORK_FIRMWARE_H_

#include <span>

#include "firmware.h"

namespace oxim::emulator {

// How long a real ping waits for its reply.
inline constexpr std::chrono::milliseconds kPingBound{2000};

std::span<const HandlerEntry> NetworkHandlers();

}  // namespace oxim::emulator

#endif  // OXIM_EMULATOR_NETWORK_FIRMWARE_H_
