// The firmware command wrappers, one per command of the catalogue in
// command_table.inc. Each knows its opcode, subsystem, request length,
// version and copy-back flag, picks the driver, and hands the caller's
// payload to the transport (ioctl.h). All return a library status.
//
// Argument shapes (function index: 1.. or -1 for every function):
//   fixed length:   (function_index, payload, domain, port_number[, selector])
//   caller length:  (function_index, payload, length, domain, port_number[, selector])
//   size query:     (function_index, payload, response_length, domain, port_number[, selector])
//   raw:            (function_index, command_buffer[, length], domain, port_number, kind)
// where the selector is the driver kind (1 iSCSI, 2 NIC) for kind wrappers
// and the controller instance for protocol wrappers; iSCSI-only and NIC-only
// wrappers take none. The payload must hold the request length (an empty
// span sends zeros and copies nothing back).
//
//   uint8_t attributes[540] = {};
//   uint32_t status = ioctl_fetch_controller_attribs(1, attributes, 0, 0, kDriverIscsi);
#ifndef OXIM_TRANSPORT_COMMANDS_H_
#define OXIM_TRANSPORT_COMMANDS_H_

#include <cstdint>
#include <span>

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
#define OXIM_SEL_Kind , int selector
#define OXIM_SEL_KindLog , int selector
#define OXIM_SEL_Protocol , int selector
#define OXIM_SEL_Sign , int selector
#define OXIM_SEL_Iscsi
#define OXIM_SEL_Nic
#define OXIM_PARAMS_Fixed(sel) \
  int function_index, std::span<uint8_t> payload, uint8_t domain, uint8_t port_number sel
#define OXIM_PARAMS_Fat(sel) \
  int function_index, std::span<uint8_t> payload, uint8_t domain, uint8_t port_number sel
#define OXIM_PARAMS_Caller(sel)                                                    \
  int function_index, std::span<uint8_t> payload, uint32_t length, uint8_t domain, \
      uint8_t port_number sel
#define OXIM_PARAMS_Size(sel)                                                                \
  int function_index, std::span<uint8_t> payload, uint16_t *response_length, uint8_t domain, \
      uint8_t port_number sel
#define OXIM_PARAMS_Raw(sel) \
  int function_index, std::span<uint8_t> command_buffer, uint8_t domain, uint8_t port_number sel
#define OXIM_PARAMS_RawCaller(sel)                                                        \
  int function_index, std::span<uint8_t> command_buffer, uint32_t length, uint8_t domain, \
      uint8_t port_number sel

#define OXIM_COMMAND(name, opcode, subsystem, shape, length, version, direction, driver) \
  uint32_t name(OXIM_PARAMS_##shape(OXIM_SEL_##driver));
#include "transport/command_table.inc"
#undef OXIM_COMMAND

// The whole catalogue, in table order.
std::span<const CommandInfo> CommandCatalogue();

// Name of the first catalogue command with this subsystem, opcode and
// version, for log lines; "unknown" when there is none.
const char* CommandName(uint8_t subsystem, uint8_t opcode, uint8_t version);

}  // namespace oxim

#endif  // OXIM_TRANSPORT_COMMANDS_H_
