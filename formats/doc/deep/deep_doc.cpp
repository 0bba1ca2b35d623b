// SPDX-License-Identifier: Apache-2.0
#include "formats/doc/deep/deep_doc.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "base/damage_report.h"
#include "base/source_file.h"
#include "base/text_sink.h"
#include "base/yield_clock.h"
#include "formats/doc/deep/compound_file.h"
#include "formats/doc/deep/embedded_objects.h"
#include "formats/doc/deep/fib.h"
#include "formats/doc/deep/html_text.h"
#include "formats/doc/deep/piece_table.h"
#include "formats/doc/deep/rtf_text.h"
#include "formats/doc/deep/storage_tree.h"
#include "formats/doc/deep/story_text.h"
#include "formats/doc/deep/stream_source.h"
#include "formats/doc/deep/text_range.h"
#include "formats/doc/deep/text_scan.h"
#include "formats/doc/deep/word_text.h"
#include "formats/doc/pictures/doc_pictures.h"

namespace kw {

namespace {

constexpr size_t kScanChunk = size_t(4) << 20;
constexpr int64_t kReadChunk = int64_t(1) << 20;  // RTF is read a block at a time
constexpr size_t kMaxTableCandidates = 512;
constexpr uint32_t kSectorsPerRead = 64;     // a search over every sector reads this many at a time
constexpr size_t kFibRoom = 0x1000;          // more than any FIB the reader parses
constexpr int64_t kSmallStreamLimit = 4096;  // streams shorter than this are small ones

struct Job {
  YieldClock* clock;
  DamageReport* damage;
  std::string* text;
  TextSink* sink;
  DocPictures* pictures = nullptr;  // null when the pictures are not wanted
  const StorageTree* tree = nullptr;
  const DirEntry* storage = nullptr;  // the document's storage (null: the root)
  void note(int64_t offset, int64_t length, std::string reason) const {
    if (damage) damage->add(offset, length, "doc", std::move(reason));
  }
  bool stopped() const {
    if (!clock) return false;
    clock->tick();
    return clock->stopped();
  }
};

// The character set of Word 6 fonts, when one names a code page the
// document's language does not: the text of such a file is in that page.
CodePage FontCodePage(StreamSource& main, const Fib& fib) {
  const uint64_t end = uint64_t(fib.fcFonts) + fib.lcbFonts;
  if (fib.lcbFonts < 3 || end > uint64_t(main.size())) return fib.codePage;
  const uint8_t* t = main.view(fib.fcFonts, fib.lcbFonts);
  int counts[6] = {};
  for (size_t pos = 2; pos + 5 <= fib.lcbFonts; pos += size_t(t[pos]) + 1) {
    switch (t[pos + 4]) {
      case 238: ++counts[0]; break;
      case 204: ++counts[1]; break;
      case 161: ++counts[2]; break;
      case 162: ++counts[3]; break;
      case 186: ++counts[4]; break;
      default: break;
    }
  }
  static constexpr CodePage kPages[5] = {CodePage::k1250, CodePage::k1251, CodePage::k1253, CodePage::k1254,
                                         CodePage::k1257};
  const int best = int(std::max_element(counts, counts + 5) - counts);
  return counts[best] > 0 ? kPages[best] : fib.codePage;
}

void ScanStream(StreamSource& main, CodePage page, const Job& job, const std::string& why) {
  const ScanResult r = ScanForText([&main](size_t offset, size_t length) { return main.view(int64_t(offset), length); },
                                   size_t(main.size()), page, job.clock, job.text);
  job.note(0, 0,
           why + " The main stream was searched for text instead (" + std::to_string(r.runs) +
               " passages found); their order and the tables' layout may be off.");
}

bool ClxFits(const StreamSource& s, uint32_t fc, uint32_t lcb) {
  return lcb > 0 && uint64_t(fc) + lcb <= uint64_t(s.size()) && !s.inHole(fc, int64_t(fc) + lcb);
}

bool PiecesFromClx(StreamSource& s, const Fib& fib, const Job& job, PieceTable* pieces, std::string* why) {
  if (!ClxFits(s, fib.fcClx, fib.lcbClx)) {
    *why = "The piece table lies outside its stream or in a part of it that is lost.";
    return false;
  }
  return pieces->open(s, fib.fcClx, fib.lcbClx, fib.version == WordVersion::kWord97, job.clock, why);
}

// Whether pieces end where the FIB's story lengths say the text ends.
bool Plausible(const PieceTable& pieces, const Fib& fib) {
  return pieces.endCp() >= fib.ccp[kMainStory] && pieces.endCp() <= TotalCp(fib) + 1;
}

// What the search for a lost table stream may spend: the chains of a sound
// file never meet, so their walks cost the file's sectors once, and the
// candidates' piece tables are read from the sectors they lie in.
struct SearchBudget {
  int64_t sectors;
  int64_t bytes;
  bool spent(const CompoundFile& cf, int64_t read) const { return cf.walkedSectors() > sectors || read > bytes; }
};

// A table stream whose directory entry is lost: the chain, among those no
// other sector links to, that holds a piece table where the FIB says; or a
// small stream in the small-stream container, itself one of the chains.
bool FindTableStream(CompoundFile& cf, const Fib& fib, const Job& job, StreamSource* table) {
  const int64_t clxEnd = int64_t(fib.fcClx) + fib.lcbClx;
  const SearchBudget budget{cf.walkedSectors() + 4 * int64_t(cf.sectorCount()) + 65536,
                            4 * int64_t(cf.sectorCount() + 1) * cf.sectorSize() + (int64_t(16) << 20)};
  int64_t read = 0;
  auto cutShort = [&] {
    job.note(0, 0,
             "The table stream's directory entry is lost, and the search for it was cut short: the file's sector "
             "chains run into one another.");
    return false;
  };
  std::vector<uint32_t> starts = cf.chainStarts();
  if (starts.size() > kMaxTableCandidates) starts.resize(kMaxTableCandidates);
  for (uint32_t s : starts) {
    if (job.stopped()) return false;
    if (budget.spent(cf, read)) return cutShort();
    StreamSource t(&cf, cf.chainLayout(s, clxEnd));
    PieceTable pieces;
    std::string why;
    const bool found = PiecesFromClx(t, fib, job, &pieces, &why) && Plausible(pieces, fib);
    read += t.viewed();
    if (!found) continue;
    job.note(int64_t(s + 1) * cf.sectorSize(), 0,
             "The table stream's directory entry is lost; it was found by its piece table at sector " +
                 std::to_string(s) + ".");
    *table = std::move(t);
    return true;
  }
  // A stream shorter than the small-stream limit is a small one.
  std::vector<uint32_t> minis = cf.miniChainStarts();
  if (minis.size() > kMaxTableCandidates) minis.resize(kMaxTableCandidates);
  if (clxEnd > kSmallStreamLimit) minis.clear();
  for (size_t k = 0; k < starts.size() && k < 64 && !minis.empty(); ++k) {
    if (job.stopped()) return false;
    if (budget.spent(cf, read)) return cutShort();
    const StreamLayout container = cf.containerLayout(starts[k]);
    for (uint32_t m : minis) {
      StreamSource t(cf.miniChainIn(container, m, clxEnd));
      read += t.size();
      PieceTable pieces;
      std::string why;
      if (!PiecesFromClx(t, fib, job, &pieces, &why) || !Plausible(pieces, fib)) continue;
      job.note(int64_t(starts[k] + 1) * cf.sectorSize(), 0,
               "The table stream's directory entry is lost; it was found by its piece table in the small-stream "
               "container at sector " +
                   std::to_string(starts[k]) + ".");
      *table = std::move(t);
      return true;
    }
  }
  return false;
}

// The main stream whose directory entry is lost, by the FIB it starts with.
bool FindMainStream(CompoundFile& cf, const Job& job, StreamSource* main) {
  std::vector<uint8_t> chunk(size_t(kSectorsPerRead) * cf.sectorSize());  // sectors read 64 at a time
  int64_t chunkSize = 0;
  for (uint32_t s = 0; s < cf.sectorCount(); ++s) {
    if ((s & 255) == 0 && job.stopped()) return false;
    const int64_t at = int64_t(s + 1) * cf.sectorSize();
    const int64_t within = int64_t(s % kSectorsPerRead) * cf.sectorSize();
    if (within == 0) chunkSize = cf.readFile(at, chunk.data(), chunk.size());
    const uint8_t* head = chunk.data() + within;
    const int64_t got = std::clamp<int64_t>(chunkSize - within, 0, 0x200);
    if (FibIdent(head, size_t(got)) == 0) continue;
    Fib fib;
    std::string why;
    const int64_t rest = int64_t(cf.sectorCount() - s) * cf.sectorSize();
    int64_t size = rest;
    if (ParseFib(head, size_t(got), &fib, &why) && fib.cbMac > 0) size = std::min<int64_t>(fib.cbMac, rest);
    *main = StreamSource(&cf, cf.chainLayout(s, size));
    job.note(at, 0, "The main stream's directory entry is lost; it was found by its File Information Block.");
    return true;
  }
  return false;
}

// A stream of the document's own storage.
const DirEntry* FindStream(CompoundFile& cf, const Job& job, std::string_view name) {
  return job.tree ? job.tree->find(job.storage, name) : cf.find(name);
}

// What the picture reader needs of a document read through its FIB.
struct MainFacts {
  bool fibRead = false;
  Fib fib;
  const DirEntry* table = nullptr;
  std::vector<Piece> pieces;  // at most kMaxIndexedPieces, for the pictures' order
};

constexpr size_t kMaxIndexedPieces = 1 << 16;

// The text range the FIB gives, as pieces, in place of a piece table
// that is lost or leads mostly past the stream (`reason` says which).
bool PieceFromFibRange(StreamSource& main, const Fib& fib, const Job& job, const std::string& reason,
                       PieceTable* pieces) {
  std::vector<Piece> range;
  if (!FibRangePieces(main, fib, &range)) return false;
  *pieces = PieceTable(std::move(range));
  job.note(fib.fcMin, int64_t(std::min<int64_t>(fib.fcMac, main.size()) - fib.fcMin),
           reason +
               " The text was read from the range the File Information Block gives instead; its order may be off "
               "where the document was edited.");
  return true;
}

// The parts of the FIB's text range that no piece covers, scanned when the
// pieces are damaged (`suspect`), lead to parts of the stream that are lost,
// or name much less text than the range holds. A sound file leaves no such
// part, or only text it deleted, which is left alone.
std::vector<ByteSpan> SpansToScan(const StreamSource& main, const Fib& fib, const std::vector<Piece>& byOffset,
                                  bool suspect) {
  constexpr int64_t kLeastSpan = 64;
  const int64_t size = main.size();
  const int64_t end = std::min<int64_t>(fib.fcMac, size);
  if (fib.fcMin < 0x60 || end <= int64_t(fib.fcMin)) return {};
  int64_t chars = 0;  // what the pieces hold inside the stream
  bool lost = false;
  for (const Piece& p : byOffset) {
    const int64_t width = p.eightBit ? 1 : 2;
    const int64_t begin = p.offset, stop = begin + int64_t(p.cpEnd - p.cpStart) * width;
    chars += std::clamp<int64_t>(size - begin, 0, stop - begin) / width;
    lost = lost || stop > size || main.inHole(begin, stop);
  }
  if (chars == 0 || (!suspect && !lost && chars * 2 >= (end - int64_t(fib.fcMin)) / 2)) return {};
  std::vector<ByteSpan> spans = Uncovered(byOffset, fib.fcMin, end, kLeastSpan);
  std::stable_sort(spans.begin(), spans.end(),
                   [](const ByteSpan& a, const ByteSpan& b) { return a.afterCp < b.afterCp; });
  return spans;
}

// The scan's finds in the parts no piece covers, each part's after the piece
// before it in the file, so that the text keeps the file's order and
// repeats none of what the pieces gave.
class UncoveredFinds {
 public:
  UncoveredFinds(StreamSource& main, CodePage page, const Job& job, std::vector<ByteSpan> spans)
      : main_(main), page_(page), job_(job), spans_(std::move(spans)) {}

  // Writes the finds of the parts that follow pieces ending at or before `cp`.
  void after(uint64_t cp, WordTextWriter& writer) {
    for (; next_ < spans_.size() && spans_[next_].afterCp <= cp; ++next_) {
      if (job_.stopped()) return;
      const ByteSpan& s = spans_[next_];
      const ByteReader read = [this, &s](size_t offset, size_t length) {
        return main_.view(s.begin + int64_t(offset), length);
      };
      writer.putLines(
          [&](std::string* out) { runs_ += ScanForText(read, size_t(s.end - s.begin), page_, job_.clock, out).runs; });
      bytes_ += s.end - s.begin;
    }
  }
  size_t runs() const { return runs_; }

  void note() const {
    if (runs_ == 0) return;
    job_.note(spans_.front().begin, 0,
              std::to_string(bytes_) +
                  " bytes of the main stream's text range are in no piece; they were searched for "
                  "text, and the " +
                  std::to_string(runs_) + " passages found stand where they lie in the file.");
  }

 private:
  StreamSource& main_;
  CodePage page_;
  const Job& job_;
  std::vector<ByteSpan> spans_;
  size_t next_ = 0;
  size_t runs_ = 0;
  int64_t bytes_ = 0;
};

// Text from a main stream: through its FIB and pieces, else by a scan.
void ReadMain(StreamSource& main, CompoundFile* cf, const Job& job, MainFacts* facts = nullptr) {
  Fib fib;
  std::string why;
  const size_t head = size_t(std::min<int64_t>(main.size(), kFibRoom));
  if (!ParseFib(main.view(0, head), head, &fib, &why)) return ScanStream(main, CodePage::k1252, job, why);
  if (fib.encrypted) {
    job.note(0, 0, "The document is encrypted; its text cannot be read without the password.");
    return;
  }
  if (facts) {
    facts->fibRead = true;
    facts->fib = fib;
  }
  PieceTable pieces;
  StreamSource table;  // where the pieces are read from, as the text is
  CodePage page = fib.version == WordVersion::kWord97   ? CodePage::k1252
                  : fib.codePage == CodePage::kMacRoman ? fib.codePage
                                                        : FontCodePage(main, fib);
  bool found = false;
  if (fib.version == WordVersion::kWord97) {
    const DirEntry* entry = cf ? FindStream(*cf, job, fib.table1 ? "1Table" : "0Table") : nullptr;
    if (!entry && cf)
      entry = FindStream(*cf, job, fib.table1 ? "0Table" : "1Table");  // the FIB's flag may be the damage
    if (facts) facts->table = entry;
    if (entry) {
      table = StreamSource::Open(*cf, *entry);
      found = PiecesFromClx(table, fib, job, &pieces, &why);
    }
    if (found && !why.empty()) job.note(0, 0, why);  // a piece table cut short
    if (!found && cf && FindTableStream(*cf, fib, job, &table)) {
      found = PiecesFromClx(table, fib, job, &pieces, &why);
    }
    if (!entry && !found) why = "The table stream, which holds the piece table, is lost.";
  } else if (fib.complex) {
    found = PiecesFromClx(main, fib, job, &pieces, &why);
    if (found && !why.empty()) job.note(0, 0, why);
  } else {
    // Unsaved-fast Word 6 and 2.0: the text is one run from fcMin.
    uint64_t total = std::min<uint64_t>(TotalCp(fib), fib.fcMac > fib.fcMin ? fib.fcMac - fib.fcMin : 0);
    if (total == 0) total = TotalCp(fib);
    found = total > 0 && fib.fcMin < main.size();
    if (found) pieces = PieceTable({{0, uint32_t(std::min<uint64_t>(total, UINT32_MAX)), fib.fcMin, true}});
    if (!found) why = "The text range in the File Information Block is empty or outside the main stream.";
  }
  if (found && (fib.version == WordVersion::kWord97 || fib.complex)) {
    const PieceCover cover = CoverOf(pieces, main, job.clock);
    if (cover.inside * 2 < cover.chars) {
      found = false;
      why = "The piece table points past the end of the main stream.";
    }
  }
  if (!found) found = PieceFromFibRange(main, fib, job, why, &pieces);
  if (!found) return ScanStream(main, page, job, why);
  const bool suspect = !why.empty() || !Plausible(pieces, fib);  // the pieces were cut, repaired or end early
  std::vector<Piece> byOffset;
  if (pieces.size() <= kMaxIndexedPieces) {
    Piece piece;
    pieces.rewind();
    while (pieces.next(&piece)) byOffset.push_back(piece);
    std::sort(byOffset.begin(), byOffset.end(), [](const Piece& a, const Piece& b) { return a.offset < b.offset; });
  }
  const size_t before = job.text->size();
  // List numbers and note marks, which the text does not hold (doc_numbers.h).
  const TextInserts inserts = DocTextInserts(main, table, fib, pieces);
  UncoveredFinds finds(
      main, page, job,
      pieces.size() <= kMaxIndexedPieces ? SpansToScan(main, fib, byOffset, suspect) : std::vector<ByteSpan>());
  const AfterPiece after = [&finds](uint64_t cp, WordTextWriter& writer) { finds.after(cp, writer); };
  const StoryStats stats =
      AppendStories(main, fib, pieces, page, job.clock, job.damage, job.text, job.sink, &inserts, &after);
  if (stats.lost > 0) {
    job.note(0, 0, std::to_string(stats.lost) + " characters of text lie in parts of the main stream that are lost.");
  }
  if (stats.chars == 0 && stats.lost == 0 && finds.runs() == 0 && main.size() > 0x600) {
    job.text->resize(before);
    ScanStream(main, page, job, "The piece table leads to no text.");
  }
  finds.note();
  if (facts) facts->pieces = std::move(byOffset);
}

// A file with no container: scanned in chunks.
void ScanFile(SourceFile& file, const Job& job, const std::string& why) {
  std::vector<uint8_t> buf(std::min<int64_t>(kScanChunk, file.size()));
  size_t runs = 0;
  for (int64_t pos = 0; pos < file.size(); pos += int64_t(buf.size())) {
    if (job.stopped()) break;
    const int64_t got = file.readAt(pos + 1, buf.data(), buf.size());
    if (got <= 0) break;
    runs += ScanForText(buf.data(), size_t(got), CodePage::k1252, job.clock, job.text).runs;
  }
  job.note(0, file.size(),
           why + " The whole file was searched for text instead (" + std::to_string(runs) + " passages found).");
}

// A container whose main stream is lost: the sectors that may hold text,
// in runs of neighbours, scanned one run at a time.
void ScanSectors(CompoundFile& cf, const Job& job, const std::string& why) {
  const std::vector<bool> skip = cf.nonTextSectors("WordDocument");
  const size_t perChunk = kScanChunk / cf.sectorSize();
  std::vector<uint8_t> buf;
  size_t runs = 0;
  for (uint32_t s = 0; s < cf.sectorCount() && !job.stopped();) {
    if (skip[s]) {
      ++s;
      continue;
    }
    uint32_t e = s;
    while (e < cf.sectorCount() && !skip[e] && e - s < perChunk) ++e;
    buf.resize(size_t(e - s) * cf.sectorSize());
    const int64_t got = cf.readFile(int64_t(s + 1) * cf.sectorSize(), buf.data(), buf.size());
    runs += ScanForText(buf.data(), size_t(std::max<int64_t>(got, 0)), CodePage::k1252, job.clock, job.text).runs;
    s = e;
  }
  job.note(0, 0,
           why + " The sectors that may hold text were searched for it instead (" + std::to_string(runs) +
               " passages found).");
}

constexpr int kMaxNesting = 4;  // objects inside objects inside objects...
constexpr size_t kMaxObjects = 4096;

void ReadDocument(CompoundFile& cf, StreamSource& main, const DirEntry& entry, const Job& job, int depth);

// The objects a document embeds: a Word document's text after a blank line
// and its pictures; any other object's file kept for the caller.
void ReadObjects(CompoundFile& cf, const Job& job, int depth) {
  std::vector<EmbeddedObject> objects = ListEmbeddedObjects(cf, *job.tree, job.storage);
  if (objects.size() > kMaxObjects) {
    job.note(0, 0,
             "The document embeds " + std::to_string(objects.size()) + " objects; only the first " +
                 std::to_string(kMaxObjects) + " were read.");
    objects.resize(kMaxObjects);
  }
  for (const EmbeddedObject& object : objects) {
    if (job.stopped()) return;
    if (object.kind != EmbeddedObject::Kind::kWordDocument) {
      if (job.pictures) job.pictures->addObjectFile(cf, object);
      continue;
    }
    if (depth >= kMaxNesting) continue;
    Job inner = job;
    inner.storage = object.storage;
    const DirEntry* entry = job.tree->find(object.storage, "WordDocument");
    if (entry == nullptr) continue;
    StreamSource main = StreamSource::Open(cf, *entry);
    if (main.lost()) continue;
    // The embedded document's text after a blank line.
    if (job.sink) {
      job.sink->write(std::string_view("\r\n"));
    } else if (!job.text->empty()) {
      job.text->append("\r\n");
    }
    ReadDocument(cf, main, *entry, inner, depth + 1);
  }
}

// A Word document in `cf` (the main one or an embedded one): its text, its
// pictures, then its objects.
void ReadDocument(CompoundFile& cf, StreamSource& main, const DirEntry& entry, const Job& job, int depth) {
  MainFacts facts;
  ReadMain(main, &cf, job, &facts);
  if (job.pictures) {
    if (facts.fibRead && facts.fib.version == WordVersion::kWord97) {
      const std::vector<Piece>& pieces = facts.pieces;
      const CpOfOffset cpOf = [&pieces](uint32_t fc) { return CpOf(pieces, fc); };
      job.pictures->addDocument(cf, {&entry, facts.table, job.tree->find(job.storage, "Data")}, facts.fib, cpOf);
    } else if (facts.fibRead) {
      job.pictures->addWord6(cf, entry);
    } else if (depth == 0) {
      job.pictures->scanContainer(cf);
    }
  }
  ReadObjects(cf, job, depth);
}

// Whether a password is needed to read the document: an encrypted package (a
// .docx saved with a password is a compound file of these two streams), or a
// main stream whose FIB says its text is encrypted.
bool FibEncrypted(StreamSource& main) {
  if (main.lost()) return false;
  Fib fib;
  std::string why;
  const size_t head = size_t(std::min<int64_t>(main.size(), kFibRoom));
  return ParseFib(main.view(0, head), head, &fib, &why) && fib.encrypted;
}

bool NeedsPassword(const StorageTree& tree, StreamSource* main) {
  if (tree.find(nullptr, "EncryptionInfo") && tree.find(nullptr, "EncryptedPackage")) return true;
  return main != nullptr && FibEncrypted(*main);
}

Status ReadDoc(SourceFile& file, const Job& job) {
  YieldClock* clock = job.clock;
  std::string* text = job.text;
  uint8_t head[0x200] = {};
  const int64_t got = file.readAt(1, head, sizeof head);
  if (got < 0) return file.lastError();
  if (IsRtf(head, size_t(got))) {
    // Some writers save RTF under a .doc name.
    RtfTextReader reader(clock, text);
    std::vector<uint8_t> buf(size_t(std::min<int64_t>(kReadChunk, file.size())));
    for (int64_t pos = 0; pos < file.size();) {
      const int64_t n = file.readAt(pos + 1, buf.data(), buf.size());
      if (n < 0) return file.lastError();
      if (n == 0) break;
      reader.feed(buf.data(), size_t(n));
      pos += n;
    }
    reader.finish();
    return Status::OK();
  }
  // A web page saved under a Word name, in its own encoding.
  if (LooksLikeHtml(head, size_t(got))) return ReadHtmlText(file, clock, text);
  if (!CompoundFile::HasSignature(head, size_t(got)) && FibIdent(head, size_t(got)) != 0) {
    // Word 2.0 (and 6.0 saved without a container): the file is the main stream.
    StreamSource main(&file);
    if (FibEncrypted(main)) return PasswordProtected(file.path());
    ReadMain(main, nullptr, job);
    return Status::OK();
  }
  CompoundFile cf;
  Status status = cf.Open(file, clock, job.damage);
  if (!status.ok()) return status;
  const StorageTree tree(cf);
  Job doc = job;
  doc.tree = &tree;
  StreamSource main;
  const DirEntry* entry = tree.find(nullptr, "WordDocument");
  if (entry) main = StreamSource::Open(cf, *entry);
  if (NeedsPassword(tree, entry ? &main : nullptr)) return PasswordProtected(file.path());
  if ((!entry || main.lost()) && !FindMainStream(cf, doc, &main)) {
    if (cf.entries().empty()) {
      ScanFile(file, job, "The file holds no readable Word structure.");
      if (job.pictures) job.pictures->scanFile(cf, file.size());
    } else {
      ScanSectors(cf, job, "The file's main Word stream cannot be found.");
      if (job.pictures) {
        job.pictures->scanContainer(cf);
        job.pictures->scanFile(cf, file.size());  // the streams whose entries are lost too
      }
    }
    return Status::OK();
  }
  if (!entry || main.lost()) {
    ReadMain(main, &cf, doc);
    if (job.pictures) {
      job.pictures->scanContainer(cf);
      job.pictures->scanFile(cf, file.size());
    }
    return Status::OK();
  }
  ReadDocument(cf, main, *entry, doc, 0);
  // Without the directory tree the embedded objects cannot be told apart:
  // their streams are searched for pictures instead.
  if (job.pictures && !tree.known()) {
    job.pictures->scanContainer(cf);
    job.pictures->scanFile(cf, file.size());
  }
  return Status::OK();
}

}  // namespace

Status ReadDocDeep(SourceFile& file, YieldClock* clock, DamageReport* damage, std::string* text, TextSink* sink,
                   std::vector<PictureRecord>* pictures) {
  text->clear();
  if (!file.isOpen()) return CannotRead(file.path(), "it is not open");
  std::optional<DocPictures> found;
  if (pictures) found.emplace(file, clock, damage);
  Status status = ReadDoc(file, Job{clock, damage, text, sink, found ? &*found : nullptr});
  if (status.ok() && found) status = found->finish(pictures);
  if (status.ok() && sink != nullptr && !text->empty()) {
    sink->write(*text);
    text->clear();
  }
  return status;
}

}  // namespace kw
