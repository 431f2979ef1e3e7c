// The route table and ARP table of an iSCSI function, mirrored as the
// RouteTableEntry(n) and ARPTableEntry(n) groups under the RouteTable and
// ARPTable groups of its TCPIPConfiguration, their commands, and Ping.
//
// Route entries keep their instance numbers while their route stays in the
// firmware's table; ARP entries are made again at every refresh.
#ifndef OXIM_AREAS_NETWORKING_TABLES_H_
#define OXIM_AREAS_NETWORKING_TABLES_H_

#include <cstdint>

#include "core/node.h"

namespace oxim {
class HandlerRegistry;
}

namespace oxim::networking {

// get_routeEntry_attribs: brings the RouteTableEntry groups of route_table
// in step with the firmware's routes (100 when they cannot be read).
// REQUIRES: the library lock is held (or the tree is being built).
[[nodiscard]] uint32_t get_routeEntry_attribs(Node* route_table);
// get_Arp_Entry_attribs: makes the ARPTableEntry groups of arp_table again
// from the firmware's ARP table (97 when it cannot be read or holds more
// than 64 entries). REQUIRES: as above.
[[nodiscard]] uint32_t get_Arp_Entry_attribs(Node* arp_table);

// Deletes every route of a physical HBA's function, one by one; 1 when any
// of them could not be deleted (the others are deleted all the same).
[[nodiscard]] uint32_t OXIM_delete_available_routes(Node* physical_hba);

void register_table_handlers(HandlerRegistry& registry);

}  // namespace oxim::networking

#endif  // OXIM_AREAS_NETWORKING_TABLES_H_
