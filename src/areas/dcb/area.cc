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

}  // namespace

const Area dcb_area = {.name = "dcb", .templates = kTemplates};

}  // namespace oxim
