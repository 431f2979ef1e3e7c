// The per-process tables of the driver side that discovery fills and the
// transport reads: the iSCSI handle table, the NIC function table, the
// controllers' protocol flags, and the hook that refreshes the NIC side
// before every NIC request.
//
// All of it may be read by requests in flight on several threads (property
// handlers send outside the library lock), so every access goes through
// these functions, which guard the tables with a reader/writer lock.
#ifndef OXIM_TRANSPORT_DRIVER_TABLES_H_
#define OXIM_TRANSPORT_DRIVER_TABLES_H_

#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "records/request_header.h"

namespace oxim::transport {

// iSCSI handle table: `handles` go to slots 0.. in order, every other slot
// of the 128 holds -1 (more than 128 handles are cut).
void SetIscsiHandles(std::span<const int> handles);
// Handle of function index k (slot k-1), or -1 when k is out of range or the
// slot is empty.
int IscsiHandle(int function_index);
// The open handles, in slot order.
std::vector<int> OpenIscsiHandles();
// Number of open handles.
int IscsiFunctionCount();

// NIC function table: function k (from 1) is functions[k-1]; at most 128.
void SetNicFunctions(std::span<const records::PciAddress> functions);
int NicFunctionCount();
// Address of NIC function k; nullopt when k is not 1..count.
std::optional<records::PciAddress> NicFunction(int function_index);

// Empties both tables (every handle slot -1, no NIC function). Does not
// close handles.
void ClearDriverTables();

// Protocol flags of controllers 0 to 15: set_protocol ORs 1 for protocol 1
// (iSCSI), 2 for protocol 2 (NIC), 4 for protocol 3; other values or
// controllers change nothing. get_the_protocol answers 1, 2 or 3 by the
// first flag set in that order, else 4 (also for a controller out of range).
void set_protocol(int controller, int protocol);
int get_the_protocol(int controller);
void reset_protocol_flags();

// The NIC refresh that runs before every NIC request. Given the NIC device
// handle opened for the request, it enumerates the NIC functions again and
// returns true when their number changed (the tree has then been rebuilt and
// the request must not be sent). No hook registered: no refresh.
using NicRefreshHook = std::function<bool(int nic_handle)>;
void SetNicRefreshHook(NicRefreshHook hook);
// Runs the hook, one refresh at a time. Requests that the hook itself sends
// (the rebuild) are not refreshed again. Returns true on a change.
bool RunNicRefresh(int nic_handle);

}  // namespace oxim::transport

#endif  // OXIM_TRANSPORT_DRIVER_TABLES_H_
