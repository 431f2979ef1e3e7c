// The iSCSI initiator area: the iSCSI functions' logical HBAs with their targets, portals, login
// options, sessions and connections, and the saved files that keep targets and options across
// restarts.
#include <sys/stat.h>

#include <array>
#include <cstring>
#include <string>

#include "areas/areas.h"
#include "areas/iscsi/catalogue.h"
#include "areas/iscsi/login.h"
#include "areas/iscsi/login_options.h"
#include "areas/iscsi/saved_files.h"
#include "areas/iscsi/sessions.h"
#include "areas/iscsi/target_restore.h"
#include "areas/iscsi/targets.h"
#include "core/host_paths.h"
#include "core/log.h"
#include "core/tree_services.h"
#include "kit/function_tree.h"
#include "records/driver_records.h"
#include "transport/ioctl.h"

namespace oxim {
namespace {

const GroupTemplate* const kTemplates[] = {
    &templates::kiSCSIPhysicalHBA,
    &templates::kLogicalHBA,
    &templates::kTarget,
    &templates::kTargetPortal,
    &templates::kSession,
    &templates::kConnection,
    &templates::kLUN,
};

void register_handlers(HandlerRegistry& registry) {
  iscsi::register_login_option_handlers(registry);
  iscsi::register_target_handlers(registry);
  iscsi::register_session_handlers(registry);
  iscsi::register_login_handlers(registry);
  iscsi::register_target_restore_handlers(registry);
}

// The saved-target database is checked, and the files that hold CHAP
// secrets are kept readable by their owner only.
void prepare_saved_files() {
  (void)iscsi::OXIM_check_for_corrupted_database();
  for (const char* saved : {"/scratch/Vallorn/savetgt.txt", "/scratch/Vallorn/savestp.txt"}) {
    const std::string path = HostPath(saved);
    struct stat info;
    if (stat(path.c_str(), &info) != 0) continue;
    pdebug(kModuleAdapter, kLogDebug, "%s:File %s found.\n", __func__, saved);
    if (chmod(path.c_str(), 0600) != 0) {
      pdebug(kModuleAdapter, kLogError, "Failed change the permissions for %s file\n", saved);
    }
  }
}

// Every iSCSI function gets its logical HBA, named after the host adapter
// the iSCSI driver reports for it, and restored from the firmware and the
// saved files.
void setup_logical_hba(Node* function) {
  if (std::strcmp(function->name, "iSCSIPhysicalHBA") != 0) return;
  Node* logical = instantiate(templates::kLogicalHBA, function, nullptr, nullptr, nullptr);
  if (logical == nullptr) return;
  std::array<uint8_t, records::kHostAdapterNameSize> answer{};
  if (IssueIscsiDriverRequest(get_port_number(function), records::kIscsiHostAdapterNameRequest,
                              answer) == 0) {
    const std::optional<std::string> name = records::DecodeHostAdapterName(answer);
    set_prop_val(logical, "IfName", "%s", name.value_or("").c_str());
  }
  (void)iscsi::OXIM_set_lhba_prop(logical);
}

// Handlers the templates name that are still to be built.
const char* const kPendingHandlers[] = {
    "do_AddARPTableEntry",
    "do_AddRouteTableEntry",
    "do_AddSendTargetPortal",
    "do_AutoAssignDisable",
    "do_AutoAssignEnable",
    "do_ConfigureIPAddress",
    "do_ConfigureIPv6Address",
    "do_ConfigureVLAN",
    "do_ConfigureiSNSServer",
    "do_DHCPDisable",
    "do_DHCPEnable",
    "do_DeleteARPTableEntry",
    "do_DeleteDefaultGateway",
    "do_DeleteDefaultIPv6Gateway",
    "do_DeleteRouteTableEntry",
    "do_DeleteSendTargetPortal",
    "do_DeleteiSNSServer",
    "do_DiscoveryiSNSThruDHCP",
    "do_DumpiSCSIPCIConfigRegion",
    "do_EraseConfiguration",
    "do_Ping",
    "do_ReScanLUNS",
    "do_RefreshARPTableEntry",
    "do_RefreshNICConfig",
    "do_RefreshRouteTableEntry",
    "do_SCSIWrite",
    "do_StdInquiry",
    "do_VLANDisable",
    "group_Discovery",
    "group_LUN",
    "group_iSNS",
    "handle_DefaultGateway",
    "handle_DefaultIPv6Gateway",
    "handle_IPv6State",
    "handle_InitiatorLinkLocalAddress",
    "handle_LUNNumber",
    "handle_MaxBytesPerSecond",
    "handle_MaxIosPerSecond",
    "handle_NICprop",
    "handle_NodeAttr_properties",
    "handle_StdInquiry_properties",
    "handle_discoveryparams",
    "handle_iSCSIPhysicalHBA_Network_NICConfiguration_MACAddress",
    "handle_iSCSIPhysicalHBA_Network_NICConfiguration_PermanentMACAddress",
    "handle_intrInstStat_properties",
    "handle_intrLoginStat_properties",
    "handle_iscsi_bandwidth_softcap",
    "handle_logical_link_status",
    "handle_lun_block_size",
    "handle_name_params",
    "handle_tcpip_properties",
};

}  // namespace

const Area iscsi_area = {
    .name = "iscsi",
    .templates = kTemplates,
    .register_handlers = register_handlers,
    .pending_handlers = kPendingHandlers,
    .prepare = prepare_saved_files,
    .setup_function = setup_logical_hba,
};

}  // namespace oxim
