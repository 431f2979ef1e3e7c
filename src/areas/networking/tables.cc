// Route and ARP tables and ping; see tables.h.
#include "areas/networking/tables.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "areas/networking/catalogue.h"
#include "areas/networking/interface.h"
#include "areas/networking/network_status.h"
#include "core/address.h"
#include "core/node_store.h"
#include "core/validate.h"
#include "kit/function_tree.h"
#include "kit/groups.h"
#include "kit/params.h"
#include "kit/pending_group.h"
#include "kit/properties.h"
#include "records/ip_tables.h"
#include "schema/handler_registry.h"
#include "schema/template.h"
#include "transport/commands.h"

namespace oxim::networking {
namespace {

using records::Ipv4;

std::string dotted(const Ipv4& address) { return ipv4_text(records::Ipv4Address(address)); }

bool parse_ipv4(const std::string& text, int mode, Ipv4* address) {
  return validateIPAddress(text.c_str(), address->data(), mode) == 1;
}

// ---- Routes -------------------------------------------------------------------

struct RouteTexts {
  std::string destination;
  std::string mask;
  std::string gateway;
  friend bool operator==(const RouteTexts&, const RouteTexts&) = default;
};

RouteTexts texts_of(const records::Route& route) {
  return {dotted(route.destination), dotted(route.mask), dotted(route.gateway)};
}

RouteTexts texts_of(Node* entry) {
  return {cached_prop(entry, "Destination"), cached_prop(entry, "SubnetMask"),
          cached_prop(entry, "Gateway")};
}

uint32_t fetch_routes(Node* node, std::vector<records::Route>* routes) {
  std::vector<uint8_t> table(records::kRouteTableSize, 0);
  std::optional<std::vector<records::Route>> decoded;
  if (ioctl_Fetch_Route_Table(function_address(node), table, static_cast<uint32_t>(table.size())) !=
          0 ||
      !(decoded = records::DecodeRouteTable(table))) {
    return report(kRouteTableNotRead);
  }
  *routes = std::move(*decoded);
  return 0;
}

uint32_t change_route(Node* node, uint8_t action, const records::Route& route) {
  std::array<uint8_t, records::kRouteChangeSize> change{};
  records::EncodeRouteChange(change, {action, route});
  const uint32_t status = ioctl_Save_Route_Table(function_address(node), change);
  if (status == kStatusManualRoutesFull) return report(kManualRoutesFull);
  if (status != 0) return report(kRouteNotChanged);
  return 0;
}

uint32_t do_AddRouteTableEntry(Node* route_table, Node*, char* params) {
  records::Route route;
  if (!parse_ipv4(param_text(params, 0), kIpModeAddress, &route.destination) ||
      !parse_ipv4(param_text(params, 1), kIpModeNetmask, &route.mask) ||
      !parse_ipv4(param_text(params, 2), kIpModeAddress, &route.gateway)) {
    return report(kInvalidValue);
  }
  if (uint32_t status = change_route(route_table, records::kActionAdd, route); status != 0) {
    return status;
  }
  return get_routeEntry_attribs(route_table);
}

uint32_t delete_route_entry(Node* route_table, Node* entry) {
  const RouteTexts texts = texts_of(entry);
  records::Route route;
  if (!parse_ipv4(texts.destination, kIpModeAddress, &route.destination) ||
      !parse_ipv4(texts.mask, kIpModeNetmask, &route.mask) ||
      !parse_ipv4(texts.gateway, kIpModeAddress, &route.gateway)) {
    return report(kRouteNotChanged);
  }
  if (uint32_t status = change_route(route_table, records::kActionDelete, route); status != 0) {
    return status;
  }
  return get_routeEntry_attribs(route_table);
}

uint32_t do_DeleteRouteTableEntry(Node* route_table, Node*, char* params) {
  Node* entry = instance_named(route_table, "RouteTableEntry", param_text(params, 0));
  if (entry == nullptr) return report(kInvalidInstance);
  return delete_route_entry(route_table, entry);
}

uint32_t do_RefreshRouteTableEntry(Node* route_table, Node*, char*) {
  return get_routeEntry_attribs(route_table);
}

// ---- ARP --------------------------------------------------------------------

uint32_t change_arp(Node* node, uint32_t action, const records::ArpEntry& entry) {
  std::array<uint8_t, records::kArpChangeSize> change{};
  records::EncodeArpChange(change, {action, entry});
  if (ioctl_Save_Arp_Table(function_address(node), change) != 0) return report(kArpNotChanged);
  return 0;
}

uint32_t do_AddARPTableEntry(Node* arp_table, Node*, char* params) {
  records::ArpEntry entry;
  if (!parse_ipv4(param_text(params, 0), kIpModeHost, &entry.address) ||
      validateMACAddress(param_text(params, 1).c_str(), entry.mac.data()) != 1) {
    return report(kInvalidValue);
  }
  if (uint32_t status = change_arp(arp_table, records::kActionAdd, entry); status != 0) {
    return status;
  }
  return get_Arp_Entry_attribs(arp_table);
}

uint32_t do_DeleteARPTableEntry(Node* arp_table, Node*, char* params) {
  Node* found = instance_named(arp_table, "ARPTableEntry", param_text(params, 0));
  if (found == nullptr) return report(kInvalidInstance);
  records::ArpEntry entry;
  if (!parse_ipv4(cached_prop(found, "IPAddress"), kIpModeAddress, &entry.address) ||
      validateMACAddress(cached_prop(found, "MACAddress").c_str(), entry.mac.data()) != 1) {
    return report(kArpNotChanged);
  }
  if (uint32_t status = change_arp(arp_table, records::kActionDelete, entry); status != 0) {
    return status;
  }
  return get_Arp_Entry_attribs(arp_table);
}

uint32_t do_RefreshARPTableEntry(Node* arp_table, Node*, char*) {
  return get_Arp_Entry_attribs(arp_table);
}

// ---- Ping -------------------------------------------------------------------

uint32_t do_Ping(Node* tcpip, Node*, char* params) {
  const std::string text = param_text(params, 0);
  records::PingRequest ping;
  if (text.size() > 2 && text.find(':') != std::string::npos) {
    char full[kIpv6TextSize] = {};
    if (text.size() >= sizeof full) return report(kInvalidValue);
    std::memcpy(full, text.data(), text.size());
    if (ValidateIpv6(full) != kValueAccepted) return report(kInvalidValue);
    ping.type = records::kFamilyIpv6;
    StrToU8IPv6(full, ping.address.data());
  } else {
    Ipv4 address{};
    if (!parse_ipv4(text, kIpModeHost, &address)) return report(kInvalidValue);
    ping.address = records::Ipv4Address(address);
  }
  std::array<uint8_t, records::kPingRequestSize> request{};
  records::EncodePingRequest(request, ping);
  if (ioctl_ping(function_address(tcpip), request) != 0) return report(kPingFailed);
  return 0;
}

}  // namespace

uint32_t get_routeEntry_attribs(Node* route_table) {
  std::vector<records::Route> routes;
  if (uint32_t status = fetch_routes(route_table, &routes); status != 0) return status;
  std::vector<RouteTexts> wanted;
  for (const records::Route& route : routes) wanted.push_back(texts_of(route));
  // The groups of routes that went, collected first and deleted after.
  std::vector<Node*> gone;
  std::vector<Node*> kept;
  for (Node* entry : instances_of(route_table, "RouteTableEntry")) {
    const RouteTexts texts = texts_of(entry);
    if (std::find(wanted.begin(), wanted.end(), texts) == wanted.end()) {
      gone.push_back(entry);
    } else {
      kept.push_back(entry);
    }
  }
  for (Node* entry : gone) (void)delete_node(entry);
  for (const RouteTexts& texts : wanted) {
    const bool exists = std::any_of(kept.begin(), kept.end(),
                                    [&](Node* entry) { return texts_of(entry) == texts; });
    if (exists) continue;
    PendingGroup entry(
        instantiate(templates::kRouteTableEntry, route_table, nullptr, nullptr, nullptr));
    if (!entry || !cache_prop(entry.get(), "Destination", texts.destination) ||
        !cache_prop(entry.get(), "SubnetMask", texts.mask) ||
        !cache_prop(entry.get(), "Gateway", texts.gateway)) {
      return report(kInternalError);
    }
    kept.push_back(entry.release());
  }
  return 0;
}

uint32_t get_Arp_Entry_attribs(Node* arp_table) {
  std::vector<uint8_t> table(records::kArpTableSize, 0);
  std::optional<std::vector<records::ArpEntry>> entries;
  if (ioctl_Fetch_ARP_Table(function_address(arp_table), table,
                            static_cast<uint32_t>(table.size())) != 0 ||
      !(entries = records::DecodeArpTable(table))) {
    return report(kArpTableNotRead);
  }
  for (Node* entry : instances_of(arp_table, "ARPTableEntry")) (void)delete_node(entry);
  for (const records::ArpEntry& arp : *entries) {
    PendingGroup entry(
        instantiate(templates::kARPTableEntry, arp_table, nullptr, nullptr, nullptr));
    if (!entry || !cache_prop(entry.get(), "IPAddress", dotted(arp.address)) ||
        !cache_prop(entry.get(), "MACAddress", mac_text(arp.mac))) {
      return report(kInternalError);
    }
    (void)entry.release();
  }
  return 0;
}

uint32_t OXIM_delete_available_routes(Node* physical_hba) {
  Node* route_table = child_group(tcpip_group(physical_hba), "RouteTable");
  if (route_table == nullptr) return 1;
  if (uint32_t status = get_routeEntry_attribs(route_table); status != 0) return status;
  uint32_t result = 0;
  for (Node* entry : instances_of(route_table, "RouteTableEntry")) {
    if (!node_is_live(entry)) continue;  // gone with a refresh in between
    if (delete_route_entry(route_table, entry) != 0) result = 1;
  }
  return result;
}

void register_table_handlers(HandlerRegistry& registry) {
  registry.add_command("do_AddRouteTableEntry", do_AddRouteTableEntry);
  registry.add_command("do_DeleteRouteTableEntry", do_DeleteRouteTableEntry);
  registry.add_command("do_RefreshRouteTableEntry", do_RefreshRouteTableEntry);
  registry.add_command("do_AddARPTableEntry", do_AddARPTableEntry);
  registry.add_command("do_DeleteARPTableEntry", do_DeleteARPTableEntry);
  registry.add_command("do_RefreshARPTableEntry", do_RefreshARPTableEntry);
  registry.add_command("do_Ping", do_Ping);
}

}  // namespace oxim::networking
