// Arbitrary bytes as the firmware's answers about an iSCSI function's IP
// stack: interface list and information, address records, gateways, route
// and ARP tables, ping, the port's MAC, parameters and link status, and the
// initiator statistics. Each decoder stays inside the bytes and trusts no
// count past its record; what decodes is encoded again, and that encoding
// decodes and encodes to the same bytes once more.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "fuzz_support.h"
#include "records/ip_interface.h"
#include "records/ip_tables.h"
#include "records/iscsi_statistics.h"
#include "records/port_records.h"

namespace {

using oxim::fuzz::Check;

using namespace oxim::records;
using Bytes = std::vector<uint8_t>;

template <class Decode, class Encode, class Size>
void RoundTrip(std::span<const uint8_t> in, Decode decode, Encode encode, Size size) {
  auto first = decode(in);
  if (!first) return;
  Bytes once(size(*first), 0);
  Check(encode(std::span<uint8_t>(once), *first));
  auto second = decode(std::span<const uint8_t>(once));
  Check(second.has_value());
  Bytes twice(size(*second), 0);
  Check(encode(std::span<uint8_t>(twice), *second));
  Check(once == twice);
}

template <size_t N>
auto Fixed() {
  return [](const auto&) { return N; };
}

void InterfaceRecords(std::span<const uint8_t> in) {
  if (std::optional<std::vector<uint32_t>> ids = DecodeInterfaceList(in)) {
    Check(ids->size() <= kMaxInterfaces);
  }
  RoundTrip(in, DecodeInterfaceList, EncodeInterfaceList, Fixed<kInterfaceListSize>());
  if (std::optional<InterfaceInfo> info = DecodeInterfaceInfo(in)) {
    Check(info->entries.size() <= kMaxAddressEntries);
  }
  RoundTrip(in, DecodeInterfaceInfo, EncodeInterfaceInfo, Fixed<kInterfaceInfoSize>());
  RoundTrip(in, DecodeInterfaceInfoRequest, EncodeInterfaceInfoRequest,
            Fixed<kInterfaceInfoSize>());
  RoundTrip(in, DecodeIpRecordChange, EncodeIpRecordChange, Fixed<kIpRecordChangeSize>());
  RoundTrip(in, DecodeInterfaceSetting, EncodeInterfaceSetting, Fixed<kDhcpReleaseSize>());
  RoundTrip(in, DecodeGatewayQueryType, EncodeGatewayQuery, Fixed<kGatewayQuerySize>());
  RoundTrip(in, DecodeGatewayAnswer, EncodeGatewayAnswer, Fixed<kGatewayQuerySize>());
  RoundTrip(in, DecodeGatewayChange, EncodeGatewayChange, Fixed<kGatewayChangeSize>());
}

void TableRecords(std::span<const uint8_t> in) {
  if (std::optional<std::vector<Route>> routes = DecodeRouteTable(in)) {
    Check(routes->size() <= kMaxRoutes && routes->size() * kRouteRecordSize <= in.size());
  }
  RoundTrip(in, DecodeRouteTable, EncodeRouteTable, [](const std::vector<Route>& routes) {
    return std::max<size_t>(4, routes.size() * kRouteRecordSize);
  });
  RoundTrip(in, DecodeRouteChange, EncodeRouteChange, Fixed<kRouteChangeSize>());
  if (std::optional<std::vector<ArpEntry>> entries = DecodeArpTable(in)) {
    Check(entries->size() <= kMaxArpEntries);
  }
  RoundTrip(in, DecodeArpTable, EncodeArpTable, Fixed<kArpTableSize>());
  RoundTrip(in, DecodeArpChange, EncodeArpChange, Fixed<kArpChangeSize>());
  RoundTrip(in, DecodePingRequest, EncodePingRequest, Fixed<kPingRequestSize>());
}

void PortAndStatistics(std::span<const uint8_t> in) {
  RoundTrip(in, DecodeMacQueryAnswer, EncodeMacQueryAnswer, Fixed<kMacQuerySize>());
  RoundTrip(in, DecodeNicParams, EncodeNicParams, Fixed<kNicParamsSize>());
  RoundTrip(in, DecodeLinkStatus, EncodeLinkStatus, Fixed<kLinkStatusSize>());
  RoundTrip(in, DecodeInstanceStatistics, EncodeInstanceStatistics,
            Fixed<kInstanceStatisticsSize>());
  RoundTrip(in, DecodeLoginStatistics, EncodeLoginStatistics, Fixed<kLoginStatisticsSize>());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::span<const uint8_t> in(data, size);
  InterfaceRecords(in);
  TableRecords(in);
  PortAndStatistics(in);
  return 0;
}
