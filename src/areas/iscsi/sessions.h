// Sessions and connections as the firmware keeps them, mirrored into
// Session(n) and Connection(n) groups under each Target(n); the session
// properties, the target's extended time-out (ETO) and the boot flag.
//
// Each Session group carries a private record of four u32 (function index,
// firmware session handle, 0, portal group tag); each Connection group one of
// four u32 (0, firmware connection handle, 0, 0). Both belong to their group.
#ifndef OXIM_AREAS_ISCSI_SESSIONS_H_
#define OXIM_AREAS_ISCSI_SESSIONS_H_

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "areas/iscsi/iscsi_tree.h"
#include "core/node.h"
#include "records/iscsi_sessions.h"

namespace oxim {
class HandlerRegistry;
}

namespace oxim::iscsi {

struct SessionRecord {
  uint32_t function_index = 0;
  uint32_t handle = 0;
  uint32_t reserved = 0;
  uint32_t portal_group_tag = 0;
};

// A group's private record of four u32 (replacing any it had); false when
// it cannot be allocated. The record of a group; nullopt without one.
bool attach_private_record(Node* group, const uint32_t (&words)[4]);
std::optional<std::array<uint32_t, 4>> private_record(Node* group);

// The private records; nullopt for a group without one.
std::optional<SessionRecord> session_record(Node* session);
std::optional<uint32_t> connection_handle(Node* connection);

// Reads one firmware session record (status 85 on failure).
[[nodiscard]] uint32_t OXIM_get_session_params(uint32_t handle, const FunctionAddress& address,
                                               records::FirmwareSession* session);

// The firmware's record of a session group (its private record names the
// handle). 1 for a group without one, the read's failure (85) otherwise.
[[nodiscard]] uint32_t read_session_record(Node* session, records::FirmwareSession* record);

// Rebuilds the Session and Connection groups of target (or of every target
// of logical_hba when target is null) from the firmware's active sessions.
// params is a scratch parameter block (may be null). 0 on success.
[[nodiscard]] uint32_t get_all_sessions(Node* logical_hba, Node* target, char* params);

// Refreshes a session's properties and connections from the firmware; 1
// when the firmware no longer knows the session.
[[nodiscard]] uint32_t get_session_attribs(Node* session);

// Creates a Session under target for a firmware session handle, and its
// Connection; the properties come from the firmware record. nullptr on
// failure (nothing left behind).
Node* setup_session(Node* target, uint32_t handle, uint32_t portal_group_tag, uint32_t connection);

// Writes negotiated values into a SessionNegotiatedLoginOptions /
// ConnectionNegotiatedLoginOptions group.
void set_session_login_options(Node* group, const records::LoginOptions& negotiated);
void set_connection_login_options(Node* group, const records::LoginOptions& negotiated);
// Writes digests, method and CHAP names and secrets of a negotiated record
// into a TargetLoginOptions or SessionLoginOptions group.
void setup_initiator_target_loginopts(Node* options_group, const records::LoginOptions& negotiated);

// Deletes a session's Connection groups and the session (with their private
// records), then rebuilds target's LUNs (when target is given); the result
// of that rebuild (luns.h: 0, 42, 90 or 1), with no last status left.
uint32_t OXIM_cleanup_sessions(Node* target, Node* session);

// The configuration of the session with handle (statuses 31 and 86).
[[nodiscard]] uint32_t read_session_config(const FunctionAddress& address, uint32_t handle,
                                           records::SessionConfig* config);

// The ETO of target through its first session's configuration.
[[nodiscard]] uint32_t get_eto_prop(Node* target, std::string* eto);
// Writes eto into the configuration of the session with handle (every
// session of target when handle is 0).
[[nodiscard]] uint32_t set_eto_prop(Node* target, const std::string& eto, uint32_t handle);

// Marks ("True") or unmarks ("False") a session as boot session in the
// firmware; nothing is sent when its iSCSIBoot shows the value already. 0,
// 258 when the firmware refuses, or the failure of the record's read.
[[nodiscard]] uint32_t OXIM_configure_boot_target(Node* session, const std::string& value);

// 1 with status 44 when a session below node is a boot session.
[[nodiscard]] int check_for_boot_session(Node* node);

void register_session_handlers(HandlerRegistry& registry);

}  // namespace oxim::iscsi

#endif  // OXIM_AREAS_ISCSI_SESSIONS_H_
