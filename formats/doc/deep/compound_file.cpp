// SPDX-License-Identifier: Apache-2.0
#include "formats/doc/deep/compound_file.h"

#include <algorithm>
#include <cstring>
#include <unordered_set>

#include "base/cp1252.h"
#include "base/damage_report.h"
#include "base/source_file.h"
#include "base/yield_clock.h"

namespace kw {

namespace {

constexpr uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr int kHeaderDifat = 109;
constexpr uint32_t kMiniSector = 64;
constexpr size_t kEntrySize = 128;

uint32_t U32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }
uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

bool IsLink(uint32_t v) { return v < CompoundFile::kUnknown; }

std::string Hex(int64_t v) {
  char buf[24];
  snprintf(buf, sizeof buf, "0x%llX", static_cast<long long>(v));
  return buf;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const char x = (a[i] >= 'A' && a[i] <= 'Z') ? char(a[i] + 32) : a[i];
    const char y = (b[i] >= 'A' && b[i] <= 'Z') ? char(b[i] + 32) : b[i];
    if (x != y) return false;
  }
  return true;
}

// The order of names that EqualNoCase finds equal (ASCII letters without case).
bool LessNoCase(std::string_view a, std::string_view b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    const char x = (a[i] >= 'A' && a[i] <= 'Z') ? char(a[i] + 32) : a[i];
    const char y = (b[i] >= 'A' && b[i] <= 'Z') ? char(b[i] + 32) : b[i];
    if (x != y) return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
  }
  return a.size() < b.size();
}

void AddHole(std::vector<StreamHole>& holes, int64_t offset, int64_t length) {
  if (length <= 0) return;
  if (!holes.empty() && holes.back().offset + holes.back().length == offset) {
    holes.back().length += length;
  } else {
    holes.push_back({offset, length});
  }
}

}  // namespace

bool CompoundFile::HasSignature(const uint8_t* bytes, size_t size) {
  return size >= sizeof kSignature && std::memcmp(bytes, kSignature, sizeof kSignature) == 0;
}

Status CompoundFile::Open(SourceFile& file, YieldClock* clock, DamageReport* damage) {
  file_ = &file;
  clock_ = clock;
  damage_ = damage;
  fileSize_ = file.size();
  uint8_t probe[1];
  if (fileSize_ > 0 && file.readAt(1, probe, 1) < 0) return file.lastError();
  readHeader();
  readFat();
  readDirectory();
  if (!find("Root Entry") || !find("WordDocument")) scanDirectory();
  return Status::OK();
}

int64_t CompoundFile::readFile(int64_t offset, uint8_t* buffer, size_t length) {
  if (offset < 0 || offset >= fileSize_) return 0;
  const int64_t n = file_->readAt(offset + 1, buffer, length);
  return n < 0 ? 0 : n;
}

void CompoundFile::note(int64_t offset, int64_t length, std::string reason) {
  if (damage_) damage_->add(offset, length, "cfb", std::move(reason));
}

bool CompoundFile::tick() {
  if (!clock_) return false;
  clock_->tick();
  return clock_->stopped();
}

void CompoundFile::readHeader() {
  uint8_t h[512] = {};
  const int64_t n = readFile(0, h, sizeof h);
  headerValid_ = n == int64_t(sizeof h) && HasSignature(h, sizeof h);
  if (headerValid_) {
    const uint16_t shift = U16(h + 0x1E);
    const uint16_t major = U16(h + 0x1A);
    if (shift == 9 || shift == 12) {
      sectorSize_ = 1u << shift;
    } else {
      sectorSize_ = major == 4 ? 4096 : 512;
      note(0x1E, 2, "The header gives an impossible sector size; " + std::to_string(sectorSize_) + " is assumed.");
    }
    fatCount_ = U32(h + 0x2C);
    firstDir_ = U32(h + 0x30);
    miniCutoff_ = U32(h + 0x38);
    if (miniCutoff_ != 4096) {
      note(0x38, 4, "The header gives an unusual small-stream limit; 4096 is assumed.");
      miniCutoff_ = 4096;
    }
    firstMiniFat_ = U32(h + 0x3C);
    miniFatCount_ = U32(h + 0x40);
    firstDifat_ = U32(h + 0x44);
    difatCount_ = U32(h + 0x48);
    for (int i = 0; i < kHeaderDifat && fatSectors_.size() < fatCount_; ++i) {
      const uint32_t s = U32(h + 0x4C + 4 * i);
      if (!IsLink(s)) break;
      fatSectors_.push_back(s);
    }
  }
  sectorCount_ = fileSize_ > sectorSize_ ? uint32_t((fileSize_ - 1) / sectorSize_) : 0;
}

void CompoundFile::readFat() {
  const uint32_t perSector = sectorSize_ / 4;
  std::vector<uint8_t> buf(sectorSize_);
  // FAT sectors listed in DIFAT sectors, after the header's 109.
  std::vector<uint32_t> difat;
  if (headerValid_ && fatSectors_.size() < fatCount_) {
    uint32_t cur = firstDifat_;
    std::vector<bool> seen(sectorCount_);
    uint64_t listed = fatSectors_.size();  // FAT sectors the list names so far
    for (uint32_t i = 0; i < difatCount_ && listed < fatCount_; ++i) {
      if (cur >= sectorCount_ || seen[cur]) {
        note(0, 0, "The list of FAT sectors breaks off; the links held by the missing FAT sectors are guessed.");
        break;
      }
      seen[cur] = true;
      difat.push_back(cur);
      if (readFile(int64_t(cur + 1) * sectorSize_, buf.data(), sectorSize_) < sectorSize_) break;
      for (uint32_t k = 0; k + 1 < perSector && listed < fatCount_; ++k) {
        const uint32_t s = U32(buf.data() + 4 * k);
        if (!IsLink(s)) continue;
        ++listed;
        if (fatSectors_.size() <= sectorCount_) fatSectors_.push_back(s);  // more are cut below
      }
      cur = U32(buf.data() + 4 * (perSector - 1));
    }
  }
  // A FAT never needs more sectors than the file has.
  if (fatSectors_.size() > size_t(sectorCount_) + 1) fatSectors_.resize(size_t(sectorCount_) + 1);
  // The links of the sectors in the file are kept; of those past its end,
  // which only a cut file has, only how many are in use.
  fatEntries_ = std::max<uint64_t>(uint64_t(fatSectors_.size()) * perSector, sectorCount_);
  fat_.assign(sectorCount_, kUnknown);
  int pastEnd = 0;
  for (size_t k = 0; k < fatSectors_.size(); ++k) {
    if (tick()) return;
    const uint32_t s = fatSectors_[k];
    const int64_t at = int64_t(s + 1) * sectorSize_;
    if (s >= sectorCount_ || readFile(at, buf.data(), sectorSize_) < sectorSize_) {
      note(at, sectorSize_,
           "FAT sector " + std::to_string(k) + " lies past the end of the file; the links it held are guessed.");
      continue;
    }
    if (std::all_of(buf.begin(), buf.end(), [](uint8_t b) { return b == 0; })) {
      note(at, sectorSize_, "FAT sector " + std::to_string(k) + " is zeroed; the links it held are guessed.");
      continue;
    }
    for (uint32_t i = 0; i < perSector; ++i) {
      const uint64_t at = uint64_t(k) * perSector + i;
      const uint32_t v = U32(buf.data() + 4 * i);
      if (at < sectorCount_) {
        fat_[at] = v;
      } else if (pastEnd < 2) {
        pastEnd += IsLink(v) || v == kEndOfChain;
      }
    }
  }
  // A cut file leaves the FAT with sectors in use past its end; one stray link
  // there is damage to the FAT instead.
  for (uint32_t s : fatSectors_) pastEnd += s >= sectorCount_ ? 2 : 0;
  cut_ = pastEnd >= 2;
  reserved_.assign(sectorCount_, false);
  for (const std::vector<uint32_t>* list : {&fatSectors_, &difat}) {
    for (uint32_t s : *list) {
      if (s < sectorCount_) reserved_[s] = true;
    }
  }
  for (uint32_t i = 0; i < sectorCount_ && i < fat_.size(); ++i) {
    if (fat_[i] == kFatSector || fat_[i] == kDifatSector) reserved_[i] = true;
  }
  if (!headerValid_) {
    // Look for FAT sectors: every entry a link or a mark, at least one FAT mark
    // and one chain end. Taken in file order, and kept only when the FAT marks
    // they hold name exactly the sectors found.
    std::vector<uint32_t> found;
    std::vector<uint32_t> table;
    constexpr uint32_t kSectorsPerRead = 64;
    std::vector<uint8_t> chunk(size_t(kSectorsPerRead) * sectorSize_);
    int64_t chunkSize = 0;
    for (uint32_t s = 0; s < sectorCount_ && found.size() <= 64; ++s) {
      if ((s & 255) == 0 && tick()) return;
      const int64_t within = int64_t(s % kSectorsPerRead) * sectorSize_;
      if (within == 0) chunkSize = readFile(int64_t(s + 1) * sectorSize_, chunk.data(), chunk.size());
      if (chunkSize - within < sectorSize_) break;
      const uint8_t* sector = chunk.data() + within;
      bool ok = true, mark = false, end = false;
      for (uint32_t i = 0; i < perSector && ok; ++i) {
        const uint32_t v = U32(sector + 4 * i);
        mark |= v == kFatSector;
        end |= v == kEndOfChain;
        ok = v <= sectorCount_ || v >= kDifatSector;
      }
      if (!ok || !mark || !end) continue;
      found.push_back(s);
      for (uint32_t i = 0; i < perSector; ++i) table.push_back(U32(sector + 4 * i));
    }
    bool consistent = !found.empty();
    for (uint32_t i = 0; i < table.size() && consistent; ++i) {
      const bool listed = std::binary_search(found.begin(), found.end(), i);
      consistent = listed == (table[i] == kFatSector);
    }
    if (consistent) {
      for (uint32_t i = 0; i < table.size() && i < fat_.size(); ++i) fat_[i] = table[i];
      for (uint32_t s : found) reserved_[s] = true;
      note(0, 0, "The FAT was found by scanning the file, since the header is damaged.");
    }
  }
}

CompoundFile::Chain CompoundFile::follow(const std::vector<uint32_t>& table, uint32_t start, uint64_t needed,
                                         uint32_t limit, const std::vector<bool>* reserved,
                                         const std::vector<bool>* taken) {
  Chain c;
  // The sectors this walk has been through carry its number, so that a walk
  // costs the sectors it visits, never the size of the table.
  if (walkMarks_.size() < limit) walkMarks_.resize(limit, 0);
  if (++walk_ == 0) {
    std::fill(walkMarks_.begin(), walkMarks_.end(), 0);
    walk_ = 1;
  }
  const auto seen = [this](uint32_t s) { return walkMarks_[s] == walk_; };
  const uint64_t tableSize = &table == &fat_ ? fatEntries_ : table.size();
  uint32_t cur = start;
  while (c.sectors.size() < needed && cur < limit && !seen(cur) && !(taken && (*taken)[cur])) {
    if ((c.sectors.size() & 4095) == 4095 && tick()) break;
    walkMarks_[cur] = walk_;
    c.sectors.push_back(cur);
    ++walked_;
    if (c.sectors.size() >= needed) break;
    uint32_t next = cur < table.size() ? table[cur] : kUnknown;
    const char* bad = nullptr;
    if (next == kUnknown) {
      bad = "was lost";
    } else if (next == kEndOfChain) {
      if (needed == UINT64_MAX) break;  // a chain of unknown length ends here
      bad = "ends the chain before the stream's end";
    } else if (!IsLink(next)) {
      bad = "points to a free or reserved sector";
    } else if (next >= limit) {
      if (next < tableSize && reserved == &reserved_ && cut_) break;  // a sector past the end of a cut file
      bad = next < tableSize ? "points past the end of the file" : "points past the end of the table";
    } else if (seen(next)) {
      bad = "loops back to an earlier sector";
    }
    if (bad) {
      next = cur + 1;
      while (reserved && next < limit && next < reserved->size() && (*reserved)[next]) ++next;
      if (next >= limit || seen(next)) break;
      if (!c.guessed) {
        c.guessed = true;
        c.firstGuess = cur;
        c.why = bad;
      }
    }
    cur = next;
  }
  return c;
}

int64_t CompoundFile::inFile(uint32_t sector, int64_t length) const {
  return std::clamp<int64_t>(fileSize_ - int64_t(sector + 1) * sectorSize_, 0, length);
}

StreamData CompoundFile::readBig(uint32_t start, uint64_t size, std::string_view what) {
  StreamData d;
  size = std::min<uint64_t>(size, uint64_t(fileSize_));
  const uint64_t needed = (size + sectorSize_ - 1) / sectorSize_;
  const Chain c = follow(fat_, start, needed, sectorCount_, &reserved_);
  d.bytes.assign(size, 0);
  // One read per run of neighbouring sectors; a run that reads short is read
  // again a sector at a time, so that each hole is exactly what could not be read.
  for (size_t i = 0; i < c.sectors.size();) {
    size_t j = i + 1;
    while (j < c.sectors.size() && c.sectors[j] == c.sectors[j - 1] + 1) ++j;
    const int64_t pos = int64_t(i) * sectorSize_;
    const int64_t len = std::min<int64_t>(int64_t(j - i) * sectorSize_, int64_t(size) - pos);
    const int64_t got = readFile(int64_t(c.sectors[i] + 1) * sectorSize_, d.bytes.data() + pos, size_t(len));
    const bool whole = got == inFile(c.sectors[i], len);
    for (size_t k = i; k < j; ++k) {
      const int64_t at = int64_t(k) * sectorSize_;
      const int64_t n = std::min<int64_t>(sectorSize_, int64_t(size) - at);
      const int64_t part = whole ? std::clamp<int64_t>(got - (at - pos), 0, n)
                                 : readFile(int64_t(c.sectors[k] + 1) * sectorSize_, d.bytes.data() + at, size_t(n));
      AddHole(d.holes, at + part, n - part);
    }
    i = j;
  }
  const int64_t covered = int64_t(c.sectors.size()) * sectorSize_;
  AddHole(d.holes, covered, int64_t(size) - covered);
  reportBig(c, d.holes, what);
  return d;
}

void CompoundFile::reportBig(const Chain& c, const std::vector<StreamHole>& holes, std::string_view what) {
  if (c.guessed) {
    note(int64_t(c.firstGuess + 1) * sectorSize_, sectorSize_,
         std::string(what) + ": the FAT link after sector " + std::to_string(c.firstGuess) + " " + c.why +
             "; the stream is assumed to go on in the next sector.");
  }
  const int64_t covered = int64_t(c.sectors.size()) * sectorSize_;
  for (const StreamHole& h : holes) {
    const bool cut = int64_t(c.sectors.empty() ? 0 : c.sectors.back() + 2) * sectorSize_ >= fileSize_;
    note(h.offset < covered ? int64_t(c.sectors[h.offset / sectorSize_] + 1) * sectorSize_ : fileSize_, h.length,
         std::string(what) + ": " + std::to_string(h.length) + " bytes from stream offset " + Hex(h.offset) +
             (cut ? " are missing: the file ends first." : " are missing: the sector chain breaks off."));
  }
}

StreamLayout CompoundFile::layOut(const Chain& c, int64_t size) const {
  StreamLayout out;
  out.size = size;
  for (size_t i = 0; i < c.sectors.size(); ++i) {
    const int64_t pos = int64_t(i) * sectorSize_;
    const int64_t len = std::min<int64_t>(sectorSize_, size - pos);
    StreamLayout::Run* last = out.runs.empty() ? nullptr : &out.runs.back();
    if (last && last->sector + last->count == c.sectors[i]) {
      ++last->count;
    } else {
      out.runs.push_back({pos, c.sectors[i], 1});
    }
    const int64_t part = inFile(c.sectors[i], len);
    AddHole(out.holes, pos + part, len - part);
  }
  const int64_t covered = int64_t(c.sectors.size()) * sectorSize_;
  AddHole(out.holes, covered, size - covered);
  return out;
}

bool CompoundFile::layout(const DirEntry& entry, StreamLayout* out) {
  if (entry.type != 5 && entry.size < miniCutoff_) return false;
  const uint64_t size = std::min<uint64_t>(entry.size, uint64_t(fileSize_));
  const Chain c = follow(fat_, entry.start, (size + sectorSize_ - 1) / sectorSize_, sectorCount_, &reserved_);
  *out = layOut(c, int64_t(size));
  reportBig(c, out->holes, "Stream \"" + entry.name + "\"");
  return true;
}

StreamLayout CompoundFile::chainLayout(uint32_t sector, int64_t maxBytes) {
  const int64_t size = std::clamp<int64_t>(maxBytes, 0, fileSize_);
  return layOut(follow(fat_, sector, (uint64_t(size) + sectorSize_ - 1) / sectorSize_, sectorCount_, &reserved_), size);
}

StreamLayout CompoundFile::containerLayout(uint32_t sector) {
  const Chain c = follow(fat_, sector, UINT64_MAX, sectorCount_, &reserved_);
  return layOut(c, std::min<int64_t>(int64_t(c.sectors.size()) * sectorSize_, fileSize_));
}

int64_t CompoundFile::readLaid(const StreamLayout& layout, int64_t offset, uint8_t* buffer, size_t length) {
  const int64_t end = std::min<int64_t>(offset + int64_t(length), layout.size);
  int64_t done = offset;  // bytes before it are in the buffer
  int64_t unread = 0;
  auto run = std::upper_bound(layout.runs.begin(), layout.runs.end(), offset,
                              [](int64_t at, const StreamLayout::Run& r) { return at < r.at; });
  if (run != layout.runs.begin()) --run;
  for (; run != layout.runs.end() && run->at < end; ++run) {
    const int64_t a = std::max(run->at, done);
    const int64_t b = std::min(run->at + int64_t(run->count) * sectorSize_, end);
    if (b <= a) continue;
    std::memset(buffer + (done - offset), 0, size_t(a - done));
    const int64_t from = int64_t(run->sector + 1) * sectorSize_ + (a - run->at);
    const int64_t got = readFile(from, buffer + (a - offset), size_t(b - a));
    std::memset(buffer + (a - offset) + got, 0, size_t(b - a - got));
    unread += std::clamp<int64_t>(fileSize_ - from, 0, b - a) - got;
    done = b;
  }
  if (end > done) std::memset(buffer + (done - offset), 0, size_t(end - done));
  return unread;
}

void CompoundFile::loadMiniFat() {
  if (miniFatLoaded_) return;
  miniFatLoaded_ = true;
  if (!headerValid_ || firstMiniFat_ == kEndOfChain) return;
  StreamData raw = readBig(firstMiniFat_, uint64_t(miniFatCount_) * sectorSize_, "The small-stream FAT");
  miniFat_.assign(raw.bytes.size() / 4, kUnknown);
  for (size_t i = 0; i < miniFat_.size(); ++i) miniFat_[i] = U32(raw.bytes.data() + 4 * i);
  for (const StreamHole& h : raw.holes) {
    for (int64_t i = h.offset / 4; i < (h.offset + h.length + 3) / 4 && i < int64_t(miniFat_.size()); ++i) {
      miniFat_[i] = kUnknown;
    }
  }
}

void CompoundFile::loadMini() {
  loadMiniFat();
  if (miniLoaded_) return;
  miniLoaded_ = true;
  const DirEntry* root = find("Root Entry");
  if (root) miniStream_ = readBig(root->start, root->size, "The small-stream container");
}

std::vector<bool> CompoundFile::nonTextSectors(std::string_view textStream) {
  std::vector<bool> mask(sectorCount_);
  // The chains of a sound file never share a sector, so walking them all
  // costs each sector once. Chains that run into each other (through guessed
  // links) could cost a walk of the file per entry: once the walks have gone
  // through the file twice, a walk stops at a sector an earlier one took.
  std::vector<bool> taken(sectorCount_);
  const int64_t budget = walked_ + 2 * int64_t(sectorCount_) + 4096;
  auto mark = [&](uint32_t start, uint64_t needed) {
    const Chain c = follow(fat_, start, needed, sectorCount_, &reserved_, walked_ > budget ? &taken : nullptr);
    for (uint32_t s : c.sectors) mask[s] = taken[s] = true;
  };
  for (uint32_t s : fatSectors_) {
    if (s < sectorCount_) mask[s] = true;
  }
  if (headerValid_) mark(firstDir_, UINT64_MAX);
  for (const DirEntry& e : entries_) {
    if (tick()) break;
    const int64_t at = e.fileOffset / sectorSize_ - 1;
    if (at >= 0 && at < int64_t(sectorCount_)) mask[at] = true;
    if (EqualNoCase(e.name, textStream) || e.type == 1 || (e.type == 2 && e.size < miniCutoff_)) continue;
    mark(e.start, (std::min<uint64_t>(e.size, uint64_t(fileSize_)) + sectorSize_ - 1) / sectorSize_);
  }
  return mask;
}

std::vector<uint32_t> CompoundFile::miniChainStarts() {
  loadMiniFat();
  std::vector<bool> pointed(miniFat_.size());
  for (uint32_t v : miniFat_) {
    if (v < miniFat_.size()) pointed[v] = true;
  }
  std::vector<uint32_t> starts;
  for (uint32_t i = 0; i < miniFat_.size(); ++i) {
    if (!pointed[i] && (IsLink(miniFat_[i]) || miniFat_[i] == kEndOfChain)) starts.push_back(i);
  }
  return starts;
}

StreamData CompoundFile::miniChainIn(const StreamLayout& container, uint32_t miniSector, int64_t maxBytes) {
  StreamData d;
  const uint64_t size = uint64_t(std::clamp<int64_t>(maxBytes, 0, container.size));
  d.bytes.assign(size, 0);
  const Chain c =
      follow(miniFat_, miniSector, (size + kMiniSector - 1) / kMiniSector, uint32_t(container.size / kMiniSector));
  // Neighbouring small sectors are read together.
  for (size_t i = 0; i < c.sectors.size();) {
    size_t j = i + 1;
    while (j < c.sectors.size() && c.sectors[j] == c.sectors[j - 1] + 1) ++j;
    const int64_t pos = int64_t(i) * kMiniSector;
    const int64_t len = std::min<int64_t>(int64_t(j - i) * kMiniSector, int64_t(size) - pos);
    readLaid(container, int64_t(c.sectors[i]) * kMiniSector, d.bytes.data() + pos, size_t(len));
    i = j;
  }
  const int64_t covered = int64_t(c.sectors.size()) * kMiniSector;
  AddHole(d.holes, covered, int64_t(size) - covered);
  return d;
}

StreamData CompoundFile::readMini(uint32_t start, uint64_t size, std::string_view what) {
  loadMini();
  StreamData d;
  d.bytes.assign(size, 0);
  const uint32_t limit = uint32_t(miniStream_.bytes.size() / kMiniSector);
  const Chain c = follow(miniFat_, start, (size + kMiniSector - 1) / kMiniSector, limit);
  for (size_t i = 0; i < c.sectors.size(); ++i) {
    const int64_t pos = int64_t(i) * kMiniSector;
    const int64_t len = std::min<int64_t>(kMiniSector, int64_t(size) - pos);
    const int64_t from = int64_t(c.sectors[i]) * kMiniSector;
    std::memcpy(d.bytes.data() + pos, miniStream_.bytes.data() + from, len);
    for (const StreamHole& h : miniStream_.holes) {
      if (h.offset < from + len && from < h.offset + h.length) AddHole(d.holes, pos, len);
    }
  }
  const int64_t covered = int64_t(c.sectors.size()) * kMiniSector;
  AddHole(d.holes, covered, int64_t(size) - covered);
  if (c.guessed) {
    note(0, 0,
         std::string(what) + ": the small-stream link after small sector " + std::to_string(c.firstGuess) + " " +
             c.why + "; the stream is assumed to go on in the next small sector.");
  }
  for (const StreamHole& h : d.holes) {
    note(0, h.length,
         std::string(what) + ": " + std::to_string(h.length) + " bytes from stream offset " + Hex(h.offset) +
             " are missing: the small-stream chain breaks off or its container is damaged.");
  }
  return d;
}

bool CompoundFile::parseEntry(const uint8_t* raw, int64_t offset, DirEntry* e) const {
  const uint16_t nameLen = U16(raw + 0x40);
  const uint8_t type = raw[0x42];
  if ((type != 1 && type != 2 && type != 5) || raw[0x43] > 1) return false;
  if (nameLen < 4 || nameLen > 64 || (nameLen & 1)) return false;
  const int chars = nameLen / 2 - 1;
  if (U16(raw + 2 * chars) != 0) return false;
  std::string name;
  for (int i = 0; i < chars; ++i) {
    const char16_t ch = U16(raw + 2 * i);
    if (ch == 0 || (ch >= 0xD800 && ch <= 0xDFFF)) return false;
    AppendUtf8(name, ch);
  }
  e->name = std::move(name);
  e->type = type;
  e->start = U32(raw + 0x74);
  e->size = sectorSize_ == 512 ? U32(raw + 0x78) : (uint64_t(U32(raw + 0x7C)) << 32 | U32(raw + 0x78));
  e->fileOffset = offset;
  e->left = U32(raw + 0x44);
  e->right = U32(raw + 0x48);
  e->child = U32(raw + 0x4C);
  return true;
}

void CompoundFile::readDirectory() {
  if (!headerValid_) return;
  const Chain c = follow(fat_, firstDir_, UINT64_MAX, sectorCount_, &reserved_);
  std::vector<uint8_t> buf(sectorSize_);
  for (size_t i = 0; i < c.sectors.size(); ++i) {
    if (tick()) return;
    const int64_t at = int64_t(c.sectors[i] + 1) * sectorSize_;
    if (readFile(at, buf.data(), sectorSize_) < sectorSize_) break;
    int valid = 0;
    for (size_t k = 0; k + kEntrySize <= sectorSize_; k += kEntrySize) {
      DirEntry e;
      if (parseEntry(buf.data() + k, at + int64_t(k), &e)) {
        e.index = uint32_t(i * (sectorSize_ / kEntrySize) + k / kEntrySize);
        entries_.push_back(std::move(e));
        ++valid;
      }
    }
    const bool wiped = std::all_of(buf.begin(), buf.end(), [](uint8_t b) { return b == 0; });
    if (valid == 0 && (wiped || c.guessed)) {
      // A wiped directory sector, or a guessed link that led nowhere.
      note(at, sectorSize_,
           "Directory sector " + std::to_string(c.sectors[i]) +
               " holds no readable entries; the file is searched for the lost ones.");
      if (c.guessed) break;
    }
  }
}

void CompoundFile::scanDirectory() {
  // Writers leave stale copies of the directory in free sectors: of entries
  // with the same name, the one in a sector in use wins, then a non-empty one,
  // then the first found. A name the directory chain already gives is never
  // taken again; nor is a storage's once a stream of that name is taken.
  // Names are matched through sorted indexes, never a table per name, so
  // that a file of nothing but entries costs a few bytes per entry more.
  auto score = [this](const DirEntry& e) {
    const int64_t sector = e.fileOffset / sectorSize_ - 1;
    const bool used = sector >= 0 && size_t(sector) < fat_.size() && fat_[sector] != kFree;
    return (used ? 2 : 0) + (e.size > 0 ? 1 : 0);
  };
  auto isStream = [](const DirEntry& e) { return e.type == 2 || e.type == 5; };
  // The streams the directory chain gives, by name (find() compares without case).
  std::vector<uint32_t> chain;
  for (uint32_t i = 0; i < entries_.size(); ++i) {
    if (isStream(entries_[i])) chain.push_back(i);
  }
  std::sort(chain.begin(), chain.end(),
            [&](uint32_t a, uint32_t b) { return LessNoCase(entries_[a].name, entries_[b].name); });
  auto inChain = [&](const std::string& name) {
    const auto at = std::lower_bound(chain.begin(), chain.end(), name,
                                     [&](uint32_t i, const std::string& n) { return LessNoCase(entries_[i].name, n); });
    return at != chain.end() && EqualNoCase(entries_[*at].name, name);
  };
  // The entries found, in file order, their names in one arena.
  struct Candidate {
    uint64_t size;
    uint32_t fileOffset;  // a file is under 2 GiB
    uint32_t start;
    uint32_t nameAt;
    uint8_t nameLength;
    uint8_t type;
    uint8_t score;
    bool taken;
  };
  std::vector<Candidate> found;
  std::string names;
  auto nameOf = [&](const Candidate& c) { return std::string_view(names).substr(c.nameAt, c.nameLength); };
  std::vector<uint8_t> buf(1 << 16);
  for (int64_t base = sectorSize_; base < fileSize_; base += int64_t(buf.size())) {
    if (tick()) return;
    const int64_t got = readFile(base, buf.data(), buf.size());
    for (int64_t k = 0; k + int64_t(kEntrySize) <= got; k += kEntrySize) {
      DirEntry e;
      if (!parseEntry(buf.data() + k, base + k, &e) || inChain(e.name)) continue;
      found.push_back({e.size, uint32_t(e.fileOffset), e.start, uint32_t(names.size()), uint8_t(e.name.size()), e.type,
                       uint8_t(score(e)), true});
      names += e.name;
    }
  }
  std::vector<uint32_t> order(found.size());
  for (uint32_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) { return found[a].score > found[b].score; });
  // In that order, a name is taken until its first stream is, and no more.
  std::vector<uint32_t> byName = order;
  std::stable_sort(byName.begin(), byName.end(),
                   [&](uint32_t a, uint32_t b) { return LessNoCase(nameOf(found[a]), nameOf(found[b])); });
  size_t added = 0;
  for (size_t i = 0; i < byName.size();) {
    size_t j = i;
    bool streamTaken = false;
    for (; j < byName.size() && EqualNoCase(nameOf(found[byName[j]]), nameOf(found[byName[i]])); ++j) {
      Candidate& c = found[byName[j]];
      c.taken = !streamTaken;
      added += c.taken;
      streamTaken = streamTaken || c.type == 2 || c.type == 5;
    }
    i = j;
  }
  byName = std::vector<uint32_t>();
  entries_.reserve(entries_.size() + added);
  for (const uint32_t i : order) {
    const Candidate& c = found[i];
    if (!c.taken) continue;
    DirEntry e;
    e.name = std::string(nameOf(c));
    e.type = c.type;
    e.start = c.start;
    e.size = c.size;
    e.fileOffset = c.fileOffset;
    e.scanned = true;
    entries_.push_back(std::move(e));
  }
  if (added > 0) {
    note(0, 0,
         std::to_string(added) + " directory entries were found by scanning the file, as the directory " +
             (headerValid_ ? "chain lacks them." : "cannot be located through the damaged header."));
  }
}

const DirEntry* CompoundFile::find(std::string_view name) const {
  for (const DirEntry& e : entries_) {
    if ((e.type == 2 || e.type == 5) && EqualNoCase(e.name, name)) return &e;
  }
  return nullptr;
}

StreamData CompoundFile::read(const DirEntry& entry) {
  const std::string what = "Stream \"" + entry.name + "\"";
  if (entry.type != 5 && entry.size < miniCutoff_) return readMini(entry.start, entry.size, what);
  return readBig(entry.start, entry.size, what);
}

std::vector<uint32_t> CompoundFile::chainStarts() const {
  std::vector<bool> pointed(sectorCount_);
  for (uint32_t i = 0; i < sectorCount_ && i < fat_.size(); ++i) {
    if (fat_[i] < sectorCount_) pointed[fat_[i]] = true;
  }
  std::vector<uint32_t> starts;
  for (uint32_t i = 0; i < sectorCount_; ++i) {
    const uint32_t v = i < fat_.size() ? fat_[i] : kUnknown;
    if (!pointed[i] && v != kFree && v != kFatSector && v != kDifatSector) starts.push_back(i);
  }
  return starts;
}

std::vector<FileRun> CompoundFile::locate(const DirEntry& entry) {
  std::vector<FileRun> runs;
  auto add = [&](int64_t at, int64_t file, int64_t length) {
    length = std::min(length, fileSize_ - file);
    if (length <= 0) return;
    FileRun* last = runs.empty() ? nullptr : &runs.back();
    if (last && last->at + last->length == at && last->file + last->length == file) {
      last->length += length;
    } else {
      runs.push_back({at, file, length});
    }
  };
  const uint64_t size = std::min<uint64_t>(entry.size, uint64_t(fileSize_));
  if (entry.type == 5 || size >= miniCutoff_) {
    const Chain c = follow(fat_, entry.start, (size + sectorSize_ - 1) / sectorSize_, sectorCount_, &reserved_);
    for (size_t i = 0; i < c.sectors.size(); ++i) {
      const int64_t at = int64_t(i) * sectorSize_;
      add(at, int64_t(c.sectors[i] + 1) * sectorSize_, std::min<int64_t>(sectorSize_, int64_t(size) - at));
    }
    return runs;
  }
  loadMiniFat();
  const DirEntry* root = find("Root Entry");
  if (root == nullptr) return runs;
  // The container is the root's chain of sectors, whatever its entry says
  // of its type and size (loadMini() reads it so too).
  DirEntry container = *root;
  container.type = 5;
  const std::vector<FileRun> home = locate(container);
  const Chain c = follow(miniFat_, entry.start, (size + kMiniSector - 1) / kMiniSector,
                         uint32_t(std::min<uint64_t>(root->size, uint64_t(fileSize_)) / kMiniSector));
  for (size_t i = 0; i < c.sectors.size(); ++i) {
    const int64_t at = int64_t(i) * kMiniSector;
    const int64_t from = int64_t(c.sectors[i]) * kMiniSector;
    auto h = std::upper_bound(home.begin(), home.end(), from, [](int64_t v, const FileRun& r) { return v < r.at; });
    if (h == home.begin()) continue;
    --h;
    if (from >= h->at + h->length) continue;
    const int64_t n = std::min<int64_t>({int64_t(kMiniSector), int64_t(size) - at, h->at + h->length - from});
    add(at, h->file + (from - h->at), n);
  }
  return runs;
}

std::vector<FileRun> CompoundFile::locateChain(uint32_t sector, int64_t maxBytes) {
  std::vector<FileRun> runs;
  const int64_t size = std::clamp<int64_t>(maxBytes, 0, fileSize_);
  // A walk as long as the bytes asked for, whatever the file's size: a link
  // that is lost, broken or loops back goes on in the next sector that is no
  // FAT sector, as follow() guesses.
  const uint64_t needed = uint64_t(size + sectorSize_ - 1) / sectorSize_;
  std::vector<uint32_t> sectors;
  std::unordered_set<uint32_t> seen;
  for (uint32_t cur = sector; sectors.size() < needed && cur < sectorCount_;) {
    sectors.push_back(cur);
    seen.insert(cur);
    uint32_t next = cur < fat_.size() ? fat_[cur] : kUnknown;
    if (!IsLink(next) || next >= sectorCount_ || seen.count(next) != 0) {
      next = cur + 1;
      while (next < sectorCount_ && next < reserved_.size() && reserved_[next]) ++next;
    }
    cur = next;
  }
  for (size_t i = 0; i < sectors.size(); ++i) {
    const int64_t at = int64_t(i) * sectorSize_;
    const int64_t file = int64_t(sectors[i] + 1) * sectorSize_;
    const int64_t length = std::min({int64_t(sectorSize_), size - at, fileSize_ - file});
    if (length <= 0) continue;
    if (!runs.empty() && runs.back().at + runs.back().length == at && runs.back().file + runs.back().length == file) {
      runs.back().length += length;
    } else {
      runs.push_back({at, file, length});
    }
  }
  return runs;
}

bool CompoundFile::SameName(std::string_view a, std::string_view b) { return EqualNoCase(a, b); }

}  // namespace kw
