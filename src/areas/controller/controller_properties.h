// Property handlers of the controller group that read the firmware.
#ifndef OXIM_AREAS_CONTROLLER_CONTROLLER_PROPERTIES_H_
#define OXIM_AREAS_CONTROLLER_CONTROLLER_PROPERTIES_H_

namespace oxim {

class HandlerRegistry;

// handle_qf_controller_properties.
void register_controller_property_handlers(HandlerRegistry& registry);

}  // namespace oxim

#endif  // OXIM_AREAS_CONTROLLER_CONTROLLER_PROPERTIES_H_
