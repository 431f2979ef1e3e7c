// Store lock and deferred freeing of deleted nodes; see store_guard.h.
#include "core/store_guard.h"

#include <atomic>

#include "core/node.h"

namespace oxim {
namespace {
std::atomic<int> g_scopes{0};
Node* g_retired = nullptr;  // chained through next_retired; guarded by store_mutex()

void free_retired_locked() {
  Node* node = g_retired;
  g_retired = nullptr;
  while (node != nullptr) {
    Node* next = node->next_retired;
    free_node_record(node);
    node = next;
  }
}
}  // namespace

std::recursive_mutex& store_mutex() {
  static std::recursive_mutex mutex;
  return mutex;
}

NodeUseScope::NodeUseScope() { g_scopes.fetch_add(1, std::memory_order_acq_rel); }

NodeUseScope::~NodeUseScope() {
  if (g_scopes.fetch_sub(1, std::memory_order_acq_rel) != 1) return;
  // The last scope ended; a new one may have begun since, and scopes begin
  // before they look anything up under the lock, so check again under it.
  StoreLock lock;
  if (g_scopes.load(std::memory_order_acquire) == 0) free_retired_locked();
}

void retire_node(Node* node) {
  if (g_scopes.load(std::memory_order_acquire) == 0) {
    free_node_record(node);
  } else {
    node->next_retired = g_retired;  // no allocation: deleting cannot fail
    g_retired = node;
  }
}

void reclaim_retired_nodes() {
  StoreLock lock;
  free_retired_locked();
}

}  // namespace oxim
