// Firmware command wrappers, generated from command_table.inc; see
// commands.h. Each wrapper is one call of a Run* function for its shape.
#include "transport/commands.h"

#include "core/log.h"
#include "records/coding.h"
#include "records/driver_records.h"
#include "transport/driver_tables.h"
#include "transport/ioctl.h"

namespace oxim {
namespace {

using records::kDriverIscsi;
using records::kDriverNic;

constexpr uint32_t kMaxRequestLength = records::kMaxCommandBufferSize - records::kRequestHeaderSize;

// The driver a wrapper sends to, or a status to return without sending.
struct Route {
  int kind = 0;         // 1 or 2 when sending
  uint32_t status = 1;  // returned when kind is 0
};

Route Resolve(const CommandInfo& info, int selector) {
  switch (info.driver) {
    case CommandDriver::kIscsi: return {kDriverIscsi, 0};
    case CommandDriver::kNic: return {kDriverNic, 0};
    case CommandDriver::kKindLog:
      if (selector != kDriverIscsi && selector != kDriverNic) {
        pdebug(kModuleAdapter, kLogError, "%s:Called\n", info.name);
      }
      [[fallthrough]];
    case CommandDriver::kKind:
      if (selector == kDriverIscsi || selector == kDriverNic) return {selector, 0};
      return {0, 1};
    case CommandDriver::kProtocol: {
      int protocol = transport::get_the_protocol(selector);
      if (protocol == 1) return {kDriverIscsi, 0};
      if (protocol == 2) return {kDriverNic, 0};
      return {0, 1};
    }
    case CommandDriver::kSign: {
      int protocol = transport::get_the_protocol(selector);
      if (protocol == 1) return {kDriverIscsi, 0};
      return {0, protocol == 2 ? 0u : 1u};
    }
  }
  return {0, 1};
}

uint32_t SendPayload(const CommandInfo& info, int kind, int function_index,
                     std::span<uint8_t> payload, uint32_t length, uint8_t domain,
                     uint8_t port_number) {
  if (length > kMaxRequestLength || (!payload.empty() && payload.size() < length)) {
    pdebug(kModuleAdapter, kLogError, "%s: request length %u does not fit payload of %zu\n",
           info.name, length, payload.size());
    return 1;
  }
  auto request_length = static_cast<uint16_t>(length);
  auto buffer_size = static_cast<uint16_t>(length + records::kRequestHeaderSize);
  if (kind == kDriverIscsi) {
    return IssueIOCTLWithPayLoad(function_index, info.opcode, info.subsystem, request_length,
                                 buffer_size, payload, info.copy_back, domain, port_number,
                                 info.version);
  }
  return IssueNICIOCTLWithPayLoad(function_index, info.opcode, info.subsystem, request_length,
                                  buffer_size, payload, info.copy_back, domain, port_number,
                                  info.version);
}

uint32_t RunFixed(const CommandInfo& info, int function_index, std::span<uint8_t> payload,
                  uint8_t domain, uint8_t port_number, int selector) {
  Route route = Resolve(info, selector);
  if (route.kind == 0) return route.status;
  return SendPayload(info, route.kind, function_index, payload, info.request_length, domain,
                     port_number);
}

uint32_t RunCaller(const CommandInfo& info, int function_index, std::span<uint8_t> payload,
                   uint32_t length, uint8_t domain, uint8_t port_number, int selector) {
  Route route = Resolve(info, selector);
  if (route.kind == 0) return route.status;
  return SendPayload(info, route.kind, function_index, payload, length, domain, port_number);
}

uint32_t RunSize(const CommandInfo& info, int function_index, std::span<uint8_t> payload,
                 uint16_t* response_length, uint8_t domain, uint8_t port_number, int selector) {
  Route route = Resolve(info, selector);
  if (route.kind == 0) return route.status;
  uint16_t length = info.request_length;
  if (!payload.empty() && payload.size() < length) return 1;
  auto buffer_size = static_cast<uint16_t>(length + records::kRequestHeaderSize);
  if (route.kind == kDriverIscsi) {
    return GetIOCTLPayLoadSize(function_index, info.opcode, info.subsystem, length, buffer_size,
                               payload, response_length, domain, port_number, info.version);
  }
  return GetNICIOCTLPayLoadSize(function_index, info.opcode, info.subsystem, length, buffer_size,
                                payload, response_length, domain, port_number, info.version);
}

// Read of the firmware trace area: 20 bytes of request plus the read length
// at payload offset 8 (16 bits for the iSCSI driver, 32 for the NIC driver).
uint32_t RunFat(const CommandInfo& info, int function_index, std::span<uint8_t> payload,
                uint8_t domain, uint8_t port_number, int selector) {
  Route route = Resolve(info, selector);
  if (route.kind == 0) return route.status;
  constexpr size_t kReadLengthOffset = 8;
  if (payload.size() < info.request_length) {
    pdebug(kModuleAdapter, kLogError, "%s: payload of %zu bytes\n", info.name, payload.size());
    return 1;
  }
  uint32_t read_length = route.kind == kDriverIscsi
                             ? records::DecodeFixed16(payload.data() + kReadLengthOffset)
                             : records::DecodeFixed32(payload.data() + kReadLengthOffset);
  if (read_length > kMaxRequestLength - info.request_length) return 1;
  return SendPayload(info, route.kind, function_index, payload, info.request_length + read_length,
                     domain, port_number);
}

// The caller's whole command buffer, header included, sent with IssueIOCTL.
uint32_t RunRawBuffer(const CommandInfo& info, int function_index,
                      std::span<uint8_t> command_buffer, uint32_t length, uint8_t domain,
                      uint8_t port_number, int selector) {
  Route route = Resolve(info, selector);
  if (route.kind == 0) return route.status;
  if (length > kMaxRequestLength || command_buffer.size() < records::kRequestHeaderSize + length) {
    return 1;
  }
  int handle = route.kind == kDriverIscsi ? transport::IscsiHandle(function_index) : -1;
  if (route.kind == kDriverIscsi && handle == -1) return 1;
  if (IssueIOCTL(handle, info.opcode, info.subsystem, length, command_buffer, domain, port_number,
                 route.kind, function_index, info.version) != 0) {
    return 1;
  }
  std::optional<records::ResponseHeader> response = records::DecodeResponseHeader(command_buffer);
  if (!response || response->status == 0) return 0;
  pdebug(kModuleAdapter, kLogError,
         "%s:IOCTL with opcode:0x%x subsystem:0x%x failed with status 0x%x\n", info.name,
         info.opcode, info.subsystem, response->status);
  pdebug(kModuleAdapter, kLogError, "%s:Actual response length = %d\n", info.name,
         static_cast<int>(response->response_length));
  pdebug(kModuleAdapter, kLogError, "%s:Additional status = 0x%x\n", info.name,
         response->additional_status);
  return OximStatusFromIOCTLResponse(response->status, response->additional_status, info.opcode);
}

// Catalogue rows as data.
constexpr uint8_t kCopy_R = 1;
constexpr uint8_t kCopy_W = 2;
constexpr uint8_t kCopy_X = 3;
constexpr uint8_t kCopy_S = 1;
constexpr uint8_t kCopy_N = 0;

constexpr CommandInfo kCatalogue[] = {
// clang-format off
#define OXIM_COMMAND(name, opcode, subsystem, shape, length, version, direction, driver) \
  {#name, opcode, subsystem, CommandShape::k##shape, length, version, kCopy_##direction, \
   CommandDriver::k##driver},
// clang-format on
#include "transport/command_table.inc"
#undef OXIM_COMMAND
};

// Index of each command in kCatalogue.
enum CatalogueIndex : size_t {
#define OXIM_COMMAND(name, ...) kIndex_##name,
#include "transport/command_table.inc"
#undef OXIM_COMMAND
};

// Call arguments by shape, matching OXIM_PARAMS_* of commands.h.
#define OXIM_SELARG_Kind selector
#define OXIM_SELARG_KindLog selector
#define OXIM_SELARG_Protocol selector
#define OXIM_SELARG_Sign selector
#define OXIM_SELARG_Iscsi 0
#define OXIM_SELARG_Nic 0
#define OXIM_CALL_Fixed(info, sel) RunFixed(info, function_index, payload, domain, port_number, sel)
#define OXIM_CALL_Fat(info, sel) RunFat(info, function_index, payload, domain, port_number, sel)
#define OXIM_CALL_Caller(info, sel) \
  RunCaller(info, function_index, payload, length, domain, port_number, sel)
#define OXIM_CALL_Size(info, sel) \
  RunSize(info, function_index, payload, response_length, domain, port_number, sel)
#define OXIM_CALL_Raw(info, sel) \
  RunRawBuffer(info, function_index, command_buffer, info.request_length, domain, port_number, sel)
#define OXIM_CALL_RawCaller(info, sel) \
  RunRawBuffer(info, function_index, command_buffer, length, domain, port_number, sel)

}  // namespace

#define OXIM_COMMAND(name, opcode, subsystem, shape, length, version, direction, driver) \
  uint32_t name(OXIM_PARAMS_##shape(OXIM_SEL_##driver)) {                                \
    return OXIM_CALL_##shape(kCatalogue[kIndex_##name], OXIM_SELARG_##driver);           \
  }
#include "transport/command_table.inc"
#undef OXIM_COMMAND

std::span<const CommandInfo> CommandCatalogue() { return kCatalogue; }

const char* CommandName(uint8_t subsystem, uint8_t opcode, uint8_t version) {
  for (const CommandInfo& info : kCatalogue) {
    if (info.subsystem == subsystem && info.opcode == opcode && info.version == version) {
      return info.name;
    }
  }
  return "unknown";
}

}  // namespace oxim
