// Arbitrary bytes as every firmware iSCSI record the library reads or the
// emulated adapter receives: each decoder must stay inside the bytes, and
// what decodes is encoded again (lists and the session record must come
// back the same).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "records/iscsi_login.h"
#include "records/iscsi_portal.h"
#include "records/iscsi_sessions.h"
#include "records/iscsi_targets.h"

namespace {

using namespace oxim::records;

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

void Lists(std::span<const uint8_t> in) {
  if (auto ids = DecodeTargetIdList(in)) {
    std::vector<uint8_t> again(4 + kTargetIdEntrySize * ids->size());
    Check(EncodeTargetIdList(again, *ids) && DecodeTargetIdList(again) == ids);
  }
  if (auto handles = DecodeActiveSessionList(in)) {
    std::vector<uint8_t> again(ActiveSessionListSize(handles->size()));
    Check(EncodeActiveSessionList(again, *handles) && DecodeActiveSessionList(again) == handles);
  }
  if (auto handles = DecodeSessionAttributesRequest(in)) {
    std::vector<uint8_t> again(kSessionAttributesRecordsOffset + 4 * handles->size());
    Check(EncodeSessionAttributesRequest(again, *handles) &&
          DecodeSessionAttributesRequest(again) == handles);
  }
  if (auto records = DecodeSessionAttributes(in)) {
    std::vector<uint8_t> again(kSessionAttributesRecordsOffset +
                               kSessionAttributesRecordSize * records->size());
    Check(EncodeSessionAttributes(again, *records));
    Check(DecodeSessionAttributes(again)->size() == records->size());
  }
}

void Records(std::span<const uint8_t> in) {
  if (std::optional<PortalEntry> portal = DecodePortalEntry(in)) PortalAddressText(*portal);
  if (in.size() >= 17) FormatAddress(in[0], std::span<const uint8_t, 16>(in.data() + 1, 16));

  if (auto target = DecodeTargetRecord(in)) {
    std::vector<uint8_t> again(TargetRecordSize(*target));
    Check(EncodeTargetRecord(again, *target));
  }
  if (auto session = DecodeSessionRecord(in)) {
    std::vector<uint8_t> again(SessionRecordSize(*session));
    Check(EncodeSessionRecord(again, *session));
    auto twice = DecodeSessionRecord(again);
    Check(twice && twice->handle == session->handle &&
          twice->connections.size() == session->connections.size());
  }
  std::vector<uint8_t> buffer(kLoginRequestSize);
  if (auto request = DecodeLoginRequest(in)) EncodeLoginRequest(buffer, *request);
  if (auto response = DecodeLoginResponse(in)) EncodeLoginResponse(buffer, *response);
  if (auto deletion = DecodeDeletePersistent(in)) EncodeDeletePersistent(buffer, *deletion);
  if (auto config = DecodeSessionConfig(in)) {
    std::vector<uint8_t> set(kSetSessionConfigSize);
    EncodeSetSessionConfig(set, *config);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::span<const uint8_t> in(data, size);
  Lists(in);
  Records(in);
  // The bytes as an address text, as the library reads one from a client.
  PortalFromText(std::string(reinterpret_cast<const char*>(data), std::min<size_t>(size, 64)),
                 3260);
  return 0;
}
