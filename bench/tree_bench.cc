// Tree interface costs: name lookup under small and large groups, a cached
// property read, and the child listing of a large group.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/node_store.h"
#include "oxim/oxim.h"
#include "support/tree_builder.h"

namespace {

using oxim::Node;

// A library with one group of `children` properties under ROOT.
class Tree {
 public:
  explicit Tree(int children) {
    root_dir_ = std::filesystem::temp_directory_path() / ("oxim-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(root_dir_);
    setenv("OXIM_ROOT", root_dir_.c_str(), 1);
    OXIM_init();
    group_ = oxim::testing::AddGroup(oxim::testing::Root(), "Large");
    for (int i = 0; i < children; ++i) {
      oxim::testing::AddProperty(group_, ("Child" + std::to_string(i)).c_str(), "value");
    }
    last_name_ = "child" + std::to_string(children - 1);  // case differs on purpose
  }
  ~Tree() {
    OXIM_exit();
    std::filesystem::remove_all(root_dir_);
  }
  uint32_t group_tag() const { return group_->tag; }
  const std::string& last_name() const { return last_name_; }

 private:
  std::filesystem::path root_dir_;
  Node* group_ = nullptr;
  std::string last_name_;
};

void BM_GetNodeTagByName(benchmark::State& state) {
  Tree tree(static_cast<int>(state.range(0)));
  uint32_t tag = 0;
  for (auto _ : state) {
    OXIM_get_node_tag(tree.group_tag(), tree.last_name().c_str(), &tag, OXIM_KIND_PROPERTY);
    benchmark::DoNotOptimize(tag);
  }
}
BENCHMARK(BM_GetNodeTagByName)->Arg(8)->Arg(1024);

void BM_GetCachedPropertyVal(benchmark::State& state) {
  Tree tree(1);
  char value[OXIM_VALUE_SIZE];
  for (auto _ : state) {
    OXIM_get_property_val(OXIM_ROOT_TAG, 1, value, sizeof value);  // OXIMServiceVersion
    benchmark::DoNotOptimize(value);
  }
}
BENCHMARK(BM_GetCachedPropertyVal)->Repetitions(5)->ReportAggregatesOnly(true);

void BM_GetChildTagsOfLargeGroup(benchmark::State& state) {
  Tree tree(static_cast<int>(state.range(0)));
  std::vector<uint32_t> tags(state.range(0));
  uint32_t count = 0;
  for (auto _ : state) {
    OXIM_get_child_tags(tree.group_tag(), tags.data(), &count, OXIM_KIND_PROPERTY);
    benchmark::DoNotOptimize(count);
  }
}
BENCHMARK(BM_GetChildTagsOfLargeGroup)->Arg(1024);

}  // namespace

BENCHMARK_MAIN();
