// SPDX-License-Identifier: Apache-2.0
#include "formats/docx/deep/package_scan.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <set>

#include "base/yield_clock.h"
#include "formats/docx/deep/entry_placement.h"
#include "formats/docx/deep/package_directory.h"
#include "formats/docx/deep/package_headers.h"
#include "formats/docx/zip/zip_local_header.h"

namespace kw {

namespace {

constexpr size_t kChunk = 1 << 20;
// Per kind of signature: a file made of signatures stops here. Well above
// the 65,535 entries a package without ZIP64 records lists, and few enough
// that their headers and entries stay within the memory bound.
constexpr size_t kMaxHits = 100000;

struct Signatures {
  std::vector<int64_t> local, central, descriptor, end;
};

Status FindSignatures(SourceFile& file, YieldClock* clock, Signatures* s) {
  // No larger than the file needs: a small package is scanned without clearing a megabyte.
  std::vector<uint8_t> buffer(static_cast<size_t>(std::min<int64_t>(kChunk, file.size())) + 3);
  for (int64_t at = 0; at < file.size(); at += kChunk) {
    const int64_t got = file.readAt(at + 1, buffer.data(), buffer.size());
    if (got < 0) return file.lastError();
    const int64_t last = std::min<int64_t>(got - 4, static_cast<int64_t>(kChunk) - 1);  // the last start to test
    for (int64_t i = 0; i <= last; ++i) {
      const auto* p =
          static_cast<const uint8_t*>(std::memchr(buffer.data() + i, 'P', static_cast<size_t>(last - i + 1)));
      if (p == nullptr) break;
      i = p - buffer.data();
      if (buffer[i + 1] != 'K') continue;
      const uint8_t a = buffer[i + 2], b = buffer[i + 3];
      std::vector<int64_t>* list = nullptr;
      if (a == 3 && b == 4) list = &s->local;
      if (a == 1 && b == 2) list = &s->central;
      if (a == 7 && b == 8) list = &s->descriptor;
      if ((a == 5 && b == 6) || (a == 6 && b == 6) || (a == 6 && b == 7)) list = &s->end;
      if (list != nullptr && list->size() < kMaxHits) list->push_back(at + i);
    }
    if (clock != nullptr) {
      clock->tick();
      if (clock->stopped()) break;
    }
  }
  return Status::OK();
}

std::string Quoted(const PackageHeader& h) { return h.nameReadable ? "\"" + h.name + "\"" : "an unnamed entry"; }

// What may follow an entry's data before the next header: nothing, or a
// data descriptor (with or without its signature, with 32- or 64-bit sizes).
constexpr int64_t kTails[] = {0, 12, 16, 20, 24};

// Verifying where entries lie reads their data: all of it together stays within this much beyond the file's size.
constexpr int64_t kVerifySlack = int64_t{16} << 20;

class Merger {
 public:
  Merger(SourceFile& file, YieldClock* clock, DamageReport* damage) : file_(file), clock_(clock), damage_(damage) {}

  void run(Signatures& s, PackageScan* scan);

 private:
  void report(int64_t offset, int64_t length, std::string reason) {
    if (damage_ != nullptr) damage_->add(offset, length, "zip", std::move(reason));
  }
  int64_t nextBoundary(int64_t after) const {
    auto it = std::upper_bound(boundaries_.begin(), boundaries_.end(), after);
    return it == boundaries_.end() ? file_.size() : *it;
  }
  int documentDirectory(const std::vector<CentralDirectory>& directories, EntryPlacer& placer) const;
  void readDirectory(CentralDirectory& d, bool foreign, EntryPlacer& placer);
  bool fromCentral(const PackageHeader& c, int64_t shift, bool foreign, EntryPlacer& placer);
  void fromLocal(PackageHeader& l, bool foreign);
  void placeData(PackageEntry& e, std::vector<uint64_t> sizes, bool descriptor, bool listed);
  void extendOverlaid();
  // Whether `offset` lies inside the data of an entry extendOverlaid() extended.
  bool covered(int64_t offset) const {
    const auto after = std::lower_bound(covered_.begin(), covered_.end(), std::pair<int64_t, int64_t>{offset, 0});
    return after != covered_.begin() && std::prev(after)->second > offset;
  }

  SourceFile& file_;
  YieldClock* clock_;
  DamageReport* damage_;
  std::vector<int64_t> boundaries_;
  std::set<int64_t> claimed_;
  std::vector<PackageEntry> entries_;
  // The document's directory: the names it lists whose entries were not found.
  std::set<std::string> unplacedNames_;
  bool unplacedUnnamed_ = false;
  // Entries of the document's directory whose size lands on a header past
  // the next one (another file's bytes written over their data hold a
  // header): each entry's index, and where that size ends it.
  std::vector<std::pair<size_t, int64_t>> overlaid_;
  // The data of those that were extended, by where it begins, each
  // reaching as far as the furthest before it.
  std::vector<std::pair<int64_t, int64_t>> covered_;
};

// Frees the signatures' offsets once their headers are read.
void Merger::run(Signatures& s, PackageScan* scan) {
  // Every header is held once, in a vector of its exact size: a package of
  // as many entries as kMaxHits allows stays within the memory bound.
  std::vector<PackageHeader> locals;  // in offset order, as found
  locals.reserve(s.local.size());
  std::vector<PackageHeader> centrals;
  centrals.reserve(s.central.size());
  boundaries_.reserve(s.local.size() + s.central.size() + s.descriptor.size() + s.end.size());
  for (int64_t at : s.local) {
    PackageHeader h;
    if (ReadLocalHeader(file_, at, &h)) locals.push_back(std::move(h));
  }
  for (int64_t at : s.central) {
    PackageHeader h;
    if (!ReadCentralHeader(file_, at, &h)) continue;
    if (h.problem.empty()) boundaries_.push_back(at);
    centrals.push_back(std::move(h));
  }
  for (const PackageHeader& h : locals) {
    if (h.problem.empty()) boundaries_.push_back(h.offset);
  }
  const int64_t headersFound = static_cast<int64_t>(s.local.size() + s.central.size());
  s.local = std::vector<int64_t>();
  s.central = std::vector<int64_t>();
  boundaries_.insert(boundaries_.end(), s.descriptor.begin(), s.descriptor.end());
  boundaries_.insert(boundaries_.end(), s.end.begin(), s.end.end());
  std::sort(boundaries_.begin(), boundaries_.end());

  std::vector<CentralDirectory> directories = GroupDirectories(file_, std::move(centrals), s.end);
  EntryPlacer placer(file_, locals, 2 * file_.size() + kVerifySlack, clock_);
  const int document = documentDirectory(directories, placer);
  size_t records = 0;
  for (const CentralDirectory& d : directories) records += d.records.size();
  entries_.reserve(records);  // an entry for each at most
  // The document's own directory first, so that its records take the local headers that agree with them.
  if (document >= 0) readDirectory(directories[static_cast<size_t>(document)], false, placer);
  extendOverlaid();
  for (size_t i = 0; i < directories.size(); ++i) {
    if (static_cast<int>(i) != document) readDirectory(directories[i], document >= 0, placer);
  }
  directories = {};  // their records are read: the memory goes to the entries of the local headers left
  entries_.reserve(entries_.size() +
                   static_cast<size_t>(std::count_if(locals.begin(), locals.end(), [&](const PackageHeader& l) {
                     return claimed_.count(l.offset) == 0;
                   })));
  for (PackageHeader& l : locals) {
    const int64_t at = l.offset;
    if (claimed_.count(at) != 0 || covered(at)) continue;
    if (!l.problem.empty()) {
      report(at, PackageHeader::kLocalSize, "A local header (" + Quoted(l) + ") was skipped: " + l.problem + ".");
      continue;
    }
    // A complete directory lists every entry of its package: a sound entry it does not list came from elsewhere.
    const bool foreign = document >= 0 && l.nameReadable && !unplacedUnnamed_ && unplacedNames_.count(l.name) == 0;
    fromLocal(l, foreign);
  }
  locals = {};  // every entry is made: their sort's buffer takes the headers' place
  std::stable_sort(entries_.begin(), entries_.end(),
                   [](const PackageEntry& a, const PackageEntry& b) { return a.dataOffset < b.dataOffset; });
  // Headers built to share one stream would read it again and again: each stream is read once.
  entries_.erase(std::unique(entries_.begin(), entries_.end(),
                             [](const PackageEntry& a, const PackageEntry& b) { return a.dataOffset == b.dataOffset; }),
                 entries_.end());
  scan->entries = std::move(entries_);
  scan->headersFound = headersFound;
}

// The document's own directory: of the complete ones whose records mostly
// agree with local headers (a piece of another package holds a directory
// whose entries mostly lie elsewhere or are gone), the one whose package
// starts first: a package inside another's bytes, or after it, came from
// another file. -1 when there is none.
int Merger::documentDirectory(const std::vector<CentralDirectory>& directories, EntryPlacer& placer) const {
  int best = -1;
  int64_t bestStart = INT64_MAX;
  const std::set<int64_t> none;
  for (size_t i = 0; i < directories.size(); ++i) {
    const CentralDirectory& d = directories[i];
    if (!d.complete) continue;
    size_t sound = 0, agreeing = 0;
    int64_t start = d.begin;
    for (const PackageHeader& c : d.records) {
      if (!c.problem.empty()) continue;
      ++sound;
      const Placement placed = placer.place(c, d.shift, none, true);
      if (placed.how != Placed::kAgrees) continue;
      ++agreeing;
      start = std::min(start, placed.local.offset);
    }
    if (agreeing == 0 || agreeing * 4 < sound * 3) continue;
    if (start < bestStart) {
      best = static_cast<int>(i);
      bestStart = start;
    }
  }
  return best;
}

// Frees each record's name once its entry holds a copy.
void Merger::readDirectory(CentralDirectory& d, bool foreign, EntryPlacer& placer) {
  if (d.shift != 0 && !foreign) {
    const int64_t by = d.shift < 0 ? -d.shift : d.shift;
    report(d.begin, d.end - d.begin,
           "The central directory lies " + std::to_string(by) + " bytes " +
               (d.shift > 0 ? "after where its end record places it (bytes were inserted into the package)"
                            : "before where its end record places it (bytes are missing from the package)") +
               "; each entry was looked for where it lies.");
  }
  for (PackageHeader& c : d.records) {
    if (!c.problem.empty()) {
      if (!foreign) {
        report(c.offset, PackageHeader::kCentralSize, "A central directory header was skipped: " + c.problem + ".");
      }
    } else if (fromCentral(c, d.shift, foreign, placer)) {
      std::string().swap(c.name);
      continue;
    }
    if (foreign) continue;
    if (c.nameReadable) unplacedNames_.insert(c.name);
    unplacedUnnamed_ = unplacedUnnamed_ || !c.nameReadable;
  }
}

// False when no local header of the record's entry is found.
bool Merger::fromCentral(const PackageHeader& c, int64_t shift, bool foreign, EntryPlacer& placer) {
  const Placement placed = placer.place(c, shift, claimed_);
  if (placed.how == Placed::kNone) {
    if (!foreign) {
      report(c.localOffset + shift, 0,
             "No local header of " + Quoted(c) +
                 " was found where the central directory places it or anywhere else; the entry was dropped.");
    }
    return false;
  }
  const PackageHeader& l = placed.local;
  if (foreign && covered(l.offset)) return true;  // inside an entry of the document: part of its damage
  claimed_.insert(l.offset);
  PackageEntry e;
  e.name = c.nameReadable ? c.name : (l.nameReadable ? l.name : "");
  e.headerOffset = l.offset;
  e.method = c.method;
  e.foreign = foreign;
  if (!foreign && l.offset != c.localOffset && l.offset != c.localOffset + shift) {
    report(l.offset, PackageHeader::kLocalSize + l.nameLength,
           "The central directory places " + Quoted(c) + " at offset " + std::to_string(c.localOffset + shift) +
               ", but its local header lies here; the entry was read from here.");
  }
  const bool localUsable = l.signatureOk && l.nameLength == c.nameLength && l.problem.empty();
  const bool sameName = l.nameReadable && c.nameReadable && l.name == c.name;
  if (!foreign && (!localUsable || !sameName)) {
    const std::string why = !l.problem.empty()             ? l.problem
                            : l.nameLength != c.nameLength ? "its name length disagrees with the directory"
                                                           : "its name is garbled";
    report(l.offset, PackageHeader::kLocalSize + c.nameLength,
           "The local header of " + Quoted(c) + " is damaged (" + why +
               "); the entry was read with the central directory's numbers.");
  }
  // The local extra field may differ from the directory's; trust it only when its header is sound.
  const uint16_t extra = (l.signatureOk && l.extraLength <= 1024) ? l.extraLength : c.extraLength;
  e.dataOffset = l.offset + PackageHeader::kLocalSize + c.nameLength + extra;
  e.crcs.push_back(c.crc);
  std::vector<uint64_t> sizes = {c.compressedSize};
  if (l.signatureOk && l.problem.empty()) {
    if (l.crc != c.crc && l.crc != 0) e.crcs.push_back(l.crc);
    if (l.compressedSize != 0 && l.compressedSize != c.compressedSize) sizes.push_back(l.compressedSize);
  }
  placeData(e, sizes, c.hasDescriptor(), !foreign);
  entries_.push_back(std::move(e));
  return true;
}

// Takes the header's name.
void Merger::fromLocal(PackageHeader& l, bool foreign) {
  PackageEntry e;
  if (l.nameReadable) e.name = std::move(l.name);
  if (!l.nameReadable) {
    report(l.offset, PackageHeader::kLocalSize + l.nameLength,
           "The local header at this offset has a garbled name; its entry is identified by its content.");
  }
  e.headerOffset = l.offset;
  e.method = l.method;
  e.foreign = foreign;
  e.dataOffset = l.localDataOffset();
  if (!l.hasDescriptor() || l.crc != 0) e.crcs.push_back(l.crc);
  std::vector<uint64_t> sizes;
  if (!l.hasDescriptor() || l.compressedSize != 0) sizes.push_back(l.compressedSize);
  placeData(e, sizes, l.hasDescriptor(), false);
  entries_.push_back(std::move(e));
}

// Decides where an entry's data ends: at a size that lands on the next
// header (directly or through a data descriptor), else at that header, else
// at the end of the file. For an entry `listed` by the document's directory,
// a size that lands on a later header is noted (extendOverlaid()).
void Merger::placeData(PackageEntry& e, std::vector<uint64_t> sizes, bool descriptor, bool listed) {
  const int64_t next = nextBoundary(e.dataOffset - 1);
  e.dataEnd = next;
  bool placed = false;
  for (uint64_t size : sizes) {
    if (size > static_cast<uint64_t>(file_.size())) continue;
    const int64_t end = e.dataOffset + static_cast<int64_t>(size);
    for (int64_t tail : kTails) {
      if (end + tail == next) {
        e.dataEnd = end;
        placed = true;
      }
    }
    if (placed) break;
  }
  auto landsLater = [&](int64_t end) {
    return std::any_of(std::begin(kTails), std::end(kTails), [&](int64_t tail) {
      return end + tail > next && std::binary_search(boundaries_.begin(), boundaries_.end(), end + tail);
    });
  };
  for (uint64_t size : sizes) {
    const int64_t end = e.dataOffset + static_cast<int64_t>(std::min<uint64_t>(size, file_.size()));
    if (!listed || placed || !landsLater(end)) continue;
    overlaid_.emplace_back(entries_.size(), end);
    break;
  }
  if (!placed && !sizes.empty()) {
    const bool anyFits = std::any_of(sizes.begin(), sizes.end(), [&](uint64_t size) {
      return e.dataOffset + static_cast<int64_t>(std::min<uint64_t>(size, file_.size())) <= file_.size();
    });
    e.cut = !anyFits || next == file_.size();
    if (e.method == 0 && anyFits) {
      // Stored data has no end of its own: the smallest size that fits before the next header.
      uint64_t best = UINT64_MAX;
      for (uint64_t size : sizes) {
        if (e.dataOffset + static_cast<int64_t>(std::min<uint64_t>(size, file_.size())) <= next)
          best = std::min(best, size);
      }
      if (best != UINT64_MAX) e.dataEnd = e.dataOffset + static_cast<int64_t>(best), e.cut = false;
    }
  }
  if (descriptor && !placed) {
    // A data descriptor at the next boundary gives the CRC.
    uint8_t d[16];
    if (next + 16 <= file_.size() && file_.readAt(next + 1, d, sizeof d) == sizeof d && ReadLe32(d) == 0x08074B50 &&
        (ReadLe32(d + 8) == static_cast<uint32_t>(next - e.dataOffset) ||
         ReadLe64(d + 8) == static_cast<uint64_t>(next - e.dataOffset))) {
      e.crcs.push_back(ReadLe32(d + 4));
      e.cut = false;
    }
  }
  if (e.dataEnd < e.dataOffset) e.dataEnd = e.dataOffset;
  if (e.dataEnd > file_.size()) e.dataEnd = file_.size();
  if (e.dataOffset > file_.size()) e.dataOffset = e.dataEnd = file_.size();
}

// An entry of the document whose size lands on a later header holds bytes
// of another file with a header in them: it is read to where its size ends
// it, and the headers inside are not entries, unless the document's
// directory places one of its own entries there.
void Merger::extendOverlaid() {
  for (const auto& [index, end] : overlaid_) {
    PackageEntry& e = entries_[index];
    const auto own = claimed_.upper_bound(e.dataOffset);
    if (own != claimed_.end() && *own < end) continue;
    report(nextBoundary(e.dataOffset - 1), 0,
           "The data of " + (e.name.empty() ? std::string("an unnamed entry") : "\"" + e.name + "\"") +
               " holds a header of another file here; the entry was read to the end its central directory record "
               "gives.");
    e.dataEnd = end;
    e.cut = false;
    covered_.emplace_back(e.dataOffset, end);
  }
  overlaid_.clear();
  std::sort(covered_.begin(), covered_.end());
  for (size_t i = 1; i < covered_.size(); ++i)
    covered_[i].second = std::max(covered_[i].second, covered_[i - 1].second);
}

}  // namespace

Status ScanPackage(SourceFile& file, YieldClock* clock, DamageReport* damage, PackageScan* scan) {
  *scan = PackageScan{};
  Signatures s;
  Status status = FindSignatures(file, clock, &s);
  if (!status.ok()) return status;
  Merger merger(file, clock, damage);
  merger.run(s, scan);
  return Status::OK();
}

}  // namespace kw
