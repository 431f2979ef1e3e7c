// The controller and function properties written once when the tree is
// built: the controller's identity and versions, and each function's PCI
// identity and port, from the controller attributes the firmware reports
// for the function (the 540-byte record of records/controller_attributes.h).
#ifndef OXIM_AREAS_CONTROLLER_CONTROLLER_UPDATE_H_
#define OXIM_AREAS_CONTROLLER_CONTROLLER_UPDATE_H_

#include <cstdint>
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

// The text of the capability bits ("TCP offload,Raw Ethernet,..."), or
// "Invalid" when bit 15 is set.
std::string capabilities_text(uint32_t bits);
// The text of the firmware state byte.
const char* firmware_state_text(uint8_t state);

}  // namespace oxim

#endif  // OXIM_AREAS_CONTROLLER_CONTROLLER_UPDATE_H_
