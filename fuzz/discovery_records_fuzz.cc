// Arbitrary bytes as the records of target discovery: a SendTargets answer
// (walked by its count but never past its end), the SendTargets requests,
// the discovery login request and the discovery parameters. What decodes is
// encoded again and must decode to the same records.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "fuzz_support.h"
#include "records/discovery_params.h"
#include "records/iscsi_login.h"
#include "records/sendtargets.h"

namespace {

using oxim::fuzz::Check;
using namespace oxim::records;
using Bytes = std::vector<uint8_t>;

bool SameTargets(const std::vector<DiscoveredTarget>& a, const std::vector<DiscoveredTarget>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i].name != b[i].name || a[i].portals.size() != b[i].portals.size()) return false;
    for (size_t p = 0; p < a[i].portals.size(); ++p) {
      const PortalEntry& x = a[i].portals[p];
      const PortalEntry& y = b[i].portals[p];
      if (x.marker != y.marker || x.address_type != y.address_type || x.address != y.address ||
          x.port != y.port || x.tag != y.tag) {
        return false;
      }
    }
  }
  return true;
}

void Answer(std::span<const uint8_t> in) {
  std::optional<SendTargetsAnswer> answer = DecodeSendTargetsAnswer(in);
  if (!answer) {
    Check(in.size() < kSendTargetsRecordsOffset);
    return;
  }
  Check(answer->targets.size() <= answer->count);
  Check(answer->complete == (answer->targets.size() == answer->count));
  size_t size = kSendTargetsRecordsOffset;
  for (const DiscoveredTarget& target : answer->targets) {
    Check(target.name.size() <= kIscsiNameSize);
    size += SendTargetsRecordSize(target.portals.size());
  }
  Check(size <= in.size());
  // Names of a full field lose their last character when written again, so
  // the comparison is between the first and the second encoding.
  Bytes once(size, 0);
  Check(EncodeSendTargetsAnswer(once, answer->targets) == answer->targets.size());
  std::optional<SendTargetsAnswer> again = DecodeSendTargetsAnswer(once);
  Check(again && again->complete && again->targets.size() == answer->targets.size());
  Bytes twice(size, 0);
  Check(EncodeSendTargetsAnswer(twice, again->targets) == again->targets.size());
  Check(once == twice);
  std::optional<SendTargetsAnswer> third = DecodeSendTargetsAnswer(twice);
  Check(third && SameTargets(third->targets, again->targets));
}

void Requests(std::span<const uint8_t> in) {
  if (std::optional<SendTargetsRequest> request = DecodeSendTargetsRequest(in)) {
    Bytes out(kSendTargetsRequestSize, 0);
    Check(EncodeSendTargetsRequest(out, *request));
    std::optional<SendTargetsRequest> again = DecodeSendTargetsRequest(out);
    Check(again && again->session_handle == request->session_handle &&
          again->key == request->key.substr(0, kSendTargetsKeySize - 1));
  }
  if (std::optional<SendTargetsFollowUp> follow = DecodeSendTargetsFollowUp(in)) {
    Bytes out(kFollowUpRequestSize, 0);
    Check(EncodeSendTargetsFollowUp(out, *follow));
    Check(Bytes(in.begin(), in.begin() + kFollowUpRequestSize) == out);
  }
  if (std::optional<LoginRequest> login = DecodeLoginRequest(in)) {
    Bytes out(kLoginRequestSize, 0);
    Check(EncodeLoginRequest(out, *login));
    Check(DecodeLoginRequest(out).has_value());
  }
  if (std::optional<DiscoveryParams> params = DecodeDiscoveryParams(in)) {
    Bytes out(in.begin(), in.begin() + kDiscoveryParamsSize);
    Check(EncodeDiscoveryParams(out, *params));
    std::optional<DiscoveryParams> again = DecodeDiscoveryParams(out);
    Check(again && again->flags == params->flags && again->server_count == params->server_count &&
          again->server.port == params->server.port);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::span<const uint8_t> in(data, size);
  Answer(in);
  Requests(in);
  return 0;
}
