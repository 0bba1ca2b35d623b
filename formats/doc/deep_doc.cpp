// SPDX-License-Identifier: Apache-2.0
#include "formats/doc/deep_doc.h"

#include <algorithm>
#include <vector>

#include "base/damage_report.h"
#include "base/source_file.h"
#include "base/text_sink.h"
#include "base/yield_clock.h"
#include "formats/doc/compound_file.h"
#include "formats/doc/fib.h"
#include "formats/doc/piece_table.h"
#include "formats/doc/rtf_text.h"
#include "formats/doc/story_text.h"
#include "formats/doc/stream_source.h"
#include "formats/doc/text_scan.h"

namespace kw {

namespace {

constexpr size_t kScanChunk = size_t(4) << 20;
constexpr size_t kMaxTableCandidates = 512;
constexpr uint32_t kSectorsPerRead = 64;  // a search over every sector reads this many at a time
constexpr size_t kFibRoom = 0x1000;  // more than any FIB the reader parses

struct Job {
  YieldClock* clock;
  DamageReport* damage;
  std::string* text;
  TextSink* sink;
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
  const ScanResult r = ScanForText(main.whole(), size_t(main.size()), page, job.clock, job.text);
  job.note(0, 0,
           why + " The main stream was searched for text instead (" + std::to_string(r.runs) +
               " passages found); their order and the tables' layout may be off.");
}

bool ClxFits(const StreamSource& s, uint32_t fc, uint32_t lcb) {
  return lcb > 0 && uint64_t(fc) + lcb <= uint64_t(s.size()) && !s.inHole(fc, int64_t(fc) + lcb);
}

bool PiecesFromClx(StreamSource& s, const Fib& fib, std::vector<Piece>* pieces, std::string* why) {
  if (!ClxFits(s, fib.fcClx, fib.lcbClx)) {
    *why = "The piece table lies outside its stream or in a part of it that is lost.";
    return false;
  }
  return ParsePieceTable(s.view(fib.fcClx, fib.lcbClx), fib.lcbClx, fib.version == WordVersion::kWord97, pieces, why);
}

// Whether pieces end where the FIB's story lengths say the text ends.
bool Plausible(const std::vector<Piece>& pieces, const Fib& fib) {
  return pieces.back().cpEnd >= fib.ccp[kMainStory] && pieces.back().cpEnd <= TotalCp(fib) + 1;
}

// A table stream whose directory entry is lost: the chain, among those no
// other sector links to, that holds a piece table where the FIB says.
bool FindTableStream(CompoundFile& cf, const Fib& fib, const Job& job, std::vector<Piece>* pieces) {
  std::vector<uint32_t> starts = cf.chainStarts();
  if (starts.size() > kMaxTableCandidates) starts.resize(kMaxTableCandidates);
  for (uint32_t s : starts) {
    if (job.stopped()) return false;
    StreamSource t(cf.readChain(s, int64_t(fib.fcClx) + fib.lcbClx));
    std::string why;
    if (!PiecesFromClx(t, fib, pieces, &why)) continue;
    if (!Plausible(*pieces, fib)) continue;
    job.note(int64_t(s + 1) * cf.sectorSize(), 0,
             "The table stream's directory entry is lost; it was found by its piece table at sector " +
                 std::to_string(s) + ".");
    return true;
  }
  // A small table stream lies in the small-stream container, itself one of the chains.
  std::vector<uint32_t> minis = cf.miniChainStarts();
  if (minis.size() > kMaxTableCandidates) minis.resize(kMaxTableCandidates);
  for (size_t k = 0; k < starts.size() && k < 64 && !minis.empty(); ++k) {
    if (job.stopped()) return false;
    const StreamData container = cf.readContainer(starts[k]);
    for (uint32_t m : minis) {
      StreamSource t(cf.miniChainIn(container, m, int64_t(fib.fcClx) + fib.lcbClx));
      std::string why;
      if (!PiecesFromClx(t, fib, pieces, &why) || !Plausible(*pieces, fib)) continue;
      job.note(int64_t(starts[k] + 1) * cf.sectorSize(), 0,
               "The table stream's directory entry is lost; it was found by its piece table in the small-stream "
               "container at sector " +
                   std::to_string(starts[k]) + ".");
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
    *main = StreamSource(cf.readChain(s, size));
    job.note(at, 0, "The main stream's directory entry is lost; it was found by its File Information Block.");
    return true;
  }
  return false;
}

// Text from a main stream: through its FIB and pieces, else by a scan.
void ReadMain(StreamSource& main, CompoundFile* cf, const Job& job) {
  Fib fib;
  std::string why;
  const size_t head = size_t(std::min<int64_t>(main.size(), kFibRoom));
  if (!ParseFib(main.view(0, head), head, &fib, &why)) return ScanStream(main, CodePage::k1252, job, why);
  if (fib.encrypted) {
    job.note(0, 0, "The document is encrypted; its text cannot be read without the password.");
    return;
  }
  std::vector<Piece> pieces;
  CodePage page = fib.version == WordVersion::kWord97 ? CodePage::k1252 : FontCodePage(main, fib);
  bool found = false;
  if (fib.version == WordVersion::kWord97) {
    const DirEntry* entry = cf ? cf->find(fib.table1 ? "1Table" : "0Table") : nullptr;
    if (!entry && cf) entry = cf->find(fib.table1 ? "0Table" : "1Table");  // the FIB's flag may be the damage
    if (entry) {
      StreamSource table(cf->read(*entry));
      found = PiecesFromClx(table, fib, &pieces, &why);
    }
    if (found && !why.empty()) job.note(0, 0, why);  // a piece table cut short
    if (!found && cf) found = FindTableStream(*cf, fib, job, &pieces);
    if (!entry && !found) why = "The table stream, which holds the piece table, is lost.";
  } else if (fib.complex) {
    found = PiecesFromClx(main, fib, &pieces, &why);
    if (found && !why.empty()) job.note(0, 0, why);
  } else {
    // Unsaved-fast Word 6 and 2.0: the text is one run from fcMin.
    uint64_t total = std::min<uint64_t>(TotalCp(fib), fib.fcMac > fib.fcMin ? fib.fcMac - fib.fcMin : 0);
    if (total == 0) total = TotalCp(fib);
    found = total > 0 && fib.fcMin < main.size();
    if (found) pieces.push_back({0, uint32_t(std::min<uint64_t>(total, UINT32_MAX)), fib.fcMin, true});
    if (!found) why = "The text range in the File Information Block is empty or outside the main stream.";
  }
  if (!found) return ScanStream(main, page, job, why);
  const size_t before = job.text->size();
  const StoryStats stats = AppendStories(main, fib, pieces, page, job.clock, job.damage, job.text, job.sink);
  if (stats.lost > 0) {
    job.note(0, 0, std::to_string(stats.lost) + " characters of text lie in parts of the main stream that are lost.");
  }
  if (stats.chars == 0 && stats.lost == 0 && main.size() > 0x600) {
    job.text->resize(before);
    ScanStream(main, page, job, "The piece table leads to no text.");
  }
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

Status ReadDoc(SourceFile& file, const Job& job) {
  YieldClock* clock = job.clock;
  std::string* text = job.text;
  uint8_t head[0x200] = {};
  const int64_t got = file.readAt(1, head, sizeof head);
  if (got < 0) return file.lastError();
  if (IsRtf(head, size_t(got))) {
    // Some writers save RTF under a .doc name.
    std::vector<uint8_t> all(size_t(file.size()));
    const int64_t n = file.readAt(1, all.data(), all.size());
    if (n < 0) return file.lastError();
    AppendRtfText(all.data(), size_t(n), clock, text);
    return Status::OK();
  }
  if (!CompoundFile::HasSignature(head, size_t(got)) && FibIdent(head, size_t(got)) != 0) {
    // Word 2.0 (and 6.0 saved without a container): the file is the main stream.
    StreamData data;
    data.bytes.resize(size_t(file.size()));
    const int64_t n = file.readAt(1, data.bytes.data(), data.bytes.size());
    if (n < 0) return file.lastError();
    data.bytes.resize(size_t(n));
    StreamSource main(std::move(data));
    ReadMain(main, nullptr, job);
    return Status::OK();
  }
  CompoundFile cf;
  Status status = cf.Open(file, clock, job.damage);
  if (!status.ok()) return status;
  StreamSource main;
  const DirEntry* entry = cf.find("WordDocument");
  if (entry) main = StreamSource::Open(cf, *entry);
  if ((!entry || main.lost()) && !FindMainStream(cf, job, &main)) {
    if (cf.entries().empty()) {
      ScanFile(file, job, "The file holds no readable Word structure.");
    } else {
      ScanSectors(cf, job, "The file's main Word stream cannot be found.");
    }
    return Status::OK();
  }
  ReadMain(main, &cf, job);
  return Status::OK();
}

}  // namespace

Status ReadDocDeep(SourceFile& file, YieldClock* clock, DamageReport* damage, std::string* text, TextSink* sink) {
  text->clear();
  if (!file.isOpen()) return CannotRead(file.path(), "it is not open");
  const Status status = ReadDoc(file, Job{clock, damage, text, sink});
  if (status.ok() && sink != nullptr && !text->empty()) {
    sink->write(*text);
    text->clear();
  }
  return status;
}

}  // namespace kw
