// Group templates of the port area: the port groups and their channels.
#ifndef OXIM_AREAS_PORT_CATALOGUE_H_
#define OXIM_AREAS_PORT_CATALOGUE_H_

#include "schema/template.h"

namespace oxim::templates {

extern const GroupTemplate kPortDiscoveryAndConfiguration;
extern const GroupTemplate kChannel;

}  // namespace oxim::templates

#endif  // OXIM_AREAS_PORT_CATALOGUE_H_
