// Property handlers of the controller group and its NICCIM group (versions,
// state, temperature, PCI Express link, FFV name, advanced mode); see
// controller_properties.cc.
#ifndef OXIM_AREAS_CONTROLLER_CONTROLLER_PROPERTIES_H_
#define OXIM_AREAS_CONTROLLER_CONTROLLER_PROPERTIES_H_

namespace oxim {

class HandlerRegistry;

void register_controller_property_handlers(HandlerRegistry& registry);

}  // namespace oxim

#endif  // OXIM_AREAS_CONTROLLER_CONTROLLER_PROPERTIES_H_
