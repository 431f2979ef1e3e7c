// Target portals of the adapter's network that stand for real iSCSI targets:
// a portal the adapter shows (192.0.2.20:3260, say) mapped to a real
// endpoint (a tgtd at 127.0.0.1:3261), because the library refuses loopback
// addresses. This file translates between the firmware's login records and
// a real login with RealSession (real_iscsi.h); the session rules stay with
// the firmware handlers (iscsi_firmware.h).
//
//   if (const RealPortal* portal = FindRealPortal(portals, request.portal)) {
//     RealLoginPlan plan = PlanRealLogin(*portal, request, isid);
//     if (plan.status != 0) refuse(plan.status, plan.additional_status);
//     RealLoginResult result;
//     std::unique_ptr<RealSession> session = LoginReal(plan, &result);
//     ... NegotiatedRecord(plan.offered, result) ...
//   }
#ifndef OXIM_EMULATOR_REAL_PORTALS_H_
#define OXIM_EMULATOR_REAL_PORTALS_H_

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "real_iscsi.h"
#include "records/iscsi_login.h"
#include "records/login_options_record.h"

namespace oxim::emulator {

struct RealPortal {
  // The portal as the adapter (and the library) sees it: dotted IPv4 or IPv6
  // text and TCP port.
  std::string address;
  uint16_t port = 3260;
  // Where the target really listens: a numeric address and TCP port.
  std::string endpoint_host;
  uint16_t endpoint_port = 3260;
  // Bounds of a login, and the keep-alive's NOP-Out interval.
  std::chrono::milliseconds connect_timeout{3000};
  std::chrono::milliseconds login_timeout{5000};
  std::chrono::milliseconds nop_interval{2000};
};

// The mapping of a portal entry (same address and port), or null.
const RealPortal* FindRealPortal(const std::vector<RealPortal>& portals,
                                 const records::PortalEntry& portal);

// The portal the adapter shows for a real endpoint (numeric host text and
// port), with the given tag; nullopt when no portal is mapped there.
std::optional<records::PortalEntry> PortalForEndpoint(const std::vector<RealPortal>& portals,
                                                      std::string_view host, uint16_t port,
                                                      uint32_t tag);

// A real login as the firmware would attempt it, or why it cannot be.
struct RealLoginPlan {
  // Non-zero: refused before any connection, with this firmware status and
  // additional status.
  uint8_t status = 0;
  uint16_t additional_status = 0;
  RealLoginRequest request;
  records::LoginOptions offered;  // the request's login-options record
};

// Plans the login of a request to a mapped portal with the session's six
// ISID bytes. The login-options record gives CHAP (the target CHAP name and
// secret are what the initiator presents; with the mutual flag, the
// initiator CHAP name and secret are the target's, which the initiator
// checks) and the header digest (CRC32C means required). Refused: a record
// that cannot be read (1/43), a data digest (1/100: libiscsi has none), a
// name or secret that libiscsi cannot carry (2/0: it takes C strings).
RealLoginPlan PlanRealLogin(const RealPortal& portal, const records::LoginRequest& request,
                            const std::array<uint8_t, 6>& isid);

// Logs in as planned. On failure returns null with the firmware statuses in
// *result; a header digest the target refuses is a digest mismatch (1/100),
// and a target that skipped the CHAP the record offers is an authentication
// failure (1/44), as the firmware insists on the CHAP it was given.
// REQUIRES: plan.status == 0, result != nullptr.
std::unique_ptr<RealSession> LoginReal(const RealLoginPlan& plan, RealLoginResult* result);

// The negotiated login-options record of a real session: what the target
// answered, libiscsi's fixed choices (one connection and R2T, error recovery
// level 0, no data digest), the rest as offered; secrets are not echoed.
std::array<uint8_t, records::kLoginOptionsSize> NegotiatedRecord(
    const records::LoginOptions& offered, const RealLoginResult& result);

}  // namespace oxim::emulator

#endif  // OXIM_EMULATOR_REAL_PORTALS_H_
