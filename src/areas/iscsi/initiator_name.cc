// The initiator's name and alias; see initiator_name.h.
#include "areas/iscsi/initiator_name.h"

#include <array>
#include <cstring>
#include <string>

#include "areas/iscsi/iscsi_tree.h"
#include "core/address.h"
#include "core/log.h"
#include "core/node_store.h"
#include "core/store_guard.h"
#include "core/tree_services.h"
#include "schema/handler_registry.h"
#include "transport/commands.h"

namespace oxim::iscsi {
namespace {

constexpr char kNameProperty[] = "InitiatoriSCSIName";
constexpr char kAliasProperty[] = "InitiatorAlias";

std::string name_of(const Node* node) {
  StoreLock lock;
  return node != nullptr && node->name != nullptr ? node->name : "";
}

// "Quellfire<c>/iSCSIPhysicalHBA<p>", for messages that name a function.
std::string function_path(Node* controller, Node* function) {
  return "Quellfire" + std::to_string(instance_number(controller)) + "/iSCSIPhysicalHBA" +
         std::to_string(instance_number(function));
}

// OXIM_set_initatorIQN_alias: the new name (or alias) into the record of
// every iSCSI function's first logical HBA, in tree order. The first
// failure ends it; the functions written before keep the new value.
uint32_t OXIM_set_initatorIQN_alias(bool is_name, const std::string& value) {
  for (Node* controller : controllers()) {
    for (Node* function : instances_of(controller, "iSCSIPhysicalHBA")) {
      Node* logical = instance_named(function, "LogicalHBA", "0");
      if (logical == nullptr) continue;
      const FunctionAddress address = function_address(logical);
      records::InitiatorNameRecord record;
      if (get_name_params(address, &record) != 0) {
        return reportf(kInitiatorNameNotRead.code, "%s: %s",
                       function_path(controller, function).c_str(), kInitiatorNameNotRead.message);
      }
      (is_name ? record.name : record.alias) = value;
      record.flags &= static_cast<uint16_t>(~records::kInitiatorNameFlagBit0);
      std::array<uint8_t, records::kInitiatorNameRecordSize> bytes{};
      records::EncodeInitiatorName(bytes, record);
      if (ioctl_save_initiator_name_params(address, bytes) != 0) {
        return reportf(kInitiatorNameNotSaved.code, "%s: %s",
                       function_path(controller, function).c_str(), kInitiatorNameNotSaved.message);
      }
      cache_prop(child_group(logical, "InitiatoriSCSIName"),
                 is_name ? kNameProperty : kAliasProperty, value);
    }
  }
  return 0;
}

// InitiatoriSCSIName and InitiatorAlias: read from the function's record;
// a new name is checked and stored in lower case on every function.
uint32_t handle_name_params(Node* property, char* buffer, uint32_t op) {
  const bool is_name = name_of(property) == kNameProperty;
  if (op == kOpRead) {
    records::InitiatorNameRecord record;
    if (uint32_t status = get_name_params(function_address(property), &record); status != 0) {
      return status;
    }
    write_cached_value(property, (is_name ? record.name : record.alias).c_str());
    read_cached_value(property, buffer);
    return 0;
  }
  if (op != kOpWrite) return 0;
  std::string value(buffer, strnlen(buffer, kValueSize - 1));
  if (is_name) {
    char normalised[kIscsiNameSize] = {};
    if (validateISCSIName(value.c_str(), normalised) != 0) return kStatusInvalidIscsiName;
    value = normalised;
  }
  return OXIM_set_initatorIQN_alias(is_name, value);
}

}  // namespace

uint32_t get_name_params(const FunctionAddress& function, records::InitiatorNameRecord* record) {
  std::array<uint8_t, records::kInitiatorNameRecordSize> bytes{};
  std::optional<records::InitiatorNameRecord> decoded;
  if (ioctl_fetch_initiator_name_params(function, bytes) != 0 ||
      !(decoded = records::DecodeInitiatorName(bytes))) {
    pdebug(kModuleAdapter, kLogError, "%s: the initiator name record was not read\n", __func__);
    return report(kInitiatorNameNotRead);
  }
  *record = std::move(*decoded);
  return 0;
}

void register_initiator_name_handlers(HandlerRegistry& registry) {
  registry.add_property("handle_name_params", handle_name_params);
}

}  // namespace oxim::iscsi
