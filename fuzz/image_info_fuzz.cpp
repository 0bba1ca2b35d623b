// SPDX-License-Identifier: Apache-2.0
// PictureHeader on arbitrary bytes: never crash, never read past its 64 KiB,
// report one of the five types, and never form a dimension above 32767.

#include <cstdlib>

#include "formats/images/picture_header.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kw::PictureHeader info;
  info.fileName = kw::fuzz::WriteScratch(data, size);
  info.read();
  if (info.type < kw::PictureHeader::kNone || info.type > kw::PictureHeader::kBmp) std::abort();
  if (info.width < 0 || info.width > 32767 || info.height < 0 || info.height > 32767) std::abort();
  if (info.depth < 0 || info.depth > 255 * 8) std::abort();
  return 0;
}
