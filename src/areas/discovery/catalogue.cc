// Group templates: SendTargets portals and iSNS servers.
#include "areas/discovery/catalogue.h"
#include "areas/iscsi/login_option_templates.h"

namespace oxim::templates {
namespace {

// The fixed groups of a SendTarget portal, defined below in the order in
// which its template creates them.
extern const GroupTemplate kSendTargetPortalLoginOptions;
extern const GroupTemplate kSendTargetPortalAuthentication;

}  // namespace

// clang-format off

// SendTargetPortal (instanced, under LogicalHBA/Discovery)
const PropertyTemplate kSendTargetPortalProperties[] = {
    {.name = "IPAddress",
     .description = "The IPv4 address of the portal.",
     .default_value = "0.0.0.0"},
    {.name = "PortNumber",
     .description = "The TCP port of the portal.",
     .default_value = "0"},
    {.name = "PortMacAddress",
     .description = "The MAC address of the iSCSI function through which the portal is asked.",
     .default_value = "00:00:00:00:00:00"},
};
const CommandTemplate kSendTargetPortalCommands[] = {
    {.name = "DiscoverTargets",
     .description = "Asks the portal for its targets with SendTargets discovery and adds them as "
                    "Discovered targets.",
     .handler = "do_DiscoverTargets",
     .params = {{.name = "TargetName",
                 .description = "The iSCSI name of the one target to ask for; all targets when "
                                "not given.",
                 .data_type = OXIM_TYPE_TEXT, .minimum = 0, .maximum = 255}}},
};
const GroupTemplate* const kSendTargetPortalSubgroups[] = {
    &kSendTargetPortalLoginOptions,
};
const GroupTemplate kSendTargetPortal = {
    .name = "SendTargetPortal", .template_name = "initialize_SendTargetPortal",
    .description = "A portal asked for its targets with SendTargets discovery.",
    .maximum = 128, .parent = "Discovery",
    .properties = kSendTargetPortalProperties, .commands = kSendTargetPortalCommands,
    .subgroups = kSendTargetPortalSubgroups};

namespace {

// SendTargetPortal/SendTargetPortalLoginOptions
constexpr auto kSendTargetPortalLoginOptionsProperties =
    LoginOptionProperties("handle_stploginoptions");
const GroupTemplate* const kSendTargetPortalLoginOptionsSubgroups[] = {
    &kSendTargetPortalAuthentication,
};
const GroupTemplate kSendTargetPortalLoginOptions = {
    .name = "SendTargetPortalLoginOptions",
    .description = "The login options of the discovery sessions to this portal.",
    .properties = kSendTargetPortalLoginOptionsProperties,
    .subgroups = kSendTargetPortalLoginOptionsSubgroups};

// SendTargetPortal/SendTargetPortalLoginOptions/Authentication
const PropertyTemplate kSendTargetPortalAuthenticationProperties[] = {
    {.name = "AuthenticationMethod",
     .description = "How discovery logins to the portal are authenticated: None, One-Way CHAP "
                    "(the target checks the initiator) or Mutual CHAP (both check each other).",
     .handler = "handle_authentication_stploginoptions",
     .data_type = OXIM_TYPE_LIST, .default_value = "None",
     .valid_values = "None,Mutual CHAP,One-Way CHAP"},
    {.name = "InitiatorCHAPName",
     .description = "The initiator CHAP name, used with Mutual CHAP only.",
     .handler = "handle_authentication_stploginoptions",
     .default_value = "N/A"},
    {.name = "InitiatorSecret",
     .description = "The initiator CHAP secret, used with Mutual CHAP only.",
     .handler = "handle_authentication_stploginoptions",
     .default_value = "N/A"},
    {.name = "TargetCHAPName",
     .description = "The target CHAP name, used with One-Way and Mutual CHAP.",
     .handler = "handle_authentication_stploginoptions",
     .default_value = "N/A"},
    {.name = "TargetSecret",
     .description = "The target CHAP secret, used with One-Way and Mutual CHAP.",
     .handler = "handle_authentication_stploginoptions",
     .default_value = "N/A"},
    {.name = "CHAPParam",
     .description = "How firmly CHAP is asked for: Required, Preferred (with CHAP first, then "
                    "without), Discouraged (without CHAP first, then with) or Prohibited.",
     .handler = "handle_authentication_stploginoptions",
     .data_type = OXIM_TYPE_LIST, .default_value = "Prohibited",
     .valid_values = "Prohibited,Discouraged,Preferred,Required"},
};
const CommandTemplate kSendTargetPortalAuthenticationCommands[] = {
    ConfigureChapCommand("Sets the CHAP authentication of discovery logins to this portal."),
    {.name = "DeleteCHAP",
     .description = "Removes the CHAP authentication of discovery logins to this portal.",
     .handler = "do_DeleteCHAP"},
};
const GroupTemplate kSendTargetPortalAuthentication = {
    .name = "Authentication",
    .description = "The CHAP authentication of discovery logins to this portal.",
    .properties = kSendTargetPortalAuthenticationProperties,
    .commands = kSendTargetPortalAuthenticationCommands};

}  // namespace

// iSNSServer (instanced, under iSCSIPhysicalHBA/iSNS)
const PropertyTemplate kiSNSServerProperties[] = {
    {.name = "IPAddress",
     .description = "The IPv4 address of the iSNS server.",
     .default_value = "0.0.0.0"},
    {.name = "PortNumber",
     .description = "The TCP port of the iSNS server.",
     .default_value = "0"},
};
const GroupTemplate kiSNSServer = {
    .name = "iSNSServer", .template_name = "initialize_iSNSServer",
    .description = "An iSNS server asked for targets.",
    .maximum = 4, .parent = "iSNS",
    .properties = kiSNSServerProperties};

// clang-format on

}  // namespace oxim::templates
