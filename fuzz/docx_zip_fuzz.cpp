// SPDX-License-Identifier: Apache-2.0
// The .docx job on arbitrary bytes: ReadZipEntry at an arbitrary headerPos
// (the input's first four bytes, little-endian, the rest being the file),
// then DocxRecovery on the whole input. Never crash; an entry that is read
// holds what its header promises: a stored entry's bytes as they are (up to
// the end of the file), a deflated one's output with the header's size and
// CRC-32 when no data descriptor follows it. The job's text (the streaming
// pass) is the literal passes' text of the entry it reads (checked on one
// input in four: the literal passes cost as much as the job). The job
// leaves no file in the private temporary folder.

#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "base/source_file.h"
#include "formats/docx/document_text.h"
#include "formats/docx/docx_recovery.h"
#include "formats/docx/zip_entry_reader.h"
#include "formats/docx/zip_local_header.h"
#include "fuzz/fuzz_support.h"

namespace {

void CheckEntry(const uint8_t* file, size_t size, int64_t headerPos, const std::string& data) {
  if (headerPos < 1 || static_cast<uint64_t>(headerPos) > size) std::abort();
  // A header cut off by the end of the file reads as zeros past it.
  uint8_t fixed[kw::ZipLocalHeader::kSize] = {};
  std::copy_n(file + headerPos - 1, std::min<size_t>(sizeof fixed, size - (headerPos - 1)), fixed);
  const kw::ZipLocalHeader header = kw::ZipLocalHeader::Parse(fixed);
  const int64_t dataAt = headerPos - 1 + 30 + header.FileNameLength + header.ExtraFieldLength;
  if (header.Compression == kw::ZipLocalHeader::kStored && !header.hasDataDescriptor()) {
    const int64_t length = std::min<int64_t>(header.CompressedSize, static_cast<int64_t>(size) - dataAt);
    if (data != std::string(reinterpret_cast<const char*>(file) + dataAt, std::max<int64_t>(length, 0))) std::abort();
  } else if (header.Compression == kw::ZipLocalHeader::kDeflated && !header.hasDataDescriptor()) {
    if (data.size() != static_cast<uint32_t>(header.UncompressedSize)) std::abort();
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size()));
    if (static_cast<uint32_t>(crc) != static_cast<uint32_t>(header.Crc32)) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& temp = kw::fuzz::PrivateTempFolder();
  if (size < 4) return 0;
  const int64_t headerPos = static_cast<int32_t>(kw::ReadLe32(data)) % 4096;
  const uint8_t* file = data + 4;
  const size_t fileSize = size - 4;
  kw::fuzz::SilentHost host;
  host.path = kw::fuzz::WriteScratch(file, fileSize, ".docx");
  {
    kw::SourceFile source;
    if (!kw::SourceFile::Open(host.path, &source).ok()) std::abort();
    if (auto entry = kw::ReadZipEntry(source, headerPos)) CheckEntry(file, fileSize, headerPos, *entry);
  }
  kw::RecoveryJobState job;
  if (!kw::DocxRecovery(job, host).ok() || host.value != 100) std::abort();
  // The entry the job reads: its header (1-based) 29 bytes before the first "word/document" (0-based).
  const size_t name = std::string_view(reinterpret_cast<const char*>(file), fileSize).find("word/document");
  if (name != std::string_view::npos && name >= 30 && kw::fuzz::Sampled(data, size, 4)) {
    kw::SourceFile source;
    if (!kw::SourceFile::Open(host.path, &source).ok()) std::abort();
    const auto entry = kw::ReadZipEntry(source, static_cast<int64_t>(name) - 29);
    if (entry && job.sRecoveredText != kw::DocumentXmlToText(*entry)) std::abort();
  }
  if (kw::fuzz::CountEntries(temp) > 1) std::abort();
  kw::fuzz::EmptyFolder(temp);
  return 0;
}
