// Lookups the iSCSI handlers share: the saved-file path and the initiator
// names of a logical HBA, and the targets, portals and sessions below it.
// The services every area uses (properties, groups, parameters, the
// function address) come from kit/, included here for the area's files.
//
// All of them take the store's lock for each tree access and may be called
// from handlers under the library lock.
#ifndef OXIM_AREAS_ISCSI_ISCSI_TREE_H_
#define OXIM_AREAS_ISCSI_ISCSI_TREE_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "areas/iscsi/iscsi_status.h"
#include "areas/iscsi/saved_lines.h"
#include "core/node.h"
#include "core/strings.h"
#include "kit/function_tree.h"
#include "kit/groups.h"
#include "kit/params.h"
#include "kit/properties.h"

namespace oxim::iscsi {

// "Quellfire<c>", "iSCSIPhysicalHBA<p>", "LogicalHBA<l>" of the logical HBA
// that node belongs to.
HbaPath hba_path(Node* logical_hba);

// The InitiatoriSCSIName of a logical HBA (in its InitiatoriSCSIName
// group), as the firmware's initiator name record holds it. false when it
// cannot be read or is empty.
bool read_initiator_name(Node* logical_hba, std::string* name);

// The initiator a login or a persistent entry names: its iSCSI name and the
// alias that goes with it.
struct LoginInitiator {
  std::string name;
  std::string alias;
};
// Both from the firmware's initiator name record of the logical HBA, read
// once. false when it cannot be read or holds no name.
bool read_login_initiator(Node* logical_hba, LoginInitiator* initiator);

// 0 when text can be kept in the saved files (check_saved_text); else 6,
// with the last status naming the parameter.
[[nodiscard]] uint32_t refuse_unsavable(const char* parameter, std::string_view text);

// Lookups (instances in instance order; the first match wins). Addresses
// are compared by value (SameIpAddress): the tree keeps them in one form,
// the firmware's records print IPv6 in another.
// The Target whose TargetISCSIName equals name ignoring case.
Node* find_target(Node* logical_hba, std::string_view name);
// The first TargetPortal whose TargetIPAddress is the address ip and whose
// TargetPortNumber equals port; an empty ip or port matches any.
Node* find_target_portal(Node* target, std::string_view ip, std::string_view port);
// 0 and *instance of the first portal with address ip and port (empty port:
// any); 1 when none matches.
int validate_target_portal(Node* target, int* instance, std::string_view ip, std::string_view port);
// The first instance of group_name under parent whose property equals value
// ignoring case; a failed property read ends the search with nothing.
Node* get_matchnode_by_propvalue(Node* parent, const char* group_name, const char* property,
                                 std::string_view value);
// The first Session of target with a Connection whose destination is the
// address ip and whose port equals port.
Node* find_session(Node* target, std::string_view ip, std::string_view port);

}  // namespace oxim::iscsi

#endif  // OXIM_AREAS_ISCSI_ISCSI_TREE_H_
