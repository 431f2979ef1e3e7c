// Areas of the library. Each functional area (controller properties, the
// iSCSI initiator, port diagnostics, ...) lives in one folder under
// src/areas/ and describes itself with one Area: the group templates it
// defines, the handlers it implements, and the hooks start-up calls. The
// ordered list of areas (src/areas/area_list.inc) is installed once, before
// the first tree is built; the handler registry, the template catalogue and
// start-up all loop over it, so no code below the areas names one.
//
//   const Area nic_area = {
//       .name = "nic",
//       .templates = kNicTemplates,
//       .register_handlers = register_nic_handlers,
//       .function_created = show_interface_name,
//   };
#ifndef OXIM_SCHEMA_AREA_H_
#define OXIM_SCHEMA_AREA_H_

#include <cstdint>
#include <span>
#include <string_view>

#include "core/node.h"
#include "records/controller_attributes.h"
#include "schema/template.h"
#include "transport/function_address.h"

namespace oxim {

class HandlerRegistry;

// A function that start-up has just placed in the tree.
struct FoundFunction {
  int function_index = -1;  // 1.. within its driver
  DriverKind kind = DriverKind::kIscsi;
  // The controller attributes the firmware reported for it; null when they
  // could not be read (a NIC function placed by its PCI address).
  const records::ControllerAttributes* attributes = nullptr;
};

struct Area {
  const char* name;
  // The instanced group templates the area defines; their fixed sub-groups
  // come with them.
  std::span<const GroupTemplate* const> templates = {};
  // Fixed groups the area defines that another area's template lists among
  // its sub-groups (the EventLog group of a controller): their handlers
  // belong to this area.
  std::span<const GroupTemplate* const> shared_groups = {};
  // Registers the area's property, command and refresh handlers.
  void (*register_handlers)(HandlerRegistry& registry) = nullptr;
  // The handler names the area's templates refer to that it does not
  // implement yet. Until they are built, a property without its handler and
  // a command without its handler fail visibly, and
  // OXIM_get_unimplemented_handlers lists them. A test keeps this list, the
  // registrations and the templates in step.
  std::span<const char* const> pending_handlers = {};

  // Start-up hooks. Start-up runs each step for every area in list order.
  // 1. Before the functions are enumerated: directories and files.
  void (*prepare)() = nullptr;
  // 2. A new controller group, made for the first function found on it.
  void (*controller_created)(Node* controller, const FoundFunction& function) = nullptr;
  // 3. A new physical-HBA group for a function.
  void (*function_created)(Node* function, const FoundFunction& found) = nullptr;
  // 4. Controller-wide data, once every function is placed.
  void (*load_controller)(Node* controller) = nullptr;
  // 5. Each physical HBA again, once every controller is loaded.
  void (*setup_function)(Node* function) = nullptr;
  // A later client attaches to the tree (after start-up checked that the
  // host's functions are still those of the tree) or leaves it.
  void (*client_attach)(Node* root) = nullptr;
  void (*client_detach)(Node* root) = nullptr;
};

// Installs the list of areas: registers their handlers and makes their
// templates the catalogue. Idempotent for the same list; a different list
// replaces the catalogue and adds its handlers. REQUIRES: no tree is being
// built from the catalogue at the same time.
void install_areas(std::span<const Area* const> areas);
// The installed areas, in list order (empty before install_areas).
std::span<const Area* const> installed_areas();

// Every template the installed areas define (the catalogue), for listings
// and checks.
std::span<const GroupTemplate* const> template_catalogue();
// The catalogue template of the instanced group called name (the system's
// name, case-sensitive), or nullptr.
const GroupTemplate* find_template(std::string_view name);

}  // namespace oxim

#endif  // OXIM_SCHEMA_AREA_H_
