// Group templates: The iSCSI function (iSCSIPhysicalHBA) with its driver, network, VPD, PCI and
// iSNS groups.
#include "schema/templates.h"

namespace oxim::templates {

// clang-format off
const GroupTemplate kiSCSIPhysicalHBA = {
    .name = "iSCSIPhysicalHBA", .template_name = "initialize_iSCSIPhysicalHBA",
    .description = "An iSCSI function of the controller (hardware iSCSI initiator).",
    .maximum = 8, .parent = "Quellfire"};
// clang-format on

}  // namespace oxim::templates
