// The port area. Ports: diagnostics, port speed, flow control, the 10GBASE-T PHY and the
// channels of each port. Most handlers are still to come (OXIM_get_unimplemented_handlers lists
// them).
#include "areas/areas.h"
#include "areas/port/catalogue.h"
#include "areas/port/port_erase.h"
#include "areas/port/port_properties.h"
#include "schema/handler_registry.h"

namespace oxim {
namespace {

const GroupTemplate* const kTemplates[] = {
    &templates::kPortDiscoveryAndConfiguration,
    &templates::kChannel,
};

// Handlers the templates name that are still to be built.
const char* const kPendingHandlers[] = {
    "do_Beacon",
    "do_ClearCounters",
    "do_ConfigureQoS",
    "do_DumpTransceiverData",
    "do_RunTDR",
    "do_SelfTest",
    "do_SetPortSpeed",
    "handle_10baseT_nvpvalue",
    "handle_BeaconState",
    "handle_FCoEWWPN",
    "handle_LLDP_properties",
    "handle_LPVID",
    "handle_LogicalLinkState",
    "handle_MaxBandWidth",
    "handle_MinBandWidth",
    "handle_PHYType",
    "handle_PhysicalLinkStatus",
    "handle_PortState",
    "handle_TXThrottle",
    "handle_channel_outer_vlan",
    "handle_channel_vnic_name",
    "handle_get_link_speed_properties",
    "handle_lldp_stats_props",
};

void register_handlers(HandlerRegistry& registry) {
  register_port_property_handlers(registry);
  register_port_erase_handlers(registry);
}

}  // namespace

const Area port_area = {.name = "port",
                        .templates = kTemplates,
                        .register_handlers = register_handlers,
                        .pending_handlers = kPendingHandlers};

}  // namespace oxim
