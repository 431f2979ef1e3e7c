// The statuses the controller area reports, each with the message the last
// status carries (core/status.h reports them). Written once here; the nic
// area reports the boot configuration and value statuses through these too.
#ifndef OXIM_AREAS_CONTROLLER_CONTROLLER_STATUS_H_
#define OXIM_AREAS_CONTROLLER_CONTROLLER_STATUS_H_

#include "core/status.h"

namespace oxim::controller {

// A value a handler checks itself (a MAC address, say).
inline constexpr StatusMessage kInvalidValue{17, "Invalid value. Please use valid value."};

// Controller and function properties.
inline constexpr StatusMessage kOemNotRead{74,
                                           "Failed to obtain OEM attributes. " OXIM_INTERNAL_ERROR};
inline constexpr StatusMessage kAdditionalAttributesNotRead{
    192, "Failed to obtain additional controller attributes. " OXIM_INTERNAL_ERROR};
inline constexpr StatusMessage kCoredumpPropertiesNotRead{
    265, "Failed to get core dump properties. Please check oxim2d.log file for more information."};
inline constexpr StatusMessage kConfigRegionNotRead{
    121, "Cannot dump the config region for the given offset."};
inline constexpr StatusMessage kFfvNotSupported{
    298, "Failed to configure FFVName. FFVName is not supported on this adapter."};

// The advanced mode and the boot configuration it lives in.
inline constexpr StatusMessage kAdvancedModeNotSupported{
    311, "Configuring AdvanceMode is not supported on this adapter."};
inline constexpr StatusMessage kAdvancedModeChanged{
    312,
    "Advance mode settings changed successfully. Please reboot the machine for changes to take "
    "effect."};
inline constexpr StatusMessage kBootConfigNotRead{
    141, "Unable to obtain boot status. " OXIM_INTERNAL_ERROR};
inline constexpr StatusMessage kBootConfigNotSet{142,
                                                 "Cannot set boot status. " OXIM_INTERNAL_ERROR};

// NC-SI.
inline constexpr StatusMessage kNcsiDisabled{145,
                                             "Cannot set the property as NCSI status is Disabled."};
inline constexpr StatusMessage kNcsiNotSet{
    219,
    "Failed to set NCSI Dynamic Configuration properties. Please check oxim2d.log file for more "
    "information."};

}  // namespace oxim::controller

#endif  // OXIM_AREAS_CONTROLLER_CONTROLLER_STATUS_H_
