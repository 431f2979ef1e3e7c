// NC-SI: whether a controller shares its ports with a management controller
// (the NCSI group: NCSISupport, NCSIQFHandShake, NCSIVersion) and, on QF2
// controllers that support it, the static sideband settings
// (NCSIStaticConfiguration0, read-only) and the dynamic ones
// (NCSIDynamicConfiguration0, writable). Every read asks the firmware again;
// a write reads the firmware's dynamic block first, so that only the named
// field changes.
#ifndef OXIM_AREAS_CONTROLLER_NCSI_H_
#define OXIM_AREAS_CONTROLLER_NCSI_H_

#include <cstdint>

#include "core/node.h"

namespace oxim {

class HandlerRegistry;

// Which sub-group a load fills besides the NCSI group's own properties.
enum class NcsiRequest { kNcsi, kStatic, kDynamic };
// Whether a load creates the QF2 sub-groups (start-up) or finds them.
enum class NcsiGroups { kCreate, kFind };

// Loads the NC-SI attributes of the controller that holds `ncsi` and fills
// its properties and those of the requested sub-group. 0; 1 when the chip is
// not determined, a group or property is missing; else the command's status.
[[nodiscard]] uint32_t OXIM_get_ncsi_attributes(Node* ncsi, NcsiRequest request, NcsiGroups groups);

void register_ncsi_handlers(HandlerRegistry& registry);

}  // namespace oxim

#endif  // OXIM_AREAS_CONTROLLER_NCSI_H_
