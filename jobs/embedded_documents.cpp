// SPDX-License-Identifier: Apache-2.0
#include "jobs/embedded_documents.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "base/byte_search.h"
#include "base/damage_report.h"
#include "base/source_file.h"
#include "base/text_sink.h"
#include "base/yield_clock.h"
#include "formats/doc/compound_file.h"
#include "formats/doc/deep_doc.h"
#include "formats/doc/doc_pictures.h"
#include "formats/docx/deep_docx.h"
#include "formats/docx/entry_data.h"
#include "formats/docx/package_scan.h"

namespace kw {

namespace {

using Sink = std::function<Status(std::string_view)>;

constexpr size_t kMaxEmbeddedBytes = size_t(256) << 20;  // an embedded file read whole at most
constexpr size_t kMaxEmbeddings = 256;

// A working copy of what `fill` writes, open as `file` and already unlinked.
Status WorkingCopy(const std::function<Status(const Sink&)>& fill, SourceFile* file) {
  const std::string path = GetTempFile("kwe");
  if (path.empty()) return Status::IOError("No working file could be made for an embedded document.");
  const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_NOFOLLOW | O_CLOEXEC);
  Status status = fd < 0 ? Status::IOError("Cannot write a working file: " + std::string(std::strerror(errno)))
                         : fill([fd](std::string_view bytes) {
                             for (size_t done = 0; done < bytes.size();) {
                               const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
                               if (n < 0 && errno == EINTR) continue;
                               if (n <= 0) return Status::IOError("Cannot write a working file.");
                               done += size_t(n);
                             }
                             return Status::OK();
                           });
  if (fd >= 0) ::close(fd);
  if (status.ok()) status = SourceFile::Open(path, file);
  ::unlink(path.c_str());
  return status;
}

// The picture's bytes, made now (for a picture whose source is a working copy).
Status Materialize(SourceFile& from, PictureRecord* picture) {
  if (!picture->maker) return Status::OK();
  std::string bytes;
  const Status status = picture->maker->make(
      from, [&](std::string_view b) { return bytes.append(b), Status::OK(); }, nullptr);
  if (!status.ok()) return status;
  picture->bytes = std::move(bytes);
  picture->maker.reset();
  picture->hasBytes = true;
  return Status::OK();
}

// A picture inside a package inside the job's source: the package is made
// again from the source into a working copy, and the picture from that.
class NestedPictureMaker final : public PictureMaker {
 public:
  NestedPictureMaker(std::shared_ptr<const PictureMaker> outer, std::shared_ptr<const PictureMaker> inner)
      : outer_(std::move(outer)), inner_(std::move(inner)) {}
  int64_t size() const override { return inner_->size(); }
  Status make(SourceFile& source, const Sink& out, YieldClock* clock) const override {
    SourceFile copy;
    Status status = WorkingCopy([&](const Sink& write) { return outer_->make(source, write, clock); }, &copy);
    return status.ok() ? inner_->make(copy, out, clock) : status;
  }

 private:
  std::shared_ptr<const PictureMaker> outer_, inner_;
};

size_t Numbered(const std::vector<PictureRecord>& pictures) {
  return size_t(std::count_if(pictures.begin(), pictures.end(),
                              [](const PictureRecord& p) { return p.name.rfind("picture-", 0) == 0; }));
}

void AppendText(const std::string& more, std::string* text, TextSink* sink) {
  if (more.empty()) return;
  if (sink) {
    sink->write(std::string_view("\r\n"));
    sink->write(more);
  } else {
    if (!text->empty()) text->append("\r\n");
    text->append(more);
  }
}

void CopyDamage(const DamageReport& inner, const std::string& name, DamageReport* damage) {
  if (damage == nullptr) return;
  for (const Damage& d : inner.entries()) damage->add(0, 0, d.reader, "In the embedded " + name + ": " + d.reason);
}

// Adds the embedded document's pictures, numbered after the others.
void AddPictures(std::vector<PictureRecord>&& found, std::vector<PictureRecord>* pictures) {
  for (PictureRecord& p : found) {
    p.name = NumberedPictureName(Numbered(*pictures) + 1);
    if (p.reader.empty()) p.reader = "docx";
    pictures->push_back(std::move(p));
  }
}

std::string BaseName(const std::string& path, std::string* ext) {
  std::string base = path.substr(path.rfind('/') == std::string::npos ? 0 : path.rfind('/') + 1);
  const size_t dot = base.rfind('.');
  *ext = dot == std::string::npos || dot == 0 ? "bin" : base.substr(dot + 1);
  std::transform(ext->begin(), ext->end(), ext->begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return dot == std::string::npos || dot == 0 ? base : base.substr(0, dot);
}

bool IsWordCompoundFile(SourceFile& file) {
  CompoundFile cf;
  return cf.Open(file, nullptr, nullptr).ok() && cf.find("WordDocument") != nullptr;
}

}  // namespace

Status ReadDocPackages(SourceFile& source, YieldClock* clock, DamageReport* damage, std::string* text, TextSink* sink,
                       std::vector<PictureRecord>* pictures) {
  const size_t count = pictures->size();
  for (size_t i = 0; i < count; ++i) {
    if (clock && clock->stopped()) break;
    const PictureRecord package = (*pictures)[i];
    if (package.reader != "package" || package.ext != "docx" || !package.maker) continue;
    SourceFile copy;
    Status status = WorkingCopy([&](const Sink& write) { return package.maker->make(source, write, clock); }, &copy);
    if (!status.ok()) return status;
    std::string inner;
    std::vector<PictureRecord> found;
    DamageReport innerDamage;
    status = ReadDocxDeep(copy, clock, &innerDamage, &inner, &found);
    if (status.isInvalid()) continue;  // no package after all: it stays an attachment
    if (!status.ok()) return status;
    CopyDamage(innerDamage, "document " + package.name + "." + package.ext, damage);
    AppendText(inner, text, sink);
    for (PictureRecord& p : found) {
      if (p.maker) p.maker = std::make_shared<NestedPictureMaker>(package.maker, p.maker);
    }
    AddPictures(std::move(found), pictures);
  }
  return Status::OK();
}

Status ReadDocxEmbeddings(SourceFile& source, YieldClock* clock, DamageReport* damage, std::string* text,
                          TextSink* sink, std::vector<PictureRecord>* pictures) {
  PackageScan scan;
  DamageReport ignored;  // the package reader reported the package's damage already
  Status status = ScanPackage(source, clock, &ignored, &scan);
  if (!status.ok()) return status;
  size_t read = 0;
  for (const PackageEntry& entry : scan.entries) {
    if (entry.name.rfind("word/embeddings/", 0) != 0 || entry.name.back() == '/') continue;
    if (++read > kMaxEmbeddings || (clock && clock->stopped())) break;
    EntryReadOptions options;
    options.textual = false;
    options.absoluteLimit = kMaxEmbeddedBytes;
    EntryData data;
    status = ReadEntryData(source, entry, options, clock, nullptr, &data);
    if (!status.ok()) return status;
    if (data.pieces.empty() || !data.pieces[0].fromStart) continue;
    std::string& bytes = data.pieces[0].bytes;
    std::string ext;
    const std::string name = BaseName(entry.name, &ext);
    SourceFile copy;
    status = WorkingCopy([&](const Sink& write) { return write(bytes); }, &copy);
    if (!status.ok()) return status;
    std::string inner;
    std::vector<PictureRecord> found;
    DamageReport innerDamage;
    bool document = false;
    if (CompoundFile::HasSignature(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()) &&
        IsWordCompoundFile(copy)) {
      status = ReadDocDeep(copy, clock, &innerDamage, &inner, nullptr, &found);
      document = status.ok();
    } else if (bytes.rfind("PK\x03\x04", 0) == 0 && ext == "docx") {
      status = ReadDocxDeep(copy, clock, &innerDamage, &inner, &found);
      document = status.ok();
    }
    if (document) {
      CopyDamage(innerDamage, "document " + entry.name, damage);
      AppendText(inner, text, sink);
      for (PictureRecord& p : found) {
        status = Materialize(copy, &p);
        if (!status.ok()) return status;
      }
      AddPictures(std::move(found), pictures);
      continue;
    }
    // Any other file: kept as it is, under its own name.
    PictureRecord attachment;
    attachment.name = name;
    attachment.ext = ext;
    attachment.reader = "object";
    attachment.partial = !data.complete;
    attachment.bytes = std::move(bytes);
    attachment.hasBytes = true;
    pictures->push_back(std::move(attachment));
  }
  return Status::OK();
}

}  // namespace kw
