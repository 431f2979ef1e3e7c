// The port and discovery erase; see port_erase.h.
#include "areas/port/port_erase.h"

#include <array>

#include "areas/nic/nic_status.h"
#include "core/log.h"
#include "kit/function_tree.h"
#include "kit/groups.h"
#include "kit/properties.h"
#include "records/erase_rom.h"
#include "schema/handler_registry.h"
#include "transport/commands.h"

namespace oxim {
namespace {

uint32_t do_ErasePortandDiscoveryConfiguration(Node* port_group, Node*, char*) {
  if (running_on_virtual_function()) return report(kNotOnVirtualFunction);
  return OXIM_ErasePortandDiscoveryConfiguration(enclosing_group(port_group, "Quellfire"),
                                                 prop_or_empty(port_group, "PortNumber"));
}

}  // namespace

uint32_t OXIM_ErasePortandDiscoveryConfiguration(Node* controller, const std::string& port) {
  Node* function = get_valid_phba(controller, port.c_str());
  if (function == nullptr) {
    pdebug(kModuleAdapter, kLogError, "%s: port %s has no function\n", __func__, port.c_str());
    return report(kPortEraseFailed);
  }
  std::array<uint8_t, records::kEraseRequestSize> request{};
  records::EncodeEraseRequest(request, records::kErasePortConfiguration);
  if (const uint32_t result =
          ioctl_erase_ROM(function_address(function), request, driver_kind_of(function));
      result != 0) {
    pdebug(kModuleAdapter, kLogError, "%s: the erase of port %s failed with %u\n", __func__,
           port.c_str(), result);
    return report(kPortEraseFailed);
  }
  (void)report(nic::kErased);
  return 0;
}

void register_port_erase_handlers(HandlerRegistry& registry) {
  registry.add_command("do_ErasePortandDiscoveryConfiguration",
                       do_ErasePortandDiscoveryConfiguration);
}

}  // namespace oxim
