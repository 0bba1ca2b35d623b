// SPDX-License-Identifier: Apache-2.0
// deep_doc_probe: runs the Deep Recovery .doc reader on one file, for the
// benchmark script.
//
//   kw_deep_doc_probe FILE [--damage]   prints the text (UTF-8) to stdout;
//                                       with --damage, the damage report to stderr

#include <cstdio>
#include <string>

#include "base/damage_report.h"
#include "base/source_file.h"
#include "formats/doc/deep/deep_doc.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: kw_deep_doc_probe FILE [--damage]\n");
    return 2;
  }
  kw::SourceFile file;
  kw::Status status = kw::SourceFile::Open(argv[1], &file);
  if (!status.ok()) {
    std::fprintf(stderr, "%s\n", status.message().c_str());
    return 1;
  }
  kw::DamageReport damage;
  std::string text;
  status = kw::ReadDocDeep(file, nullptr, &damage, &text);
  if (!status.ok()) {
    std::fprintf(stderr, "%s\n", status.message().c_str());
    return 1;
  }
  std::fwrite(text.data(), 1, text.size(), stdout);
  if (argc > 2 && std::string(argv[2]) == "--damage") {
    for (const kw::Damage& d : damage.entries()) {
      std::fprintf(stderr, "%lld %lld %s: %s\n", static_cast<long long>(d.offset), static_cast<long long>(d.length),
                   d.reader.c_str(), d.reason.c_str());
    }
  }
  return 0;
}
