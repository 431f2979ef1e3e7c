// Group templates of the iscsi area: the iSCSI function, its logical HBA, and the targets, sessions
// and LUNs below it.
#ifndef OXIM_AREAS_ISCSI_CATALOGUE_H_
#define OXIM_AREAS_ISCSI_CATALOGUE_H_

#include "schema/template.h"

namespace oxim::templates {

extern const GroupTemplate kiSCSIPhysicalHBA;
extern const GroupTemplate kLogicalHBA;
extern const GroupTemplate kTarget;
extern const GroupTemplate kTargetPortal;
extern const GroupTemplate kSession;
extern const GroupTemplate kConnection;
extern const GroupTemplate kLUN;

}  // namespace oxim::templates

#endif  // OXIM_AREAS_ISCSI_CATALOGUE_H_
