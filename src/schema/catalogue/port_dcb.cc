// Group templates: Physical ports (PortDiscoveryAndConfiguration): channels, LLDP and data center
// bridging.
#include "schema/templates.h"

namespace oxim::templates {

// clang-format off
const GroupTemplate kPortDiscoveryAndConfiguration = {
    .name = "PortDiscoveryAndConfiguration",
    .template_name = "initialize_PortDiscoveryAndConfiguration",
    .description = "A physical port of the controller: link, LLDP and data center bridging.",
    .maximum = 4, .parent = "Quellfire"};
const GroupTemplate kChannel = {
    .name = "Channel", .template_name = "initialize_Channel",
    .description = "A channel of the port with its bandwidth and VLAN.",
    .maximum = 16, .parent = "ChannelManagement"};
const GroupTemplate kAdministratorPGSetting_PG = {
    .name = "PG", .template_name = "initialize_AdministratorPGSetting_PG",
    .description = "A priority group as the administrator set it.",
    .maximum = 8, .parent = "AdministratorPGSetting"};
const GroupTemplate kPeerPGSetting_PG = {
    .name = "PG", .template_name = "initialize_PeerPGSetting_PG",
    .description = "A priority group as the link peer announced it.",
    .maximum = 8, .parent = "PeerPGSetting"};
const GroupTemplate kOperationalPGSettings_PG = {
    .name = "PG", .template_name = "initialize_OperationalPGSettings_PG",
    .description = "A priority group as the port operates it.",
    .maximum = 8, .parent = "OperationalPGSettings"};
const GroupTemplate kAdministratorTLVSetting_ApplicationTLV = {
    .name = "ApplicationTLV", .template_name = "initialize_AdministratorTLVSetting_ApplicationTLV",
    .description = "An application priority entry as the administrator set it.",
    .maximum = 15, .parent = "AdministratorTLVSetting"};
const GroupTemplate kPeerTLVSetting_ApplicationTLV = {
    .name = "ApplicationTLV", .template_name = "initialize_PeerTLVSetting_ApplicationTLV",
    .description = "An application priority entry as the link peer announced it.",
    .maximum = 15, .parent = "PeerTLVSetting"};
const GroupTemplate kOperationalTLVSettings_ApplicationTLV = {
    .name = "ApplicationTLV", .template_name = "initialize_OperationalTLVSettings_ApplicationTLV",
    .description = "An application priority entry as the port operates it.",
    .maximum = 15, .parent = "OperationalTLVSettings"};
// clang-format on

}  // namespace oxim::templates
