// SPDX-License-Identifier: Apache-2.0
// The Deep Recovery .docx reader on arbitrary bytes as a package. Never
// crash; the reader answers OK or Invalid (never an I/O error on a readable
// file), every picture carries its bytes, and the text holds no control
// character but TAB and the CR LF that ends a line. On one input in four
// (the comparison inflates every entry twice more), the streaming pass is
// held to the whole-part pass: StreamPartText gives, for every entry it does
// not hand back, the text and reports of ReadEntryData then addPiece, and
// the scan places every entry within the file, each at a local header of its
// own.
// TolerantInflate and WordXmlText have targets of their own
// (deep_inflate_fuzz, deep_xml_fuzz).

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
#include "formats/docx/word_xml_text.h"
#include "fuzz/fuzz_support.h"

namespace {

std::string Reasons(const kw::DamageReport& damage) {
  std::string out;
  for (const kw::Damage& d : damage.entries()) out += std::to_string(d.offset) + d.reason;
  return out;
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
  kw::SourceFile file;
  if (!kw::SourceFile::Open(kw::fuzz::WriteScratch(data, size, ".docx"), &file).ok()) std::abort();
  kw::DamageReport damage;
  std::string text;
  std::vector<kw::PictureRecord> pictures;
  const kw::Status status = kw::ReadDocxDeep(file, nullptr, &damage, &text, &pictures);
  if (status.isIOError()) std::abort();
  for (const kw::PictureRecord& p : pictures) {
    if (!p.hasBytes) std::abort();
  }
  if (!kw::fuzz::OnlyTextControls(text)) std::abort();
  if (kw::fuzz::Sampled(data, size, 4)) CompareEntries(file);
  return 0;
}
