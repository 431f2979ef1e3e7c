// The erase area: the commands that erase an iSCSI function's and a whole
// controller's configuration (erase_configuration.h). It defines no groups;
// the commands belong to the iSCSIPhysicalHBA and Quellfire templates.
#include "areas/areas.h"
#include "areas/erase/erase_configuration.h"

namespace oxim {

const Area erase_area = {
    .name = "erase",
    .register_handlers = register_erase_handlers,
};

}  // namespace oxim
