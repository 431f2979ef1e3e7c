// Fixed sub-group templates that one area file of the catalogue defines and
// another one lists among a group's sub-groups.
#ifndef OXIM_SCHEMA_CATALOGUE_CATALOGUE_H_
#define OXIM_SCHEMA_CATALOGUE_CATALOGUE_H_

#include "schema/template.h"

namespace oxim::templates {

// Controller, NIC, port and profile areas
// Fixed groups of Quellfire: ProfileManagement (with ActiveProfile and
// ConfiguredProfile) in profiles.cc; ExtFATData, EventLog and FATData in logs.cc.
extern const GroupTemplate kProfileManagement;
extern const GroupTemplate kExtFATData;
extern const GroupTemplate kEventLog;
extern const GroupTemplate kFATData;
// The DCBX group of a port (dcb.cc), listed by PortDiscoveryAndConfiguration.
extern const GroupTemplate kDCBX;

}  // namespace oxim::templates

#endif  // OXIM_SCHEMA_CATALOGUE_CATALOGUE_H_
