// Image Recovery (both carvers and the listing) on arbitrary bytes: never
// crash, and the list it fills is sound: entries numbered 1..n, every entry
// text parses back, every picture begins with its start marker inside the
// file, a JPEG ends with its end marker, a PNG's end marker lies inside the
// file, and JPEG entries come before PNG entries, each counted from 0.

#include <cstdlib>
#include <string>

#include "formats/images/image_recovery.h"
#include "formats/images/image_table.h"
#include "fuzz/fuzz_support.h"

namespace {

bool Matches(const uint8_t* data, size_t size, int64_t pos, std::string_view marker) {
  if (pos < 0 || static_cast<uint64_t>(pos) + marker.size() > size) return false;
  return std::string_view(reinterpret_cast<const char*>(data) + pos, marker.size()) == marker;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kw::fuzz::SilentHost host;
  host.keepPictures = true;
  host.path = kw::fuzz::WriteScratch(data, size);
  kw::RecoveryJobState job;
  if (!kw::ImageRecovery(job, host).ok()) std::abort();
  if (host.pictures.size() != static_cast<size_t>(job.iImageCount)) std::abort();
  int jpegs = 0, pngs = 0;
  for (size_t n = 0; n < host.pictures.size(); ++n) {
    const std::string& text = host.pictures[n];
    if (text.rfind("  Image #" + std::to_string(n + 1) + "  >     ", 0) != 0) std::abort();
    kw::ImageEntry entry;
    if (!kw::ParseImageEntry(text, &entry)) std::abort();
    const int64_t sMark = std::stoll(entry.sMark), eMark = std::stoll(entry.eMark);
    if (entry.ImgExt == "jpg") {
      if (pngs > 0 || entry.ImgName != "GridJ" + std::to_string(jpegs++)) std::abort();
      if (!Matches(data, size, sMark - 1, "\xFF\xD8\xFF") || !Matches(data, size, eMark - 2, "\xFF\xD9")) std::abort();
      if (eMark < sMark + 3) std::abort();
    } else if (entry.ImgExt == "png") {
      if (entry.ImgName != "Grid" + std::to_string(pngs++)) std::abort();
      if (!Matches(data, size, sMark - 1, "\x89PN")) std::abort();
      if (eMark < 1 || eMark > static_cast<int64_t>(size)) std::abort();
    } else {
      std::abort();
    }
  }
  return 0;
}
