// The firmware command wrappers, one per command of the catalogue in
// command_table.inc. Each knows its opcode, subsystem, request length,
// version and copy-back flag, picks the driver, and hands the caller's
// payload to the transport (ioctl.h). All return a library status.
//
// Argument shapes (the function: index 1.. or -1 for every function of the
// driver, with the domain and port of the request header):
//   fixed length:   (function, payload[, selector])
//   caller length:  (function, payload, length[, selector])
//   size query:     (function, payload, response_length[, selector])
//   raw:            (function, command_buffer[, length][, selector])
// where the selector is the driver (DriverKind) for kind wrappers and the
// controller instance for protocol wrappers; iSCSI-only and NIC-only
// wrappers take none. The payload must hold the request length (an empty
// span sends zeros and copies nothing back).
//
//   uint8_t attributes[540] = {};
//   uint32_t status = ioctl_fetch_controller_attribs({.index = 1}, attributes,
//                                                    DriverKind::kIscsi);
#ifndef OXIM_TRANSPORT_COMMANDS_H_
#define OXIM_TRANSPORT_COMMANDS_H_

#include <cstdint>
#include <span>

#include "transport/function_address.h"

namespace oxim {

// How a wrapper picks its driver.
enum class CommandDriver : uint8_t { kKind, kKindLog, kProtocol, kSign, kIscsi, kNic };
// Argument shape of a wrapper.
enum class CommandShape : uint8_t { kFixed, kCaller, kSize, kFat, kRaw, kRawCaller };

// One row of the catalogue.
struct CommandInfo {
  const char* name;
  uint8_t opcode;
  uint8_t subsystem;
  CommandShape shape;
  uint16_t request_length;  // fixed length; 0 for the caller's length
  uint8_t version;
  uint8_t copy_back;  // 1 read, 2 write, 3 exchange, 0 raw
  CommandDriver driver;
};

// Parameter lists by shape; OXIM_SEL_* adds the trailing selector.
#define OXIM_SEL_Kind , DriverKind kind
#define OXIM_SEL_KindLog , DriverKind kind
#define OXIM_SEL_Protocol , int controller
#define OXIM_SEL_Sign , int controller
#define OXIM_SEL_Iscsi
#define OXIM_SEL_Nic
#define OXIM_PARAMS_Fixed(sel) const FunctionAddress &function, std::span<uint8_t> payload sel
#define OXIM_PARAMS_Fat(sel) const FunctionAddress &function, std::span<uint8_t> payload sel
#define OXIM_PARAMS_Caller(sel) \
  const FunctionAddress &function, std::span<uint8_t> payload, uint32_t length sel
#define OXIM_PARAMS_Size(sel) \
  const FunctionAddress &function, std::span<uint8_t> payload, uint16_t *response_length sel
#define OXIM_PARAMS_Raw(sel) const FunctionAddress &function, std::span<uint8_t> command_buffer sel
#define OXIM_PARAMS_RawCaller(sel) \
  const FunctionAddress &function, std::span<uint8_t> command_buffer, uint32_t length sel

#define OXIM_COMMAND(name, opcode, subsystem, shape, length, version, direction, driver) \
  [[nodiscard]] uint32_t name(OXIM_PARAMS_##shape(OXIM_SEL_##driver));
#include "transport/command_table.inc"
#undef OXIM_COMMAND

// The whole catalogue, in table order.
std::span<const CommandInfo> CommandCatalogue();

// Name of the first catalogue command with this subsystem, opcode and
// version, for log lines; "unknown" when there is none.
const char* CommandName(uint8_t subsystem, uint8_t opcode, uint8_t version);

}  // namespace oxim

#endif  // OXIM_TRANSPORT_COMMANDS_H_
