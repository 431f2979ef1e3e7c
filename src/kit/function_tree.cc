// Tree services of the adapter functions; see function_tree.h.
#include "kit/function_tree.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/alloc.h"
#include "core/last_status.h"
#include "core/log.h"
#include "core/node_store.h"
#include "core/strings.h"
#include "core/tree_services.h"
#include "kit/groups.h"
#include "kit/properties.h"

namespace oxim {
namespace {

// Instance number of an enclosing group; 0 when there is none.
int instance_or_zero(Node* group) { return std::max(0, instance_number(group)); }

// Set by start-up; read by handlers on any thread.
std::atomic<bool> g_virtual_function{false};

}  // namespace

bool attach_function_index(Node* group, int32_t function_index) {
  if (!is_group(group)) return false;
  auto* record = static_cast<uint8_t*>(oxim_dmalloc(kFunctionRecordSize));
  if (record == nullptr) {
    pdebug(kModuleAdapter, kLogCritical, "%s:Failed to allocate memory of nhandle.\n", __func__);
    return false;
  }
  std::memset(record, 0, kFunctionRecordSize);
  std::memcpy(record, &function_index, sizeof function_index);
  StoreLock lock;
  oxim_dfree(group->data.group->context);
  group->data.group->context = record;
  return true;
}

int get_port_number(Node* node) {
  StoreLock lock;
  for (; node != nullptr; node = node->parent) {
    // Only physical HBAs keep a function index; sessions and connections
    // keep firmware handles in their records.
    if (is_physical_hba(node) && node->data.group->context != nullptr) {
      int32_t index = 0;
      std::memcpy(&index, node->data.group->context, sizeof index);
      if (index != 0) return index;
    }
    if (node->parent == node) break;
  }
  return -1;
}

int get_qf_instance(Node* node) { return instance_or_zero(enclosing_group(node, "Quellfire")); }

int get_domain_id(Node* node) { return instance_or_zero(enclosing_group(node, "LogicalHBA")); }

FunctionAddress function_address(Node* node) {
  return {.index = get_port_number(node),
          .domain = static_cast<uint8_t>(get_domain_id(node)),
          .port = static_cast<uint8_t>(get_phba_port_number(node))};
}

int get_phba_port_number(Node* node) {
  Node* port_group = nullptr;
  {
    StoreLock lock;
    for (; node != nullptr && node->parent != node && port_group == nullptr; node = node->parent) {
      if (is_physical_hba(node) ||
          (is_group(node) && std::strcmp(node->name, "PortDiscoveryAndConfiguration") == 0)) {
        port_group = node;
      }
    }
  }
  // The property is read outside the store lock: it may run a handler.
  std::string value;
  if (port_group == nullptr || !read_prop(port_group, "PortNumber", &value)) return 0;
  return static_cast<int>(std::strtol(value.c_str(), nullptr, 10));
}

int chip_type_of_device_id(uint32_t id) {
  if ((id >= 0x210 && id <= 0x217) || (id >= 0x700 && id <= 0x703)) return kChipQF2;
  if ((id >= 0x220 && id <= 0x227) || id == 0x710 || id == 0x712 || id == 0x714) return kChipQF3;
  if (id == 0xE220 || id == 0xE228) return kChipKorvel;
  if (id == 0x720 || id == 0x722 || id == 0x723 || id == 0x728) return kChipTindra;
  if (id == 0x730) return kChipFurther;
  return kChipUnknown;
}

int get_qf_type(Node* node) {
  Node* controller = enclosing_group(node, "Quellfire");
  Node* function = get_first_instance(controller, "iSCSIPhysicalHBA");
  if (function == nullptr) function = get_first_instance(controller, "NICPhysicalHBA");
  Node* pci = function != nullptr ? internal_get_node(function, "PCI", OXIM_KIND_GROUP) : nullptr;
  std::string value;
  if (pci != nullptr && read_prop(pci, "DeviceID", &value)) {
    // Wholly hexadecimal (an optional 0x), not negative, and within 32 bits.
    if (std::optional<uint32_t> id = parse_hex32(value)) return chip_type_of_device_id(*id);
  }
  (void)report(kControllerTypeUnknown);
  return kChipUndetermined;
}

Node* get_valid_phba(Node* controller, const char* port) {
  if (!is_group(controller) || port == nullptr) return nullptr;
  for (const char* kind : {"iSCSIPhysicalHBA", "NICPhysicalHBA"}) {
    for (Node* child : groups_named(controller, kind)) {
      if (prop_or_empty(child, "PortNumber") == port) return child;
    }
  }
  return nullptr;
}

int is_ncsi_required(Node* controller) {
  std::string version;
  if (!read_prop(controller, "ActiveFirmwareVersion", &version)) return 1;
  return std::strncmp(version.c_str(), "3.102.148.0", 11) > 0 ? 1 : 0;
}

DriverKind driver_kind_of(const Node* physical_hba) {
  return physical_hba != nullptr && std::strcmp(physical_hba->name, "iSCSIPhysicalHBA") == 0
             ? DriverKind::kIscsi
             : DriverKind::kNic;
}

std::optional<ControllerFunction> controller_function(Node* controller) {
  if (!is_group(controller)) return std::nullopt;
  Node* function = get_first_instance(controller, "iSCSIPhysicalHBA");
  if (function == nullptr) function = get_first_instance(controller, "NICPhysicalHBA");
  if (function == nullptr) return std::nullopt;
  return ControllerFunction{function, function_address(function), driver_kind_of(function)};
}

bool running_on_virtual_function() { return g_virtual_function; }

void set_running_on_virtual_function(bool virtual_function) {
  g_virtual_function = virtual_function;
}

uint32_t refuse_on_virtual_function(char* buffer) {
  if (buffer != nullptr) std::snprintf(buffer, kValueSize, "N/A");
  return report(kNotOnVirtualFunction);
}

}  // namespace oxim
