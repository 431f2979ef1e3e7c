// The controller area: the identity, versions and capabilities of each controller and the PCI
// identity, port and driver version of each of its functions, from the controller attributes the
// firmware reports when start-up places a function. Start-up matches later functions to their
// controllers by the PCI identity written here.
#include <array>

#include "areas/areas.h"
#include "areas/controller/catalogue.h"
#include "areas/controller/controller_properties.h"
#include "areas/controller/controller_update.h"
#include "core/node_store.h"
#include "core/tree_services.h"
#include "kit/function_tree.h"
#include "kit/groups.h"
#include "records/driver_records.h"
#include "records/oem_params.h"
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

void fill_function(Node* function, const FoundFunction& found) {
  if (found.attributes != nullptr) {
    (void)OXIM_update_driver_attribs(found.function_index, function, found.kind, *found.attributes);
  }
  Node* controller = enclosing_group(function, "Quellfire");
  if (found.kind == DriverKind::kNic && instance_number(function) == 0 &&
      get_qf_type(controller) == kChipKorvel) {
    check_korvel_oem_serial(found.function_index, controller);
  }
}

// Handlers the templates name that are still to be built.
const char* const kPendingHandlers[] = {
    "do_ConfigureChannelManagement",
    "do_EnterLoopBackMode",
    "do_EraseAllConfiguration",
    "do_ExitLoopBackMode",
    "do_HostToDDRDMATest",
    "do_NetworkLoopBackTest",
    "do_RetrieveFwCliData",
    "do_RetrieveNevraneCoreDump",
    "do_SetPersonality",
    "do_UpgradeFlashROM",
    "handle_AdvancedMode",
    "handle_ChannelManagement_details",
    "handle_ConfiguredPersonality",
    "handle_ControllerStatus",
    "handle_ControllerType",
    "handle_FFVName",
    "handle_MaxSupportedController",
    "handle_PCIExpressBusWidth",
    "handle_PCIExpressLinkSpeed",
    "handle_PortControllerName",
    "handle_ProtocolSupported",
    "handle_SupportedMCTypes",
    "handle_fru_vpd_data",
    "handle_get_ncsi_version",
    "handle_ncsi_dynamic_configuration",
    "handle_ncsi_static_configuration",
    "handle_qf_controller_additional_properties",
    "handle_qf_temperature",
};

}  // namespace

const Area controller_area = {
    .name = "controller",
    .templates = kTemplates,
    .register_handlers = register_controller_property_handlers,
    .pending_handlers = kPendingHandlers,
    .controller_created = fill_controller,
    .function_created = fill_function,
};

}  // namespace oxim
