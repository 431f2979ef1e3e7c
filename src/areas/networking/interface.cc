// The IPv4 side of an iSCSI function's interface: its address, DHCP, VLAN
// and default gateway, and the services the IPv6 side shares; see
// interface.h.
#include "areas/networking/interface.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "areas/iscsi/sessions.h"
#include "areas/networking/network_status.h"
#include "core/address.h"
#include "core/alloc.h"
#include "core/log.h"
#include "core/node_store.h"
#include "core/store_guard.h"
#include "kit/function_tree.h"
#include "kit/groups.h"
#include "kit/params.h"
#include "kit/properties.h"
#include "schema/handler_registry.h"
#include "transport/commands.h"

namespace oxim::networking {
namespace {

using records::AddressEntry;
using records::IpAddress;

// The group's private record: function index, interface identifier, and
// whether the identifier is known.
struct InterfaceRecord {
  int32_t function_index = 0;
  uint32_t interface_id = 0;
  uint32_t known = 0;
  uint32_t reserved = 0;
};
static_assert(sizeof(InterfaceRecord) == 16);

void keep_interface(Node* tcpip, uint32_t id) {
  auto* record = static_cast<InterfaceRecord*>(oxim_dmalloc(sizeof(InterfaceRecord)));
  if (record == nullptr) {
    pdebug(kModuleAdapter, kLogCritical, "%s:Failed to allocate memory.\n", __func__);
    return;
  }
  *record = {get_port_number(tcpip), id, 1, 0};
  StoreLock lock;
  oxim_dfree(tcpip->data.group->context);
  tcpip->data.group->context = record;
}

bool kept_interface(Node* tcpip, uint32_t* id) {
  StoreLock lock;
  const auto* record = static_cast<const InterfaceRecord*>(tcpip->data.group->context);
  if (record == nullptr || record->known == 0) return false;
  *id = record->interface_id;
  return true;
}

// Asks the firmware for the interface list and keeps the first identifier.
uint32_t fetch_interface(Node* tcpip, uint32_t* id) {
  std::array<uint8_t, records::kInterfaceListSize> list{};
  std::optional<std::vector<uint32_t>> ids;
  if (ioctl_get_all_if_id(function_address(tcpip), list, static_cast<uint32_t>(list.size())) != 0 ||
      !(ids = records::DecodeInterfaceList(list)) || ids->empty()) {
    return report(kInterfaceIdsNotRead);
  }
  *id = ids->front();
  keep_interface(tcpip, *id);
  return 0;
}

bool valid_ipv4(const std::string& text, int mode, uint8_t* octets = nullptr) {
  return validateIPAddress(text.c_str(), octets, mode) == 1;
}

// The address and mask the group shows, when both are valid.
bool current_address(Node* tcpip, std::array<uint8_t, 4>* address, std::array<uint8_t, 4>* mask) {
  return valid_ipv4(cached_prop(tcpip, "InitiatorIPAddress"), kIpModeHost, address->data()) &&
         valid_ipv4(cached_prop(tcpip, "InitiatorSubnetMask"), kIpModeNetmask, mask->data());
}

AddressEntry ipv4_entry(const std::array<uint8_t, 4>& address, const std::array<uint8_t, 4>& mask) {
  return {records::kIpTypeIpv4, records::Ipv4Address(address), records::Ipv4Address(mask)};
}

// Reads DHCPEnabled through the group's handler: true when it reads "True".
// false with the handler's status in *status when it cannot be read.
bool dhcp_enabled(Node* tcpip, uint32_t* status) {
  std::string value;
  *status = 0;
  if (!read_prop(tcpip, "DHCPEnabled", &value)) {
    *status = 1;
    return false;
  }
  return value == "True";
}

// Refuses an address change while a session below the function is a boot
// session (status 44).
bool boot_session_present(Node* tcpip) {
  return iscsi::check_for_boot_session(enclosing_group(tcpip, "iSCSIPhysicalHBA")) != 0;
}

// get_if_info_params: the IPv4 address, mask, DHCP switch and VLAN of the
// interface into the group.
uint32_t get_if_info_params(Node* tcpip) {
  records::InterfaceInfo info;
  if (uint32_t status = read_interface_info(tcpip, records::kIpTypeIpv4, &info); status != 0) {
    return status;
  }
  if (!info.entries.empty()) {
    cache_prop(tcpip, "InitiatorIPAddress", ipv4_text(info.entries[0].address));
    cache_prop(tcpip, "InitiatorSubnetMask", ipv4_text(info.entries[0].mask));
  } else {
    cache_prop(tcpip, "InitiatorIPAddress", "0.0.0.0");
    cache_prop(tcpip, "InitiatorSubnetMask", "0.0.0.0");
  }
  cache_prop(tcpip, "DHCPEnabled", info.dhcp ? "True" : "False");
  if (info.vlan_tag == records::kVlanOff) {
    cache_prop(tcpip, "VLANEnabled", "False");
    cache_prop(tcpip, "VLANId", "");
    cache_prop(tcpip, "Priority", "");
  } else {
    cache_prop(tcpip, "VLANEnabled", "True");
    cache_prop(tcpip, "VLANId", std::to_string(records::VlanId(info.vlan_tag)));
    cache_prop(tcpip, "Priority", std::to_string(records::VlanPriority(info.vlan_tag)));
  }
  return 0;
}

// A request of the interface's identifier and one value (DHCP start and
// release, VLAN), built by encode into size bytes and sent by send.
uint32_t send_setting(Node* tcpip, uint32_t value, size_t size,
                      bool (*encode)(std::span<uint8_t>, const records::InterfaceSetting&),
                      uint32_t (*send)(const FunctionAddress&, std::span<uint8_t>)) {
  uint32_t id = 0;
  if (uint32_t status = interface_of(tcpip, &id); status != 0) return status;
  std::array<uint8_t, records::kDhcpStartSize> request{};  // the longest of them
  const std::span<uint8_t> payload = std::span(request).first(size);
  encode(payload, {id, value});
  return send(function_address(tcpip), payload);
}

uint32_t send_gateway_change(Node* node, uint32_t action, uint8_t family,
                             const IpAddress& gateway) {
  std::array<uint8_t, records::kGatewayChangeSize> change{};
  records::EncodeGatewayChange(change, {action, family, gateway});
  return ioctl_set_default_gateway(function_address(node), change);
}

bool is_set(uint8_t family, const IpAddress& gateway) {
  if (family == records::kFamilyIpv4) return gateway[0] != 0;
  for (uint8_t byte : gateway) {
    if (byte != 0) return true;
  }
  return false;
}

std::string gateway_text(uint8_t family, const IpAddress& gateway) {
  return family == records::kFamilyIpv4 ? ipv4_text(gateway) : ipv6_text(gateway);
}

// ---- Handlers -----------------------------------------------------------------

uint32_t do_ConfigureIPAddress(Node* tcpip, Node*, char* params) {
  uint32_t status = 0;
  if (dhcp_enabled(tcpip, &status)) return report(kDhcpBlocksAddressChange);
  if (status != 0) return status;
  if (boot_session_present(tcpip)) return 1;
  const std::string ip = param_text(params, 0);
  const std::string mask = param_text(params, 1);
  // "0.0.0.0" for both clears the address; an address without a mask, or a
  // mask without an address, is no setting.
  const bool clear = ip == "0.0.0.0";
  std::array<uint8_t, 4> new_ip{};
  std::array<uint8_t, 4> new_mask{};
  if (clear != (mask == "0.0.0.0") ||
      (!clear && (!valid_ipv4(ip, kIpModeHost, new_ip.data()) ||
                  !valid_ipv4(mask, kIpModeNetmask, new_mask.data())))) {
    return report(kInvalidValue);
  }
  std::array<uint8_t, 4> old_ip{};
  std::array<uint8_t, 4> old_mask{};
  const bool had = current_address(tcpip, &old_ip, &old_mask);
  if ((had && old_ip == new_ip && old_mask == new_mask) ||
      (!had && clear && cached_prop(tcpip, "InitiatorIPAddress") == "0.0.0.0")) {
    report(kAddressUnchanged);
    return 0;
  }
  uint32_t state = 0;
  if (had) {
    status = change_address(tcpip, records::kActionDelete, ipv4_entry(old_ip, old_mask), &state);
    if (status != 0) return status;
  }
  status = change_address(tcpip, records::kActionAdd, ipv4_entry(new_ip, new_mask), &state);
  if (status != 0) {
    uint32_t ignored = 0;
    if (had) {
      (void)change_address(tcpip, records::kActionAdd, ipv4_entry(old_ip, old_mask), &ignored);
    }
    return report(kAddressRecordNotChanged);
  }
  cache_prop(tcpip, "InitiatorIPAddress", ipv4_text(records::Ipv4Address(new_ip)));
  cache_prop(tcpip, "InitiatorSubnetMask", ipv4_text(records::Ipv4Address(new_mask)));
  if (state == records::kAddressStateDuplicate) {
    report(kDuplicateAddress);
  } else if (state == 11 || state == 13) {
    pdebug(kModuleAdapter, kLogError,
           "%s: ioctl_modify_ip_entry succeded,but the status of the given IP is %d\n", __func__,
           static_cast<int>(state));
  }
  return 0;
}

uint32_t do_DHCPEnable(Node* tcpip, Node*, char*) {
  uint32_t status = 0;
  if (dhcp_enabled(tcpip, &status)) {
    report(kDhcpAlreadyOn);
    return 0;
  }
  if (status != 0) return status;
  if (boot_session_present(tcpip)) return 1;
  std::array<uint8_t, 4> old_ip{};
  std::array<uint8_t, 4> old_mask{};
  if (current_address(tcpip, &old_ip, &old_mask)) {
    uint32_t state = 0;
    status = change_address(tcpip, records::kActionDelete, ipv4_entry(old_ip, old_mask), &state);
    if (status != 0) return status;
  }
  if (uint32_t deleted = delete_gateway(tcpip, records::kFamilyIpv4); deleted != 0) {
    return deleted;
  }
  if (start_dhcp(tcpip, records::kIpTypeDhcp) != 0) return report(kDhcpNotEnabled);
  // Without an answer from a DHCP server the transport left its message
  // (status 33): DHCP is on and waits for one.
  if (!dhcp_enabled(tcpip, &status)) return report(kDhcpNotEnabled);
  return 0;
}

uint32_t do_DHCPDisable(Node* tcpip, Node*, char*) {
  if (boot_session_present(tcpip)) return 1;
  if (release_dhcp(tcpip, records::kIpTypeDhcp) != 0) return report(kDhcpNotDisabled);
  cache_prop(tcpip, "DHCPEnabled", "False");
  cache_prop(tcpip, "InitiatorIPAddress", "0.0.0.0");
  cache_prop(tcpip, "InitiatorSubnetMask", "0.0.0.0");
  return 0;
}

uint32_t set_vlan(Node* tcpip, uint32_t tag) {
  const uint32_t status = send_setting(tcpip, tag, records::kVlanSettingSize,
                                       records::EncodeInterfaceSetting, ioctl_set_vlan_params);
  if (status != 0) return report(kVlanNotSet);
  return get_all_interfaces(tcpip);
}

uint32_t do_ConfigureVLAN(Node* tcpip, Node*, char* params) {
  // The tree checked both ranges (0..4094, 0..7); a priority not given is 0.
  const uint32_t vlan =
      static_cast<uint32_t>(std::strtoul(param_text(params, 0).c_str(), nullptr, 10));
  const uint32_t priority =
      static_cast<uint32_t>(std::strtoul(param_text(params, 1).c_str(), nullptr, 10));
  return set_vlan(tcpip, records::VlanTag(vlan, priority));
}

uint32_t do_VLANDisable(Node* tcpip, Node*, char*) { return set_vlan(tcpip, records::kVlanOff); }

uint32_t do_DeleteDefaultGateway(Node* tcpip, Node*, char*) {
  uint32_t status = 0;
  if (dhcp_enabled(tcpip, &status)) return report(kDhcpBlocksAddressChange);
  if (status != 0) return status;
  if (uint32_t deleted = delete_gateway(tcpip, records::kFamilyIpv4); deleted != 0) return deleted;
  cache_prop(tcpip, "DefaultGateway", "0.0.0.0");
  return 0;
}

uint32_t handle_DefaultGateway(Node* property, char* buffer, uint32_t op) {
  Node* tcpip = parent_of(property);
  IpAddress gateway{};
  if (op == kOpRead) {
    if (uint32_t status = read_gateway(tcpip, records::kFamilyIpv4, &gateway); status != 0) {
      return status;
    }
    cache_prop(tcpip, "DefaultGateway", ipv4_text(gateway));
    read_cached_value(property, buffer);
    return 0;
  }
  uint32_t status = 0;
  if (dhcp_enabled(tcpip, &status)) return report(kDhcpBlocksGateway);
  if (status != 0) return status;
  // Checked before anything changes: a text the tree's check lets through
  // ("10..0.1") must not cost the function its working gateway.
  std::array<uint8_t, 4> octets{};
  if (!valid_ipv4(buffer, kIpModeHost, octets.data())) return report(kInvalidValue);
  return replace_gateway(tcpip, records::kFamilyIpv4, records::Ipv4Address(octets));
}

}  // namespace

Node* tcpip_group(Node* node) {
  if (Node* group = enclosing_group(node, "TCPIPConfiguration")) return group;
  Node* function = enclosing_group(node, "iSCSIPhysicalHBA");
  if (function == nullptr) return nullptr;
  return child_group(child_group(function, "Network"), "TCPIPConfiguration");
}

uint32_t interface_of(Node* tcpip, uint32_t* id) {
  if (kept_interface(tcpip, id)) return 0;
  return fetch_interface(tcpip, id);
}

uint32_t get_all_interfaces(Node* tcpip) {
  uint32_t id = 0;
  if (uint32_t status = fetch_interface(tcpip, &id); status != 0) return status;
  return get_if_info_params(tcpip);
}

uint32_t read_interface_info(Node* tcpip, uint32_t ip_type, records::InterfaceInfo* info) {
  uint32_t id = 0;
  if (uint32_t status = interface_of(tcpip, &id); status != 0) return status;
  std::vector<uint8_t> record(records::kInterfaceInfoSize, 0);
  records::EncodeInterfaceInfoRequest(record, {id, ip_type});
  std::optional<records::InterfaceInfo> decoded;
  if (ioctl_get_if_info_params(function_address(tcpip), record,
                               static_cast<uint32_t>(record.size())) != 0 ||
      !(decoded = records::DecodeInterfaceInfo(record))) {
    return report(kInterfaceInfoNotRead);
  }
  *info = std::move(*decoded);
  return 0;
}

uint32_t change_address(Node* tcpip, uint32_t action, const AddressEntry& entry, uint32_t* state) {
  uint32_t id = 0;
  if (uint32_t status = interface_of(tcpip, &id); status != 0) return status;
  std::array<uint8_t, records::kIpRecordChangeSize> change{};
  records::EncodeIpRecordChange(change, {action, id, entry, 0});
  if (uint32_t status = ioctl_modify_ip_entry(function_address(tcpip), change,
                                              static_cast<uint32_t>(change.size()));
      status != 0) {
    return status;
  }
  *state = records::DecodeIpRecordChange(change)->state;
  return 0;
}

uint32_t start_dhcp(Node* tcpip, uint32_t ip_type) {
  return send_setting(tcpip, ip_type, records::kDhcpStartSize, records::EncodeDhcpStart,
                      ioctl_config_dhcp);
}

uint32_t release_dhcp(Node* tcpip, uint32_t ip_type) {
  return send_setting(tcpip, ip_type, records::kDhcpReleaseSize, records::EncodeInterfaceSetting,
                      ioctl_release_dhcp);
}

uint32_t read_gateway(Node* node, uint8_t family, IpAddress* gateway) {
  std::array<uint8_t, records::kGatewayQuerySize> query{};
  records::EncodeGatewayQuery(query, family);
  std::optional<IpAddress> answer;
  if (ioctl_get_default_gateway(function_address(node), query) != 0 ||
      !(answer = records::DecodeGatewayAnswer(query))) {
    return report(kGatewayNotRead);
  }
  *gateway = *answer;
  if (family == records::kFamilyIpv4) std::fill(gateway->begin() + 4, gateway->end(), 0);
  return 0;
}

uint32_t delete_gateway(Node* node, uint8_t family) {
  IpAddress current{};
  if (read_gateway(node, family, &current) != 0) return report(kGatewayNotSet);
  if (!is_set(family, current)) return 0;
  if (send_gateway_change(node, records::kActionDelete, family, current) != 0) {
    return report(kGatewayNotSet);
  }
  return 0;
}

uint32_t replace_gateway(Node* node, uint8_t family, const IpAddress& gateway) {
  IpAddress current{};
  if (read_gateway(node, family, &current) != 0) return report(kGatewayNotSet);
  const bool had = is_set(family, current);
  if (had && send_gateway_change(node, records::kActionDelete, family, current) != 0) {
    return report(kGatewayNotSet);
  }
  if (send_gateway_change(node, records::kActionAdd, family, gateway) != 0) {
    if (had) (void)send_gateway_change(node, records::kActionAdd, family, current);
    return report(kGatewayNotSet);
  }
  const char* name = family == records::kFamilyIpv4 ? "DefaultGateway" : "DefaultIPv6Gateway";
  Node* owner = family == records::kFamilyIpv4
                    ? tcpip_group(node)
                    : child_group(tcpip_group(node), "IPv6Configuration");
  cache_prop(owner, name, gateway_text(family, gateway));
  return 0;
}

std::string ipv4_text(const IpAddress& address) {
  char text[16];
  std::snprintf(text, sizeof text, "%d.%d.%d.%d", address[0], address[1], address[2], address[3]);
  return text;
}

std::string ipv6_text(const IpAddress& address) {
  char text[40];
  std::snprintf(text, sizeof text,
                "%02X%02X:%02X%02X:%02X%02X:%02X%02X:%02X%02X:%02X%02X:%02X%02X:%02X%02X",
                address[0], address[1], address[2], address[3], address[4], address[5], address[6],
                address[7], address[8], address[9], address[10], address[11], address[12],
                address[13], address[14], address[15]);
  return text;
}

std::string mac_text(const std::array<uint8_t, 6>& mac) {
  char text[18];
  std::snprintf(text, sizeof text, "%02x-%02x-%02x-%02x-%02x-%02x", mac[0], mac[1], mac[2], mac[3],
                mac[4], mac[5]);
  return text;
}

void register_interface_handlers(HandlerRegistry& registry) {
  // InitiatorIPAddress, InitiatorSubnetMask, DHCPEnabled and the VLAN
  // properties: the whole group from the firmware, then the property.
  registry.add_property("handle_tcpip_properties", read_through_group<get_all_interfaces>);
  registry.add_property("handle_DefaultGateway", handle_DefaultGateway);
  registry.add_command("do_ConfigureIPAddress", do_ConfigureIPAddress);
  registry.add_command("do_DHCPEnable", do_DHCPEnable);
  registry.add_command("do_DHCPDisable", do_DHCPDisable);
  registry.add_command("do_ConfigureVLAN", do_ConfigureVLAN);
  registry.add_command("do_VLANDisable", do_VLANDisable);
  registry.add_command("do_DeleteDefaultGateway", do_DeleteDefaultGateway);
}

}  // namespace oxim::networking
