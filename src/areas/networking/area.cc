// The networking area: the IP stack of every iSCSI function, shown in the
// Network group of its physical HBA (addresses, DHCP, VLAN, IPv6, gateways,
// route and ARP tables, ping, the network interface's MAC, speed, MTU and
// link) and the initiator statistics of its logical HBA. At start-up each
// function's addresses, routes and ARP entries are read from the firmware.
#include <cstring>

#include "areas/areas.h"
#include "areas/networking/catalogue.h"
#include "areas/networking/interface.h"
#include "areas/networking/ipv6.h"
#include "areas/networking/port.h"
#include "areas/networking/statistics.h"
#include "areas/networking/tables.h"
#include "core/last_status.h"
#include "core/log.h"
#include "kit/function_tree.h"
#include "kit/groups.h"

namespace oxim {
namespace {

const GroupTemplate* const kTemplates[] = {
    &templates::kRouteTableEntry,
    &templates::kARPTableEntry,
};

void register_handlers(HandlerRegistry& registry) {
  networking::register_interface_handlers(registry);
  networking::register_ipv6_handlers(registry);
  networking::register_table_handlers(registry);
  networking::register_port_handlers(registry);
  networking::register_statistics_handlers(registry);
}

// An iSCSI function's addresses, routes and ARP entries as the firmware
// holds them, each read on its own. What cannot be read is logged and read
// again when a client asks; it leaves no status behind for the start of the
// library.
void setup_network(Node* function) {
  if (std::strcmp(function->name, "iSCSIPhysicalHBA") != 0) return;
  Node* tcpip = networking::tcpip_group(function);
  if (tcpip == nullptr) return;
  uint32_t code = 0;
  char message[kMessageSize] = {};
  oxim_get_last_status(&code, message);
  const struct {
    const char* what;
    uint32_t status;
  } reads[] = {
      {"interface", networking::get_all_interfaces(tcpip)},
      {"route table", networking::get_routeEntry_attribs(child_group(tcpip, "RouteTable"))},
      {"ARP table", networking::get_Arp_Entry_attribs(child_group(tcpip, "ARPTable"))},
  };
  for (const auto& read : reads) {
    if (read.status == 0) continue;
    pdebug(kModuleAdapter, kLogError, "%s: the %s of function %d not read: status %u\n", __func__,
           read.what, get_port_number(function), read.status);
  }
  oxim_set_last_status(code, message);
}

}  // namespace

const Area networking_area = {
    .name = "networking",
    .templates = kTemplates,
    .register_handlers = register_handlers,
    .setup_function = setup_network,
};

}  // namespace oxim
