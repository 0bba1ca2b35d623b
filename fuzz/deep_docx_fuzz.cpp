// SPDX-License-Identifier: Apache-2.0
// The Deep Recovery .docx reader on arbitrary bytes: ReadDocxDeep on the
// input as a file, and TolerantInflate on the input as a deflate stream.
// Never crash; the reader answers OK or Invalid (never an I/O error on a
// readable file), every picture carries its bytes, and inflated output
// stays within the limit it was given. The streaming pass is held to the
// whole-part passes: WordXmlText fed the input in pieces (cut where the
// input says) gives addPiece's text, and StreamPartText gives, for every
// entry it does not hand back, the text and reports of ReadEntryData then
// addPiece. The scan places every entry within the file, each at a local
// header of its own.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "base/damage_report.h"
#include "base/source_file.h"
#include "formats/docx/deep_docx.h"
#include "formats/docx/entry_data.h"
#include "formats/docx/package_scan.h"
#include "formats/docx/part_text_stream.h"
#include "formats/docx/tolerant_inflate.h"
#include "formats/docx/word_xml_text.h"

namespace {

const std::string& ScratchPath() {
  static const std::string* path = [] {
    auto* p = new std::string("/tmp/kwfuzz-deepdocx-" + std::to_string(::getpid()) + ".docx");
    std::atexit([] { std::remove(ScratchPath().c_str()); });
    return p;
  }();
  return *path;
}

std::string Reasons(const kw::DamageReport& damage) {
  std::string out;
  for (const kw::Damage& d : damage.entries()) out += std::to_string(d.offset) + d.reason;
  return out;
}

// The input as one XML part, fed in pieces whose sizes the bytes choose.
void CompareXmlStream(std::string_view xml) {
  std::string whole, streamed;
  kw::WordXmlText oracle(&whole);
  oracle.addPiece(xml, true);
  kw::WordXmlText reader(&streamed);
  reader.beginStream();
  for (size_t at = 0; at < xml.size();) {
    const size_t piece = 1 + static_cast<uint8_t>(xml[at]) % 23;
    reader.feed(xml.substr(at, piece));
    at += piece;
  }
  reader.endStream();
  if (!reader.needsWhole() && (streamed != whole || reader.droppedBytes() != oracle.droppedBytes())) std::abort();
}

// Every entry of the package both ways, with a small limit so that it is reached.
void CompareEntries(kw::SourceFile& file) {
  kw::PackageScan scan;
  if (!kw::ScanPackage(file, nullptr, nullptr, &scan).ok()) std::abort();
  kw::EntryReadOptions options;
  options.absoluteLimit = 1 << 18;
  std::set<int64_t> headers;
  for (const kw::PackageEntry& entry : scan.entries) {
    // Every entry lies within the file, and no two share a local header.
    if (entry.dataOffset > entry.dataEnd || entry.dataEnd > file.size()) std::abort();
    if (!headers.insert(entry.headerOffset).second) std::abort();
    kw::DamageReport oldDamage, newDamage;
    kw::EntryData data;
    if (!kw::ReadEntryData(file, entry, options, nullptr, &oldDamage, &data).ok()) std::abort();
    std::string oldText, newText;
    kw::WordXmlText oldReader(&oldText);
    for (const kw::InflatePiece& piece : data.pieces) oldReader.addPiece(piece.bytes, piece.fromStart);
    kw::WordXmlText reader(&newText);
    kw::PartStream stream;
    if (!kw::StreamPartText(file, entry, options, nullptr, &newDamage, &reader, &stream).ok()) std::abort();
    if (stream.whole) {
      if (!newDamage.empty()) std::abort();
      continue;
    }
    if (newText != oldText || Reasons(newDamage) != Reasons(oldDamage)) std::abort();
    if (data.pieces.size() != 1 || stream.produced != data.pieces[0].bytes.size()) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  for (const bool textual : {true, false}) {
    kw::TolerantInflateOptions options;
    options.outputLimit = 1 << 20;
    options.textual = textual;
    options.resync = textual;
    const kw::InflateOutcome r = kw::TolerantInflate(input, options, nullptr);
    size_t total = 0;
    for (const kw::InflatePiece& p : r.pieces) total += p.bytes.size();
    if (total > options.outputLimit) std::abort();
  }
  std::FILE* f = std::fopen(ScratchPath().c_str(), "wb");
  if (f == nullptr) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  kw::SourceFile file;
  if (!kw::SourceFile::Open(ScratchPath(), &file).ok()) return 0;
  kw::DamageReport damage;
  std::string text;
  std::vector<kw::PictureRecord> pictures;
  CompareXmlStream(input);
  CompareEntries(file);
  const kw::Status status = kw::ReadDocxDeep(file, nullptr, &damage, &text, &pictures);
  if (status.isIOError()) std::abort();
  for (const kw::PictureRecord& p : pictures) {
    if (!p.hasBytes) std::abort();
  }
  return 0;
}
