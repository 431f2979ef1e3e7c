// Driver request transport; see ioctl.h.
#include "transport/ioctl.h"

#include <cerrno>
#include <cstring>

#include "core/alloc.h"
#include "core/log.h"
#include "platform/device_backend.h"
#include "transport/driver_tables.h"

namespace oxim {
namespace {

// A zero-filled block from the counted allocator, freed on scope exit.
class CountedBuffer {
 public:
  explicit CountedBuffer(size_t size)
      : data_(static_cast<uint8_t*>(oxim_dmalloc(size == 0 ? 1 : size))), size_(size) {
    if (data_ != nullptr) std::memset(data_, 0, size_ == 0 ? 1 : size_);
  }
  ~CountedBuffer() { oxim_dfree(data_); }
  CountedBuffer(const CountedBuffer&) = delete;
  CountedBuffer& operator=(const CountedBuffer&) = delete;
  bool ok() const { return data_ != nullptr; }
  std::span<uint8_t> span() { return {data_, size_}; }

 private:
  uint8_t* data_;
  size_t size_;
};

void DumpHeader(const records::RequestHeader& h) {
  if (log_level() < kLogDebug) return;
  pdebug(kModuleAdapter, kLogDebug, "IOCTL HEADER DUMP\n");
  pdebug(kModuleAdapter, kLogDebug, "PageCode = 0x%x\n", h.opcode);
  pdebug(kModuleAdapter, kLogDebug, "subsystem = 0x%x\n", h.subsystem);
  pdebug(kModuleAdapter, kLogDebug, "port_number = %d\n", h.port_number);
  pdebug(kModuleAdapter, kLogDebug, "domain = %d\n", h.domain);
  pdebug(kModuleAdapter, kLogDebug, "Timeout = %u\n", h.timeout);
  pdebug(kModuleAdapter, kLogDebug, "request_length = %u\n", h.request_length);
  pdebug(kModuleAdapter, kLogDebug, "version = %d\n", h.version);
}

void LogDriverFailure(int result, int error) {
  pdebug(kModuleAdapter, kLogError,
         "Unable to process command ioctl_result = %d errno = %d err_str = %s\n", result, error,
         std::strerror(error));
}

// Opens the NIC device for one request and runs the NIC refresh. Returns
// the handle, or -1 (nothing to close) when the device cannot be opened or
// the NIC set changed.
int OpenNicForRequest() {
  int handle = platform::OpenDevice(records::kNicDevicePath);
  if (handle < 0) {
    pdebug(kModuleAdapter, kLogError, "could not open device node %s\n", records::kNicDevicePath);
    return -1;
  }
  if (transport::RunNicRefresh(handle)) {
    platform::CloseDevice(handle);
    return -1;
  }
  return handle;
}

// Sends the command buffer to the NIC driver in an envelope. Returns the
// driver's IoResult, or nullopt when nothing was sent.
std::optional<platform::IoResult> SendNic(std::span<uint8_t> command, int function_index) {
  std::optional<records::PciAddress> address = transport::NicFunction(function_index);
  if (!address) {
    pdebug(kModuleAdapter, kLogError, "%s: no NIC function %d\n", __func__, function_index);
    return std::nullopt;
  }
  CountedBuffer envelope(records::kNicEnvelopeOverhead + command.size());
  if (!envelope.ok()) {
    pdebug(kModuleAdapter, kLogError, "Error:Failed to allocate pnicioctlbuffer\n");
    return std::nullopt;
  }
  std::span<uint8_t> env = envelope.span();
  records::EncodeNicEnvelopePrefix(env, *address);
  std::memcpy(env.data() + records::kNicCommandOffset, command.data(), command.size());
  int handle = OpenNicForRequest();
  if (handle < 0) return std::nullopt;
  platform::IoResult result = platform::DeviceIoctl(handle, records::kNicFirmwareRequest, env);
  std::memcpy(command.data(), env.data() + records::kNicCommandOffset, command.size());
  platform::CloseDevice(handle);
  return result;
}

// The response header of a sent buffer. REQUIRES: buffer holds 16 bytes.
records::ResponseHeader Response(std::span<const uint8_t> buffer) {
  return records::DecodeResponseHeader(buffer).value_or(records::ResponseHeader{});
}

// Checks the sizes every payload form depends on. Logs and returns false
// when the buffer cannot hold the request, is larger than any driver takes,
// or the payload is short.
bool SizesFit(const char* caller, const CommandSpec& command, std::span<uint8_t> payload) {
  if (command.buffer_size > records::kMaxCommandBufferSize ||
      static_cast<size_t>(command.buffer_size) <
          records::kRequestHeaderSize + command.request_length ||
      (!payload.empty() && payload.size() < command.request_length)) {
    pdebug(kModuleAdapter, kLogError,
           "%s: request length %u does not fit buffer size %u / payload %zu\n", caller,
           command.request_length, command.buffer_size, payload.size());
    return false;
  }
  return true;
}

}  // namespace

namespace {
// Puts the payload into the zero-filled command buffer and sends it. 0 when
// the request was delivered (the buffer then holds the answer), else the
// status the payload forms return.
uint32_t BuildAndSend(CountedBuffer& buffer, int handle, DriverKind kind,
                      const FunctionAddress& function, const CommandSpec& command,
                      std::span<uint8_t> payload) {
  if (!buffer.ok()) {
    pdebug(kModuleAdapter, kLogError, "%s:Failed to Allocate memory\n", __func__);
    return 1;
  }
  std::span<uint8_t> bytes = buffer.span();
  if (!payload.empty()) {
    std::memcpy(bytes.data() + records::kPayloadOffset, payload.data(), command.request_length);
  }
  if (IssueIOCTL(handle, kind, function, command, bytes) != 0) return OximStatusFromHBAStatus();
  return 0;
}

// The function at index k of a driver, with the address's domain and port.
FunctionAddress At(const FunctionAddress& function, int k) {
  return {.index = k, .domain = function.domain, .port = function.port};
}

// Logs a firmware failure unless it is one that callers expect quietly
// (additional status 23).
void LogFailure(const char* caller, const CommandSpec& command,
                const records::ResponseHeader& response) {
  if (response.additional_status == 23) return;
  pdebug(kModuleAdapter, kLogError,
         "%s: The IOCTL with opcode:0x%x subsystem:0x%x failed with status 0x%x\n", caller,
         command.opcode, command.subsystem, response.status);
  pdebug(kModuleAdapter, kLogError, "%s: actual response length is %d\n", caller,
         static_cast<int>(response.response_length));
  pdebug(kModuleAdapter, kLogError, "additional status is:0x%x\n", response.additional_status);
}
}  // namespace

uint32_t TimeoutFor(DriverKind kind, uint8_t opcode, uint8_t subsystem) {
  if (opcode == 18) return subsystem == 2 ? 20 : 11;
  return kind == DriverKind::kNic ? 30 : 120;
}

uint32_t IssueIOCTL(int handle, DriverKind kind, const FunctionAddress& function,
                    const CommandSpec& command, std::span<uint8_t> command_buffer) {
  const uint32_t request_length = command.request_length;
  if (request_length > records::kMaxCommandBufferSize - records::kRequestHeaderSize ||
      command_buffer.size() < records::kRequestHeaderSize + request_length) {
    pdebug(kModuleAdapter, kLogError, "%s: command buffer of %zu bytes for request length %u\n",
           __func__, command_buffer.size(), request_length);
    return 1;
  }
  const records::RequestHeader header{
      .opcode = command.opcode,
      .subsystem = command.subsystem,
      .port_number = function.port,
      .domain = function.domain,
      .timeout = TimeoutFor(kind, command.opcode, command.subsystem),
      .request_length = request_length,
      .version = command.version};
  records::EncodeRequestHeader(command_buffer, header);
  DumpHeader(header);

  platform::IoResult result;
  if (kind == DriverKind::kIscsi) {
    result = platform::DeviceIoctl(handle, records::kIscsiFirmwareRequest, command_buffer);
  } else if (kind == DriverKind::kNic) {
    std::optional<platform::IoResult> sent =
        SendNic(command_buffer.first(records::kRequestHeaderSize + request_length), function.index);
    if (!sent) return 1;
    result = *sent;
  } else {
    LogDriverFailure(-1, 0);
    return 1;
  }
  if (result.result == 0) return 0;
  LogDriverFailure(result.result, result.error);
  if (kind == DriverKind::kIscsi && result.error == EIO) return kStatusDriverIo;
  return 0;
}

uint32_t Send_Ioctl_PayLoad(int handle, DriverKind kind, const FunctionAddress& function,
                            const CommandSpec& command, std::span<uint8_t> payload) {
  if (!SizesFit(__func__, command, payload)) return 1;
  CountedBuffer buffer(command.buffer_size);
  if (uint32_t status = BuildAndSend(buffer, handle, kind, function, command, payload)) {
    return status;
  }
  std::span<uint8_t> bytes = buffer.span();
  if (command.copy_back && !payload.empty()) {
    std::memcpy(payload.data(), bytes.data() + records::kPayloadOffset, command.request_length);
  }
  records::ResponseHeader response = Response(bytes);
  if (response.status == 0) return 0;
  LogFailure(__func__, command, response);
  return OximStatusFromIOCTLResponse(response.status, response.additional_status, command.opcode);
}

uint32_t IssueIOCTLWithPayLoad(const FunctionAddress& function, const CommandSpec& command,
                               std::span<uint8_t> payload) {
  if (function.index == -1) {
    uint32_t status = 0;
    for (int handle : transport::OpenIscsiHandles()) {
      status = Send_Ioctl_PayLoad(handle, DriverKind::kIscsi, function, command, payload);
    }
    return status;
  }
  int handle = transport::IscsiHandle(function.index);
  pdebug(kModuleAdapter, kLogInfo, "%s: oshandle is %d\n", __func__, handle);
  if (handle == -1) return OximStatusFromHBAStatus();
  return Send_Ioctl_PayLoad(handle, DriverKind::kIscsi, function, command, payload);
}

uint32_t IssueNICIOCTLWithPayLoad(const FunctionAddress& function, const CommandSpec& command,
                                  std::span<uint8_t> payload) {
  if (function.index == -1) {
    uint32_t status = 0;
    const int count = transport::NicFunctionCount();
    for (int k = 1; k <= count; ++k) {
      status = Send_Ioctl_PayLoad(-1, DriverKind::kNic, At(function, k), command, payload);
    }
    return status;
  }
  return Send_Ioctl_PayLoad(-1, DriverKind::kNic, function, command, payload);
}

uint32_t Send_Ioctl_Get_PayLoadSize(int handle, DriverKind kind, const FunctionAddress& function,
                                    const CommandSpec& command, std::span<uint8_t> payload,
                                    uint16_t* response_length) {
  if (!SizesFit(__func__, command, payload)) return 1;
  CountedBuffer buffer(command.buffer_size);
  if (uint32_t status = BuildAndSend(buffer, handle, kind, function, command, payload)) {
    return status;
  }
  std::span<uint8_t> bytes = buffer.span();
  records::ResponseHeader response = Response(bytes);
  if (response.status == 0 || response.status == 4) {
    if (!payload.empty()) {
      std::memcpy(payload.data(), bytes.data() + records::kPayloadOffset, command.request_length);
    }
    if (response_length != nullptr) {
      *response_length = static_cast<uint16_t>(response.response_length & 0xFFFF);
    }
    return 0;
  }
  LogFailure(__func__, command, response);
  return OximStatusFromIOCTLResponse(response.status, response.additional_status, command.opcode);
}

uint32_t GetIOCTLPayLoadSize(const FunctionAddress& function, const CommandSpec& command,
                             std::span<uint8_t> payload, uint16_t* response_length) {
  if (function.index == -1) {
    uint32_t status = 0;
    for (int handle : transport::OpenIscsiHandles()) {
      status = Send_Ioctl_Get_PayLoadSize(handle, DriverKind::kIscsi, function, command, payload,
                                          response_length);
    }
    return status;
  }
  int handle = transport::IscsiHandle(function.index);
  pdebug(kModuleAdapter, kLogInfo, "%s: oshandle is %d\n", __func__, handle);
  if (handle == -1) return OximStatusFromHBAStatus();
  return Send_Ioctl_Get_PayLoadSize(handle, DriverKind::kIscsi, function, command, payload,
                                    response_length);
}

uint32_t GetNICIOCTLPayLoadSize(const FunctionAddress& function, const CommandSpec& command,
                                std::span<uint8_t> payload, uint16_t* response_length) {
  if (function.index == -1) {
    uint32_t status = 0;
    const int count = transport::NicFunctionCount();
    for (int k = 1; k <= count; ++k) {
      status = Send_Ioctl_Get_PayLoadSize(-1, DriverKind::kNic, At(function, k), command, payload,
                                          response_length);
    }
    return status;
  }
  return Send_Ioctl_Get_PayLoadSize(-1, DriverKind::kNic, function, command, payload,
                                    response_length);
}

uint32_t IssueNicDriverRequest(unsigned long request, std::span<uint8_t> record) {
  int handle;
  if (request == records::kNicChipInfoRequest) {
    handle = platform::OpenDevice(records::kNicDevicePath);
    if (handle < 0) {
      pdebug(kModuleAdapter, kLogError, "could not open device node %s\n", records::kNicDevicePath);
    }
  } else {
    handle = OpenNicForRequest();
  }
  if (handle < 0) return 1;
  platform::IoResult result = platform::DeviceIoctl(handle, request, record);
  platform::CloseDevice(handle);
  if (result.result != 0) {
    LogDriverFailure(result.result, result.error);
    return 1;
  }
  return 0;
}

uint32_t IssueIscsiDriverRequest(int function_index, unsigned long request,
                                 std::span<uint8_t> record) {
  const int handle = transport::IscsiHandle(function_index);
  if (handle < 0) return 1;
  platform::IoResult result = platform::DeviceIoctl(handle, request, record);
  if (result.result != 0) {
    LogDriverFailure(result.result, result.error);
    return 1;
  }
  return 0;
}

}  // namespace oxim
