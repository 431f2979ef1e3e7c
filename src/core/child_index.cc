// Name index of a group's children; see child_index.h.
#include "core/child_index.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>

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
  // Written by hand: every node entered into or taken out of the index
  // comes here, and formatting through stdio cost more than the rest.
  const char* name = node->name != nullptr ? node->name : "";
  size_t length = strnlen(name, kNameSize - 1);
  std::memcpy(out, name, length);
  if (is_instanced(node)) {
    char digits[16];
    const std::to_chars_result end =
        std::to_chars(digits, digits + sizeof digits, node->data.group->instance->instance_number);
    const size_t count = std::min(static_cast<size_t>(end.ptr - digits),
                                  static_cast<size_t>(kNameSize - 1) - length);
    std::memcpy(out + length, digits, count);
    length += count;
  }
  out[length] = '\0';
}

bool ChildIndex::display_name_is(const Node* child, std::string_view name) {
  // Compared in place, without writing the display name out: a lookup in
  // a small group compares every child.
  const auto lower = [](char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  };
  const std::string_view base = child->name != nullptr ? child->name : "";
  char digits[16];
  size_t count = 0;
  if (is_instanced(child)) {
    count = static_cast<size_t>(
        std::to_chars(digits, digits + sizeof digits, child->data.group->instance->instance_number)
            .ptr -
        digits);
  }
  if (base.size() + count > static_cast<size_t>(kDisplayNameLength)) {
    // A display name cut to its length: compare it as written.
    char display[kNameSize];
    char have[kNameSize];
    char want[kNameSize];
    display_name(child, display);
    return name.size() <= static_cast<size_t>(kDisplayNameLength) &&
           lower_key(display, have) == lower_key(name, want);
  }
  if (name.size() != base.size() + count) return false;
  for (size_t i = 0; i < base.size(); ++i) {
    if (lower(base[i]) != lower(name[i])) return false;
  }
  return name.substr(base.size()) == std::string_view(digits, count);
}

void ChildIndex::insert(Node* child) {
  if (hashed_) {
    insert_hashed(child);
    return;
  }
  if (small_.size() < kSmallGroup) {
    // In sibling order: before the first listed child that follows it.
    auto at = small_.end();
    if (child->next != child->parent) {
      for (Node* sibling = child->next; sibling != child->parent && at == small_.end();
           sibling = sibling->next) {
        at = std::find(small_.begin(), small_.end(), sibling);
      }
    }
    small_.insert(at, child);
    return;
  }
  // The group outgrows a list: every child, in sibling order, into the map.
  // The members are put in before the new child, so a failure leaves the
  // list as it was.
  std::unordered_map<std::string, std::vector<Node*>, KeyHash, std::equal_to<>> built;
  buckets_.swap(built);
  try {
    hashed_ = true;
    for (Node* member : small_) insert_hashed(member);
    insert_hashed(child);
  } catch (...) {
    hashed_ = false;
    buckets_.clear();
    throw;
  }
  small_.clear();
  small_.shrink_to_fit();
}

void ChildIndex::insert_hashed(Node* child) {
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
  if (!hashed_) {
    std::erase(small_, child);
    return;
  }
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
