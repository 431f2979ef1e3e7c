// The initiator statistics of an iSCSI function (the iSCSIStatistics group
// of its logical HBA): the session counters and the login counters, each
// group of properties read whole from the firmware when one of them is read;
// see statistics.h.
#include "areas/networking/statistics.h"

#include <array>
#include <string>

#include "areas/networking/interface.h"
#include "areas/networking/network_status.h"
#include "core/node_store.h"
#include "kit/function_tree.h"
#include "kit/properties.h"
#include "records/iscsi_statistics.h"
#include "schema/handler_registry.h"
#include "transport/commands.h"

namespace oxim::networking {
namespace {

// Failure types and their texts; other values leave the property as it was.
constexpr const char* kSessionFailureTexts[] = {"OtherErrors", "DigestErrors",
                                                "ConnectionTimeoutErrors", "FormatErrors"};
constexpr const char* kLoginFailureTexts[] = {
    "UnknownFailure",         "LoginAcceptFailure",        "OtherFailure",
    "LoginRedirectFailure",   "LoginAuthorizationFailure", "LoginAuthenticationFailure",
    "LoginNegotiationFailure"};

template <size_t N>
void cache_type(Node* group, const char* name, uint32_t type, const char* const (&texts)[N]) {
  if (type < N) cache_prop(group, name, texts[type]);
}

void cache_count(Node* group, const char* name, uint32_t count) {
  cache_prop(group, name, std::to_string(count));
}

// get_intr_stats_Params: the session counters.
uint32_t get_intr_stats_Params(Node* group) {
  std::array<uint8_t, records::kInstanceStatisticsSize> answer{};
  std::optional<records::InstanceStatistics> stats;
  if (ioctl_get_intr_inst_params(function_address(group), answer) != 0 ||
      !(stats = records::DecodeInstanceStatistics(answer))) {
    return report(kInitiatorStatisticsNotRead);
  }
  cache_count(group, "SessionCount", stats->sessions);
  cache_count(group, "SessionFailureCount", stats->session_failures);
  cache_prop(group, "LastSessionRmtNodeName", stats->last_remote_node);
  cache_type(group, "LastSessionFailureType", stats->last_failure_type, kSessionFailureTexts);
  cache_count(group, "SessionDigestErrors", stats->digest_errors);
  cache_count(group, "SessionConnectionTimeout", stats->connection_timeouts);
  cache_count(group, "SessionFormatErrors", stats->format_errors);
  return 0;
}

// get_login_stats_Params: the login counters.
uint32_t get_login_stats_Params(Node* group) {
  std::array<uint8_t, records::kLoginStatisticsSize> answer{};
  std::optional<records::LoginStatistics> stats;
  if (ioctl_get_login_params(function_address(group), answer) != 0 ||
      !(stats = records::DecodeLoginStatistics(answer))) {
    return report(kLoginStatisticsNotRead);
  }
  cache_count(group, "LoginFailures", stats->failures);
  cache_count(group, "LastFailureTime", stats->last_failure_time);
  cache_type(group, "LastFailureType", stats->last_failure_type, kLoginFailureTexts);
  cache_prop(group, "LastTgtFailureName", stats->failed_target);
  cache_prop(group, "LastTgtFailureAddr",
             records::FormatAddress(stats->failed_address_type, stats->failed_address));
  cache_count(group, "LoginAcceptRsps", stats->accept_responses);
  cache_count(group, "LoginOtherFailRsps", stats->other_failure_responses);
  cache_count(group, "LoginRedirectRsps", stats->redirect_responses);
  cache_count(group, "LoginAuthFailRsps", stats->authentication_failure_responses);
  cache_count(group, "LoginAuthFails", stats->authentication_failures);
  cache_count(group, "LoginNegoFails", stats->negotiation_failures);
  cache_count(group, "LogoutNormals", stats->normal_logouts);
  cache_count(group, "LogoutOthers", stats->other_logouts);
  return 0;
}

}  // namespace

void register_statistics_handlers(HandlerRegistry& registry) {
  registry.add_property("handle_intrInstStat_properties",
                        read_through_group<get_intr_stats_Params>);
  registry.add_property("handle_intrLoginStat_properties",
                        read_through_group<get_login_stats_Params>);
}

}  // namespace oxim::networking
