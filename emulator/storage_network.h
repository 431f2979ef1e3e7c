// The simulated storage network the emulated adapter's iSCSI ports see:
// targets with their portals, CHAP accounts, digest policies, session limits
// and LUNs, shared by every iSCSI function. EvaluateLogin decides what a
// target decides on its own about a login request (can it be reached, does
// the name exist there, do CHAP and digests agree) and what it negotiates;
// the session rules that need the adapter's state live with the firmware
// handlers (iscsi_firmware.h).
//
//   std::vector<SimulatedTarget> network = DefaultStorageNetwork();
//   LoginDecision decision = EvaluateLogin(network, request);
//   if (decision.additional_status != 0) refuse(decision.additional_status);
#ifndef OXIM_EMULATOR_STORAGE_NETWORK_H_
#define OXIM_EMULATOR_STORAGE_NETWORK_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "real_isns.h"
#include "records/iscsi_login.h"
#include "records/login_options_record.h"

namespace oxim::emulator {

enum class ChapMode { kNone, kOneWay, kMutual };

// What a target does with a CRC32C digest: kNone refuses it, kAccept takes
// CRC32C or none, kRequire takes CRC32C only.
enum class DigestPolicy { kNone, kAccept, kRequire };

struct SimulatedPortal {
  std::string address;  // dotted IPv4 or IPv6 text
  uint16_t port = 3260;
  uint16_t group_tag = 1;
};

// Numbers a simulated LUN may have: the flat addressing of REPORT LUNS.
inline constexpr uint16_t kMaxSimulatedLun = 16383;

struct SimulatedLun {
  uint16_t number = 0;
  uint64_t blocks = 0;
  uint32_t block_size = 512;
  std::string vendor;       // inquiry data, up to 8 characters
  std::string product;      // up to 16
  std::string serial;       // up to 32
  uint8_t device_type = 0;  // peripheral device type (0 disk, 0x0C controller)
  // Operation codes the LUN answers with CHECK CONDITION (a medium error),
  // the first check_condition_times times (-1: every time).
  std::vector<uint8_t> check_condition;
  int check_condition_times = -1;
};

struct SimulatedTarget {
  std::string name;
  std::string alias;
  std::vector<SimulatedPortal> portals;
  ChapMode chap = ChapMode::kNone;
  // The account the initiator must present (one-way and mutual), and for
  // mutual CHAP the target's own account the initiator checks. Secrets are
  // texts as the library takes them ("0x..." for hexadecimal).
  std::string chap_user;
  std::string chap_secret;
  std::string mutual_user;
  std::string mutual_secret;
  DigestPolicy header_digest = DigestPolicy::kAccept;
  DigestPolicy data_digest = DigestPolicy::kAccept;
  int max_sessions = 4;
  bool online = true;
  std::vector<SimulatedLun> luns;
};

// An iSNS server of the network: the targets registered with it, by name
// (targets of the network); or, with an endpoint, a real isnsd that the
// address and port stand for (real_isns.h), which knows its own targets.
struct SimulatedIsnsServer {
  std::string address;  // dotted IPv4 or IPv6 text
  uint16_t port = 3205;
  std::vector<std::string> targets;
  std::optional<RealIsnsEndpoint> endpoint;
};

// The default storage network, on TEST-NET-1 addresses.
inline constexpr uint16_t kIscsiPort = 3260;
inline constexpr char kOpenTargetName[] = "iqn.2026-01.net.oxim-lab:open";
inline constexpr char kOpenTargetAlias[] = "lab-open";
inline constexpr char kOpenTargetAddress[] = "192.0.2.10";
inline constexpr uint16_t kOpenTargetSecondPort = 3261;  // portal group tag 2
inline constexpr char kOneWayTargetName[] = "iqn.2026-01.net.oxim-lab:oneway";
inline constexpr char kOneWayTargetAlias[] = "lab-oneway";
inline constexpr char kOneWayTargetAddress[] = "192.0.2.11";
inline constexpr char kOneWayChapUser[] = "tgtuser1";
inline constexpr char kOneWayChapSecret[] = "oneway-secret1";
inline constexpr char kMutualTargetName[] = "iqn.2026-01.net.oxim-lab:mutual";
inline constexpr char kMutualTargetAlias[] = "lab-mutual";
inline constexpr char kMutualTargetAddress[] = "192.0.2.12";
inline constexpr char kMutualChapUser[] = "tgtuser2";
inline constexpr char kMutualChapSecret[] = "mutual-secret2";
inline constexpr char kMutualTargetUser[] = "initiator2";  // the target's own account
inline constexpr char kMutualTargetSecret[] = "initsecret22";
inline constexpr char kDigestTargetName[] = "iqn.2026-01.net.oxim-lab:digest";
inline constexpr char kDigestTargetAlias[] = "lab-digest";
inline constexpr char kDigestTargetAddress[] = "192.0.2.13";

std::vector<SimulatedTarget> DefaultStorageNetwork();

// What every simulated target offers in negotiation.
inline constexpr uint32_t kTargetFirstBurstLength = 65536;
inline constexpr uint32_t kTargetMaxBurstLength = 262144;
inline constexpr uint32_t kTargetMaxRecvDataSegmentLength = 8192;
inline constexpr uint32_t kTargetTcpMss = 1460;
inline constexpr uint32_t kTargetTcpWindow = 16000;

// Additional statuses (with firmware status 1) of a refused login.
inline constexpr uint16_t kLoginSessionAlreadyOpen = 17;
inline constexpr uint16_t kLoginUnreachable = 19;
inline constexpr uint16_t kLoginConnectFailure = 21;
inline constexpr uint16_t kLoginAuthenticationFailure = 44;
inline constexpr uint16_t kLoginInitiatorError = 43;  // a login-options record that cannot be read
inline constexpr uint16_t kLoginUnknownTarget = 46;
inline constexpr uint16_t kLoginServiceUnavailable = 56;
inline constexpr uint16_t kLoginDigestMismatch = 100;

struct LoginDecision {
  uint16_t additional_status = 0;    // 0: the target accepts
  size_t target = 0;                 // index in the network when accepted
  records::LoginOptions negotiated;  // when accepted
};

// Decides a login request against the network: reachability of the portal,
// the target's name there (ignoring case), CHAP, then digests, in that order.
// Session limits are the caller's.
LoginDecision EvaluateLogin(const std::vector<SimulatedTarget>& network,
                            const records::LoginRequest& request);

// The portal entry a simulated portal stands for (tag: its group tag);
// nullopt for an address that is neither IPv4 nor IPv6 text.
std::optional<records::PortalEntry> PortalOf(const SimulatedPortal& portal);
// Whether two portal entries name the same address and port (IPv4 by the
// first four bytes, whatever IPv4 type code each carries).
bool SamePortal(const records::PortalEntry& a, const records::PortalEntry& b);
bool EqualsIgnoreCase(std::string_view a, std::string_view b);
// The target of that name (ignoring case), or null.
const SimulatedTarget* FindSimulatedTarget(const std::vector<SimulatedTarget>& network,
                                           std::string_view name);

}  // namespace oxim::emulator

#endif  // OXIM_EMULATOR_STORAGE_NETWORK_H_
