// SPDX-License-Identifier: Apache-2.0
// deep_docx_probe: runs the Deep Recovery .docx reader on one file, for the
// benchmark script.
//
//   kw_deep_docx_probe FILE [--pictures DIR] [--report]
//
// Writes the text to stdout; with --pictures saves each picture as
// DIR/NAME.EXT; prints "pictures N partial P damage D status S" on stderr,
// and with --report each damage entry.

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "base/damage_report.h"
#include "base/job_progress.h"
#include "base/source_file.h"
#include "base/yield_clock.h"
#include "formats/docx/deep_docx.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s FILE [--pictures DIR] [--report]\n", argv[0]);
    return 2;
  }
  std::string pictureDir;
  bool report = false;
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--pictures" && i + 1 < argc) pictureDir = argv[++i];
    if (arg == "--report") report = true;
  }
  kw::SourceFile file;
  kw::Status status = kw::SourceFile::Open(argv[1], &file);
  if (!status.ok()) {
    std::fprintf(stderr, "%s\n", status.message().c_str());
    return 1;
  }
  kw::JobProgress progress;
  kw::YieldClock clock(progress);
  kw::DamageReport damage;
  std::string text;
  std::vector<kw::PictureRecord> pictures;
  status = kw::ReadDocxDeep(file, &clock, &damage, &text, &pictures);
  std::fwrite(text.data(), 1, text.size(), stdout);
  int partial = 0;
  for (size_t i = 0; i < pictures.size(); ++i) {
    const kw::PictureRecord& p = pictures[i];
    partial += p.partial ? 1 : 0;
    if (pictureDir.empty()) continue;
    std::ofstream out(pictureDir + "/" + std::to_string(i + 1) + "_" + p.name + "." + p.ext, std::ios::binary);
    out.write(p.bytes.data(), static_cast<std::streamsize>(p.bytes.size()));
    if (p.maker) {  // a picture is made again from the package as it is written
      p.maker->make(
          file,
          [&out](std::string_view bytes) {
            out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
            return kw::Status::OK();
          },
          &clock);
    }
  }
  std::fprintf(stderr, "pictures %zu partial %d damage %zu status %s\n", pictures.size(), partial,
               damage.entries().size(), status.ok() ? "ok" : status.message().c_str());
  if (report) {
    for (const kw::Damage& d : damage.entries()) {
      std::fprintf(stderr, "  %lld+%lld %s: %s\n", static_cast<long long>(d.offset), static_cast<long long>(d.length),
                   d.reader.c_str(), d.reason.c_str());
    }
  }
  return status.ok() ? 0 : 1;
}
