// Feeds arbitrary driver answers (status bytes, additional statuses,
// response lengths, payloads, short answers, driver failures) back through
// the transport's response handling and the record decoders. The first
// bytes of the input choose the request; the rest is what the "driver"
// writes into the request's buffer.
#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <vector>

#include "platform/device_backend.h"
#include "records/controller_attributes.h"
#include "records/driver_records.h"
#include "transport/commands.h"
#include "transport/driver_tables.h"
#include "transport/ioctl.h"

namespace {

using namespace oxim;

// A driver whose every answer comes from the fuzz input.
class FuzzDriver final : public platform::DeviceBackend {
 public:
  void Reset(const uint8_t* data, size_t size) {
    data_ = data;
    size_ = size;
  }
  int Open(const std::string&) override { return 7; }
  platform::IoResult Ioctl(int, unsigned long, std::span<uint8_t> argument) override {
    uint8_t control = Take();
    size_t limit = (control & 1) ? Take() : argument.size();  // short answer
    size_t length = std::min({argument.size(), size_, limit});
    std::memcpy(argument.data(), data_, length);
    data_ += length;
    size_ -= length;
    if (control & 2) return {-1, (control & 4) ? EIO : EINVAL};
    return {};
  }
  int Close(int) override { return 0; }
  bool ReadHostFile(const std::string&, std::string*) override { return false; }
  platform::ToolResult RunHostTool(const std::vector<std::string>&) override { return {}; }

 private:
  uint8_t Take() {
    if (size_ == 0) return 0;
    --size_;
    return *data_++;
  }
  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
};

std::shared_ptr<FuzzDriver> Install() {
  auto driver = std::make_shared<FuzzDriver>();
  platform::SetBackendOverride(driver);
  const int handles[] = {7, 7};
  transport::SetIscsiHandles(handles);
  const records::PciAddress nics[] = {{1, 2, 3}, {1, 2, 4}};
  transport::SetNicFunctions(nics);
  transport::set_protocol(0, 1);
  transport::set_protocol(1, 2);
  return driver;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static std::shared_ptr<FuzzDriver> driver = Install();
  if (size < 4) return 0;
  const uint8_t choice = data[0];
  const uint8_t opcode = data[1];
  const uint16_t length = static_cast<uint16_t>(data[2] | ((data[3] & 0x1F) << 8));
  const DriverKind kind = (choice & 1) ? DriverKind::kNic : DriverKind::kIscsi;
  const int function_index = (choice & 2) ? -1 : 1 + ((choice >> 2) & 1);
  driver->Reset(data + 4, size - 4);

  std::vector<uint8_t> payload(length, 0x5A);
  uint16_t needed = 0;
  switch ((choice >> 3) & 7) {
    case 0:
      if (kind == DriverKind::kIscsi) {
        (void)IssueIOCTLWithPayLoad({.index = function_index},
                                    {.opcode = opcode,
                                     .subsystem = 1,
                                     .request_length = length,
                                     .buffer_size = length + 16u,
                                     .copy_back = true},
                                    payload);
      } else {
        (void)IssueNICIOCTLWithPayLoad({.index = function_index},
                                       {.opcode = opcode,
                                        .subsystem = 1,
                                        .request_length = length,
                                        .buffer_size = length + 16u,
                                        .copy_back = true},
                                       payload);
      }
      break;
    case 1:
      if (kind == DriverKind::kIscsi) {
        (void)GetIOCTLPayLoadSize({.index = function_index},
                                  {.opcode = opcode,
                                   .subsystem = 6,
                                   .request_length = length,
                                   .buffer_size = length + 16u},
                                  payload, &needed);
      } else {
        (void)GetNICIOCTLPayLoadSize({.index = function_index},
                                     {.opcode = opcode,
                                      .subsystem = 6,
                                      .request_length = length,
                                      .buffer_size = length + 16u},
                                     payload, &needed);
      }
      break;
    case 2: {
      std::vector<uint8_t> buffer(16 + 512, 0);
      (void)ioctl_get_available_personalities({.index = 1}, buffer, kind);
      break;
    }
    case 3: {
      uint8_t attributes[records::kControllerAttributesSize] = {};
      if (ioctl_fetch_controller_attribs({.index = function_index}, attributes, kind) == 0) {
        records::DecodeControllerAttributes(attributes);
      }
      break;
    }
    case 4: {
      std::vector<uint8_t> fat(20 + length, 0);
      if (fat.size() >= 12) std::memcpy(fat.data() + 8, data + 2, 2);
      (void)ioctl_retrieve_fat({.index = function_index}, fat, (choice >> 6) & 1);
      break;
    }
    case 5: {
      uint8_t record[records::kChipInfoRecordSize] = {};
      if (IssueNicDriverRequest(records::kNicChipInfoRequest, record) == 0) {
        records::DecodeChipInfo(record);
      }
      break;
    }
    case 6: {
      std::vector<uint8_t> record(records::PciConfigRecordSize(4), 0);
      records::EncodePciConfigRead(record, {{1, 2, 3}, 164, 4});
      (void)IssueNicDriverRequest(records::kNicPciConfigReadRequest, record);
      records::DecodePciConfigRead(record);
      break;
    }
    default: (void)ioctl_get_sessionconfig_size({.index = function_index}, payload, &needed); break;
  }
  return 0;
}
