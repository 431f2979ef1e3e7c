// Network parameters of a port; see nic_params.h.
#include "records/nic_params.h"

#include <algorithm>

namespace oxim::records {

bool EncodeNicParams(std::span<uint8_t> out, const NicParams& params) {
  if (out.size() < kNicParamsSize) return false;
  std::fill_n(out.begin(), kNicParamsSize, uint8_t{0});
  EncodeFixed32(out.data() + kNicParamsSpeedOffset, params.max_speed);
  EncodeFixed32(out.data() + kNicParamsMtuOffset, params.max_mtu);
  return true;
}

std::optional<NicParams> DecodeNicParams(std::span<const uint8_t> in) {
  if (in.size() < kNicParamsSize) return std::nullopt;
  return NicParams{DecodeFixed32(in.data() + kNicParamsSpeedOffset),
                   DecodeFixed32(in.data() + kNicParamsMtuOffset)};
}

}  // namespace oxim::records
