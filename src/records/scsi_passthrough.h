// The SCSI pass-through record (ioctl_scsi_passthru, subsystem 6, opcode
// 59): one SCSI command sent through a session of the firmware to a LUN of
// its target, with the data that goes out or comes back. Shared by the
// library and the emulated adapter. Little-endian; the command descriptor
// block and the data are the SCSI bytes as they travel (scsi_commands.h).
//
// Request and answer (292 + L bytes; the firmware answers over the request):
//   offset size field
//   0      4    session handle
//   4      8    LUN as the target addresses it: the REPORT LUNS entry's
//               bytes 0 to 3, then four zero bytes; zero for REPORT LUNS
//   12     1    data direction: 0 none, 1 read, 2 write
//   15     1    SCSI status the target answered (0 good, 2 check condition)
//   16     16   command descriptor block
//   34     2    data length L
//   36     1    sense length the target answered (at most 255)
//   37     255  sense data
//   292    L    data: what is written, or what the target read (zero-filled
//               past what it sent)
//
//   ScsiPassthrough command;
//   command.session_handle = handle;
//   command.direction = kScsiDataRead;
//   command.cdb = InquiryCdb();
//   command.data.assign(kStandardInquiryLength, 0);
//   std::vector<uint8_t> buffer(ScsiPassthroughSize(command), 0);
//   EncodeScsiPassthrough(buffer, command);
//   ... send; then DecodeScsiPassthrough(buffer)->data is the answer.
#ifndef OXIM_RECORDS_SCSI_PASSTHROUGH_H_
#define OXIM_RECORDS_SCSI_PASSTHROUGH_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "records/coding.h"

namespace oxim::records {

inline constexpr size_t kPassthroughHandleOffset = 0;
inline constexpr size_t kPassthroughLunOffset = 4;
inline constexpr size_t kPassthroughLunSize = 8;
inline constexpr size_t kPassthroughDirectionOffset = 12;
inline constexpr size_t kPassthroughScsiStatusOffset = 15;
inline constexpr size_t kPassthroughCdbOffset = 16;
inline constexpr size_t kCdbSize = 16;
inline constexpr size_t kPassthroughLengthOffset = 34;
inline constexpr size_t kPassthroughSenseLengthOffset = 36;
inline constexpr size_t kPassthroughSenseOffset = 37;
inline constexpr size_t kMaxSenseLength = 255;
inline constexpr size_t kPassthroughDataOffset = 292;
inline constexpr size_t kMaxPassthroughData = 65535;
static_assert(FieldFits(kPassthroughLunOffset, kPassthroughLunSize, kPassthroughDirectionOffset));
static_assert(FieldFits(kPassthroughCdbOffset, kCdbSize, kPassthroughLengthOffset));
static_assert(FieldFits(kPassthroughLengthOffset, 2, kPassthroughSenseLengthOffset));
static_assert(kPassthroughSenseOffset + kMaxSenseLength == kPassthroughDataOffset);

// Data directions.
inline constexpr uint8_t kScsiDataNone = 0;
inline constexpr uint8_t kScsiDataRead = 1;
inline constexpr uint8_t kScsiDataWrite = 2;
// SCSI statuses.
inline constexpr uint8_t kScsiStatusGood = 0;
inline constexpr uint8_t kScsiStatusCheckCondition = 2;

using Cdb = std::array<uint8_t, kCdbSize>;
using PassthroughLun = std::array<uint8_t, kPassthroughLunSize>;

struct ScsiPassthrough {
  uint32_t session_handle = 0;
  PassthroughLun lun{};
  uint8_t direction = kScsiDataNone;
  uint8_t scsi_status = kScsiStatusGood;
  Cdb cdb{};
  std::vector<uint8_t> sense;  // at most kMaxSenseLength bytes
  std::vector<uint8_t> data;   // L bytes, at most kMaxPassthroughData
};

// Bytes the record needs: 292 plus the data.
size_t ScsiPassthroughSize(const ScsiPassthrough& command);
// false when out is shorter than the record, or data or sense are longer
// than their fields.
bool EncodeScsiPassthrough(std::span<uint8_t> out, const ScsiPassthrough& command);
// nullopt when in is shorter than 292 bytes plus the data length it names.
// A sense length beyond 255 cannot be written; the byte is read as given.
std::optional<ScsiPassthrough> DecodeScsiPassthrough(std::span<const uint8_t> in);

}  // namespace oxim::records

#endif  // OXIM_RECORDS_SCSI_PASSTHROUGH_H_
