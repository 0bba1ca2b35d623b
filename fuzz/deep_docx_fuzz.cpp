// SPDX-License-Identifier: Apache-2.0
// The Deep Recovery .docx reader on arbitrary bytes: ReadDocxDeep on the
// input as a file, and TolerantInflate on the input as a deflate stream.
// Never crash; the reader answers OK or Invalid (never an I/O error on a
// readable file), every picture carries its bytes, and inflated output
// stays within the limit it was given.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/damage_report.h"
#include "base/source_file.h"
#include "formats/docx/deep_docx.h"
#include "formats/docx/tolerant_inflate.h"

namespace {

const std::string& ScratchPath() {
  static const std::string* path = [] {
    auto* p = new std::string("/tmp/kwfuzz-deepdocx-" + std::to_string(::getpid()) + ".docx");
    std::atexit([] { std::remove(ScratchPath().c_str()); });
    return p;
  }();
  return *path;
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
  const kw::Status status = kw::ReadDocxDeep(file, nullptr, &damage, &text, &pictures);
  if (status.isIOError()) std::abort();
  for (const kw::PictureRecord& p : pictures) {
    if (!p.hasBytes) std::abort();
  }
  return 0;
}
