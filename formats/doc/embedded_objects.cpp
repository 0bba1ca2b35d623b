// SPDX-License-Identifier: Apache-2.0
#include "formats/doc/embedded_objects.h"

#include <algorithm>
#include <cstring>

#include "formats/doc/storage_tree.h"
#include "formats/doc/stream_map.h"

namespace kw {

namespace {

uint32_t U32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }

constexpr size_t kNativeHead = 4096;  // the native header's strings are paths: never longer

bool Named(const DirEntry* e, std::string_view name) { return CompoundFile::SameName(e->name, name); }

// The last part of a recorded path, with nothing that could lead out of a
// folder or trouble a terminal; split into a name and an extension.
void SplitFileName(const std::string& path, std::string* name, std::string* ext) {
  std::string base = path.substr(path.find_last_of("/\\:") == std::string::npos ? 0 : path.find_last_of("/\\:") + 1);
  base.erase(std::remove_if(base.begin(), base.end(), [](unsigned char c) { return c < 0x20 || c == 0x7F; }),
             base.end());
  const size_t dot = base.rfind('.');
  if (dot != std::string::npos && dot > 0 && base.size() - dot <= 9) {
    *ext = base.substr(dot + 1);
    std::transform(ext->begin(), ext->end(), ext->begin(), [](unsigned char c) { return char(std::tolower(c)); });
    base.resize(dot);
  }
  while (!base.empty() && (base[0] == '.' || base[0] == ' ')) base.erase(0, 1);
  *name = base.substr(0, 100);
}

// A file wrapped as a native object: size, a type, the label, the original
// path, two flags, the temporary path (after its length), the data's length
// and the data.
bool ReadNative(const StreamMap& map, EmbeddedObject* object) {
  uint8_t h[kNativeHead];
  const size_t n = map.read(0, h, sizeof h);
  size_t at = 6;
  std::string strings[2];
  for (std::string& s : strings) {
    const void* end = at < n ? std::memchr(h + at, 0, n - at) : nullptr;
    if (end == nullptr) return false;
    s.assign(reinterpret_cast<const char*>(h + at), size_t(static_cast<const uint8_t*>(end) - (h + at)));
    at += s.size() + 1;
  }
  at += 4;
  if (at + 4 > n) return false;
  const uint32_t tempLength = U32(h + at);
  at += 4 + size_t(tempLength);
  if (tempLength > kNativeHead || at + 4 > n) return false;
  const uint32_t length = U32(h + at);
  at += 4;
  if (int64_t(at) + length > map.size()) return false;
  object->offset = int64_t(at);
  object->length = length;
  SplitFileName(strings[0].empty() ? strings[1] : strings[0], &object->name, &object->ext);
  return true;
}

// The kind of package by the program that made the object (its CompObj stream).
std::string PackageExtension(CompoundFile& cf, const DirEntry* compObj) {
  if (compObj == nullptr) return "zip";
  std::vector<uint8_t> raw(std::min<uint64_t>(compObj->size, 1024));
  StreamMap(cf, *compObj).read(0, raw.data(), raw.size());
  const std::string text(raw.begin(), raw.end());
  if (text.find("Word.Document") != std::string::npos) return "docx";
  if (text.find("Excel.Sheet") != std::string::npos) return "xlsx";
  if (text.find("PowerPoint.") != std::string::npos) return "pptx";
  return "zip";
}

}  // namespace

std::vector<EmbeddedObject> ListEmbeddedObjects(CompoundFile& cf, const StorageTree& tree, const DirEntry* storage) {
  std::vector<EmbeddedObject> objects;
  const DirEntry* pool = nullptr;
  for (const DirEntry* e : tree.children(storage)) {
    if (e->type == 1 && Named(e, "ObjectPool")) pool = e;
  }
  if (pool == nullptr) return objects;
  for (const DirEntry* o : tree.children(pool)) {
    if (o->type != 1) continue;
    EmbeddedObject object;
    object.storage = o;
    const DirEntry *word = nullptr, *package = nullptr, *native = nullptr, *compObj = nullptr, *biggest = nullptr;
    for (const DirEntry* s : tree.children(o)) {
      if (s->type != 2) continue;
      if (Named(s, "WordDocument")) word = s;
      if (Named(s, "Package")) package = s;
      if (Named(s, "\x01Ole10Native")) native = s;
      if (Named(s,
                "\x01"
                "CompObj"))
        compObj = s;
      const bool own = !s->name.empty() && uint8_t(s->name[0]) >= 0x20;  // not one of the object's bookkeeping streams
      if (own && (biggest == nullptr || s->size > biggest->size)) biggest = s;
    }
    const std::string id = o->name;
    if (word != nullptr) {
      object.kind = EmbeddedObject::Kind::kWordDocument;
    } else if (package != nullptr) {
      object.kind = EmbeddedObject::Kind::kPackage;
      object.stream = package;
      object.length = int64_t(package->size);
      object.ext = PackageExtension(cf, compObj);
      object.name = "object" + id;
    } else if (native != nullptr) {
      object.stream = native;
      if (!ReadNative(StreamMap(cf, *native), &object)) {
        object.offset = 4;
        object.length = std::max<int64_t>(int64_t(native->size) - 4, 0);
        object.name.clear();
      }
      if (object.name.empty()) object.name = "object" + id;
      if (object.ext.empty()) object.ext = "bin";
    } else if (biggest != nullptr) {
      object.stream = biggest;
      object.length = int64_t(biggest->size);
      object.name = "object" + id;
      object.ext = "bin";
    } else {
      continue;
    }
    objects.push_back(std::move(object));
  }
  return objects;
}

}  // namespace kw
