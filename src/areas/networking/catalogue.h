// Group templates of the networking area: route and ARP table entries of an iSCSI function.
#ifndef OXIM_AREAS_NETWORKING_CATALOGUE_H_
#define OXIM_AREAS_NETWORKING_CATALOGUE_H_

#include "schema/template.h"

namespace oxim::templates {

extern const GroupTemplate kRouteTableEntry;
extern const GroupTemplate kARPTableEntry;

}  // namespace oxim::templates

#endif  // OXIM_AREAS_NETWORKING_CATALOGUE_H_
