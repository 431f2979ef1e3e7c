// The dcb area. Data center bridging of each port: DCBX, LLDP, priority groups, PFC, application
// TLVs and QCN. So far the area defines its group templates; their handlers are still to come
// (OXIM_get_unimplemented_handlers lists them).
#include "areas/areas.h"
#include "areas/dcb/catalogue.h"

namespace oxim {
namespace {

const GroupTemplate* const kTemplates[] = {
    &templates::kAdministratorPGSetting_PG,     &templates::kPeerPGSetting_PG,
    &templates::kOperationalPGSettings_PG,      &templates::kAdministratorTLVSetting_ApplicationTLV,
    &templates::kPeerTLVSetting_ApplicationTLV, &templates::kOperationalTLVSettings_ApplicationTLV,
};

const GroupTemplate* const kSharedGroups[] = {
    &templates::kDCBX,
};

// Handlers the templates name that are still to be built.
const char* const kPendingHandlers[] = {
    "do_AddApplicationTLV",
    "do_ConfigurePGSettings",
    "do_DeleteApplicationTLV",
    "group_AdministratorTLVSetting",
    "group_OperationalTLVSettings",
    "group_PeerTLVSetting",
    "handle_DCBXMode",
    "handle_DCBXState",
    "handle_app_feature_vars",
    "handle_apptlv_feature_vars",
    "handle_bwg_props",
    "handle_dcbx_port_vars",
    "handle_dcbx_stats_props",
    "handle_pfc_feature_vars",
    "handle_pg15_membership",
    "handle_pg_feature_vars",
    "handle_update_qcn_props",
};

}  // namespace

const Area dcb_area = {.name = "dcb",
                       .templates = kTemplates,
                       .shared_groups = kSharedGroups,
                       .pending_handlers = kPendingHandlers};

}  // namespace oxim
