// SPDX-License-Identifier: Apache-2.0
#pragma once
// EmbeddedObjects: the objects a Word document embeds, one storage each in
// its ObjectPool storage: another Word document (a storage with its own
// WordDocument stream), a package (a "Package" stream: a .docx, .xlsx or
// .pptx inside), a file wrapped as a native object ("\x01Ole10Native": its
// name and bytes), or any other object's contents.

#include <cstdint>
#include <string>
#include <vector>

#include "formats/doc/compound_file.h"

namespace kw {

class StorageTree;

struct EmbeddedObject {
  enum class Kind { kWordDocument, kPackage, kFile };
  Kind kind = Kind::kFile;
  const DirEntry* storage = nullptr;  // the object's storage
  const DirEntry* stream = nullptr;   // what holds its file (not for a Word document)
  int64_t offset = 0;                 // where the file starts in that stream
  int64_t length = 0;
  std::string name;  // the file name the object records (no folder), or one made from the object's kind
  std::string ext;   // lower case, no dot
};

// The objects in `storage`'s ObjectPool (the root's when null), in directory order.
std::vector<EmbeddedObject> ListEmbeddedObjects(CompoundFile& cf, const StorageTree& tree, const DirEntry* storage);

}  // namespace kw
