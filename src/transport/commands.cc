// Firmware command wrappers, generated from command_table.inc; see
// commands.h. Each wrapper is one call of a Run* function for its shape.
#include "transport/commands.h"

#include <optional>

#include "core/log.h"
#include "records/coding.h"
#include "records/driver_records.h"
#include "transport/driver_tables.h"
#include "transport/ioctl.h"

namespace oxim {
namespace {

constexpr uint32_t kMaxRequestLength = records::kMaxCommandBufferSize - records::kRequestHeaderSize;

// The driver a wrapper sends to, or a status to return without sending.
struct Route {
  std::optional<DriverKind> kind;  // set when sending
  uint32_t status = 1;             // returned when kind is not set
};

bool is_driver(DriverKind kind) { return kind == DriverKind::kIscsi || kind == DriverKind::kNic; }

// selector: the caller's driver kind (kind wrappers) or controller instance
// (protocol wrappers); ignored otherwise.
Route Resolve(const CommandInfo& info, int selector) {
  const auto kind = static_cast<DriverKind>(selector);
  switch (info.driver) {
    case CommandDriver::kIscsi: return {DriverKind::kIscsi, 0};
    case CommandDriver::kNic: return {DriverKind::kNic, 0};
    case CommandDriver::kKindLog:
      if (!is_driver(kind)) pdebug(kModuleAdapter, kLogError, "%s:Called\n", info.name);
      [[fallthrough]];
    case CommandDriver::kKind:
      if (is_driver(kind)) return {kind, 0};
      return {std::nullopt, 1};
    case CommandDriver::kProtocol: {
      const int protocol = transport::get_the_protocol(selector);
      if (protocol == 1) return {DriverKind::kIscsi, 0};
      if (protocol == 2) return {DriverKind::kNic, 0};
      return {std::nullopt, 1};
    }
    case CommandDriver::kSign: {
      const int protocol = transport::get_the_protocol(selector);
      if (protocol == 1) return {DriverKind::kIscsi, 0};
      return {std::nullopt, protocol == 2 ? 0u : 1u};
    }
  }
  return {std::nullopt, 1};
}

CommandSpec SpecOf(const CommandInfo& info, uint32_t length) {
  return {.opcode = info.opcode,
          .subsystem = info.subsystem,
          .version = info.version,
          .request_length = length,
          .buffer_size = static_cast<uint32_t>(length + records::kRequestHeaderSize),
          .copy_back = info.copy_back != 0};
}

uint32_t SendPayload(const CommandInfo& info, DriverKind kind, const FunctionAddress& function,
                     std::span<uint8_t> payload, uint32_t length) {
  if (length > kMaxRequestLength || (!payload.empty() && payload.size() < length)) {
    pdebug(kModuleAdapter, kLogError, "%s: request length %u does not fit payload of %zu\n",
           info.name, length, payload.size());
    return 1;
  }
  const CommandSpec command = SpecOf(info, length);
  return kind == DriverKind::kIscsi ? IssueIOCTLWithPayLoad(function, command, payload)
                                    : IssueNICIOCTLWithPayLoad(function, command, payload);
}

uint32_t RunFixed(const CommandInfo& info, const FunctionAddress& function,
                  std::span<uint8_t> payload, int selector) {
  Route route = Resolve(info, selector);
  if (!route.kind) return route.status;
  return SendPayload(info, *route.kind, function, payload, info.request_length);
}

uint32_t RunCaller(const CommandInfo& info, const FunctionAddress& function,
                   std::span<uint8_t> payload, uint32_t length, int selector) {
  Route route = Resolve(info, selector);
  if (!route.kind) return route.status;
  return SendPayload(info, *route.kind, function, payload, length);
}

uint32_t RunSize(const CommandInfo& info, const FunctionAddress& function,
                 std::span<uint8_t> payload, uint16_t* response_length, int selector) {
  Route route = Resolve(info, selector);
  if (!route.kind) return route.status;
  if (!payload.empty() && payload.size() < info.request_length) return 1;
  const CommandSpec command = SpecOf(info, info.request_length);
  return *route.kind == DriverKind::kIscsi
             ? GetIOCTLPayLoadSize(function, command, payload, response_length)
             : GetNICIOCTLPayLoadSize(function, command, payload, response_length);
}

// Read of the firmware trace area: 20 bytes of request plus the read length
// at payload offset 8 (16 bits for the iSCSI driver, 32 for the NIC driver).
uint32_t RunFat(const CommandInfo& info, const FunctionAddress& function,
                std::span<uint8_t> payload, int selector) {
  Route route = Resolve(info, selector);
  if (!route.kind) return route.status;
  constexpr size_t kReadLengthOffset = 8;
  if (payload.size() < info.request_length) {
    pdebug(kModuleAdapter, kLogError, "%s: payload of %zu bytes\n", info.name, payload.size());
    return 1;
  }
  uint32_t read_length = *route.kind == DriverKind::kIscsi
                             ? records::DecodeFixed16(payload.data() + kReadLengthOffset)
                             : records::DecodeFixed32(payload.data() + kReadLengthOffset);
  if (read_length > kMaxRequestLength - info.request_length) return 1;
  return SendPayload(info, *route.kind, function, payload, info.request_length + read_length);
}

// The caller's whole command buffer, header included, sent with IssueIOCTL.
uint32_t RunRawBuffer(const CommandInfo& info, const FunctionAddress& function,
                      std::span<uint8_t> command_buffer, uint32_t length, int selector) {
  Route route = Resolve(info, selector);
  if (!route.kind) return route.status;
  if (length > kMaxRequestLength || command_buffer.size() < records::kRequestHeaderSize + length) {
    return 1;
  }
  const int handle =
      *route.kind == DriverKind::kIscsi ? transport::IscsiHandle(function.index) : -1;
  if (*route.kind == DriverKind::kIscsi && handle == -1) return 1;
  if (IssueIOCTL(handle, *route.kind, function, SpecOf(info, length), command_buffer) != 0) {
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
#define OXIM_SELARG_Kind static_cast<int>(kind)
#define OXIM_SELARG_KindLog static_cast<int>(kind)
#define OXIM_SELARG_Protocol controller
#define OXIM_SELARG_Sign controller
#define OXIM_SELARG_Iscsi 0
#define OXIM_SELARG_Nic 0
#define OXIM_CALL_Fixed(info, sel) RunFixed(info, function, payload, sel)
#define OXIM_CALL_Fat(info, sel) RunFat(info, function, payload, sel)
#define OXIM_CALL_Caller(info, sel) RunCaller(info, function, payload, length, sel)
#define OXIM_CALL_Size(info, sel) RunSize(info, function, payload, response_length, sel)
#define OXIM_CALL_Raw(info, sel) \
  RunRawBuffer(info, function, command_buffer, info.request_length, sel)
#define OXIM_CALL_RawCaller(info, sel) RunRawBuffer(info, function, command_buffer, length, sel)

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
