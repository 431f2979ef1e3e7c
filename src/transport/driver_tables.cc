// Driver-side tables; see driver_tables.h.
#include "transport/driver_tables.h"

#include <array>
#include <mutex>
#include <shared_mutex>

#include "records/driver_records.h"

namespace oxim::transport {
namespace {

constexpr int kMaxControllers = 16;

std::shared_mutex g_tables_mutex;
std::array<int, records::kMaxIscsiInstances> g_iscsi_handles = [] {
  std::array<int, records::kMaxIscsiInstances> slots;
  slots.fill(-1);
  return slots;
}();
std::vector<records::PciAddress> g_nic_functions;
std::array<uint8_t, kMaxControllers> g_protocol_flags{};

std::mutex g_hook_mutex;
NicRefreshHook g_hook;
// Serialises refreshes: a rebuild replaces the tables and the tree.
std::mutex g_refresh_mutex;
thread_local bool t_in_refresh = false;

}  // namespace

void SetIscsiHandles(std::span<const int> handles) {
  std::unique_lock<std::shared_mutex> guard(g_tables_mutex);
  g_iscsi_handles.fill(-1);
  size_t n = std::min(handles.size(), g_iscsi_handles.size());
  for (size_t i = 0; i < n; ++i) g_iscsi_handles[i] = handles[i];
}

int IscsiHandle(int function_index) {
  if (function_index < 1 || function_index > records::kMaxIscsiInstances) return -1;
  std::shared_lock<std::shared_mutex> guard(g_tables_mutex);
  return g_iscsi_handles[function_index - 1];
}

std::vector<int> OpenIscsiHandles() {
  std::shared_lock<std::shared_mutex> guard(g_tables_mutex);
  std::vector<int> open;
  for (int handle : g_iscsi_handles) {
    if (handle != -1) open.push_back(handle);
  }
  return open;
}

int IscsiFunctionCount() { return static_cast<int>(OpenIscsiHandles().size()); }

void SetNicFunctions(std::span<const records::PciAddress> functions) {
  std::unique_lock<std::shared_mutex> guard(g_tables_mutex);
  size_t n = std::min(functions.size(), static_cast<size_t>(records::kMaxNicFunctions));
  g_nic_functions.assign(functions.begin(), functions.begin() + n);
}

int NicFunctionCount() {
  std::shared_lock<std::shared_mutex> guard(g_tables_mutex);
  return static_cast<int>(g_nic_functions.size());
}

std::optional<records::PciAddress> NicFunction(int function_index) {
  std::shared_lock<std::shared_mutex> guard(g_tables_mutex);
  if (function_index < 1 || static_cast<size_t>(function_index) > g_nic_functions.size()) {
    return std::nullopt;
  }
  return g_nic_functions[function_index - 1];
}

void ClearDriverTables() {
  std::unique_lock<std::shared_mutex> guard(g_tables_mutex);
  g_iscsi_handles.fill(-1);
  g_nic_functions.clear();
}

void set_protocol(int controller, int protocol) {
  if (controller < 0 || controller >= kMaxControllers) return;
  uint8_t flag = protocol == 1 ? 1 : protocol == 2 ? 2 : protocol == 3 ? 4 : 0;
  std::unique_lock<std::shared_mutex> guard(g_tables_mutex);
  g_protocol_flags[controller] |= flag;
}

int get_the_protocol(int controller) {
  if (controller < 0 || controller >= kMaxControllers) return 4;
  std::shared_lock<std::shared_mutex> guard(g_tables_mutex);
  uint8_t flags = g_protocol_flags[controller];
  if (flags & 1) return 1;
  if (flags & 2) return 2;
  if (flags & 4) return 3;
  return 4;
}

void reset_protocol_flags() {
  std::unique_lock<std::shared_mutex> guard(g_tables_mutex);
  g_protocol_flags.fill(0);
}

void SetNicRefreshHook(NicRefreshHook hook) {
  std::lock_guard<std::mutex> guard(g_hook_mutex);
  g_hook = std::move(hook);
}

bool RunNicRefresh(int nic_handle) {
  if (t_in_refresh) return false;
  NicRefreshHook hook;
  {
    std::lock_guard<std::mutex> guard(g_hook_mutex);
    hook = g_hook;
  }
  if (!hook) return false;
  std::lock_guard<std::mutex> guard(g_refresh_mutex);
  t_in_refresh = true;
  bool changed = hook(nic_handle);
  t_in_refresh = false;
  return changed;
}

}  // namespace oxim::transport
