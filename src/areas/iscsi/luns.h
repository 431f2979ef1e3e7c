// The logical units of a target as LUN(n) groups, and the SCSI commands
// that list and describe them: REPORT LUNS through each session, standard
// and unit serial number INQUIRY, READ CAPACITY, and a diagnostic WRITE,
// all through the firmware's SCSI pass-through. Also the host hooks that
// keep the operating system's view of the devices in step.
//
// Each LUN group carries a private record of four u32: 0, the first four
// bytes of its REPORT LUNS entry read big-endian, the last four likewise,
// and the firmware handle of the session that reported it.
#ifndef OXIM_AREAS_ISCSI_LUNS_H_
#define OXIM_AREAS_ISCSI_LUNS_H_

#include <cstdint>
#include <string>

#include "core/node.h"

namespace oxim {
class HandlerRegistry;
}

namespace oxim::iscsi {

// Rebuilds the LUN groups of target from a REPORT LUNS through each of its
// open sessions (at most 255 LUNs each). *changed is set when the number
// of LUNs differs from before or a LUN appeared that was not there. 0; 42
// when the target has no session; 90 when some session failed (the others
// are listed); 1 otherwise. Sets no last status. Which sessions are open
// is read from the firmware, or (kCurrent) taken from the tree, for a
// caller that has just read every session of the target.
enum class SessionStatuses { kRead, kCurrent };
[[nodiscard]] uint32_t get_all_luns(Node* target, bool* changed,
                                    SessionStatuses statuses = SessionStatuses::kRead);

// Every target's LUNs of a logical HBA again, as a best effort: a target
// without sessions has none, and no step leaves a status behind.
void rescan_all_luns(Node* logical_hba);

// Host hooks: rescan the host's SCSI devices; prepare a device, named by
// its vendor and model, for removal. This host needs neither: both succeed.
[[nodiscard]] uint32_t scan_from_os();
[[nodiscard]] uint32_t os_prepare_device_for_removal(const std::string& vendor,
                                                     const std::string& model);

void register_lun_handlers(HandlerRegistry& registry);

}  // namespace oxim::iscsi

#endif  // OXIM_AREAS_ISCSI_LUNS_H_
