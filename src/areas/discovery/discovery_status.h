// The statuses of target discovery, each with the message the last status
// carries. Those the discovery commands share with the iSCSI initiator
// (not enabled, instance numbers, IPv6, discovery parameters) are named in
// areas/iscsi/iscsi_status.h.
#ifndef OXIM_AREAS_DISCOVERY_DISCOVERY_STATUS_H_
#define OXIM_AREAS_DISCOVERY_DISCOVERY_STATUS_H_

#include "core/status.h"

namespace oxim::discovery {

inline constexpr StatusMessage kDuplicateSendTargetPortal{
    22,
    "There already exists a send target portal entry with the given IP address and port number. "
    "Please provide different ipaddress or port number to add another send target portal "
    "entry."};
inline constexpr StatusMessage kNoMemory{
    16, "Memory allocation failed. Please check for low memory conditions."};
inline constexpr StatusMessage kDiscoveryFailed{
    131, "Unable to discover targets for the sendtargetportal."};
// Filled with the number of portals that failed and the number asked.
inline constexpr uint32_t kStatusPortalsFailed = 79;
inline constexpr char kPortalsFailedFormat[] =
    "%d out of %d SendTargetsPortals are failed to discover targets.";

}  // namespace oxim::discovery

#endif  // OXIM_AREAS_DISCOVERY_DISCOVERY_STATUS_H_
