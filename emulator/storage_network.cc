// The simulated storage network; see storage_network.h.
#include "storage_network.h"

#include <algorithm>
#include <cstring>

#include "core/address.h"
#include "core/validate.h"

namespace oxim::emulator {
namespace {

constexpr uint8_t kCrc32c = 1;

bool IsIpv4Type(uint8_t type) { return (type & 0x07) != 0; }

bool SameAddress(const records::PortalEntry& a, const records::PortalEntry& b) {
  if (IsIpv4Type(a.address_type) && IsIpv4Type(b.address_type)) {
    return std::equal(a.address.begin(), a.address.begin() + 4, b.address.begin());
  }
  return a.address_type == records::kAddressIpv6 && b.address_type == records::kAddressIpv6 &&
         a.address == b.address;
}

SimulatedLun Lun(uint16_t number, uint64_t blocks, const std::string& serial) {
  SimulatedLun lun;
  lun.number = number;
  lun.blocks = blocks;
  lun.vendor = "OXIMLAB";
  lun.product = "VDISK";
  lun.serial = serial;
  return lun;
}

bool DigestRefused(DigestPolicy policy, uint8_t offered) {
  bool crc = offered == kCrc32c;
  return (policy == DigestPolicy::kNone && crc) || (policy == DigestPolicy::kRequire && !crc);
}

// The CHAP exchange: 0 when the initiator and the target agree, else the
// authentication failure.
uint16_t CheckChap(const SimulatedTarget& target, const records::LoginOptions& options) {
  bool offers_chap = options.authentication_method == 1;
  if (target.chap == ChapMode::kNone) return offers_chap ? kLoginAuthenticationFailure : 0;
  if (!offers_chap) return kLoginAuthenticationFailure;
  std::optional<std::vector<uint8_t>> secret = records::EncodeSecret(target.chap_secret);
  if (!secret || options.target_chap_name != target.chap_user || options.target_secret != *secret) {
    return kLoginAuthenticationFailure;
  }
  // A target without an account of its own cannot answer a mutual challenge.
  if (target.chap == ChapMode::kOneWay) {
    return options.mutual_chap == 1 ? kLoginAuthenticationFailure : 0;
  }
  std::optional<std::vector<uint8_t>> mutual = records::EncodeSecret(target.mutual_secret);
  if (options.mutual_chap != 1 || !mutual || options.initiator_chap_name != target.mutual_user ||
      options.initiator_secret != *mutual) {
    return kLoginAuthenticationFailure;
  }
  return 0;
}

records::LoginOptions Negotiate(const records::LoginOptions& offered) {
  records::LoginOptions n = offered;
  // The targets answer Yes to InitialR2T and ImmediateData: OR gives Yes,
  // AND gives the initiator's value.
  n.flags = static_cast<uint8_t>(offered.flags | records::kFlagInitialR2T);
  n.error_recovery_level = 0;
  n.first_burst_length = std::min(offered.first_burst_length, kTargetFirstBurstLength);
  n.max_burst_length = std::min(offered.max_burst_length, kTargetMaxBurstLength);
  n.max_recv_data_segment_length =
      std::min(offered.max_recv_data_segment_length, kTargetMaxRecvDataSegmentLength);
  n.max_connections = 1;
  n.max_outstanding_r2t = 1;
  n.tcp_mss = kTargetTcpMss;
  n.tcp_window_size = kTargetTcpWindow;
  // Secrets are never echoed back.
  n.initiator_secret.clear();
  n.target_secret.clear();
  return n;
}

}  // namespace

std::vector<SimulatedTarget> DefaultStorageNetwork() {
  std::vector<SimulatedTarget> network;

  SimulatedTarget open;
  open.name = kOpenTargetName;
  open.alias = kOpenTargetAlias;
  open.portals = {{kOpenTargetAddress, kIscsiPort, 1},
                  {kOpenTargetAddress, kOpenTargetSecondPort, 2}};
  open.luns = {Lun(0, 2097152, "OPEN0000"), Lun(1, 4194304, "OPEN0001")};
  network.push_back(open);

  SimulatedTarget oneway;
  oneway.name = kOneWayTargetName;
  oneway.alias = kOneWayTargetAlias;
  oneway.portals = {{kOneWayTargetAddress, kIscsiPort, 1}};
  oneway.chap = ChapMode::kOneWay;
  oneway.chap_user = kOneWayChapUser;
  oneway.chap_secret = kOneWayChapSecret;
  oneway.luns = {Lun(0, 2097152, "ONEWAY00")};
  network.push_back(oneway);

  SimulatedTarget mutual;
  mutual.name = kMutualTargetName;
  mutual.alias = kMutualTargetAlias;
  mutual.portals = {{kMutualTargetAddress, kIscsiPort, 1}};
  mutual.chap = ChapMode::kMutual;
  mutual.chap_user = kMutualChapUser;
  mutual.chap_secret = kMutualChapSecret;
  mutual.mutual_user = kMutualTargetUser;
  mutual.mutual_secret = kMutualTargetSecret;
  mutual.luns = {Lun(0, 2097152, "MUTUAL00")};
  network.push_back(mutual);

  SimulatedTarget digest;
  digest.name = kDigestTargetName;
  digest.alias = kDigestTargetAlias;
  digest.portals = {{kDigestTargetAddress, kIscsiPort, 1}};
  digest.header_digest = DigestPolicy::kRequire;
  digest.data_digest = DigestPolicy::kRequire;
  digest.luns = {Lun(0, 2097152, "DIGEST00")};
  network.push_back(digest);
  return network;
}

std::optional<records::PortalEntry> PortalOf(const SimulatedPortal& portal) {
  records::PortalEntry entry;
  entry.port = portal.port;
  entry.tag = portal.group_tag;
  if (portal.address.find(':') != std::string::npos) {
    char text[kIpv6TextSize] = {};
    if (portal.address.size() >= sizeof text) return std::nullopt;
    std::memcpy(text, portal.address.data(), portal.address.size());
    if (ValidateIpv6(text) != 0) return std::nullopt;
    entry.address_type = records::kAddressIpv6;
    StrToU8IPv6(text, entry.address.data());
    return entry;
  }
  constexpr int kFormOnly = -1;
  if (validateIPAddress(portal.address.c_str(), entry.address.data(), kFormOnly) != 1) {
    return std::nullopt;
  }
  entry.address_type = records::kAddressIpv4;
  return entry;
}

bool SamePortal(const records::PortalEntry& a, const records::PortalEntry& b) {
  return a.port == b.port && SameAddress(a, b);
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
           return lower(x) == lower(y);
         });
}

const SimulatedTarget* FindSimulatedTarget(const std::vector<SimulatedTarget>& network,
                                           std::string_view name) {
  for (const SimulatedTarget& target : network) {
    if (EqualsIgnoreCase(target.name, name)) return &target;
  }
  return nullptr;
}

LoginDecision EvaluateLogin(const std::vector<SimulatedTarget>& network,
                            const records::LoginRequest& request) {
  LoginDecision decision;
  bool address_known = false;
  bool portal_served = false;  // an online target listens at address and port
  std::optional<size_t> named;
  for (size_t t = 0; t < network.size(); ++t) {
    for (const SimulatedPortal& portal : network[t].portals) {
      std::optional<records::PortalEntry> entry = PortalOf(portal);
      if (!entry || !SameAddress(*entry, request.portal)) continue;
      address_known = true;
      if (entry->port != request.portal.port) continue;
      portal_served = portal_served || network[t].online;
      if (EqualsIgnoreCase(network[t].name, request.target_name)) named = t;
    }
  }
  if (!address_known) {
    decision.additional_status = kLoginUnreachable;
  } else if (named ? !network[*named].online : !portal_served) {
    decision.additional_status = kLoginConnectFailure;
  } else if (!named) {
    decision.additional_status = kLoginUnknownTarget;
  }
  if (decision.additional_status != 0) return decision;

  const SimulatedTarget& target = network[*named];
  std::optional<records::LoginOptions> options = records::DecodeLoginOptions(request.options);
  if (!options) {
    decision.additional_status = kLoginInitiatorError;
    return decision;
  }
  if (uint16_t refused = CheckChap(target, *options)) {
    decision.additional_status = refused;
    return decision;
  }
  if (DigestRefused(target.header_digest, options->header_digest) ||
      DigestRefused(target.data_digest, options->data_digest)) {
    decision.additional_status = kLoginDigestMismatch;
    return decision;
  }
  decision.target = *named;
  decision.negotiated = Negotiate(*options);
  return decision;
}

}  // namespace oxim::emulator
