// The emulated iSCSI functions' IP stack commands; see network_firmware.h.
#include "network_firmware.h"

#include <algorithm>
#include <string>

#include "iscsi_firmware.h"
#include "network_model.h"
#include "real_ping.h"
#include "records/iscsi_statistics.h"
#include "records/nic_params.h"

namespace oxim::emulator {
namespace {

using records::IpAddress;
using records::Ipv4;

constexpr uint32_t kLargestRequest = 64000;
constexpr uint32_t kMaxMtu = 9000;

FirmwareAnswer Refuse(uint8_t status, uint16_t additional = 0) { return {status, additional, {}}; }
FirmwareAnswer BadParameter() { return Refuse(kNetBadParameter); }
FirmwareAnswer NotSupported() { return Refuse(kFwNotSupported); }
FirmwareAnswer Answer(std::vector<uint8_t> payload) { return {kFwSuccess, 0, std::move(payload)}; }

bool IsZero(std::span<const uint8_t> bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b == 0; });
}

Ipv4 Ipv4Of(const IpAddress& address) { return {address[0], address[1], address[2], address[3]}; }

NetAddress NetOf(uint8_t family, const IpAddress& address) {
  NetAddress net;
  net.ipv6 = family == records::kFamilyIpv6;
  net.bytes = address;
  if (!net.ipv6) std::fill(net.bytes.begin() + 4, net.bytes.end(), 0);
  return net;
}

bool IsIpv6Type(uint32_t type) {
  return type == records::kIpTypeIpv6LinkLocal || type == records::kIpTypeIpv6Routable ||
         type == records::kIpTypeIpv6AutoAssign || type == records::kIpTypeIpv6Gateway;
}

// The network function a command addresses, once its DHCP client had its
// chance to renew; null for a NIC function.
NetworkFunction* FunctionOf(CommandContext& context) {
  NetworkFunction* f = context.model.network().Function(context.function);
  if (f != nullptr) (void)context.model.network().Renew(*f);
  return f;
}

// ---- Interface --------------------------------------------------------------

// Subsystem 2, opcode 24: the one interface of the function.
FirmwareAnswer GetAllInterfaceIds(CommandContext& context, std::span<const uint8_t>) {
  NetworkFunction* f = FunctionOf(context);
  if (f == nullptr) return NotSupported();
  std::vector<uint8_t> list(records::kInterfaceListSize, 0);
  records::EncodeInterfaceList(list, {f->interface_id});
  return Answer(std::move(list));
}

// The IPv6 entries: the auto-assignment marker first while it is on, the
// link-local address, the routable addresses.
std::vector<records::AddressEntry> Ipv6Entries(const NetworkState& network,
                                               const NetworkFunction& f) {
  std::vector<records::AddressEntry> entries;
  const std::optional<IpAddress> automatic = network.AutoAddress(f);
  if (f.settings.auto_assign) {
    entries.push_back({records::kIpTypeIpv6AutoAssign, automatic.value_or(IpAddress{}), {}});
  }
  entries.push_back({records::kIpTypeIpv6LinkLocal, network.LinkLocal(f), {}});
  for (const IpAddress& address : network.RoutableAddresses(f)) {
    entries.push_back({records::kIpTypeIpv6Routable, address, {}});
  }
  return entries;
}

// Opcode 25: the function's VLAN tag, DHCP switch and addresses of the
// family asked for.
FirmwareAnswer GetInterfaceInfo(CommandContext& context, std::span<const uint8_t> request) {
  NetworkFunction* f = FunctionOf(context);
  if (f == nullptr) return NotSupported();
  std::optional<records::InterfaceInfoRequest> asked = records::DecodeInterfaceInfoRequest(request);
  if (!asked || asked->interface_id != f->interface_id) return BadParameter();
  const NetworkState& network = context.model.network();
  records::InterfaceInfo info;
  info.vlan_tag = f->settings.vlan_tag;
  info.dhcp = f->settings.dhcp;
  if (asked->ip_type == records::kIpTypeIpv4 || asked->ip_type == records::kIpTypeDhcp) {
    const Ipv4 address = network.Address(*f);
    if (!IsZero(address)) {
      info.entries.push_back(
          {static_cast<uint8_t>(f->settings.dhcp ? records::kIpTypeDhcp : records::kIpTypeIpv4),
           records::Ipv4Address(address), records::Ipv4Address(network.Mask(*f))});
    }
  } else if (IsIpv6Type(asked->ip_type)) {
    if (!f->ipv6_stack) return NotSupported();
    info.entries = Ipv6Entries(network, *f);
  } else {
    return BadParameter();
  }
  std::vector<uint8_t> answer(request.begin(), request.end());
  records::EncodeInterfaceInfo(answer, info);
  return Answer(std::move(answer));
}

// An IPv4 address record added or deleted. A duplicate is configured all
// the same, and its state says so.
FirmwareAnswer ChangeIpv4(NetworkState& network, NetworkFunction& f,
                          const records::IpRecordChange& change, std::span<const uint8_t> request) {
  if (change.entry.type != records::kIpTypeIpv4 || f.settings.dhcp) return BadParameter();
  const Ipv4 address = Ipv4Of(change.entry.address);
  const Ipv4 mask = Ipv4Of(change.entry.mask);
  uint32_t state = 0;
  if (change.action == records::kActionAdd) {
    f.settings.address = address;
    f.settings.mask = IsZero(address) ? Ipv4{} : mask;
    if (!IsZero(address) &&
        network.AddressInUse(f, NetOf(records::kFamilyIpv4, change.entry.address))) {
      state = records::kAddressStateDuplicate;
    }
  } else if (change.action == records::kActionDelete) {
    if (IsZero(f.settings.address) || f.settings.address != address) return BadParameter();
    f.settings.address = {};
    f.settings.mask = {};
  } else {
    return BadParameter();
  }
  f.dynamic_arp.clear();  // what was learnt from the old address is stale
  if (!network.Save(f)) return Refuse(kNetFailed);
  std::vector<uint8_t> answer(request.begin(), request.end());
  records::EncodeIpRecordState(answer, state);
  return Answer(std::move(answer));
}

// An IPv6 address record added or deleted: the link-local address, or one
// of two routable ones. A duplicate is not configured.
FirmwareAnswer ChangeIpv6(NetworkState& network, NetworkFunction& f,
                          const records::IpRecordChange& change, std::span<const uint8_t> request) {
  if (!f.ipv6_stack) return NotSupported();
  const IpAddress& address = change.entry.address;
  const bool link_local = change.entry.type == records::kIpTypeIpv6LinkLocal;
  if (!link_local && change.entry.type != records::kIpTypeIpv6Routable) return BadParameter();
  uint32_t state = 0;
  if (change.action == records::kActionAdd) {
    if (IsZero(address)) return BadParameter();
    if (network.AddressInUse(f, NetOf(records::kFamilyIpv6, address))) {
      state = records::kAddressStateDuplicate;
    } else if (link_local) {
      f.settings.link_local = address;
    } else {
      auto free = std::find_if(f.settings.routable.begin(), f.settings.routable.end(),
                               [](const IpAddress& a) { return IsZero(a); });
      if (free == f.settings.routable.end()) return Refuse(kNetFailed, kNetTableFull);
      *free = address;
    }
  } else if (change.action == records::kActionDelete) {
    if (link_local) {
      // The address made from the MAC address cannot go; a static one can.
      if (network.LinkLocal(f) != address) return BadParameter();
      f.settings.link_local = {};
    } else if (network.AutoAddress(f) == address) {
      // The address the routers' prefix gave: it goes with auto-assignment.
      f.settings.auto_assign = false;
    } else {
      auto found = std::find(f.settings.routable.begin(), f.settings.routable.end(), address);
      if (found == f.settings.routable.end()) return BadParameter();
      *found = {};
    }
  } else {
    return BadParameter();
  }
  if (!network.Save(f)) return Refuse(kNetFailed);
  std::vector<uint8_t> answer(request.begin(), request.end());
  records::EncodeIpRecordState(answer, state);
  return Answer(std::move(answer));
}

// Opcode 21: one address record added or deleted; the answer's state word
// says whether the address is a duplicate.
FirmwareAnswer ModifyIpEntry(CommandContext& context, std::span<const uint8_t> request) {
  NetworkFunction* f = FunctionOf(context);
  if (f == nullptr) return NotSupported();
  std::optional<records::IpRecordChange> change = records::DecodeIpRecordChange(request);
  if (!change || change->interface_id != f->interface_id) return BadParameter();
  if (IsIpv6Type(change->entry.type)) {
    return ChangeIpv6(context.model.network(), *f, *change, request);
  }
  return ChangeIpv4(context.model.network(), *f, *change, request);
}

// Opcode 17: DHCP (5) or IPv6 auto-assignment (0x90) on. Without an answer
// from a DHCP server it stays on and says so (additional status 24).
FirmwareAnswer ConfigDhcp(CommandContext& context, std::span<const uint8_t> request) {
  NetworkFunction* f = FunctionOf(context);
  if (f == nullptr) return NotSupported();
  std::optional<records::InterfaceSetting> start = records::DecodeInterfaceSetting(request);
  if (!start || start->interface_id != f->interface_id) return BadParameter();
  NetworkState& network = context.model.network();
  if (start->value == records::kIpTypeDhcp) {
    f->settings.dhcp = true;
    f->settings.address = {};
    f->settings.mask = {};
    f->settings.gateway = {};
    f->lease.reset();
    f->dynamic_arp.clear();
    if (!network.Save(*f)) return Refuse(kNetFailed);
    if (!network.Renew(*f)) return Refuse(kNetFailed, kNetDhcpTrouble);
    return {};
  }
  if (start->value == records::kIpTypeIpv6AutoAssign) {
    if (!f->ipv6_stack) return NotSupported();
    f->settings.auto_assign = true;
    f->settings.router_gateway_removed = false;
    if (!network.Save(*f)) return Refuse(kNetFailed);
    if (!network.AutoAddress(*f)) return Refuse(kNetFailed, kNetDhcpTrouble);
    return {};
  }
  return BadParameter();
}

// Opcode 18: DHCP off (the leased address goes with it) or IPv6
// auto-assignment off.
FirmwareAnswer ReleaseDhcp(CommandContext& context, std::span<const uint8_t> request) {
  NetworkFunction* f = FunctionOf(context);
  if (f == nullptr) return NotSupported();
  std::optional<records::InterfaceSetting> release = records::DecodeInterfaceSetting(request);
  if (!release || release->interface_id != f->interface_id) return BadParameter();
  if (release->value == records::kIpTypeDhcp) {
    if (!f->settings.dhcp) return BadParameter();  // nothing to release
    f->settings.dhcp = false;
    f->lease.reset();
    f->dynamic_arp.clear();
  } else if (release->value == records::kIpTypeIpv6AutoAssign) {
    if (!f->ipv6_stack) return NotSupported();
    f->settings.auto_assign = false;
  } else {
    return BadParameter();
  }
  return context.model.network().Save(*f) ? FirmwareAnswer{} : Refuse(kNetFailed);
}

// Opcode 14: the VLAN tag (65535: none).
FirmwareAnswer SetVlan(CommandContext& context, std::span<const uint8_t> request) {
  NetworkFunction* f = FunctionOf(context);
  if (f == nullptr) return NotSupported();
  std::optional<records::InterfaceSetting> vlan = records::DecodeInterfaceSetting(request);
  if (!vlan || vlan->interface_id != f->interface_id) return BadParameter();
  if (vlan->value != records::kVlanOff && vlan->value > 0xFFFF) return BadParameter();
  f->settings.vlan_tag = vlan->value;
  f->dynamic_arp.clear();
  return context.model.network().Save(*f) ? FirmwareAnswer{} : Refuse(kNetFailed);
}

// Opcode 22: the default gateway of the family asked for.
FirmwareAnswer GetDefaultGateway(CommandContext& context, std::span<const uint8_t> request) {
  NetworkFunction* f = FunctionOf(context);
  if (f == nullptr) return NotSupported();
  std::optional<uint8_t> family = records::DecodeGatewayQueryType(request);
  const NetworkState& network = context.model.network();
  IpAddress gateway{};
  if (family == records::kFamilyIpv4) {
    gateway = records::Ipv4Address(network.Gateway(*f));
  } else if (family == records::kFamilyIpv6) {
    if (!f->ipv6_stack) return NotSupported();
    gateway = network.Ipv6Gateway(*f);
  } else {
    return BadParameter();
  }
  std::vector<uint8_t> answer(request.begin(), request.end());
  records::EncodeGatewayAnswer(answer, gateway);
  return Answer(std::move(answer));
}

// Opcode 23: adds (replacing) or deletes the static default gateway. A
// deletion names the gateway in place; the IPv6 router's gateway can be
// deleted too, until auto-assignment starts again.
FirmwareAnswer SetDefaultGateway(CommandContext& context, std::span<const uint8_t> request) {
  NetworkFunction* f = FunctionOf(context);
  if (f == nullptr) return NotSupported();
  std::optional<records::GatewayChange> change = records::DecodeGatewayChange(request);
  if (!change) return BadParameter();
  NetworkState& network = context.model.network();
  const bool add = change->action == records::kActionAdd;
  if (!add && change->action != records::kActionDelete) return BadParameter();
  if (change->type == records::kFamilyIpv4) {
    const Ipv4 gateway = Ipv4Of(change->address);
    if (f->settings.dhcp) return BadParameter();  // the lease's router is the gateway
    if (add) {
      if (IsZero(gateway)) return BadParameter();
      f->settings.gateway = gateway;
    } else {
      if (IsZero(f->settings.gateway) || f->settings.gateway != gateway) return BadParameter();
      f->settings.gateway = {};
    }
  } else if (change->type == records::kFamilyIpv6) {
    if (!f->ipv6_stack) return NotSupported();
    if (add) {
      if (IsZero(change->address)) return BadParameter();
      f->settings.ipv6_gateway = change->address;
    } else if (!IsZero(f->settings.ipv6_gateway) && f->settings.ipv6_gateway == change->address) {
      f->settings.ipv6_gateway = {};
    } else if (!IsZero(network.Ipv6Gateway(*f)) && network.Ipv6Gateway(*f) == change->address) {
      f->settings.router_gateway_removed = true;
    } else {
      return BadParameter();
    }
  } else {
    return BadParameter();
  }
  return network.Save(*f) ? FirmwareAnswer{} : Refuse(kNetFailed);
}

// ---- Routes, ARP, ping ---------------------------------------------------------

// Opcode 10: the manual routes.
FirmwareAnswer FetchRouteTable(CommandContext& context, std::span<const uint8_t>) {
  NetworkFunction* f = FunctionOf(context);
  if (f == nullptr) return NotSupported();
  std::vector<uint8_t> table(records::kRouteRecordSize *
                             std::max<size_t>(1, f->settings.routes.size()));
  records::EncodeRouteTable(table, f->settings.routes);
  return Answer(std::move(table));
}

// Opcode 11: adds or deletes a manual route; its gateway must be on the
// function's subnet, and at most eight fit.
FirmwareAnswer SaveRouteTable(CommandContext& context, std::span<const uint8_t> request) {
  NetworkFunction* f = FunctionOf(context);
  if (f == nullptr) return NotSupported();
  std::optional<records::RouteChange> change = records::DecodeRouteChange(request);
  if (!change) return BadParameter();
  NetworkState& network = context.model.network();
  std::vector<records::Route>& routes = f->settings.routes;
  auto same = std::find(routes.begin(), routes.end(), change->route);
  if (change->action == records::kActionAdd) {
    if (same != routes.end() || IsZero(change->route.gateway)) return BadParameter();
    if (routes.size() >= kMaxManualRoutes) return Refuse(kNetFailed, kNetTableFull);
    const Ipv4 address = network.Address(*f);
    const Ipv4 mask = network.Mask(*f);
    for (size_t i = 0; i < 4 && !IsZero(address); ++i) {
      if ((address[i] & mask[i]) != (change->route.gateway[i] & mask[i])) {
        return Refuse(kNetFailed, kNetUnreachable);
      }
    }
    routes.push_back(change->route);
  } else if (change->action == records::kActionDelete) {
    if (same == routes.end()) return BadParameter();
    routes.erase(same);
  } else {
    return BadParameter();
  }
  return network.Save(*f) ? FirmwareAnswer{} : Refuse(kNetFailed);
}

// Opcode 8: static entries, then those learnt.
FirmwareAnswer FetchArpTable(CommandContext& context, std::span<const uint8_t>) {
  NetworkFunction* f = FunctionOf(context);
  if (f == nullptr) return NotSupported();
  std::vector<uint8_t> table(records::kArpTableSize, 0);
  records::EncodeArpTable(table, context.model.network().ArpTable(*f));
  return Answer(std::move(table));
}

// Opcode 9: adds (replacing the one of that address) or deletes a static
// entry; deleting a learnt entry forgets it.
FirmwareAnswer SaveArpTable(CommandContext& context, std::span<const uint8_t> request) {
  NetworkFunction* f = FunctionOf(context);
  if (f == nullptr) return NotSupported();
  std::optional<records::ArpChange> change = records::DecodeArpChange(request);
  if (!change || IsZero(change->entry.address)) return BadParameter();
  auto same_address = [&](const records::ArpEntry& e) {
    return e.address == change->entry.address;
  };
  std::vector<records::ArpEntry>& statics = f->settings.static_arp;
  if (change->action == records::kActionAdd) {
    std::erase_if(statics, same_address);
    std::erase_if(f->dynamic_arp, same_address);
    if (statics.size() >= records::kMaxArpEntries) return Refuse(kNetFailed, kNetTableFull);
    statics.push_back(change->entry);
  } else if (change->action == records::kActionDelete) {
    const size_t removed =
        std::erase(statics, change->entry) + std::erase(f->dynamic_arp, change->entry);
    if (removed == 0) return BadParameter();
  } else {
    return BadParameter();
  }
  return context.model.network().Save(*f) ? FirmwareAnswer{} : Refuse(kNetFailed);
}

// Opcode 6: an echo to the address. A host that stands for a loopback
// address gets a real one (without the adapter's lock meanwhile); the model
// answers for the others, and for it too where no ICMP socket may be had.
FirmwareAnswer Ping(CommandContext& context, std::span<const uint8_t> request) {
  NetworkFunction* f = FunctionOf(context);
  if (f == nullptr) return NotSupported();
  std::optional<records::PingRequest> ping = records::DecodePingRequest(request);
  if (!ping || (ping->type != records::kFamilyIpv4 && ping->type != records::kFamilyIpv6) ||
      IsZero(ping->address)) {
    return BadParameter();
  }
  Reach reach = context.model.network().Contact(*f, NetOf(ping->type, ping->address));
  if (reach.status != 0) return Refuse(reach.status, reach.additional_status);
  if (reach.host == nullptr || !reach.host->ping) return {};
  const std::string endpoint = *reach.host->ping;
  PingOutcome outcome;
  {
    UnlockedScope unlocked(context);
    outcome = RealPing(endpoint, kPingBound);
  }
  if (outcome == PingOutcome::kNoAnswer) return Refuse(kNetFailed, kNetUnreachable);
  return {};
}

// ---- What every function reports about its port ----------------------------------

// Subsystem 2, opcode 7: the highest speed and MTU of the iSCSI function.
FirmwareAnswer GetNicParams(CommandContext& context, std::span<const uint8_t>) {
  if (FunctionOf(context) == nullptr) return NotSupported();
  const int chip = context.model.controller(context.function).chip;
  std::vector<uint8_t> answer(records::kNicParamsSize, 0);
  records::EncodeNicParams(
      answer, {chip == kChipTindra ? records::kMaxSpeed40Gb : records::kMaxSpeed10Gb, kMaxMtu});
  return Answer(std::move(answer));
}

// Subsystem 6, opcodes 46 and 47: the initiator's counters.
FirmwareAnswer GetInstanceStatistics(CommandContext& context, std::span<const uint8_t>) {
  IscsiFunctionState* f = context.model.iscsi().Function(context.function);
  if (f == nullptr) return NotSupported();
  std::vector<uint8_t> answer(records::kInstanceStatisticsSize, 0);
  records::EncodeInstanceStatistics(answer, f->instance_statistics);
  return Answer(std::move(answer));
}

FirmwareAnswer GetLoginStatistics(CommandContext& context, std::span<const uint8_t>) {
  IscsiFunctionState* f = context.model.iscsi().Function(context.function);
  if (f == nullptr) return NotSupported();
  std::vector<uint8_t> answer(records::kLoginStatisticsSize, 0);
  records::EncodeLoginStatistics(answer, f->login_statistics);
  return Answer(std::move(answer));
}

constexpr HandlerEntry kNetworkHandlers[] = {
    {2, 6, 0, records::kPingRequestSize, records::kPingRequestSize, Ping},
    {2, 7, 0, records::kNicParamsSize, kLargestRequest, GetNicParams},
    {2, 8, 0, 4, kLargestRequest, FetchArpTable},
    {2, 9, 0, records::kArpChangeSize, records::kArpChangeSize, SaveArpTable},
    {2, 10, 0, 4, kLargestRequest, FetchRouteTable},
    {2, 11, 0, records::kRouteChangeSize, records::kRouteChangeSize, SaveRouteTable},
    {2, 14, 0, records::kVlanSettingSize, records::kVlanSettingSize, SetVlan},
    {2, 17, 0, records::kDhcpStartSize, records::kDhcpStartSize, ConfigDhcp},
    {2, 18, 0, records::kDhcpReleaseSize, records::kDhcpReleaseSize, ReleaseDhcp},
    {2, 21, 0, records::kIpRecordChangeSize, records::kIpRecordChangeSize, ModifyIpEntry},
    {2, 22, 0, records::kGatewayQuerySize, records::kGatewayQuerySize, GetDefaultGateway},
    {2, 23, 0, records::kGatewayChangeSize, records::kGatewayChangeSize, SetDefaultGateway},
    {2, 24, 0, 4, kLargestRequest, GetAllInterfaceIds},
    {2, 25, 0, records::kInterfaceInfoSize, kLargestRequest, GetInterfaceInfo},
    {6, 46, 0, records::kInstanceStatisticsSize, records::kInstanceStatisticsSize,
     GetInstanceStatistics},
    {6, 47, 0, records::kLoginStatisticsSize, records::kLoginStatisticsSize, GetLoginStatistics},
};

}  // namespace

std::span<const HandlerEntry> NetworkHandlers() { return kNetworkHandlers; }

}  // namespace oxim::emulator
