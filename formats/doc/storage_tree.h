// SPDX-License-Identifier: Apache-2.0
#pragma once
// StorageTree: the directory tree of a compound file, for finding a stream
// inside one storage (the root's own streams, or an embedded object's).
//
// Each storage's children are a tree of siblings in the directory; the walk
// visits each entry at most once, so a directory whose links loop costs no
// more than its size. A lookup in the root falls back, by name, to the
// streams no other storage holds: those found by scanning the file, and
// those whose sibling links damage broke off the tree.

#include <string_view>
#include <vector>

#include "formats/doc/compound_file.h"

namespace kw {

class StorageTree {
 public:
  explicit StorageTree(const CompoundFile& cf);

  // Whether the directory chain gave the root, and so the tree.
  bool known() const { return root_ != nullptr; }
  // The entries inside `storage` (the root when null), in directory order.
  std::vector<const DirEntry*> children(const DirEntry* storage) const;
  // The stream called `name` (case-insensitive) inside `storage`; in the
  // root, any stream of that name outside every other storage when the
  // tree has none.
  const DirEntry* find(const DirEntry* storage, std::string_view name) const;

 private:
  const CompoundFile& cf_;
  std::vector<const DirEntry*> byIndex_;
  std::vector<char> nested_;            // by index: the entry lies inside a storage other than the root
  mutable std::vector<uint32_t> seen_;  // by index: the walk that last visited the entry
  mutable uint32_t walk_ = 0;
  const DirEntry* root_ = nullptr;
};

}  // namespace kw
