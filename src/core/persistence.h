// Tree persistence: writes the tree to a text stream as the steps that
// rebuild it, and replays such a stream.
//
// What is saved is not the tree but the way to recreate it: every group a
// command created is recorded as that command with its parameters, every
// property selected by a flag mask with its value, every persistent link as
// a link. One record per line, fields separated by '|', the line ended by a
// line feed:
//
//   GROUP|<group path>|<target group path>|<creator command path>[|<param>]...
//   PROPERTY|<property path>|<value>
//   SYMLINK|<link name>|<parent group path>|<target path>
//
// Paths are path texts from ROOT ("ROOT/Adapter0/Port1"). A GROUP record
// carries the parameter texts from the first up to the last non-empty one
// (at most six). A field can hold neither '|' nor a line end: a record that
// would need one is not written (it is logged, and save_node reports the
// failure) rather than written so that it reads back as something else.
//
// Records are written oldest first (by persistence priority), so a replayed
// group is recreated after the groups it was created under, and its
// properties after it.
//
// Usage:
//   FILE* file = std::fopen(path, "w");
//   uint32_t status = oxim::save_node(root, file, OXIM_FLAG_READ_WRITE);
//   ...
//   oxim::restore_hm(file);  // on a fresh tree with its static part built
#ifndef OXIM_CORE_PERSISTENCE_H_
#define OXIM_CORE_PERSISTENCE_H_

#include <cstdint>
#include <cstdio>
#include <vector>

#include "core/node.h"
#include "oxim/oxim.h"

namespace oxim {

// Record keywords and the field separator.
inline constexpr char kGroupRecord[] = "GROUP";
inline constexpr char kPropertyRecord[] = "PROPERTY";
inline constexpr char kLinkRecord[] = "SYMLINK";
inline constexpr char kFieldSeparator = '|';
// Size of the line buffer restore_hm starts with; it doubles for longer lines.
inline constexpr size_t kRestoreLineSize = 250;

// Writes the tree below root to stream: first the persistent groups and links
// of the whole tree, oldest first (dump_node), then the static part below
// root (dump_static_groups). mask selects the properties written: those whose
// flags share a bit with it (1 read-only, 2 read-write). Property handlers run
// (op 0); no StoreLock is held while they do, and the library lock is not
// taken, so the caller may hold it. Returns 0, or 1 if root or stream is
// missing, a record could not be written faithfully, or writing failed (every
// other record is still written).
uint32_t save_node(Node* root, FILE* stream, uint32_t mask);

// Writes one persistent node: a link as a SYMLINK record; a group without
// creator command as its properties; a group with creator command as its
// GROUP record and properties, the GROUP record first for an instanced group
// and last for a single one. Returns 0, or 1 as for save_node.
uint32_t dump_node(Node* node, FILE* stream, uint32_t mask);

// Writes group's GROUP record; nothing for a group without creator command.
// Returns 0, or 1 if the record cannot be written (its target group or
// creator command was deleted, a field holds '|' or a line end, the write
// failed).
uint32_t dump_group(Node* group, FILE* stream);

// Writes a PROPERTY record for each property child of group whose flags share
// a bit with mask and whose value reads successfully. Returns 0, or 1 as for
// save_node.
uint32_t dump_properties(Node* group, FILE* stream, uint32_t mask);

// Writes the static part below group: its properties unless it is
// persistent (dump_node wrote them), then, recursively, every child group
// that no command created. Returns 0, or 1 as for save_node.
uint32_t dump_static_groups(Node* group, FILE* stream, uint32_t mask);

// Places every group and link at or below node whose persistence priority p
// is above 0 at array[p - 1]. Priorities beyond the array are left out.
void enumerate_nodes(std::vector<Node*>& array, Node* node);

// Reads stream to its end and replays each record (see the top of this
// file): GROUP runs the creator command's handler on the target group with
// the parameters, PROPERTY runs the property's handler with the value (op 1),
// SYMLINK creates the link (made persistent, so that a later save writes it
// again). Handlers run without value checks. Lines with an unknown keyword,
// missing fields, paths that do not resolve, a command that does not belong
// to the target group, or a field longer than a 256-byte slot holds are
// skipped; handler failures are ignored. Lines of any length are read (the
// buffer starts at 250 bytes and doubles); on a stream that cannot be put
// back (a pipe), a line longer than the buffer is skipped whole.
// REQUIRES: the caller holds the library lock, or no other client runs (the
// command handlers expect it, as under OXIM_do_action).
// Returns 0; 1 if stream is missing or the line buffer cannot be allocated.
uint32_t restore_hm(FILE* stream);

// Makes group persistent after it was made: gives it the next persistence
// priority if it has none, records target_group and creator_command, and
// copies the 1536 bytes of params when given. 1 if group is not a group,
// else 0.
uint32_t backend_make_persistent(Node* group, Node* target_group, Node* creator_command,
                                 const char* params);

}  // namespace oxim

#endif  // OXIM_CORE_PERSISTENCE_H_
