// The controller area: the identity, versions, state and capabilities of each controller, its
// OEM data, FRU VPD, PCI Express link and NC-SI settings, and the PCI identity, port, driver
// version, VPD and factory MAC address of each of its functions. Start-up matches later functions
// to their controllers by the PCI identity written here.
#include <array>

#include "areas/areas.h"
#include "areas/controller/catalogue.h"
#include "areas/controller/controller_properties.h"
#include "areas/controller/controller_update.h"
#include "areas/controller/ncsi.h"
#include "areas/controller/vpd.h"
#include "core/node_store.h"
#include "core/tree_services.h"
#include "kit/function_tree.h"
#include "kit/groups.h"
#include "records/driver_records.h"
#include "records/oem_params.h"
#include "schema/handler_registry.h"
#include "transport/commands.h"

namespace oxim {
namespace {

const GroupTemplate* const kTemplates[] = {
    &templates::kQuellfire,
    &templates::kNCSIStaticConfiguration,
    &templates::kNCSIDynamicConfiguration,
};

void fill_controller(Node* controller, const FoundFunction& found) {
  if (found.attributes != nullptr) (void)OXIM_update_cntr_attribs(controller, *found.attributes, 0);
}

// A Korvel controller whose OEM parameters carry no serial number shows
// "N/A" as its serial number.
void check_korvel_oem_serial(int function_index, Node* controller) {
  std::array<uint8_t, records::kOemParamsSize> answer{};
  if (ioctl_get_korvel_oem_params_v1({.index = function_index}, answer) != OXIM_STATUS_SUCCESS)
    return;
  std::optional<records::OemParams> oem =
      records::DecodeOemParams(answer, records::OemChip::kKorvel);
  if (!oem) return;
  if (oem->prefix[0] == 0 || oem->prefix[0] == records::kOemNoSerial || !oem->serial) {
    set_prop_val(controller, "SerialNumber", "N/A");
  }
}

// A new function's driver attributes, VPD and factory MAC address.
void fill_function(Node* function, const FoundFunction& found) {
  if (found.attributes != nullptr) {
    (void)OXIM_update_driver_attribs(found.function_index, function, found.kind, *found.attributes);
  }
  Node* controller = enclosing_group(function, "Quellfire");
  if (found.kind == DriverKind::kNic && instance_number(function) == 0 &&
      get_qf_type(controller) == kChipKorvel) {
    check_korvel_oem_serial(found.function_index, controller);
  }
  (void)OXIM_update_vpd_data(function);
  (void)OXIM_update_fd_mac(function);
}

// Controller-wide data once every function is placed: NC-SI (with the QF2
// sub-groups), OEM data, additional attributes and FRU VPD.
void load_controller(Node* controller) {
  if (Node* ncsi = internal_get_node(controller, "NCSI", OXIM_KIND_GROUP)) {
    (void)OXIM_get_ncsi_attributes(ncsi, NcsiRequest::kNcsi, NcsiGroups::kCreate);
  }
  (void)OXIM_update_oem_props(controller);
  (void)OXIM_update_cntr_additional_attribs(controller);
  if (!running_on_virtual_function()) (void)OXIM_read_FRU_VPD(controller);
}

void register_handlers(HandlerRegistry& registry) {
  register_controller_property_handlers(registry);
  register_vpd_handlers(registry);
  register_ncsi_handlers(registry);
}

// Handlers the templates name that are still to be built.
const char* const kPendingHandlers[] = {
    "do_ConfigureChannelManagement",
    "do_EnterLoopBackMode",
    "do_ExitLoopBackMode",
    "do_HostToDDRDMATest",
    "do_NetworkLoopBackTest",
    "do_RetrieveFwCliData",
    "do_RetrieveNevraneCoreDump",
    "do_SetPersonality",
    "do_UpgradeFlashROM",
    "handle_ChannelManagement_details",
    "handle_ConfiguredPersonality",
    "handle_SupportedMCTypes",
};

}  // namespace

const Area controller_area = {
    .name = "controller",
    .templates = kTemplates,
    .register_handlers = register_handlers,
    .pending_handlers = kPendingHandlers,
    .controller_created = fill_controller,
    .function_created = fill_function,
    .load_controller = load_controller,
};

}  // namespace oxim
