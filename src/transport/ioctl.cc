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

using records::kDriverIscsi;
using records::kDriverNic;

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
// when the buffer cannot hold the request or the payload is short.
bool SizesFit(const char* caller, uint16_t request_length, uint16_t buffer_size,
              std::span<uint8_t> payload) {
  if (static_cast<size_t>(buffer_size) < records::kRequestHeaderSize + request_length ||
      (!payload.empty() && payload.size() < request_length)) {
    pdebug(kModuleAdapter, kLogError,
           "%s: request length %u does not fit buffer size %u / payload %zu\n", caller,
           request_length, buffer_size, payload.size());
    return false;
  }
  return true;
}

}  // namespace

namespace {
// Puts the payload into the zero-filled command buffer and sends it. 0 when
// the request was delivered (the buffer then holds the answer), else the
// status the payload forms return.
uint32_t BuildAndSend(CountedBuffer& buffer, int handle, uint8_t opcode, uint8_t subsystem,
                      uint16_t request_length, std::span<uint8_t> payload, uint8_t domain,
                      uint8_t port_number, int kind, int function_index, uint8_t version) {
  if (!buffer.ok()) {
    pdebug(kModuleAdapter, kLogError, "%s:Failed to Allocate memory\n", __func__);
    return 1;
  }
  std::span<uint8_t> command = buffer.span();
  if (!payload.empty()) {
    std::memcpy(command.data() + records::kPayloadOffset, payload.data(), request_length);
  }
  if (IssueIOCTL(handle, opcode, subsystem, request_length, command, domain, port_number, kind,
                 function_index, version) != 0) {
    return OximStatusFromHBAStatus();
  }
  return 0;
}
}  // namespace

uint32_t TimeoutFor(int kind, uint8_t opcode, uint8_t subsystem) {
  if (opcode == 18) return subsystem == 2 ? 20 : 11;
  return kind == kDriverNic ? 30 : 120;
}

uint32_t IssueIOCTL(int handle, uint8_t opcode, uint8_t subsystem, uint32_t request_length,
                    std::span<uint8_t> command_buffer, uint8_t domain, uint8_t port_number,
                    int kind, int function_index, uint8_t version) {
  if (request_length > records::kMaxCommandBufferSize - records::kRequestHeaderSize ||
      command_buffer.size() < records::kRequestHeaderSize + request_length) {
    pdebug(kModuleAdapter, kLogError, "%s: command buffer of %zu bytes for request length %u\n",
           __func__, command_buffer.size(), request_length);
    return 1;
  }
  records::RequestHeader header{
      opcode,         subsystem, port_number, domain, TimeoutFor(kind, opcode, subsystem),
      request_length, version};
  records::EncodeRequestHeader(command_buffer, header);
  DumpHeader(header);

  platform::IoResult result;
  if (kind == kDriverIscsi) {
    result = platform::DeviceIoctl(handle, records::kIscsiFirmwareRequest, command_buffer);
  } else if (kind == kDriverNic) {
    std::optional<platform::IoResult> sent =
        SendNic(command_buffer.first(records::kRequestHeaderSize + request_length), function_index);
    if (!sent) return 1;
    result = *sent;
  } else {
    LogDriverFailure(-1, 0);
    return 1;
  }
  if (result.result == 0) return 0;
  LogDriverFailure(result.result, result.error);
  if (kind == kDriverIscsi && result.error == EIO) return kStatusDriverIo;
  return 0;
}

uint32_t Send_Ioctl_PayLoad(int handle, uint8_t opcode, uint8_t subsystem, uint16_t request_length,
                            uint16_t buffer_size, std::span<uint8_t> payload, uint8_t copy_back,
                            uint8_t domain, uint8_t port_number, int kind, int function_index,
                            uint8_t version) {
  if (!SizesFit(__func__, request_length, buffer_size, payload)) return 1;
  CountedBuffer buffer(buffer_size);
  if (uint32_t status = BuildAndSend(buffer, handle, opcode, subsystem, request_length, payload,
                                     domain, port_number, kind, function_index, version)) {
    return status;
  }
  std::span<uint8_t> command = buffer.span();
  if (copy_back != 0 && !payload.empty()) {
    std::memcpy(payload.data(), command.data() + records::kPayloadOffset, request_length);
  }
  records::ResponseHeader response = Response(command);
  if (response.status == 0) return 0;
  if (response.additional_status != 23) {
    pdebug(kModuleAdapter, kLogError,
           "The IOCTL with opcode:0x%x subsystem:0x%x failed with status 0x%x\n", opcode, subsystem,
           response.status);
    pdebug(kModuleAdapter, kLogError, "%s: actual response length is %d\n", __func__,
           static_cast<int>(response.response_length));
    pdebug(kModuleAdapter, kLogError, "additional status is:0x%x\n", response.additional_status);
  }
  return OximStatusFromIOCTLResponse(response.status, response.additional_status, opcode);
}

uint32_t IssueIOCTLWithPayLoad(int function_index, uint8_t opcode, uint8_t subsystem,
                               uint16_t request_length, uint16_t buffer_size,
                               std::span<uint8_t> payload, uint8_t copy_back, uint8_t domain,
                               uint8_t port_number, uint8_t version) {
  if (function_index == -1) {
    uint32_t status = 0;
    for (int handle : transport::OpenIscsiHandles()) {
      status = Send_Ioctl_PayLoad(handle, opcode, subsystem, request_length, buffer_size, payload,
                                  copy_back, domain, port_number, kDriverIscsi, -1, version);
    }
    return status;
  }
  int handle = transport::IscsiHandle(function_index);
  pdebug(kModuleAdapter, kLogInfo, "%s: oshandle is %d\n", __func__, handle);
  if (handle == -1) return OximStatusFromHBAStatus();
  return Send_Ioctl_PayLoad(handle, opcode, subsystem, request_length, buffer_size, payload,
                            copy_back, domain, port_number, kDriverIscsi, function_index, version);
}

uint32_t IssueNICIOCTLWithPayLoad(int function_index, uint8_t opcode, uint8_t subsystem,
                                  uint16_t request_length, uint16_t buffer_size,
                                  std::span<uint8_t> payload, uint8_t copy_back, uint8_t domain,
                                  uint8_t port_number, uint8_t version) {
  if (function_index == -1) {
    uint32_t status = 0;
    int count = transport::NicFunctionCount();
    for (int k = 1; k <= count; ++k) {
      status = Send_Ioctl_PayLoad(-1, opcode, subsystem, request_length, buffer_size, payload,
                                  copy_back, domain, port_number, kDriverNic, k, version);
    }
    return status;
  }
  return Send_Ioctl_PayLoad(-1, opcode, subsystem, request_length, buffer_size, payload, copy_back,
                            domain, port_number, kDriverNic, function_index, version);
}

uint32_t Send_Ioctl_Get_PayLoadSize(int handle, uint8_t opcode, uint8_t subsystem,
                                    uint16_t request_length, uint16_t buffer_size,
                                    std::span<uint8_t> payload, uint16_t* response_length,
                                    uint8_t domain, uint8_t port_number, int kind,
                                    int function_index, uint8_t version) {
  if (!SizesFit(__func__, request_length, buffer_size, payload)) return 1;
  CountedBuffer buffer(buffer_size);
  if (uint32_t status = BuildAndSend(buffer, handle, opcode, subsystem, request_length, payload,
                                     domain, port_number, kind, function_index, version)) {
    return status;
  }
  std::span<uint8_t> command = buffer.span();
  records::ResponseHeader response = Response(command);
  if (response.status == 0 || response.status == 4) {
    if (!payload.empty()) {
      std::memcpy(payload.data(), command.data() + records::kPayloadOffset, request_length);
    }
    if (response_length != nullptr) {
      *response_length = static_cast<uint16_t>(response.response_length & 0xFFFF);
    }
    return 0;
  }
  if (response.additional_status != 23) {
    pdebug(kModuleAdapter, kLogError,
           "%s: The IOCTL with opcode: 0x%x subsystem: 0x%x failed with status 0x%x\n", __func__,
           opcode, subsystem, response.status);
    pdebug(kModuleAdapter, kLogError, "%s: Additional status 0x%x\n", __func__,
           response.additional_status);
  }
  return OximStatusFromIOCTLResponse(response.status, response.additional_status, opcode);
}

uint32_t GetIOCTLPayLoadSize(int function_index, uint8_t opcode, uint8_t subsystem,
                             uint16_t request_length, uint16_t buffer_size,
                             std::span<uint8_t> payload, uint16_t* response_length, uint8_t domain,
                             uint8_t port_number, uint8_t version) {
  if (function_index == -1) {
    uint32_t status = 0;
    for (int handle : transport::OpenIscsiHandles()) {
      status = Send_Ioctl_Get_PayLoadSize(handle, opcode, subsystem, request_length, buffer_size,
                                          payload, response_length, domain, port_number,
                                          kDriverIscsi, -1, version);
    }
    return status;
  }
  int handle = transport::IscsiHandle(function_index);
  pdebug(kModuleAdapter, kLogInfo, "%s: oshandle is %d\n", __func__, handle);
  if (handle == -1) return OximStatusFromHBAStatus();
  return Send_Ioctl_Get_PayLoadSize(handle, opcode, subsystem, request_length, buffer_size, payload,
                                    response_length, domain, port_number, kDriverIscsi,
                                    function_index, version);
}

uint32_t GetNICIOCTLPayLoadSize(int function_index, uint8_t opcode, uint8_t subsystem,
                                uint16_t request_length, uint16_t buffer_size,
                                std::span<uint8_t> payload, uint16_t* response_length,
                                uint8_t domain, uint8_t port_number, uint8_t version) {
  if (function_index == -1) {
    uint32_t status = 0;
    int count = transport::NicFunctionCount();
    for (int k = 1; k <= count; ++k) {
      status =
          Send_Ioctl_Get_PayLoadSize(-1, opcode, subsystem, request_length, buffer_size, payload,
                                     response_length, domain, port_number, kDriverNic, k, version);
    }
    return status;
  }
  return Send_Ioctl_Get_PayLoadSize(-1, opcode, subsystem, request_length, buffer_size, payload,
                                    response_length, domain, port_number, kDriverNic,
                                    function_index, version);
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
