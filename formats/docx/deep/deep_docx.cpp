// SPDX-License-Identifier: Apache-2.0
#include "formats/docx/deep/deep_docx.h"

#include <algorithm>
#include <cctype>

#include "base/damage_report.h"
#include "base/source_file.h"
#include "base/yield_clock.h"
#include "formats/docx/deep/entry_data.h"
#include "formats/docx/deep/entry_picture.h"
#include "formats/docx/deep/numbering_xml.h"
#include "formats/docx/deep/package_parts.h"
#include "formats/docx/deep/package_scan.h"
#include "formats/docx/deep/part_text_stream.h"
#include "formats/docx/deep/picture_bytes.h"
#include "formats/docx/deep/word_xml_text.h"

namespace kw {

namespace {

// Hostile packages can hold many entries that each inflate to the per-entry
// limit: all of them together stop here.
constexpr size_t kPackageOutputLimit = size_t{1} << 30;
// Main documents of other documents given apart; a file made of them stops here.
constexpr int64_t kMaxSecondDocuments = 16;
constexpr size_t kStoredChunk = size_t{4} << 20;  // other documents' texts, kept in buffers of this size

struct TextPart {
  PartRole role = PartRole::kOther;
  std::string name;
  std::string text;
  TextMarks marks;       // where its list and note numbers go
  bool named = false;    // its role comes from its name
  bool foreign = false;  // the package's directory does not list it
  int64_t offset = 0;    // its local header
};

bool LooksLikeXml(std::string_view bytes) {
  const size_t first = bytes.find_first_not_of(" \t\r\n\xEF\xBB\xBF");
  return first != std::string_view::npos && bytes[first] == '<';
}

std::string BaseName(const std::string& name) {
  const size_t slash = name.rfind('/');
  std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
  const size_t dot = base.rfind('.');
  return dot == std::string::npos || dot == 0 ? base : base.substr(0, dot);
}

std::string Extension(const std::string& name) {
  const size_t slash = name.rfind('/');
  const size_t dot = name.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  std::string ext = name.substr(dot + 1);
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
  return ext;
}

// Adds a part's text to the end of `text`, after a blank line (none before the first).
void AppendText(std::string_view part, std::string* text) {
  if (!text->empty()) {
    if (text->size() < 2 || text->compare(text->size() - 2, 2, "\r\n") != 0) text->append("\r\n");
    text->append("\r\n");
  }
  text->append(part);
}

// AppendText, freeing the part's text.
void AppendPart(std::string* part, std::string* text) {
  AppendText(*part, text);
  std::string().swap(*part);
}

class DeepReader {
 public:
  DeepReader(SourceFile& file, YieldClock* clock, DamageReport* damage, const RepairBudget& repairs)
      : file_(file), clock_(clock), damage_(damage), repairs_(repairs) {}

  Status run(std::string* text, std::vector<PictureRecord>* pictures);

 private:
  bool stopped() {
    if (clock_ == nullptr) return false;
    clock_->tick();
    return clock_->stopped();
  }
  Status readEntry(const PackageEntry& entry, std::vector<PictureRecord>* pictures);
  Status streamPart(const PackageEntry& entry, PartRole role, const EntryReadOptions& options, bool* whole);
  bool readListPart(const PackageEntry& entry, const EntryReadOptions& options, Status* status);
  void placeMarks(TextPart* main);
  void addPicture(const PackageEntry& entry, const EntryReadOptions& options, const EntryProbe& probe,
                  std::vector<PictureRecord>* pictures);
  void spend(const EntryData& data) {
    for (const InflatePiece& piece : data.pieces) budget_ -= std::min(budget_, piece.bytes.size());
  }
  void keep(TextPart&& part);
  void assemble(std::string* text);
  void appendSecondDocuments(const TextPart* main, std::string* text);
  void appendStoredDocuments(std::string* text);

  SourceFile& file_;
  YieldClock* clock_;
  DamageReport* damage_;
  std::string mainTarget_;
  size_t budget_ = kPackageOutputLimit;  // output bytes all entries may still inflate to
  RepairBudget repairs_;                 // trial work all entries' repairs may still spend
  std::vector<TextPart> parts_;
  DocxLists lists_;  // from the numbering and styles parts
  // Once the document's main part is known (the first named one of the
  // package's own), every later main part belongs to another document and
  // goes at the text's end: their texts are kept one after another in
  // chunks, each made once at its size (a buffer that grew would be copied
  // and held twice while it did), and in stored_ what the report says of
  // each. A package of many such parts then holds their text once; each
  // chunk is freed as soon as the text, made once at its size, has taken it.
  struct StoredPart {
    std::string name;
    int64_t offset;
    bool foreign;
    size_t chunk, begin, end;  // its text: storedChunks_[chunk][begin, end)
  };
  bool mainKnown_ = false;
  std::vector<std::string> storedChunks_;
  std::vector<StoredPart> stored_;
  int64_t foreignLeftOut_ = 0;  // entries of other files not read
  int64_t firstForeign_ = 0;
  bool ownMainSeen_ = false;
  int64_t secondDocuments_ = 0;  // main documents of other documents, read or not
};

Status DeepReader::run(std::string* text, std::vector<PictureRecord>* pictures) {
  PackageScan scan;
  DamageReport scanDamage;  // kept back until the file proves to be a package
  Status status = ScanPackage(file_, clock_, &scanDamage, &scan);
  if (!status.ok()) return status;
  if (scan.entries.empty()) return Status::Invalid("The file holds no ZIP entries: it is not a .docx package.");
  if (damage_ != nullptr) {
    for (const Damage& d : scanDamage.entries()) damage_->add(d.offset, d.length, d.reader, d.reason);
  }
  // The relationships first, so that the main document can be found by them.
  for (const PackageEntry& entry : scan.entries) {
    if (entry.foreign || RoleByName(entry.name) != PartRole::kPackageRels) continue;
    EntryData data;
    EntryReadOptions options;
    options.repairs = &repairs_;
    status = ReadEntryData(file_, entry, options, clock_, nullptr, &data);
    if (!status.ok()) return status;
    if (!data.pieces.empty() && data.pieces[0].fromStart) mainTarget_ = OfficeDocumentTarget(data.pieces[0].bytes);
  }
  for (const PackageEntry& entry : scan.entries) {
    if (stopped()) break;
    if (budget_ == 0) {
      if (damage_ != nullptr) {
        damage_->add(entry.headerOffset, 0, "inflate",
                     "The package inflates to more than 1 GiB; its entries from here on were not read.");
      }
      break;
    }
    if (!entry.name.empty() && entry.name.back() == '/') continue;  // a folder
    status = readEntry(entry, pictures);
    if (!status.ok()) return status;
  }
  if (repairs_.skipped > 0 && damage_ != nullptr) {
    damage_->add(0, 0, "inflate",
                 std::to_string(repairs_.skipped) +
                     " damaged entries were not repaired: the package holds more damage than can be repaired in a "
                     "few seconds. Each kept its text up to its first break.");
  }
  if (foreignLeftOut_ > 0 && damage_ != nullptr) {
    damage_->add(firstForeign_, 0, "zip",
                 foreignLeftOut_ == 1 ? "An entry that the package's central directory does not list (bytes of another "
                                        "file) lies here; it was left out."
                                      : std::to_string(foreignLeftOut_) +
                                            " entries that the package's central directory does not list (bytes of "
                                            "another file), the first here, were left out.");
  }
  assemble(text);
  return Status::OK();
}

Status DeepReader::readEntry(const PackageEntry& entry, std::vector<PictureRecord>* pictures) {
  PartRole role = RoleByName(entry.name);
  if (!mainTarget_.empty() && entry.name == mainTarget_) role = PartRole::kMain;
  if (role == PartRole::kPackageRels) return Status::OK();
  if (entry.foreign && role != PartRole::kMain) {  // only a second document's text is worth giving
    if (foreignLeftOut_++ == 0) firstForeign_ = entry.headerOffset;
    return Status::OK();
  }
  if (role == PartRole::kMain) {
    const bool second = entry.foreign || ownMainSeen_;
    ownMainSeen_ = ownMainSeen_ || !entry.foreign;
    if (second && secondDocuments_++ >= kMaxSecondDocuments) return Status::OK();
  }
  const std::string ext = Extension(entry.name);
  const bool xmlName = ext == "xml" || ext == "rels";
  EntryReadOptions options;
  options.textual = xmlName;
  options.absoluteLimit = std::min(options.absoluteLimit, budget_);
  options.repairs = &repairs_;
  if (xmlName) {
    Status status;
    if (role == PartRole::kOther && readListPart(entry, options, &status)) return status;
    bool whole = false;
    status = streamPart(entry, role, options, &whole);
    if (!status.ok() || !whole) return status;
  }
  if (!xmlName) {
    // An entry whose name says nothing is first looked at as bytes, which
    // are not kept: a picture, or XML to read again as text.
    EntryProbe probe;
    Status status = ProbeEntry(file_, entry, options, clock_, &probe);
    if (!status.ok()) return status;
    budget_ -= std::min(budget_, probe.produced);
    PictureRecord picture;
    if (role == PartRole::kMedia || IdentifyPicture(probe.head, &picture)) {
      status = ReportEntryDamage(file_, entry, options, probe, clock_, damage_);
      if (!status.ok()) return status;
      addPicture(entry, options, probe, pictures);
      return Status::OK();
    }
    if (!entry.name.empty() || probe.produced == 0 || !LooksLikeXml(probe.head)) return Status::OK();
    options.textual = true;
  }
  EntryData data;
  Status status = ReadEntryData(file_, entry, options, clock_, damage_, &data);
  if (!status.ok()) return status;
  if (xmlName) spend(data);
  TextPart part;
  part.name = entry.name;
  part.named = IsTextRole(role);
  part.foreign = entry.foreign;
  part.offset = entry.headerOffset;
  if (!part.named) {
    if (data.pieces.empty() || !data.pieces[0].fromStart) return Status::OK();
    role = RoleByContent(data.pieces[0].bytes);
    if (!IsTextRole(role)) return Status::OK();
  }
  part.role = role;
  WordXmlText reader(&part.text);
  reader.keepMarks(&part.marks);
  for (const InflatePiece& piece : data.pieces) {
    reader.addPiece(piece.bytes, piece.fromStart, clock_);
    if (stopped()) break;
  }
  keep(std::move(part));
  return Status::OK();
}

// An XML part read as it is inflated (part_text_stream.h); *whole when it
// must be read whole instead, having added nothing.
Status DeepReader::streamPart(const PackageEntry& entry, PartRole role, const EntryReadOptions& options, bool* whole) {
  TextPart part;
  part.name = entry.name;
  part.named = IsTextRole(role);
  part.foreign = entry.foreign;
  part.offset = entry.headerOffset;
  PartStream stream;
  WordXmlText reader(&part.text);
  reader.keepMarks(&part.marks);
  const Status status = StreamPartText(file_, entry, options, clock_, damage_, &reader, &stream);
  *whole = status.ok() && stream.whole;
  if (!status.ok() || stream.whole) return status;
  budget_ -= std::min(budget_, stream.produced);
  if (!part.named) {
    role = RoleByContent(stream.head);
    if (!IsTextRole(role)) return Status::OK();
  }
  part.role = role;
  keep(std::move(part));
  return Status::OK();
}

// The numbering, styles and settings parts (by name) are read for their list
// and note numbering: true when `entry` is one, *status saying how reading it went.
bool DeepReader::readListPart(const PackageEntry& entry, const EntryReadOptions& options, Status* status) {
  const std::string base = BaseName(entry.name);
  const bool numbering = base == "numbering";
  if (!numbering && base != "styles" && base != "settings") return false;
  EntryData data;
  *status = ReadEntryData(file_, entry, options, clock_, damage_, &data);
  if (!status->ok()) return true;
  spend(data);
  if (data.pieces.empty() || !data.pieces[0].fromStart) return true;
  if (numbering) {
    ReadNumberingXml(data.pieces[0].bytes, &lists_);
  } else if (base == "styles") {
    ReadStylesXml(data.pieces[0].bytes, &lists_);
  } else {
    ReadSettingsXml(data.pieces[0].bytes, &lists_);
  }
  return true;
}

// List numbers and note marks go into the text parts: the main document's
// first, so that notes are numbered in the order of their references.
void DeepReader::placeMarks(TextPart* main) {
  DocxNumberer numberer(lists_);
  NoteNumbers notes;
  notes.footnoteFormat = lists_.footnoteFormat;
  notes.endnoteFormat = lists_.endnoteFormat;
  notes.footnoteStart = lists_.footnoteStart;
  notes.endnoteStart = lists_.endnoteStart;
  if (main != nullptr) PlaceTextMarks(main->marks, &numberer, &notes, &main->text);
  for (TextPart& p : parts_) {
    if (&p == main) continue;
    if (p.role == PartRole::kMain) {  // another document's: its own notes, and no lists known
      NoteNumbers own;
      PlaceTextMarks(p.marks, nullptr, &own, &p.text);
    } else {
      PlaceTextMarks(p.marks, &numberer, &notes, &p.text);
    }
  }
}

// A picture is kept as its entry, and made again from the file when it is written.
void DeepReader::addPicture(const PackageEntry& entry, const EntryReadOptions& options, const EntryProbe& probe,
                            std::vector<PictureRecord>* pictures) {
  PictureRecord picture;
  if (!IdentifyPicture(probe.head, &picture)) {
    picture.ext = Extension(entry.name).empty() ? "bin" : Extension(entry.name);
  }
  picture.hasBytes = true;
  picture.maker = std::make_shared<EntryPictureMaker>(entry, options, probe);
  picture.partial = !probe.complete;
  picture.name = entry.name.empty() ? "picture" + std::to_string(pictures->size() + 1) : BaseName(entry.name);
  pictures->push_back(std::move(picture));
}

void DeepReader::keep(TextPart&& part) {
  if (part.role == PartRole::kMain && mainKnown_) {
    if (storedChunks_.empty() || storedChunks_.back().capacity() - storedChunks_.back().size() < part.text.size()) {
      storedChunks_.emplace_back();
      storedChunks_.back().reserve(std::max(kStoredChunk, part.text.size()));
    }
    std::string& chunk = storedChunks_.back();
    const size_t begin = chunk.size();
    chunk += part.text;
    std::string().swap(part.text);  // frees it (assigning an empty string keeps the buffer)
    stored_.push_back({std::move(part.name), part.offset, part.foreign, storedChunks_.size() - 1, begin, chunk.size()});
    return;
  }
  mainKnown_ = mainKnown_ || (part.role == PartRole::kMain && part.named && !part.foreign);
  part.text.shrink_to_fit();  // a long text grew by doubling: the parts are held until assembled
  parts_.push_back(std::move(part));
}

// The main document first; then the other text parts by role, each after a
// blank line; then any second document's main part, after a blank line too.
void DeepReader::assemble(std::string* text) {
  auto isMain = [](const TextPart& p) { return p.role == PartRole::kMain; };
  // The main document: the one named so, else the first whose content says so; the package's own before any other.
  auto main =
      std::find_if(parts_.begin(), parts_.end(), [&](const TextPart& p) { return isMain(p) && p.named && !p.foreign; });
  if (main == parts_.end()) {
    main = std::find_if(parts_.begin(), parts_.end(), [&](const TextPart& p) { return isMain(p) && !p.foreign; });
  }
  if (main == parts_.end()) main = std::find_if(parts_.begin(), parts_.end(), isMain);
  placeMarks(main == parts_.end() ? nullptr : &*main);
  // The text is made once at its size, and each part's text freed as it is
  // added: the parts and the text are not held twice over.
  size_t size = text->size();
  for (const TextPart& p : parts_) size += p.text.size() + 4;
  for (const StoredPart& s : stored_) size += s.end - s.begin + 4;
  if (main != parts_.end()) {
    if (text->empty()) {
      *text = std::move(main->text);  // no copy of a long text
    } else {
      *text += main->text;
      std::string().swap(main->text);
    }
  }
  text->reserve(size);
  if (main == parts_.end() && damage_ != nullptr) {
    damage_->add(0, 0, "docx", "No main document was found in the package; only its other text parts were read.");
  }
  std::vector<TextPart*> others;
  for (TextPart& p : parts_) {
    if (!isMain(p) && !p.text.empty()) others.push_back(&p);
  }
  std::stable_sort(others.begin(), others.end(), [](const TextPart* a, const TextPart* b) {
    if (a->role != b->role) return a->role < b->role;
    return a->name < b->name;
  });
  for (TextPart* p : others) AppendPart(&p->text, text);
  appendSecondDocuments(main == parts_.end() ? nullptr : &*main, text);
}

// Main parts beyond the one chosen belong to other documents (a piece of
// another package inside this one): each is given apart, never mixed into
// the document's text, and said where it was found.
void DeepReader::appendSecondDocuments(const TextPart* main, std::string* text) {
  auto say = [&](const std::string& name, int64_t offset, bool foreign) {
    if (damage_ == nullptr) return;
    damage_->add(offset, 0, "docx",
                 "A second main document" + (name.empty() ? std::string() : " (\"" + name + "\")") + " lies here, " +
                     (foreign ? "not listed by the package's central directory" : "in a package that already has one") +
                     ": it belongs to another document; its text follows the document's own, after a blank line.");
  };
  for (TextPart& p : parts_) {
    if (p.role != PartRole::kMain || &p == main) continue;
    say(p.name, p.offset, p.foreign);
    AppendPart(&p.text, text);
  }
  for (const StoredPart& s : stored_) say(s.name, s.offset, s.foreign);
  appendStoredDocuments(text);
  if (secondDocuments_ > kMaxSecondDocuments && damage_ != nullptr) {
    damage_->add(0, 0, "docx",
                 std::to_string(secondDocuments_ - kMaxSecondDocuments) +
                     " further main documents of other documents were left out.");
  }
}

// The stored documents' texts after `text`, each after a blank line; each
// chunk is freed once its last text is taken.
void DeepReader::appendStoredDocuments(std::string* text) {
  for (size_t k = 0; k < stored_.size(); ++k) {
    const StoredPart& s = stored_[k];
    AppendText(std::string_view(storedChunks_[s.chunk]).substr(s.begin, s.end - s.begin), text);
    if (k + 1 == stored_.size() || stored_[k + 1].chunk != s.chunk) std::string().swap(storedChunks_[s.chunk]);
  }
}

}  // namespace

Status ReadDocxDeep(SourceFile& file, YieldClock* clock, DamageReport* damage, std::string* text,
                    std::vector<PictureRecord>* pictures, const RepairBudget& repairs) {
  text->clear();
  pictures->clear();
  if (!file.isOpen()) return Status::IOError("The source file is not open.");
  DeepReader reader(file, clock, damage, repairs);
  return reader.run(text, pictures);
}

}  // namespace kw
