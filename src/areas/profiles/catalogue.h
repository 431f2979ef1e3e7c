// Group templates of the profiles area: profiles of a controller.
#ifndef OXIM_AREAS_PROFILES_CATALOGUE_H_
#define OXIM_AREAS_PROFILES_CATALOGUE_H_

#include "schema/template.h"

namespace oxim::templates {

// ProfileManagement (with ActiveProfile and ConfiguredProfile), a fixed group of Quellfire.
extern const GroupTemplate kProfileManagement;

// Instanced groups.
extern const GroupTemplate kProfile;
extern const GroupTemplate kProfile_Protocol;
extern const GroupTemplate kActiveProfile_Port;
extern const GroupTemplate kConfiguredProfile_Port;
extern const GroupTemplate kActiveProfile_Port_Function;
extern const GroupTemplate kConfiguredProfile_Port_Function;

}  // namespace oxim::templates

#endif  // OXIM_AREAS_PROFILES_CATALOGUE_H_
