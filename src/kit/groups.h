// Groups of the tree as handlers look for them: a child group by display
// name, the instances of a group kind under a parent, the instance number of
// a group, the enclosing group of a kind, and the controllers and physical
// HBAs of the adapter part of the tree.
//
// Each takes the store's lock for its tree access; the lists are snapshots.
#ifndef OXIM_KIT_GROUPS_H_
#define OXIM_KIT_GROUPS_H_

#include <string>
#include <vector>

#include "core/node.h"

namespace oxim {

// The child group of parent whose display name is name (case ignored), or
// nullptr.
Node* child_group(Node* parent, const char* name);
// The instances of the group kind name (case-sensitive) under parent, in
// instance order.
std::vector<Node*> instances_of(Node* parent, const char* name);
// The groups called name (case-sensitive) under parent, in child order.
std::vector<Node*> groups_named(Node* parent, const char* name);
// The instance of the group kind base that number names (base "Target"
// and "3": the instanced child Target3), or nullptr.
Node* instance_named(Node* parent, const char* base, const std::string& number);
// Instance number of an instanced group, else -1.
int instance_number(const Node* group);
// The nearest group named name (case-sensitive) at or above node, below
// ROOT; nullptr when there is none.
Node* enclosing_group(Node* node, const char* name);

// The Quellfire groups under ROOT, in child order.
std::vector<Node*> controllers();
// The physical HBAs of a controller (iSCSI and NIC), in child order.
std::vector<Node*> physical_hbas(Node* controller);
// Whether a group is an iSCSIPhysicalHBA or a NICPhysicalHBA.
bool is_physical_hba(const Node* node);

}  // namespace oxim

#endif  // OXIM_KIT_GROUPS_H_
