// Property handlers of the network side of the functions: a NIC function's
// MAC addresses, MTU, logical link and CIM descriptions, the port speed and
// vNIC channel of NIC and iSCSI functions, and the active port of an iSCSI
// function.
#include "areas/nic/nic_properties.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "areas/controller/controller_update.h"
#include "areas/nic/nic_status.h"
#include "core/log.h"
#include "core/node_store.h"
#include "core/strings.h"
#include "core/tree_services.h"
#include "kit/function_tree.h"
#include "kit/groups.h"
#include "kit/properties.h"
#include "records/driver_records.h"
#include "records/link_status.h"
#include "records/mac_records.h"
#include "records/vnic.h"
#include "schema/handler_registry.h"
#include "transport/commands.h"
#include "transport/driver_tables.h"
#include "transport/ioctl.h"
#include "transport/status_map.h"

namespace oxim {
namespace {

// The physical HBA a property belongs to (at any depth below it).
Node* physical_hba_of(Node* property) {
  Node* node = parent_of(property);
  while (node != nullptr && !is_physical_hba(node) && parent_of(node) != node) {
    node = parent_of(node);
  }
  return is_physical_hba(node) ? node : nullptr;
}

// The link status of a function (Korvel's command on Korvel); nullopt when
// it cannot be read.
std::optional<records::LinkStatus> link_status(Node* function, int chip) {
  std::array<uint8_t, records::kLinkStatusSize> answer{};
  const FunctionAddress address = function_address(function);
  const DriverKind kind = driver_kind_of(function);
  const uint32_t status = chip == kChipKorvel ? ioctl_get_korvel_linkstatus(address, answer, kind)
                                              : ioctl_get_link_status_v1(address, answer, kind);
  if (status != 0) return std::nullopt;
  return records::DecodeLinkStatus(answer);
}

// MACAddress of a NIC function: the current address, "-" separated.
uint32_t handle_NICPhysicalHBA_MACAddress(Node* property, char* buffer, uint32_t op) {
  if (op == kOpWrite) return report(nic::kSetNotSupportedInOs);
  if (op != kOpRead) return 0;
  std::array<uint8_t, records::kMacQuerySize> query{};
  records::EncodeMacQueryRequest(query);
  std::optional<records::MacQuery> macs;
  if (ioctl_get_mac_query(function_address(property), query, DriverKind::kNic) != 0 ||
      !(macs = records::DecodeMacQuery(query))) {
    return report(nic::kMacNotRead);
  }
  return show(property, buffer, mac_text(macs->current, '-'));
}

// PermanentMACAddress: the factory address start-up read.
uint32_t handle_NICPhysicalHBA_PermanentMACAddress(Node* property, char* buffer, uint32_t op) {
  if (op == kOpWrite) return report(nic::kSetNotSupportedInOs);
  if (op != kOpRead) return 0;
  return show(property, buffer, cached_prop(parent_of(property), "FactoryDefaultMACAddress"));
}

// MTUSize: the MTU the NIC driver reports for the function.
uint32_t handle_nic_MTUSize(Node* property, char* buffer, uint32_t op) {
  if (op != kOpRead) return 0;
  std::optional<records::PciAddress> address = transport::NicFunction(get_port_number(property));
  std::array<uint8_t, records::kDriverInfoRecordSize> record{};
  std::optional<records::DriverInfoAnswer> info;
  if (!address || !records::EncodeDriverInfoRequest(record, *address) ||
      IssueNicDriverRequest(records::kNicDriverInfoRequest, record) != 0 ||
      !(info = records::DecodeDriverInfoAnswer(record))) {
    pdebug(kModuleAdapter, kLogError, "Failed to get th MTUSize for this nic interface\n");
    return OXIM_STATUS_FAILURE;
  }
  return show(property, buffer, std::to_string(info->mtu));
}

// LogicalLinkStatus of a NIC function: up when the port, its link and the
// logical link all are (on Korvel the logical link alone).
uint32_t handle_nic_logical_link_status(Node* property, char* buffer, uint32_t op) {
  if (op != kOpRead) return 0;
  Node* function = parent_of(property);
  const int chip = get_qf_type(function);
  if (chip == kChipUndetermined) return OXIM_STATUS_FAILURE;
  std::optional<records::LinkStatus> link = link_status(function, chip);
  if (!link)
    return report(chip == kChipKorvel ? nic::kLinkParamsNotRead : nic::kLogicalLinkNotRead);
  if (chip == kChipKorvel) {
    if (link->logical_state == records::kLogicalLinkUp) write_cached_value(property, "Up");
    if (link->logical_state == records::kLogicalLinkDown) write_cached_value(property, "Down");
    return copy_out(property, buffer);
  }
  const bool up = link->speed_code != 0 && link->link != 0 && link->logical_state != 0;
  return show(property, buffer, up ? "Up" : "Down");
}

// The NIC function as the CIM model describes it.
uint32_t handle_ProtocolIfType(Node* property, char* buffer, uint32_t op) {
  return op == kOpRead ? show(property, buffer, "Ethernet CSMA/CD") : 0;
}
uint32_t handle_LinkTechnology(Node* property, char* buffer, uint32_t op) {
  return op == kOpRead ? show(property, buffer, "Ethernet") : 0;
}
uint32_t handle_cim_capabilities(Node* property, char* buffer, uint32_t op) {
  return op == kOpRead ? show(property, buffer, "LoadBalancing,FailOver,WakeOnLAN") : 0;
}

const char* speed_code_text(uint8_t code) {
  switch (code) {
    case records::kSpeed10Mb: return "10Mb";
    case records::kSpeed100Mb: return "100Mb";
    case records::kSpeed1Gb: return "1Gb";
    case records::kSpeed10Gb: return "10Gb";
    case records::kSpeed20Gb: return "20Gb";
    case records::kSpeed25Gb: return "25Gb";
    case records::kSpeed40Gb: return "40Gb";
    case records::kSpeed100Gb: return "100Gb";
    default: return "0 (Link Down)";
  }
}

// The MaxBitsPerSecond of a function's bandwidth (an iSCSI function's in
// its LogicalHBA0/iSCSIQoS group).
uint32_t max_bits_per_second(Node* function) {
  Node* holder = function;
  if (driver_kind_of(function) == DriverKind::kIscsi) {
    Node* logical = child_group(function, "LogicalHBA0");
    holder = logical != nullptr ? child_group(logical, "iSCSIQoS") : nullptr;
  }
  std::string value;
  if (holder == nullptr || !read_prop(holder, "MaxBitsPerSecond", &value)) return 0;
  return static_cast<uint32_t>(std::strtoul(value.c_str(), nullptr, 10));
}

// PortSpeed of a NIC or iSCSI function: "0 (Link Down)" while the port's
// link is down; else the QoS limit of the function when it has one, or the
// speed of the port.
uint32_t handle_portspeed(Node* property, char* buffer, uint32_t op) {
  if (op != kOpRead) return 0;
  Node* function = physical_hba_of(property);
  Node* controller = enclosing_group(property, "Quellfire");
  const int chip = get_qf_type(property);
  if (function == nullptr || chip == kChipUndetermined) return OXIM_STATUS_FAILURE;
  const std::string port = prop_or_empty(function, "PortNumber");
  for (Node* port_group : instances_of(controller, "PortDiscoveryAndConfiguration")) {
    if (prop_or_empty(port_group, "PortNumber") == port &&
        equal_ignoring_case(prop_or_empty(port_group, "PhysicalLinkStatus"), "Down")) {
      return show(property, buffer, "0 (Link Down)");
    }
  }
  std::optional<records::LinkStatus> link = link_status(function, chip);
  if (!link) return report(nic::kLinkParamsNotRead);
  const bool tindra_units = chip == kChipTindra && !running_on_virtual_function();
  const uint32_t q = tindra_units ? max_bits_per_second(function) : link->qos_speed;
  if ((q & 0xFFFF) == 0) return show(property, buffer, speed_code_text(link->speed_code));
  const uint64_t megabits = uint64_t{q} * (tindra_units ? 100 : 10);
  char text[32];
  if (megabits < 1000) {
    std::snprintf(text, sizeof text, "%lluMb", static_cast<unsigned long long>(megabits));
  } else if (megabits % 1000 == 0) {
    std::snprintf(text, sizeof text, "%lluGb", static_cast<unsigned long long>(megabits / 1000));
  } else {
    std::snprintf(text, sizeof text, "%.1fGb", static_cast<double>(megabits) / 1000.0);
  }
  return show(property, buffer, text);
}

// vNICEnabled and vNICName, both set from one answer: "true" and the
// channel's name for a vNIC channel, "False" and no name otherwise.
uint32_t vnic_name_props(Node* property, char* buffer) {
  Node* vnic = parent_of(property);
  Node* function = physical_hba_of(property);
  if (function == nullptr) return OXIM_STATUS_FAILURE;
  std::array<uint8_t, records::kVnicNameSize> answer{};
  const uint32_t status =
      ioctl_get_vnic_function_name(function_address(function), answer, driver_kind_of(function));
  std::optional<records::VnicName> name;
  if (status == kCommandNotSupported) {  // not a vNIC channel
    name = records::VnicName{};
  } else if (status != 0 || !(name = records::DecodeVnicName(answer))) {
    return report(nic::kVnicNameNotRead);
  }
  set_prop_val(vnic, "vNICEnabled", "%s", name->enabled ? "true" : "False");
  set_prop_val(vnic, "vNICName", "%s", name->enabled ? name->name.c_str() : "");
  return copy_out(property, buffer);
}

uint32_t handle_vnic_name_props(Node* property, char* buffer, uint32_t op) {
  return op == kOpRead ? vnic_name_props(property, buffer) : 0;
}

// OuterVLANID, MinBandwidth and MaxBandwidth of a vNIC channel; empty for a
// function that is none.
uint32_t vnic_stats(Node* property, char* buffer) {
  Node* vnic = parent_of(property);
  Node* function = physical_hba_of(property);
  std::string enabled;
  if (function == nullptr || !read_prop(vnic, "vNICEnabled", &enabled)) {
    return OXIM_STATUS_FAILURE;
  }
  std::string outer_vlan, min_bandwidth, max_bandwidth;
  if (equal_ignoring_case(enabled, "True")) {
    std::array<uint8_t, records::kVnicStatsSize> answer{};
    std::optional<records::VnicStats> stats;
    if (ioctl_get_vnic_function_stats(function_address(function), answer,
                                      driver_kind_of(function)) != 0 ||
        !(stats = records::DecodeVnicStats(answer))) {
      return report(nic::kVnicStatsNotRead);
    }
    outer_vlan = std::to_string(stats->outer_vlan);
    min_bandwidth = std::to_string(stats->min_bandwidth);
    max_bandwidth = std::to_string(stats->max_bandwidth);
  }
  set_prop_val(vnic, "OuterVLANID", "%s", outer_vlan.c_str());
  set_prop_val(vnic, "MinBandwidth", "%s", min_bandwidth.c_str());
  set_prop_val(vnic, "MaxBandwidth", "%s", max_bandwidth.c_str());
  return copy_out(property, buffer);
}

uint32_t handle_iscsi_vnic_stats(Node* property, char* buffer, uint32_t op) {
  return op == kOpRead ? vnic_stats(property, buffer) : 0;
}

uint32_t handle_nic_vnic_stats(Node* property, char* buffer, uint32_t op) {
  if (op != kOpRead) return 0;
  if (running_on_virtual_function()) return refuse_on_virtual_function(buffer);
  return vnic_stats(property, buffer);
}

// ActivePort of an iSCSI function: the physical port that carries it.
uint32_t handle_activeport(Node* property, char* buffer, uint32_t op) {
  if (op != kOpRead) return 0;
  Node* function = physical_hba_of(property);
  if (function == nullptr) return OXIM_STATUS_FAILURE;
  std::array<uint8_t, records::kLinkStatusSize> answer{};
  std::optional<uint8_t> port;
  if (ioctl_get_NIC_link_params(function_address(function), answer, driver_kind_of(function)) !=
          0 ||
      !(port = records::DecodeNicLinkParams(answer))) {
    return report(nic::kActivePortNotRead);
  }
  if (*port <= 1) write_cached_value(property, std::to_string(*port).c_str());
  if (*port == records::kNoActivePort) write_cached_value(property, "None");
  return copy_out(property, buffer);
}

}  // namespace

void register_nic_property_handlers(HandlerRegistry& registry) {
  registry.add_property("handle_NICPhysicalHBA_MACAddress", handle_NICPhysicalHBA_MACAddress);
  registry.add_property("handle_NICPhysicalHBA_PermanentMACAddress",
                        handle_NICPhysicalHBA_PermanentMACAddress);
  registry.add_property("handle_nic_MTUSize", handle_nic_MTUSize);
  registry.add_property("handle_nic_logical_link_status", handle_nic_logical_link_status);
  registry.add_property("handle_ProtocolIfType", handle_ProtocolIfType);
  registry.add_property("handle_LinkTechnology", handle_LinkTechnology);
  registry.add_property("handle_Quellfire_NICPhysicalHBA_CIM_Capabilities",
                        handle_cim_capabilities);
  registry.add_property("handle_EnabledCapabilities", handle_cim_capabilities);
  registry.add_property("handle_portspeed", handle_portspeed);
  registry.add_property("handle_iscsi_vnic_name_props", handle_vnic_name_props);
  registry.add_property("handle_nic_vnic_name_props", handle_vnic_name_props);
  registry.add_property("handle_iscsi_vnic_stats", handle_iscsi_vnic_stats);
  registry.add_property("handle_nic_vnic_stats", handle_nic_vnic_stats);
  registry.add_property("handle_activeport", handle_activeport);
}

}  // namespace oxim
