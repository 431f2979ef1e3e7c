// SCSI pass-through and QoS of the emulated firmware; see scsi_firmware.h.
#include "scsi_firmware.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "iscsi_firmware.h"
#include "real_iscsi.h"
#include "records/iscsi_qos.h"
#include "records/scsi_commands.h"

namespace oxim::emulator {
namespace {

using records::ScsiPassthrough;

constexpr uint8_t kFwFailed = 1;
constexpr uint8_t kFwNoSuchObject = 2;

// Sense keys and additional sense codes (ASC << 8 | ASCQ).
constexpr uint8_t kSenseMediumError = 0x03;
constexpr uint8_t kSenseIllegalRequest = 0x05;
constexpr uint16_t kInvalidOpcode = 0x2000;
constexpr uint16_t kLbaOutOfRange = 0x2100;
constexpr uint16_t kInvalidFieldInCdb = 0x2400;
constexpr uint16_t kLunNotSupported = 0x2500;
constexpr uint16_t kUnrecoveredReadError = 0x1100;
// What an INQUIRY of a LUN that is not there answers: qualifier 3, type
// 0x1F (no device).
constexpr uint8_t kNoLunPeripheral = 0x7F;
constexpr char kRevision[] = "0001";

void CheckCondition(ScsiPassthrough& command, uint8_t key, uint16_t code) {
  command.scsi_status = records::kScsiStatusCheckCondition;
  command.sense.assign(18, 0);
  command.sense[0] = 0x70;
  command.sense[2] = key;
  command.sense[7] = 10;
  command.sense[12] = static_cast<uint8_t>(code >> 8);
  command.sense[13] = static_cast<uint8_t>(code);
}

SimulatedLun* FindLun(SimulatedTarget& target, uint16_t number) {
  for (SimulatedLun& lun : target.luns) {
    if (lun.number == number) return &lun;
  }
  return nullptr;
}

// Whether the LUN fails this operation code now (counting the failure).
bool InjectedCheckCondition(SimulatedLun& lun, uint8_t opcode) {
  if (lun.check_condition_times == 0 ||
      std::find(lun.check_condition.begin(), lun.check_condition.end(), opcode) ==
          lun.check_condition.end()) {
    return false;
  }
  if (lun.check_condition_times > 0) --lun.check_condition_times;
  return true;
}

void ReportLuns(const SimulatedTarget& target, ScsiPassthrough& command) {
  std::vector<records::LunEntry> entries;
  for (const SimulatedLun& lun : target.luns) entries.push_back(records::LunEntryOf(lun.number));
  records::EncodeReportLuns(command.data, entries);
}

void Inquiry(const SimulatedLun* lun, const records::ScsiRequest& request,
             ScsiPassthrough& command) {
  const uint8_t peripheral = lun != nullptr ? lun->device_type : kNoLunPeripheral;
  if (!request.evpd) {
    records::StandardInquiry inquiry{peripheral, lun ? lun->vendor : "", lun ? lun->product : "",
                                     kRevision};
    records::EncodeStandardInquiry(command.data, inquiry);
    return;
  }
  if (lun == nullptr) return CheckCondition(command, kSenseIllegalRequest, kLunNotSupported);
  if (request.page != records::kUnitSerialNumberPage) {
    return CheckCondition(command, kSenseIllegalRequest, kInvalidFieldInCdb);
  }
  records::EncodeUnitSerialNumber(command.data, peripheral, lun->serial);
}

void ReadWrite(const SimulatedLun& lun, const records::ScsiRequest& request,
               ScsiPassthrough& command) {
  if (uint64_t{request.lba} + request.blocks > lun.blocks) {
    return CheckCondition(command, kSenseIllegalRequest, kLbaOutOfRange);
  }
  // A simulated disk holds no data: reads give zeros, writes are taken.
  if (request.opcode == records::kScsiRead10)
    std::fill(command.data.begin(), command.data.end(), 0);
}

}  // namespace

void RunSimulatedScsi(SimulatedTarget& target, ScsiPassthrough& command) {
  command.scsi_status = records::kScsiStatusGood;
  command.sense.clear();
  // What goes back is the target's data; a write's data stays as sent.
  if (command.direction != records::kScsiDataWrite) {
    std::fill(command.data.begin(), command.data.end(), 0);
  }
  const records::ScsiRequest request = records::DecodeCdb(command.cdb);
  if (request.opcode == records::kScsiReportLuns) return ReportLuns(target, command);
  SimulatedLun* lun = FindLun(target, records::LunNumberOf(records::LunEntryOf(command.lun)));
  if (request.opcode == records::kScsiInquiry) {
    if (lun != nullptr && InjectedCheckCondition(*lun, request.opcode)) {
      return CheckCondition(command, kSenseMediumError, kUnrecoveredReadError);
    }
    return Inquiry(lun, request, command);
  }
  if (lun == nullptr) return CheckCondition(command, kSenseIllegalRequest, kLunNotSupported);
  if (InjectedCheckCondition(*lun, request.opcode)) {
    return CheckCondition(command, kSenseMediumError, kUnrecoveredReadError);
  }
  const records::Capacity capacity{lun->blocks - 1, lun->block_size};
  switch (request.opcode) {
    case records::kScsiReadCapacity10: return records::EncodeReadCapacity10(command.data, capacity);
    case records::kScsiServiceActionIn16:
      if (request.service_action != records::kScsiReadCapacity16Action) break;
      return records::EncodeReadCapacity16(command.data, capacity);
    case records::kScsiRead10:
    case records::kScsiWrite10: return ReadWrite(*lun, request, command);
    default: break;
  }
  CheckCondition(command, kSenseIllegalRequest, kInvalidOpcode);
}

namespace {

FirmwareAnswer Refuse(uint8_t status, uint16_t additional) { return {status, additional, {}}; }

FirmwareAnswer Answer(const ScsiPassthrough& command) {
  FirmwareAnswer answer;
  answer.payload.assign(records::ScsiPassthroughSize(command), 0);
  records::EncodeScsiPassthrough(answer.payload, command);
  return answer;
}

// The command through a real session, without the adapter's lock while the
// target answers.
FirmwareAnswer RealScsi(CommandContext& context, std::shared_ptr<RealSession> real,
                        ScsiPassthrough command) {
  RealScsiCommand real_command;
  real_command.lun = records::LunNumberOf(records::LunEntryOf(command.lun));
  std::copy(command.cdb.begin(), command.cdb.end(), real_command.cdb.begin());
  real_command.cdb_size = records::CdbLength(command.cdb[0]);
  if (command.direction == records::kScsiDataRead) {
    real_command.direction = RealScsiCommand::Direction::kRead;
    real_command.data_in_length = static_cast<uint32_t>(command.data.size());
  } else if (command.direction == records::kScsiDataWrite) {
    real_command.direction = RealScsiCommand::Direction::kWrite;
    real_command.data_out = command.data;
  }
  RealScsiResult result;
  {
    UnlockedScope unlocked(context);
    result = real->Scsi(real_command);
    real.reset();
  }
  if (!result.completed) return Refuse(kFwFailed, kScsiSessionNotOpen);
  command.scsi_status = result.scsi_status;
  command.sense = result.sense;
  if (command.direction == records::kScsiDataRead) {
    std::fill(command.data.begin(), command.data.end(), 0);
    std::copy(result.data_in.begin(), result.data_in.end(), command.data.begin());
  }
  return Answer(command);
}

// Subsystem 6, opcode 59: one SCSI command through a session.
FirmwareAnswer ScsiPassthru(CommandContext& context, std::span<const uint8_t> request) {
  IscsiFunctionState* f = context.model.iscsi().Function(context.function);
  if (f == nullptr) return Refuse(kFwNotSupported, 0);
  std::optional<ScsiPassthrough> command = records::DecodeScsiPassthrough(request);
  if (!command) return Refuse(kFwBadRequestLength, 0);
  auto session =
      std::find_if(f->sessions.begin(), f->sessions.end(),
                   [&](const EmulatedSession& s) { return s.handle == command->session_handle; });
  if (session == f->sessions.end()) return Refuse(kFwNoSuchObject, 0);
  if (session->real != nullptr) {
    if (!session->real->connected()) return Refuse(kFwFailed, kScsiSessionNotOpen);
    return RealScsi(context, session->real, std::move(*command));
  }
  if (session->state != records::kSessionOpen) return Refuse(kFwFailed, kScsiSessionNotOpen);
  std::vector<SimulatedTarget>& network = context.model.iscsi().network();
  auto target = std::find_if(network.begin(), network.end(), [&](const SimulatedTarget& t) {
    return EqualsIgnoreCase(t.name, session->request.target_name);
  });
  if (target == network.end() || !target->online) return Refuse(kFwFailed, kScsiSessionNotOpen);
  RunSimulatedScsi(*target, *command);
  return Answer(*command);
}

std::string QosKey(const CommandContext& context) {
  return "qos-" + std::to_string(context.function.controller) + "-" +
         std::to_string(context.function.function);
}

records::QosLimits LoadQos(const CommandContext& context) {
  std::optional<std::vector<uint8_t>> saved = context.model.flash().Load(QosKey(context));
  if (!saved) return {};
  return records::DecodeQosRecord(*saved).value_or(records::QosLimits{});
}

// Subsystem 1, opcode 27: the function's limits, kept in flash.
FirmwareAnswer QosGet(CommandContext& context, std::span<const uint8_t>) {
  FirmwareAnswer answer;
  answer.payload.assign(records::kQosRecordSize, 0);
  records::EncodeQosRecord(answer.payload, LoadQos(context));
  return answer;
}

// Subsystem 1, opcode 28: sets the limits the mask names.
FirmwareAnswer QosSet(CommandContext& context, std::span<const uint8_t> request) {
  std::optional<records::QosSet> set = records::DecodeQosSet(request);
  if (!set || set->mask == 0) return Refuse(kFwNoSuchObject, 0);
  records::QosLimits limits = LoadQos(context);
  if (set->mask & records::kQosSetIoRate) limits.io_rate = set->limits.io_rate;
  if (set->mask & records::kQosSetByteRate) limits.byte_rate = set->limits.byte_rate;
  std::vector<uint8_t> record(records::kQosRecordSize, 0);
  records::EncodeQosRecord(record, limits);
  if (!context.model.flash().Save(QosKey(context), record)) return Refuse(kFwFailed, 0);
  return {};
}

constexpr HandlerEntry kScsiHandlers[] = {
    {1, 27, 0, records::kQosRecordSize, records::kQosRecordSize, QosGet},
    {1, 28, 0, records::kQosSetSize, records::kQosSetSize, QosSet},
    {6, 59, 0, records::kPassthroughDataOffset,
     records::kPassthroughDataOffset + records::kMaxPassthroughData, ScsiPassthru},
};

}  // namespace

std::span<const HandlerEntry> ScsiHandlers() { return kScsiHandlers; }

}  // namespace oxim::emulator
