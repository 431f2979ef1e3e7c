// Logging in and out: ISID qualifiers, the firmware's persistent entries,
// the negotiation loop over CHAP and digests, the Login and Logout commands,
// and the session checks that deleting targets and changing authentication
// rely on.
#ifndef OXIM_AREAS_ISCSI_LOGIN_H_
#define OXIM_AREAS_ISCSI_LOGIN_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "areas/iscsi/iscsi_tree.h"
#include "core/node.h"
#include "records/iscsi_login.h"
#include "records/login_options_record.h"

namespace oxim {
class HandlerRegistry;
}

namespace oxim::iscsi {

// 1 when a session of a target named target_name (any logical HBA) with
// initiator initiator_name uses the qualifier (low 16 bits of qualifier).
int check_for_isid_existence(uint32_t qualifier, const std::string& target_name,
                             const std::string& initiator_name);
// The lowest free qualifier, 65535 when 0 to 65534 are taken.
[[nodiscard]] uint32_t generate_isid_qualifier(const std::string& target_name,
                                               const std::string& initiator_name);

// Adds a persistent entry for target at ip:port with the qualifier, naming
// the initiator; options null means the defaults merged with the target's
// options. On success the saved-target line with the qualifier is recorded.
// 0 on success.
[[nodiscard]] uint32_t make_session_persistent(Node* target, const std::string& ip,
                                               const std::string& port, uint32_t isid_qualifier,
                                               const records::LoginOptions* options,
                                               const std::string& persistence,
                                               const LoginInitiator& initiator, uint32_t eto);

// Sends the deletion of a persistent entry; the firmware's status (0 when it
// removed the entry). Sets no last status: for clean-ups that delete what
// may be gone already.
[[nodiscard]] uint32_t remove_persistent_entry(Node* target, const std::string& name,
                                               const std::string& ip, const std::string& port,
                                               uint32_t isid_qualifier,
                                               const std::string& initiator_name);

// Deletes a persistent entry (unless skip) and, unless keep_file, its saved
// line. 0 on success, 127 when the firmware refuses.
[[nodiscard]] uint32_t delete_persistent(Node* target, bool skip, const std::string& name,
                                         const std::string& ip, const std::string& port,
                                         uint32_t isid_qualifier, const std::string& initiator_name,
                                         bool keep_file);

// Whether a session of target (only those to portal's address and port when
// portal is given) is logged in. Closed or failed sessions are cleaned up on
// the way, in the firmware too: unmarked as boot session, their persistent
// entry deleted, logged out (the firmware keeps a closed session, and with
// it its target, until then) and their groups deleted. 0, or a failure
// status.
[[nodiscard]] uint32_t OXIM_check_session_status(Node* target, bool* logged_in, Node* portal);

// The negotiation loop of a discovery login (mode 0): request (a discovery
// login request, its flags and qualifier set here) is sent with each
// combination of CHAP and digests that options_group allows, each with the
// next qualifier of a library-wide counter and no persistent entry, until the
// firmware opens the session; answer then holds its response. An
// authentication failure or a digest mismatch tries the next combination;
// after the last one its status is reported. Any other failure ends the loop
// with the firmware's result. 0 on success.
[[nodiscard]] uint32_t OXIM_esx_discovery_login(Node* command_node, Node* options_group,
                                                records::LoginRequest* request,
                                                std::vector<uint8_t>* answer);

void register_login_handlers(HandlerRegistry& registry);

}  // namespace oxim::iscsi

#endif  // OXIM_AREAS_ISCSI_LOGIN_H_
