// SPDX-License-Identifier: Apache-2.0
// Image Recovery (both carvers and the listing) on arbitrary bytes: never
// crash, and the pictures it lists are sound: every picture begins with its
// start marker inside the file, a JPEG ends with its end marker, a PNG's end
// marker lies inside the file, and JPEG pictures come before PNG pictures,
// each named by its count from 0. The marker search gives the same offsets
// on every SIMD path.

#include <cstdlib>
#include <string>

#include "base/pattern_scan.h"
#include "base/simd_dispatch.h"
#include "formats/images/image_recovery.h"
#include "formats/images/image_table.h"
#include "fuzz/fuzz_support.h"

namespace {

bool Matches(const uint8_t* data, size_t size, int64_t pos, std::string_view marker) {
  if (pos < 0 || static_cast<uint64_t>(pos) + marker.size() > size) return false;
  return std::string_view(reinterpret_cast<const char*>(data) + pos, marker.size()) == marker;
}

// Every occurrence of each marker, found from each one after the last, is
// the same on every path.
void CompareSearchPaths(const uint8_t* data, size_t size) {
  for (const std::string_view marker : {"\xFF\xD8\xFF", "\xFF\xD9", "\x89PN", "IEND\xAE\x42\x60\x82"}) {
    for (size_t from = 0; from < size;) {
      const size_t at = from + kw::FindPatternOn(kw::SimdPath::kScalar, data + from, size - from, marker);
      for (const kw::SimdPath path : {kw::SimdPath::kSse2, kw::SimdPath::kAvx2}) {
        if (from + kw::FindPatternOn(path, data + from, size - from, marker) != at) std::abort();
      }
      from = at + 1;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CompareSearchPaths(data, size);
  kw::fuzz::SilentHost host;
  host.path = kw::fuzz::WriteScratch(data, size);
  kw::RecoveryJobState job;
  if (!kw::ImageRecovery(job, host).ok()) std::abort();
  if (host.pictures.size() != static_cast<size_t>(job.iImageCount)) std::abort();
  int jpegs = 0, pngs = 0;
  for (const kw::PictureRecord& picture : host.pictures) {
    const int64_t first = picture.firstByte, last = picture.lastByte;
    if (picture.hasBytes) std::abort();
    if (picture.kind == kw::PictureRecord::Kind::kJpeg) {
      if (pngs > 0 || picture.name != "GridJ" + std::to_string(jpegs++) || picture.ext != "jpg") std::abort();
      if (!Matches(data, size, first - 1, "\xFF\xD8\xFF") || !Matches(data, size, last - 2, "\xFF\xD9")) std::abort();
      if (last < first + 3) std::abort();
    } else if (picture.kind == kw::PictureRecord::Kind::kPng) {
      if (picture.name != "Grid" + std::to_string(pngs++) || picture.ext != "png") std::abort();
      if (!Matches(data, size, first - 1, "\x89PN")) std::abort();
      if (last < 1 || last > static_cast<int64_t>(size)) std::abort();
    } else {
      std::abort();
    }
  }
  return 0;
}
