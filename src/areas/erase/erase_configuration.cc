// EraseConfiguration and EraseAllConfiguration; see erase_configuration.h.
#include "areas/erase/erase_configuration.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "areas/discovery/isns.h"
#include "areas/discovery/sendtarget_portals.h"
#include "areas/iscsi/iscsi_status.h"
#include "areas/iscsi/iscsi_tree.h"
#include "areas/iscsi/login_options.h"
#include "areas/iscsi/saved_files.h"
#include "areas/networking/interface.h"
#include "areas/networking/tables.h"
#include "areas/nic/network_boot.h"
#include "areas/nic/nic_status.h"
#include "areas/port/port_erase.h"
#include "core/last_status.h"
#include "core/log.h"
#include "kit/function_tree.h"
#include "kit/groups.h"
#include "kit/params.h"
#include "kit/properties.h"
#include "records/erase_rom.h"
#include "records/factory_profile.h"
#include "records/ip_interface.h"
#include "schema/handler_registry.h"
#include "transport/commands.h"
#include "transport/status_map.h"

namespace oxim {
namespace {

bool any_open_session(Node* function) {
  for (Node* logical_hba : instances_of(function, "LogicalHBA")) {
    for (Node* target : instances_of(logical_hba, "Target")) {
      for (Node* session : instances_of(target, "Session")) {
        if (prop_or_empty(session, "SessionStatus") == "Open") return true;
      }
    }
  }
  return false;
}

// Reads the interface again and deletes the IPv4 default gateway. With DHCP
// on, the gateway is the lease's and is not configuration: it stays.
uint32_t delete_default_gateway(Node* function) {
  Node* tcpip = networking::tcpip_group(function);
  if (tcpip == nullptr) return report(kInternalError);
  if (uint32_t status = networking::get_all_interfaces(tcpip); status != 0) return status;
  if (cached_prop(tcpip, "DHCPEnabled") == "True") return 0;
  if (uint32_t status = networking::delete_gateway(tcpip, records::kFamilyIpv4); status != 0) {
    return status;
  }
  cache_prop(tcpip, "DefaultGateway", "0.0.0.0");
  return 0;
}

// The SendTarget portals and saved-target lines of a logical HBA go, and
// its initiator login options return to their defaults (no CHAP). Its
// Target groups stay.
uint32_t erase_logical_hba(Node* logical_hba) {
  if (Node* discovery = child_group(logical_hba, "Discovery")) {
    for (Node* portal : instances_of(discovery, "SendTargetPortal")) {
      if (uint32_t status = discovery::delete_sendtarget_portal(portal); status != 0) return status;
    }
  }
  const iscsi::HbaPath path = iscsi::hba_path(logical_hba);
  if (iscsi::RemoveLinesIfAny(iscsi::SavedFile::kTargets, iscsi::PathKey(path)) != 0) {
    return iscsi::kSavedFileFailure;
  }
  Node* options = child_group(logical_hba, "InitiatorLoginOptions");
  if (options == nullptr) return report(kInternalError);
  const iscsi::LoginOptionFields defaults = iscsi::DefaultInitiatorOptionsLine(path).options;
  if (iscsi::store_group_options(
          options, [&](iscsi::LoginOptionFields* fields) { *fields = defaults; }) != 0) {
    pdebug(kModuleAdapter, kLogError, "%s: the initiator options could not be saved\n", __func__);
    return iscsi::kSavedFileFailure;
  }
  iscsi::set_group_options(options, defaults);
  return 0;
}

// The steps of EraseConfiguration on function, erasing the saved
// configuration of logical_hbas. Stops at the first step that fails, with
// its status (reported); 0 with last status 184.
uint32_t erase_iscsi_function(Node* function, const std::vector<Node*>& logical_hbas) {
  if (networking::OXIM_delete_available_routes(function) != 0) return 1;
  if (any_open_session(function)) return report(kActiveSessionsPresent);
  if (Node* isns = child_group(function, "iSNS")) {
    if (uint32_t status = discovery::erase_isns(isns); status != 0) return status;
  }
  std::array<uint8_t, records::kEraseRequestSize> request{};
  records::EncodeEraseRequest(request, records::kEraseIscsiConfiguration);
  if (uint32_t status = ioctl_erase_ROM(function_address(function), request, DriverKind::kIscsi);
      status != 0) {
    pdebug(kModuleAdapter, kLogError, "%s: the flash erase failed with %u\n", __func__, status);
    return status;
  }
  if (uint32_t status = delete_default_gateway(function); status != 0) return status;
  for (Node* logical_hba : logical_hbas) {
    if (uint32_t status = erase_logical_hba(logical_hba); status != 0) return status;
  }
  (void)report(nic::kErased);
  return 0;
}

uint32_t do_EraseConfiguration(Node* function, Node*, char* params) {
  if (running_on_virtual_function()) return report(kNotOnVirtualFunction);
  const std::string number = param_text(params, 0);
  std::vector<Node*> logical_hbas;
  if (number.empty()) {
    logical_hbas = instances_of(function, "LogicalHBA");
  } else if (Node* logical_hba = instance_named(function, "LogicalHBA", number)) {
    logical_hbas.push_back(logical_hba);
  } else {
    return report(iscsi::kInvalidInstance);
  }
  return erase_iscsi_function(function, logical_hbas);
}

// The first failure of a run of steps that all run: its result and last
// status, given back at the end.
class FirstFailure {
 public:
  // Before a step: its last status is its own.
  void before_step() { oxim_reset_last_status(); }
  // After a step that returned result.
  void after_step(uint32_t result) {
    if (result == 0 || result_ != 0) return;
    result_ = result;
    oxim_get_last_status(&code_, message_.data());
    if (code_ == 0) {
      code_ = result;
      message_.fill('\0');
      std::copy_n(kInternalErrorSuffix, sizeof kInternalErrorSuffix, message_.begin());
    }
  }
  bool failed() const { return result_ != 0; }
  // Sets the failure's last status again and returns its result.
  uint32_t report_again() const {
    oxim_set_last_status(code_, message_.data());
    return result_;
  }

 private:
  uint32_t result_ = 0;
  uint32_t code_ = 0;
  std::array<char, kMessageSize> message_{};
};

// Restores the controller's factory profile configuration. Firmware without
// the profile interface (QF2, QF3, Korvel) has no profile to restore: its
// refusal (213) is no failure.
uint32_t restore_factory_profile(Node* controller) {
  std::optional<ControllerFunction> carrier = controller_function(controller);
  if (!carrier) return 0;  // a controller without functions has no profile
  std::array<uint8_t, records::kFactoryProfileRequestSize> request{};
  records::EncodeFactoryProfileRequest(request);
  const uint32_t status =
      ioctl_set_factory_profile_config(carrier->address, request, carrier->kind);
  if (status == kCommandNotSupported) {
    oxim_reset_last_status();
    return 0;
  }
  if (status != 0) {
    pdebug(kModuleAdapter, kLogError, "%s: the factory profile was not restored (%u)\n", __func__,
           status);
  }
  return status;
}

// The ports of a controller, as its functions' PortNumber properties name
// them, in order of first appearance. Every port of the controller has at
// least one function, and its port group (where the tree has one) the same
// number.
std::vector<std::string> port_numbers(Node* controller) {
  std::vector<std::string> ports;
  for (Node* function : physical_hbas(controller)) {
    const std::string port = prop_or_empty(function, "PortNumber");
    if (!port.empty() && std::find(ports.begin(), ports.end(), port) == ports.end()) {
      ports.push_back(port);
    }
  }
  return ports;
}

// Every step runs, so that what can be erased is erased; the command then
// fails with the first failure (its result and last status), or succeeds
// with 184 (239 when a NIC function's erase asks for an immediate reboot).
uint32_t do_EraseAllConfiguration(Node* controller, Node*, char*) {
  if (running_on_virtual_function()) return report(kNotOnVirtualFunction);
  FirstFailure failure;
  bool reboot_now = false;
  for (Node* function : instances_of(controller, "iSCSIPhysicalHBA")) {
    failure.before_step();
    failure.after_step(erase_iscsi_function(function, instances_of(function, "LogicalHBA")));
  }
  for (const std::string& port : port_numbers(controller)) {
    failure.before_step();
    failure.after_step(OXIM_ErasePortandDiscoveryConfiguration(controller, port));
  }
  for (Node* function : instances_of(controller, "NICPhysicalHBA")) {
    failure.before_step();
    const uint32_t result = OXIM_EraseNICConfiguration(function);
    if (result == kRebootNowStatus) {
      reboot_now = true;
    } else {
      failure.after_step(result);
    }
  }
  failure.before_step();
  failure.after_step(restore_factory_profile(controller));
  if (failure.failed()) return failure.report_again();
  (void)report(reboot_now ? nic::kErasedRebootNow : nic::kErased);
  return 0;
}

}  // namespace

void register_erase_handlers(HandlerRegistry& registry) {
  registry.add_command("do_EraseConfiguration", do_EraseConfiguration);
  registry.add_command("do_EraseAllConfiguration", do_EraseAllConfiguration);
}

}  // namespace oxim
