// Name index of a group's children; see child_index.h.
#include "core/child_index.h"

#include <algorithm>
#include <cstdio>

#include "core/node.h"

namespace oxim {
namespace {

// Lower-cases name into out. REQUIRES: name.size() < kNameSize.
std::string_view lower_key(std::string_view name, char* out) {
  for (size_t i = 0; i < name.size(); ++i) {
    char c = name[i];
    out[i] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  }
  return std::string_view(out, name.size());
}

std::string key_of(const Node* node) {
  char name[kNameSize];
  char key[kNameSize] = {};
  display_name(node, name);
  return std::string(lower_key(name, key));
}

}  // namespace

void display_name(const Node* node, char* out) {
  const char* name = node->name != nullptr ? node->name : "";
  if (is_instanced(node)) {
    std::snprintf(out, kNameSize, "%s%d", name, node->data.group->instance->instance_number);
  } else {
    std::snprintf(out, kNameSize, "%s", name);
  }
}

void ChildIndex::insert(Node* child) {
  auto [entry, created] = buckets_.try_emplace(key_of(child));
  std::vector<Node*>& bucket = entry->second;
  if (bucket.empty()) {
    try {
      bucket.push_back(child);
    } catch (...) {
      // Leave the index as it was.
      if (created) buckets_.erase(entry);
      throw;
    }
    return;
  }
  // Same display name as existing children (rare): keep sibling order by
  // finding the first bucket member that follows the new child.
  for (Node* sibling = child->next; sibling != child->parent; sibling = sibling->next) {
    auto at = std::find(bucket.begin(), bucket.end(), sibling);
    if (at != bucket.end()) {
      bucket.insert(at, child);
      return;
    }
  }
  bucket.push_back(child);
}

void ChildIndex::erase(Node* child) {
  auto bucket = buckets_.find(key_of(child));
  if (bucket == buckets_.end()) return;
  std::erase(bucket->second, child);
  if (bucket->second.empty()) buckets_.erase(bucket);
}

const std::vector<Node*>* ChildIndex::find(std::string_view name) const {
  if (name.size() > static_cast<size_t>(kDisplayNameLength)) return nullptr;
  char key[kNameSize] = {};
  auto bucket = buckets_.find(lower_key(name, key));
  return bucket == buckets_.end() ? nullptr : &bucket->second;
}

Node* ChildIndex::chain(std::string_view base_name) const {
  auto found = chains_.find(base_name);
  return found == chains_.end() ? nullptr : found->second;
}

void ChildIndex::set_chain(std::string_view base_name, Node* sentinel) {
  if (sentinel == nullptr) {
    auto found = chains_.find(base_name);
    if (found != chains_.end()) chains_.erase(found);
  } else {
    chains_.insert_or_assign(std::string(base_name), sentinel);
  }
}

}  // namespace oxim
