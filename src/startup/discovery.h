// Controller discovery and start-up: when the tree is built, find the
// adapter functions the host's drivers expose, open their devices, decide
// to which controller each function belongs, create one Quellfire group per
// controller and one physical-HBA group per function, and load the
// controller-wide data. While the library runs, keep the driver tables in
// step with the host: the NIC side is enumerated again before every NIC
// request, and a client that attaches later checks that the functions are
// still those of the tree.
#ifndef OXIM_STARTUP_DISCOVERY_H_
#define OXIM_STARTUP_DISCOVERY_H_

#include <cstdint>
#include <span>
#include <string>

#include "core/node.h"
#include "core/status.h"
#include "oxim/oxim.h"

namespace oxim {

inline constexpr StatusMessage kNoAdapter{
    313,
    "Nevrane Adapter Not found. Please make sure Vallorn NIC/iSCSI drivers are installed properly "
    "or Nevrane adapter inserted on PCIe Slot."};
inline constexpr StatusMessage kNoController{18, "System has no controller."};

// Builds the adapter part of the tree. Returns 0, also when no adapter is
// found (last status 313; the tree then holds only the root).
[[nodiscard]] uint32_t backend_init();
// Frees the private records of the physical HBAs and closes the devices.
void backend_exit();
// For a client attaching to a built tree (mode 0 or 1): rebuilds the tree
// while the host's functions differ from the tree's. A mode above 1 does
// nothing. 0, or 1 when the rebuild fails or there is no controller at all.
[[nodiscard]] uint32_t backend_client_init(int mode);
// OXIM_init of a client after the first: backend_client_init(0), which
// rebuilds the tree when the host's functions changed and lets the areas
// refresh what the firmware may have changed meanwhile (the iSCSI targets).
// 0 on success, also on a host without adapter (last status 313, as for the
// first client); 1 when the tree could not be rebuilt.
[[nodiscard]] uint32_t attach_later_client();
// For a client leaving (mode 0): closes the devices. Other modes do nothing.
[[nodiscard]] uint32_t backend_client_exit(int mode);

// The NIC refresh before every NIC request: enumerates the NIC functions
// again; when their number changed, rebuilds the tree and returns 1, else 0.
// During start-up's own discovery the change is only noted (the request
// still fails with 1): see discovery_saw_change.
int refresh_oxim_hierarchy();
// Whether the last backend_init saw the NIC functions change while it ran;
// what it built then describes functions the host no longer shows, and the
// tree is to be built again.
bool discovery_saw_change();

// Opens the iSCSI devices (instances 0 to 127) into the handle table;
// returns the number opened. Closes them again.
int os_get_port_instances();
void os_put_port_instances();
// Enumerates the NIC functions (chip information and interface names);
// returns their number, 0 when the device cannot be opened or no interface
// name was found.
int os_get_nic_port_instances();
// Fills the NIC function table from the chip information; returns the
// number of NIC functions (0 on failure).
int enumerate_qf_nics(int first_index);
// Fills the interface name table for NIC functions 1..count from the host
// configuration; returns count, or 0 when it cannot be read.
int get_interface_names(int count, int first_index);
// The host interface name of NIC function k (at most 9 characters), or "".
std::string interface_name(int function_index);

// Port bitmap: 1 when the controller's port has an iSCSI physical HBA, else
// 2 when it has a NIC physical HBA, else 4.
int get_port_bitmap(int controller, int port);
void set_port_bitmap();

// Prepares the library's directories and lets every area prepare its files
// (the saved-target files among them); returns the host kind (2 ESXi, 3
// other).
[[nodiscard]] uint32_t prepare_library_directories();

}  // namespace oxim

#endif  // OXIM_STARTUP_DISCOVERY_H_
