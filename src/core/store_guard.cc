// Store lock and deferred freeing of deleted nodes; see store_guard.h.
#include "core/store_guard.h"

#include <atomic>
#include <vector>

namespace oxim {
namespace {
std::atomic<int> g_scopes{0};
std::vector<Node*> g_retired;  // guarded by store_mutex()

void free_retired_locked() {
  std::vector<Node*> retired;
  retired.swap(g_retired);
  for (Node* node : retired) free_node_record(node);
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
    g_retired.push_back(node);
  }
}

void reclaim_retired_nodes() {
  StoreLock lock;
  free_retired_locked();
}

}  // namespace oxim
