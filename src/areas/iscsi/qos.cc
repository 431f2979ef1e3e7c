// The bandwidth limits of a logical HBA (MaxBytesPerSecond,
// MaxIosPerSecond of its iSCSIQoS group), read and set through the
// firmware's QoS commands; see qos.h.
#include "areas/iscsi/qos.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "areas/iscsi/iscsi_tree.h"
#include "core/node_store.h"
#include "core/tree_services.h"
#include "records/iscsi_qos.h"
#include "schema/handler_registry.h"
#include "transport/commands.h"

namespace oxim::iscsi {
namespace {

constexpr uint32_t kBytesPerUnit = 1024;  // MaxBytesPerSecond counts kilobytes

// The function's limits (status 114).
uint32_t read_limits(Node* node, records::QosLimits* limits) {
  std::array<uint8_t, records::kQosRecordSize> record{};
  std::optional<records::QosLimits> decoded;
  if (ioctl_qos_get(function_address(node), record, DriverKind::kIscsi) != 0 ||
      !(decoded = records::DecodeQosRecord(record))) {
    return report(kQosNotRead);
  }
  *limits = *decoded;
  return 0;
}

// Reads the limits into both properties of the group.
uint32_t refresh_limits(Node* qos) {
  records::QosLimits limits;
  if (uint32_t status = read_limits(qos, &limits); status != 0) return status;
  cache_prop(qos, "MaxIosPerSecond", std::to_string(limits.io_rate));
  cache_prop(qos, "MaxBytesPerSecond", std::to_string(limits.byte_rate / kBytesPerUnit));
  return 0;
}

// A read shows the firmware's limit; a write sets the one limit (mask) with
// the value scaled to the firmware's unit, then reads again (status 115
// when the firmware refuses).
uint32_t handle_limit(Node* property, char* buffer, uint32_t op, uint32_t mask, uint32_t scale) {
  Node* qos = parent_of(property);
  if (op == kOpWrite) {
    const unsigned long value = std::strtoul(buffer, nullptr, 10);
    records::QosSet set;
    set.mask = mask;
    set.limits.io_rate = static_cast<uint32_t>(value * scale);
    set.limits.byte_rate = static_cast<uint32_t>(value * scale);
    std::array<uint8_t, records::kQosSetSize> request{};
    if (!records::EncodeQosSet(request, set) ||
        ioctl_qos_set(function_address(qos), request, DriverKind::kIscsi) != 0) {
      return report(kQosNotSet);
    }
    return refresh_limits(qos);
  }
  if (op != kOpRead) return 0;
  if (uint32_t status = refresh_limits(qos); status != 0) return status;
  read_cached_value(property, buffer);
  return 0;
}

uint32_t handle_MaxBytesPerSecond(Node* property, char* buffer, uint32_t op) {
  return handle_limit(property, buffer, op, records::kQosSetByteRate, kBytesPerUnit);
}

uint32_t handle_MaxIosPerSecond(Node* property, char* buffer, uint32_t op) {
  return handle_limit(property, buffer, op, records::kQosSetIoRate, 1);
}

}  // namespace

void register_qos_handlers(HandlerRegistry& registry) {
  registry.add_property("handle_MaxBytesPerSecond", handle_MaxBytesPerSecond);
  registry.add_property("handle_MaxIosPerSecond", handle_MaxIosPerSecond);
}

}  // namespace oxim::iscsi
