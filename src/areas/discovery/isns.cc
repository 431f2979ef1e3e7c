// iSNS discovery; see isns.h.
#include "areas/discovery/isns.h"

#include <array>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "areas/discovery/catalogue.h"
#include "areas/iscsi/iscsi_status.h"
#include "areas/iscsi/iscsi_tree.h"
#include "areas/networking/network_status.h"
#include "core/address.h"
#include "core/last_status.h"
#include "core/node_store.h"
#include "core/strings.h"
#include "core/tree_services.h"
#include "kit/function_tree.h"
#include "kit/groups.h"
#include "kit/pending_group.h"
#include "kit/properties.h"
#include "records/discovery_params.h"
#include "schema/handler_registry.h"
#include "transport/commands.h"
#include "transport/status_map.h"

namespace oxim::discovery {
namespace {

using records::DiscoveryParams;
using Record = std::array<uint8_t, records::kDiscoveryParamsSize>;

constexpr char kDefaultIsnsPort[] = "3205";
constexpr uint32_t kUnreachable = 32;

Node* function_of(Node* node) { return enclosing_group(node, "iSCSIPhysicalHBA"); }

// The firmware's record and its fields; false (with status 80) when it
// cannot be read.
bool read_params(Node* node, Record* record, DiscoveryParams* params) {
  record->fill(0);
  std::optional<DiscoveryParams> decoded;
  if (ioctl_get_discoveryparams(function_address(node), *record) != 0 ||
      !(decoded = records::DecodeDiscoveryParams(*record))) {
    report(iscsi::kDiscoveryParamsNotRead);
    return false;
  }
  *params = *decoded;
  return true;
}

// Writes the record with params in it. 0; 32 (reported) when the firmware
// kept the record but cannot reach the server; else 81 (reported).
uint32_t write_params(Node* node, Record* record, const DiscoveryParams& params) {
  records::EncodeDiscoveryParams(*record, params);
  const uint32_t result = ioctl_set_discoveryparams(function_address(node), *record);
  if (result == 0) return 0;
  if (result == kUnreachable) return report(kHostUnreachable);
  return report(iscsi::kDiscoveryParamsNotSet);
}

std::string server_address(const records::IsnsServer& server) {
  return CanonicalIpText(records::FormatAddress(server.address_type, server.address));
}

// The initiator name of the function's first logical HBA; false when there
// is none.
bool first_initiator_name(Node* function, std::string* name) {
  std::vector<Node*> logical = instances_of(function, "LogicalHBA");
  return !logical.empty() && iscsi::read_initiator_name(logical.front(), name);
}

uint32_t do_ConfigureiSNSServer(Node* isns, Node*, char* params) {
  Node* function = function_of(isns);
  if (function == nullptr || get_qf_type(isns) == kChipUndetermined) return 1;
  std::string initiator;
  if (!first_initiator_name(function, &initiator)) return 1;
  if (!instances_of(isns, "iSNSServer").empty()) return report(iscsi::kDiscoveryParamsNotSet);
  const std::string ip = param_text(params, 0);
  std::string port = param_text(params, 1);
  if (port.empty()) port = kDefaultIsnsPort;
  std::optional<IpAddress> address = ParseIpAddress(ip);
  if (!address) return report(networking::kInvalidValue);
  Record record;
  DiscoveryParams wanted;
  if (!read_params(isns, &record, &wanted)) return iscsi::kDiscoveryParamsNotRead.code;
  wanted.server_count = 1;
  wanted.server = {};
  wanted.server.address_type = address->ipv6 ? records::kAddressIpv6 : records::kAddressIpv4;
  std::copy_n(address->bytes.begin(), address->ipv6 ? 16 : 4, wanted.server.address.begin());
  wanted.server.port = static_cast<uint16_t>(std::strtoul(port.c_str(), nullptr, 10));
  wanted.initiator_name = initiator;
  wanted.flags |= records::kDiscoveryUseConfiguredServer;
  wanted.flags &= ~records::kDiscoveryServerThroughDhcp;
  const uint32_t written = write_params(isns, &record, wanted);
  if (written != 0 && written != kUnreachable) return written;
  // The server is recorded even when it cannot be reached yet.
  uint32_t mirrored = 0;
  {
    KeepLastStatus keep;
    mirrored = get_all_isns(isns);
  }
  if (written == 0 && mirrored == 0) clear_params(params);
  return written != 0 ? written : mirrored;
}

uint32_t do_DeleteiSNSServer(Node* isns, Node*, char* params) {
  const std::string wanted_name = "iSNSServer" + param_text(params, 0);
  Node* server = child_group(isns, wanted_name.c_str());
  if (server == nullptr || !is_instanced(server)) return report(iscsi::kInvalidInstance);
  return delete_isns_server(isns, server);
}

uint32_t do_DiscoveryiSNSThruDHCP(Node* isns, Node*, char*) {
  Node* function = function_of(isns);
  if (function == nullptr) return 1;
  uint32_t result = 0;
  for (Node* logical_hba : instances_of(function, "LogicalHBA")) {
    Record record;
    DiscoveryParams wanted;
    if (!read_params(logical_hba, &record, &wanted)) return iscsi::kDiscoveryParamsNotRead.code;
    wanted.flags |= records::kDiscoveryServerThroughDhcp;
    wanted.flags &= ~records::kDiscoveryUseConfiguredServer;
    (void)iscsi::read_initiator_name(logical_hba, &wanted.initiator_name);
    const uint32_t written = write_params(logical_hba, &record, wanted);
    if (written != 0 && written != kUnreachable) return written;
    if (written != 0) result = written;
    KeepLastStatus keep;
    if (uint32_t mirrored = get_all_isns(isns); mirrored != 0 && result == 0) result = mirrored;
  }
  return result;
}

uint32_t group_iSNS(Node* isns) { return get_all_isns(isns); }

// iSNSEnabled: flag bit 0 of the record. Setting it writes a fresh record
// of that bit and the initiator name (the firmware keeps its server).
uint32_t handle_discoveryparams(Node* property, char* buffer, uint32_t op) {
  if (op != kOpRead && op != kOpWrite) return 0;
  Record record;
  DiscoveryParams params;
  if (!read_params(property, &record, &params)) return iscsi::kDiscoveryParamsNotRead.code;
  const bool enabled = (params.flags & records::kDiscoveryIsnsEnabled) != 0;
  if (op == kOpRead) {
    write_cached_value(property, enabled ? "Yes" : "No");
    read_cached_value(property, buffer);
    return 0;
  }
  const bool wanted = equal_ignoring_case(std::string(buffer, strnlen(buffer, kValueSize)), "Yes");
  uint32_t written = 0;
  if (!(wanted && enabled)) {
    DiscoveryParams fresh;
    fresh.flags = wanted ? records::kDiscoveryIsnsEnabled : 0;
    fresh.initiator_name = params.initiator_name;
    Record empty{};
    written = write_params(property, &empty, fresh);
    if (written != 0 && written != kUnreachable) return written;
  }
  // The value as the firmware now has it; an unreachable server stays the
  // command's status.
  char value[kValueSize] = {};
  const uint32_t read = handle_discoveryparams(property, value, kOpRead);
  return written != 0 ? written : read;
}

}  // namespace

uint32_t delete_isns_server(Node* isns, Node* server) {
  Record record;
  DiscoveryParams wanted;
  if (!read_params(isns, &record, &wanted)) return iscsi::kDiscoveryParamsNotRead.code;
  wanted.server = {};
  wanted.server_count = 0;
  const uint32_t written = write_params(isns, &record, wanted);
  if (written != 0 && written != kUnreachable) return written;
  (void)delete_node(server);
  return written;
}

uint32_t erase_isns(Node* isns) {
  // A server the function cannot reach (32) does not keep the record from
  // being written: it is no reason to keep the configuration.
  if (!write_prop(isns, "iSNSEnabled", "No")) {
    uint32_t code = 0;
    char message[kMessageSize];
    oxim_get_last_status(&code, message);
    if (code == 0) return report(kInternalError);
    if (code != kUnreachable) return code;  // 80 or 81, reported
  }
  for (Node* server : instances_of(isns, "iSNSServer")) {
    if (uint32_t status = delete_isns_server(isns, server); status != 0 && status != kUnreachable)
      return status;
  }
  oxim_reset_last_status();
  return 0;
}

uint32_t get_all_isns(Node* isns) {
  Record record;
  DiscoveryParams params;
  if (!read_params(isns, &record, &params)) return iscsi::kDiscoveryParamsNotRead.code;
  std::vector<Node*> servers = instances_of(isns, "iSNSServer");
  if (params.server_count == 0 || params.server.address_type == records::kAddressNone) {
    for (Node* server : servers) (void)delete_node(server);
    return 0;
  }
  const std::string ip = server_address(params.server);
  const std::string port = std::to_string(params.server.port);
  // Exactly one group, the firmware's server: a stale one (the server was
  // changed, by DHCP say) goes, so that the next ConfigureiSNSServer is not
  // refused for it.
  Node* kept = nullptr;
  for (Node* server : servers) {
    if (kept == nullptr && SameIpAddress(cached_prop(server, "IPAddress"), ip) &&
        cached_prop(server, "PortNumber") == port) {
      kept = server;
    } else {
      (void)delete_node(server);
    }
  }
  if (kept != nullptr) return 0;
  PendingGroup server(instantiate(templates::kiSNSServer, isns, nullptr, nullptr, nullptr));
  if (!server || !write_prop(server.get(), "IPAddress", ip) ||
      !write_prop(server.get(), "PortNumber", port)) {
    return report(kInternalError);
  }
  server.release();
  return 0;
}

void register_isns_handlers(HandlerRegistry& registry) {
  registry.add_command("do_ConfigureiSNSServer", do_ConfigureiSNSServer);
  registry.add_command("do_DeleteiSNSServer", do_DeleteiSNSServer);
  registry.add_command("do_DiscoveryiSNSThruDHCP", do_DiscoveryiSNSThruDHCP);
  registry.add_refresh("group_iSNS", group_iSNS);
  registry.add_property("handle_discoveryparams", handle_discoveryparams);
}

}  // namespace oxim::discovery
