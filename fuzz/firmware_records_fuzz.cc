// Arbitrary bytes as every record that crosses the driver boundary: each
// decoder of src/records/ must stay inside the bytes, and what decodes is
// encoded again. For every record but the OEM parameters, that encoding
// must decode and encode to the same bytes once more (the first pass may
// cut names and drop what the counts name beyond the record).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "records/additional_attributes.h"
#include "records/base_t_stats.h"
#include "records/boot_config.h"
#include "records/config_signature.h"
#include "records/controller_attributes.h"
#include "records/coredump_properties.h"
#include "records/discovery_params.h"
#include "records/driver_records.h"
#include "records/erase_rom.h"
#include "records/ffv_params.h"
#include "records/flow_control.h"
#include "records/ip_interface.h"
#include "records/ip_tables.h"
#include "records/iscsi_login.h"
#include "records/iscsi_portal.h"
#include "records/iscsi_sessions.h"
#include "records/iscsi_statistics.h"
#include "records/iscsi_targets.h"
#include "records/link_status.h"
#include "records/login_options_record.h"
#include "records/mac_records.h"
#include "records/ncsi_attributes.h"
#include "records/nic_params.h"
#include "records/oem_exec_config.h"
#include "records/oem_params.h"
#include "records/pci_config_command.h"
#include "records/pci_express.h"
#include "records/request_header.h"

namespace {

using oxim::fuzz::Check;

using namespace oxim::records;
using Bytes = std::vector<uint8_t>;

// Decodes `in`; when that works, encodes the value into size(value) zeroed
// bytes, decodes and encodes that again and checks both encodings are the
// same bytes.
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

void DriverRecords(std::span<const uint8_t> in) {
  RoundTrip(in, DecodeRequestHeader, EncodeRequestHeader, Fixed<kRequestHeaderSize>());
  RoundTrip(in, DecodeResponseHeader, EncodeResponseHeader, Fixed<kRequestHeaderSize>());
  RoundTrip(in, DecodeNicEnvelopePrefix, EncodeNicEnvelopePrefix, Fixed<kNicEnvelopeOverhead>());
  RoundTrip(in, DecodeDriverInfoAddress, EncodeDriverInfoRequest, Fixed<kDriverInfoRecordSize>());
  RoundTrip(in, DecodeDriverInfoAnswer, EncodeDriverInfoAnswer, Fixed<kDriverInfoRecordSize>());
  RoundTrip(in, DecodeChipInfo, EncodeChipInfo, Fixed<kChipInfoRecordSize>());
  RoundTrip(in, DecodePciConfigRead, EncodePciConfigRead,
            [](const PciConfigRead& read) { return PciConfigRecordSize(read.length); });
  if (std::optional<PciConfigRead> read = DecodePciConfigRead(in)) {
    std::optional<Bytes> data = DecodePciConfigData(in);
    Check(data && data->size() == read->length);
    Bytes record(PciConfigRecordSize(read->length), 0);
    Check(EncodePciConfigRead(record, *read) && EncodePciConfigData(record, *data));
    Check(DecodePciConfigData(record) == data);
  }
  RoundTrip(in, DecodeHostAdapterName, EncodeHostAdapterName,
            [](const std::string& name) { return name.size() + 1; });
}

void ControllerRecords(std::span<const uint8_t> in) {
  RoundTrip(in, DecodeControllerAttributes, EncodeControllerAttributes,
            Fixed<kControllerAttributesSize>());
  RoundTrip(in, DecodeAdditionalAttributes, EncodeAdditionalAttributes,
            Fixed<kAdditionalAttributesSize>());
  RoundTrip(in, DecodeConfigSignature, EncodeConfigSignature, Fixed<kConfigSignatureSize>());
  RoundTrip(in, DecodePciConfigCommand, EncodePciConfigCommand, Fixed<kPciCommandSize>());
  RoundTrip(in, DecodePciConfigAnswer, EncodePciConfigAnswer, Fixed<kPciCommandSize>());
  RoundTrip(in, DecodeCoredumpProperties, EncodeCoredumpProperties,
            Fixed<kCoredumpPropertiesSize>());
  // A serial of fewer than two characters reads as none on Korvel, so the
  // OEM parameters need not come back the same; the rest of them must.
  for (OemChip chip : {OemChip::kKorvel, OemChip::kOther}) {
    std::optional<OemParams> oem = DecodeOemParams(in, chip);
    if (!oem) continue;
    Bytes again(kOemParamsSize, 0);
    Check(EncodeOemParams(again, *oem, chip));
    std::optional<OemParams> twice = DecodeOemParams(again, chip);
    Check(twice && twice->prefix == oem->prefix && twice->binary == oem->binary &&
          twice->personality_word == oem->personality_word);
  }
}

void AdapterRecords(std::span<const uint8_t> in) {
  RoundTrip(in, DecodeVirtualFunctions, EncodeVirtualFunctions, Fixed<kDriverInfoRecordSize>());
  RoundTrip(in, DecodeLinkStatus, EncodeLinkStatus, Fixed<kLinkStatusSize>());
  RoundTrip(in, DecodeNicLinkParams, EncodeNicLinkParams, Fixed<kLinkStatusSize>());
  RoundTrip(in, DecodeFlowControl, EncodeFlowControl, Fixed<kFlowControlSize>());
  RoundTrip(in, DecodeMacQuery, EncodeMacQueryAnswer, Fixed<kMacQuerySize>());
  RoundTrip(in, DecodeMacList, EncodeMacListAnswer, Fixed<kMacListSize>());
  RoundTrip(in, DecodeBootConfig, EncodeBootConfig, Fixed<kBootConfigSize>());
  RoundTrip(in, DecodePciFuncMapping, EncodePciFuncMapping, Fixed<kPciFuncMappingSize>());
  RoundTrip(in, DecodeOemExecConfig, EncodeOemExecAnswer, Fixed<kOemExecConfigSize>());
  RoundTrip(in, DecodeEraseRequest, EncodeEraseRequest, Fixed<kEraseRequestSize>());
  RoundTrip(in, DecodeFfvParams, EncodeFfvParams, Fixed<kFfvParamsSize>());
  RoundTrip(in, DecodeNcsiAttributes, EncodeNcsiAttributes, Fixed<kNcsiAttributesSize>());
  RoundTrip(in, DecodeNcsiDynamic, EncodeNcsiDynamic, Fixed<kNcsiSetSize>());
  for (BaseTVersion version : {BaseTVersion::kV0, BaseTVersion::kV1}) {
    if (std::optional<BaseTStats> stats = DecodeBaseTStats(in, version)) {
      Bytes again(BaseTStatsSize(version), 0);
      Check(EncodeBaseTStats(again, version, *stats));
      Check(DecodeBaseTStats(again, version)->words == stats->words);
    }
  }
  if (std::optional<uint32_t> link = FindPcieLinkRegister(in)) {
    Check(PcieLinkWidth(*link) < 64);
  }
}

void IscsiRecords(std::span<const uint8_t> in) {
  if (in.size() >= 1 + kAddressSize) {
    FormatAddress(in[0], std::span<const uint8_t, kAddressSize>(in.data() + 1, kAddressSize));
  }
  RoundTrip(in, DecodePortalEntry, EncodePortalEntry, Fixed<kPortalEntrySize>());
  RoundTrip(in, DecodeTargetIdList, EncodeTargetIdList,
            [](const std::vector<uint32_t>& ids) { return TargetIdListSize(ids.size()); });
  RoundTrip(in, DecodeTargetRequest, EncodeTargetRequest, Fixed<4>());
  RoundTrip(in, DecodeTargetRecord, EncodeTargetRecord, TargetRecordSize);
  RoundTrip(in, DecodeLoginRequest, EncodeLoginRequest, Fixed<kLoginRequestSize>());
  RoundTrip(in, DecodeLoginResponse, EncodeLoginResponse, Fixed<kLoginResponseSize>());
  RoundTrip(in, DecodeDeletePersistent, EncodeDeletePersistent, Fixed<kDeletePersistentSize>());
  RoundTrip(in, DecodeBootMark, EncodeBootMark, Fixed<kBootMarkSize>());
  RoundTrip(in, DecodeSessionHandleRequest, EncodeSessionHandleRequest,
            Fixed<kSessionHandleRequestSize>());
  RoundTrip(in, DecodeSessionRecord, EncodeSessionRecord, SessionRecordSize);
  RoundTrip(
      in, DecodeActiveSessionList, EncodeActiveSessionList,
      [](const std::vector<uint32_t>& handles) { return ActiveSessionListSize(handles.size()); });
  RoundTrip(in, DecodeSessionConfig, EncodeSessionConfig, Fixed<kSessionConfigSize>());
  RoundTrip(in, DecodeSetSessionConfig, EncodeSetSessionConfig, Fixed<kSetSessionConfigSize>());
  RoundTrip(in, DecodeSessionAttributesRequest, EncodeSessionAttributesRequest,
            [](const std::vector<uint32_t>& handles) {
              return kSessionAttributesRecordsOffset + 4 * handles.size();
            });
  RoundTrip(in, DecodeSessionAttributes, EncodeSessionAttributes,
            [](const std::vector<SessionAttributes>& records) {
              return SessionAttributesSize(records.size());
            });
  RoundTrip(in, DecodeDiscoveryParams, EncodeDiscoveryParams, Fixed<kDiscoveryParamsSize>());
  RoundTrip(in, DecodeLoginOptions, EncodeLoginOptions, Fixed<kLoginOptionsSize>());
}

// The answers about an iSCSI function's IP stack: no count is trusted past
// the record that holds it.
void NetworkRecords(std::span<const uint8_t> in) {
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
  RoundTrip(in, DecodeMacQuery, EncodeMacQueryAnswer, Fixed<kMacQuerySize>());
  RoundTrip(in, DecodeNicParams, EncodeNicParams, Fixed<kNicParamsSize>());
  RoundTrip(in, DecodeLinkStatus, EncodeLinkStatus, Fixed<kLinkStatusSize>());
  RoundTrip(in, DecodeInstanceStatistics, EncodeInstanceStatistics,
            Fixed<kInstanceStatisticsSize>());
  RoundTrip(in, DecodeLoginStatistics, EncodeLoginStatistics, Fixed<kLoginStatisticsSize>());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::span<const uint8_t> in(data, size);
  DriverRecords(in);
  ControllerRecords(in);
  AdapterRecords(in);
  IscsiRecords(in);
  NetworkRecords(in);
  // The bytes as an address text, as the library reads one from a client.
  PortalFromText(std::string(reinterpret_cast<const char*>(data), std::min<size_t>(size, 64)),
                 3260);
  return 0;
}
