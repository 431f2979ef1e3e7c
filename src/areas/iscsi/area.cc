// The iSCSI initiator area: the iSCSI functions' logical HBAs with their targets, portals, login
// options, sessions and connections, and the saved files that keep targets and options across
// restarts.
#include <array>
#include <cstring>
#include <string>

#include "areas/areas.h"
#include "areas/iscsi/catalogue.h"
#include "areas/iscsi/initiator_name.h"
#include "areas/iscsi/login.h"
#include "areas/iscsi/login_options.h"
#include "areas/iscsi/luns.h"
#include "areas/iscsi/qos.h"
#include "areas/iscsi/saved_files.h"
#include "areas/iscsi/sessions.h"
#include "areas/iscsi/target_restore.h"
#include "areas/iscsi/targets.h"
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
  iscsi::register_initiator_name_handlers(registry);
  iscsi::register_lun_handlers(registry);
  iscsi::register_qos_handlers(registry);
}

// The saved-target database is checked; the check opens each file (never
// through a symbolic link) and keeps the files that hold CHAP secrets
// readable by their owner only.
void prepare_saved_files() { (void)iscsi::OXIM_check_for_corrupted_database(); }

// Every iSCSI function gets its logical HBA, named after the host adapter
// the iSCSI driver reports for it, and restored from the firmware and the
// saved files.
void setup_logical_hba(Node* function) {
  if (std::strcmp(function->name, "iSCSIPhysicalHBA") != 0) return;
  Node* logical = instantiate(templates::kLogicalHBA, function, nullptr, nullptr, nullptr);
  if (logical == nullptr) return;
  // A logical HBA is always enabled (its Enabled refuses "False"), and reads
  // so; the template's default says otherwise.
  set_prop_val(logical, "Enabled", "True");
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
    "do_DumpiSCSIPCIConfigRegion",
    "handle_NodeAttr_properties",
    "handle_iscsi_bandwidth_softcap",
};

}  // namespace

const Area iscsi_area = {
    .name = "iscsi",
    .templates = kTemplates,
    .register_handlers = register_handlers,
    .pending_handlers = kPendingHandlers,
    .prepare = prepare_saved_files,
    .setup_function = setup_logical_hba,
    .client_attach = iscsi::OXIM_refresh_backend_client_iscsi_targets,
};

}  // namespace oxim
