// The group templates of the tree: one per kind of instanced group, with the
// group's name, the group it is created under, its maximum number of
// instances per parent and its refresh handler. Their properties, commands
// and fixed sub-groups are filled area by area.
#ifndef OXIM_SCHEMA_TEMPLATES_H_
#define OXIM_SCHEMA_TEMPLATES_H_

#include "schema/template.h"

namespace oxim::templates {

// Controller and its functions.
extern const GroupTemplate kQuellfire;
extern const GroupTemplate kiSCSIPhysicalHBA;
extern const GroupTemplate kLogicalHBA;
extern const GroupTemplate kNICPhysicalHBA;
extern const GroupTemplate kNICLogicalHBA;
// Targets, sessions and LUNs of a logical HBA.
extern const GroupTemplate kTarget;
extern const GroupTemplate kTargetPortal;
extern const GroupTemplate kSession;
extern const GroupTemplate kConnection;
extern const GroupTemplate kLUN;
// Discovery and networking of an iSCSI function.
extern const GroupTemplate kSendTargetPortal;
extern const GroupTemplate kiSNSServer;
extern const GroupTemplate kRouteTableEntry;
extern const GroupTemplate kARPTableEntry;
// Ports, channels and data center bridging.
extern const GroupTemplate kPortDiscoveryAndConfiguration;
extern const GroupTemplate kChannel;
extern const GroupTemplate kAdministratorPGSetting_PG;
extern const GroupTemplate kPeerPGSetting_PG;
extern const GroupTemplate kOperationalPGSettings_PG;
extern const GroupTemplate kAdministratorTLVSetting_ApplicationTLV;
extern const GroupTemplate kPeerTLVSetting_ApplicationTLV;
extern const GroupTemplate kOperationalTLVSettings_ApplicationTLV;
// Profiles.
extern const GroupTemplate kProfile;
extern const GroupTemplate kProfile_Protocol;
extern const GroupTemplate kActiveProfile_Port;
extern const GroupTemplate kConfiguredProfile_Port;
extern const GroupTemplate kActiveProfile_Port_Function;
extern const GroupTemplate kConfiguredProfile_Port_Function;
// NC-SI and logs.
extern const GroupTemplate kNCSIStaticConfiguration;
extern const GroupTemplate kNCSIDynamicConfiguration;
extern const GroupTemplate kExtFATMode;
extern const GroupTemplate kExtFATModule;
extern const GroupTemplate kEventLogEntry;

}  // namespace oxim::templates

#endif  // OXIM_SCHEMA_TEMPLATES_H_
