// LUN groups and the SCSI commands behind them; see luns.h.
#include "areas/iscsi/luns.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

#include "areas/iscsi/catalogue.h"
#include "areas/iscsi/iscsi_tree.h"
#include "areas/iscsi/sessions.h"
#include "core/last_status.h"
#include "core/log.h"
#include "core/node_store.h"
#include "core/tree_services.h"
#include "records/scsi_commands.h"
#include "records/scsi_passthrough.h"
#include "schema/handler_registry.h"
#include "transport/commands.h"

namespace oxim::iscsi {
namespace {

using records::Cdb;
using records::LunEntry;

// Results of one SCSI command.
constexpr uint32_t kScsiFirmwareFailed = 90;  // the firmware request failed
constexpr uint32_t kScsiCheckCondition = 1;   // the target answered a check condition
constexpr size_t kMaxLunsPerSession = 255;
// One WRITE (10) of 512-byte blocks within the 16-bit data length.
constexpr uint32_t kMaxWriteBlocks = records::kMaxPassthroughData / records::kScsiBlockSize;

// Whether a session may carry commands: its status as the firmware has it
// now is neither closed nor failed.
bool session_usable(Node* session, SessionStatuses statuses) {
  std::string status;
  if (statuses == SessionStatuses::kCurrent) {
    status = cached_prop(session, "SessionStatus");
  } else if (!read_prop(session, "SessionStatus", &status)) {
    return false;
  }
  return !equal_ignoring_case(status, "Closed") && !equal_ignoring_case(status, "Login Failed");
}

// The session a LUN's commands go through: the target's first session the
// firmware has a handle for.
std::optional<SessionRecord> first_session(Node* target) {
  for (Node* session : instances_of(target, "Session")) {
    if (std::optional<SessionRecord> record = session_record(session)) return record;
  }
  return std::nullopt;
}

struct LunRecord {
  LunEntry entry{};
  uint32_t session_handle = 0;
};

bool attach_lun_record(Node* lun, const LunEntry& entry, uint32_t session_handle) {
  const uint32_t words[4] = {0, records::DecodeBig32(entry.data()),
                             records::DecodeBig32(entry.data() + 4), session_handle};
  return attach_private_record(lun, words);
}

std::optional<LunRecord> lun_record(Node* lun) {
  std::optional<std::array<uint32_t, 4>> words = private_record(lun);
  if (!words) return std::nullopt;
  LunRecord record;
  records::EncodeBig32(record.entry.data(), (*words)[1]);
  records::EncodeBig32(record.entry.data() + 4, (*words)[2]);
  record.session_handle = (*words)[3];
  return record;
}

// Builds the pass-through request, sends it and, for a read, hands back the
// data. 0; 90 when the firmware request fails; 1 on a check condition.
uint32_t ConstructSCSIParams(const FunctionAddress& function, uint32_t session_handle,
                             const LunEntry* lun, uint8_t direction, const Cdb& cdb,
                             uint32_t length, std::vector<uint8_t>* data) {
  records::ScsiPassthrough command;
  command.session_handle = session_handle;
  if (lun != nullptr) command.lun = records::PassthroughLunOf(*lun);
  command.direction = direction;
  command.cdb = cdb;
  command.data.assign(length, 0);
  if (direction == records::kScsiDataWrite && data != nullptr) {
    std::copy_n(data->begin(), std::min<size_t>(data->size(), length), command.data.begin());
  }
  std::vector<uint8_t> buffer(records::ScsiPassthroughSize(command), 0);
  if (!records::EncodeScsiPassthrough(buffer, command)) return kScsiFirmwareFailed;
  std::optional<records::ScsiPassthrough> answer;
  if (ioctl_scsi_passthru(function, buffer, static_cast<uint32_t>(buffer.size())) != 0 ||
      !(answer = records::DecodeScsiPassthrough(buffer))) {
    pdebug(kModuleAdapter, kLogError, "%s: SCSI command 0x%x failed in the firmware\n", __func__,
           cdb[0]);
    return kScsiFirmwareFailed;
  }
  if (answer->scsi_status != records::kScsiStatusGood) {
    pdebug(kModuleAdapter, kLogError, "Check condition recieved from tgt\n");
    return kScsiCheckCondition;
  }
  if (direction == records::kScsiDataRead && data != nullptr) *data = std::move(answer->data);
  return 0;
}

// One command of the Fetch family: a firmware failure sets status 90.
uint32_t fetch(const FunctionAddress& function, uint32_t session_handle, const LunEntry* lun,
               uint8_t direction, const Cdb& cdb, uint32_t length, std::vector<uint8_t>* data) {
  const uint32_t result =
      ConstructSCSIParams(function, session_handle, lun, direction, cdb, length, data);
  if (result == kScsiFirmwareFailed) report(kLunInfoNotRead);
  return result;
}

// REPORT LUNS through a session: first with 16 bytes, then as long as the
// list the target announced (within ReportLunsAllocation's bound).
uint32_t FetchReportLUNData(const FunctionAddress& function, uint32_t session_handle,
                            std::vector<LunEntry>* entries) {
  std::vector<uint8_t> data;
  const uint32_t first = records::kReportLunsFirstLength;
  if (uint32_t status = fetch(function, session_handle, nullptr, records::kScsiDataRead,
                              records::ReportLunsCdb(first), first, &data);
      status != 0) {
    return status;
  }
  std::optional<records::ReportLuns> list = records::DecodeReportLuns(data, kMaxLunsPerSession);
  entries->clear();
  if (!list || list->list_length < records::kLunEntrySize) return 0;
  const uint32_t allocation = records::ReportLunsAllocation(list->list_length);
  if (uint32_t status = fetch(function, session_handle, nullptr, records::kScsiDataRead,
                              records::ReportLunsCdb(allocation), allocation, &data);
      status != 0) {
    return status;
  }
  list = records::DecodeReportLuns(data, kMaxLunsPerSession);
  if (list) *entries = std::move(list->entries);
  return 0;
}

// Runs a command, and once more when it fails.
template <class Command>
uint32_t retried_once(Command command) {
  const uint32_t status = command();
  return status == 0 ? 0 : command();
}

// What a LUN's commands need: its function, the target's first session and
// the LUN's entry. Status 42 without a session.
struct LunAddress {
  FunctionAddress function;
  uint32_t session_handle = 0;
  LunEntry entry{};
};

uint32_t address_of(Node* lun, LunAddress* address) {
  std::optional<LunRecord> record = lun_record(lun);
  std::optional<SessionRecord> session = first_session(parent_of(lun));
  if (!session) return report(kNoSessionToTarget);
  if (!record) return report(kInternalError);
  *address = {function_address(lun), session->handle, record->entry};
  return 0;
}

// "%d Bytes", or two decimals in the largest unit of 1024 the size reaches.
std::string size_text(unsigned __int128 bytes) {
  static constexpr struct {
    int shift;
    const char* format;
  } kUnits[] = {{40, "%0.2f TB"}, {30, "%0.2f GB"}, {20, "%0.2f MB"}, {10, "%0.2f KB"}};
  char text[64];
  for (const auto& unit : kUnits) {
    if (bytes >= (static_cast<unsigned __int128>(1) << unit.shift)) {
      std::snprintf(text, sizeof text, unit.format,
                    static_cast<double>(bytes) / static_cast<double>(uint64_t{1} << unit.shift));
      return text;
    }
  }
  std::snprintf(text, sizeof text, "%d Bytes", static_cast<int>(bytes));
  return text;
}

// BlockSize and LUNSize from READ CAPACITY (10), or (16) when (10) cannot
// say the last block's address.
uint32_t get_read_capacity(Node* lun) {
  LunAddress at;
  if (uint32_t status = address_of(lun, &at); status != 0) return status;
  std::vector<uint8_t> data;
  if (uint32_t status = fetch(at.function, at.session_handle, &at.entry, records::kScsiDataRead,
                              records::ReadCapacity10Cdb(), records::kReadCapacity10Length, &data);
      status != 0) {
    return status;
  }
  std::optional<records::Capacity> capacity = records::DecodeReadCapacity10(data);
  if (capacity && capacity->last_lba == records::kReadCapacity10Overflow) {
    if (uint32_t status =
            fetch(at.function, at.session_handle, &at.entry, records::kScsiDataRead,
                  records::ReadCapacity16Cdb(), records::kReadCapacity16Length, &data);
        status != 0) {
      return status;
    }
    capacity = records::DecodeReadCapacity16(data);
  }
  if (!capacity) return report(kLunInfoNotRead);
  const unsigned __int128 bytes =
      (static_cast<unsigned __int128>(capacity->last_lba) + 1) * capacity->block_length;
  cache_prop(lun, "BlockSize", std::to_string(capacity->block_length));
  cache_prop(lun, "LUNSize", size_text(bytes));
  return 0;
}

// Vendor, model and type from the standard INQUIRY, the serial number from
// the unit serial number page. The texts go into the values as the target
// sent them.
uint32_t get_std_inquiry_props(Node* lun) {
  LunAddress at;
  if (uint32_t status = address_of(lun, &at); status != 0) return status;
  std::vector<uint8_t> data;
  if (uint32_t status =
          fetch(at.function, at.session_handle, &at.entry, records::kScsiDataRead,
                records::StandardInquiryCdb(), records::kStandardInquiryLength, &data);
      status != 0) {
    return status;
  }
  std::optional<records::StandardInquiry> inquiry = records::DecodeStandardInquiry(data);
  if (!inquiry) return report(kLunInfoNotRead);
  if (uint32_t status =
          fetch(at.function, at.session_handle, &at.entry, records::kScsiDataRead,
                records::UnitSerialNumberCdb(), records::kUnitSerialPageLength, &data);
      status != 0) {
    return status;
  }
  std::optional<std::string> serial = records::DecodeUnitSerialNumber(data);
  if (!serial) return report(kLunInfoNotRead);
  char type[8];
  std::snprintf(type, sizeof type, "0x%x", inquiry->peripheral & records::kPeripheralTypeMask);
  cache_prop(lun, "DeviceVendorName", inquiry->vendor);
  cache_prop(lun, "DeviceModelNumber", inquiry->product);
  cache_prop(lun, "LUNType", type);
  cache_prop(lun, "LUNSerialNumber", *serial);
  return 0;
}

// LUNName: the host adapter's name and the two values the first session's
// configuration holds at 256 and 268.
uint32_t get_lunname_prop(Node* lun) {
  Node* target = parent_of(lun);
  std::optional<SessionRecord> session = first_session(target);
  if (!session) return report(kNoSessionToTarget);
  records::SessionConfig config;
  if (uint32_t status = read_session_config(function_address(lun), session->handle, &config);
      status != 0) {
    return status;
  }
  char name[kValueSize];
  std::snprintf(name, sizeof name, "%s:%d:%d",
                cached_prop(enclosing_group(target, "LogicalHBA"), "IfName").c_str(),
                records::ConfigNameFirst(config), records::ConfigNameSecond(config));
  cache_prop(lun, "LUNName", name);
  return 0;
}

// A read that fills the LUN's cached values first (once retried); other ops
// keep the cached value.
uint32_t read_filled(Node* property, char* buffer, uint32_t op, uint32_t (*fill)(Node*)) {
  if (op == kOpWrite) {
    write_cached_value(property, buffer);
    return 0;
  }
  if (op != kOpRead) return 0;
  Node* lun = parent_of(property);
  if (uint32_t status = retried_once([&] { return fill(lun); }); status != 0) return status;
  read_cached_value(property, buffer);
  return 0;
}

uint32_t handle_lun_block_size(Node* property, char* buffer, uint32_t op) {
  return read_filled(property, buffer, op, get_read_capacity);
}

uint32_t handle_StdInquiry_properties(Node* property, char* buffer, uint32_t op) {
  return read_filled(property, buffer, op, get_std_inquiry_props);
}

uint32_t handle_LUNName(Node* property, char* buffer, uint32_t op) {
  return read_filled(property, buffer, op, get_lunname_prop);
}

// The eight bytes of the LUN record, "%02x" each: four zero bytes, then
// the entry's bytes 3, 2, 1 and 0.
uint32_t handle_LUNNumber(Node* property, char* buffer, uint32_t op) {
  if (op == kOpRead) {
    if (std::optional<LunRecord> record = lun_record(parent_of(property))) {
      const LunEntry& e = record->entry;
      char text[17];
      std::snprintf(text, sizeof text, "00000000%02x%02x%02x%02x", e[3], e[2], e[1], e[0]);
      write_cached_value(property, text);
    }
    read_cached_value(property, buffer);
  } else if (op == kOpWrite) {
    write_cached_value(property, buffer);
  }
  return 0;
}

uint32_t do_StdInquiry(Node* lun, Node*, char*) {
  return retried_once([&] { return get_std_inquiry_props(lun); });
}

// WRITE (10) of Count zero-filled blocks from StartBlockAddress. A count
// beyond what one data length carries is refused: its length would wrap,
// and the block would announce data that is not sent.
uint32_t do_SCSIWrite(Node* lun, Node*, char* params) {
  const unsigned long start = std::strtoul(param_text(params, 0).c_str(), nullptr, 10);
  const unsigned long count = std::strtoul(param_text(params, 1).c_str(), nullptr, 10);
  if (count < 1 || count > kMaxWriteBlocks) return report(kWriteCountOutOfRange);
  LunAddress at;
  if (uint32_t status = address_of(lun, &at); status != 0) return status;
  const uint32_t length = static_cast<uint32_t>(count) * records::kScsiBlockSize;
  std::vector<uint8_t> zeros(length, 0);
  const Cdb cdb = records::ReadWrite10Cdb(records::kScsiWrite10, static_cast<uint32_t>(start),
                                          static_cast<uint16_t>(count));
  return retried_once([&] {
    return fetch(at.function, at.session_handle, &at.entry, records::kScsiDataWrite, cdb, length,
                 &zeros);
  });
}

uint32_t do_ReScanLUNS(Node* target, Node*, char*) {
  (void)scan_from_os();
  bool changed = false;
  switch (const uint32_t status = get_all_luns(target, &changed)) {
    case 0: return 0;
    case 42: return report(kNoSessionToTarget);
    case 90: return report(kLunRescanFailed);
    default: return status;
  }
}

// Refresh of a LUN: the target's sessions, in order, until one is read.
uint32_t group_LUN(Node* lun) {
  KeepLastStatus keep;
  for (Node* session : instances_of(parent_of(lun), "Session")) {
    if (get_session_attribs(session) == 0) return 0;
  }
  return 1;
}

}  // namespace

uint32_t get_all_luns(Node* target, bool* changed, SessionStatuses statuses) {
  *changed = false;
  std::vector<LunEntry> before;
  for (Node* lun : instances_of(target, "LUN")) {
    if (std::optional<LunRecord> record = lun_record(lun)) before.push_back(record->entry);
    (void)delete_node(lun);
  }
  std::vector<Node*> sessions = instances_of(target, "Session");
  if (sessions.empty()) return 42;
  bool failed = false;
  bool appeared = false;
  size_t total = 0;
  for (Node* session : sessions) {
    std::optional<SessionRecord> record = session_record(session);
    if (!record || !session_usable(session, statuses)) continue;
    std::vector<LunEntry> entries;
    const uint32_t status = FetchReportLUNData(function_address(session), record->handle, &entries);
    if (status == kScsiFirmwareFailed) {
      pdebug(kModuleAdapter, kLogError, "Failed to scan LUNs for Session%d.\n",
             instance_number(session));
      failed = true;
      continue;
    }
    if (status != 0) continue;
    for (const LunEntry& entry : entries) {
      Node* lun = instantiate(templates::kLUN, target, nullptr, nullptr, nullptr);
      if (lun == nullptr) break;  // the target's LUN table is full
      if (!attach_lun_record(lun, entry, record->handle)) {
        (void)delete_node(lun);
        return 1;
      }
      ++total;
      appeared = appeared || std::find(before.begin(), before.end(), entry) == before.end();
    }
  }
  *changed = total != before.size() || appeared;
  return failed ? 90 : 0;
}

void rescan_all_luns(Node* logical_hba) {
  KeepLastStatus keep;
  for (Node* target : instances_of(logical_hba, "Target")) {
    bool changed = false;
    (void)get_all_luns(target, &changed);
  }
}

uint32_t scan_from_os() { return 0; }

uint32_t os_prepare_device_for_removal(const std::string&, const std::string&) { return 0; }

void register_lun_handlers(HandlerRegistry& registry) {
  registry.add_property("handle_LUNNumber", handle_LUNNumber);
  registry.add_property("handle_lun_block_size", handle_lun_block_size);
  registry.add_property("handle_StdInquiry_properties", handle_StdInquiry_properties);
  registry.add_property("handle_LUNName", handle_LUNName);
  registry.add_command("do_ReScanLUNS", do_ReScanLUNS);
  registry.add_command("do_StdInquiry", do_StdInquiry);
  registry.add_command("do_SCSIWrite", do_SCSIWrite);
  registry.add_refresh("group_LUN", group_LUN);
}

}  // namespace oxim::iscsi
