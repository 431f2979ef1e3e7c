// Erasing the configuration an adapter keeps: the EraseConfiguration command
// of an iSCSI function (its user routes, iSNS settings, the iSCSI
// configuration in the adapter's flash, the default gateway, SendTarget
// portals, saved targets and initiator login options) and the
// EraseAllConfiguration command of a controller, which erases every
// function and port of it and restores its factory profile. These commands
// reach into the iSCSI, discovery, networking, port and NIC areas, so they
// live in an area of their own above them.
#ifndef OXIM_AREAS_ERASE_ERASE_CONFIGURATION_H_
#define OXIM_AREAS_ERASE_ERASE_CONFIGURATION_H_

namespace oxim {

class HandlerRegistry;

void register_erase_handlers(HandlerRegistry& registry);

}  // namespace oxim

#endif  // OXIM_AREAS_ERASE_ERASE_CONFIGURATION_H_
