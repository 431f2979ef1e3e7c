// The nic area. The network side of the functions: a NIC function's MAC addresses, MTU, link,
// network boot settings and virtual functions (NICLogicalHBA), and the port speed, vNIC channel,
// active port and boot BIOS switch of NIC and iSCSI functions.
#include <cstring>

#include "areas/areas.h"
#include "areas/nic/catalogue.h"
#include "areas/nic/network_boot.h"
#include "areas/nic/nic_properties.h"
#include "areas/nic/virtual_functions.h"
#include "schema/handler_registry.h"

namespace oxim {
namespace {

const GroupTemplate* const kTemplates[] = {
    &templates::kNICPhysicalHBA,
    &templates::kNICLogicalHBA,
};

void register_handlers(HandlerRegistry& registry) {
  register_nic_property_handlers(registry);
  register_network_boot_handlers(registry);
  register_virtual_function_handlers(registry);
}

// A new NIC function gets a NICLogicalHBA group per virtual function.
void make_virtual_functions(Node* function, const FoundFunction& found) {
  if (found.kind != DriverKind::kNic) return;
  (void)OXIM_Get_VF_Info(function, VfGroups::kCreate, nullptr);
}

// Handlers the templates name that are still to be built.
const char* const kPendingHandlers[] = {
    "do_DumpNICPCIConfigRegion", "handle_IsRoCEEnabled",         "handle_NICPhysicalHBA_SRIOVState",
    "handle_VEPAState",          "handle_nic_bandwidth_softcap",
};

}  // namespace

const Area nic_area = {
    .name = "nic",
    .templates = kTemplates,
    .register_handlers = register_handlers,
    .pending_handlers = kPendingHandlers,
    .function_created = make_virtual_functions,
};

}  // namespace oxim
