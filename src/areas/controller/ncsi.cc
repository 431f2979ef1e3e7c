// NC-SI attributes of a controller; see ncsi.h.
#include "areas/controller/ncsi.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "areas/controller/catalogue.h"
#include "areas/controller/controller_status.h"
#include "areas/controller/controller_update.h"
#include "core/address.h"
#include "core/log.h"
#include "core/node_store.h"
#include "core/strings.h"
#include "core/tree_services.h"
#include "kit/function_attributes.h"
#include "kit/function_tree.h"
#include "kit/groups.h"
#include "kit/pending_group.h"
#include "kit/properties.h"
#include "records/controller_attributes.h"
#include "records/ncsi_attributes.h"
#include "schema/handler_registry.h"
#include "transport/commands.h"

namespace oxim {
namespace {

constexpr char kStaticGroup[] = "NCSIStaticConfiguration0";
constexpr char kDynamicGroup[] = "NCSIDynamicConfiguration0";

const char* yes_no(uint8_t flag) { return flag == 1 ? "Yes" : flag == 0 ? "No" : nullptr; }

// Sets a property when the value is one (a flag other than 1 or 0 leaves
// it); false when the property is missing.
bool set_if(Node* group, const char* name, const char* value) {
  return value == nullptr || set_prop_val(group, name, "%s", value) == 0;
}

// A dynamic wake-on-LAN flags byte: enabled by its bit 0, whatever the
// firmware's other flags (a write sets that bit and keeps them).
const char* wol_flag(uint8_t flags) { return (flags & records::kNcsiWolEnable) ? "Yes" : "No"; }

// Fills the properties of the static sub-group from its settings (wake-on-
// LAN bytes 1 or 0), or of the dynamic one (wake-on-LAN flags).
bool fill_ports(Node* group, const records::NcsiPorts& ports, NcsiRequest request,
                uint8_t port_swap) {
  const bool dynamic = request == NcsiRequest::kDynamic;
  bool ok = true;
  if (!dynamic) ok = set_if(group, "PortSwap", yes_no(port_swap)) && ok;
  ok = set_if(group, "EnableWOLPort0",
              dynamic ? wol_flag(ports.port0_wol) : yes_no(ports.port0_wol)) &&
       ok;
  ok = set_if(group, "EnableWOLPort1",
              dynamic ? wol_flag(ports.port1_wol) : yes_no(ports.port1_wol)) &&
       ok;
  ok = set_prop_val(group, "Port0MAC", "%s", mac_text(ports.port0_mac, ':').c_str()) == 0 && ok;
  ok = set_prop_val(group, "Port1MAC", "%s", mac_text(ports.port1_mac, ':').c_str()) == 0 && ok;
  ok = set_prop_val(group, "MgmtVLANId", "%u", ports.vlan_id) == 0 && ok;
  return ok;
}

// The two QF2 sub-groups, made (start-up) or found; false when either is
// missing.
bool ncsi_subgroups(Node* ncsi, NcsiGroups groups, Node** static_group, Node** dynamic_group) {
  if (groups == NcsiGroups::kCreate) {
    PendingGroup made_static(
        instantiate(templates::kNCSIStaticConfiguration, ncsi, nullptr, nullptr, nullptr));
    PendingGroup made_dynamic(
        instantiate(templates::kNCSIDynamicConfiguration, ncsi, nullptr, nullptr, nullptr));
    if (!made_static || !made_dynamic) return false;
    *static_group = made_static.release();
    *dynamic_group = made_dynamic.release();
    return true;
  }
  *static_group = child_group(ncsi, kStaticGroup);
  *dynamic_group = child_group(ncsi, kDynamicGroup);
  return *static_group != nullptr && *dynamic_group != nullptr;
}

// The attributes through the controller's function. 0 or the command's
// status.
uint32_t read_ncsi(Node* controller, const ControllerFunction& target,
                   std::array<uint8_t, records::kNcsiAttributesSize>* answer) {
  answer->fill(0);
  return ioctl_get_ncsi_attributes(target.address, *answer, instance_number(controller));
}

// The NCSI group of a property: its group, or that group's parent for a
// property of a sub-group.
Node* ncsi_of(Node* property, NcsiRequest* request) {
  Node* group = parent_of(property);
  *request = NcsiRequest::kNcsi;
  if (equal_ignoring_case(group->name, "NCSIStaticConfiguration")) *request = NcsiRequest::kStatic;
  if (equal_ignoring_case(group->name, "NCSIDynamicConfiguration")) {
    *request = NcsiRequest::kDynamic;
  }
  return *request == NcsiRequest::kNcsi ? group : parent_of(group);
}

// NCSISupport, NCSIQFHandShake and the static sub-group's properties, and
// reads of the dynamic ones.
uint32_t read_ncsi_property(Node* property, char* buffer) {
  if (running_on_virtual_function()) std::snprintf(buffer, kValueSize, "N/A");
  NcsiRequest request;
  Node* ncsi = ncsi_of(property, &request);
  if (uint32_t status = OXIM_get_ncsi_attributes(ncsi, request, NcsiGroups::kFind); status != 0) {
    return status;
  }
  read_cached_value(property, buffer);
  return 0;
}

uint32_t handle_ncsi_static_configuration(Node* property, char* buffer, uint32_t op) {
  if (op != kOpRead) return 0;
  return read_ncsi_property(property, buffer);
}

// Changes one field of the dynamic block as the firmware has it now.
uint32_t set_ncsi_attributes(Node* controller, const char* name, const std::string& value) {
  std::optional<ControllerFunction> target = controller_function(controller);
  if (!target) return OXIM_STATUS_FAILURE;
  std::array<uint8_t, records::kNcsiAttributesSize> answer{};
  if (uint32_t status = read_ncsi(controller, *target, &answer); status != 0) return status;
  std::array<uint8_t, records::kNcsiSetSize> request{};
  std::copy_n(answer.begin() + records::kNcsiDynamicOffset, records::kNcsiSetSize, request.begin());
  const bool yes = equal_ignoring_case(value, "Yes");
  auto set_wol = [&](size_t offset) {
    request[offset] = yes ? static_cast<uint8_t>(request[offset] | records::kNcsiWolEnable) : 0;
  };
  auto set_mac = [&](size_t offset) {
    uint8_t mac[6];
    if (validateMACAddress(value.c_str(), mac) != 1) return false;
    std::copy(std::begin(mac), std::end(mac), request.begin() + offset);
    return true;
  };
  if (equal_ignoring_case(name, "EnableWOLPort0")) {
    set_wol(records::kNcsiPort0WolOffset);
  } else if (equal_ignoring_case(name, "EnableWOLPort1")) {
    set_wol(records::kNcsiPort1WolOffset);
  } else if (equal_ignoring_case(name, "Port0MAC")) {
    if (!set_mac(records::kNcsiPort0MacOffset)) return report(controller::kInvalidValue);
  } else if (equal_ignoring_case(name, "Port1MAC")) {
    if (!set_mac(records::kNcsiPort1MacOffset)) return report(controller::kInvalidValue);
  } else if (equal_ignoring_case(name, "MgmtVLANId")) {
    const long vlan = std::strtol(value.c_str(), nullptr, 10);
    records::EncodeFixed16(request.data() + records::kNcsiVlanOffset, static_cast<uint16_t>(vlan));
  }
  const uint32_t status =
      ioctl_set_ncsi_attributes(target->address, request, instance_number(controller));
  pdebug(kModuleAdapter, kLogInfo, "set_ncsi_attributes status = %d\n", static_cast<int>(status));
  if (status != 0) {
    pdebug(kModuleAdapter, kLogError, "ioctl_set_ncsi_attributes has failed.\n");
    return report(controller::kNcsiNotSet);
  }
  return 0;
}

uint32_t handle_ncsi_dynamic_configuration(Node* property, char* buffer, uint32_t op) {
  if (op == kOpRead) return read_ncsi_property(property, buffer);
  if (op != kOpWrite) return 0;
  if (running_on_virtual_function()) return report(kNotOnVirtualFunction);
  NcsiRequest request;
  Node* ncsi = ncsi_of(property, &request);
  const std::string support = ncsi != nullptr ? cached_prop(ncsi, "NCSISupport") : "";
  if (support.empty()) {
    pdebug(kModuleAdapter, kLogError, "%s:Failed to get NCSI State.\n", __func__);
    return OXIM_STATUS_FAILURE;
  }
  if (!equal_ignoring_case(support, "Supported")) return report(controller::kNcsiDisabled);
  const std::string value(buffer, strnlen(buffer, kValueSize));
  if (uint32_t status = set_ncsi_attributes(parent_of(ncsi), property->name, value); status != 0) {
    return status;
  }
  write_cached_value(property, value.c_str());
  return 0;
}

// NCSIVersion: from the controller attributes of QF2 (five numbers) and QF3
// (a text) controllers that support NC-SI; "N/A" otherwise.
uint32_t handle_get_ncsi_version(Node* property, char* buffer, uint32_t op) {
  if (op != kOpRead) return 0;
  if (running_on_virtual_function()) return refuse_on_virtual_function(buffer);
  Node* ncsi = parent_of(property);
  const std::string support = cached_prop(ncsi, "NCSISupport");
  if (support.empty()) {
    pdebug(kModuleAdapter, kLogError, "In %s, Failed to get NCSI State\n", __func__);
    return OXIM_STATUS_FAILURE;
  }
  Node* controller = parent_of(ncsi);
  const int chip = get_qf_type(controller);
  if (chip == kChipUndetermined) return OXIM_STATUS_FAILURE;
  std::string version = "N/A";
  if (equal_ignoring_case(support, "Supported") && (chip == kChipQF2 || chip == kChipQF3)) {
    std::optional<ControllerFunction> target = controller_function(controller);
    std::array<uint8_t, records::kControllerAttributesSize> answer{};
    std::optional<records::ControllerAttributes> attributes;
    if (!target || OXIM_get_cntr_attribs(target->address, target->kind, answer) != 0 ||
        !(attributes = records::DecodeControllerAttributes(answer))) {
      pdebug(kModuleAdapter, kLogError, "In %s, ioctl_fetch_controller_attribs failed\n", __func__);
      return OXIM_STATUS_FAILURE;
    }
    if (chip == kChipQF2) {
      const std::array<uint16_t, records::kAttrNcsiVersionNumbers> n =
          records::NcsiVersionNumbers(*attributes);
      char text[40];
      std::snprintf(text, sizeof text, "%d.%d.%d.%d-%d", n[0], n[1], n[2], n[3], n[4]);
      version = text;
    } else {
      version = records::NcsiVersionText(*attributes);
    }
  }
  write_cached_value(property, version.c_str());
  read_cached_value(property, buffer);
  return 0;
}

}  // namespace

uint32_t OXIM_get_ncsi_attributes(Node* ncsi, NcsiRequest request, NcsiGroups groups) {
  Node* controller = parent_of(ncsi);
  std::optional<ControllerFunction> target = controller_function(controller);
  if (!target) return OXIM_STATUS_FAILURE;
  const int chip = get_qf_type(controller);
  if (chip == kChipUndetermined) return OXIM_STATUS_FAILURE;
  bool ok = true;
  if (chip == kChipKorvel) {
    ok = set_prop_val(ncsi, "NCSISupport", "Not Supported") == 0;
    ok = set_prop_val(ncsi, "NCSIQFHandShake", "N/A") == 0 && ok;
    return ok ? OXIM_STATUS_SUCCESS : OXIM_STATUS_FAILURE;
  }
  std::array<uint8_t, records::kNcsiAttributesSize> answer{};
  if (uint32_t status = read_ncsi(controller, *target, &answer); status != 0) return status;
  const records::NcsiAttributes attributes = *records::DecodeNcsiAttributes(answer);
  pdebug(kModuleAdapter, kLogDebug, "%s:ncsi_state = %d\n", __func__, attributes.state);
  if (attributes.state != records::kNcsiSupported) {
    ok = set_prop_val(ncsi, "NCSISupport", "Not Supported") == 0;
    ok = set_prop_val(ncsi, "NCSIQFHandShake", "N/A") == 0 && ok;
    return ok ? OXIM_STATUS_SUCCESS : OXIM_STATUS_FAILURE;
  }
  ok = set_prop_val(ncsi, "NCSISupport", "Supported") == 0;
  if (chip != kChipQF2) {
    ok = set_prop_val(ncsi, "NCSIQFHandShake", "N/A") == 0 && ok;
    return ok ? OXIM_STATUS_SUCCESS : OXIM_STATUS_FAILURE;
  }
  Node* static_group = nullptr;
  Node* dynamic_group = nullptr;
  if (!ncsi_subgroups(ncsi, groups, &static_group, &dynamic_group)) return OXIM_STATUS_FAILURE;
  const char* handshake = attributes.handshake == records::kNcsiHandshakeSuccess ? "Success"
                          : attributes.handshake == records::kNcsiHandshakeError ? "Error"
                                                                                 : nullptr;
  ok = set_if(ncsi, "NCSIQFHandShake", handshake) && ok;
  if (request == NcsiRequest::kStatic) {
    ok = fill_ports(static_group, attributes.static_ports, request, attributes.port_swap) && ok;
  } else if (request == NcsiRequest::kDynamic) {
    ok = fill_ports(dynamic_group, attributes.dynamic_ports, request, 0) && ok;
  }
  return ok ? OXIM_STATUS_SUCCESS : OXIM_STATUS_FAILURE;
}

void register_ncsi_handlers(HandlerRegistry& registry) {
  registry.add_property("handle_ncsi_static_configuration", handle_ncsi_static_configuration);
  registry.add_property("handle_ncsi_dynamic_configuration", handle_ncsi_dynamic_configuration);
  registry.add_property("handle_get_ncsi_version", handle_get_ncsi_version);
}

}  // namespace oxim
