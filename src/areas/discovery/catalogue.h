// Group templates of the discovery area: sendTarget portals and iSNS servers of a logical HBA.
#ifndef OXIM_AREAS_DISCOVERY_CATALOGUE_H_
#define OXIM_AREAS_DISCOVERY_CATALOGUE_H_

#include "schema/template.h"

namespace oxim::templates {

extern const GroupTemplate kSendTargetPortal;
extern const GroupTemplate kiSNSServer;

}  // namespace oxim::templates

#endif  // OXIM_AREAS_DISCOVERY_CATALOGUE_H_
