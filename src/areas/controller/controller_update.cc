// Controller and function properties from the controller attributes; see
// controller_update.h.
#include "areas/controller/controller_update.h"

#include <cstdio>

#include "core/log.h"
#include "core/node_store.h"
#include "core/tree_services.h"
#include "kit/function_attributes.h"
#include "records/driver_records.h"

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

}  // namespace

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

}  // namespace oxim
