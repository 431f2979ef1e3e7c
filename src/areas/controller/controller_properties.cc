// Property handlers of the controller group and its NICCIM group: versions
// and state from the controller attributes, the additional attributes and
// the core-dump properties, the PCI Express link, the FFV name, the advanced
// mode, and the NIC-side descriptions of the controller.
#include "areas/controller/controller_properties.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <utility>

#include "areas/controller/controller_status.h"
#include "areas/controller/controller_update.h"
#include "core/log.h"
#include "core/node_store.h"
#include "core/strings.h"
#include "core/tree_services.h"
#include "kit/function_attributes.h"
#include "kit/function_tree.h"
#include "kit/groups.h"
#include "kit/properties.h"
#include "records/additional_attributes.h"
#include "records/boot_config.h"
#include "records/controller_attributes.h"
#include "records/coredump_properties.h"
#include "records/driver_records.h"
#include "records/ffv_params.h"
#include "records/pci_config_command.h"
#include "records/pci_express.h"
#include "schema/handler_registry.h"
#include "transport/commands.h"
#include "transport/driver_tables.h"
#include "transport/ioctl.h"

namespace oxim {
namespace {

// The status a command answered "not supported" (66) with.
constexpr uint32_t kNotSupportedStatus = 149;

// The controller's versions and firmware state again (its identity stays
// as start-up set it: a Korvel serial number may read "N/A" on purpose). 1
// with last status 109 when the attributes cannot be read.
uint32_t refresh_controller_attributes(Node* controller) {
  std::optional<ControllerFunction> target = controller_function(controller);
  if (!target) return OXIM_STATUS_FAILURE;
  std::array<uint8_t, records::kControllerAttributesSize> answer{};
  if (uint32_t status = OXIM_get_cntr_attribs(target->address, target->kind, answer); status != 0) {
    return status;
  }
  std::optional<records::ControllerAttributes> attributes =
      records::DecodeControllerAttributes(answer);
  if (!attributes) return OXIM_STATUS_FAILURE;
  const std::pair<const char*, std::string> kFields[] = {
      {"ActiveFirmwareVersion", attributes->active_firmware_version},
      {"FirmwareVersionOnFlash", attributes->flash_firmware_version},
      {"BIOSVersion", attributes->bios_version},
      {"BootCodeVersion", attributes->boot_code_version},
      {"FirmwareStatus", firmware_state_text(attributes->firmware_state)}};
  bool ok = true;
  for (const auto& [name, value] : kFields) {
    ok = set_prop_val(controller, name, "%s", value.c_str()) == 0 && ok;
  }
  return ok ? OXIM_STATUS_SUCCESS : OXIM_STATUS_FAILURE;
}

// ActiveFirmwareVersion, FirmwareVersionOnFlash, BIOSVersion,
// BootCodeVersion, FirmwareStatus: on Korvel, and for the version on flash
// (which an update changes) on every chip, read again from the firmware.
uint32_t handle_qf_controller_properties(Node* property, char* buffer, uint32_t op) {
  if (op != kOpRead) return 0;
  Node* controller = parent_of(property);
  const int chip = get_qf_type(controller);
  if (chip == kChipUndetermined) return OXIM_STATUS_FAILURE;
  if (chip == kChipKorvel || std::strcmp(property->name, "FirmwareVersionOnFlash") == 0) {
    if (uint32_t status = refresh_controller_attributes(controller); status != 0) return status;
  }
  return copy_out(property, buffer);
}

// The FCoE, UEFI and PHY versions and the IPL file name, read again.
uint32_t handle_qf_controller_additional_properties(Node* property, char* buffer, uint32_t op) {
  if (op != kOpRead) return 0;
  if (uint32_t status = OXIM_update_cntr_additional_attribs(parent_of(property)); status != 0) {
    return status;
  }
  return copy_out(property, buffer);
}

// QuellfireOnDieTemperature: degrees, "N/A" when the firmware gives 0.
uint32_t handle_qf_temperature(Node* property, char* buffer, uint32_t op) {
  if (op != kOpRead) return 0;
  std::optional<ControllerFunction> target = controller_function(parent_of(property));
  if (!target) return OXIM_STATUS_FAILURE;
  std::array<uint8_t, records::kAdditionalAttributesSize> answer{};
  std::optional<records::AdditionalAttributes> attributes;
  if (ioctl_get_cnt_additional_attribs(target->address, answer, target->kind) != 0 ||
      !(attributes = records::DecodeAdditionalAttributes(answer))) {
    return report(controller::kAdditionalAttributesNotRead);
  }
  const int32_t degrees = static_cast<int32_t>(attributes->temperature);
  return show(property, buffer, degrees == 0 ? "N/A" : std::to_string(degrees));
}

// ControllerStatus: whether the firmware is alive, from the core-dump
// properties, which the NIC driver carries where the controller has a NIC
// function. "N/A" on Korvel.
uint32_t handle_ControllerStatus(Node* property, char* buffer, uint32_t op) {
  if (op != kOpRead) return 0;
  if (running_on_virtual_function()) return refuse_on_virtual_function(buffer);
  Node* controller = parent_of(property);
  const int chip = get_qf_type(controller);
  if (chip == kChipUndetermined) return OXIM_STATUS_FAILURE;
  if (chip == kChipKorvel) return show(property, buffer, "N/A");
  std::optional<ControllerFunction> target = controller_function(controller);
  if (!target) return OXIM_STATUS_FAILURE;
  FunctionAddress address = target->address;
  DriverKind kind = target->kind;
  if (Node* nic = get_first_instance(controller, "NICPhysicalHBA")) {
    address = function_address(nic);
    kind = DriverKind::kNic;
  }
  std::array<uint8_t, records::kCoredumpPropertiesSize> answer{};
  std::optional<records::CoredumpProperties> props;
  if (ioctl_get_coredump_props(address, answer, kind) != 0 ||
      !(props = records::DecodeCoredumpProperties(answer))) {
    return report(controller::kCoredumpPropertiesNotRead);
  }
  const char* state = props->chip_state == records::kChipAlive  ? "Alive"
                      : props->chip_state == records::kChipDead ? "Dead"
                                                                : "N/A";
  return show(property, buffer, state);
}

// The link register of the controller's PCI Express capability: on Korvel
// the 4 bytes at offset 164 through the NIC driver's configuration read (of
// its first NIC function), otherwise the firmware's read of the
// configuration space. nullopt, with last status 121, when it cannot be read.
std::optional<uint32_t> OXIM_get_pci_express_data(Node* controller, int chip) {
  std::optional<ControllerFunction> target = controller_function(controller);
  if (!target) return std::nullopt;
  Node* nic = get_first_instance(controller, "NICPhysicalHBA");
  std::optional<uint32_t> link;
  if (chip == kChipKorvel && nic != nullptr) {
    std::optional<records::PciAddress> address = transport::NicFunction(get_port_number(nic));
    constexpr uint32_t kLength = 4;
    std::array<uint8_t, records::PciConfigRecordSize(kLength)> record{};
    std::optional<std::vector<uint8_t>> data;
    if (address &&
        records::EncodePciConfigRead(
            record,
            {*address, static_cast<uint32_t>(records::kKorvelLinkRegisterOffset), kLength}) &&
        IssueNicDriverRequest(records::kNicPciConfigReadRequest, record) == 0 &&
        (data = records::DecodePciConfigData(record)) && data->size() == kLength) {
      link = records::DecodeFixed32(data->data());
    }
  } else {
    std::array<uint8_t, records::kPciCommandSize> command{};
    records::EncodePciConfigCommand(command, {0, records::kPciCommandDataSize});
    std::optional<std::vector<uint8_t>> space;
    if (ioctl_read_pci_conf(target->address, command, target->kind) == 0 &&
        (space = records::DecodePciConfigAnswer(command))) {
      link = records::FindPcieLinkRegister(*space);
    }
  }
  if (!link) (void)report(controller::kConfigRegionNotRead);
  return link;
}

// PCIExpressBusWidth ("x8") and PCIExpressLinkSpeed ("5.0GT/s", "N/A" for a
// speed without a rate), both set from one read.
uint32_t handle_pci_express(Node* property, char* buffer, uint32_t op) {
  if (op != kOpRead) return 0;
  Node* controller = parent_of(property);
  const int chip = get_qf_type(controller);
  if (chip == kChipUndetermined) return OXIM_STATUS_FAILURE;
  std::optional<uint32_t> link = OXIM_get_pci_express_data(controller, chip);
  if (!link) return controller::kConfigRegionNotRead.code;
  char text[16];
  std::snprintf(text, sizeof text, "x%u", records::PcieLinkWidth(*link));
  set_prop_val(controller, "PCIExpressBusWidth", "%s", text);
  std::optional<double> rate = records::PcieSpeedGts(records::PcieLinkSpeedCode(*link));
  if (rate) {
    std::snprintf(text, sizeof text, "%.1fGT/s", *rate);
  } else {
    std::snprintf(text, sizeof text, "N/A");
  }
  set_prop_val(controller, "PCIExpressLinkSpeed", "%s", text);
  return copy_out(property, buffer);
}

// FFVName: the name of the FFV parameter set, on the chips whose firmware
// has one (not QF2 and QF3). A firmware without them shows "N/A".
uint32_t handle_FFVName(Node* property, char* buffer, uint32_t op) {
  if (op != kOpRead && op != kOpWrite) return 0;
  Node* controller = parent_of(property);
  const int chip = get_qf_type(controller);
  if (chip == kChipUndetermined) return OXIM_STATUS_FAILURE;
  if (chip == kChipQF2 || chip == kChipQF3) {
    if (op == kOpWrite) return report(controller::kFfvNotSupported);
    return show(property, buffer, "N/A");
  }
  std::optional<ControllerFunction> target = controller_function(controller);
  if (!target) return OXIM_STATUS_FAILURE;
  records::FfvParams request;
  if (op == kOpWrite) {
    request = {records::kFfvSet, static_cast<uint8_t>(records::kFfvNameSize),
               written_value(buffer)};
  }
  std::array<uint8_t, records::kFfvParamsSize> record{};
  records::EncodeFfvParams(record, request);
  const uint32_t status = ioctl_ffv_params(target->address, record, instance_number(controller));
  if (status == kNotSupportedStatus) {
    write_cached_value(property, "N/A");
    return op == kOpWrite ? status : copy_out(property, buffer);
  }
  if (op == kOpWrite) {
    if (status != 0) return status;
    write_cached_value(property, request.name.c_str());
    return 0;
  }
  std::optional<records::FfvParams> answer;
  if (status != 0 || !(answer = records::DecodeFfvParams(record))) {
    return status != 0 ? status : OXIM_STATUS_FAILURE;
  }
  return show(property, buffer, answer->name);
}

// AdvancedMode: the native mode of the boot configuration, which only QF3
// controllers have; kept in the boot configuration of the first NIC
// function.
uint32_t handle_AdvancedMode(Node* property, char* buffer, uint32_t op) {
  if (op != kOpRead && op != kOpWrite) return 0;
  Node* controller = parent_of(property);
  const int chip = get_qf_type(controller);
  pdebug(kModuleAdapter, kLogInfo, "%s:asic_type = %d\n", __func__, chip);
  if (chip == kChipUndetermined) return OXIM_STATUS_FAILURE;
  if (chip != kChipQF3) {
    if (op == kOpWrite) return report(controller::kAdvancedModeNotSupported);
    return show(property, buffer, "N/A");
  }
  Node* nic = get_first_instance(controller, "NICPhysicalHBA");
  if (nic == nullptr) return OXIM_STATUS_FAILURE;
  if (running_on_virtual_function()) return refuse_on_virtual_function(buffer);
  const FunctionAddress address = function_address(nic);
  std::array<uint8_t, records::kBootConfigSize> record{};
  std::optional<records::BootConfig> boot;
  if (ioctl_get_boot_config(address, record, DriverKind::kNic) != 0 ||
      !(boot = records::DecodeBootConfig(record))) {
    return report(controller::kBootConfigNotRead);
  }
  if (op == kOpRead) return show(property, buffer, boot->native_mode != 0 ? "Enabled" : "Disabled");
  const bool enable = equal_ignoring_case(written_value(buffer), "Enabled");
  boot->native_mode = enable ? 1 : 0;
  records::EncodeBootConfig(record, *boot);
  if (ioctl_set_boot_config(address, record, DriverKind::kNic) != 0) {
    return report(controller::kBootConfigNotSet);
  }
  write_cached_value(property, enable ? "Enabled" : "Disabled");
  (void)report(controller::kAdvancedModeChanged);
  return 0;
}

// NICCIM: the controller as its NIC functions show it.
Node* first_nic_of(Node* property) {
  return get_first_instance(enclosing_group(property, "Quellfire"), "NICPhysicalHBA");
}

uint32_t handle_PortControllerName(Node* property, char* buffer, uint32_t op) {
  if (op != kOpRead) return 0;
  Node* nic = first_nic_of(property);
  Node* pci = nic != nullptr ? internal_get_node(nic, "PCI", OXIM_KIND_GROUP) : nullptr;
  if (pci == nullptr) return show(property, buffer, "N/A");
  return show(property, buffer,
              "Vallorn Nevrane at " + prop_or_empty(pci, "BusNumber") + ":" +
                  prop_or_empty(pci, "DeviceNumber"));
}

uint32_t handle_ControllerType(Node* property, char* buffer, uint32_t op) {
  if (op != kOpRead) return 0;
  return show(property, buffer, first_nic_of(property) != nullptr ? "Ethernet" : "N/A");
}

uint32_t handle_ProtocolSupported(Node* property, char* buffer, uint32_t op) {
  if (op != kOpRead) return 0;
  return show(property, buffer, first_nic_of(property) != nullptr ? "IEEE P802.3ae" : "N/A");
}

uint32_t handle_MaxSupportedController(Node* property, char* buffer, uint32_t op) {
  if (op != kOpRead) return 0;
  Node* controller = enclosing_group(property, "Quellfire");
  return show(property, buffer, std::to_string(groups_named(controller, "NICPhysicalHBA").size()));
}

}  // namespace

void register_controller_property_handlers(HandlerRegistry& registry) {
  registry.add_property("handle_qf_controller_properties", handle_qf_controller_properties);
  registry.add_property("handle_qf_controller_additional_properties",
                        handle_qf_controller_additional_properties);
  registry.add_property("handle_qf_temperature", handle_qf_temperature);
  registry.add_property("handle_ControllerStatus", handle_ControllerStatus);
  registry.add_property("handle_PCIExpressBusWidth", handle_pci_express);
  registry.add_property("handle_PCIExpressLinkSpeed", handle_pci_express);
  registry.add_property("handle_FFVName", handle_FFVName);
  registry.add_property("handle_AdvancedMode", handle_AdvancedMode);
  registry.add_property("handle_PortControllerName", handle_PortControllerName);
  registry.add_property("handle_ControllerType", handle_ControllerType);
  registry.add_property("handle_ProtocolSupported", handle_ProtocolSupported);
  registry.add_property("handle_MaxSupportedController", handle_MaxSupportedController);
}

}  // namespace oxim
