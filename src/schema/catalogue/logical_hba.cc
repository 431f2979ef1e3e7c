// Group templates: The logical HBA of an iSCSI function: initiator names, login options, QoS,
// statistics, discovery.
#include "schema/templates.h"

namespace oxim::templates {

// clang-format off
const GroupTemplate kLogicalHBA = {
    .name = "LogicalHBA", .template_name = "initialize_LogicalHBA",
    .description = "The iSCSI initiator of an iSCSI function: its names, options and targets.",
    .maximum = 1, .parent = "iSCSIPhysicalHBA"};
// clang-format on

}  // namespace oxim::templates
