// Flash records and target store of the emulated iSCSI functions; see
// iscsi_store.h.
#include "iscsi_store.h"

#include <algorithm>

#include "records/coding.h"

namespace oxim::emulator {
namespace {

using records::DecodeFixed32;
using records::EncodeFixed32;
using records::FirmwareTarget;
using records::LoginRequest;
using records::PortalEntry;

std::string FlashKey(const IscsiFunctionState& f, const char* record) {
  return "iscsi-c" + std::to_string(f.function.controller) + "f" +
         std::to_string(f.function.function) + "-" + record;
}

}  // namespace

bool SavePersistent(AdapterModel& model, const IscsiFunctionState& f) {
  std::vector<uint8_t> bytes(f.persistent.size() * records::kLoginRequestSize);
  for (size_t i = 0; i < f.persistent.size(); ++i) {
    records::EncodeLoginRequest(
        std::span(bytes).subspan(i * records::kLoginRequestSize, records::kLoginRequestSize),
        f.persistent[i]);
  }
  return model.flash().Save(FlashKey(f, "persistent"), bytes);
}

void LoadPersistent(AdapterModel& model, IscsiFunctionState& f) {
  std::vector<uint8_t> bytes =
      model.flash().Load(FlashKey(f, "persistent")).value_or(std::vector<uint8_t>{});
  for (size_t at = 0; at + records::kLoginRequestSize <= bytes.size() &&
                      f.persistent.size() < kMaxPersistentTargets;
       at += records::kLoginRequestSize) {
    if (auto request = records::DecodeLoginRequest(std::span(bytes).subspan(at))) {
      f.persistent.push_back(std::move(*request));
    }
  }
}

bool SaveTargets(AdapterModel& model, const IscsiFunctionState& f) {
  std::vector<uint8_t> bytes;
  for (const FirmwareTarget& target : f.targets) {
    size_t at = bytes.size();
    size_t size = records::TargetRecordSize(target);
    bytes.resize(at + 4 + size);
    EncodeFixed32(bytes.data() + at, static_cast<uint32_t>(size));
    records::EncodeTargetRecord(std::span(bytes).subspan(at + 4), target);
  }
  return model.flash().Save(FlashKey(f, "targets"), bytes);
}

void LoadTargets(AdapterModel& model, IscsiFunctionState& f) {
  std::vector<uint8_t> bytes =
      model.flash().Load(FlashKey(f, "targets")).value_or(std::vector<uint8_t>{});
  size_t at = 0;
  while (at + 4 <= bytes.size()) {
    size_t size = DecodeFixed32(bytes.data() + at);
    if (size > bytes.size() - at - 4) break;
    std::optional<FirmwareTarget> target =
        records::DecodeTargetRecord(std::span(bytes).subspan(at + 4, size));
    if (!target) break;
    f.targets.push_back(std::move(*target));
    at += 4 + size;
  }
}

bool SaveDiscovery(AdapterModel& model, const IscsiFunctionState& f) {
  return model.flash().Save(FlashKey(f, "discovery"), f.discovery);
}

void LoadDiscovery(AdapterModel& model, IscsiFunctionState& f) {
  f.discovery = model.flash().Load(FlashKey(f, "discovery")).value_or(std::vector<uint8_t>{});
  if (f.discovery.size() != records::kDiscoveryParamsSize) {
    f.discovery.assign(records::kDiscoveryParamsSize, 0);
  }
}

FirmwareTarget* FindStoredTarget(IscsiFunctionState& f, std::string_view name) {
  for (FirmwareTarget& target : f.targets) {
    if (EqualsIgnoreCase(target.name, name)) return &target;
  }
  return nullptr;
}

bool StoreTarget(IscsiFunctionState& f, const std::vector<SimulatedTarget>& network,
                 const LoginRequest& request) {
  const SimulatedTarget* simulated = FindSimulatedTarget(network, request.target_name);
  FirmwareTarget* target = FindStoredTarget(f, request.target_name);
  if (target == nullptr) {
    uint32_t id = 1;
    for (const FirmwareTarget& t : f.targets) id = std::max(id, t.id + 1);
    f.targets.push_back({id, request.target_name, simulated ? simulated->alias : "", {}});
    target = &f.targets.back();
  }
  uint16_t tag = 1;
  if (simulated != nullptr) {
    for (const SimulatedPortal& portal : simulated->portals) {
      std::optional<PortalEntry> entry = PortalOf(portal);
      if (entry && SamePortal(*entry, request.portal)) tag = portal.group_tag;
    }
  }
  PortalEntry portal = request.portal;
  portal.marker = records::kPortalEntryMarker;
  portal.tag = tag;
  for (const records::PortalGroup& group : target->groups) {
    for (const PortalEntry& p : group.portals) {
      if (SamePortal(p, portal)) return false;
    }
  }
  // One portal per group: in the record a group's second portal would lie
  // where the next group begins.
  target->groups.push_back({tag, {portal}});
  return true;
}

bool PruneTargets(IscsiFunctionState& f) {
  bool changed = false;
  for (FirmwareTarget& target : f.targets) {
    auto uses = [&](const LoginRequest& r, const PortalEntry& portal) {
      return EqualsIgnoreCase(r.target_name, target.name) && SamePortal(r.portal, portal);
    };
    for (records::PortalGroup& group : target.groups) {
      changed |=
          std::erase_if(group.portals, [&](const PortalEntry& portal) {
            return std::none_of(f.persistent.begin(), f.persistent.end(),
                                [&](const LoginRequest& r) { return uses(r, portal); }) &&
                   std::none_of(f.sessions.begin(), f.sessions.end(),
                                [&](const EmulatedSession& s) { return uses(s.request, portal); });
          }) != 0;
    }
    changed |= std::erase_if(target.groups, [](const records::PortalGroup& group) {
                 return group.portals.empty();
               }) != 0;
  }
  changed |= std::erase_if(f.targets,
                           [](const FirmwareTarget& target) { return target.groups.empty(); }) != 0;
  return changed;
}

}  // namespace oxim::emulator
