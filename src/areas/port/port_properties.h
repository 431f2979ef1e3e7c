// Property handlers of a port (PortDiscoveryAndConfiguration group) that
// read the port's function: its flow control, and the 10GBASE-T PHY
// statistics and link-down reason of its BaseT10G group. The firmware
// commands go to the port's function (its iSCSI function, else its NIC
// function, as the port bitmap chooses the driver).
#ifndef OXIM_AREAS_PORT_PORT_PROPERTIES_H_
#define OXIM_AREAS_PORT_PORT_PROPERTIES_H_

namespace oxim {

class HandlerRegistry;

void register_port_property_handlers(HandlerRegistry& registry);

}  // namespace oxim

#endif  // OXIM_AREAS_PORT_PORT_PROPERTIES_H_
