// Tree services shared by the iSCSI handlers: property reads and writes as
// std::string, instances of a group kind under a parent, the groups above a
// node (controller, physical HBA, logical HBA, target), the saved-file path
// of a logical HBA, the firmware address of the function a node belongs to,
// and the lookups of targets, portals and sessions.
//
// All of them take the store's lock for each tree access and may be called
// from handlers under the library lock.
#ifndef OXIM_AREAS_ISCSI_ISCSI_TREE_H_
#define OXIM_AREAS_ISCSI_ISCSI_TREE_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "areas/iscsi/saved_lines.h"
#include "core/node.h"
#include "core/strings.h"

namespace oxim::iscsi {

// Reads group's property name through its handler into *value. false when
// the property is missing or its handler fails.
bool read_prop(Node* group, const char* name, std::string* value);
// The value, or empty text when it cannot be read.
std::string prop_or_empty(Node* group, const char* name);
// Sets group's property name through its handler. false on failure.
bool write_prop(Node* group, const char* name, std::string_view value);
// Writes the cached value of group's property name without its handler.
bool cache_prop(Node* group, const char* name, std::string_view value);
// Reads the cached value of group's property name without its handler.
std::string cached_prop(Node* group, const char* name);

// The child group of parent whose display name is name (case ignored).
Node* child_group(Node* parent, const char* name);
// The instances of the group kind name under parent, in instance order.
std::vector<Node*> instances_of(Node* parent, const char* name);
// Instance number of an instanced group, else -1.
int instance_number(const Node* group);

// The nearest group named name (case-sensitive) at or above node, or null.
Node* group_above(Node* node, const char* name);

// "Quellfire<c>", "iSCSIPhysicalHBA<p>", "LogicalHBA<l>" of the logical HBA
// that node belongs to.
HbaPath hba_path(Node* logical_hba);

// The InitiatoriSCSIName / InitiatorAlias of a logical HBA (in its
// InitiatoriSCSIName group). false when it cannot be read.
bool read_initiator_name(Node* logical_hba, std::string* name);
std::string initiator_alias(Node* logical_hba);

// The firmware address of the function node belongs to: the arguments every
// firmware request for it takes.
struct FunctionAddress {
  int index = -1;      // function index (1..), -1 when unknown
  uint8_t domain = 0;  // logical HBA instance
  uint8_t port = 0;    // the physical HBA's PortNumber
};
FunctionAddress function_address(Node* node);

// Lookups (instances in instance order; the first match wins).
// The Target whose TargetISCSIName equals name ignoring case.
Node* find_target(Node* logical_hba, std::string_view name);
// The first TargetPortal whose TargetIPAddress equals ip exactly and whose
// TargetPortNumber equals port; an empty ip or port matches any.
Node* find_target_portal(Node* target, std::string_view ip, std::string_view port);
// 0 and *instance of the first portal with address ip and port (empty port:
// any); 1 when none matches.
int validate_target_portal(Node* target, int* instance, std::string_view ip, std::string_view port);
// The first instance of group_name under parent whose property equals value
// ignoring case; a failed property read ends the search with nothing.
Node* get_matchnode_by_propvalue(Node* parent, const char* group_name, const char* property,
                                 std::string_view value);
// The first Session of target with a Connection whose destination address
// and port equal ip and port ignoring case.
Node* find_session(Node* target, std::string_view ip, std::string_view port);

// Records status with its message as the last status and returns status.
uint32_t report(uint32_t status, const char* message);
// The message of status 31 (a size query answered nothing usable).
inline constexpr char kInsufficientBufferMessage[] =
    "Insufficient buffer space obtained for the operation. Application internal error occurred. "
    "Please check oxim2d.log file for more information.";

// Parameter slot i of a command's parameter block (text up to its NUL or
// the slot's end); empty for a null block.
std::string param_text(const char* params, int i);
// Clears a command's parameter block.
void clear_params(char* params);

}  // namespace oxim::iscsi

#endif  // OXIM_AREAS_ISCSI_ISCSI_TREE_H_
