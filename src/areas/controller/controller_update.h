// The controller and function properties written once when the tree is
// built: the controller's identity and versions, and each function's PCI
// identity and port, from the controller attributes the firmware reports
// for the function (the 540-byte record of records/controller_attributes.h).
#ifndef OXIM_AREAS_CONTROLLER_CONTROLLER_UPDATE_H_
#define OXIM_AREAS_CONTROLLER_CONTROLLER_UPDATE_H_

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "core/node.h"
#include "records/controller_attributes.h"
#include "transport/function_address.h"

namespace oxim {

// Sets a controller group's Manufacturer, ModelNumber, SerialNumber,
// Description, versions, FirmwareStatus and Capabilities from attributes. A
// non-zero flag does nothing and returns 1. 1 when a property is missing.
[[nodiscard]] uint32_t OXIM_update_cntr_attribs(Node* controller,
                                                const records::ControllerAttributes& attributes,
                                                int flag);

// Sets a physical HBA's PCI identity (VendorID, DeviceID, SubsysVendorID,
// SubsysDeviceID as "0x%04x"; BusNumber, DeviceNumber, FunctionNumber as
// "0x%x"), its PortNumber and driver version, and for an iSCSI function its
// iSCSI versions, LDTO, DefaultETO and MaxCDBLength. 1 when a property is
// missing.
[[nodiscard]] uint32_t OXIM_update_driver_attribs(int function_index, Node* physical_hba,
                                                  DriverKind kind,
                                                  const records::ControllerAttributes& attributes);

// Fills the OEM group of a controller (VallornSerialNumber, OEMSerialNumber,
// PersonalityManagementWord) from its OEM parameters. On a virtual function
// all three are "N/A" and it returns 1; a failed command returns 1 with last
// status 74.
[[nodiscard]] uint32_t OXIM_update_oem_props(Node* controller);
// Fills the controller's FCoE, UEFI and PHY versions and IPL file name from
// its additional attributes. 1 with last status 192 when they cannot be
// read, 1 when a property is missing.
[[nodiscard]] uint32_t OXIM_update_cntr_additional_attribs(Node* controller);
// Sets the FactoryDefaultMACAddress of a physical HBA (for an iSCSI function
// the one of its Network/NICConfiguration group): on QF2 and QF3 the
// permanent address of the MAC query, on Korvel and Tindra the first of the
// factory MAC list; other chips leave it. 1 on failure.
[[nodiscard]] uint32_t OXIM_update_fd_mac(Node* physical_hba);

// The decimal PCI function number of a physical HBA, from its PCI group's
// FunctionNumber (a number in any base); nullopt, with a log line naming
// `caller`, when the group or property is missing or the text is not wholly
// a non-negative number.
std::optional<uint32_t> pci_function_number(Node* physical_hba, const char* caller);

// The name of an IPL file from the additional attributes: the name the
// firmware gives, else on QF3 (numbers 1 to 113) and Tindra (256 on) the
// name of the IPL table with the suffix number in upper-case hexadecimal;
// "N/A" otherwise.
std::string ipl_file_name(int chip, uint16_t number, uint16_t suffix, const std::string& name);

// A MAC address as six two-digit lower-case hexadecimal numbers joined by
// `separator`.
std::string mac_text(std::span<const uint8_t, 6> mac, char separator);

// The text of the capability bits ("TCP offload,Raw Ethernet,..."), or
// "Invalid" when bit 15 is set.
std::string capabilities_text(uint32_t bits);
// The text of the firmware state byte.
const char* firmware_state_text(uint8_t state);

}  // namespace oxim

#endif  // OXIM_AREAS_CONTROLLER_CONTROLLER_UPDATE_H_
