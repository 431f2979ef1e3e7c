// Network boot of the functions: a NIC function's boot state and method
// (PXE, or iBFT on Korvel), its boot VLAN and volatile MAC address, the
// erase of its NIC configuration, and an iSCSI function's boot BIOS switch.
#include "areas/nic/network_boot.h"

#include <array>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "areas/controller/controller_status.h"
#include "areas/controller/controller_update.h"
#include "areas/nic/nic_status.h"
#include "core/address.h"
#include "core/log.h"
#include "core/node_store.h"
#include "core/strings.h"
#include "core/tree_services.h"
#include "kit/function_tree.h"
#include "kit/groups.h"
#include "kit/params.h"
#include "kit/properties.h"
#include "records/boot_config.h"
#include "records/erase_rom.h"
#include "records/oem_exec_config.h"
#include "schema/handler_registry.h"
#include "transport/commands.h"

namespace oxim {
namespace {

std::string cached_value(const Node* property) {
  char value[kValueSize];
  read_cached_value(property, value);
  return written_value(value);
}

// The boot configuration of a function (141 when it cannot be read).
uint32_t read_boot_config(Node* function, DriverKind kind,
                          std::array<uint8_t, records::kBootConfigSize>* record,
                          records::BootConfig* boot) {
  record->fill(0);
  std::optional<records::BootConfig> decoded;
  if (ioctl_get_boot_config(function_address(function), *record, kind) != 0 ||
      !(decoded = records::DecodeBootConfig(*record))) {
    return report(controller::kBootConfigNotRead);
  }
  *boot = *decoded;
  return 0;
}

// Sends a boot configuration back with its changed fields (142 on failure).
uint32_t write_boot_config(Node* function, DriverKind kind,
                           std::array<uint8_t, records::kBootConfigSize>* record,
                           const records::BootConfig& boot) {
  records::EncodeBootConfig(*record, boot);
  if (ioctl_set_boot_config(function_address(function), *record, kind) != 0) {
    return report(controller::kBootConfigNotSet);
  }
  return 0;
}

// The OEM execution configuration of a NIC function; nullopt (logged) when
// it cannot be read.
std::optional<records::OemExecConfig> read_oem_exec(Node* function) {
  std::array<uint8_t, records::kOemExecConfigSize> record{};
  const uint32_t status = ioctl_get_oem_exec_cfg(function_address(function), record);
  if (status != 0) {
    pdebug(kModuleAdapter, kLogError, "%s:ioctl_get_oem_exec_cfg failed with status = %d\n",
           __func__, static_cast<int>(status));
    return std::nullopt;
  }
  return records::DecodeOemExecConfig(record);
}

uint32_t write_oem_exec(Node* function, const records::OemExecConfig& config) {
  std::array<uint8_t, records::kOemExecConfigSize> record{};
  records::EncodeOemExecWrite(record, config);
  return ioctl_set_oem_exec_cfg(function_address(function), record);
}

uint32_t handle_AvailableNetworkBootMethods(Node* property, char* buffer, uint32_t op) {
  if (op != kOpRead) return 0;
  const int chip = get_qf_type(property);
  if (chip == kChipUndetermined || chip == kChipUnknown) return OXIM_STATUS_FAILURE;
  return show(property, buffer, chip == kChipKorvel ? "PXE,iBFT" : "PXE");
}

// NetworkBootMethod and NetworkBootState from one read of the boot
// configuration. Outside Korvel the state is "N/A" unless the function's
// boot code is enabled in the controller's map.
uint32_t handle_networkboot_config(Node* property, char* buffer, uint32_t op) {
  if (op != kOpRead) return 0;
  if (running_on_virtual_function()) return refuse_on_virtual_function(buffer);
  Node* boot_group = parent_of(property);
  Node* function = parent_of(boot_group);
  const int chip = get_qf_type(function);
  if (chip == kChipUndetermined) return OXIM_STATUS_FAILURE;
  std::array<uint8_t, records::kBootConfigSize> record{};
  records::BootConfig boot;
  if (uint32_t status = read_boot_config(function, DriverKind::kNic, &record, &boot)) return status;
  const char* state = boot.state == records::kBootEnabled ? "Enabled" : "Disabled";
  if (chip != kChipKorvel) {
    std::optional<uint32_t> number = pci_function_number(function, __func__);
    if (!number) return OXIM_STATUS_FAILURE;
    std::array<uint8_t, records::kPciFuncMappingSize> mapping{};
    std::optional<uint32_t> bitmap;
    if (ioctl_get_pci_func_mapping(function_address(function), mapping, DriverKind::kNic) != 0 ||
        !(bitmap = records::DecodePciFuncMapping(mapping))) {
      return report(controller::kBootConfigNotRead);
    }
    // A function the 32-bit map has no bit for has no boot code to show.
    const uint32_t bit = *number & (chip == kChipQF2 || chip == kChipQF3 ? 7u : 255u);
    if (!records::RomEnabled(*bitmap, bit)) state = "N/A";
  }
  set_prop_val(boot_group, "NetworkBootMethod", "%s",
               boot.method < records::kBootMethodIbft ? "PXE" : "iBFT");
  set_prop_val(boot_group, "NetworkBootState", "%s", state);
  return copy_out(property, buffer);
}

// VLANId and VLANPriority of network boot (not on QF2, which keeps them
// unchanged).
uint32_t handle_vlan_properties(Node* property, char* buffer, uint32_t op) {
  if (op != kOpRead) return 0;
  if (running_on_virtual_function()) std::strcpy(buffer, "N/A");
  Node* boot_group = parent_of(property);
  Node* function = parent_of(boot_group);
  const int chip = get_qf_type(function);
  if (chip == kChipUndetermined) return OXIM_STATUS_FAILURE;
  if (chip == kChipQF2) return copy_out(property, buffer);
  std::optional<records::OemExecConfig> config = read_oem_exec(function);
  if (!config) return OXIM_STATUS_FAILURE;
  set_prop_val(boot_group, "VLANId", "%u", config->vlan_id);
  set_prop_val(boot_group, "VLANPriority", "%u", config->priority);
  return copy_out(property, buffer);
}

// VolatileMACAddress: the address network boot uses in place of the
// permanent one (not on QF2).
uint32_t handle_VolatileMACAddress(Node* property, char* buffer, uint32_t op) {
  if (op != kOpRead && op != kOpWrite) return 0;
  Node* function = parent_of(parent_of(property));
  const int chip = get_qf_type(function);
  if (chip == kChipUndetermined) return OXIM_STATUS_FAILURE;
  if (chip == kChipQF2) {
    if (op == kOpWrite) return report(nic::kNotSupportedOnAdapter);
    return copy_out(property, buffer);
  }
  if (op == kOpRead) {
    if (running_on_virtual_function()) std::strcpy(buffer, "N/A");
    std::optional<records::OemExecConfig> config = read_oem_exec(function);
    if (!config) return OXIM_STATUS_FAILURE;
    return show(property, buffer, mac_text(config->mac, '-'));
  }
  if (running_on_virtual_function()) return report(kNotOnVirtualFunction);
  const std::string value = written_value(buffer);
  if (equal_ignoring_case(value, cached_value(property))) return 0;
  records::OemExecConfig config;
  if (validateMACAddress(value.c_str(), config.mac.data()) != 1) {
    return report(controller::kInvalidValue);
  }
  config.fields = records::kOemExecMac;
  if (write_oem_exec(function, config) != 0) return report(nic::kVolatileMacNotSet);
  write_cached_value(property, value.c_str());
  return 0;
}

// iSCSIBIOSEnable: whether the iSCSI function's boot BIOS runs.
uint32_t handle_iSCSIBIOSEnable(Node* property, char* buffer, uint32_t op) {
  if (op != kOpRead && op != kOpWrite) return 0;
  Node* function = parent_of(property);
  std::array<uint8_t, records::kBootConfigSize> record{};
  records::BootConfig boot;
  if (uint32_t status = read_boot_config(function, DriverKind::kIscsi, &record, &boot)) {
    return status;
  }
  if (op == kOpRead)
    return show(property, buffer, boot.state == records::kBootEnabled ? "Yes" : "No");
  const bool yes = equal_ignoring_case(written_value(buffer), "Yes");
  boot.state = yes ? records::kBootEnabled : records::kBootDisabled;
  if (uint32_t status = write_boot_config(function, DriverKind::kIscsi, &record, boot)) {
    return status;
  }
  write_cached_value(property, yes ? "Yes" : "No");
  return 0;
}

// SetNetworkBoot: turns network boot on with a method, or off.
uint32_t do_SetNetworkBoot(Node* boot_group, Node*, char* params) {
  const std::string state = param_text(params, 0);
  const std::string method = param_text(params, 1);
  Node* function = parent_of(boot_group);
  const int chip = get_qf_type(function);
  if (chip == kChipUndetermined || chip == kChipUnknown) return OXIM_STATUS_FAILURE;
  const bool enable = equal_ignoring_case(state, "Enabled");
  if (enable && method.empty()) return report(nic::kBootMethodMissing);
  if (enable && equal_ignoring_case(method, "iBFT") && chip != kChipKorvel) {
    return report(nic::kBootMethodNotSupported);
  }
  std::string current;
  if (!read_prop(boot_group, "NetworkBootState", &current)) return OXIM_STATUS_FAILURE;
  if (current == "N/A") return report(nic::kNetworkBootNotSupported);
  std::array<uint8_t, records::kBootConfigSize> record{};
  records::BootConfig boot;
  if (uint32_t status = read_boot_config(function, DriverKind::kNic, &record, &boot)) return status;
  boot.state = enable ? records::kBootEnabled : records::kBootDisabled;
  boot.method = !enable                              ? 0
                : equal_ignoring_case(method, "PXE") ? records::kBootMethodPxe
                                                     : records::kBootMethodIbft;
  if (uint32_t status = write_boot_config(function, DriverKind::kNic, &record, boot)) return status;
  set_prop_val(boot_group, "NetworkBootState", "%s", enable ? "Enabled" : "Disabled");
  return 0;
}

// ConfigureVLAN: the VLAN network boot uses (not on QF2); the priority
// stays as it is when none is given.
uint32_t do_ConfigureVLAN(Node* boot_group, Node*, char* params) {
  if (running_on_virtual_function()) return report(kNotOnVirtualFunction);
  Node* function = parent_of(boot_group);
  const int chip = get_qf_type(function);
  if (chip == kChipUndetermined) return OXIM_STATUS_FAILURE;
  if (chip == kChipQF2) return report(nic::kNotSupportedOnAdapter);
  const std::string vlan = param_text(params, 0);
  std::string priority = param_text(params, 1);
  if (priority.empty()) priority = cached_prop(boot_group, "VLANPriority");
  records::OemExecConfig config;
  config.fields = records::kOemExecVlan;
  config.vlan_id = static_cast<uint16_t>(std::strtoul(vlan.c_str(), nullptr, 10));
  config.priority = static_cast<uint8_t>(std::strtoul(priority.c_str(), nullptr, 10));
  if (write_oem_exec(function, config) != 0) return report(nic::kVlanNotSet);
  set_prop_val(boot_group, "VLANId", "%u", config.vlan_id);
  set_prop_val(boot_group, "VLANPriority", "%u", config.priority);
  return 0;
}

uint32_t do_EraseNICConfiguration(Node* function, Node*, char*) {
  if (running_on_virtual_function()) return report(kNotOnVirtualFunction);
  const uint32_t result = OXIM_EraseNICConfiguration(function);
  return result == kRebootNowStatus ? 0 : result;
}

}  // namespace

uint32_t OXIM_EraseNICConfiguration(Node* nic_function) {
  std::array<uint8_t, records::kEraseRequestSize> request{};
  records::EncodeEraseRequest(request, records::kEraseNicConfiguration);
  const uint32_t result =
      ioctl_erase_ROM(function_address(nic_function), request, DriverKind::kNic);
  if (result == 0) {
    (void)report(nic::kErased);
  } else if (result == kRebootNowStatus) {
    (void)report(nic::kErasedRebootNow);
  } else {
    (void)report(nic::kEraseFailed);
  }
  return result;
}

void register_network_boot_handlers(HandlerRegistry& registry) {
  registry.add_property("handle_AvailableNetworkBootMethods", handle_AvailableNetworkBootMethods);
  registry.add_property("handle_networkboot_config", handle_networkboot_config);
  registry.add_property("handle_vlan_properties", handle_vlan_properties);
  registry.add_property("handle_VolatileMACAddress", handle_VolatileMACAddress);
  registry.add_property("handle_iSCSIBIOSEnable", handle_iSCSIBIOSEnable);
  registry.add_command("do_SetNetworkBoot", do_SetNetworkBoot);
  registry.add_command("do_NICPhysicalHBA_NetworkBootConfiguration_ConfigureVLAN",
                       do_ConfigureVLAN);
  registry.add_command("do_EraseNICConfiguration", do_EraseNICConfiguration);
}

}  // namespace oxim
