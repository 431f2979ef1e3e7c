// The list of every group template. The templates themselves are defined
// area by area in catalogue/.
#include "schema/templates.h"

namespace oxim {

std::span<const GroupTemplate* const> template_catalogue() {
  using namespace templates;
  static const GroupTemplate* const kAll[] = {
      &kQuellfire,
      &kiSCSIPhysicalHBA,
      &kLogicalHBA,
      &kTarget,
      &kTargetPortal,
      &kSession,
      &kConnection,
      &kLUN,
      &kSendTargetPortal,
      &kiSNSServer,
      &kRouteTableEntry,
      &kARPTableEntry,
      &kNICPhysicalHBA,
      &kNICLogicalHBA,
      &kPortDiscoveryAndConfiguration,
      &kChannel,
      &kAdministratorPGSetting_PG,
      &kPeerPGSetting_PG,
      &kOperationalPGSettings_PG,
      &kAdministratorTLVSetting_ApplicationTLV,
      &kPeerTLVSetting_ApplicationTLV,
      &kOperationalTLVSettings_ApplicationTLV,
      &kProfile,
      &kProfile_Protocol,
      &kActiveProfile_Port,
      &kConfiguredProfile_Port,
      &kActiveProfile_Port_Function,
      &kConfiguredProfile_Port_Function,
      &kNCSIStaticConfiguration,
      &kNCSIDynamicConfiguration,
      &kExtFATMode,
      &kExtFATModule,
      &kEventLogEntry,
  };
  return kAll;
}

}  // namespace oxim
