// The node store: the hierarchy that turns tags into nodes, insertion of
// nodes into their parent's child list and instance chain, lookup of a child
// by display name, links, paths, and deletion of whole subtrees.
//
// Every function here takes the StoreLock itself (store_guard.h) and may be
// called with or without the library lock. Children are listed in creation
// order, except that the instances of one instanced group stay together in
// ascending instance number.
#ifndef OXIM_CORE_NODE_STORE_H_
#define OXIM_CORE_NODE_STORE_H_

#include <cstdint>
#include <string>
#include <vector>

#include "core/node.h"
#include "core/store_guard.h"

namespace oxim {

// The name of the hierarchy every tag lookup uses ("" after OXIM_init).
extern const char* oxim_current_hierarchy;

// Hierarchies (the library fills one, named "").
inline constexpr int kMaxHierarchies = 5;
// Sets up h: 1024 empty slots, the priority counter at 1, and enters h into
// the hierarchy table. Returns 0, or 1 when memory runs out.
int hm_setup_hierarchy(Hierarchy* h);
Hierarchy* hm_find_hierarchy(const char* name);
Node* hm_get_root(const char* name);
Hierarchy* hm_find_hierarchy_by_node(const Node* node);
// Grows h by 1024 slots keeping every tag; 1 (and h unchanged) when memory
// runs out.
int reinit_hm(Hierarchy* h);
// Deletes every hierarchy's tree and frees its tables.
void hm_teardown_hierarchies();

// The node at slot tag of the current hierarchy; nullptr if none.
Node* get_node(uint32_t tag);

// A new node record of `kind` with copies of name and description (null
// description: empty) and its parent set; nullptr when memory runs out. The
// caller attaches the kind's data block and enters it with add_node (or frees
// it with free_node_record).
Node* allocate_node(uint32_t kind, const char* name, const char* description, Node* parent);
// As allocate_node for a node made from a group template: name and
// description are the template's texts, used as they are (not copied), so
// they must live as long as the library (the catalogue's static tables).
// Templates make hundreds of nodes at a time: a session, every login.
Node* allocate_template_node(uint32_t kind, const char* name, const char* description,
                             Node* parent);

// Enters a filled node (kind, name, parent, data) into h and its parent's
// child list; returns its tag, or -1 (null node, duplicate, full hierarchy).
int64_t add_node(Node* node, Hierarchy* h);
// Whether node's parent already holds an equal node: an instanced group with
// the same name (case ignored) and number, or a link with the same name and
// target.
bool node_exists(const Node* node);

// The child of parent whose display name equals name ignoring case and whose
// kind passes the filter (0 any; 1 to 3 that kind; 5 to 7 properties by
// flags). Links on parent are followed; a link child counts with its final
// target's kind. Filter 3 also finds ROOT's global commands.
Node* internal_get_node(Node* parent, const char* name, uint32_t kind_filter);
// The node a link finally points at; other nodes are returned as they are.
Node* final_target(Node* node);
// Whether node (a final target) passes a kind filter of a child listing:
// 1 to 3 that kind, 5 read-only, 6 writable, 7 neither flag 1 nor 8.
bool passes_listing_filter(const Node* node, uint32_t kind_filter);

// The lowest-numbered instance of base_name (case-sensitive) under parent.
Node* get_first_instance(Node* parent, const char* base_name);
// The nearest instanced group at or above node, below ROOT.
Node* get_dynamic_ancester(Node* node);

// Deletes node and its subtree; 4 (nothing deleted) if links point at it.
uint32_t delete_node(Node* node);
// Deletes node and its subtree regardless of links at node itself.
void _delete_node(Node* node);
// Deletes every instance of base_name under parent, lowest number first
// (a Session's Connection first); stops at the first failure.
uint32_t purge_nodes_within(Node* parent, const char* base_name);

// Makes a link named name under parent to target; records the origin when
// creator_command is given (persistent) and copies the 1536 bytes of params
// when given. nullptr on failure.
Node* create_link(Node* parent, const char* name, Node* target, Node* target_group,
                  Node* creator_command, const char* params);

// Path texts: "ROOT" or "ROOT/Quellfire0/iSCSIPhysicalHBA0/...".
Node* internal_get_node_path(const char* path, uint32_t kind_filter);
// REQUIRES: buffer holds 256 bytes; a longer path is cut.
void get_full_path(const Node* node, char* buffer);
// The whole path text, never cut.
std::string full_path(const Node* node);

// Persistence priorities: the next one to give (starts at 1 per tree).
uint32_t next_persistence_priority();
uint32_t persistence_priority_counter();
// Persistent groups and links (priority > 0) in priority order.
std::vector<Node*> persistent_nodes();

// The instance numbers of the chain of base_name under parent, ascending.
std::vector<int32_t> instance_numbers(Node* parent, const char* base_name);

// Whether node is a node of a hierarchy now, decided without reading it: a
// recorded target group or creator command may have been deleted since.
bool node_is_live(const Node* node);

// Snapshot helpers for callers that walk the tree.
Node* parent_of(const Node* node);
std::vector<Node*> children_of(Node* group);

// The cached value of a property: read (copies 256 bytes) and write (cut to
// 255 characters).
void read_cached_value(const Node* property, char* buffer);
void write_cached_value(Node* property, const char* value);

}  // namespace oxim

#endif  // OXIM_CORE_NODE_STORE_H_
