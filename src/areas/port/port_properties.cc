// Flow control and 10GBASE-T statistics of a port; see port_properties.h.
#include "areas/port/port_properties.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

#include "core/log.h"
#include "core/node_store.h"
#include "core/tree_services.h"
#include "kit/function_tree.h"
#include "kit/groups.h"
#include "kit/properties.h"
#include "records/base_t_stats.h"
#include "records/driver_records.h"
#include "records/flow_control.h"
#include "schema/handler_registry.h"
#include "transport/commands.h"
#include "transport/driver_tables.h"
#include "transport/ioctl.h"

namespace oxim {
namespace {

// The BaseT10G properties that come from the statistics' words, in their
// order, and how each is shown.
struct StatisticsWord {
  const char* name;
  bool hexadecimal;
};
constexpr StatisticsWord kStatisticsWords[] = {
    {"10GBaseTDiagStatus", true},
    {"Temperature", false},
    {"PairASNR", true},
    {"PairBSNR", true},
    {"PairCSNR", true},
    {"PairDSNR", true},
    {"TimeSinceLinkHigh", false},
    {"TimeSinceLinkLow", false},
    {"AverageMSEPairA", false},
    {"AverageMSEPairB", false},
    {"AverageMSEPairC", false},
    {"AverageMSEPairD", false},
    {"LDPCFrameHigh", false},
    {"LDPCFrameLow", false},
    {"PHYCRC8High", false},
    {"PHYCRC8Low", false},
    {"MDIPLLEventCounter", false},
    {"10GEMIEventCounter", false},
};
static_assert(std::size(kStatisticsWords) == records::kBaseTWordCount);

// The physical HBA that carries a port group's commands: the port's iSCSI
// function, else its NIC function (the port bitmap's choice); nullptr for a
// port without function.
Node* port_function(Node* port_group) {
  return get_valid_phba(enclosing_group(port_group, "Quellfire"),
                        prop_or_empty(port_group, "PortNumber").c_str());
}

// The port's NIC function, for the NIC driver's own requests.
Node* port_nic_function(Node* port_group) {
  const std::string port = prop_or_empty(port_group, "PortNumber");
  for (Node* nic : groups_named(enclosing_group(port_group, "Quellfire"), "NICPhysicalHBA")) {
    if (prop_or_empty(nic, "PortNumber") == port) return nic;
  }
  return nullptr;
}

// TxFlowControl and RxFlowControl from one read ("N/A" on QF2 and Korvel).
uint32_t handle_flow_control_properties(Node* property, char* buffer, uint32_t op) {
  if (op != kOpRead) return 0;
  Node* port_group = parent_of(property);
  const int chip = get_qf_type(port_group);
  if (chip == kChipUndetermined) return OXIM_STATUS_FAILURE;
  const char* tx = "N/A";
  const char* rx = "N/A";
  if (chip != kChipQF2 && chip != kChipKorvel) {
    Node* function = port_function(port_group);
    if (function == nullptr) return OXIM_STATUS_FAILURE;
    std::array<uint8_t, records::kFlowControlSize> answer{};
    std::optional<records::FlowControl> flow;
    if (ioctl_common_get_flow_control(function_address(function), answer,
                                      driver_kind_of(function)) != 0 ||
        !(flow = records::DecodeFlowControl(answer))) {
      return OXIM_STATUS_FAILURE;
    }
    pdebug(kModuleAdapter, kLogInfo, "%s: tx_flow_control = %d , rx_flow_control = %d\n", __func__,
           flow->tx, flow->rx);
    tx = flow->tx == records::kPauseEnabled ? "Enabled" : "Disabled";
    rx = flow->rx == records::kPauseEnabled ? "Enabled" : "Disabled";
  }
  set_prop_val(port_group, "TxFlowControl", "%s", tx);
  set_prop_val(port_group, "RxFlowControl", "%s", rx);
  read_cached_value(property, buffer);
  return 0;
}

// Every statistics property of a BaseT10G group, from the version-1
// statistics on Tindra and the older ones elsewhere; all "N/A" when the
// port has none.
uint32_t handle_10GbaseT_properties(Node* property, char* buffer, uint32_t op) {
  if (op != kOpRead) return 0;
  Node* base_t = parent_of(property);
  Node* port_group = parent_of(base_t);
  const int chip = get_qf_type(port_group);
  if (chip == kChipUndetermined) return OXIM_STATUS_FAILURE;
  const records::BaseTVersion version =
      chip == kChipTindra ? records::BaseTVersion::kV1 : records::BaseTVersion::kV0;
  Node* function = port_function(port_group);
  std::array<uint8_t, records::kBaseTStatsV1Size> answer{};
  const std::span<uint8_t> record = std::span(answer).first(records::BaseTStatsSize(version));
  records::EncodeBaseTRequest(record, version, false);
  std::optional<records::BaseTStats> stats;
  if (function != nullptr) {
    const FunctionAddress address = function_address(function);
    const DriverKind kind = driver_kind_of(function);
    const uint32_t status = version == records::BaseTVersion::kV1
                                ? ioctl_get_baseT_stats_v1(address, record, kind)
                                : ioctl_get_baseT_stats(address, record, kind);
    if (status == 0) stats = records::DecodeBaseTStats(record, version);
  }
  char text[32];
  for (size_t i = 0; i < std::size(kStatisticsWords); ++i) {
    if (!stats) {
      std::snprintf(text, sizeof text, "N/A");
    } else {
      std::snprintf(text, sizeof text, kStatisticsWords[i].hexadecimal ? "0x%x" : "%u",
                    stats->words[i]);
    }
    set_prop_val(base_t, kStatisticsWords[i].name, "%s", text);
  }
  if (!stats) {
    std::snprintf(text, sizeof text, "N/A");
  } else {
    std::snprintf(text, sizeof text, "%llu", static_cast<unsigned long long>(stats->frame_count));
  }
  set_prop_val(base_t, "PHYFrameCounter", "%s", text);
  read_cached_value(property, buffer);
  return 0;
}

// PHYLinkDownReason: from the NIC driver's information about the port's NIC
// function ("N/A" on QF2; a failed request leaves the value).
uint32_t handle_over_temperature(Node* property, char* buffer, uint32_t op) {
  if (op != kOpRead) return 0;
  if (running_on_virtual_function()) std::snprintf(buffer, kValueSize, "N/A");
  Node* port_group = parent_of(parent_of(property));
  const int chip = get_qf_type(port_group);
  if (chip == kChipUndetermined) return OXIM_STATUS_FAILURE;
  if (chip == kChipQF2) {
    write_cached_value(property, "N/A");
  } else if (Node* nic = port_nic_function(port_group)) {
    std::optional<records::PciAddress> address = transport::NicFunction(get_port_number(nic));
    std::array<uint8_t, records::kDriverInfoRecordSize> record{};
    std::optional<records::DriverInfoAnswer> info;
    if (address && records::EncodeDriverInfoRequest(record, *address) &&
        IssueNicDriverRequest(records::kNicDriverInfoRequest, record) == 0 &&
        (info = records::DecodeDriverInfoAnswer(record))) {
      write_cached_value(property, std::to_string(info->link_down_reason).c_str());
    }
  }
  read_cached_value(property, buffer);
  return 0;
}

}  // namespace

void register_port_property_handlers(HandlerRegistry& registry) {
  registry.add_property("handle_flow_control_properties", handle_flow_control_properties);
  registry.add_property("handle_10GbaseT_properties", handle_10GbaseT_properties);
  registry.add_property("handle_over_temperature", handle_over_temperature);
}

}  // namespace oxim
