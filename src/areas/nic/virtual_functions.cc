// The virtual functions of NIC functions: one NICLogicalHBA group per
// virtual function the NIC driver reports, their MAC address, VLAN and
// transmit rate read from the driver's virtual-function information and
// changed through the host's ip link, run as separate arguments (no shell).
#include "areas/nic/virtual_functions.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "areas/controller/controller_status.h"
#include "areas/controller/controller_update.h"
#include "areas/nic/catalogue.h"
#include "areas/nic/nic_status.h"
#include "core/address.h"
#include "core/log.h"
#include "core/node_store.h"
#include "core/strings.h"
#include "core/tree_services.h"
#include "core/validate.h"
#include "kit/function_tree.h"
#include "kit/groups.h"
#include "kit/properties.h"
#include "platform/device_backend.h"
#include "records/driver_records.h"
#include "schema/handler_registry.h"
#include "transport/driver_tables.h"
#include "transport/ioctl.h"

namespace oxim {
namespace {

constexpr int32_t kMaxVlan = 4094;

// The virtual-function information of a NIC function; nullopt (logged) when
// the driver request fails.
std::optional<std::vector<records::VirtualFunctionEntry>> read_vf_info(Node* nic_function) {
  std::optional<records::PciAddress> address =
      transport::NicFunction(get_port_number(nic_function));
  std::array<uint8_t, records::kDriverInfoRecordSize> record{};
  uint32_t status = OXIM_STATUS_FAILURE;
  if (address && records::EncodeDriverInfoRequest(record, *address)) {
    status = IssueNicDriverRequest(records::kNicVirtualFunctionRequest, record);
  }
  std::optional<std::vector<records::VirtualFunctionEntry>> entries;
  if (status != 0 || !(entries = records::DecodeVirtualFunctions(record))) {
    pdebug(kModuleAdapter, kLogError, "%s:ioctl_get_virt_f_info failed with status = %d\n",
           __func__, static_cast<int>(status));
    return std::nullopt;
  }
  return entries;
}

// The text of one field of a virtual function: the transmit rate in Mbit/s,
// the VLAN ID, or the MAC address.
std::string vf_param(const records::VirtualFunctionEntry& vf, const char* name) {
  pdebug(kModuleAdapter, kLogInfo, "%s: qos = %u vlan = %u mac = %s\n", __func__, vf.qos,
         vf.vlan_id, mac_text(vf.mac, ':').c_str());
  if (std::strcmp(name, "TxRate") == 0) return std::to_string(vf.qos * 10u);
  if (std::strcmp(name, "VLANID") == 0) return std::to_string(vf.vlan_id);
  if (std::strcmp(name, "MACAddress") == 0) return mac_text(vf.mac, ':');
  return {};
}

void fill_logical_hba(Node* logical, const records::VirtualFunctionEntry& vf) {
  for (const char* name : {"MACAddress", "VLANID", "TxRate"}) {
    set_prop_val(logical, name, "%s", vf_param(vf, name).c_str());
  }
  set_prop_val(logical, "LinkStatus", "%s", vf.link_up ? "Up" : "Down");
}

// The value of a field of virtual function `instance` of a NIC function; 1
// when the information cannot be read or has no such virtual function.
uint32_t OXIM_get_vf_params(Node* nic_function, int instance, const char* name, std::string* text) {
  std::optional<std::vector<records::VirtualFunctionEntry>> vfs = read_vf_info(nic_function);
  if (!vfs || instance < 0 || static_cast<size_t>(instance) >= vfs->size()) {
    return OXIM_STATUS_FAILURE;
  }
  *text = vf_param((*vfs)[instance], name);
  return 0;
}

// The host interface of the virtual function's physical function.
std::optional<std::string> physical_interface(Node* logical) {
  std::string name;
  if (!read_prop(parent_of(logical), "IfName", &name) || !is_plausible_interface_name(name)) {
    pdebug(kModuleAdapter, kLogError, "%s:Failed to get IfName.\n", __func__);
    return std::nullopt;
  }
  return name;
}

// Runs "ip link set IF vf N" with the settings; 1 with last status 1 when
// the command does not exit with 0.
uint32_t ip_link_set(const std::string& interface, int vf, std::vector<std::string> settings) {
  std::vector<std::string> argv = {"ip", "link", "set", interface, "vf", std::to_string(vf)};
  argv.insert(argv.end(), settings.begin(), settings.end());
  const platform::ToolResult result = platform::RunHostTool(argv);
  if (result.exit_status != 0) {
    std::string line;
    for (const std::string& word : argv) line += (line.empty() ? "" : " ") + word;
    pdebug(kModuleAdapter, kLogError, "%s:\"%s\" exited with status %d\n", __func__, line.c_str(),
           result.exit_status);
    return report(nic::kIpLinkFailed);
  }
  return 0;
}

// Reads a field of the virtual function the group stands for.
uint32_t read_vf_property(Node* property, char* buffer) {
  Node* logical = parent_of(property);
  if (!physical_interface(logical)) return OXIM_STATUS_FAILURE;
  std::string value;
  if (uint32_t status =
          OXIM_get_vf_params(parent_of(logical), instance_number(logical), property->name, &value);
      status != 0) {
    return status;
  }
  if (value.empty() && std::strcmp(property->name, "VLANID") == 0) value = "0";
  write_cached_value(property, value.c_str());
  read_cached_value(property, buffer);
  return 0;
}

uint32_t handle_niclogicalhba_macaddress(Node* property, char* buffer, uint32_t op) {
  if (op == kOpRead) return read_vf_property(property, buffer);
  if (op != kOpWrite) return 0;
  Node* logical = parent_of(property);
  std::optional<std::string> interface = physical_interface(logical);
  if (!interface) return OXIM_STATUS_FAILURE;
  std::array<uint8_t, 6> mac{};
  if (validateMACAddress(written_value(buffer).c_str(), mac.data()) != 1) {
    return report(controller::kInvalidValue);
  }
  // ip takes the address with colons, whichever separator was given.
  const std::string address = mac_text(mac, ':');
  if (uint32_t status = ip_link_set(*interface, instance_number(logical), {"mac", address})) {
    return status;
  }
  write_cached_value(property, address.c_str());
  return 0;
}

uint32_t handle_niclogicalhba_vlanid(Node* property, char* buffer, uint32_t op) {
  if (op == kOpRead) return read_vf_property(property, buffer);
  if (op != kOpWrite) return 0;
  Node* logical = parent_of(property);
  std::optional<std::string> interface = physical_interface(logical);
  if (!interface) return OXIM_STATUS_FAILURE;
  const std::string value = written_value(buffer);
  if (oxim_validate_val_integer(value.c_str(), 0, kMaxVlan) != kValueAccepted) {
    return report(controller::kInvalidValue);
  }
  const long vlan = std::strtol(value.c_str(), nullptr, 0);
  if (uint32_t status =
          ip_link_set(*interface, instance_number(logical), {"vlan", std::to_string(vlan)})) {
    return status;
  }
  write_cached_value(property, std::to_string(vlan).c_str());
  return 0;
}

// TxRate: the rate goes with the group's VLAN (0 while it is "N/A").
uint32_t handle_niclogicalhba_txrate(Node* property, char* buffer, uint32_t op) {
  if (op == kOpRead) return read_vf_property(property, buffer);
  if (op != kOpWrite) return 0;
  Node* logical = parent_of(property);
  std::optional<std::string> interface = physical_interface(logical);
  if (!interface) return OXIM_STATUS_FAILURE;
  std::string vlan = cached_prop(logical, "VLANID");
  if (vlan == "N/A") vlan = "0";
  const std::string rate = std::to_string(std::strtol(written_value(buffer).c_str(), nullptr, 0));
  if (oxim_validate_val_integer(vlan.c_str(), 0, kMaxVlan) != kValueAccepted) {
    return report(controller::kInvalidValue);
  }
  if (uint32_t status =
          ip_link_set(*interface, instance_number(logical), {"vlan", vlan, "rate", rate})) {
    return status;
  }
  write_cached_value(property, rate.c_str());
  return 0;
}

uint32_t handle_LinkStatus(Node* property, char* buffer, uint32_t op) {
  if (op == kOpRead) read_cached_value(property, buffer);
  return 0;
}

// Refresh of a NIC function: its virtual functions again.
uint32_t group_NICPhysicalHBA(Node* nic_function) {
  (void)purge_nodes_within(nic_function, "NICLogicalHBA");
  int count = 0;
  (void)OXIM_Get_VF_Info(nic_function, VfGroups::kCreate, &count);
  return 0;
}

}  // namespace

uint32_t OXIM_Get_VF_Info(Node* nic_function, VfGroups groups, int* count) {
  std::optional<std::vector<records::VirtualFunctionEntry>> vfs = read_vf_info(nic_function);
  if (!vfs) return OXIM_STATUS_FAILURE;
  if (count != nullptr) *count = static_cast<int>(vfs->size());
  if (groups != VfGroups::kCreate) return 0;
  for (const records::VirtualFunctionEntry& vf : *vfs) {
    Node* logical = instantiate(templates::kNICLogicalHBA, nic_function, nullptr, nullptr, nullptr);
    if (logical == nullptr) {
      pdebug(kModuleAdapter, kLogError, "Failed to initialize NICLogicalHBA.\n");
      continue;
    }
    fill_logical_hba(logical, vf);
  }
  return 0;
}

void register_virtual_function_handlers(HandlerRegistry& registry) {
  registry.add_property("handle_niclogicalhba_macaddress", handle_niclogicalhba_macaddress);
  registry.add_property("handle_niclogicalhba_vlanid", handle_niclogicalhba_vlanid);
  registry.add_property("handle_niclogicalhba_txrate", handle_niclogicalhba_txrate);
  registry.add_property("handle_LinkStatus", handle_LinkStatus);
  registry.add_refresh("group_NICPhysicalHBA", group_NICPhysicalHBA);
}

}  // namespace oxim
