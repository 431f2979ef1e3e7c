// Translation of a firmware outcome (status byte, additional status, and the
// command's opcode) into a library status, with the last status and message
// recorded for the client where the firmware's answer has one.
#ifndef OXIM_TRANSPORT_STATUS_MAP_H_
#define OXIM_TRANSPORT_STATUS_MAP_H_

#include <cstdint>

#include "core/status.h"

namespace oxim {

// A destination the firmware could not reach (additional status 19). The
// discovery parameters write answers it without a last status: the caller
// reports it when it goes on regardless.
inline constexpr StatusMessage kHostUnreachable{
    32,
    "Destination host not reachable. Please check cable and network connections and make sure IP "
    "address is valid. For more information, see Troubleshooting section in Quellfire "
    "documentation."};

// Open sessions keep the configuration from being erased (additional status
// 16, and the erase command's own check).
inline constexpr StatusMessage kActiveSessionsPresent{
    41,
    "Active session(s) present. Please log out of all sessions before clearing configuration. "
    "For systems booting from an iSCSI target, configuration can only be cleared using the vIZIZ "
    "Odozez Utility."};

// A command the firmware does not offer (additional status 30): firmware
// without the interface the command belongs to. No last status.
inline constexpr uint32_t kCommandNotSupported = 213;

// Status of a request that did not reach the firmware: always 1.
uint32_t OximStatusFromHBAStatus();

// Maps status / additional status / opcode to a library status; may set the
// last status (oxim_set_last_status). Only the opcode is compared, never the
// subsystem.
uint32_t OximStatusFromIOCTLResponse(uint32_t status, uint32_t additional_status, uint8_t opcode);

}  // namespace oxim

#endif  // OXIM_TRANSPORT_STATUS_MAP_H_
