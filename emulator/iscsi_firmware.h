// The iSCSI initiator side of the emulated firmware: logins to the simulated
// storage network (storage_network.h), sessions and their connections,
// persistent targets, the target store, session configuration and
// attributes, discovery parameters, and erasing the iSCSI configuration.
//
// Per iSCSI function the adapter keeps in flash its persistent entries (the
// login requests as the library added them), its discovery parameters and
// its target store; sessions are volatile. When the model is built over a
// state directory (an adapter start), every persistent entry is logged in by
// the same rules as a login command; one that fails stays as a session in
// the login-failed state.
//
// The handlers are registered in the firmware's table (firmware.cc) from
// IscsiHandlers(). Not thread-safe: the adapter serialises access.
#ifndef OXIM_EMULATOR_ISCSI_FIRMWARE_H_
#define OXIM_EMULATOR_ISCSI_FIRMWARE_H_

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "adapter_model.h"
#include "firmware.h"
#include "iscsi/firmware_records.h"
#include "storage_network.h"

namespace oxim::emulator {

// Persistent entries one function holds; one more is refused (status 20).
inline constexpr size_t kMaxPersistentTargets = 512;

// One session of a function and its single connection.
struct EmulatedSession {
  uint32_t handle = 0;
  uint32_t state = 0;  // iscsi::kSessionOpen, kSessionClosed or kSessionLoginFailed
  uint16_t tsih = 0;
  iscsi::LoginRequest request;  // what logged in: target, portal, qualifier, initiator
  std::array<uint8_t, iscsi::kLoginOptionsSize> negotiated{};
  uint32_t connection_handle = 0;
  uint32_t connection_bits = 0;
  uint16_t source_port = 0;
  // The session configuration record (handle at 0, time-out at 4).
  std::array<uint8_t, iscsi::kSessionConfigSize> config{};
  uint32_t activity = 0;  // grows with every look at the session's counters
  bool boot = false;      // marked as boot session without a persistent entry
};

struct IscsiFunctionState {
  FunctionRef function;
  int instance = 0;                             // device instance among the iSCSI functions
  std::vector<iscsi::LoginRequest> persistent;  // flash
  std::vector<iscsi::FirmwareTarget> targets;   // flash: the target store
  std::vector<uint8_t> discovery;               // flash: kDiscoveryParamsSize bytes
  std::vector<EmulatedSession> sessions;
  uint32_t next_handle = 1;
  uint16_t next_tsih = 1;
  uint16_t next_source_port = 0;
};

// The iSCSI state of every iSCSI function of the adapter, and the simulated
// network with its targets' online flags.
class IscsiState {
 public:
  // Loads each iSCSI function's flash records and logs in its persistent
  // entries, as an adapter does when it starts.
  void Start(AdapterModel& model);

  // The state of an iSCSI function; null for any other function.
  IscsiFunctionState* Function(const FunctionRef& function);
  // By device instance (the order of AdapterModel::iscsi_functions()).
  IscsiFunctionState* Instance(int instance);
  std::vector<SimulatedTarget>& network() { return network_; }
  const std::vector<IscsiFunctionState>& functions() const { return functions_; }
  std::vector<IscsiFunctionState>& functions() { return functions_; }

  // Takes a target of the network on or off line (name compared ignoring
  // case). Going off line closes every open session to it on every function.
  // False when the network has no such target.
  bool SetTargetOnline(const std::string& name, bool online);

 private:
  std::vector<SimulatedTarget> network_;
  std::vector<IscsiFunctionState> functions_;
};

// The handlers of the iSCSI commands, for the firmware's table.
std::span<const HandlerEntry> IscsiHandlers();

}  // namespace oxim::emulator

#endif  // OXIM_EMULATOR_ISCSI_FIRMWARE_H_
