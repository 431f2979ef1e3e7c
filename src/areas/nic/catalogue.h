// Group templates of the nic area: the NIC function groups.
#ifndef OXIM_AREAS_NIC_CATALOGUE_H_
#define OXIM_AREAS_NIC_CATALOGUE_H_

#include "schema/template.h"

namespace oxim::templates {

extern const GroupTemplate kNICPhysicalHBA;
extern const GroupTemplate kNICLogicalHBA;

}  // namespace oxim::templates

#endif  // OXIM_AREAS_NIC_CATALOGUE_H_
