// The network interface of an iSCSI function as its NICConfiguration group
// shows it: MAC addresses, highest speed and MTU, logical link status, and
// the command that reads them again; see port.h.
#include "areas/networking/port.h"

#include <array>
#include <cstdio>

#include "areas/networking/interface.h"
#include "areas/networking/network_status.h"
#include "core/node_store.h"
#include "core/tree_services.h"
#include "kit/function_tree.h"
#include "kit/properties.h"
#include "records/link_status.h"
#include "records/mac_records.h"
#include "records/nic_params.h"
#include "schema/handler_registry.h"
#include "transport/commands.h"

namespace oxim::networking {
namespace {

// PortMaxSpeed texts by speed code.
constexpr const char* kSpeedTexts[] = {"Unknown", "less than 1Mb", "less than 1Gb", "1Gb",
                                       "10Gb",    "20Gb",          "40Gb"};

uint32_t handle_logical_link_status(Node* property, char* buffer, uint32_t op) {
  if (op != kOpRead) return report(kSettingNotSupported);
  std::string value;
  if (uint32_t status = get_logical_link_status(property, &value); status != 0) return status;
  if (!value.empty()) SET_CACHE_PROP_VAL(property, "%s", value.c_str());
  read_cached_value(property, buffer);
  return 0;
}

uint32_t do_RefreshNICConfig(Node* group, Node*, char*) {
  Node* permanent = nullptr;
  {
    StoreLock lock;
    permanent = internal_get_node(group, "PermanentMACAddress", kKindProperty);
  }
  if (permanent == nullptr) return 1;
  if (OXIM_get_iscsi_ntwk_params(group) != 0 || OXIM_get_iscsi_ntwk_mac(group) != 0) return 1;
  return 0;
}

}  // namespace

uint32_t OXIM_get_iscsi_ntwk_mac(Node* group) {
  std::array<uint8_t, records::kMacQuerySize> query{};
  records::EncodeMacQueryRequest(query);
  std::optional<records::MacQuery> macs;
  if (uint32_t status = ioctl_get_mac_query(function_address(group), query, DriverKind::kIscsi);
      status != 0) {
    return status;
  }
  if (!(macs = records::DecodeMacQuery(query))) return report(kInternalError);
  // Both show the address the function uses.
  cache_prop(group, "MACAddress", mac_text(macs->current));
  cache_prop(group, "PermanentMACAddress", mac_text(macs->current));
  return 0;
}

uint32_t OXIM_get_iscsi_ntwk_params(Node* group) {
  std::array<uint8_t, records::kNicParamsSize> answer{};
  std::optional<records::NicParams> params;
  if (ioctl_get_NIC_params(function_address(group), answer, static_cast<uint32_t>(answer.size())) !=
          0 ||
      !(params = records::DecodeNicParams(answer))) {
    return report(kNicParamsNotRead);
  }
  cache_prop(group, "MaxMTUSize", std::to_string(params->max_mtu));
  if (params->max_speed < std::size(kSpeedTexts)) {
    cache_prop(group, "PortMaxSpeed", kSpeedTexts[params->max_speed]);
  }
  return 0;
}

uint32_t get_logical_link_status(Node* node, std::string* value) {
  value->clear();
  if (get_qf_type(node) == kChipUndetermined) return 1;
  std::array<uint8_t, records::kLinkStatusSize> answer{};
  std::optional<records::LinkStatus> link;
  if (ioctl_get_link_status_v1(function_address(node), answer, DriverKind::kIscsi) != 0 ||
      !(link = records::DecodeLinkStatus(answer))) {
    return report(kLinkStatusNotRead);
  }
  if (link->logical_state == records::kLogicalLinkUp) *value = "Up";
  if (link->logical_state == records::kLogicalLinkDown) *value = "Down";
  return 0;
}

void register_port_handlers(HandlerRegistry& registry) {
  registry.add_property("handle_iSCSIPhysicalHBA_Network_NICConfiguration_MACAddress",
                        read_through_group<OXIM_get_iscsi_ntwk_mac>);
  registry.add_property("handle_iSCSIPhysicalHBA_Network_NICConfiguration_PermanentMACAddress",
                        read_through_group<OXIM_get_iscsi_ntwk_mac>);
  registry.add_property("handle_NICprop", read_through_group<OXIM_get_iscsi_ntwk_params>);
  registry.add_property("handle_logical_link_status", handle_logical_link_status);
  registry.add_command("do_RefreshNICConfig", do_RefreshNICConfig);
}

}  // namespace oxim::networking
