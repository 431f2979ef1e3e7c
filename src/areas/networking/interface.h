// The interface of an iSCSI function's IP stack as the TCPIPConfiguration
// group under its Network group shows it: the services that read and change
// its interface (interface identifier, interface information, address
// records, default gateways, DHCP), used by the IPv4 handlers here and the
// IPv6 ones (ipv6.cc), and the registration of the IPv4 handlers.
//
// The group keeps, as its private record, the function index and the
// interface identifier the firmware gave first; the commands of the group use
// it, and every read of the group refreshes it.
#ifndef OXIM_AREAS_NETWORKING_INTERFACE_H_
#define OXIM_AREAS_NETWORKING_INTERFACE_H_

#include <array>
#include <cstdint>
#include <string>

#include "areas/networking/network_status.h"
#include "core/node.h"
#include "core/node_store.h"
#include "records/ip_interface.h"

namespace oxim {
class HandlerRegistry;
}

namespace oxim::networking {

// The TCPIPConfiguration group of the function node belongs to: the group
// itself or the one above node, else the one below the enclosing physical
// HBA; nullptr when there is none.
Node* tcpip_group(Node* node);

// The interface identifier of tcpip's function: the one kept in the group's
// record, else asked of the firmware and kept. 98 on failure.
[[nodiscard]] uint32_t interface_of(Node* tcpip, uint32_t* id);

// get_all_interfaces: asks for the interface list (98 on failure), keeps
// the first identifier, then reads the IPv4 interface information into the
// group's address, DHCP and VLAN properties (get_if_info_params; 99 on
// failure).
[[nodiscard]] uint32_t get_all_interfaces(Node* tcpip);

// The interface information for an IP type (99 on failure).
[[nodiscard]] uint32_t read_interface_info(Node* tcpip, uint32_t ip_type,
                                           records::InterfaceInfo* info);

// Adds or deletes one address record; *state receives the answer's state.
// The transport's status (with its last status, if any) on failure.
[[nodiscard]] uint32_t change_address(Node* tcpip, uint32_t action,
                                      const records::AddressEntry& entry, uint32_t* state);

// DHCP (kIpTypeDhcp) or IPv6 auto-assignment (kIpTypeIpv6AutoAssign) on or
// off. The transport's status.
[[nodiscard]] uint32_t start_dhcp(Node* tcpip, uint32_t ip_type);
[[nodiscard]] uint32_t release_dhcp(Node* tcpip, uint32_t ip_type);

// The default gateway of a family (kFamilyIpv4, kFamilyIpv6); 133 on
// failure.
[[nodiscard]] uint32_t read_gateway(Node* node, uint8_t family, records::IpAddress* gateway);
// Deletes the gateway of a family when one is set; 132 on failure.
[[nodiscard]] uint32_t delete_gateway(Node* node, uint8_t family);
// Makes gateway the default gateway of its family: the current one is
// deleted first and comes back when the new one cannot be added. 132 on
// failure. REQUIRES: gateway was validated.
[[nodiscard]] uint32_t replace_gateway(Node* node, uint8_t family,
                                       const records::IpAddress& gateway);

// "%d.%d.%d.%d" of the first four bytes.
std::string ipv4_text(const records::IpAddress& address);
// The 16 bytes as eight groups of four upper-case hexadecimal digits.
std::string ipv6_text(const records::IpAddress& address);
// "%02x-%02x-%02x-%02x-%02x-%02x".
std::string mac_text(const std::array<uint8_t, 6>& mac);

// The handler of a read-only property whose group Reader fills from the
// firmware: a read runs Reader on the property's group (its status on
// failure) and copies the property's value out; a write is refused (70).
template <uint32_t (*Reader)(Node* group)>
uint32_t read_through_group(Node* property, char* buffer, uint32_t op) {
  if (op != kOpRead) return report(kSettingNotSupported);
  if (uint32_t status = Reader(parent_of(property)); status != 0) return status;
  read_cached_value(property, buffer);
  return 0;
}

void register_interface_handlers(HandlerRegistry& registry);

}  // namespace oxim::networking

#endif  // OXIM_AREAS_NETWORKING_INTERFACE_H_
