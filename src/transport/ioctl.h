// Driver request transport: sends one firmware command through the iSCSI
// driver (one device per function) or the NIC driver (one device, the
// command wrapped in the NIC envelope), with the time-out rule, the payload
// forms, the size query of the two-call pattern and addressing by function
// (index -1: every function of the driver).
//
// Every request carries its own command description and every NIC request
// opens its own NIC device handle for its duration, so requests of several
// threads never share per-request state.
//
//   uint8_t attributes[540] = {};
//   const CommandSpec fetch{.opcode = 32, .subsystem = 1, .request_length = 540,
//                           .buffer_size = 540 + 16, .copy_back = true};
//   uint32_t status = IssueIOCTLWithPayLoad({.index = 1}, fetch, attributes);
#ifndef OXIM_TRANSPORT_IOCTL_H_
#define OXIM_TRANSPORT_IOCTL_H_

#include <cstdint>
#include <span>

#include "records/driver_records.h"
#include "records/request_header.h"
#include "transport/function_address.h"
#include "transport/status_map.h"

namespace oxim {

// Status IssueIOCTL returns when the iSCSI driver call fails with EIO.
inline constexpr uint32_t kStatusDriverIo = 295;

// One firmware command as the transport sends it.
struct CommandSpec {
  uint8_t opcode = 0;
  uint8_t subsystem = 0;
  uint8_t version = 0;          // 0 or 1
  uint32_t request_length = 0;  // payload bytes, header not counted
  // Bytes of the command buffer, header included; at least 16 +
  // request_length.
  uint32_t buffer_size = 0;
  // Copy the answer area back into the caller's payload (also after a
  // failed command).
  bool copy_back = false;
};

// Seconds written to Timeout: 30 for the NIC driver, 120 otherwise; opcode
// 18 gives 20 in subsystem 2 and 11 in any other subsystem.
[[nodiscard]] uint32_t TimeoutFor(DriverKind kind, uint8_t opcode, uint8_t subsystem);

// Fills the request header of `command_buffer` and hands it to the driver
// of `kind` (the iSCSI driver on `handle`; the NIC driver in an envelope
// naming NIC function function.index, on a NIC device handle opened for
// this request after the NIC refresh). Returns 0 when the request was
// delivered (the response header then holds the outcome), 295 when the
// iSCSI driver failed with EIO, 1 when nothing could be sent (unknown kind
// or NIC function, buffer shorter than 16 + request length, envelope
// allocation, device open, NIC set changed).
[[nodiscard]] uint32_t IssueIOCTL(int handle, DriverKind kind, const FunctionAddress& function,
                                  const CommandSpec& command, std::span<uint8_t> command_buffer);

// Builds a zeroed command buffer of command.buffer_size bytes around the
// payload (its first request_length bytes; an empty span sends zeros),
// sends it, copies the answer area back when command.copy_back is set, and
// maps the outcome. A buffer below request_length + 16, or a payload shorter
// than request_length, sends nothing and returns 1.
[[nodiscard]] uint32_t Send_Ioctl_PayLoad(int handle, DriverKind kind,
                                          const FunctionAddress& function,
                                          const CommandSpec& command, std::span<uint8_t> payload);

// iSCSI form: the handle of the function; index -1 sends on every open
// handle in slot order and returns the last status (0 when none is open).
[[nodiscard]] uint32_t IssueIOCTLWithPayLoad(const FunctionAddress& function,
                                             const CommandSpec& command,
                                             std::span<uint8_t> payload);

// NIC form: NIC function function.index; -1 sends once for each NIC
// function 1..count and returns the last status (0 when there is none).
[[nodiscard]] uint32_t IssueNICIOCTLWithPayLoad(const FunctionAddress& function,
                                                const CommandSpec& command,
                                                std::span<uint8_t> payload);

// First call of the two-call pattern: status 0 and 4 both succeed, copy
// request_length bytes of the answer into the payload (if given) and store
// the low 16 bits of the actual response length (if asked); other statuses
// are mapped.
[[nodiscard]] uint32_t Send_Ioctl_Get_PayLoadSize(int handle, DriverKind kind,
                                                  const FunctionAddress& function,
                                                  const CommandSpec& command,
                                                  std::span<uint8_t> payload,
                                                  uint16_t* response_length);
[[nodiscard]] uint32_t GetIOCTLPayLoadSize(const FunctionAddress& function,
                                           const CommandSpec& command, std::span<uint8_t> payload,
                                           uint16_t* response_length);
[[nodiscard]] uint32_t GetNICIOCTLPayLoadSize(const FunctionAddress& function,
                                              const CommandSpec& command,
                                              std::span<uint8_t> payload,
                                              uint16_t* response_length);

// A NIC driver request other than a firmware command (4, 6, 7, 8) on a NIC
// device handle opened for it; requests 4, 7 and 8 run the NIC refresh
// first. 0 on success, 1 when the device cannot be opened, the NIC set
// changed or the driver call failed.
[[nodiscard]] uint32_t IssueNicDriverRequest(unsigned long request, std::span<uint8_t> record);

// An iSCSI driver request other than a firmware command (1, the host adapter
// name) on the handle of function `function_index`. 0 on success, 1 when
// the function has no handle or the driver call failed.
[[nodiscard]] uint32_t IssueIscsiDriverRequest(int function_index, unsigned long request,
                                               std::span<uint8_t> record);

}  // namespace oxim

#endif  // OXIM_TRANSPORT_IOCTL_H_
