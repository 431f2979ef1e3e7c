// Port records; see port_records.h.
#include "records/port_records.h"

#include <algorithm>

namespace oxim::records {

bool EncodeMacQueryRequest(std::span<uint8_t> out, bool nic_driver) {
  if (out.size() < kMacQuerySize) return false;
  std::fill_n(out.begin(), kMacQuerySize, uint8_t{0});
  out[kMacQueryDriverOffset] = nic_driver ? 1 : 0;
  out[kMacQueryFlagOffset] = 1;
  return true;
}

bool EncodeMacQueryAnswer(std::span<uint8_t> out, const MacAddresses& macs) {
  if (out.size() < kMacQuerySize) return false;
  std::copy(macs.current.begin(), macs.current.end(), out.begin() + kMacQueryCurrentOffset);
  std::copy(macs.permanent.begin(), macs.permanent.end(), out.begin() + kMacQueryPermanentOffset);
  return true;
}

std::optional<MacAddresses> DecodeMacQueryAnswer(std::span<const uint8_t> in) {
  if (in.size() < kMacQuerySize) return std::nullopt;
  MacAddresses macs;
  std::copy_n(in.begin() + kMacQueryCurrentOffset, 6, macs.current.begin());
  std::copy_n(in.begin() + kMacQueryPermanentOffset, 6, macs.permanent.begin());
  return macs;
}

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

bool EncodeLinkStatus(std::span<uint8_t> out, const LinkStatus& status) {
  if (out.size() < kLinkStatusSize) return false;
  std::fill_n(out.begin(), kLinkStatusSize, uint8_t{0});
  out[kLinkUpOffset] = status.link;
  out[kLinkSpeedCodeOffset] = status.speed_code;
  EncodeFixed16(out.data() + kLinkQosSpeedOffset, status.qos_speed);
  EncodeFixed32(out.data() + kLinkLogicalStateOffset, status.logical_state);
  return true;
}

std::optional<LinkStatus> DecodeLinkStatus(std::span<const uint8_t> in) {
  if (in.size() < kLinkStatusSize) return std::nullopt;
  LinkStatus status;
  status.link = in[kLinkUpOffset];
  status.speed_code = in[kLinkSpeedCodeOffset];
  status.qos_speed = DecodeFixed16(in.data() + kLinkQosSpeedOffset);
  status.logical_state = DecodeFixed32(in.data() + kLinkLogicalStateOffset);
  return status;
}

}  // namespace oxim::records
