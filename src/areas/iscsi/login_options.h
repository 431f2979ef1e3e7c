// Login options at their three levels (the initiator's InitiatorLoginOptions
// under a LogicalHBA, a target's TargetLoginOptions, a SendTarget portal's
// SendTargetPortalLoginOptions), each with an Authentication child: the
// property handlers, which read and store the values in the saved files, the
// ConfigureCHAP and DeleteCHAP commands, and the routines that turn a group's
// options into the login-options record of a login request.
#ifndef OXIM_AREAS_ISCSI_LOGIN_OPTIONS_H_
#define OXIM_AREAS_ISCSI_LOGIN_OPTIONS_H_

#include <cstdint>
#include <functional>

#include "areas/iscsi/saved_lines.h"
#include "core/node.h"
#include "records/login_options_record.h"

namespace oxim {
class HandlerRegistry;
}

namespace oxim::iscsi {

// The default record (a fresh value each call).
records::LoginOptions get_default_login_options();

// Fills record from an options group (or its Authentication child): level 1
// does nothing; level 3 the authentication fields; level 2 those, the two
// digests and the InitialR2T and ImmediateData flags. 1 for a level above 3
// or a group without Authentication, else 0.
[[nodiscard]] int get_login_options(Node* options_group, records::LoginOptions* record, int level);

// One login attempt's settings (see the negotiation loop): with_chap fills
// the authentication fields, else offers no CHAP; InitialR2T and
// ImmediateData are set from the group either way.
void update_chap_details(Node* options_group, records::LoginOptions* record, bool with_chap);
// With the switch set the digest is 1 when the group's HeaderDigest
// (DataDigest) is "CRC32C"; with it clear the digest is 0.
void update_header_digest_details(Node* options_group, records::LoginOptions* record,
                                  bool with_digest);
void update_data_digest_details(Node* options_group, records::LoginOptions* record,
                                bool with_digest);

// The three above at once, from fields already read (a login attempt).
void apply_login_attempt(const LoginOptionFields& fields, records::LoginOptions* record,
                         bool with_chap, bool with_header_digest, bool with_data_digest);

// Copies AuthenticationMethod, the names and secrets, InitialR2T,
// ImmediateData and both digests from one options group to another (cached
// values). 0, or 1 when a group is missing.
[[nodiscard]] int copy_login_options(Node* from, Node* to);

// The option fields of an options group as its saved line holds them
// (cached values when the group has no line).
LoginOptionFields options_of_group(Node* options_group);
// fields with an empty CHAPParam, HeaderParam or DataParam read as
// "Prohibited" (lines written before the levels existed leave them empty).
LoginOptionFields with_levels(LoginOptionFields fields);
// Writes fields into an options group's cached values.
void set_group_options(Node* options_group, const LoginOptionFields& fields);

// Changes the saved line(s) of an options group: the initiator line
// (created from the defaults when missing), every line of the target, or
// the SendTarget portal's line. 0 on success.
[[nodiscard]] int store_group_options(Node* options_group,
                                      const std::function<void(LoginOptionFields*)>& change);

// Re-makes the firmware's persistent entries of a target's sessions that are
// not open, so that they carry the target's current authentication.
// Implemented with the sessions.
[[nodiscard]] uint32_t OXIM_update_session_authentication(Node* target);

void register_login_option_handlers(HandlerRegistry& registry);

}  // namespace oxim::iscsi

#endif  // OXIM_AREAS_ISCSI_LOGIN_OPTIONS_H_
