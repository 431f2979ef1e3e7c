// Group templates of the controller area: the controller group and its NC-SI configuration groups.
#ifndef OXIM_AREAS_CONTROLLER_CATALOGUE_H_
#define OXIM_AREAS_CONTROLLER_CATALOGUE_H_

#include "schema/template.h"

namespace oxim::templates {

extern const GroupTemplate kQuellfire;
extern const GroupTemplate kNCSIStaticConfiguration;
extern const GroupTemplate kNCSIDynamicConfiguration;

}  // namespace oxim::templates

#endif  // OXIM_AREAS_CONTROLLER_CATALOGUE_H_
