// cGetInfo on arbitrary bytes: never crash, never read past its 64 KiB,
// report one of the five types, and never form a dimension above 32767.

#include <cstdlib>

#include "formats/images/image_info.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kw::cGetInfo info;
  info.FileName = kw::fuzz::WriteScratch(data, size);
  info.GetImageFileInfo();
  if (info.TypeOfImage < kw::cGetInfo::kNone || info.TypeOfImage > kw::cGetInfo::kBmp) std::abort();
  if (info.Width < 0 || info.Width > 32767 || info.Height < 0 || info.Height > 32767) std::abort();
  if (info.Depth < 0 || info.Depth > 255 * 8) std::abort();
  return 0;
}
