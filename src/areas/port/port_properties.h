// Property handlers of a port (PortDiscoveryAndConfiguration group) that
// read the port's function: its flow control, and the 10GBASE-T PHY
// statistics and link-down reason of its BaseT10G group. The firmware
// commands go to the port's function (its iSCSI function, else its NIC
// function, as the port bitmap chooses the driver).
#ifndef OXIM_AREAS_PORT_PORT_PROPERTIES_H_
#define OXIM_AREAS_PORT_PORT_PROPERTIES_H_

#include "core/node.h"

namespace oxim {

class HandlerRegistry;

// The physical HBA that carries a port group's commands: the port's iSCSI
// function, else its NIC function (the port bitmap's choice); nullptr for a
// port without function.
Node* port_function(Node* port_group);

void register_port_property_handlers(HandlerRegistry& registry);

}  // namespace oxim

#endif  // OXIM_AREAS_PORT_PORT_PROPERTIES_H_
