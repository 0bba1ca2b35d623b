// SPDX-License-Identifier: Apache-2.0
#include "formats/doc/storage_tree.h"

#include <algorithm>

namespace kw {

StorageTree::StorageTree(const CompoundFile& cf) : cf_(cf) {
  for (const DirEntry& e : cf.entries()) {
    if (e.index >= cf.entries().size() * 4 + 64) continue;  // no directory has room for it
    if (byIndex_.size() <= e.index) byIndex_.resize(size_t(e.index) + 1, nullptr);
    byIndex_[e.index] = &e;
    if (e.type == 5 && e.index == 0) root_ = &e;
  }
  // Everything below a storage other than the root, each entry marked once.
  nested_.assign(byIndex_.size(), 0);
  std::vector<uint32_t> stack;
  for (const DirEntry* storage : byIndex_) {
    if (storage == nullptr || storage->type != 1) continue;
    stack.push_back(storage->child);
    while (!stack.empty()) {
      const uint32_t i = stack.back();
      stack.pop_back();
      if (i >= byIndex_.size() || byIndex_[i] == nullptr || nested_[i] || byIndex_[i] == root_) continue;
      nested_[i] = 1;
      const DirEntry* e = byIndex_[i];
      stack.push_back(e->left);
      stack.push_back(e->right);
      if (e->type == 1) stack.push_back(e->child);
    }
  }
  seen_.assign(byIndex_.size(), 0);
}

std::vector<const DirEntry*> StorageTree::children(const DirEntry* storage) const {
  std::vector<const DirEntry*> out;
  if (storage == nullptr) storage = root_;
  if (storage == nullptr) return out;
  if (++walk_ == 0) {  // the stamps wrapped: start them again
    std::fill(seen_.begin(), seen_.end(), 0);
    walk_ = 1;
  }
  std::vector<uint32_t> stack{storage->child};
  while (!stack.empty()) {
    const uint32_t i = stack.back();
    stack.pop_back();
    if (i >= byIndex_.size() || byIndex_[i] == nullptr || seen_[i] == walk_) continue;
    seen_[i] = walk_;
    const DirEntry* e = byIndex_[i];
    out.push_back(e);
    stack.push_back(e->left);
    stack.push_back(e->right);
  }
  std::sort(out.begin(), out.end(), [](const DirEntry* a, const DirEntry* b) { return a->index < b->index; });
  return out;
}

const DirEntry* StorageTree::find(const DirEntry* storage, std::string_view name) const {
  for (const DirEntry* e : children(storage)) {
    if (e->type == 2 && CompoundFile::SameName(e->name, name)) return e;
  }
  if (storage != nullptr && storage != root_) return nullptr;
  // The root: a stream no other storage holds (found by scanning the file,
  // or cut off the tree by damage).
  for (const DirEntry& e : cf_.entries()) {
    const bool nested = e.index < nested_.size() && nested_[e.index];
    if (e.type == 2 && !nested && CompoundFile::SameName(e.name, name)) return &e;
  }
  return nullptr;
}

}  // namespace kw
