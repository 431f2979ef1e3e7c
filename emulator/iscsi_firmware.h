// The iSCSI initiator side of the emulated firmware: logins to the simulated
// storage network (storage_network.h) and to real targets behind mapped
// portals (real_portals.h), sessions and their connections, persistent
// targets, the target store, session configuration and attributes,
// discovery parameters, and erasing the iSCSI configuration.
//
// Per iSCSI function the adapter keeps in flash its persistent entries, its
// discovery parameters and its target store (iscsi_store.h); sessions are
// volatile. When the model is built over a state directory (an adapter
// start), every persistent entry is logged in by the same rules as a login
// command; one that fails stays as a session in the login-failed state.
// Entries to mapped portals log in on background threads once
// StartRealLogins() is called, and their sessions appear when they are done.
//
// A real login takes up to its time-outs: the login handler releases the
// adapter's lock meanwhile (CommandContext::lock) and the logout handler
// while it logs out. A real session whose target went away shows as closed
// from the next command of its function on.
//
// The handlers are registered in the firmware's table (firmware.cc) from
// IscsiHandlers(). Not thread-safe: the adapter serialises access.
#ifndef OXIM_EMULATOR_ISCSI_FIRMWARE_H_
#define OXIM_EMULATOR_ISCSI_FIRMWARE_H_

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "adapter_model.h"
#include "discovery_firmware.h"
#include "firmware.h"
#include "job_runner.h"
#include "real_iscsi.h"
#include "real_portals.h"
#include "records/discovery_params.h"
#include "records/iscsi_login.h"
#include "records/iscsi_sessions.h"
#include "records/iscsi_statistics.h"
#include "records/iscsi_targets.h"
#include "storage_network.h"

namespace oxim::emulator {

// Persistent entries one function holds; one more is refused (status 20).
inline constexpr size_t kMaxPersistentTargets = 512;

// One session of a function and its single connection.
struct EmulatedSession {
  uint32_t handle = 0;
  uint32_t state = 0;  // records::kSessionOpen, kSessionClosed or kSessionLoginFailed
  uint16_t tsih = 0;
  records::LoginRequest request;  // what logged in: target, portal, qualifier, initiator
  std::array<uint8_t, records::kLoginOptionsSize> negotiated{};
  uint32_t connection_handle = 0;
  uint32_t connection_bits = 0;
  uint16_t source_port = 0;
  // The session's configuration (its handle and time-out, and what set
  // requests carried in).
  records::SessionConfig config;
  uint32_t activity = 0;  // grows with every look at the session's counters
  bool boot = false;      // marked as boot session without a persistent entry
  // The connection to a real target (a mapped portal); null for a simulated
  // one. Shared so that a logout can run after the session left the list.
  std::shared_ptr<RealSession> real;
};

struct IscsiFunctionState {
  FunctionRef function;
  int instance = 0;                               // device instance among the iSCSI functions
  std::vector<records::LoginRequest> persistent;  // flash
  std::vector<records::FirmwareTarget> targets;   // flash: the target store
  std::vector<uint8_t> discovery;                 // flash: kDiscoveryParamsSize bytes
  std::vector<EmulatedSession> sessions;
  // Keys of the real logins under way (not sessions yet).
  std::vector<records::LoginRequest> logging_in;
  uint32_t next_handle = 1;
  uint16_t next_tsih = 1;
  uint16_t next_source_port = 0;
  // What the initiator counts of its sessions and logins since the start.
  records::InstanceStatistics instance_statistics;
  records::LoginStatistics login_statistics;
  // Discovery sessions and the last SendTargets answer (discovery_firmware.h).
  DiscoveryState discovery_state;
  // The targets of the iSNS server's last answer (volatile).
  std::vector<records::FirmwareTarget> isns_targets;
};

// The iSCSI state of every iSCSI function of the adapter, and the simulated
// network with its targets' online flags.
class IscsiState {
 public:
  IscsiState() = default;
  // StopRealLogins().
  ~IscsiState();
  IscsiState(const IscsiState&) = delete;
  IscsiState& operator=(const IscsiState&) = delete;

  // Loads each iSCSI function's flash records and logs in its persistent
  // entries to simulated targets, as an adapter does when it starts; those
  // to mapped portals wait for StartRealLogins().
  void Start(AdapterModel& model);
  // Logs in the waiting entries on a few threads of their own; each takes
  // `guard` to enter its session, so from now on every use of this state
  // must hold it. REQUIRES: Start() done, `guard` outlives this state.
  void StartRealLogins(std::mutex& guard);
  // Drops the waiting logins and waits for those under way (each bounded by
  // its time-outs). REQUIRES: `guard` not held by the caller.
  void StopRealLogins();

  // The state of an iSCSI function; null for any other function.
  IscsiFunctionState* Function(const FunctionRef& function);
  // By device instance (the order of AdapterModel::iscsi_functions()).
  IscsiFunctionState* Instance(int instance);
  std::vector<SimulatedTarget>& network() { return network_; }
  const std::vector<RealPortal>& real_portals() const { return real_portals_; }
  const std::vector<SimulatedIsnsServer>& isns_servers() const { return isns_servers_; }
  const std::vector<IscsiFunctionState>& functions() const { return functions_; }
  std::vector<IscsiFunctionState>& functions() { return functions_; }

  // Takes a target of the network on or off line (name compared ignoring
  // case). Going off line closes every open session to it on every function
  // (not those to real targets, which go when their target does).
  // False when the network has no such target.
  bool SetTargetOnline(const std::string& name, bool online);

 private:
  // A persistent entry to a mapped portal, waiting for its login.
  struct WaitingLogin {
    int instance = 0;
    records::LoginRequest entry;
    RealLoginPlan plan;
  };
  // One background login: runs it without `guard`, then enters its outcome.
  void RestoreRealLogin(std::mutex& guard, const WaitingLogin& waiting);

  AdapterModel* model_ = nullptr;
  std::vector<SimulatedTarget> network_;
  std::vector<RealPortal> real_portals_;
  std::vector<SimulatedIsnsServer> isns_servers_;
  std::vector<IscsiFunctionState> functions_;
  std::vector<WaitingLogin> waiting_;
  JobRunner restorer_;  // last: stopped before the rest goes
};

// Whether the function reaches a portal's address by its network's rules:
// an empty answer when it does, else the refusal of a login to it.
FirmwareAnswer ReachPortalAnswer(AdapterModel& model, const IscsiFunctionState& f,
                                 const records::PortalEntry& portal);
// The six ISID bytes of the function's sessions with this qualifier.
std::array<uint8_t, 6> IsidOf(const IscsiFunctionState& f, uint16_t qualifier);

// The handlers of the iSCSI commands, for the firmware's table.
std::span<const HandlerEntry> IscsiHandlers();

// The erase of the iSCSI configuration (subsystem 1, opcode 7, selector
// records::kEraseIscsiConfiguration): forgets the function's persistent
// entries, discovery parameters and target store, in flash too; refused
// while a session is open or a real login is under way. 66 for a function
// that is not an iSCSI function.
FirmwareAnswer EraseIscsiConfiguration(CommandContext& context);

}  // namespace oxim::emulator

#endif  // OXIM_EMULATOR_ISCSI_FIRMWARE_H_
