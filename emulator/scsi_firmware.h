// SCSI through the emulated firmware's sessions (ioctl_scsi_passthru) and
// the bandwidth limits of its functions (ioctl_qos_get, ioctl_qos_set).
//
// A pass-through goes to the LUN the record names through the session of
// its handle: to a simulated target's LUN table (storage_network.h), which
// answers REPORT LUNS, INQUIRY (standard and unit serial number page), READ
// CAPACITY (10) and (16), READ (10) and WRITE (10) as a disk does, or
// unchanged to a real target through the session's libiscsi context
// (real_iscsi.h). The target's SCSI status and sense go into the answer;
// data it did not send is zero. A session that is not open answers as the
// firmware does for a lost connection (status 1, additional status 18).
//
// The handlers are registered in the firmware's table (firmware.cc) from
// ScsiHandlers(). Not thread-safe: the adapter serialises access, and the
// pass-through to a real target releases the adapter's lock while it waits.
#ifndef OXIM_EMULATOR_SCSI_FIRMWARE_H_
#define OXIM_EMULATOR_SCSI_FIRMWARE_H_

#include <cstdint>
#include <span>

#include "firmware.h"
#include "records/scsi_passthrough.h"
#include "storage_network.h"

namespace oxim::emulator {

// Additional status (with firmware status 1) of a pass-through through a
// session that is not open.
inline constexpr uint16_t kScsiSessionNotOpen = 18;

// Runs one command against a simulated target's LUNs: fills the answer's
// SCSI status, sense and data (sized as the request's). LUN check-condition
// counters count down.
void RunSimulatedScsi(SimulatedTarget& target, records::ScsiPassthrough& command);

// The handlers of the pass-through and QoS commands, for the firmware's
// table.
std::span<const HandlerEntry> ScsiHandlers();

}  // namespace oxim::emulator

#endif  // OXIM_EMULATOR_SCSI_FIRMWARE_H_
