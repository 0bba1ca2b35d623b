// SPDX-License-Identifier: Apache-2.0
// The Deep Recovery .doc reader on arbitrary bytes: never crash, never fail
// on a file that can be read, the text is UTF-8 whose only control
// characters are TAB and the CR LF that ends each line, and a text sink gets
// exactly the text the reader returns without one.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/damage_report.h"
#include "base/source_file.h"
#include "base/text_sink.h"
#include "formats/doc/deep_doc.h"

namespace {

struct Collect : kw::TextSink {
  void write(std::string_view piece) override { text.append(piece); }
  std::string text;
};

const std::string& ScratchPath() {
  static const std::string& path = *[] {
    auto* name = new std::string("/tmp/kwfuzz-deepdoc-" + std::to_string(::getpid()) + ".doc");
    std::atexit([] { std::remove(ScratchPath().c_str()); });
    return name;
  }();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::FILE* f = std::fopen(ScratchPath().c_str(), "wb");
  if (f == nullptr) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  kw::SourceFile file;
  if (!kw::SourceFile::Open(ScratchPath(), &file).ok()) return 0;
  kw::DamageReport damage;
  std::string text;
  if (!kw::ReadDocDeep(file, nullptr, &damage, &text).ok()) std::abort();
  kw::DamageReport sunkDamage;
  Collect sink;
  std::string rest;
  if (!kw::ReadDocDeep(file, nullptr, &sunkDamage, &rest, &sink).ok()) std::abort();
  if (!rest.empty() || sink.text != text || sunkDamage.entries().size() != damage.entries().size()) std::abort();
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n')) std::abort();
    if (c < 0x20 && c != '\t' && c != '\r' && c != '\n') std::abort();
  }
  return 0;
}
