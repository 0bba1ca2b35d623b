// SPDX-License-Identifier: Apache-2.0
// The Deep Recovery .doc reader's pictures and embedded files on arbitrary
// bytes: never crash, never fail on a file that can be read, every picture
// named, and each one made again from the file gives exactly the bytes its
// size says.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/damage_report.h"
#include "base/source_file.h"
#include "formats/doc/deep/deep_doc.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kw::SourceFile file;
  if (!kw::SourceFile::Open(kw::fuzz::WriteScratch(data, size, ".doc"), &file).ok()) return 0;
  kw::DamageReport damage;
  std::string text;
  std::vector<kw::PictureRecord> pictures;
  const kw::Status read = kw::ReadDocDeep(file, nullptr, &damage, &text, nullptr, &pictures);
  if (read.isEncrypted()) return 0;  // a password-protected file is a result, not a fault
  if (!read.ok()) std::abort();
  for (const kw::PictureRecord& p : pictures) {
    if (p.name.empty() || p.ext.empty() || !p.maker) std::abort();
    int64_t made = 0;
    const kw::Status status = p.maker->make(
        file, [&](std::string_view bytes) { return made += int64_t(bytes.size()), kw::Status::OK(); }, nullptr);
    if (!status.ok() || made != p.maker->size()) std::abort();
  }
  return 0;
}
