// The 4-byte flow control answer (opcode 37, subsystem 1;
// ioctl_common_get_flow_control): the pause frame states of a port. Shared
// by the library and the emulated adapter. Little-endian.
//
//   offset size field
//   0      2    transmit pause: 1 enabled, 0 disabled
//   2      2    receive pause: 1 enabled, 0 disabled
//
//   std::optional<FlowControl> flow = DecodeFlowControl(answer);
//   bool tx = flow && flow->tx == kPauseEnabled;
#ifndef OXIM_RECORDS_FLOW_CONTROL_H_
#define OXIM_RECORDS_FLOW_CONTROL_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "records/coding.h"

namespace oxim::records {

inline constexpr size_t kFlowControlSize = 4;
inline constexpr size_t kFlowControlTxOffset = 0;
inline constexpr size_t kFlowControlRxOffset = 2;
inline constexpr uint16_t kPauseEnabled = 1;
static_assert(FieldFits(kFlowControlRxOffset, 2, kFlowControlSize));

struct FlowControl {
  uint16_t tx = 0;
  uint16_t rx = 0;
};

// False when the answer is shorter than 4 bytes.
inline bool EncodeFlowControl(std::span<uint8_t> answer, const FlowControl& flow) {
  if (answer.size() < kFlowControlSize) return false;
  EncodeFixed16(answer.data() + kFlowControlTxOffset, flow.tx);
  EncodeFixed16(answer.data() + kFlowControlRxOffset, flow.rx);
  return true;
}

inline std::optional<FlowControl> DecodeFlowControl(std::span<const uint8_t> answer) {
  if (answer.size() < kFlowControlSize) return std::nullopt;
  return FlowControl{DecodeFixed16(answer.data() + kFlowControlTxOffset),
                     DecodeFixed16(answer.data() + kFlowControlRxOffset)};
}

}  // namespace oxim::records

#endif  // OXIM_RECORDS_FLOW_CONTROL_H_
