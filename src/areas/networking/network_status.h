// The statuses the networking of the iSCSI functions reports, each with the
// message the last status carries (core/status.h reports them). Written
// once here; the handlers name them.
#ifndef OXIM_AREAS_NETWORKING_NETWORK_STATUS_H_
#define OXIM_AREAS_NETWORKING_NETWORK_STATUS_H_

#include "core/status.h"

namespace oxim::networking {

inline constexpr StatusMessage kInvalidValue{17, "Invalid value. Please use valid value."};
inline constexpr StatusMessage kInvalidInstance{
    20, "Invalid instance number. Please use valid instance number."};
inline constexpr StatusMessage kNotSupportedOnAdapter{
    291, "Failed to execute the command. Because operation is not supported on this adapter."};
inline constexpr StatusMessage kSettingNotSupported{
    70, "Setting this property is not supported in this OS."};

// Addresses, DHCP and VLAN.
inline constexpr StatusMessage kInterfaceIdsNotRead{
    98, "Failed to retrieve interface ids. " OXIM_INTERNAL_ERROR};
inline constexpr StatusMessage kInterfaceInfoNotRead{
    99, "Cannot obtain interface info. " OXIM_INTERNAL_ERROR};
inline constexpr StatusMessage kDhcpBlocksAddressChange{
    43,
    "Failed to change IP address/Gateway settings as DHCP is Enabled. Please disable DHCP to make "
    "any changes to IP address/Gateway settings."};
inline constexpr StatusMessage kAddressUnchanged{
    56,
    "The IP address settings match the existing configuration. No changes have been made to the "
    "configuration."};
inline constexpr StatusMessage kAddressRecordNotChanged{122, "Cannot modify the ipaddress record."};
inline constexpr StatusMessage kDuplicateAddress{
    69,
    "Duplicate IP address detected. Please check that the IP address given is not conflicting "
    "with an existing IP address in the subnet. Choose a unique IP address."};
inline constexpr StatusMessage kDhcpAlreadyOn{
    57,
    "The DHCP settings are already configured. No changes have been made to the existing "
    "configuration."};
inline constexpr StatusMessage kDhcpNotEnabled{135, "Firmware failed to enable DHCP."};
inline constexpr StatusMessage kDhcpNotDisabled{123, "Unable to disable DHCP."};
inline constexpr StatusMessage kVlanNotSet{124, "Cannot set VLAN priority."};

// Default gateways.
inline constexpr StatusMessage kGatewayNotSet{
    132, "Cannot set the Default Gateway. " OXIM_INTERNAL_ERROR};
inline constexpr StatusMessage kGatewayNotRead{
    133, "Cannot get the Default Gateway. " OXIM_INTERNAL_ERROR};
inline constexpr StatusMessage kDhcpBlocksGateway{
    49,
    "Cannot set the default gateway as DHCP is enabled. Please disable DHCP before setting the "
    "default gateway."};

// The port: network parameters and link.
inline constexpr StatusMessage kNicParamsNotRead{
    93, "Failed to obtain NIC configuration params. " OXIM_INTERNAL_ERROR};
inline constexpr StatusMessage kLinkStatusNotRead{
    227, "Failed to get LogicalLinkStatus.Please check oxim2d.log file for more information."};

// Statistics.
inline constexpr StatusMessage kInitiatorStatisticsNotRead{
    95, "Failed to obtain initiator statistics params. " OXIM_INTERNAL_ERROR};
inline constexpr StatusMessage kLoginStatisticsNotRead{
    96, "Failed to obtain initiator login statistics params. " OXIM_INTERNAL_ERROR};

// Route and ARP tables, ping.
inline constexpr StatusMessage kRouteTableNotRead{
    100, "Cannot retrieve route table entries. " OXIM_INTERNAL_ERROR};
inline constexpr uint32_t kStatusManualRoutesFull = 245;
inline constexpr StatusMessage kManualRoutesFull{
    kStatusManualRoutesFull, "Failed to add route entries. Exceed maximum manual route entries."};
inline constexpr StatusMessage kRouteNotChanged{129, "Cannot add/delete route table entry."};
inline constexpr StatusMessage kArpTableNotRead{
    97, "Cannot retrieve ARP table entries. " OXIM_INTERNAL_ERROR};
inline constexpr StatusMessage kArpNotChanged{130, "Cannot add/delete ARP table entry."};
inline constexpr StatusMessage kPingFailed{
    53,
    "Ping failed. Please check cable and network connections and make sure that the IP address "
    "is valid. For more information, see the Troubleshooting section in Quellfire "
    "documentation."};

}  // namespace oxim::networking

#endif  // OXIM_AREAS_NETWORKING_NETWORK_STATUS_H_
