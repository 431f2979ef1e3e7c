// Tree services every adapter handler uses to find out which function,
// controller, port and chip a node belongs to: the function index kept in a
// physical HBA's private record, the firmware address of that function, the
// enclosing controller, logical HBA and port, and the chip type decided from
// the controller's PCI device ID.
#ifndef OXIM_KIT_FUNCTION_TREE_H_
#define OXIM_KIT_FUNCTION_TREE_H_

#include <cstdint>
#include <optional>

#include "core/node.h"
#include "core/status.h"
#include "transport/function_address.h"

namespace oxim {

// Chip types.
inline constexpr int kChipUndetermined = 1;
inline constexpr int kChipQF2 = 2;
inline constexpr int kChipQF3 = 3;
inline constexpr int kChipKorvel = 4;
inline constexpr int kChipTindra = 5;
inline constexpr int kChipFurther = 6;
inline constexpr int kChipUnknown = 65535;

// Status and message when the chip cannot be determined.
inline constexpr StatusMessage kControllerTypeUnknown{163, "Failed to get the controller type."};
// Status and message of what a handler refuses to do on an SR-IOV virtual
// function.
inline constexpr StatusMessage kNotOnVirtualFunction{
    256, "Performed operation is not supported on a SR-IOV virtual function."};

// The private record of a physical HBA group (16 bytes, owned by the group):
// its first word is the function index of the function the group shows.
inline constexpr int kFunctionRecordSize = 16;

// Attaches a private record holding function_index to group (replacing one
// it had). false when memory runs out (logged; the group then has no index).
bool attach_function_index(Node* group, int32_t function_index);

// The first non-zero function index in the private record of a physical HBA
// on the way from node up to the root, or -1.
int get_port_number(Node* node);
// The firmware address of the function node belongs to: its index, the
// enclosing logical HBA's instance as domain and the physical HBA's port
// number.
FunctionAddress function_address(Node* node);
// Instance number of the enclosing Quellfire group; 0 at the root.
int get_qf_instance(Node* node);
// The decimal PortNumber of the enclosing iSCSIPhysicalHBA,
// PortDiscoveryAndConfiguration or NICPhysicalHBA group; 0 at the root.
int get_phba_port_number(Node* node);
// Instance number of the enclosing LogicalHBA group; 0 at the root.
int get_domain_id(Node* node);

// The chip type of the controller node belongs to, from the DeviceID of the
// PCI group of its first iSCSIPhysicalHBA (else first NICPhysicalHBA). 1
// with last status 163 when there is no such DeviceID or it is not wholly
// hexadecimal.
int get_qf_type(Node* node);
// The chip type of a PCI device ID.
int chip_type_of_device_id(uint32_t device_id);

// The iSCSIPhysicalHBA, else the NICPhysicalHBA, of controller whose
// PortNumber equals port (text), or nullptr.
Node* get_valid_phba(Node* controller, const char* port);

// 1 when the controller's ActiveFirmwareVersion cannot be read or its first
// 11 characters compare greater than "3.102.148.0"; else 0.
int is_ncsi_required(Node* controller);

// The driver of a physical HBA's function: the iSCSI driver for an
// iSCSIPhysicalHBA, the NIC driver for a NICPhysicalHBA.
DriverKind driver_kind_of(const Node* physical_hba);

// The function that carries a controller's own firmware commands: its first
// iSCSIPhysicalHBA, else its first NICPhysicalHBA, with that group's address
// and driver.
struct ControllerFunction {
  Node* group = nullptr;
  FunctionAddress address;
  DriverKind kind = DriverKind::kIscsi;
};
// nullopt when the controller has no physical HBA.
std::optional<ControllerFunction> controller_function(Node* controller);

// Whether the library runs on an SR-IOV virtual function: start-up sets it
// from its probe of the functions; handlers refuse what a virtual function
// may not do.
bool running_on_virtual_function();
void set_running_on_virtual_function(bool virtual_function);
// What a property handler does on a virtual function where the value is not
// there: "N/A" into the caller's 256-byte buffer (when given), last status
// 256; returns 256.
uint32_t refuse_on_virtual_function(char* buffer);

}  // namespace oxim

#endif  // OXIM_KIT_FUNCTION_TREE_H_
