// The installed areas and the template catalogue; see area.h.
#include "schema/area.h"

#include <mutex>
#include <vector>

#include "schema/handler_registry.h"

namespace oxim {
namespace {

std::mutex g_mutex;
std::vector<const Area*> g_areas;
std::vector<const GroupTemplate*> g_catalogue;

}  // namespace

void install_areas(std::span<const Area* const> areas) {
  std::lock_guard<std::mutex> guard(g_mutex);
  if (std::equal(areas.begin(), areas.end(), g_areas.begin(), g_areas.end())) return;
  g_areas.assign(areas.begin(), areas.end());
  g_catalogue.clear();
  HandlerRegistry& registry = handler_registry();
  for (const Area* area : g_areas) {
    if (area->register_handlers != nullptr) area->register_handlers(registry);
    g_catalogue.insert(g_catalogue.end(), area->templates.begin(), area->templates.end());
  }
}

std::span<const Area* const> installed_areas() {
  std::lock_guard<std::mutex> guard(g_mutex);
  return g_areas;
}

std::span<const GroupTemplate* const> template_catalogue() {
  std::lock_guard<std::mutex> guard(g_mutex);
  return g_catalogue;
}

const GroupTemplate* find_template(std::string_view name) {
  for (const GroupTemplate* group_template : template_catalogue()) {
    if (group_template->name == name) return group_template;
  }
  return nullptr;
}

}  // namespace oxim
