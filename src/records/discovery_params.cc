// The discovery parameters record; see discovery_params.h.
#include "records/discovery_params.h"

#include <algorithm>

namespace oxim::records {

bool EncodeDiscoveryParams(std::span<uint8_t> record, const DiscoveryParams& params) {
  if (record.size() < kDiscoveryParamsSize) return false;
  uint8_t* p = record.data();
  EncodeFixed32(p + kDiscoveryFlagsOffset, params.flags);
  EncodeText(record.subspan(kDiscoveryInitiatorNameOffset, kIscsiNameSize), params.initiator_name,
             TextEnd::kNul);
  EncodeFixed32(p + kDiscoveryServerCountOffset, params.server_count);
  uint8_t* server = p + kDiscoveryServerOffset;
  std::fill_n(server, kIsnsServerSize, uint8_t{0});
  server[kIsnsServerTypeOffset] = params.server.address_type;
  std::copy(params.server.address.begin(), params.server.address.end(),
            server + kIsnsServerAddressOffset);
  EncodeFixed16(server + kIsnsServerPortOffset, params.server.port);
  return true;
}

std::optional<DiscoveryParams> DecodeDiscoveryParams(std::span<const uint8_t> record) {
  if (record.size() < kDiscoveryParamsSize) return std::nullopt;
  const uint8_t* p = record.data();
  DiscoveryParams params;
  params.server_count = DecodeFixed32(p + kDiscoveryServerCountOffset);
  params.flags = DecodeFixed32(p + kDiscoveryFlagsOffset);
  params.initiator_name = DecodeText(record.subspan(kDiscoveryInitiatorNameOffset, kIscsiNameSize));
  const uint8_t* server = p + kDiscoveryServerOffset;
  params.server.address_type = server[kIsnsServerTypeOffset];
  std::copy_n(server + kIsnsServerAddressOffset, kAddressSize, params.server.address.begin());
  params.server.port = DecodeFixed16(server + kIsnsServerPortOffset);
  return params;
}

}  // namespace oxim::records
