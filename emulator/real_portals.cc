// Logins to mapped portals; see real_portals.h.
#include "real_portals.h"

#include <algorithm>

#include "storage_network.h"

namespace oxim::emulator {
namespace {

constexpr uint8_t kCrc32c = 1;
constexpr uint32_t kChap = 1;

RealLoginPlan Refused(RealLoginPlan plan, uint8_t status, uint16_t additional) {
  plan.status = status;
  plan.additional_status = additional;
  return plan;
}

// libiscsi takes names and secrets as C strings: a NUL byte would cut them.
bool Expressible(const std::string& text) { return text.find('\0') == std::string::npos; }

std::string Text(const std::vector<uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

}  // namespace

const RealPortal* FindRealPortal(const std::vector<RealPortal>& portals,
                                 const records::PortalEntry& portal) {
  for (const RealPortal& real : portals) {
    std::optional<records::PortalEntry> entry = PortalOf({real.address, real.port, 1});
    if (entry && SamePortal(*entry, portal)) return &real;
  }
  return nullptr;
}

std::optional<records::PortalEntry> PortalForEndpoint(const std::vector<RealPortal>& portals,
                                                      std::string_view host, uint16_t port,
                                                      uint32_t tag) {
  for (const RealPortal& real : portals) {
    if (real.endpoint_host != host || real.endpoint_port != port) continue;
    std::optional<records::PortalEntry> entry =
        PortalOf({real.address, real.port, static_cast<uint16_t>(tag)});
    if (entry) return entry;
  }
  return std::nullopt;
}

RealLoginPlan PlanRealLogin(const RealPortal& portal, const records::LoginRequest& request,
                            const std::array<uint8_t, 6>& isid) {
  RealLoginPlan plan;
  std::optional<records::LoginOptions> options = records::DecodeLoginOptions(request.options);
  if (!options) return Refused(std::move(plan), kRealLoginFailed, kLoginInitiatorError);
  plan.offered = *options;
  if (options->data_digest == kCrc32c) {
    return Refused(std::move(plan), kRealLoginFailed, kLoginDigestMismatch);
  }
  RealLoginRequest& real = plan.request;
  real.host = portal.endpoint_host;
  real.port = portal.endpoint_port;
  real.target_name = request.target_name;
  real.initiator_name = request.initiator_name;
  real.isid = isid;
  real.header_digest_crc32c = options->header_digest == kCrc32c;
  real.header_digest_required = real.header_digest_crc32c;
  real.connect_timeout = portal.connect_timeout;
  real.login_timeout = portal.login_timeout;
  real.nop_interval = portal.nop_interval;
  if (options->authentication_method == kChap) {
    real.chap_user = options->target_chap_name;
    real.chap_secret = Text(options->target_secret);
    // Without a name or secret to present, the initiator cannot authenticate.
    if (real.chap_user.empty() || real.chap_secret.empty()) {
      return Refused(std::move(plan), kRealLoginFailed, kRealAuthenticationFailed);
    }
    if (options->mutual_chap == 1) {
      real.mutual_user = options->initiator_chap_name;
      real.mutual_secret = Text(options->initiator_secret);
      if (real.mutual_user.empty() || real.mutual_secret.empty()) {
        return Refused(std::move(plan), kRealLoginFailed, kRealAuthenticationFailed);
      }
    }
  }
  for (const std::string* text : {&real.target_name, &real.initiator_name, &real.chap_user,
                                  &real.chap_secret, &real.mutual_user, &real.mutual_secret}) {
    if (!Expressible(*text)) return Refused(std::move(plan), kRealLoginOtherFailure, 0);
  }
  return plan;
}

std::unique_ptr<RealSession> LoginReal(const RealLoginPlan& plan, RealLoginResult* result) {
  std::unique_ptr<RealSession> session = RealSession::Login(plan.request, result);
  if (session == nullptr) {
    if (result->header_digest_refused) {
      result->firmware_status = kRealLoginFailed;
      result->additional_status = kLoginDigestMismatch;
    }
    return nullptr;
  }
  if (plan.offered.authentication_method == kChap && !result->chap_authenticated) {
    session->Logout();
    result->firmware_status = kRealLoginFailed;
    result->additional_status = kRealAuthenticationFailed;
    result->error = "the target did not ask for the CHAP offered";
    return nullptr;
  }
  return session;
}

std::array<uint8_t, records::kLoginOptionsSize> NegotiatedRecord(
    const records::LoginOptions& offered, const RealLoginResult& result) {
  records::LoginOptions n = offered;
  // libiscsi offers Yes to both orders, and their result is the OR.
  n.flags = records::kFlagDataPduInOrder | records::kFlagDataSequenceInOrder;
  if (result.initial_r2t) n.flags |= records::kFlagInitialR2T;
  if (result.immediate_data) n.flags |= records::kFlagImmediateData;
  n.error_recovery_level = 0;
  n.first_burst_length = result.first_burst_length;
  n.max_burst_length = result.max_burst_length;
  n.max_connections = 1;
  n.max_outstanding_r2t = 1;
  n.header_digest = result.header_digest_crc32c ? kCrc32c : 0;
  n.data_digest = 0;
  n.max_recv_data_segment_length = result.max_recv_data_segment_length;
  if (!result.chap_authenticated) {
    n.authentication_method = 0;
    n.mutual_chap = 0;
  }
  // Secrets are never echoed back.
  n.initiator_secret.clear();
  n.target_secret.clear();
  std::array<uint8_t, records::kLoginOptionsSize> record{};
  records::EncodeLoginOptions(record, n);
  return record;
}

}  // namespace oxim::emulator
