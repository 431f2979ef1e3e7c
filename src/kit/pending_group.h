// A group a handler is building: deleted again, with everything below it,
// when the handler leaves before the group is complete, whether by a
// failure return or by an exception. release() hands the finished group
// over to the tree.
//
//   PendingGroup target(instantiate(templates::kTarget, logical_hba, ...));
//   if (!target) return report(kMaxTargets);
//   if (!write_prop(target.get(), "TargetISCSIName", name)) return 1;  // deleted
//   return target.release();
#ifndef OXIM_KIT_PENDING_GROUP_H_
#define OXIM_KIT_PENDING_GROUP_H_

#include "core/node.h"
#include "core/node_store.h"

namespace oxim {

class PendingGroup {
 public:
  explicit PendingGroup(Node* group) : group_(group) {}
  ~PendingGroup() {
    if (group_ != nullptr) (void)delete_node(group_);
  }
  PendingGroup(const PendingGroup&) = delete;
  PendingGroup& operator=(const PendingGroup&) = delete;

  Node* get() const { return group_; }
  explicit operator bool() const { return group_ != nullptr; }
  // The group, which stays in the tree from now on.
  Node* release() {
    Node* group = group_;
    group_ = nullptr;
    return group;
  }

 private:
  Node* group_;
};

}  // namespace oxim

#endif  // OXIM_KIT_PENDING_GROUP_H_
