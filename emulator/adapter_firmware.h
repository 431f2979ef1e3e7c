// The emulated firmware's commands about the adapter and its functions'
// network side: MAC addresses, link status and parameters, flow control,
// boot configuration and boot code map, the OEM execution configuration
// (volatile MAC and boot VLAN) of NIC functions, vNIC channels, VPD and FRU
// VPD, FFV parameters, NC-SI attributes, 10GBASE-T statistics, and the erase
// request (which forwards the iSCSI erase to iscsi_firmware.h).
//
// Chip differences: the OEM execution configuration is not there on QF2; the
// flow control on QF2 and Korvel; the FFV parameters only on Korvel and
// Tindra; the version-1 VPD command only on Korvel; the version-1 10GBASE-T
// statistics only on Tindra, and either only for a controller whose ports
// have a 10GBASE-T PHY. A command that is not there answers 66.
//
// Flash (records under the model's state directory): each function's boot
// configuration and boot VLAN, each controller's NC-SI dynamic block and FFV
// name. Volatile (NicFunctionState): virtual functions and volatile MACs.
#ifndef OXIM_EMULATOR_ADAPTER_FIRMWARE_H_
#define OXIM_EMULATOR_ADAPTER_FIRMWARE_H_

#include <cstdint>
#include <span>
#include <vector>

#include "adapter_model.h"
#include "firmware.h"

namespace oxim::emulator {

// The handlers of these commands, for the firmware's table.
std::span<const HandlerEntry> AdapterHandlers();

// The VPD of a function (a PCI VPD: identifier string, read-only fields with
// part number, serial number and port, end tag), at most 1024 bytes.
std::vector<uint8_t> FunctionVpd(const AdapterModel& model, const FunctionRef& function);
// The controller's FRU VPD, records::kFruVpdTotalSize bytes.
std::vector<uint8_t> ControllerFruVpd(const AdapterModel& model, const FunctionRef& function);

}  // namespace oxim::emulator

#endif  // OXIM_EMULATOR_ADAPTER_FIRMWARE_H_
