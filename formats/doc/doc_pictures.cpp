// SPDX-License-Identifier: Apache-2.0
#include "formats/doc/doc_pictures.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <unordered_set>

#include "base/damage_report.h"
#include "base/source_file.h"
#include "base/yield_clock.h"
#include "formats/doc/drawing_group.h"
#include "formats/doc/office_art.h"
#include "formats/doc/picture_heads.h"
#include "formats/doc/picture_runs.h"
#include "formats/doc/stream_map.h"

namespace kw {

namespace {

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t U32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }

using Kind = PictureRecord::Kind;

constexpr int64_t kUnanchored = INT64_MAX / 2;  // after every picture with a place in the text
constexpr size_t kPicfSize = 0x44;
constexpr uint16_t kShape = 0x64, kShapeFile = 0x66;
constexpr size_t kScanChunk = size_t(1) << 20;
constexpr size_t kMaxPictures = 16384;  // a file that claims more is hostile: the rest are skipped

std::string Hex(const uint8_t* p, size_t n) {
  static const char* digits = "0123456789abcdef";
  std::string s;
  for (size_t i = 0; i < n; ++i) {
    s.push_back(digits[p[i] >> 4]);
    s.push_back(digits[p[i] & 15]);
  }
  return s;
}

}  // namespace

std::string NumberedPictureName(size_t n) {
  std::string s = std::to_string(n);
  return "picture-" + (s.size() < 3 ? std::string(3 - s.size(), '0') + s : s);
}

struct DocPictures::Found {
  StoredPicture picture;
  const char* reader = "doc";
  std::string key;  // the same picture gives the same key
  int document = 0;
  int64_t cp = 0;
  size_t sequence = 0;
  int64_t at = 0;    // the file offset its record starts at, for the report
  std::string name;  // its own name (an object's file), else it is numbered
};

struct DocPictures::Document {
  std::unique_ptr<StreamMap> main, table, data;
  DrawingGroup group;      // the floating drawings and the picture store
  std::vector<char> used;  // per store entry: shown by a shape already placed
};

DocPictures::DocPictures(SourceFile& file, YieldClock* clock, DamageReport* damage)
    : file_(file),
      clock_(clock),
      damage_(damage),
      budget_(4 * file.size() + (int64_t(64) << 20)),
      spanBudget_(int64_t(1) << 20) {}

bool DocPictures::spend(int64_t bytes, size_t spans) {
  if (budget_ < bytes || spanBudget_ < int64_t(spans) || found_.size() >= kMaxPictures) {
    overBudget_ = true;
    return false;
  }
  budget_ -= bytes;
  spanBudget_ -= int64_t(spans);
  return true;
}

DocPictures::~DocPictures() = default;

void DocPictures::note(int64_t offset, int64_t length, std::string reason) {
  if (damage_) damage_->add(offset, length, "doc", std::move(reason));
}

bool DocPictures::stopped() {
  if (!clock_) return false;
  clock_->tick();
  return clock_->stopped();
}

void DocPictures::addBlip(const StreamMap& map, int64_t record, int64_t cp, const char* reader) {
  uint8_t head[kBlipHeadRoom];
  const size_t got = map.read(record, head, sizeof head);
  BlipInfo blip;
  if (!ParseBlip(head, got, &blip)) return;
  Found f;
  StoredPicture& p = f.picture;
  p.kind = blip.kind;
  p.ext = blip.ext;
  p.stored = blip.dataLength;
  p.deflated = blip.deflated;
  p.rawSize = blip.rawSize;
  p.dib = blip.dib;
  p.pict = blip.pict;
  p.hint.extentEmu[0] = blip.extentEmu[0];
  p.hint.extentEmu[1] = blip.extentEmu[1];
  // A scan takes a record only when its picture opens as its type says.
  uint8_t first[64];
  const size_t n = map.read(record + blip.dataOffset, first, std::min<size_t>(sizeof first, blip.dataLength));
  if (std::string(reader) != "doc" && !PlausiblePicture(p, first, n)) return;
  if (std::string(reader) != "doc" && p.pict && !p.deflated) return;  // nothing to check it by
  if (budget_ < int64_t(blip.dataLength)) {
    overBudget_ = true;
    return;
  }
  map.spans(record + blip.dataOffset, blip.dataLength, &p.spans);
  if (!spend(blip.dataLength, p.spans.size())) return;
  f.reader = reader;
  f.key = std::to_string(U16(head + 2)) + ':' + Hex(head + 8, 16) + ':' + std::to_string(blip.dataLength);
  f.document = document_;
  f.cp = cp;
  f.sequence = found_.size();
  f.at = std::max<int64_t>(map.fileOffset(record), 0);
  found_.push_back(std::move(f));
}

void DocPictures::addStoreEntry(const Document& doc, const StreamMap& where, const BseInfo& bse, int64_t offset,
                                int64_t cp) {
  if (bse.embedded) return addBlip(where, offset + bse.headLength, cp, "doc");
  if (bse.size == 0) return;  // an entry whose picture was removed
  uint8_t head[kBlipHeadRoom];
  BlipInfo blip;
  if (!doc.main || doc.main->read(bse.delay, head, sizeof head) < kArtHeaderSize ||
      !ParseBlip(head, sizeof head, &blip)) {
    note(where.fileOffset(offset), 0,
         "The picture store names a picture at offset " + std::to_string(bse.delay) +
             " of the main stream, but none is there; it is looked for by a scan instead.");
    damaged_ = true;
    return;
  }
  addBlip(*doc.main, bse.delay, cp, "doc");
}

bool DocPictures::addOldPicture(const StreamMap& map, int64_t begin, int64_t end, uint16_t mm, int16_t ext[2],
                                int64_t cp, const char* reader) {
  uint8_t b[64];
  const size_t n = map.read(begin, b, size_t(std::min<int64_t>(sizeof b, end - begin)));
  Found f;
  StoredPicture& p = f.picture;
  int64_t length = end - begin;
  if (BareWmfHeader(b, n)) {
    p.kind = Kind::kWmf;
    p.ext = "wmf";
    length = std::min<int64_t>(length, int64_t(U32(b + 6)) * 2);  // the metafile's own size, in words
    if (mm == 8 || mm == 7) {  // MM_ANISOTROPIC, MM_ISOTROPIC: the extent in hundredths of a millimetre
      p.hint.extentHimetric[0] = ext[0];
      p.hint.extentHimetric[1] = ext[1];
    }
  } else if (n >= 2 && b[0] == 'B' && b[1] == 'M') {
    p.kind = Kind::kBmp;
    p.ext = "bmp";
  } else if (DibHeaderSize(b, n) > 0) {
    p.kind = Kind::kBmp;
    p.ext = "bmp";
    p.dib = true;
  } else if (n >= 3 && b[0] == 0xFF && b[1] == 0xD8 && b[2] == 0xFF) {
    p.kind = Kind::kJpeg;
    p.ext = "jpg";
  } else if (n >= 8 && std::memcmp(b, "\x89PNG\r\n\x1a\n", 8) == 0) {
    p.kind = Kind::kPng;
    p.ext = "png";
  } else if (n >= 44 && U32(b) == 1 && std::memcmp(b + 40, " EMF", 4) == 0) {
    p.kind = Kind::kEmf;
    p.ext = "emf";
  } else if (n >= 4 && (std::memcmp(b, "II*\0", 4) == 0 || std::memcmp(b, "MM\0*", 4) == 0)) {
    p.ext = "tif";
  } else {
    return false;
  }
  if (length <= 0 || budget_ < length) {
    overBudget_ = length > 0;
    return false;
  }
  p.stored = length;
  map.spans(begin, length, &p.spans);
  if (!spend(length, p.spans.size())) return false;
  const int64_t at = map.fileOffset(begin);
  f.reader = reader;
  f.key = "old:" + std::to_string(at);
  f.document = document_;
  f.cp = cp;
  f.sequence = found_.size();
  f.at = std::max<int64_t>(at, 0);
  found_.push_back(std::move(f));
  return true;
}

void DocPictures::addPicf(Document& doc, uint32_t location, int64_t cp, bool object) {
  if (!doc.data) {
    damaged_ = true;
    return;
  }
  const StreamMap& data = *doc.data;
  if (location >= data.size()) return;  // an embedded object's number, not a place in the stream
  uint8_t h[kPicfSize + 1];
  const size_t got = data.read(location, h, sizeof h);
  const uint32_t lcb = U32(h);
  if (got < kPicfSize || U16(h + 4) != kPicfSize || lcb < kPicfSize) {
    note(std::max<int64_t>(data.fileOffset(location), 0), 0,
         "The picture at offset " + std::to_string(location) +
             " of the Data stream has no valid header; the stream is searched for pictures instead.");
    damaged_ = true;
    return;
  }
  const uint16_t mm = U16(h + 6);
  int16_t ext[2] = {int16_t(U16(h + 8)), int16_t(U16(h + 10))};
  const int64_t end = std::min<int64_t>(int64_t(location) + lcb, data.size());
  if (mm == kShape || mm == kShapeFile) {
    const int64_t begin = int64_t(location) + int64_t(kPicfSize) + (mm == kShapeFile ? 1 + h[kPicfSize] : 0);
    const InlineArt art = ReadInlineArt(data, begin, end);
    damaged_ |= art.damaged;
    // A shape may show a picture of the drawing group's store instead of its own.
    for (const ShapeRef& shape : art.shapes) {
      if (shape.pib == 0 || shape.pib > doc.group.store.size() || !art.entries.empty()) continue;
      doc.used[shape.pib - 1] = 1;
      const StoreEntry& e = doc.group.store[shape.pib - 1];
      if (!art.object && !object && !shape.object) addStoreEntry(doc, *doc.table, e.bse, e.offset, cp);
    }
    if (art.object || object) return;  // an embedded object's picture: the object itself is read instead
    for (const StoreEntry& e : art.entries) addStoreEntry(doc, data, e.bse, e.offset, cp);
    for (int64_t b : art.blips) addBlip(data, b, cp, "doc");
    return;
  }
  if (object) return;
  if (!addOldPicture(data, int64_t(location) + int64_t(kPicfSize), end, mm, ext, cp, "doc") && !overBudget_) {
    note(std::max<int64_t>(data.fileOffset(location), 0), 0,
         "The picture at offset " + std::to_string(location) + " of the Data stream is of no known kind.");
  }
}

void DocPictures::addDocument(CompoundFile& cf, const WordStreams& streams, const Fib& fib, const CpOfOffset& cpOf) {
  ++document_;
  damaged_ = false;
  Document doc;
  doc.main = std::make_unique<StreamMap>(cf, *streams.main);
  if (streams.table) doc.table = std::make_unique<StreamMap>(cf, *streams.table);
  if (streams.data) doc.data = std::make_unique<StreamMap>(cf, *streams.data);
  std::vector<FileSpan> spans;
  for (const auto* map : {doc.main.get(), doc.table.get(), doc.data.get()}) {
    if (map && map->spans(0, map->size(), &spans) < map->size()) damaged_ = true;  // a part of it is lost
  }
  auto cpOfRun = [&](uint32_t fc) {
    const int64_t cp = cpOf ? cpOf(fc) : -1;
    return cp >= 0 ? cp : int64_t(fc);
  };
  if (doc.table) {
    doc.group = ReadDrawingGroup(*doc.table, fib.fcDggInfo, fib.lcbDggInfo, fib.fcSpaMom, fib.lcbSpaMom, clock_);
    doc.used.assign(doc.group.store.size(), 0);
    if (doc.group.damaged) {
      note(std::max<int64_t>(doc.table->fileOffset(fib.fcDggInfo), 0), 0,
           "The drawing layer in the table stream is damaged; its pictures are searched for instead.");
      damaged_ = true;
    }
    const PictureRunList runs = FindPictureRuns(*doc.table, *doc.main, fib.fcBteChpx, fib.lcbBteChpx, clock_);
    if (runs.damagedPages > 0 || runs.tableLost) {
      note(0, 0,
           std::to_string(runs.damagedPages) +
               " pages of character properties are damaged; pictures in their text are searched for instead.");
      damaged_ = true;
    }
    for (const PictureRun& run : runs.runs) {
      if (stopped()) return;
      if (!run.formData) addPicf(doc, run.location, cpOfRun(run.fc), run.object);
    }
    addDrawings(doc, fib);
  } else {
    damaged_ = true;
  }
  if (!damaged_ || stopped()) return;
  for (const auto* map : {doc.data.get(), doc.table.get(), doc.main.get()}) {
    if (map) scanMap(*map, map == doc.data.get(), "doc-scan");
  }
}

// Anchored shapes in the order of the text, then the other shapes, then
// pictures the store holds that no shape shows (an embedded object's picture
// is left to the object).
void DocPictures::addDrawings(Document& doc, const Fib&) {
  const DrawingGroup& group = doc.group;
  auto add = [&](const ShapeRef& shape, int64_t cp) {
    if (shape.pib == 0 || shape.pib > group.store.size()) return;
    doc.used[shape.pib - 1] = 1;
    if (shape.object) return;
    const StoreEntry& e = group.store[shape.pib - 1];
    addStoreEntry(doc, *doc.table, e.bse, e.offset, cp);
  };
  std::vector<uint32_t> order(group.shapes.size());
  for (uint32_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(),
            [&](uint32_t a, uint32_t b) { return group.shapes[a].spid < group.shapes[b].spid; });
  std::vector<char> placed(group.shapes.size(), 0);
  for (const ShapeAnchor& anchor : group.anchors) {
    auto it = std::lower_bound(order.begin(), order.end(), anchor.spid,
                               [&](uint32_t i, uint32_t spid) { return group.shapes[i].spid < spid; });
    if (it == order.end() || group.shapes[*it].spid != anchor.spid || placed[*it]) continue;
    placed[*it] = 1;
    add(group.shapes[*it], anchor.cp);
  }
  for (size_t i = 0; i < group.shapes.size(); ++i) {
    if (!placed[i]) add(group.shapes[i], kUnanchored);
  }
  for (size_t i = 0; i < group.store.size(); ++i) {
    if (!doc.used[i]) addStoreEntry(doc, *doc.table, group.store[i].bse, group.store[i].offset, kUnanchored);
  }
}

void DocPictures::addObjectFile(CompoundFile& cf, const EmbeddedObject& object) {
  if (object.stream == nullptr || object.length <= 0 || budget_ < object.length) return;
  const StreamMap map(cf, *object.stream);
  Found f;
  StoredPicture& p = f.picture;
  p.ext = object.ext;
  p.stored = object.length;
  map.spans(object.offset, object.length, &p.spans);
  if (!spend(object.length, p.spans.size())) return;
  f.reader = object.kind == EmbeddedObject::Kind::kPackage ? "package" : "object";
  f.name = object.name;
  f.key = "object:" + std::to_string(object.storage->index) + ":" + object.storage->name;
  f.document = document_;
  f.cp = kUnanchored + 1;
  f.sequence = found_.size();
  f.at = std::max<int64_t>(map.fileOffset(object.offset), 0);
  found_.push_back(std::move(f));
}

void DocPictures::addWord6(CompoundFile& cf, const DirEntry& main) {
  ++document_;
  scanMap(StreamMap(cf, main), true, "doc-scan");
}

void DocPictures::scanContainer(CompoundFile& cf) {
  ++document_;
  for (const DirEntry& e : cf.entries()) {
    if (stopped()) return;
    if (e.type == 2) scanMap(StreamMap(cf, e), true, "doc-scan");
  }
}

void DocPictures::scanFile(CompoundFile& cf, int64_t size) {
  ++document_;
  // The FAT says where each sector goes on; where its links are lost, the
  // sectors are taken as in order (CompoundFile's guess).
  scanMap(StreamMap(cf, 0, size), true, "file-scan", cf.sectorCount() > 0);
}

void DocPictures::scanMap(const StreamMap& map, bool oldStyle, const char* reader, bool followChains) {
  const int64_t size = map.locatedEnd();
  std::vector<uint8_t> buf(size_t(std::min<int64_t>(size, int64_t(kScanChunk))) + kBlipHeadRoom);
  for (int64_t pos = 0; pos < size;) {
    if (stopped() || overBudget_) return;
    const size_t n = size_t(std::min<int64_t>(int64_t(buf.size()), size - pos));
    map.read(pos, buf.data(), n);
    const size_t scan = std::min(n, buf.size() - kBlipHeadRoom);
    int64_t next = pos + int64_t(scan);
    for (size_t i = 0; i < scan && !overBudget_; ++i) {
      const uint8_t* p = buf.data() + i;
      const size_t left = n - i;
      int64_t skip = 0;
      if (left >= kArtHeaderSize && p[3] == 0xF0 && p[2] >= 0x1A && p[2] <= 0x2A && (p[0] & 0x0F) == 0) {
        BlipInfo blip;
        StoredPicture kind;
        const bool parsed = ParseBlip(p, left, &blip);
        kind.kind = blip.kind;
        kind.ext = blip.ext;
        kind.deflated = blip.deflated;
        // Most candidates fail on the first bytes of their picture, which the buffer holds.
        const bool plausible = !parsed || left < blip.dataOffset + 8 ||
                               PlausiblePicture(kind, p + blip.dataOffset, left - blip.dataOffset);
        if (parsed && plausible) {
          const size_t before = found_.size();
          if (followChains) {
            // A record found in the file: its bytes follow the FAT from its sector on.
            const int64_t at = pos + int64_t(i);
            const int64_t sector = map.file()->sectorSize();
            const int64_t first = at / sector - 1, inside = at % sector;
            if (first >= 0) {
              const int64_t want = inside + int64_t(kArtHeaderSize) + U32(p + 4);
              addBlip(StreamMap(*map.file(), map.file()->locateChain(uint32_t(first), want), want), inside, kUnanchored,
                      reader);
            }
          } else {
            addBlip(map, pos + int64_t(i), kUnanchored, reader);
          }
          if (found_.size() > before) skip = int64_t(kArtHeaderSize) + U32(p + 4);
        }
      } else if (oldStyle && left >= kPicfSize && p[4] == kPicfSize && p[5] == 0) {
        const uint16_t mm = U16(p + 6);
        const uint32_t lcb = U32(p);
        if (((mm >= 1 && mm <= 8) || mm == 0x62 || mm == 0x63) && lcb >= kPicfSize + 18 &&
            int64_t(lcb) <= map.size() - pos - int64_t(i)) {
          int16_t ext[2] = {int16_t(U16(p + 8)), int16_t(U16(p + 10))};
          const int64_t at = pos + int64_t(i);
          if (addOldPicture(map, at + int64_t(kPicfSize), at + lcb, mm, ext, kUnanchored, reader)) skip = lcb;
        }
      }
      if (skip > 0) {
        // Past the record: on in this chunk where it ends inside it, else from its end.
        next = pos + int64_t(i) + skip;
        if (next - pos < int64_t(scan)) {
          i = size_t(next - pos) - 1;
          next = pos + int64_t(scan);
          continue;
        }
        break;
      }
    }
    pos = std::min(next, size);
  }
}

Status DocPictures::finish(std::vector<PictureRecord>* out) {
  std::stable_sort(found_.begin(), found_.end(), [](const Found& a, const Found& b) {
    if (a.document != b.document) return a.document < b.document;
    if (a.cp != b.cp) return a.cp < b.cp;
    return a.sequence < b.sequence;
  });
  if (overBudget_) {
    note(0, 0,
         "The file names more pictures or picture data than it can hold; the pictures after the first ones were "
         "skipped.");
  }
  std::unordered_set<std::string> seen, names;
  for (const PictureRecord& r : *out) names.insert(r.name + "." + r.ext);
  size_t scanned = 0;
  for (Found& f : found_) {
    if (!seen.insert(f.key).second) continue;
    if (stopped()) break;
    StoredPicture& p = f.picture;
    Status status = ProbeStoredPicture(file_, clock_, &p);
    if (!status.ok()) return status;
    if (std::string(f.reader).find("scan") != std::string::npos) ++scanned;
    PictureRecord r;
    r.kind = p.kind;
    r.ext = p.ext;
    r.name = f.name.empty() ? NumberedPictureName(out->size() + 1) : f.name;
    // Two objects may record the same name: the later one gets a number.
    for (int k = 2; !names.insert(r.name + "." + r.ext).second; ++k) {
      r.name = (f.name.empty() ? NumberedPictureName(out->size() + 1) : f.name) + "-" + std::to_string(k);
    }
    r.width = p.width;
    r.height = p.height;
    r.partial = p.partial;
    r.reader = f.reader;
    r.hasBytes = true;
    if (p.partial) {
      const int64_t located = [&] {
        int64_t sum = 0;
        for (const FileSpan& s : p.spans) sum += s.length;
        return sum;
      }();
      const int64_t gapAt = p.spans.empty() ? f.at : p.spans.back().offset + p.spans.back().length;
      note(located < p.stored ? gapAt : f.at, std::max<int64_t>(p.stored - located, 0),
           "Picture " + r.name + "." + r.ext + ": " + p.problem + "; it was written as far as it goes.");
    }
    r.maker = std::make_shared<StoredPictureMaker>(std::move(p));
    out->push_back(std::move(r));
  }
  if (scanned > 0) {
    note(0, 0,
         std::to_string(scanned) + (scanned == 1 ? " picture was" : " pictures were") +
             " found by searching the file, as the structure that lists them is damaged.");
  }
  found_.clear();
  return Status::OK();
}

}  // namespace kw
