// Instantiating a large group template (several hundred nodes, as the
// controller and function groups are) and deleting it again.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/node_store.h"
#include "oxim/oxim.h"
#include "schema/template.h"

namespace {

using oxim::GroupTemplate;
using oxim::PropertyTemplate;

// 300 properties, 20 commands and 10 fixed sub-groups of 20 properties:
// 531 nodes per instance.
struct LargeTemplate {
  LargeTemplate() {
    for (int i = 0; i < 300; ++i) names.push_back("Property" + std::to_string(i));
    for (const std::string& name : names) {
      properties.push_back(
          {.name = name.c_str(), .description = "a property", .default_value = "0"});
    }
    for (int i = 0; i < 20; ++i) command_names.push_back("Command" + std::to_string(i));
    for (const std::string& name : command_names) {
      commands.push_back(oxim::CommandTemplate{.name = name.c_str(), .description = "a command"});
    }
    for (int i = 0; i < 10; ++i) sub_names.push_back("Fixed" + std::to_string(i));
    for (const std::string& name : sub_names) {
      subs.push_back({.name = name.c_str(), .properties = std::span(properties).first(20)});
    }
    for (const GroupTemplate& sub : subs) sub_pointers.push_back(&sub);
    group = {.name = "Large",
             .maximum = 16,
             .properties = properties,
             .commands = commands,
             .subgroups = sub_pointers};
  }
  std::vector<std::string> names, command_names, sub_names;
  std::vector<PropertyTemplate> properties;
  std::vector<oxim::CommandTemplate> commands;
  std::vector<GroupTemplate> subs;
  std::vector<const GroupTemplate*> sub_pointers;
  GroupTemplate group{.name = ""};
};

void BM_InstantiateLargeTemplate(benchmark::State& state) {
  const std::filesystem::path root =
      std::filesystem::temp_directory_path() / ("oxim-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(root);
  setenv("OXIM_ROOT", root.c_str(), 1);
  OXIM_init();
  LargeTemplate large;
  oxim::Node* parent = oxim::hm_get_root("");
  for (auto _ : state) {
    oxim::Node* group = oxim::instantiate(large.group, parent, nullptr, nullptr, nullptr);
    benchmark::DoNotOptimize(group);
    state.PauseTiming();
    oxim::delete_node(group);
    state.ResumeTiming();
  }
  state.counters["nodes"] = 531;
  OXIM_exit();
  std::filesystem::remove_all(root);
}
BENCHMARK(BM_InstantiateLargeTemplate)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
