// Login requests and responses, deletions and boot marking; see
// iscsi_login.h.
#include "records/iscsi_login.h"

#include <algorithm>

namespace oxim::records {

bool EncodeLoginRequest(std::span<uint8_t> out, const LoginRequest& request) {
  if (out.size() < kLoginRequestSize) return false;
  uint8_t* p = out.data();
  std::fill_n(p, kLoginRequestSize, uint8_t{0});
  EncodeText(out.subspan(kLoginTargetNameOffset, kIscsiNameSize), request.target_name,
             TextEnd::kNul);
  EncodePortalEntry(out.subspan(kLoginPortalOffset, kPortalEntrySize), request.portal);
  EncodeFixed32(p + kLoginFlagsOffset, request.flags);
  EncodeFixed32(p + kLoginEtoOffset, request.eto);
  EncodeFixed16(p + kLoginIsidOffset, request.isid_qualifier);
  std::copy(request.options.begin(), request.options.end(), p + kLoginOptionsOffset);
  EncodeText(out.subspan(kLoginInitiatorNameOffset, kIscsiNameSize), request.initiator_name,
             TextEnd::kNul);
  EncodeText(out.subspan(kLoginInitiatorAliasOffset, kAliasSize), request.initiator_alias,
             TextEnd::kNul);
  std::fill_n(p + kLoginMarkerOffset, kLoginMarkerSize, uint8_t{0xFF});
  return true;
}

std::optional<LoginRequest> DecodeLoginRequest(std::span<const uint8_t> in) {
  if (in.size() < kLoginRequestSize) return std::nullopt;
  const uint8_t* p = in.data();
  LoginRequest request;
  request.target_name = DecodeText(in.subspan(kLoginTargetNameOffset, kIscsiNameSize));
  request.portal = *DecodePortalEntry(in.subspan(kLoginPortalOffset, kPortalEntrySize));
  request.flags = DecodeFixed32(p + kLoginFlagsOffset);
  request.eto = DecodeFixed32(p + kLoginEtoOffset);
  request.isid_qualifier = DecodeFixed16(p + kLoginIsidOffset);
  std::copy_n(p + kLoginOptionsOffset, kLoginOptionsSize, request.options.begin());
  request.initiator_name = DecodeText(in.subspan(kLoginInitiatorNameOffset, kIscsiNameSize));
  request.initiator_alias = DecodeText(in.subspan(kLoginInitiatorAliasOffset, kAliasSize));
  return request;
}

bool EncodeLoginResponse(std::span<uint8_t> out, const LoginResponse& response) {
  if (out.size() < kLoginResponseSize) return false;
  uint8_t* p = out.data();
  std::fill_n(p, kLoginResponseSize, uint8_t{0});
  EncodeFixed32(p + kResponseHandleOffset, response.session_handle);
  EncodeFixed32(p + kResponseStateOffset, response.state);
  EncodeFixed32(p + kResponseConnectionOffset, response.connection_handle);
  std::copy(response.negotiated.begin(), response.negotiated.end(),
            p + kLoginResponseSessionPartOffset);
  return true;
}

std::optional<LoginResponse> DecodeLoginResponse(std::span<const uint8_t> in) {
  if (in.size() < kLoginResponseSize) return std::nullopt;
  const uint8_t* p = in.data();
  LoginResponse response;
  response.session_handle = DecodeFixed32(p + kResponseHandleOffset);
  response.state = DecodeFixed32(p + kResponseStateOffset);
  response.connection_handle = DecodeFixed32(p + kResponseConnectionOffset);
  std::copy_n(p + kLoginResponseSessionPartOffset, kLoginOptionsSize, response.negotiated.begin());
  return response;
}

bool EncodeDeletePersistent(std::span<uint8_t> out, const DeletePersistentRequest& request) {
  if (out.size() < kDeletePersistentSize) return false;
  std::fill_n(out.data(), kDeletePersistentSize, uint8_t{0});
  EncodeText(out.subspan(kDeleteTargetNameOffset, kIscsiNameSize), request.target_name,
             TextEnd::kNul);
  EncodePortalEntry(out.subspan(kDeletePortalOffset, kPortalEntrySize), request.portal);
  EncodeText(out.subspan(kDeletePersistentInitiatorOffset, kIscsiNameSize), request.initiator_name,
             TextEnd::kNul);
  return true;
}

std::optional<DeletePersistentRequest> DecodeDeletePersistent(std::span<const uint8_t> in) {
  if (in.size() < kDeletePersistentSize) return std::nullopt;
  DeletePersistentRequest request;
  request.target_name = DecodeText(in.subspan(kDeleteTargetNameOffset, kIscsiNameSize));
  request.portal = *DecodePortalEntry(in.subspan(kDeletePortalOffset, kPortalEntrySize));
  request.initiator_name = DecodeText(in.subspan(kDeletePersistentInitiatorOffset, kIscsiNameSize));
  return request;
}

bool EncodeBootMark(std::span<uint8_t> out, const BootMark& mark) {
  if (out.size() < kBootMarkSize) return false;
  std::fill_n(out.data(), kBootMarkSize, uint8_t{0});
  EncodeFixed32(out.data() + kBootMarkHandleOffset, mark.session_handle);
  EncodeFixed32(out.data() + kBootMarkFlagsOffset, mark.flags);
  return true;
}

std::optional<BootMark> DecodeBootMark(std::span<const uint8_t> in) {
  if (in.size() < kBootMarkSize) return std::nullopt;
  return BootMark{DecodeFixed32(in.data() + kBootMarkHandleOffset),
                  DecodeFixed32(in.data() + kBootMarkFlagsOffset)};
}

}  // namespace oxim::records
