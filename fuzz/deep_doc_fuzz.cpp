// SPDX-License-Identifier: Apache-2.0
// The Deep Recovery .doc reader on arbitrary bytes: never crash, never fail
// on a file that can be read, the text is UTF-8 whose only control
// characters are TAB and the CR LF that ends each line, and (on one input
// in four, as it reads the file again) a text sink gets exactly the text
// the reader returns without one.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/damage_report.h"
#include "base/source_file.h"
#include "base/text_sink.h"
#include "formats/doc/deep/deep_doc.h"
#include "fuzz/fuzz_support.h"

namespace {

struct Collect : kw::TextSink {
  void write(std::string_view piece) override { text.append(piece); }
  std::string text;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kw::SourceFile file;
  if (!kw::SourceFile::Open(kw::fuzz::WriteScratch(data, size, ".doc"), &file).ok()) std::abort();
  kw::DamageReport damage;
  std::string text;
  const kw::Status status = kw::ReadDocDeep(file, nullptr, &damage, &text);
  if (status.isEncrypted()) return 0;  // a password-protected file is a result, not a fault
  if (!status.ok()) std::abort();
  if (!kw::fuzz::OnlyTextControls(text)) std::abort();
  if (!kw::fuzz::Sampled(data, size, 4)) return 0;
  kw::DamageReport sunkDamage;
  Collect sink;
  std::string rest;
  if (!kw::ReadDocDeep(file, nullptr, &sunkDamage, &rest, &sink).ok()) std::abort();
  if (!rest.empty() || sink.text != text || sunkDamage.entries().size() != damage.entries().size()) std::abort();
  return 0;
}
