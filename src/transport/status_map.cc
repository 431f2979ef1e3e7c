// Firmware status to library status; see status_map.h.
#include "transport/status_map.h"

#include "core/last_status.h"

namespace oxim {
namespace {

// Result of one row: the status returned, and the last status recorded with
// its message (code 0: nothing recorded).
struct Row {
  uint32_t returns;
  uint32_t last_code = 0;
  const char* message = nullptr;
};

// Statuses 1 and 2: the additional status selects the row.
Row MapCommandFailure(uint32_t additional, uint8_t opcode) {
  switch (additional) {
    case 0: return {116};
    case 16: return {1, kActiveSessionsPresent.code, kActiveSessionsPresent.message};
    case 17: return {1, 27, "Session already opened."};
    case 18:
      return {35, 35, "Failed to get session related info, because session is in closed state."};
    case 19:
      if (opcode == 29) return {32};
      return {kHostUnreachable.code, kHostUnreachable.code, kHostUnreachable.message};
    case 21:
      return {1, 23,
              "TCP Connect Failure. Please make sure that the target is enabled and operational."};
    case 22: return {245};
    case 23: return {1, 52, "The Link Status is Down. Please check the cable."};
    case 24:
      return {0, 33,
              "An error occurred changing the DHCP setting. Please check the configuration on the "
              "network and the DHCP server."};
    case 30: return {kCommandNotSupported};
    case 43:
      return {1, 24,
              "Initiator error. Please make sure your initiator is configured and enabled at the "
              "target."};
    case 44:
      if (opcode == 23 || opcode == 27) return {25};
      return {1, 25,
              "Authentication failure. Please make sure your initiator is properly enabled for "
              "authentication at the target."};
    case 45:
      return {1, 26,
              "Authorization failure. Please make sure you are using the correct CHAP username "
              "and secret."};
    case 46: return {144, 144, "The requested target does not exist at this address."};
    case 56:
      return {1, 164,
              "Login Service not available. Please make sure that the target is operational."};
    case 58:
      return {1, 38,
              "Initiator CHAP secret is same as target CHAP secret. Please set a different "
              "initiator CHAP secret from the target CHAP secret."};
    case 59:
      return {1, 37,
              "Invalid Secret Length. Please make sure that the secret is over 12 characters and "
              "less than 16 characters in length."};
    case 75: return {opcode == 57 ? 229u : 327u};
    case 77: return {1, 136, "Unable to flash the firmware image as there is a CRC mismatch."};
    case 79:
    case 81: return {151};
    case 83: return {153, 153, "This LoopBack type is not supported on this Quellfire controller."};
    case 84:
      return {154, 154,
              "The given port is already in loopback state, only after exiting this loopback "
              "mode, a new loopback type can be applied."};
    case 85: return {155};
    case 99: return {198};
    case 100: return {243};
    case 104: return {253};
    case 162: return {262};
    default: return {5};
  }
}

Row MapStatus(uint32_t status, uint32_t additional, uint8_t opcode) {
  switch (status) {
    case 0: return {0};
    case 1:
    case 2: return MapCommandFailure(additional, opcode);
    case 3: return {opcode == 57 ? 229u : 1u};
    case 4: return {31};
    case 5:
      if (additional == 0) return {196, 196, "IOCTL is not supported for the VF at all."};
      if (additional == 96) {
        return {195, 195, "IOCTL is not supported with the current privilege level."};
      }
      return {5};
    case 20:
      if (opcode == 23) return {1, 175, "The Target count exceeded the configured maximum limit."};
      return {1};
    case 31: return {(opcode == 24 || opcode == 28) ? 0u : 28u};
    case 44: return {55};
    case 46:
      if (additional == 0) {
        return {1, 45,
                "The Quellfire iSCSI initiator TCP/IP settings are not configured. Please "
                "configure the TCP/IP settings before issuing this command."};
      }
      return {5};
    case 49:
      return {1, 117,
              "The target logout request did not complete because IOs were pending. Please "
              "quiesce IO to the device and re-attempt the logout."};
    case 66:
      if (additional == 103 && opcode == 69) return {236};
      if (opcode == 8 || opcode == 12 || opcode == 69 || opcode == 70 || opcode == 73) {
        return {149};
      }
      return {149, 149, "This Operation is not supported."};
    default: return {1};
  }
}

}  // namespace

uint32_t OximStatusFromHBAStatus() { return 1; }

uint32_t OximStatusFromIOCTLResponse(uint32_t status, uint32_t additional_status, uint8_t opcode) {
  Row row = MapStatus(status, additional_status, opcode);
  if (row.last_code != 0) oxim_set_last_status(row.last_code, row.message);
  return row.returns;
}

}  // namespace oxim
