// iSCSI regions and initiator name records of the emulated adapter; see
// boot_firmware.h.
#include "boot_firmware.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <optional>

#include "iscsi_firmware.h"
#include "records/initiator_name.h"
#include "records/iscsi_region.h"

namespace oxim::emulator {
namespace {

constexpr uint8_t kFwFailed = 1;
constexpr uint8_t kFwNoSuchObject = 2;  // with additional status 0
constexpr char kIscsiObjectPrefix[] = "/iscsidata/";
// The seed's header word and its one TLV.
constexpr uint32_t kSeedHeaderWord = 1;
constexpr uint8_t kSeedTlvType = 1;
constexpr uint8_t kSeedTlvValue = 1;
// Bytes the answer to a write carries: the length written and the change
// status (0: no reboot needed).
constexpr size_t kWriteAnswerSize = 8;

FirmwareAnswer Refuse(uint8_t status) { return {status, 0, {}}; }

// The port and region an object name names on this controller, if any.
struct RegionObject {
  int port = 0;
  int region = 0;
};

// What an object name is to the function's controller: one of its regions,
// an iSCSI object it does not have (status 2), or an object the model does
// not know (status 66).
std::optional<RegionObject> FindRegion(const CommandContext& context, const std::string& name,
                                       FirmwareAnswer* refusal) {
  const ControllerConfig& controller = context.model.controller(context.function);
  *refusal = Refuse(name.rfind(kIscsiObjectPrefix, 0) == 0 ? kFwNoSuchObject : kFwNotSupported);
  if (controller.chip != kChipTindra) return std::nullopt;
  for (int port = 0; port < controller.ports; ++port) {
    for (int region : {records::kInitiatorChapRegion, records::kBootTargetRegion}) {
      if (records::IscsiRegionObjectName(static_cast<unsigned>(port), region) == name) {
        return RegionObject{port, region};
      }
    }
  }
  return std::nullopt;
}

std::string RegionKey(const FunctionRef& function, const RegionObject& object) {
  return "controller" + std::to_string(function.controller) + "-iscsidata-port" +
         std::to_string(object.port) + "-region" + std::to_string(object.region);
}

std::vector<uint8_t> Seed(const AdapterModel& model, const FunctionRef& function,
                          const RegionObject& object) {
  for (const RegionSeed& seed : model.controller(function).iscsi_regions) {
    if (seed.port == object.port && seed.region == object.region) return seed.bytes;
  }
  records::IscsiRegion region;
  region.header_word = kSeedHeaderWord;
  region.tlvs.push_back({kSeedTlvType, {kSeedTlvValue}});
  records::AddPadTlv(&region);
  std::vector<uint8_t> bytes(records::IscsiRegionSize(region));
  records::EncodeIscsiRegion(bytes, region);
  return bytes;
}

std::vector<uint8_t> Stored(AdapterModel& model, const FunctionRef& function,
                            const RegionObject& object) {
  std::optional<std::vector<uint8_t>> saved = model.flash().Load(RegionKey(function, object));
  return saved ? std::move(*saved) : Seed(model, function, object);
}

// Subsystem 1, opcode 171, version 1: reads an object from the offset at 4
// (the length at 0, 0 for as much as the request holds).
FirmwareAnswer ReadObject(CommandContext& context, std::span<const uint8_t> request) {
  const std::string name = records::DecodeObjectName(request).value_or("");
  FirmwareAnswer refusal;
  std::optional<RegionObject> object = FindRegion(context, name, &refusal);
  if (!object) return refusal;
  std::vector<uint8_t> bytes = Stored(context.model, context.function, *object);
  const size_t offset = records::DecodeFixed32(request.data() + 4);
  const size_t wanted = records::DecodeFixed32(request.data()) & records::kObjectLengthMask;
  const size_t room = request.size() - records::kObjectReadDataOffset;
  records::ObjectReadAnswer read;
  if (offset < bytes.size()) {
    const size_t count = std::min({bytes.size() - offset, room, wanted == 0 ? room : wanted});
    read.data.assign(bytes.begin() + offset, bytes.begin() + offset + count);
  }
  read.end = std::min(offset, bytes.size()) + read.data.size() == bytes.size();
  FirmwareAnswer answer;
  answer.payload.assign(request.size(), 0);
  records::EncodeObjectReadAnswer(answer.payload, read);
  return answer;
}

// Subsystem 1, opcode 172, version 1: writes a whole object (offset 0, the
// end bit set); the model takes no piecewise writes.
FirmwareAnswer WriteObject(CommandContext& context, std::span<const uint8_t> request) {
  std::optional<records::ObjectWrite> write = records::DecodeObjectWrite(request);
  if (!write) return Refuse(kFwNoSuchObject);
  FirmwareAnswer refusal;
  std::optional<RegionObject> object = FindRegion(context, write->name, &refusal);
  if (!object) return refusal;
  if (write->offset != 0 || !write->end) return Refuse(kFwNoSuchObject);
  if (!context.model.flash().Save(RegionKey(context.function, *object), write->data)) {
    return Refuse(kFwFailed);
  }
  FirmwareAnswer answer;
  answer.payload.assign(kWriteAnswerSize, 0);
  records::EncodeFixed32(answer.payload.data(), static_cast<uint32_t>(write->data.size()));
  return answer;
}

std::string NameKey(const CommandContext& context) {
  return "iscsi-c" + std::to_string(context.function.controller) + "f" +
         std::to_string(context.function.function) + "-initiator-name";
}

// Subsystem 6, opcode 6: the function's initiator name record.
FirmwareAnswer FetchInitiatorName(CommandContext& context, std::span<const uint8_t>) {
  if (context.model.iscsi().Function(context.function) == nullptr) {
    return Refuse(kFwNotSupported);
  }
  FirmwareAnswer answer;
  std::optional<std::vector<uint8_t>> saved = context.model.flash().Load(NameKey(context));
  if (saved && saved->size() == records::kInitiatorNameRecordSize) {
    answer.payload = std::move(*saved);
    return answer;
  }
  records::InitiatorNameRecord record;
  record.name = DefaultInitiatorName(context.model, context.function);
  answer.payload.assign(records::kInitiatorNameRecordSize, 0);
  records::EncodeInitiatorName(answer.payload, record);
  return answer;
}

// Subsystem 6, opcode 7: keeps the record as given.
FirmwareAnswer SaveInitiatorName(CommandContext& context, std::span<const uint8_t> request) {
  if (context.model.iscsi().Function(context.function) == nullptr) {
    return Refuse(kFwNotSupported);
  }
  std::vector<uint8_t> record(request.begin(), request.begin() + records::kInitiatorNameRecordSize);
  if (!context.model.flash().Save(NameKey(context), record)) return Refuse(kFwFailed);
  return {};
}

constexpr HandlerEntry kBootHandlers[] = {
    {1, 171, 1, records::kObjectWriteDataOffset, records::kObjectReadSize, ReadObject},
    {1, 172, 1, records::kObjectWriteDataOffset,
     records::kObjectMaxRead + records::kObjectWriteOverhead, WriteObject},
    {6, 6, 0, records::kInitiatorNameRecordSize, records::kInitiatorNameRecordSize,
     FetchInitiatorName},
    {6, 7, 0, records::kInitiatorNameRecordSize, records::kInitiatorNameRecordSize,
     SaveInitiatorName},
};

}  // namespace

std::string DefaultInitiatorName(const AdapterModel& model, const FunctionRef& function) {
  std::string serial;
  for (char c : model.controller(function).serial_number) {
    const unsigned char u = static_cast<unsigned char>(std::tolower(static_cast<unsigned char>(c)));
    serial += (std::isalnum(u) || u == '.' || u == '-') ? static_cast<char>(u) : '-';
  }
  const records::PciAddress& pci = model.function(function).pci;
  char name[96];
  std::snprintf(name, sizeof name, "iqn.2026-01.net.oxim-lab:%s.%02x-%02x-%x", serial.c_str(),
                pci.bus, pci.device, pci.function);
  return name;
}

std::optional<std::vector<uint8_t>> RegionBytes(AdapterModel& model, const FunctionRef& function,
                                                int region) {
  const ControllerConfig& controller = model.controller(function);
  const int port = model.function(function).port;
  if (controller.chip != kChipTindra || port >= controller.ports ||
      (region != records::kInitiatorChapRegion && region != records::kBootTargetRegion)) {
    return std::nullopt;
  }
  return Stored(model, function, RegionObject{port, region});
}

std::span<const HandlerEntry> BootHandlers() { return kBootHandlers; }

}  // namespace oxim::emulator
