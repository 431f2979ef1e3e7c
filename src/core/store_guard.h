// How the node store stays safe while property handlers run outside the
// library lock.
//
//  - StoreLock: one recursive mutex over the whole store. Every function of
//    node_store.h takes it, so a handler on one thread and a command on
//    another never see a half-changed child list, instance chain or value.
//    It is the innermost lock: nothing waits for the library lock or runs a
//    handler while holding it.
//  - NodeUseScope: every exported call (and so every handler it runs) is
//    inside one. A node deleted while any scope is alive is unlinked from
//    the tree at once (its tag is free, lookups no longer find it) but its
//    memory is kept on a retire list and freed when the last scope ends.
//    So a node pointer that a thread obtained under the StoreLock never
//    dangles during that thread's call, whatever other threads delete.
#ifndef OXIM_CORE_STORE_GUARD_H_
#define OXIM_CORE_STORE_GUARD_H_

#include <mutex>

namespace oxim {

struct Node;

std::recursive_mutex& store_mutex();

class StoreLock {
 public:
  StoreLock() : guard_(store_mutex()) {}
  StoreLock(const StoreLock&) = delete;
  StoreLock& operator=(const StoreLock&) = delete;

 private:
  std::lock_guard<std::recursive_mutex> guard_;
};

class NodeUseScope {
 public:
  NodeUseScope();
  ~NodeUseScope();
  NodeUseScope(const NodeUseScope&) = delete;
  NodeUseScope& operator=(const NodeUseScope&) = delete;
};

// Frees a deleted node's record now, or keeps it until the last scope ends.
// REQUIRES: StoreLock held; node is no longer reachable from the tree.
void retire_node(Node* node);

// Frees every retired node. REQUIRES: no NodeUseScope is alive.
void reclaim_retired_nodes();

// Implemented by the store: frees a node's record, name, description, data
// block and instance record.
void free_node_record(Node* node);

}  // namespace oxim

#endif  // OXIM_CORE_STORE_GUARD_H_
