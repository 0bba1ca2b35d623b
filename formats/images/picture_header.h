// SPDX-License-Identifier: Apache-2.0
#pragma once
// PictureHeader (once named cGetInfo): reads the start of a picture file and
// reports its format, width, height and colour depth.
//
// read() reads at most the first 64 KiB of fileName. It tests for
// PNG (89 50 4E), GIF ("GIF") and BMP ("BM") one after the other, each
// whatever the previous one found, and only when none matched walks the JPEG
// markers after the first FF D8 FF (not necessarily at the file's start)
// within the first 65,525 bytes, taking the first start-of-frame segment.
//
// Two-byte values are formed in signed 16-bit arithmetic: a value above
// 32767 cannot be formed, and the operation then ends at once, the field
// being computed and all later ones left as they were. A file that cannot be
// read changes nothing. So the caller trusts width, height and depth only
// when type is not kNone, and uses one new object per file (the JPEG walk
// runs only while type is kNone).

#include <cstdint>
#include <string>

namespace kw {

class PictureHeader {
 public:
  enum : int32_t { kNone = 0, kGif = 1, kJpeg = 2, kPng = 3, kBmp = 4 };

  std::string fileName;
  int32_t width = 0;
  int32_t height = 0;
  int32_t depth = 0;  // bits per pixel
  int32_t type = 0;   // kNone, kGif, kJpeg, kPng, kBmp (once TypeOfImage)

  void read();
};

}  // namespace kw
