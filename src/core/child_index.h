// The children of one group by display name, so that a lookup under a group
// with a thousand children costs about as much as under one with eight.
// Keys are display names in lower case (lookups ignore case); each bucket
// holds the children with that display name in sibling order, so the first
// match of a lookup is the same child a scan of the sibling list would find.
//
// Most groups have a few children and are made and deleted often (a
// session's groups at every login and logout): up to kSmallGroup children
// are kept in one list in sibling order and scanned, and the hash map is
// built only when a group grows past that.
#ifndef OXIM_CORE_CHILD_INDEX_H_
#define OXIM_CORE_CHILD_INDEX_H_

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace oxim {

struct Node;

class ChildIndex {
 public:
  // Adds a child. REQUIRES: child is already linked into its parent's
  // sibling list (its place there decides its place in the bucket). When
  // memory runs out it throws std::bad_alloc and the index is unchanged.
  void insert(Node* child);
  // Removes a child. REQUIRES: child is still linked into the sibling list.
  void erase(Node* child);
  // The first child, in sibling order, whose display name equals name
  // ignoring case and that accept(child) takes; nullptr if none.
  template <class Accept>
  Node* find_first(std::string_view name, Accept accept) const {
    if (!hashed_) {
      for (Node* child : small_) {
        if (display_name_is(child, name) && accept(child)) return child;
      }
      return nullptr;
    }
    if (const std::vector<Node*>* bucket = find(name)) {
      for (Node* child : *bucket) {
        if (accept(child)) return child;
      }
    }
    return nullptr;
  }

  // The sentinel of the instance chain of base_name (case-sensitive), or
  // nullptr; set_chain with nullptr forgets it.
  Node* chain(std::string_view base_name) const;
  void set_chain(std::string_view base_name, Node* sentinel);

 private:
  // Heterogeneous lookup: find() hashes a stack buffer, no allocation.
  struct KeyHash {
    using is_transparent = void;
    size_t operator()(std::string_view key) const { return std::hash<std::string_view>{}(key); }
  };
  static constexpr size_t kSmallGroup = 16;

  // The children whose display name equals name ignoring case, in sibling
  // order; nullptr if there are none. REQUIRES: hashed_.
  const std::vector<Node*>* find(std::string_view name) const;
  // Whether child's display name equals name, ignoring case.
  static bool display_name_is(const Node* child, std::string_view name);
  void insert_hashed(Node* child);

  bool hashed_ = false;
  std::vector<Node*> small_;  // while !hashed_: every child, in sibling order
  std::unordered_map<std::string, std::vector<Node*>, KeyHash, std::equal_to<>> buckets_;
  std::unordered_map<std::string, Node*, KeyHash, std::equal_to<>> chains_;
};

// Writes the display name of a node into out (kDisplayNameLength characters
// at most): its name, followed directly by its instance number for an
// instanced group. REQUIRES: out holds OXIM_NAME_SIZE bytes.
void display_name(const Node* node, char* out);

}  // namespace oxim

#endif  // OXIM_CORE_CHILD_INDEX_H_
