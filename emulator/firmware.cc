// Firmware command dispatch and the controller-level handlers; see
// firmware.h.
#include "firmware.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "transport/controller_attributes.h"
#include "transport/request_header.h"

namespace oxim::emulator {
namespace {

constexpr size_t kConfigSignSize = 132;

std::string ControllerKey(const CommandContext& context, const char* name) {
  return "controller" + std::to_string(context.function.controller) + "-" + name;
}

// Opcode 32, subsystem 1: controller attributes of the addressed function.
FirmwareAnswer FetchControllerAttributes(CommandContext& context, std::span<const uint8_t>) {
  const ControllerConfig& controller = context.model.controller(context.function);
  const FunctionConfig& function = context.model.function(context.function);
  FirmwareAnswer answer;
  answer.payload.assign(transport::kControllerAttributesSize, 0);
  transport::ControllerAttributes attributes;
  attributes.serial_number = controller.serial_number;
  attributes.driver_version = controller.driver_version;
  attributes.logical_hba_count = controller.logical_hbas;
  attributes.further_count = static_cast<uint8_t>(controller.ports);
  attributes.address = function.pci;
  transport::EncodeControllerAttributes(answer.payload, attributes);
  return answer;
}

// Opcode 88, subsystem 1: the management service starts; nothing to answer.
FirmwareAnswer StartManagementService(CommandContext&, std::span<const uint8_t>) { return {}; }

// Opcode 78, subsystem 1: the configuration signature kept in flash (zeros
// until one is written).
FirmwareAnswer GetConfigSign(CommandContext& context, std::span<const uint8_t>) {
  FirmwareAnswer answer;
  answer.payload = context.model.flash()
                       .Load(ControllerKey(context, "config-sign"))
                       .value_or(std::vector<uint8_t>(kConfigSignSize, 0));
  answer.payload.resize(kConfigSignSize, 0);
  return answer;
}

// Opcode 79, subsystem 1: writes the configuration signature to flash.
FirmwareAnswer SetConfigSign(CommandContext& context, std::span<const uint8_t> request) {
  FirmwareAnswer answer;
  std::vector<uint8_t> record(request.begin(), request.begin() + kConfigSignSize);
  if (!context.model.flash().Save(ControllerKey(context, "config-sign"), record)) {
    answer.status = 1;  // flash write failed
    answer.additional_status = 0;
  }
  return answer;
}

constexpr HandlerEntry kHandlers[] = {
    {1, 32, 0, transport::kControllerAttributesSize, transport::kControllerAttributesSize,
     FetchControllerAttributes},
    {1, 78, 0, kConfigSignSize, kConfigSignSize, GetConfigSign},
    {1, 79, 0, kConfigSignSize, kConfigSignSize, SetConfigSign},
    {1, 88, 0, 0, 0, StartManagementService},
};

const HandlerEntry* FindHandler(std::span<const HandlerEntry> handlers, uint8_t subsystem,
                                uint8_t opcode, uint8_t version) {
  for (const HandlerEntry& entry : handlers) {
    if (entry.subsystem == subsystem && entry.opcode == opcode && entry.version == version) {
      return &entry;
    }
  }
  return nullptr;
}

void Answer(std::span<uint8_t> command, uint8_t status, uint16_t additional,
            uint32_t response_length) {
  transport::EncodeResponseHeader(command, {status, additional, response_length});
}

}  // namespace

std::span<const HandlerEntry> HandlerTable() { return kHandlers; }

void ExecuteCommand(AdapterModel& model, Faults& faults, FunctionRef function,
                    std::span<uint8_t> command, std::span<const HandlerEntry> handlers) {
  transport::RequestHeader header =
      transport::DecodeRequestHeader(command).value_or(transport::RequestHeader{});
  std::span<uint8_t> area = command.subspan(transport::kPayloadOffset, header.request_length);

  if (std::optional<CommandFault> fault =
          faults.TakeCommandFault(header.subsystem, header.opcode)) {
    if (fault->fill) std::fill(area.begin(), area.end(), *fault->fill);
    Answer(command, fault->status, fault->additional_status, fault->response_length);
    return;
  }
  const HandlerEntry* entry =
      FindHandler(handlers, header.subsystem, header.opcode, header.version);
  if (entry == nullptr) {
    Answer(command, kFwNotSupported, 0, 0);
    return;
  }
  if (header.request_length < entry->min_length || header.request_length > entry->max_length) {
    Answer(command, kFwBadRequestLength, 0, 0);
    return;
  }
  std::vector<uint8_t> request(area.begin(), area.end());
  CommandContext context{model, function};
  FirmwareAnswer answer = entry->handler(context, request);
  if (answer.status == kFwSuccess) {
    if (std::optional<uint32_t> cut = faults.TakeShortAnswer(header.subsystem, header.opcode)) {
      answer.payload.resize(std::min<size_t>(answer.payload.size(), *cut));
    }
  }
  if (answer.payload.size() > area.size()) {
    Answer(command, kFwBufferTooSmall, 0, static_cast<uint32_t>(answer.payload.size()));
    return;
  }
  std::copy(answer.payload.begin(), answer.payload.end(), area.begin());
  Answer(command, answer.status, answer.additional_status,
         static_cast<uint32_t>(answer.payload.size()));
}

}  // namespace oxim::emulator
