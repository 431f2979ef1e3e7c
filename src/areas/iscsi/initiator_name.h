// The initiator's iSCSI name and alias (the InitiatoriSCSIName and
// InitiatorAlias properties of a logical HBA's InitiatoriSCSIName group), as
// the firmware keeps them in each iSCSI function's initiator name record
// (records/initiator_name.h): read from the function's record, and written
// to the record of every iSCSI function of the host, so that the name is the
// same on all of them and survives restarts of the library and reboots.
#ifndef OXIM_AREAS_ISCSI_INITIATOR_NAME_H_
#define OXIM_AREAS_ISCSI_INITIATOR_NAME_H_

#include <cstdint>

#include "records/initiator_name.h"
#include "transport/function_address.h"

namespace oxim {
class HandlerRegistry;
}

namespace oxim::iscsi {

// The function's initiator name record; 0, or 110 with the last status set.
[[nodiscard]] uint32_t get_name_params(const FunctionAddress& function,
                                       records::InitiatorNameRecord* record);

void register_initiator_name_handlers(HandlerRegistry& registry);

}  // namespace oxim::iscsi

#endif  // OXIM_AREAS_ISCSI_INITIATOR_NAME_H_
