// iSNS discovery of an iSCSI function: the one iSNS server its firmware
// keeps (configured by hand or learnt through DHCP) in the discovery
// parameters record, mirrored into the iSNSServer group of its iSNS group,
// the ConfigureiSNSServer, DeleteiSNSServer and DiscoveryiSNSThruDHCP
// commands and the iSNSEnabled property.
#ifndef OXIM_AREAS_DISCOVERY_ISNS_H_
#define OXIM_AREAS_DISCOVERY_ISNS_H_

#include <cstdint>

#include "core/node.h"

namespace oxim {
class HandlerRegistry;
}

namespace oxim::discovery {

// Makes the iSNSServer groups of an iSNS group the firmware's server: one
// group with its address and port, or none. 0, or 80 when the record cannot
// be read.
[[nodiscard]] uint32_t get_all_isns(Node* isns);

// Deletes the server of an iSNSServer group from the firmware's record, then
// the group. 0; 32 (reported) when the firmware wrote the record but cannot
// reach a server (the group is deleted); 80 or 81 (reported) when the record
// cannot be read or written, and the group stays.
[[nodiscard]] uint32_t delete_isns_server(Node* isns, Node* server);

// Turns iSNS discovery off (iSNSEnabled "No") and deletes every iSNSServer
// group with its server, as DeleteiSNSServer does, also when the server
// cannot be reached. 0 (no last status), or 80 or 81 (reported).
[[nodiscard]] uint32_t erase_isns(Node* isns);

void register_isns_handlers(HandlerRegistry& registry);

}  // namespace oxim::discovery

#endif  // OXIM_AREAS_DISCOVERY_ISNS_H_
