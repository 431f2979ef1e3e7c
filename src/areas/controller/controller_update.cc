// Controller and function properties from the controller attributes; see
// controller_update.h.
#include "areas/controller/controller_update.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "areas/controller/controller_status.h"
#include "core/log.h"
#include "core/node_store.h"
#include "core/tree_services.h"
#include "kit/function_attributes.h"
#include "kit/function_tree.h"
#include "kit/groups.h"
#include "kit/properties.h"
#include "records/additional_attributes.h"
#include "records/driver_records.h"
#include "records/mac_records.h"
#include "records/oem_params.h"
#include "transport/commands.h"

namespace oxim {
namespace {

// Sets a property's cached value; counts a missing property as a failure.
void set(Node* group, const char* name, const std::string& value, uint32_t* status) {
  if (set_prop_val(group, name, "%s", value.c_str()) != 0) *status = OXIM_STATUS_FAILURE;
}

std::string hex16(uint16_t value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%04x", value);
  return text;
}

// The maker's serial number: two characters and the binary bytes in
// hexadecimal.
std::string vallorn_serial(const records::OemParams& oem) {
  std::string text;
  for (uint8_t c : oem.prefix) {
    if (c != 0) text += static_cast<char>(c);  // "%c" of a NUL ends the text
  }
  char hex[3];
  for (uint8_t b : oem.binary) {
    std::snprintf(hex, sizeof hex, "%02x", b);
    text += hex;
  }
  return text;
}

// The OEM parameters of a controller: Korvel's command through its first
// NIC function, the other chips' through the controller's function.
uint32_t read_oem_params(Node* controller, int chip, std::span<uint8_t> answer) {
  if (chip == kChipKorvel) {
    if (Node* nic = get_first_instance(controller, "NICPhysicalHBA")) {
      return ioctl_get_korvel_oem_params_v1(function_address(nic), answer);
    }
  }
  std::optional<ControllerFunction> target = controller_function(controller);
  if (!target) return OXIM_STATUS_FAILURE;
  return ioctl_get_oem_params(target->address, answer, instance_number(controller));
}

}  // namespace

std::string mac_text(std::span<const uint8_t, 6> mac, char separator) {
  char text[18];
  std::snprintf(text, sizeof text, "%02x%c%02x%c%02x%c%02x%c%02x%c%02x", mac[0], separator, mac[1],
                separator, mac[2], separator, mac[3], separator, mac[4], separator, mac[5]);
  return text;
}

std::optional<uint32_t> pci_function_number(Node* physical_hba, const char* caller) {
  Node* pci = internal_get_node(physical_hba, "PCI", OXIM_KIND_GROUP);
  if (pci == nullptr) {
    pdebug(kModuleAdapter, kLogError, "%s: Failed to get pci node\n", caller);
    return std::nullopt;
  }
  std::string text;
  if (!read_prop(pci, "FunctionNumber", &text)) {
    pdebug(kModuleAdapter, kLogError, "%s: Failed to get function number\n", caller);
    return std::nullopt;
  }
  char* end = nullptr;
  errno = 0;
  const long number = std::strtol(text.c_str(), &end, 0);
  if (text.empty() || *end != '\0' || errno != 0 || number < 0 || number > 0xFFFF) {
    pdebug(kModuleAdapter, kLogError, "%s: pf_num is invalid\n", caller);
    return std::nullopt;
  }
  return static_cast<uint32_t>(number);
}

std::string capabilities_text(uint32_t bits) {
  if ((bits & (1u << 15)) != 0) return "Invalid";
  static const char* const kNames[] = {"TCP offload",
                                       "Raw Ethernet",
                                       "RDMA Protocol",
                                       "Virtual Machines",
                                       "iSCSI Initiator",
                                       "iSCSI target plus initiator",
                                       "FCoE Initiator",
                                       "FCoE Target",
                                       "DAL",
                                       "LRO"};
  std::string text;
  for (unsigned bit = 0; bit < std::size(kNames); ++bit) {
    if ((bits & (1u << bit)) == 0) continue;
    if (!text.empty()) text += ",";
    text += kNames[bit];
  }
  return text;
}

const char* firmware_state_text(uint8_t state) {
  switch (state) {
    case 0: return "Working";
    case 1: return "Degraded";
    case 2: return "Critical";
    case 3: return "Failed";
    default: return "Unknown";
  }
}

uint32_t OXIM_update_cntr_attribs(Node* controller, const records::ControllerAttributes& a,
                                  int flag) {
  if (flag != 0 || !is_group(controller)) return OXIM_STATUS_FAILURE;
  pdebug(kModuleAdapter, kLogDebug, "%s:strlen(serial_number) = %d serial_number = %s\n", __func__,
         static_cast<int>(a.serial_number.size()), a.serial_number.c_str());
  pdebug(kModuleAdapter, kLogDebug, "Adapter Description    = %s\n", a.description.c_str());
  pdebug(kModuleAdapter, kLogDebug, "ActiveFirmwareVersion  = %s\n",
         a.active_firmware_version.c_str());
  pdebug(kModuleAdapter, kLogDebug, "FirmwareVersionOnFlash = %s\n",
         a.flash_firmware_version.c_str());
  uint32_t status = OXIM_STATUS_SUCCESS;
  set(controller, "Manufacturer", a.manufacturer, &status);
  set(controller, "ModelNumber", a.model_number, &status);
  set(controller, "SerialNumber", a.serial_number.substr(0, 32), &status);
  set(controller, "Description", a.description, &status);
  set(controller, "ActiveFirmwareVersion", a.active_firmware_version, &status);
  set(controller, "BIOSVersion", a.bios_version, &status);
  set(controller, "BootCodeVersion", a.boot_code_version, &status);
  set(controller, "FirmwareVersionOnFlash", a.flash_firmware_version, &status);
  set(controller, "FirmwareStatus", firmware_state_text(a.firmware_state), &status);
  set(controller, "Capabilities", capabilities_text(a.capabilities), &status);
  return status;
}

uint32_t OXIM_update_driver_attribs(int function_index, Node* physical_hba, DriverKind kind,
                                    const records::ControllerAttributes& a) {
  Node* pci = internal_get_node(physical_hba, "PCI", OXIM_KIND_GROUP);
  if (pci == nullptr) return OXIM_STATUS_FAILURE;
  uint32_t status = OXIM_STATUS_SUCCESS;
  set(pci, "VendorID", hex16(a.vendor_id), &status);
  set(pci, "DeviceID", hex16(a.device_id), &status);
  set(pci, "SubsysVendorID", hex16(a.subsystem_vendor_id), &status);
  set(pci, "SubsysDeviceID", hex16(a.subsystem_device_id), &status);
  set(pci, "BusNumber", pci_number_text(a.address.bus), &status);
  set(pci, "DeviceNumber", pci_number_text(a.address.device), &status);
  set(pci, "FunctionNumber", pci_number_text(a.address.function), &status);
  pdebug(kModuleAdapter, kLogDebug, "%s: PortNumber = %d from firmware\n", __func__,
         a.further_count);
  set(physical_hba, "PortNumber", std::to_string(a.further_count), &status);
  if (kind == DriverKind::kIscsi) {
    set(physical_hba, "iSCSIVersionMin", std::to_string(a.iscsi_versions & 0x0F), &status);
    set(physical_hba, "iSCSIVersionMax", std::to_string(a.iscsi_versions >> 4), &status);
    set(physical_hba, "LDTO", std::to_string(a.link_down_timeout), &status);
    set(physical_hba, "DefaultETO", std::to_string(a.default_eto), &status);
    set(physical_hba, "MaxCDBLength", std::to_string(a.max_cdb_length), &status);
  }
  if (Node* driver = internal_get_node(physical_hba, "Driver", OXIM_KIND_GROUP)) {
    set(driver, "DriverVersion", a.driver_version, &status);
  }
  if (status != OXIM_STATUS_SUCCESS) {
    pdebug(kModuleAdapter, kLogError, "%s: properties of function %d missing\n", __func__,
           function_index);
  }
  return status;
}

uint32_t OXIM_update_oem_props(Node* controller) {
  Node* oem_group = internal_get_node(controller, "OEM", OXIM_KIND_GROUP);
  if (oem_group == nullptr) return OXIM_STATUS_FAILURE;
  if (running_on_virtual_function()) {
    for (const char* name :
         {"VallornSerialNumber", "OEMSerialNumber", "PersonalityManagementWord"}) {
      set_prop_val(oem_group, name, "N/A");
    }
    return OXIM_STATUS_FAILURE;
  }
  const int chip = get_qf_type(controller);
  if (chip == kChipUndetermined) return OXIM_STATUS_FAILURE;
  std::array<uint8_t, records::kOemParamsSize> answer{};
  const records::OemChip layout =
      chip == kChipKorvel ? records::OemChip::kKorvel : records::OemChip::kOther;
  std::optional<records::OemParams> oem;
  if (read_oem_params(controller, chip, answer) != OXIM_STATUS_SUCCESS ||
      !(oem = records::DecodeOemParams(answer, layout))) {
    return report(controller::kOemNotRead);
  }
  uint32_t status = OXIM_STATUS_SUCCESS;
  set(oem_group, "VallornSerialNumber", vallorn_serial(*oem), &status);
  set(oem_group, "OEMSerialNumber", oem->serial.value_or("N/A"), &status);
  char word[12];
  std::snprintf(word, sizeof word, "0x%08x", oem->personality_word);
  set(oem_group, "PersonalityManagementWord", word, &status);
  return status;
}

uint32_t OXIM_update_cntr_additional_attribs(Node* controller) {
  std::optional<ControllerFunction> target = controller_function(controller);
  if (!target) return OXIM_STATUS_FAILURE;
  const int chip = get_qf_type(controller);
  if (chip == kChipUndetermined) return OXIM_STATUS_FAILURE;
  std::array<uint8_t, records::kAdditionalAttributesSize> answer{};
  const uint32_t command = ioctl_get_cnt_additional_attribs(target->address, answer, target->kind);
  pdebug(kModuleAdapter, kLogDebug, "%s: ioctl_get_cnt_additional_attribs status  = %d\n", __func__,
         static_cast<int>(command));
  std::optional<records::AdditionalAttributes> a;
  if (command != OXIM_STATUS_SUCCESS || !(a = records::DecodeAdditionalAttributes(answer))) {
    return report(controller::kAdditionalAttributesNotRead);
  }
  uint32_t status = OXIM_STATUS_SUCCESS;
  set(controller, "FCoEUniversalVersion", a->fcoe_universal_version, &status);
  set(controller, "FCoEx86BIOSVersion", a->fcoe_x86_bios_version, &status);
  set(controller, "FCoEEFIVersion", a->fcoe_efi_version, &status);
  set(controller, "FCoEFCODEVersion", a->fcoe_fcode_version, &status);
  set(controller, "UEFIBIOSVersion", a->uefi_bios_version, &status);
  set(controller, "UEFINICVersion", a->uefi_nic_version, &status);
  set(controller, "UEFIFCODEVersion", a->uefi_fcode_version, &status);
  set(controller, "UEFISCSIVersion", a->uefi_iscsi_version, &status);
  const bool no_phy = chip == kChipKorvel || a->phy_firmware_version.empty();
  set(controller, "PHYFirmwareVersion", no_phy ? "N/A" : a->phy_firmware_version, &status);
  set(controller, "PHYConfigurationId", no_phy ? "N/A" : "0x" + a->phy_configuration_id, &status);
  set(controller, "IPLFileName",
      ipl_file_name(chip, a->ipl_file_number, a->ipl_suffix_number, a->ipl_file_name), &status);
  return status;
}

uint32_t OXIM_update_fd_mac(Node* physical_hba) {
  if (!pci_function_number(physical_hba, __func__)) return OXIM_STATUS_FAILURE;
  const int chip = get_qf_type(physical_hba);
  const DriverKind kind = driver_kind_of(physical_hba);
  const FunctionAddress address = function_address(physical_hba);
  std::optional<records::MacAddress> factory;
  if (chip == kChipQF2 || chip == kChipQF3) {
    std::array<uint8_t, records::kMacQuerySize> query{};
    records::EncodeMacQueryRequest(query);
    if (ioctl_get_mac_query(address, query, kind) != OXIM_STATUS_SUCCESS) {
      return OXIM_STATUS_FAILURE;
    }
    factory = records::DecodeMacQuery(query)->permanent;
  } else if (chip == kChipKorvel || chip == kChipTindra) {
    std::array<uint8_t, records::kMacListSize> list{};
    records::EncodeMacListRequest(list);
    std::optional<std::vector<records::MacAddress>> macs;
    if (ioctl_get_mac_list(address, list, kind) != OXIM_STATUS_SUCCESS ||
        !(macs = records::DecodeMacList(list)) || macs->empty()) {
      return OXIM_STATUS_FAILURE;
    }
    factory = macs->front();
  } else {
    return chip == kChipUndetermined ? OXIM_STATUS_FAILURE : OXIM_STATUS_SUCCESS;
  }
  Node* holder = physical_hba;
  if (kind == DriverKind::kIscsi) {
    Node* network = internal_get_node(physical_hba, "Network", OXIM_KIND_GROUP);
    holder = network != nullptr ? internal_get_node(network, "NICConfiguration", OXIM_KIND_GROUP)
                                : nullptr;
  }
  return set_prop_val(holder, "FactoryDefaultMACAddress", "%s", mac_text(*factory, '-').c_str()) ==
                 0
             ? OXIM_STATUS_SUCCESS
             : OXIM_STATUS_FAILURE;
}

}  // namespace oxim
