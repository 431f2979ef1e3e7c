// What the emulated adapter's boot code reads besides the persistent
// entries: the iSCSI regions of a Tindra controller's ports, stored objects
// read and written with the version-1 object commands (subsystem 1,
// opcodes 171 and 172), and the initiator name record of every iSCSI
// function (subsystem 6, opcodes 6 and 7). Both are flash.
//
// A Tindra controller has the objects "/iscsidata/Port%x/Instance0/Region2"
// and "...Region3" for each of its ports (records/iscsi_region.h). Until
// one is written it holds its seed: the controller's iscsi_regions entry
// for it, else a region with one TLV that is no boot target or CHAP TLV
// (type 1, value 1), so that removing every boot target TLV never leaves a
// region without TLVs. Other chips have no iSCSI objects; object names
// outside "/iscsidata/" are not modelled (status 66).
//
// The initiator name record starts with a valid iSCSI name of the function
// built from the configuration ("iqn.2026-01.net.oxim-lab:" and the
// controller's serial number and the function's PCI address) and no alias.
#ifndef OXIM_EMULATOR_BOOT_FIRMWARE_H_
#define OXIM_EMULATOR_BOOT_FIRMWARE_H_

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "adapter_model.h"
#include "firmware.h"

namespace oxim::emulator {

// The initiator name a function has until one is saved.
std::string DefaultInitiatorName(const AdapterModel& model, const FunctionRef& function);

// The bytes region (2 or 3) of the function's port holds now (its seed
// until written); nullopt when the function's controller has no such
// region.
std::optional<std::vector<uint8_t>> RegionBytes(AdapterModel& model, const FunctionRef& function,
                                                int region);

// The handlers of the object and initiator name commands, for the
// firmware's table.
std::span<const HandlerEntry> BootHandlers();

}  // namespace oxim::emulator

#endif  // OXIM_EMULATOR_BOOT_FIRMWARE_H_
