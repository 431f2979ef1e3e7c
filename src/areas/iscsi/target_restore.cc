// Restoring targets from the firmware and the saved files; see
// target_restore.h.
#include "areas/iscsi/target_restore.h"

#include <sys/stat.h>
#include <cstdio>
#include <vector>

#include "areas/iscsi/iscsi_tree.h"
#include "areas/iscsi/login_options.h"
#include "areas/iscsi/luns.h"
#include "areas/iscsi/saved_files.h"
#include "areas/iscsi/sessions.h"
#include "areas/iscsi/targets.h"
#include "core/address.h"
#include "core/last_status.h"
#include "core/log.h"
#include "core/node_store.h"
#include "core/store_guard.h"
#include "core/tree_services.h"

namespace oxim::iscsi {
namespace {

// The target of a saved line, created (with its portal) or completed with
// the portal; nullptr when it cannot be made.
Node* target_for_line(Node* logical_hba, const TargetLine& line, bool* created) {
  *created = false;
  // Lines written before addresses had one form may spell them otherwise.
  const std::string ip = CanonicalIpText(line.ip);
  Node* target = find_target(logical_hba, line.name);
  if (target == nullptr) {
    target = setup_target(logical_hba, line.name,
                          line.target_type != "Static" && !line.target_type.empty());
    if (target == nullptr) return nullptr;
    if (setup_portal(target, ip, line.port, "0") == nullptr) {
      (void)delete_node(target);
      return nullptr;
    }
    *created = true;
    return target;
  }
  if (find_target_portal(target, ip, line.port) == nullptr &&
      setup_portal(target, ip, line.port, "0") == nullptr) {
    return nullptr;
  }
  return target;
}

}  // namespace

uint32_t add_target_from_file(Node* logical_hba) {
  std::vector<TargetLine> lines;
  if (ReadTargetLines(hba_path(logical_hba), &lines) != ReadResult::kRead) return 0;
  for (const TargetLine& line : lines) {
    if (line.name.empty() || line.ip.empty()) continue;
    bool created = false;
    Node* target = target_for_line(logical_hba, line, &created);
    if (target == nullptr) return 1;
    if (!created) continue;
    set_group_options(child_group(target, "TargetLoginOptions"), with_levels(line.options));
    if (line.isid_qualifier.empty()) continue;
    Node* login = nullptr;
    {
      StoreLock lock;
      login = internal_get_node(target, "Login", kKindCommand);
    }
    const CommandData* data = login ? login->data.command : nullptr;
    if (data == nullptr || data->handler == nullptr) continue;
    char params[kParamBlockSize] = {};
    const std::string fields[4] = {line.ip, line.port, line.initiator_name, line.isid_qualifier};
    for (int i = 0; i < 4; ++i) {
      std::snprintf(params + i * kParamSize, kParamSize, "%s", fields[i].c_str());
    }
    if (data->handler(target, login, params) != 0) {
      pdebug(kModuleAdapter, kLogError, "%s: login to a saved target failed\n", __func__);
    }
  }
  return 0;
}

void OXIM_sync_targets_with_file(Node* logical_hba) {
  struct stat info {};
  if (stat(SavedFilePath(SavedFile::kTargets).c_str(), &info) != 0) return;
  const HbaPath path = hba_path(logical_hba);
  std::vector<TargetLine> lines;
  if (ReadTargetLines(path, &lines) == ReadResult::kFailed) return;
  for (Node* target : instances_of(logical_hba, "Target")) {
    const std::string name = cached_prop(target, "TargetISCSIName");
    bool any = false;
    for (const TargetLine& line : lines) any = any || equal_ignoring_case(line.name, name);
    if (!any) {
      (void)delete_node(target);
      continue;
    }
    for (Node* portal : instances_of(target, "TargetPortal")) {
      const std::string ip = cached_prop(portal, "TargetIPAddress");
      const std::string port = cached_prop(portal, "TargetPortNumber");
      bool found = false;
      for (const TargetLine& line : lines) {
        found = found || (equal_ignoring_case(line.name, name) && SameIpAddress(line.ip, ip) &&
                          equal_ignoring_case(line.port, port));
      }
      if (!found) (void)delete_node(portal);
    }
  }
}

uint32_t OXIM_set_lhba_prop(Node* logical_hba) {
  const HbaPath path = hba_path(logical_hba);
  // The initiator's options (a default line for a new logical HBA).
  InitiatorOptionsLine initiator;
  if (ReadInitiatorOptionsLine(path, &initiator) != ReadResult::kRead) {
    initiator = DefaultInitiatorOptionsLine(path);
    if (WriteInitiatorOptionsLine(initiator) != 0) {
      pdebug(kModuleAdapter, kLogError, "%s: failed to write the initiator options\n", __func__);
    }
  }
  set_group_options(child_group(logical_hba, "InitiatorLoginOptions"),
                    with_levels(initiator.options));
  uint32_t result = get_all_targets(logical_hba, false);
  // The target lines get their levels written out and their addresses in
  // the one form, then the saved targets are created when missing, with the
  // options of their lines.
  if (UpdateTargetLines(PathKey(path), [](TargetLine* line) {
        line->options = with_levels(line->options);
        line->ip = CanonicalIpText(line->ip);
      }) != 0) {
    pdebug(kModuleAdapter, kLogError, "%s: failed to rewrite the target file\n", __func__);
  }
  std::vector<TargetLine> lines;
  (void)ReadTargetLines(path, &lines);
  for (const TargetLine& line : lines) {
    if (line.name.empty() || line.ip.empty()) continue;
    bool created = false;
    Node* target = target_for_line(logical_hba, line, &created);
    if (target == nullptr) {
      result = 1;
      continue;
    }
    set_group_options(child_group(target, "TargetLoginOptions"), with_levels(line.options));
  }
  if (uint32_t status = get_all_sessions(logical_hba, nullptr, nullptr); status != 0) {
    result = status;
  }
  rescan_all_luns(logical_hba);
  return result;
}

}  // namespace oxim::iscsi
