// Controller attributes of a function; see function_attributes.h.
#include "kit/function_attributes.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "core/last_status.h"
#include "core/log.h"
#include "kit/function_tree.h"
#include "records/driver_records.h"
#include "transport/commands.h"
#include "transport/driver_tables.h"

namespace oxim {

uint32_t OXIM_get_cntr_attribs(const FunctionAddress& function, DriverKind kind,
                               std::span<uint8_t> buffer) {
  if (buffer.size() < records::kControllerAttributesSize) return OXIM_STATUS_FAILURE;
  std::fill(buffer.begin(), buffer.end(), uint8_t{0});
  uint32_t status = ioctl_fetch_controller_attribs(
      function, buffer.first(records::kControllerAttributesSize), kind);
  if (status != OXIM_STATUS_SUCCESS) {
    pdebug(kModuleAdapter, kLogError,
           "%s: ioctl_fetch_controller_attribs failed with status = %d\n", __func__,
           static_cast<int>(status));
    (void)report(kControllerAttributesNotRead);
    return OXIM_STATUS_FAILURE;
  }
  return OXIM_STATUS_SUCCESS;
}

std::optional<records::ControllerAttributes> function_attributes(int function_index,
                                                                 DriverKind kind) {
  std::array<uint8_t, records::kControllerAttributesSize> buffer{};
  if (OXIM_get_cntr_attribs({.index = function_index}, kind, buffer) != OXIM_STATUS_SUCCESS) {
    return std::nullopt;
  }
  return records::DecodeControllerAttributes(buffer);
}

int get_lhba_count(Node* node, char* bus, char* device, char* function, char* count) {
  const int index = get_port_number(node);
  const DriverKind kind = transport::get_the_protocol(get_qf_instance(node)) == 2
                              ? DriverKind::kNic
                              : DriverKind::kIscsi;
  std::optional<records::ControllerAttributes> attributes = function_attributes(index, kind);
  if (!attributes || bus == nullptr || device == nullptr || function == nullptr ||
      count == nullptr) {
    return -1;
  }
  std::snprintf(bus, kValueSize, "%d", attributes->address.bus);
  std::snprintf(device, kValueSize, "%d", attributes->address.device);
  std::snprintf(function, kValueSize, "%d", attributes->address.function);
  std::snprintf(count, kValueSize, "%d", attributes->further_count);
  return attributes->logical_hba_count;
}

std::string pci_number_text(uint8_t number) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%x", number);
  return text;
}

}  // namespace oxim
