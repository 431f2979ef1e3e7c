// What an iSCSI function of the emulated adapter keeps in flash: its
// persistent entries (the login requests as the library added them), its
// discovery parameters and its target store, which follows the persistent
// entries and the sessions. Used by the iSCSI firmware (iscsi_firmware.h);
// the caller serialises access.
#ifndef OXIM_EMULATOR_ISCSI_STORE_H_
#define OXIM_EMULATOR_ISCSI_STORE_H_

#include <string_view>
#include <vector>

#include "adapter_model.h"
#include "iscsi_firmware.h"
#include "storage_network.h"

namespace oxim::emulator {

// Flash records. Persistent entries: their login requests back to back.
// Target store: per target a u32 length and its target record. Discovery
// parameters: the 888 bytes as set. A Load keeps what it can read; a Save is
// false when the flash cannot be written.
bool SavePersistent(AdapterModel& model, const IscsiFunctionState& f);
void LoadPersistent(AdapterModel& model, IscsiFunctionState& f);
bool SaveTargets(AdapterModel& model, const IscsiFunctionState& f);
void LoadTargets(AdapterModel& model, IscsiFunctionState& f);
bool SaveDiscovery(AdapterModel& model, const IscsiFunctionState& f);
void LoadDiscovery(AdapterModel& model, IscsiFunctionState& f);

// The stored target of that name (ignoring case), or null.
records::FirmwareTarget* FindStoredTarget(IscsiFunctionState& f, std::string_view name);
// Enters the target of a login or persistent entry, its portal in a group
// of its own tagged with the simulated portal's tag (1 for a portal the
// network does not know). True when the store changed.
bool StoreTarget(IscsiFunctionState& f, const std::vector<SimulatedTarget>& network,
                 const records::LoginRequest& request);
// Drops the portals that no persistent entry and no session of their target
// refers to, and the targets left without portal (those no persistent entry
// and no session refers to). True when the store changed.
bool PruneTargets(IscsiFunctionState& f);

}  // namespace oxim::emulator

#endif  // OXIM_EMULATOR_ISCSI_STORE_H_
