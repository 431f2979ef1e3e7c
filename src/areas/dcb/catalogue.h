// Group templates of the dcb area (data center bridging): the DCBX group of
// a port and the priority-group and application-TLV entries.
#ifndef OXIM_AREAS_DCB_CATALOGUE_H_
#define OXIM_AREAS_DCB_CATALOGUE_H_

#include "schema/template.h"

namespace oxim::templates {

// The DCBX group of a port, listed by PortDiscoveryAndConfiguration.
extern const GroupTemplate kDCBX;

// Instanced groups.
extern const GroupTemplate kAdministratorPGSetting_PG;
extern const GroupTemplate kPeerPGSetting_PG;
extern const GroupTemplate kOperationalPGSettings_PG;
extern const GroupTemplate kAdministratorTLVSetting_ApplicationTLV;
extern const GroupTemplate kPeerTLVSetting_ApplicationTLV;
extern const GroupTemplate kOperationalTLVSettings_ApplicationTLV;

}  // namespace oxim::templates

#endif  // OXIM_AREAS_DCB_CATALOGUE_H_
