// The SCSI pass-through record; see scsi_passthrough.h.
#include "records/scsi_passthrough.h"

#include <algorithm>

namespace oxim::records {

size_t ScsiPassthroughSize(const ScsiPassthrough& command) {
  return kPassthroughDataOffset + command.data.size();
}

bool EncodeScsiPassthrough(std::span<uint8_t> out, const ScsiPassthrough& command) {
  if (command.data.size() > kMaxPassthroughData || command.sense.size() > kMaxSenseLength ||
      out.size() < ScsiPassthroughSize(command)) {
    return false;
  }
  uint8_t* p = out.data();
  std::fill_n(p, kPassthroughDataOffset, uint8_t{0});
  EncodeFixed32(p + kPassthroughHandleOffset, command.session_handle);
  std::copy(command.lun.begin(), command.lun.end(), p + kPassthroughLunOffset);
  p[kPassthroughDirectionOffset] = command.direction;
  p[kPassthroughScsiStatusOffset] = command.scsi_status;
  std::copy(command.cdb.begin(), command.cdb.end(), p + kPassthroughCdbOffset);
  EncodeFixed16(p + kPassthroughLengthOffset, static_cast<uint16_t>(command.data.size()));
  p[kPassthroughSenseLengthOffset] = static_cast<uint8_t>(command.sense.size());
  std::copy(command.sense.begin(), command.sense.end(), p + kPassthroughSenseOffset);
  std::copy(command.data.begin(), command.data.end(), p + kPassthroughDataOffset);
  return true;
}

std::optional<ScsiPassthrough> DecodeScsiPassthrough(std::span<const uint8_t> in) {
  if (in.size() < kPassthroughDataOffset) return std::nullopt;
  const uint8_t* p = in.data();
  const size_t length = DecodeFixed16(p + kPassthroughLengthOffset);
  if (in.size() - kPassthroughDataOffset < length) return std::nullopt;
  ScsiPassthrough command;
  command.session_handle = DecodeFixed32(p + kPassthroughHandleOffset);
  std::copy_n(p + kPassthroughLunOffset, kPassthroughLunSize, command.lun.begin());
  command.direction = p[kPassthroughDirectionOffset];
  command.scsi_status = p[kPassthroughScsiStatusOffset];
  std::copy_n(p + kPassthroughCdbOffset, kCdbSize, command.cdb.begin());
  const size_t sense = p[kPassthroughSenseLengthOffset];
  command.sense.assign(p + kPassthroughSenseOffset, p + kPassthroughSenseOffset + sense);
  command.data.assign(p + kPassthroughDataOffset, p + kPassthroughDataOffset + length);
  return command;
}

}  // namespace oxim::records
