// Building and tearing down the tree: the hierarchy, ROOT with its three
// built-in properties, and the call into the adapter start-up.
#ifndef OXIM_STARTUP_TREE_BUILDER_H_
#define OXIM_STARTUP_TREE_BUILDER_H_

#include <cstdint>

namespace oxim {

inline constexpr char kServiceVersionFormat[] = "%d.%d.%d.%d";
inline constexpr int kServiceVersion[4] = {1, 0, 99, 0};
inline constexpr char kHierarchyVersionFormat[] = "%d.%d";
inline constexpr int kHierarchyVersion[2] = {10, 4};

// Builds the tree (init_hm_data). 0, or 1 with nothing left behind.
[[nodiscard]] uint32_t init_hm();
// Shuts the adapter side down and deletes every hierarchy.
void exit_hm();

// Builds ROOT (tag 0) with OXIMServiceVersion, OXIMHierarchyVersion and
// OXIMDebugLevel (tags 1 to 3) and runs the adapter start-up. 0 or 1.
[[nodiscard]] uint32_t init_hm_data();
// Runs the adapter shut-down.
void exit_hm_data();

}  // namespace oxim

#endif  // OXIM_STARTUP_TREE_BUILDER_H_
