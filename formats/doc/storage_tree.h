// SPDX-License-Identifier: Apache-2.0
#pragma once
// StorageTree: the directory tree of a compound file, for finding a stream
// inside one storage (the root's own streams, or an embedded object's).
//
// Each storage's children are a tree of siblings in the directory; the walk
// visits each entry at most once, so a directory whose links loop costs no
// more than its size. Entries found by scanning the file have no place in
// the tree: a lookup in the root falls back to them by name.

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
  // root, any stream of that name when the tree has none.
  const DirEntry* find(const DirEntry* storage, std::string_view name) const;

 private:
  const CompoundFile& cf_;
  std::vector<const DirEntry*> byIndex_;
  const DirEntry* root_ = nullptr;
};

}  // namespace kw
