// The nic area. NIC function settings: MAC addresses, MTU, boot settings and virtual functions of
// the NIC functions. So far the area defines its group templates; their handlers are still to come
// (OXIM_get_unimplemented_handlers lists them).
#include "areas/areas.h"
#include "areas/nic/catalogue.h"

namespace oxim {
namespace {

const GroupTemplate* const kTemplates[] = {
    &templates::kNICPhysicalHBA,
    &templates::kNICLogicalHBA,
};

// Handlers the templates name that are still to be built.
const char* const kPendingHandlers[] = {
    "do_DumpNICPCIConfigRegion",
    "do_EraseNICConfiguration",
    "do_NICPhysicalHBA_NetworkBootConfiguration_ConfigureVLAN",
    "do_SetNetworkBoot",
    "group_NICPhysicalHBA",
    "handle_AvailableNetworkBootMethods",
    "handle_EnabledCapabilities",
    "handle_IsRoCEEnabled",
    "handle_LinkStatus",
    "handle_LinkTechnology",
    "handle_NICPhysicalHBA_MACAddress",
    "handle_NICPhysicalHBA_PermanentMACAddress",
    "handle_NICPhysicalHBA_SRIOVState",
    "handle_ProtocolIfType",
    "handle_Quellfire_NICPhysicalHBA_CIM_Capabilities",
    "handle_VEPAState",
    "handle_VolatileMACAddress",
    "handle_networkboot_config",
    "handle_nic_MTUSize",
    "handle_nic_bandwidth_softcap",
    "handle_nic_logical_link_status",
    "handle_nic_vnic_name_props",
    "handle_nic_vnic_stats",
    "handle_niclogicalhba_macaddress",
    "handle_niclogicalhba_txrate",
    "handle_niclogicalhba_vlanid",
    "handle_portspeed",
    "handle_vlan_properties",
};

}  // namespace

const Area nic_area = {
    .name = "nic", .templates = kTemplates, .pending_handlers = kPendingHandlers};

}  // namespace oxim
