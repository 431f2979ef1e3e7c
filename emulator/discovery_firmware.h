// The emulated firmware's SendTargets discovery: discovery sessions opened
// by a login request that carries the discovery flags, the SendTargets
// request and its follow-up, and the logout of a discovery session.
//
// A discovery session goes to a SendTarget portal. A simulated one is any
// address and port where an online simulated target listens; it answers
// with every online simulated target that has a portal at that address,
// each with all its portals and their group tags. A portal mapped to a real
// endpoint (real_portals.h) opens a libiscsi discovery session there; its
// answer's TargetAddress values are mapped back to the portals the adapter
// shows, and those that map to no portal are dropped (a target left without
// any portal with them). libiscsi asks only "SendTargets=All"; a named
// request is filtered here.
//
// An answer larger than the caller's buffer is cut after the last record
// that fits and answered with status 4; the firmware keeps the whole answer
// for the follow-up request, which names how many were received and how many
// more are wanted.
#ifndef OXIM_EMULATOR_DISCOVERY_FIRMWARE_H_
#define OXIM_EMULATOR_DISCOVERY_FIRMWARE_H_

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "firmware.h"
#include "real_iscsi.h"
#include "records/iscsi_login.h"
#include "records/sendtargets.h"

namespace oxim::emulator {

struct IscsiFunctionState;

// An open discovery session of a function.
struct DiscoverySession {
  uint32_t handle = 0;
  records::LoginRequest request;
  std::shared_ptr<RealSession> real;  // null for a simulated portal
};

// What a function's firmware keeps of its discovery.
struct DiscoveryState {
  std::vector<DiscoverySession> sessions;
  // The last SendTargets answer whole, for the follow-up request.
  std::vector<records::DiscoveredTarget> last_answer;
  bool answered = false;
};

// Whether a login request opens a discovery session.
bool IsDiscoveryLogin(const records::LoginRequest& request);

// Opcode 23 with the discovery flags: opens a discovery session and answers
// its handle over the request.
FirmwareAnswer DiscoveryLogin(CommandContext& context, IscsiFunctionState& f,
                              const records::LoginRequest& login, std::span<const uint8_t> request);

// Opcode 24 for a discovery session's handle: closes it (a real one logs out
// without the adapter's lock). False when the handle is not a discovery
// session's.
bool DiscoveryLogout(CommandContext& context, IscsiFunctionState& f, uint32_t handle);

// The SendTargets handlers, for the firmware's table.
std::span<const HandlerEntry> DiscoveryHandlers();

}  // namespace oxim::emulator

#endif  // OXIM_EMULATOR_DISCOVERY_FIRMWARE_H_
