// Group templates of the logs area: the firmware event log and trace data of a controller.
#ifndef OXIM_AREAS_LOGS_CATALOGUE_H_
#define OXIM_AREAS_LOGS_CATALOGUE_H_

#include "schema/template.h"

namespace oxim::templates {

// Fixed groups of Quellfire.
extern const GroupTemplate kExtFATData;
extern const GroupTemplate kEventLog;
extern const GroupTemplate kFATData;

// Instanced groups.
extern const GroupTemplate kExtFATMode;
extern const GroupTemplate kExtFATModule;
extern const GroupTemplate kEventLogEntry;

}  // namespace oxim::templates

#endif  // OXIM_AREAS_LOGS_CATALOGUE_H_
