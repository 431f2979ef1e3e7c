// Property handlers of the network side of NIC and iSCSI functions: MAC
// addresses, MTU, logical link, CIM descriptions, port speed, vNIC channels
// and active port; see nic_properties.cc.
#ifndef OXIM_AREAS_NIC_NIC_PROPERTIES_H_
#define OXIM_AREAS_NIC_NIC_PROPERTIES_H_

namespace oxim {

class HandlerRegistry;

void register_nic_property_handlers(HandlerRegistry& registry);

}  // namespace oxim

#endif  // OXIM_AREAS_NIC_NIC_PROPERTIES_H_
