// Firmware command dispatch and the controller-level handlers; see
// firmware.h.
#include "firmware.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "adapter_firmware.h"
#include "boot_firmware.h"
#include "discovery_firmware.h"
#include "iscsi_firmware.h"
#include "network_firmware.h"
#include "pci_config.h"
#include "records/additional_attributes.h"
#include "records/config_signature.h"
#include "records/controller_attributes.h"
#include "records/coredump_properties.h"
#include "records/fw_config.h"
#include "records/oem_params.h"
#include "records/pci_config_command.h"
#include "records/request_header.h"
#include "scsi_firmware.h"

namespace oxim::emulator {
namespace {

// Firmware statuses of refused commands.
constexpr uint8_t kFwBadParameter = 2;
// With additional status 0: not supported for a virtual function.
constexpr uint8_t kFwNotOnVirtualFunction = 5;
// The target-count limits of the firmware configuration: a Tindra's sum
// bounds what its SendTargets answers bring in.
constexpr std::array<uint16_t, 2> kTargetLimits = {256, 0};
constexpr std::array<uint16_t, 2> kTindraTargetLimits = {256, 256};

// Whether the command is one a virtual function is refused on this chip:
// the library probes with it to learn that it runs on one.
bool RefusedOnVirtualFunction(const CommandContext& context, int probe_chip) {
  return context.model.config().virtual_function &&
         context.model.controller(context.function).chip == probe_chip;
}

FirmwareAnswer NotOnVirtualFunction() { return {kFwNotOnVirtualFunction, 0, {}}; }

// Opcode 32, subsystem 1: controller attributes of the addressed function.
FirmwareAnswer FetchControllerAttributes(CommandContext& context, std::span<const uint8_t>) {
  const ControllerConfig& controller = context.model.controller(context.function);
  const FunctionConfig& function = context.model.function(context.function);
  FirmwareAnswer answer;
  answer.payload.assign(records::kControllerAttributesSize, 0);
  records::ControllerAttributes attributes;
  attributes.manufacturer = controller.manufacturer;
  attributes.capabilities = controller.capabilities;
  // The NC-SI version: numbers on QF2, a text on the other chips.
  if (controller.chip == kChipQF2) {
    records::SetNcsiVersionNumbers(attributes, {1, 0, 1, 0, 2});
  } else {
    records::SetNcsiVersionText(attributes, controller.chip == kChipQF3 ? "1.0.1" : "1.1.0");
  }
  attributes.phy_loopback = controller.phy_loopback;
  attributes.default_eto = controller.default_eto;
  attributes.model_number = controller.model_number;
  attributes.description = controller.description;
  attributes.serial_number = controller.serial_number;
  attributes.active_firmware_version = controller.active_firmware_version;
  attributes.bios_version = controller.bios_version;
  attributes.boot_code_version = controller.boot_code_version;
  attributes.driver_version = controller.driver_version;
  attributes.flash_firmware_version = controller.flash_firmware_version;
  attributes.max_cdb_length = controller.max_cdb_length;
  attributes.link_down_timeout = controller.link_down_timeout;
  attributes.iscsi_versions = controller.iscsi_versions;
  attributes.firmware_state = controller.firmware_state;
  attributes.logical_hba_count = controller.logical_hbas;
  attributes.further_count = static_cast<uint8_t>(function.port);
  attributes.vendor_id = context.model.config().vendor_id;
  attributes.device_id = context.model.device_id(context.function);
  attributes.subsystem_vendor_id = controller.subsystem_vendor_id;
  attributes.subsystem_device_id = controller.subsystem_device_id;
  attributes.address = function.pci;
  records::EncodeControllerAttributes(answer.payload, attributes);
  return answer;
}

// Opcode 76, subsystem 1: OEM parameters in the layout of the controller's
// chip (Korvel has 4 binary bytes, the others 10).
FirmwareAnswer GetOemParams(CommandContext& context, std::span<const uint8_t>) {
  const ControllerConfig& controller = context.model.controller(context.function);
  records::OemParams oem;
  std::copy_n(controller.oem_prefix.begin(),
              std::min(controller.oem_prefix.size(), records::kOemPrefixSize), oem.prefix.begin());
  oem.binary = controller.oem_binary;
  oem.serial = controller.oem_serial;
  oem.personality_word = controller.personality_word;
  FirmwareAnswer answer;
  answer.payload.assign(records::kOemParamsSize, 0);
  records::EncodeOemParams(answer.payload, oem, OemChipOf(controller.chip));
  return answer;
}

// Opcode 72, subsystem 1: reads the function's configuration space. The
// QF3 probe: refused on a virtual function.
FirmwareAnswer ReadPciConf(CommandContext& context, std::span<const uint8_t> request) {
  if (RefusedOnVirtualFunction(context, kChipQF3)) return NotOnVirtualFunction();
  std::optional<records::PciConfigCommand> command = records::DecodePciConfigCommand(request);
  if (!command || command->config_offset >= kConfigSpaceSize) return {kFwBadParameter, 0, {}};
  const uint32_t length =
      std::min<uint32_t>(records::PciCommandReadLength(command->length),
                         static_cast<uint32_t>(kConfigSpaceSize - command->config_offset));
  std::vector<uint8_t> space = ConfigSpace(context.model, context.function);
  FirmwareAnswer answer;
  answer.payload.assign(records::kPciCommandSize, 0);
  records::EncodePciConfigCommand(answer.payload, *command);
  records::EncodePciConfigAnswer(answer.payload,
                                 std::span(space).subspan(command->config_offset, length));
  return answer;
}

// Opcode 21, subsystem 11: core-dump properties; the controller is alive.
// The Tindra probe: refused on a virtual function.
FirmwareAnswer GetCoredumpProps(CommandContext& context, std::span<const uint8_t>) {
  if (RefusedOnVirtualFunction(context, kChipTindra)) return NotOnVirtualFunction();
  const ControllerConfig& controller = context.model.controller(context.function);
  records::CoredumpProperties props;
  props.low_version = 1;
  props.chip_state = records::kChipAlive;
  props.sli_interface = 0x00000030;
  props.asic_id = 0x0b00u | static_cast<uint32_t>(controller.chip);
  FirmwareAnswer answer;
  answer.payload.assign(records::kCoredumpPropertiesSize, 0);
  records::EncodeCoredumpProperties(answer.payload, props);
  return answer;
}

// Opcode 121, subsystem 1: additional controller attributes (IPL file,
// on-die temperature, boot code and PHY versions). The Korvel probe: refused
// on a virtual function.
FirmwareAnswer GetAdditionalAttribs(CommandContext& context, std::span<const uint8_t>) {
  if (RefusedOnVirtualFunction(context, kChipKorvel)) return NotOnVirtualFunction();
  const ControllerConfig& controller = context.model.controller(context.function);
  records::AdditionalAttributes attributes;
  attributes.temperature = static_cast<uint32_t>(controller.temperature);
  attributes.ipl_file_number = controller.ipl_file_number;
  attributes.ipl_suffix_number = controller.ipl_suffix_number;
  attributes.ipl_file_name = controller.ipl_file_name;
  attributes.fcoe_universal_version = controller.fcoe_version;
  attributes.fcoe_x86_bios_version = controller.fcoe_version;
  attributes.fcoe_efi_version = controller.fcoe_version;
  attributes.fcoe_fcode_version = controller.fcoe_version;
  attributes.uefi_bios_version = controller.uefi_version;
  attributes.uefi_nic_version = controller.uefi_version;
  attributes.uefi_fcode_version = controller.uefi_version;
  attributes.uefi_iscsi_version = controller.uefi_version;
  attributes.phy_firmware_version = controller.phy_firmware_version;
  attributes.phy_configuration_id = controller.phy_configuration_id;
  FirmwareAnswer answer;
  answer.payload.assign(records::kAdditionalAttributesSize, 0);
  records::EncodeAdditionalAttributes(answer.payload, attributes);
  return answer;
}

// Opcode 58, subsystem 1: the firmware configuration; of its fields the
// model fills the target-count limits (kTargetLimits).
FirmwareAnswer GetFwConfig(CommandContext& context, std::span<const uint8_t>) {
  const ControllerConfig& controller = context.model.controller(context.function);
  records::FwConfig config;
  config.target_limits = controller.chip == kChipTindra ? kTindraTargetLimits : kTargetLimits;
  FirmwareAnswer answer;
  answer.payload.assign(records::kFwConfigSize, 0);
  records::EncodeFwConfig(answer.payload, config);
  return answer;
}

// Opcode 88, subsystem 1: the management service starts; nothing to answer.
FirmwareAnswer StartManagementService(CommandContext&, std::span<const uint8_t>) { return {}; }

// Opcode 78, subsystem 1: the configuration signature kept in flash (zeros
// until one is written).
FirmwareAnswer GetConfigSign(CommandContext& context, std::span<const uint8_t>) {
  FirmwareAnswer answer;
  answer.payload = context.model.flash()
                       .Load(ControllerFlashKey(context, "config-sign"))
                       .value_or(std::vector<uint8_t>(records::kConfigSignatureSize, 0));
  answer.payload.resize(records::kConfigSignatureSize, 0);
  return answer;
}

// Opcode 79, subsystem 1: writes the configuration signature to flash.
FirmwareAnswer SetConfigSign(CommandContext& context, std::span<const uint8_t> request) {
  FirmwareAnswer answer;
  std::vector<uint8_t> record(request.begin(), request.begin() + records::kConfigSignatureSize);
  if (!context.model.flash().Save(ControllerFlashKey(context, "config-sign"), record)) {
    answer.status = 1;  // flash write failed
    answer.additional_status = 0;
  }
  return answer;
}

constexpr HandlerEntry kHandlers[] = {
    {1, 32, 0, records::kControllerAttributesSize, records::kControllerAttributesSize,
     FetchControllerAttributes},
    {1, 78, 0, records::kConfigSignatureSize, records::kConfigSignatureSize, GetConfigSign},
    {1, 79, 0, records::kConfigSignatureSize, records::kConfigSignatureSize, SetConfigSign},
    {1, 88, 0, 0, 0, StartManagementService},
    {1, 58, 0, records::kFwConfigSize, records::kFwConfigSize, GetFwConfig},
    {1, 72, 0, records::kPciCommandSize, records::kPciCommandSize, ReadPciConf},
    {1, 76, 0, records::kOemParamsSize, records::kOemParamsSize, GetOemParams},
    {1, 121, 0, records::kAdditionalAttributesSize, records::kAdditionalAttributesSize,
     GetAdditionalAttribs},
    {11, 21, 0, records::kCoredumpPropertiesSize, records::kCoredumpPropertiesSize,
     GetCoredumpProps},
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
  records::EncodeResponseHeader(command, {status, additional, response_length});
}

}  // namespace

std::span<const HandlerEntry> HandlerTable() {
  // The controller's handlers, the adapter's and its functions' network
  // side (adapter_firmware.h), the iSCSI initiator's (iscsi_firmware.h),
  // the boot code's objects and names (boot_firmware.h), discovery
  // (discovery_firmware.h), the IP stacks' (network_firmware.h) and SCSI
  // and QoS (scsi_firmware.h).
  static const std::vector<HandlerEntry> table = [] {
    std::vector<HandlerEntry> all(std::begin(kHandlers), std::end(kHandlers));
    for (std::span<const HandlerEntry> more :
         {AdapterHandlers(), IscsiHandlers(), BootHandlers(), DiscoveryHandlers(),
          NetworkHandlers(), ScsiHandlers()}) {
      all.insert(all.end(), more.begin(), more.end());
    }
    return all;
  }();
  return table;
}

std::string ControllerFlashKey(const CommandContext& context, const char* name) {
  return "controller" + std::to_string(context.function.controller) + "-" + name;
}

std::string FunctionFlashKey(const CommandContext& context, const char* name) {
  return "function" + std::to_string(context.function.controller) + "-" +
         std::to_string(context.function.function) + "-" + name;
}

void ExecuteCommand(AdapterModel& model, Faults& faults, FunctionRef function,
                    std::span<uint8_t> command, std::span<const HandlerEntry> handlers,
                    std::unique_lock<std::mutex>* lock) {
  records::RequestHeader header =
      records::DecodeRequestHeader(command).value_or(records::RequestHeader{});
  std::span<uint8_t> area = command.subspan(records::kPayloadOffset, header.request_length);

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
  CommandContext context{model, function, lock};
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
