// The virtual functions of NIC functions (NICLogicalHBA groups): made from
// the NIC driver's virtual-function information when start-up places a NIC
// function and when its group is refreshed; their MAC address, VLAN and
// transmit rate read from that information and changed through the host's
// ip link; see virtual_functions.cc.
#ifndef OXIM_AREAS_NIC_VIRTUAL_FUNCTIONS_H_
#define OXIM_AREAS_NIC_VIRTUAL_FUNCTIONS_H_

#include <cstdint>

#include "core/node.h"

namespace oxim {

class HandlerRegistry;

// Whether OXIM_Get_VF_Info makes a NICLogicalHBA group per virtual function.
enum class VfGroups { kCount, kCreate };

// Reads the virtual functions of a NIC function; *count (may be null)
// receives their number. With kCreate one NICLogicalHBA group per virtual
// function is made under the function, in order (one that cannot be made is
// logged and skipped). 1 when the NIC driver cannot tell.
[[nodiscard]] uint32_t OXIM_Get_VF_Info(Node* nic_function, VfGroups groups, int* count);

void register_virtual_function_handlers(HandlerRegistry& registry);

}  // namespace oxim

#endif  // OXIM_AREAS_NIC_VIRTUAL_FUNCTIONS_H_
