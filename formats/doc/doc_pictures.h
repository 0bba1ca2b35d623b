// SPDX-License-Identifier: Apache-2.0
#pragma once
// DocPictures: the pictures of a Word file, found through its structure and,
// where that is broken, by a scan, each written once, in document order.
//
// Through the structure (Word 97-2003): the runs of text whose character
// properties give a picture location (picture_runs) lead to a PICF in the
// Data stream, followed either by an OfficeArt container whose store entries
// hold the picture, or, in the older style, by the metafile or bitmap
// itself; the floating shapes (drawing_group) lead through their anchors to
// the picture store in the table stream, whose pictures lie in the store or
// in the main stream at their delay offset. Pictures of embedded objects
// are left to the object reader. A picture the document names more than
// once (the same store entry, or the same picture stored twice) is kept
// once, where it first shows.
//
// By a scan: where a structure is lost or damaged, the document's streams
// (as the FAT puts them together) are searched for BLIP records, and a Word
// 6.0/95 main stream for pictures in the older style; with no container at
// all, the whole file is searched and its sectors assumed to follow each
// other. A record found so is kept only when its picture opens as its type
// says; nothing else is taken for a picture.
//
// Every picture is kept as spans of the file (stored_picture.h) and read
// once when found, to learn its size and check it; a picture cut or damaged
// is kept as far as it goes, marked partial, and its gap reported (reader
// "doc"). The work is bounded by the file: no more picture bytes are read
// than four times the file's size (and 64 MiB), nor more than a million
// spans kept.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/picture_record.h"
#include "base/status.h"
#include "formats/doc/compound_file.h"
#include "formats/doc/embedded_objects.h"
#include "formats/doc/fib.h"
#include "formats/doc/office_art.h"
#include "formats/doc/stored_picture.h"

namespace kw {

class DamageReport;
class SourceFile;
class StreamMap;
class YieldClock;

struct WordStreams {
  const DirEntry* main = nullptr;   // WordDocument
  const DirEntry* table = nullptr;  // 0Table or 1Table, when found
  const DirEntry* data = nullptr;   // Data, when the document has one
};

// "picture-001" for n = 1: the name of a document's n-th numbered picture.
std::string NumberedPictureName(size_t n);

// The character position of a main-stream offset, or -1 when no piece holds it.
using CpOfOffset = std::function<int64_t(uint32_t fc)>;

class DocPictures {
 public:
  DocPictures(SourceFile& file, YieldClock* clock, DamageReport* damage);
  ~DocPictures();

  // A Word 97-2003 document in `cf` (the main one, then each embedded one,
  // in the order their pictures come). `cpOf` may be empty (offset order).
  void addDocument(CompoundFile& cf, const WordStreams& streams, const Fib& fib, const CpOfOffset& cpOf);
  // A Word 6.0/95 document: its main stream searched for pictures.
  void addWord6(CompoundFile& cf, const DirEntry& main);
  // A container whose Word streams are lost: every big stream searched.
  void scanContainer(CompoundFile& cf);
  // An embedded object's file, kept under its own name after the pictures of
  // the document that embeds it (reader "package" for a package, else "object").
  void addObjectFile(CompoundFile& cf, const EmbeddedObject& object);
  // No container: the whole file searched, its sectors taken as in order.
  void scanFile(CompoundFile& cf, int64_t size);

  // Each picture once, in document order, read once to check it; appended to
  // *out named "picture-NNN" after those already there. An I/O error only
  // when the file cannot be read.
  Status finish(std::vector<PictureRecord>* out);

 private:
  struct Found;
  struct Document;
  void addBlip(const StreamMap& map, int64_t record, int64_t cp, const char* reader);
  void addStoreEntry(const Document& doc, const StreamMap& where, const BseInfo& bse, int64_t offset, int64_t cp);
  void addPicf(Document& doc, uint32_t location, int64_t cp, bool object);
  void addDrawings(Document& doc, const Fib& fib);
  bool addOldPicture(const StreamMap& map, int64_t begin, int64_t end, uint16_t mm, int16_t ext[2], int64_t cp,
                     const char* reader);
  void scanMap(const StreamMap& map, bool oldStyle, const char* reader, bool followChains = false);
  void note(int64_t offset, int64_t length, std::string reason);
  bool stopped();

  SourceFile& file_;
  YieldClock* clock_;
  DamageReport* damage_;
  std::vector<Found> found_;
  int document_ = 0;
  bool damaged_ = false;  // the document's picture structure did not hold up
  int64_t budget_;        // picture bytes that may still be taken
  int64_t spanBudget_;    // file spans that may still be kept
  bool overBudget_ = false;
  // Takes `bytes` picture bytes in `spans` from the budgets; false when they are spent.
  bool spend(int64_t bytes, size_t spans);
};

}  // namespace kw
