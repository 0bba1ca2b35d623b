// SPDX-License-Identifier: Apache-2.0
#pragma once
// CompoundFile: a damage-tolerant reader of the OLE2 compound file that holds
// a Word 97-2003 (and 6.0/95) document: header, DIFAT, FAT, mini FAT,
// directory, and streams by their sector chains.
//
// It never gives up on an inconsistency. A header whose signature is gone is
// ignored and the directory is found by scanning the file for its entries; a
// FAT sector that is missing, zeroed or past the end of the file leaves its
// links unknown, and a chain that meets an unknown or broken link (a loop, a
// sector number out of range, a free sector) is assumed to go on in the next
// sector, as files written in one go lay their streams out. A stream is always
// returned at its recorded size (capped by the file's size): bytes that could
// not be read are zeros and listed as holes. Every gap and every guess is
// reported to the DamageReport under the reader name "cfb", with the file
// offset and length where known.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/status.h"

namespace kw {

class SourceFile;
class YieldClock;
class DamageReport;

// A byte range [offset, offset + length) of a stream that could not be read.
struct StreamHole {
  int64_t offset = 0;
  int64_t length = 0;
};

struct StreamData {
  std::vector<uint8_t> bytes;
  std::vector<StreamHole> holes;
  // True when no part of the stream could be located at all.
  bool lost() const { return bytes.empty() || (holes.size() == 1 && holes[0].length == (int64_t)bytes.size()); }
};

// Where a big stream lies in the file, without its bytes: its sectors as runs
// of neighbours in stream order, and the ranges that could not be located
// (as StreamData's holes).
struct StreamLayout {
  struct Run {
    int64_t at = 0;       // stream offset of the run's first byte
    uint32_t sector = 0;  // its first sector
    uint32_t count = 0;   // neighbouring sectors
  };
  std::vector<Run> runs;
  int64_t size = 0;
  std::vector<StreamHole> holes;
  bool lost() const { return size == 0 || (holes.size() == 1 && holes[0].length == size); }
};

// (The fields run from the widest down, so that a file of nothing but
// entries costs no padding per entry.)
struct DirEntry {
  std::string name;  // UTF-8
  uint64_t size = 0;
  int64_t fileOffset = 0;  // where the entry itself lies
  uint32_t start = 0;
  // Its place in the directory tree: its own index, its siblings' and its
  // first child's (kNoEntry when none or when the entry was found by a scan).
  uint32_t index = 0xFFFFFFFF;
  uint32_t left = 0xFFFFFFFF;
  uint32_t right = 0xFFFFFFFF;
  uint32_t child = 0xFFFFFFFF;
  uint8_t type = 0;      // 1 storage, 2 stream, 5 root
  bool scanned = false;  // found by scanning the file, not through the directory chain
};

// Where a run of a stream's bytes lies in the file: `length` bytes from the
// stream offset `at`, at the 0-based file offset `file`.
struct FileRun {
  int64_t at = 0;
  int64_t file = 0;
  int64_t length = 0;
};

class CompoundFile {
 public:
  static constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
  static constexpr uint32_t kFree = 0xFFFFFFFF;
  static constexpr uint32_t kFatSector = 0xFFFFFFFD;
  static constexpr uint32_t kDifatSector = 0xFFFFFFFC;
  static constexpr uint32_t kUnknown = 0xFFFFFFFB;  // this reader's own mark: the link was lost

  // True when the first bytes are the compound file signature.
  static bool HasSignature(const uint8_t* bytes, size_t size);

  // Reads the structure of `file`. `damage` and `clock` may be null. Fails
  // only on a read error; a file that is no compound file at all opens with
  // no entries.
  Status Open(SourceFile& file, YieldClock* clock, DamageReport* damage);

  bool headerValid() const { return headerValid_; }
  uint32_t sectorSize() const { return sectorSize_; }
  const std::vector<DirEntry>& entries() const { return entries_; }
  // Whether two entry names are the same, as the directory compares them (ASCII case ignored).
  static bool SameName(std::string_view a, std::string_view b);
  // The stream entry called `name` (case-insensitive), or null.
  const DirEntry* find(std::string_view name) const;

  // The contents of a stream entry (its gaps reported under its name).
  StreamData read(const DirEntry& entry);
  // For a big stream entry: where it lies, its gaps reported exactly as
  // read() reports them, without reading its bytes. False for a small
  // stream (read() reads those whole).
  bool layout(const DirEntry& entry, StreamLayout* out);
  // Copies [offset, offset + length) of a laid-out stream (inside its size)
  // to `buffer`, one read per run of neighbouring sectors; bytes in its holes
  // are zeros. Returns how many other bytes could not be read now (left zero).
  int64_t readLaid(const StreamLayout& layout, int64_t offset, uint8_t* buffer, size_t length);
  // Where the big-sector chain that starts at `sector` lies, at most
  // `maxBytes` long (for a stream whose directory entry was lost), for
  // readLaid(). No damage is reported.
  StreamLayout chainLayout(uint32_t sector, int64_t maxBytes);
  // The sectors no FAT link points to and that are in use: where chains start.
  std::vector<uint32_t> chainStarts() const;
  // For a small stream whose container's entry was lost: the whole big chain
  // from `sector` as a candidate container, the small-sector chain starts of
  // the small-stream FAT, and the bytes of the chain from `miniSector` in
  // `container`, at most `maxBytes` of them. No damage is reported.
  StreamLayout containerLayout(uint32_t sector);
  std::vector<uint32_t> miniChainStarts();
  StreamData miniChainIn(const StreamLayout& container, uint32_t miniSector, int64_t maxBytes);
  // Per sector: true when it holds no document text for sure (FAT, directory,
  // the small-stream container, and every big stream but `textStream`).
  std::vector<bool> nonTextSectors(std::string_view textStream);
  // How many sectors the chain walks have gone through so far: the work a
  // search for lost streams has done.
  int64_t walkedSectors() const { return walked_; }
  // The number of whole or partial sectors after the header.
  uint32_t sectorCount() const { return sectorCount_; }
  // Reads `length` bytes at the 0-based file offset `offset`; returns how many were read.
  int64_t readFile(int64_t offset, uint8_t* buffer, size_t length);
  // Where each part of a stream entry lies in the file, in stream order and
  // with neighbouring bytes merged (a small stream through the small-stream
  // FAT and its container's chain); the parts that cannot be located, or lie
  // past the end of the file, are left out. No damage is reported.
  std::vector<FileRun> locate(const DirEntry& entry);
  // The same for the big-sector chain from `sector`, at most `maxBytes` of it
  // (bytes found where no directory entry leads).
  std::vector<FileRun> locateChain(uint32_t sector, int64_t maxBytes);

 private:
  struct Chain {
    std::vector<uint32_t> sectors;
    bool guessed = false;     // a link was assumed
    uint32_t firstGuess = 0;  // the sector whose link was assumed
    std::string why;          // what was wrong with that link
  };
  // Follows `table` from `start`; a broken link is taken to go on in the next
  // sector that is not `reserved` (FAT and DIFAT sectors, for big chains).
  // The walk stops before a sector that is `taken` (by an earlier walk).
  Chain follow(const std::vector<uint32_t>& table, uint32_t start, uint64_t needed, uint32_t limit,
               const std::vector<bool>* reserved = nullptr, const std::vector<bool>* taken = nullptr);
  StreamLayout layOut(const Chain& c, int64_t size) const;
  StreamData readBig(uint32_t start, uint64_t size, std::string_view what);
  void reportBig(const Chain& c, const std::vector<StreamHole>& holes, std::string_view what);
  // The bytes of `sector` (`length` of them) that lie inside the file.
  int64_t inFile(uint32_t sector, int64_t length) const;
  StreamData readMini(uint32_t start, uint64_t size, std::string_view what);
  void readHeader();
  void readFat();
  void readDirectory();
  void scanDirectory();
  void loadMini();
  void loadMiniFat();
  bool parseEntry(const uint8_t* raw, int64_t offset, DirEntry* entry) const;
  void note(int64_t offset, int64_t length, std::string reason);
  bool tick();

  SourceFile* file_ = nullptr;
  YieldClock* clock_ = nullptr;
  DamageReport* damage_ = nullptr;
  int64_t fileSize_ = 0;
  bool headerValid_ = false;
  uint32_t sectorSize_ = 512;
  uint32_t sectorCount_ = 0;
  uint32_t firstDir_ = kEndOfChain;
  uint32_t firstMiniFat_ = kEndOfChain;
  uint32_t miniFatCount_ = 0;
  uint32_t miniCutoff_ = 4096;
  uint32_t fatCount_ = 0;
  uint32_t firstDifat_ = kEndOfChain;
  uint32_t difatCount_ = 0;
  std::vector<uint32_t> fatSectors_;
  std::vector<bool> reserved_;       // FAT and DIFAT sectors: never part of a stream
  bool cut_ = false;                 // the FAT has sectors in use past the end of the file
  std::vector<uint32_t> fat_;        // the links of the sectors in the file
  uint64_t fatEntries_ = 0;          // the links the FAT holds, those past the end of the file included
  std::vector<uint32_t> walkMarks_;  // per sector, the last walk that went through it
  uint32_t walk_ = 0;
  int64_t walked_ = 0;
  std::vector<uint32_t> miniFat_;
  StreamData miniStream_;
  bool miniLoaded_ = false;
  bool miniFatLoaded_ = false;
  std::vector<DirEntry> entries_;
};

}  // namespace kw
