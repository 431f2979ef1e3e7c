// The IPv6 side of an iSCSI function's interface (the IPv6Configuration
// group under TCPIPConfiguration): its state, link-local and routable
// addresses, auto-assignment and default gateway. QF2 and QF3 have no IPv6:
// their properties read "N/A" and their commands are refused (291).
#include "areas/networking/ipv6.h"

#include <array>
#include <cstring>

#include "areas/networking/interface.h"
#include "areas/networking/network_status.h"
#include "core/address.h"
#include "core/log.h"
#include "core/node_store.h"
#include "core/tree_services.h"
#include "core/validate.h"
#include "kit/function_tree.h"
#include "kit/groups.h"
#include "kit/params.h"
#include "kit/properties.h"
#include "schema/handler_registry.h"

namespace oxim::networking {
namespace {

using records::IpAddress;

constexpr char kNotAvailable[] = "N/A";

// Whether the function's chip lacks IPv6 (QF2, QF3). false with *status 1
// when the chip cannot be determined (last status 163).
bool without_ipv6(Node* node, uint32_t* status) {
  *status = 0;
  const int chip = get_qf_type(node);
  if (chip == kChipUndetermined) {
    *status = 1;
    return false;
  }
  return chip == kChipQF2 || chip == kChipQF3;
}

// A property handler's answer on a chip without IPv6.
uint32_t not_available(Node* property, char* buffer) {
  SET_CACHE_PROP_VAL(property, "%s", kNotAvailable);
  read_cached_value(property, buffer);
  return 0;
}

// The IPv6 text as 16 bytes, when it is one.
bool parse_ipv6(const std::string& text, IpAddress* address) {
  char full[kIpv6TextSize] = {};
  if (text.size() >= sizeof full) return false;
  std::memcpy(full, text.data(), text.size());
  if (ValidateIpv6(full) != kValueAccepted) return false;
  StrToU8IPv6(full, address->data());
  return true;
}

// Which address a property or ConfigureIPv6Address kind names: its IP type
// and which entry of that type.
struct AddressSlot {
  const char* property;
  uint8_t type;
  int nth;
};
constexpr AddressSlot kSlots[] = {
    {"InitiatorLinkLocalAddress", records::kIpTypeIpv6LinkLocal, 0},
    {"InitiatorRoutableAddress1", records::kIpTypeIpv6Routable, 0},
    {"InitiatorRoutableAddress2", records::kIpTypeIpv6Routable, 1},
};

const AddressSlot* slot_of_property(const char* name) {
  for (const AddressSlot& slot : kSlots) {
    if (std::strcmp(slot.property, name) == 0) return &slot;
  }
  return nullptr;
}

// OXIM_get_IPv6configuration_properties: the nth address of a type, or the
// unset address.
uint32_t read_address(Node* tcpip, const AddressSlot& slot, IpAddress* address) {
  records::InterfaceInfo info;
  if (uint32_t status = read_interface_info(tcpip, slot.type, &info); status != 0) return status;
  *address = {};
  int seen = 0;
  for (const records::AddressEntry& entry : info.entries) {
    if (entry.type != slot.type) continue;
    if (seen++ == slot.nth) {
      *address = entry.address;
      break;
    }
  }
  return 0;
}

uint32_t handle_IPv6State(Node* property, char* buffer, uint32_t op) {
  if (op != kOpRead) return report(kSettingNotSupported);
  uint32_t status = 0;
  if (without_ipv6(property, &status)) return not_available(property, buffer);
  if (status != 0) return status;
  records::InterfaceInfo info;
  status = read_interface_info(tcpip_group(property), records::kIpTypeIpv6LinkLocal, &info);
  if (status != 0) return status;
  const bool automatic =
      !info.entries.empty() && info.entries[0].type == records::kIpTypeIpv6AutoAssign;
  SET_CACHE_PROP_VAL(property, "%s", automatic ? "AutoAssign" : "Static");
  read_cached_value(property, buffer);
  return 0;
}

// InitiatorLinkLocalAddress, InitiatorRoutableAddress1 and 2.
uint32_t handle_InitiatorLinkLocalAddress(Node* property, char* buffer, uint32_t op) {
  if (op != kOpRead) return report(kSettingNotSupported);
  uint32_t status = 0;
  if (without_ipv6(property, &status)) return not_available(property, buffer);
  if (status != 0) return status;
  const AddressSlot* slot = slot_of_property(property->name);
  if (slot == nullptr) return 1;
  IpAddress address{};
  if (uint32_t read = read_address(tcpip_group(property), *slot, &address); read != 0) return read;
  SET_CACHE_PROP_VAL(property, "%s", ipv6_text(address).c_str());
  read_cached_value(property, buffer);
  return 0;
}

uint32_t handle_DefaultIPv6Gateway(Node* property, char* buffer, uint32_t op) {
  uint32_t status = 0;
  if (without_ipv6(property, &status)) {
    if (op != kOpRead) return report(kNotSupportedOnAdapter);
    return not_available(property, buffer);
  }
  if (status != 0) return status;
  IpAddress gateway{};
  if (op == kOpRead) {
    if (uint32_t read = read_gateway(property, records::kFamilyIpv6, &gateway); read != 0) {
      return read;
    }
    SET_CACHE_PROP_VAL(property, "%s", ipv6_text(gateway).c_str());
    read_cached_value(property, buffer);
    return 0;
  }
  // Checked before the current gateway is touched.
  if (!parse_ipv6(buffer, &gateway)) return report(kInvalidValue);
  return replace_gateway(property, records::kFamilyIpv6, gateway);
}

// The refusal of an IPv6 command on a chip without IPv6; 0 to go on.
uint32_t refuse_without_ipv6(Node* group) {
  uint32_t status = 0;
  if (without_ipv6(group, &status)) return report(kNotSupportedOnAdapter);
  return status;
}

uint32_t do_ConfigureIPv6Address(Node* group, Node*, char* params) {
  if (uint32_t refused = refuse_without_ipv6(group); refused != 0) return refused;
  const std::string kind = param_text(params, 0);
  IpAddress address{};
  if (!parse_ipv6(param_text(params, 1), &address)) return report(kInvalidValue);
  // The tree lets only "0", "1" and "2" through.
  const AddressSlot* slot = nullptr;
  if (kind.size() == 1 && kind[0] >= '0' && kind[0] <= '2') slot = &kSlots[kind[0] - '0'];
  if (slot == nullptr) return report(kInvalidValue);
  Node* tcpip = tcpip_group(group);
  IpAddress current{};
  if (uint32_t status = read_address(tcpip, *slot, &current); status != 0) return status;
  const bool had = current != IpAddress{};
  uint32_t state = 0;
  if (had) {
    const uint32_t status =
        change_address(tcpip, records::kActionDelete, {slot->type, current, {}}, &state);
    if (status != 0) {
      pdebug(kModuleAdapter, kLogError, "%s:Failed to delete ipaddress %s with iptype %d\n",
             __func__, ipv6_text(current).c_str(), slot->type);
      return status;
    }
  }
  const uint32_t status =
      change_address(tcpip, records::kActionAdd, {slot->type, address, {}}, &state);
  if (status != 0 || state != 0) {
    uint32_t ignored = 0;
    if (had) (void)change_address(tcpip, records::kActionAdd, {slot->type, current, {}}, &ignored);
    return report(status == 0 && state == records::kAddressStateDuplicate
                      ? kDuplicateAddress
                      : kAddressRecordNotChanged);
  }
  cache_prop(group, slot->property, ipv6_text(address));
  return 0;
}

uint32_t do_AutoAssignEnable(Node* group, Node*, char*) {
  if (uint32_t refused = refuse_without_ipv6(group); refused != 0) return refused;
  if (delete_gateway(group, records::kFamilyIpv6) != 0 ||
      start_dhcp(tcpip_group(group), records::kIpTypeIpv6AutoAssign) != 0) {
    pdebug(kModuleAdapter, kLogError, "%s:Failed to AutoAssignEnabled\n", __func__);
    return 1;
  }
  return 0;
}

uint32_t do_AutoAssignDisable(Node* group, Node*, char*) {
  if (uint32_t refused = refuse_without_ipv6(group); refused != 0) return refused;
  if (release_dhcp(tcpip_group(group), records::kIpTypeIpv6AutoAssign) != 0) {
    return report(kDhcpNotDisabled);
  }
  return 0;
}

uint32_t do_DeleteDefaultIPv6Gateway(Node* group, Node*, char*) {
  if (uint32_t refused = refuse_without_ipv6(group); refused != 0) return refused;
  if (uint32_t status = delete_gateway(group, records::kFamilyIpv6); status != 0) return status;
  cache_prop(group, "DefaultIPv6Gateway", ipv6_text({}));
  return 0;
}

}  // namespace

void register_ipv6_handlers(HandlerRegistry& registry) {
  registry.add_property("handle_IPv6State", handle_IPv6State);
  registry.add_property("handle_InitiatorLinkLocalAddress", handle_InitiatorLinkLocalAddress);
  registry.add_property("handle_DefaultIPv6Gateway", handle_DefaultIPv6Gateway);
  registry.add_command("do_ConfigureIPv6Address", do_ConfigureIPv6Address);
  registry.add_command("do_AutoAssignEnable", do_AutoAssignEnable);
  registry.add_command("do_AutoAssignDisable", do_AutoAssignDisable);
  registry.add_command("do_DeleteDefaultIPv6Gateway", do_DeleteDefaultIPv6Gateway);
}

}  // namespace oxim::networking
