// The statuses the nic area reports, each with the message the last status
// carries (core/status.h reports them). Written once here; the boot
// configuration and value statuses are the controller area's
// (areas/controller/controller_status.h).
#ifndef OXIM_AREAS_NIC_NIC_STATUS_H_
#define OXIM_AREAS_NIC_NIC_STATUS_H_

#include "core/status.h"

namespace oxim::nic {

// MAC addresses.
inline constexpr StatusMessage kMacNotRead{
    246, "Failed to get current MACAddress. Please check oxim2d.log file for more information."};
inline constexpr StatusMessage kSetNotSupportedInOs{
    70, "Setting this property is not supported in this OS."};
inline constexpr StatusMessage kNotSupportedOnAdapter{
    291, "Failed to execute the command. Because operation is not supported on this adapter."};
inline constexpr StatusMessage kVolatileMacNotSet{328, "Failed to set Volatile MAC Address."};

// Link and port.
inline constexpr StatusMessage kLinkParamsNotRead{
    93, "Failed to obtain NIC configuration params. " OXIM_INTERNAL_ERROR};
inline constexpr StatusMessage kActivePortNotRead{
    94, "Failed to get physical port. " OXIM_INTERNAL_ERROR};
inline constexpr StatusMessage kLogicalLinkNotRead{
    227, "Failed to get LogicalLinkStatus.Please check oxim2d.log file for more information."};

// vNIC channels.
inline constexpr StatusMessage kVnicStatsNotRead{
    185, "Failed to get vNIC status. Please check oxim2d.log file for more information."};
inline constexpr StatusMessage kVnicNameNotRead{
    186, "Failed to get vNIC config data. Please check oxim2d.log file for more information."};

// Network boot.
inline constexpr StatusMessage kVlanNotSet{124, "Cannot set VLAN priority."};
inline constexpr StatusMessage kBootMethodMissing{
    274,
    "Failed to configure NetworkBoot. When NetworkBootState is enabled, need to provide valid "
    "NetworkBootMethod."};
inline constexpr StatusMessage kBootMethodNotSupported{
    273, "Give Network Boot method is not supported."};
inline constexpr StatusMessage kNetworkBootNotSupported{
    272, "Configuring Network boot is not supported on this function."};

// Erasing the NIC configuration.
inline constexpr StatusMessage kErased{
    184, "Erased the Configuration. Please reboot your system for the changes to take effect."};
inline constexpr StatusMessage kErasedRebootNow{
    239,
    "The operation completed successfully. Please reboot the machine immediately in order to avoid "
    "inconsistent behaviour."};
inline constexpr StatusMessage kEraseFailed{
    188, "Failed to erase nic settings. Please check oxim2d.log file for more information."};

// Virtual functions through the host's ip link.
inline constexpr StatusMessage kIpLinkFailed{
    1,
    "The host's ip link command failed to change the virtual function. Please check oxim2d.log "
    "file for more information."};

}  // namespace oxim::nic

#endif  // OXIM_AREAS_NIC_NIC_STATUS_H_
