// The controller's version properties (ActiveFirmwareVersion,
// FirmwareVersionOnFlash, BIOSVersion, BootCodeVersion, FirmwareStatus):
// start-up writes them from the controller attributes, and a read fetches
// the attributes again where they may have changed since: on Korvel every
// one, elsewhere the version in flash, which a firmware update changes.
#include "areas/controller/controller_properties.h"

#include <cstring>
#include <string>

#include "areas/controller/controller_update.h"
#include "core/node_store.h"
#include "core/store_guard.h"
#include "core/tree_services.h"
#include "kit/function_attributes.h"
#include "kit/function_tree.h"
#include "kit/groups.h"
#include "schema/handler_registry.h"

namespace oxim {
namespace {

std::string name_of(const Node* node) {
  StoreLock lock;
  return node->name != nullptr ? node->name : "";
}

// The function commands about the controller go to: its first iSCSI
// function, else its first NIC function.
Node* addressed_function(Node* controller, DriverKind* kind) {
  *kind = DriverKind::kIscsi;
  if (Node* function = get_first_instance(controller, "iSCSIPhysicalHBA")) return function;
  *kind = DriverKind::kNic;
  return get_first_instance(controller, "NICPhysicalHBA");
}

uint32_t handle_qf_controller_properties(Node* property, char* buffer, uint32_t op) {
  if (op != kOpRead) return OXIM_STATUS_SUCCESS;  // read-only
  Node* controller = parent_of(property);
  const int chip = get_qf_type(controller);
  if (chip == kChipUndetermined) return OXIM_STATUS_FAILURE;
  if (chip == kChipKorvel || name_of(property) == "FirmwareVersionOnFlash") {
    DriverKind kind;
    Node* function = addressed_function(controller, &kind);
    if (function == nullptr) return OXIM_STATUS_FAILURE;
    std::optional<records::ControllerAttributes> attributes =
        function_attributes(get_port_number(function), kind);
    if (!attributes || OXIM_update_cntr_attribs(controller, *attributes, 0) != 0) {
      return OXIM_STATUS_FAILURE;
    }
  }
  read_cached_value(property, buffer);
  return OXIM_STATUS_SUCCESS;
}

}  // namespace

void register_controller_property_handlers(HandlerRegistry& registry) {
  registry.add_property("handle_qf_controller_properties", handle_qf_controller_properties);
}

}  // namespace oxim
