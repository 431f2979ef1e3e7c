// SendTarget portals; see sendtarget_portals.h.
#include "areas/discovery/sendtarget_portals.h"

#include <cstdlib>
#include <string>
#include <vector>

#include "areas/discovery/catalogue.h"
#include "areas/discovery/discovery_status.h"
#include "areas/iscsi/iscsi_status.h"
#include "areas/iscsi/iscsi_tree.h"
#include "areas/iscsi/login_options.h"
#include "areas/iscsi/saved_files.h"
#include "core/address.h"
#include "core/log.h"
#include "core/node_store.h"
#include "core/strings.h"
#include "core/tree_services.h"
#include "kit/function_tree.h"
#include "kit/pending_group.h"
#include "schema/handler_registry.h"

namespace oxim::discovery {
namespace {

using iscsi::HbaPath;
using iscsi::SavedFile;
using iscsi::SendTargetPortalLine;

Node* logical_hba_of(Node* node) { return enclosing_group(node, "LogicalHBA"); }

// The MAC address of the function's NIC, as its Network group shows it.
bool read_function_mac(Node* node, std::string* mac) {
  Node* function = enclosing_group(node, "iSCSIPhysicalHBA");
  Node* nic = child_group(child_group(function, "Network"), "NICConfiguration");
  return nic != nullptr && read_prop(nic, "MACAddress", mac);
}

bool same_portal(Node* portal, std::string_view ip, std::string_view port) {
  return SameIpAddress(cached_prop(portal, "IPAddress"), ip) &&
         equal_ignoring_case(cached_prop(portal, "PortNumber"), port);
}

Node* find_sendtarget_portal(Node* discovery, std::string_view ip, std::string_view port) {
  for (Node* portal : instances_of(discovery, "SendTargetPortal")) {
    if (same_portal(portal, ip, port)) return portal;
  }
  return nullptr;
}

// A SendTargetPortal group with its three properties; nullptr (nothing left
// behind) on failure.
Node* setup_sendtarget_portal(Node* discovery, const std::string& ip, const std::string& port,
                              const std::string& mac) {
  PendingGroup portal(
      instantiate(templates::kSendTargetPortal, discovery, nullptr, nullptr, nullptr));
  if (!portal || !write_prop(portal.get(), "IPAddress", ip) ||
      !write_prop(portal.get(), "PortNumber", port) ||
      !write_prop(portal.get(), "PortMacAddress", mac) ||
      child_group(portal.get(), "SendTargetPortalLoginOptions") == nullptr) {
    return nullptr;
  }
  return portal.release();
}

uint32_t do_AddSendTargetPortal(Node* discovery, Node*, char* params) {
  std::string ip = param_text(params, 0);
  const std::string port_param = param_text(params, 1);
  Node* logical_hba = logical_hba_of(discovery);
  if (logical_hba == nullptr || ip.empty() || port_param.empty()) return 1;
  std::string mac;
  if (!read_function_mac(discovery, &mac)) return report(kInternalError);
  const int chip = get_qf_type(discovery);
  if ((chip == kChipQF2 || chip == kChipQF3) && ip.size() > 15) {
    return report(iscsi::kIpv6NotSupported);
  }
  if (equal_ignoring_case(prop_or_empty(logical_hba, "Enabled"), "False")) {
    return report(iscsi::kIscsiNotEnabled);
  }
  std::optional<IpAddress> address = ParseIpAddress(ip);
  if (!address) return report(iscsi::kInvalidIpAddress);
  ip = CanonicalIpText(*address);
  const std::string port = std::to_string(std::strtoul(port_param.c_str(), nullptr, 10));
  const HbaPath path = iscsi::hba_path(logical_hba);
  const iscsi::LineKey key = iscsi::SendTargetPortalKey(path, ip, port);
  if (find_sendtarget_portal(discovery, ip, port) != nullptr ||
      iscsi::OXIM_check_for_duplicate_entry_in_file(key, 1) != 0) {
    return report(kDuplicateSendTargetPortal);
  }
  PendingGroup portal(setup_sendtarget_portal(discovery, ip, port, mac));
  if (!portal) return report(kInternalError);
  Node* options = child_group(portal.get(), "SendTargetPortalLoginOptions");
  if (iscsi::copy_login_options(child_group(logical_hba, "InitiatorLoginOptions"), options) != 0) {
    return report(kInternalError);
  }
  SendTargetPortalLine line{path, ip, port, mac, iscsi::options_of_group(options)};
  std::string text;
  if (!iscsi::EncodeSendTargetPortalLine(line, &text) ||
      iscsi::AppendLineUnlessPresent(SavedFile::kSendTargetPortals, key, text) ==
          iscsi::AppendResult::kFailed) {
    // The portal works for now; it is gone after the next start.
    pdebug(kModuleAdapter, kLogError, "%s: the SendTarget portal could not be saved\n", __func__);
  }
  portal.release();
  clear_params(params);
  return 0;
}

uint32_t do_DeleteSendTargetPortal(Node* discovery, Node*, char* params) {
  const std::string wanted = "SendTargetPortal" + param_text(params, 0);
  Node* portal = child_group(discovery, wanted.c_str());
  if (portal == nullptr || !is_instanced(portal)) return report(iscsi::kInvalidInstance);
  return delete_sendtarget_portal(portal);
}

}  // namespace

uint32_t delete_sendtarget_portal(Node* portal) {
  const HbaPath path = iscsi::hba_path(logical_hba_of(portal));
  const iscsi::LineKey key = iscsi::SendTargetPortalKey(path, cached_prop(portal, "IPAddress"),
                                                        cached_prop(portal, "PortNumber"));
  // A portal whose line stays would come back with the next refresh.
  if (iscsi::RemoveLinesIfAny(SavedFile::kSendTargetPortals, key) != 0) {
    return iscsi::kSavedFileFailure;
  }
  (void)delete_node(portal);
  return 0;
}

uint32_t group_Discovery(Node* discovery) {
  Node* logical_hba = logical_hba_of(discovery);
  if (logical_hba == nullptr) return 0;
  std::vector<SendTargetPortalLine> lines;
  if (iscsi::ReadSendTargetPortalLines(iscsi::hba_path(logical_hba), &lines) ==
      iscsi::ReadResult::kFailed) {
    return 0;
  }
  for (Node* portal : instances_of(discovery, "SendTargetPortal")) {
    bool saved = false;
    for (const SendTargetPortalLine& line : lines)
      saved = saved || same_portal(portal, line.ip, line.port);
    if (!saved) (void)delete_node(portal);
  }
  for (const SendTargetPortalLine& line : lines) {
    Node* portal = find_sendtarget_portal(discovery, line.ip, line.port);
    if (portal == nullptr) {
      // Lines written before addresses had one form may spell them otherwise.
      portal = setup_sendtarget_portal(discovery, CanonicalIpText(line.ip), line.port, line.mac);
      if (portal == nullptr) {
        pdebug(kModuleAdapter, kLogError, "%s: a saved SendTarget portal could not be made\n",
               __func__);
        continue;
      }
    }
    iscsi::set_group_options(child_group(portal, "SendTargetPortalLoginOptions"),
                             iscsi::with_levels(line.options));
  }
  return 0;
}

void register_sendtarget_portal_handlers(HandlerRegistry& registry) {
  registry.add_command("do_AddSendTargetPortal", do_AddSendTargetPortal);
  registry.add_command("do_DeleteSendTargetPortal", do_DeleteSendTargetPortal);
  registry.add_refresh("group_Discovery", group_Discovery);
}

}  // namespace oxim::discovery
